// Encoding and decoding of the channel-name editor's recovery file.
#include "channames/namerecovery.h"

#include "common/bytes.h"

namespace zelvar {

namespace {

const QByteArray Magic = QByteArrayLiteral("Zelvar71 unsaved channel names v2\n");
const QByteArray FirstMagic = QByteArrayLiteral("Zelvar71 unsaved channel names\n");

void writeEntry(ByteWriter &w, const ChannelNameEntry &e)
{
    w.u8(e.entryIndex);
    w.u8(e.nameId);
    w.text(e.name);
}

ChannelNameEntry readEntry(ByteReader &r)
{
    ChannelNameEntry e;
    e.entryIndex = r.u8();
    e.nameId = r.u8();
    e.name = r.text<ChannelNameLength>();
    return e;
}

} // namespace

QVector<ChangedNameRow> ChangedNameRows(const ChannelNameTable &now, const ChannelNameTable &saved)
{
    QVector<ChangedNameRow> rows;
    for (int i = 0; i < ChannelNameCount; ++i) {
        if (!(now.entries[size_t(i)] == saved.entries[size_t(i)]))
            rows.append(ChangedNameRow{i, now.entries[size_t(i)], saved.entries[size_t(i)]});
    }
    return rows;
}

QByteArray EncodeNameRecovery(const QVector<ChangedNameRow> &rows)
{
    Q_ASSERT(Magic.size() == NameRecoveryMagicSize);
    QByteArray out = Magic;
    ByteWriter w(out);
    w.u16le(quint16(rows.size()));
    for (const ChangedNameRow &row : rows) {
        w.u8(quint8(row.entry));
        writeEntry(w, row.value);
        writeEntry(w, row.replaced.value_or(ChannelNameEntry{}));
    }
    return out;
}

Outcome DecodeNameRecovery(const QByteArray &data, QVector<ChangedNameRow> &rows)
{
    Q_ASSERT(FirstMagic.size() == FirstNameRecoveryMagicSize);
    const bool first = data.startsWith(FirstMagic);
    const qsizetype magicSize = first ? FirstNameRecoveryMagicSize : NameRecoveryMagicSize;
    const qsizetype rowSize = first ? FirstNameRecoveryRowSize : NameRecoveryRowSize;
    if ((!first && !data.startsWith(Magic)) || data.size() < magicSize + 2)
        return Outcome::failure(QStringLiteral("it is not a recovery file of channel names"));
    ByteReader r(data.constData() + magicSize, data.size() - magicSize);
    const int count = r.u16le();
    if (count < 1 || count > ChannelNameCount)
        return Outcome::failure(QStringLiteral("it holds %1 rows; 1 to %2 can be kept").arg(count).arg(ChannelNameCount));
    const qsizetype expected = magicSize + 2 + qsizetype(count) * rowSize;
    if (data.size() != expected)
        return Outcome::failure(
            QStringLiteral("it is %1 bytes long; %2 rows take %3").arg(data.size()).arg(count).arg(expected));

    QVector<ChangedNameRow> read;
    for (int i = 0; i < count; ++i) {
        ChangedNameRow row;
        row.entry = r.u8();
        row.value = readEntry(r);
        if (!first)
            row.replaced = readEntry(r);
        read.append(row);
    }
    rows = read;
    return Outcome::success();
}

} // namespace zelvar
