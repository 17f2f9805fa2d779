// Command blocks, directory entries and reply rules of the Pelkom stick.
#include "usbtool/stickprotocol.h"

#include "common/bytes.h"

namespace zelvar {

StickFileName splitStickFileName(const QString &text)
{
    const QByteArray bytes = text.toLatin1();
    const qsizetype point = bytes.lastIndexOf('.');
    if (point < 0)
        return StickFileName{bytes.left(StickFieldLength), QByteArray()};
    return StickFileName{bytes.left(point).left(StickFieldLength), bytes.mid(point + 1).left(StickFieldLength)};
}

quint8 stickChecksum(const char *bytes, int count)
{
    unsigned sum = 0;
    for (int i = 0; i < count; ++i)
        sum += quint8(bytes[i]);
    return quint8((256 - sum % 256) % 256);
}

StickCommand::StickCommand(quint8 checkedLength, quint8 code)
{
    m_block[0] = char(checkedLength);
    m_block[1] = char(code);
}

void StickCommand::setField(int offset, const QByteArray &text)
{
    const QByteArray field = text.left(StickFieldLength);
    for (qsizetype i = 0; i < field.size(); ++i)
        m_block[size_t(offset + i)] = field[i];
}

void StickCommand::seal()
{
    // The checksum takes the place of whatever field lies at offset N.
    const int n = quint8(m_block[0]);
    m_block[size_t(n)] = char(stickChecksum(m_block.data(), n));
}

StickCommand StickCommand::directory()
{
    StickCommand c(10, CmdDirectory);
    c.seal();
    return c;
}

StickCommand StickCommand::read(const StickFileName &file)
{
    StickCommand c(18, CmdRead);
    c.setField(StickExtensionOffset, file.extension);
    c.setField(StickNameOffset, file.name);
    c.seal();
    return c;
}

StickCommand StickCommand::write(const StickFileName &file, quint32 length)
{
    StickCommand c(22, CmdWrite);
    c.setField(StickExtensionOffset, file.extension);
    c.setField(StickNameOffset, file.name);
    storeU32be(c.m_block.data() + StickLengthOffset, length);
    c.seal();
    return c;
}

StickCommand StickCommand::remove(const StickFileName &file)
{
    StickCommand c(18, CmdDelete);
    c.setField(StickExtensionOffset, file.extension);
    c.setField(StickNameOffset, file.name);
    c.seal();
    return c;
}

StickCommand StickCommand::format()
{
    StickCommand c(18, CmdDelete);
    c.setField(StickExtensionOffset, QByteArray(StickFieldLength, char(0xFF)));
    c.seal();
    return c;
}

QByteArray StickCommand::bytes() const
{
    return QByteArray(m_block.data(), StickCommandSize);
}

namespace {
QByteArray zeroEnded(const char *field)
{
    qsizetype length = 0;
    while (length < StickFieldLength && field[length] != '\0')
        ++length;
    return QByteArray(field, length);
}
} // namespace

DirectoryEntry DirectoryEntry::decode(const char *bytes)
{
    return DirectoryEntry{zeroEnded(bytes), zeroEnded(bytes + StickFieldLength)};
}

QString DirectoryEntry::listText() const
{
    QString text = QString::fromLatin1(name);
    if (!extension.isEmpty())
        text += QLatin1Char('.') + QString::fromLatin1(extension);
    return text;
}

std::optional<int> listingEntryCount(const QByteArray &reply)
{
    if (reply.size() != StickReplySize)
        return std::nullopt;
    const quint32 length = loadU32be(reply.constData()) & 0x00FFFFFFu;
    const quint32 entries = length / DirectoryEntrySize;
    if (entries < 1 || entries > MaxDirectoryEntries)
        return std::nullopt;
    return int(entries);
}

std::optional<quint32> readReplyLength(const QByteArray &reply)
{
    if (reply.size() != StickReplySize)
        return std::nullopt;
    const quint32 length = loadU32be(reply.constData());
    if (length == 0 || length >= 0x80000000u)
        return std::nullopt;
    return length;
}

bool writeReplyAccepted(const QByteArray &reply)
{
    if (reply.size() != StickReplySize)
        return false;
    // Each byte counts as a signed value; the sum wraps as 32-bit two's complement.
    quint32 sum = 0;
    for (int i = 0; i < StickReplySize; ++i)
        sum += quint32(qint32(qint8(reply[i]))) << (8 * (3 - i));
    return qint32(sum) > 0;
}

} // namespace zelvar
