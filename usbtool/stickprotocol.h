// The Pelkom stick's command protocol: 29-byte command blocks with an 8-bit checksum, the
// 32-byte directory entries of a listing, file-name splitting and the rules for replies.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

namespace zelvar {

constexpr int StickCommandSize = 29;
constexpr int StickFieldLength = 8;
constexpr int StickReplySize = 4;
constexpr int DirectoryEntrySize = 32;
constexpr int MaxDirectoryEntries = 254;
constexpr int StickReadBlockSize = 256;
constexpr int StickWriteBlockSize = 510;

enum StickCommandCode : quint8 {
    CmdDirectory = 0xA1,
    CmdRead = 0xA2,
    CmdWrite = 0xA3,
    CmdDelete = 0xA4,
};

// Offsets inside a command block.
constexpr int StickExtensionOffset = 2;
constexpr int StickNameOffset = 10;
constexpr int StickLengthOffset = 18;
static_assert(StickExtensionOffset + StickFieldLength == StickNameOffset);
static_assert(StickNameOffset + StickFieldLength == StickLengthOffset);
static_assert(StickLengthOffset + 4 + 1 <= StickCommandSize);

// A file's name and extension as the stick keeps them: up to 8 bytes each.
struct StickFileName
{
    QByteArray name;
    QByteArray extension;

    bool operator==(const StickFileName &o) const { return name == o.name && extension == o.extension; }
};

// Splits at the last point: the name before it, the extension after it, each cut to 8
// characters; a text without a point is all name. Characters outside Latin-1 become '?'.
StickFileName splitStickFileName(const QString &text);

// (256 - (sum of the bytes) mod 256) mod 256: the byte that makes the block add up to 0.
quint8 stickChecksum(const char *bytes, int count);

class StickCommand
{
public:
    static StickCommand directory();
    static StickCommand read(const StickFileName &file);
    static StickCommand write(const StickFileName &file, quint32 length);
    static StickCommand remove(const StickFileName &file);
    // Delete with an extension of eight 0xFF bytes and no name: every file goes.
    static StickCommand format();

    // The 29 bytes as they go on the wire.
    QByteArray bytes() const;

private:
    StickCommand(quint8 checkedLength, quint8 code);
    void setField(int offset, const QByteArray &text);
    void seal();

    std::array<char, StickCommandSize> m_block{};
};

struct DirectoryEntry
{
    QByteArray extension;
    QByteArray name;

    // Reads one 32-byte entry; each field ends at its first zero byte.
    static DirectoryEntry decode(const char *bytes);
    // The name, then a point and the extension when there is one; case as received.
    QString listText() const;
};

// Listing reply: 4 bytes, bytes 1 to 3 big-endian give the listing's length L; the number
// of entries L div 32 when it lies between 1 and 254.
std::optional<int> listingEntryCount(const QByteArray &reply);

// Read reply: 4 bytes, big-endian length S with 0 < S < 2^31.
std::optional<quint32> readReplyLength(const QByteArray &reply);

// Write reply: 4 bytes whose signed values b0..b3, combined as b0 x 2^24 + b1 x 2^16 +
// b2 x 2^8 + b3 in 32-bit two's complement, give a positive number.
bool writeReplyAccepted(const QByteArray &reply);

} // namespace zelvar
