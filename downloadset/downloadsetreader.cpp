// Checking and decoding the .tzk download-set image, top to bottom like the layout.
#include "downloadset/downloadsetreader.h"

#include "common/bytes.h"
#include "common/filestore.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstring>

namespace zelvar {

namespace {

QString hexBytes(const char *bytes, int size)
{
    QStringList parts;
    for (int i = 0; i < size; ++i)
        parts << QStringLiteral("%1").arg(quint8(bytes[i]), 2, 16, QLatin1Char('0'));
    return parts.join(QLatin1Char(' '));
}

const char *slotAt(const char *base, int slot)
{
    return base + SlotTableOffset + FixtureSlotSize * slot;
}

int usedSteps(const char *counts, int channelCount)
{
    int total = 0;
    for (int j = 0; j < channelCount; ++j)
        total += quint8(counts[j]);
    return total;
}

// Where the step block that starts at `start` ends, for `channelCount` used channels.
qsizetype stepBlockEnd(const char *base, qsizetype start, int channelCount)
{
    return start + StepBlockHeadSize + qsizetype(StepRecordSize) * usedSteps(base + start, channelCount);
}

Outcome checkHeader(const QByteArray &data)
{
    const char *base = data.constData();
    if (data.size() < DownloadSetMagicSize || std::memcmp(base, DownloadSetMagic, DownloadSetMagicSize) != 0)
        return Outcome::failure(QStringLiteral("it does not start with \"%1\"; it is not a download set")
                                    .arg(QLatin1String(DownloadSetMagic)));
    const int signatureEnd = DownloadSetSignatureOffset + DownloadSetSignatureSize;
    if (data.size() < signatureEnd)
        return Outcome::failure(QStringLiteral("it ends after %1 bytes, inside the signature that follows \"%2\"")
                                    .arg(data.size())
                                    .arg(QLatin1String(DownloadSetMagic)));
    if (std::memcmp(base + DownloadSetSignatureOffset, DownloadSetSignature, DownloadSetSignatureSize) != 0)
        return Outcome::failure(QStringLiteral("bytes %1 to %2 are %3; a download set has %4 there")
                                    .arg(DownloadSetSignatureOffset)
                                    .arg(signatureEnd - 1)
                                    .arg(hexBytes(base + DownloadSetSignatureOffset, DownloadSetSignatureSize),
                                         hexBytes(DownloadSetSignature, DownloadSetSignatureSize)));
    return Outcome::success();
}

// Everything the decoding relies on, so that it can read without looking back.
Outcome checkSet(const QByteArray &data)
{
    if (Outcome header = checkHeader(data); !header)
        return header;
    const qsizetype size = data.size();
    if (size < MinDownloadSetSize)
        return Outcome::failure(QStringLiteral("the file is %1 bytes long; a download set has at least %2")
                                    .arg(size)
                                    .arg(MinDownloadSetSize));
    const char *base = data.constData();

    const int count = quint8(base[FixtureCountOffset]);
    if (count < 1)
        return Outcome::failure(QStringLiteral("its fixture count (offset %1) is 0; a set holds 1 to %2 fixtures")
                                    .arg(FixtureCountOffset)
                                    .arg(MaxFixturesInSet));

    for (int slot = 1; slot <= count; ++slot) {
        const int channels = quint8(slotAt(base, slot)[SlotChannelCountOffset]);
        if (channels < 1 || channels > MaxChannels)
            return Outcome::failure(QStringLiteral("fixture %1 has %2 channels; a fixture has 1 to %3")
                                        .arg(slot)
                                        .arg(channels)
                                        .arg(MaxChannels));
    }

    qsizetype block = StepAreaOffset;
    for (int slot = 1; slot <= count; ++slot) {
        const int channels = quint8(slotAt(base, slot)[SlotChannelCountOffset]);
        if (block + StepBlockHeadSize > size)
            return Outcome::failure(
                QStringLiteral("fixture %1's steps run past the end of the file: its step block starts at offset %2 "
                               "and the file has %3 bytes")
                    .arg(slot)
                    .arg(block)
                    .arg(size));
        for (int j = 0; j < channels; ++j) {
            const int steps = quint8(base[block + j]);
            if (steps > StepsPerChannel)
                return Outcome::failure(QStringLiteral("fixture %1's channel %2 has %3 steps; at most %4")
                                            .arg(slot)
                                            .arg(j + 1)
                                            .arg(steps)
                                            .arg(StepsPerChannel));
        }
        const qsizetype end = stepBlockEnd(base, block, channels);
        if (end > size)
            return Outcome::failure(
                QStringLiteral("fixture %1's steps run past the end of the file: its step block ends at offset %2 "
                               "and the file has %3 bytes")
                    .arg(slot)
                    .arg(end)
                    .arg(size));
        block = end;
    }
    return Outcome::success();
}

SetFixture decodeFixture(const char *base, int slot, qsizetype block)
{
    SetFixture f;
    f.slot = slot;
    const char *record = slotAt(base, slot);
    FixtureSetup &s = f.setup;
    s.channelCount = quint8(record[SlotChannelCountOffset]);
    s.fixtureName = FixedText<FixtureNameLength>::fromBytes(record + SlotFixtureNameOffset);
    s.panCoarse = quint8(record[SlotPanCoarseOffset]);
    s.panFine = quint8(record[SlotPanFineOffset]);
    s.tiltCoarse = quint8(record[SlotTiltCoarseOffset]);
    s.tiltFine = quint8(record[SlotTiltFineOffset]);
    s.blackChannel = quint8(record[SlotBlackChannelOffset]);
    s.blackValue = quint8(record[SlotBlackValueOffset]);
    s.masterMask = loadU16le(record + SlotMasterMaskOffset);
    for (int j = 0; j < MaxChannels; ++j)
        f.channels[size_t(j)].fadeMode = quint8(record[SlotFadeModesOffset + j]);

    const char *nameIds = base + NameIdTableOffset + NameIdRowSize * slot;
    const char *counts = base + block;
    for (int j = 0; j < s.channelCount; ++j) {
        f.channels[size_t(j)].nameId = quint8(nameIds[j]);
        f.channels[size_t(j)].stepCount = quint8(counts[j]);
    }

    f.stepBlockOffset = block;
    const int steps = usedSteps(counts, s.channelCount);
    f.steps.reserve(steps);
    const char *step = counts + StepBlockHeadSize;
    for (int i = 0; i < steps; ++i, step += StepRecordSize) {
        StepRecord r;
        r.name = FixedText<StepNameLength>::fromBytes(step + StepNameOffset);
        r.fromDmx = quint8(step[StepFromDmxOffset]);
        r.toDmx = quint8(step[StepToDmxOffset]);
        r.stepDmx = quint8(step[StepStepDmxOffset]);
        f.steps.append(r);
    }
    return f;
}

} // namespace

int SetFixture::firstStepOf(int channel) const
{
    int first = 0;
    for (int j = 0; j < channel - 1 && j < MaxChannels; ++j)
        first += channels[size_t(j)].stepCount;
    return first;
}

qsizetype DownloadSet::composedSize() const
{
    return std::max<qsizetype>(MinDownloadSetSize, stepAreaEnd);
}

QByteArray setNameBytes(const SetName &field)
{
    qsizetype length = NameFieldSize;
    while (length > 0 && field.data()[length - 1] == '\0')
        --length;
    return QByteArray(field.data(), length);
}

QString setNameText(const SetName &field)
{
    const QByteArray name = setNameBytes(field);
    return fromSingleByte(name.constData(), name.size());
}

Outcome DecodeDownloadSet(const QByteArray &data, DownloadSet &set)
{
    if (Outcome checked = checkSet(data); !checked)
        return checked;

    // Everything is known to lie inside the file: only now is it read.
    const char *base = data.constData();
    DownloadSet read;
    read.fileSize = data.size();
    read.namesFlag = quint8(base[NamesFlagOffset]);
    if (read.holdsNames()) {
        for (int i = 0; i < NameFieldCount; ++i)
            read.names[size_t(i)] = SetName::fromBytes(base + NamesBlockOffset + NameFieldSize * i);
    }
    const int count = quint8(base[FixtureCountOffset]);
    read.fixtures.reserve(count);
    qsizetype block = StepAreaOffset;
    for (int slot = 1; slot <= count; ++slot) {
        read.fixtures.append(decodeFixture(base, slot, block));
        block = stepBlockEnd(base, block, read.fixtures.last().setup.channelCount);
    }
    read.stepAreaEnd = block;
    set = std::move(read);
    return Outcome::success();
}

Outcome ReadDownloadSet(const QString &path, DownloadSet &set)
{
    // A device or a pipe may never end.
    if (!QFileInfo(path).isFile())
        return Outcome::failure(QFileInfo::exists(path) ? QStringLiteral("it is not a file")
                                                        : QStringLiteral("the file does not exist"));
    QByteArray data;
    if (Outcome read = readFilePrefix(path, DownloadSetFileKind, data,
                                      DownloadSetSignatureOffset + DownloadSetSignatureSize);
        !read)
        return read;
    if (Outcome header = checkHeader(data); !header)
        return header;
    if (Outcome read = readFilePrefix(path, DownloadSetFileKind, data); !read)
        return read;
    return DecodeDownloadSet(data, set);
}

} // namespace zelvar
