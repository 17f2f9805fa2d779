// Feeds arbitrary bytes to the "ChNameSet.fix" readers: the name editor's table and the
// fixture editor's choices.
#include "channames/channelnamefiles.h"

#include <cstdint>
#include <cstdlib>

using namespace zelvar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    ChannelNameTable table;
    int shown = 0;
    DecodeChannelNameSet(bytes, table, [&shown](int entry, const QString &text) {
        if (entry < 0 || entry >= ChannelNameCount || text.isEmpty() || text.size() > 9)
            std::abort();
        ++shown;
    });
    if (shown > ChannelNameCount)
        std::abort();
    if (bytes.size() >= MinSetFileLength) {
        const QByteArray prefix = bytes.left(SetFileSize);
        if (EncodeChannelNameSet(table).left(prefix.size()) != prefix)
            std::abort();
    }
    if (EncodeChannelNameDown(table).size() != DownFileSize)
        std::abort();

    const QVector<ChannelNameChoice> choices = DecodeChannelNameChoices(bytes);
    if (choices.size() > ChannelNameCount)
        std::abort();
    for (const ChannelNameChoice &c : choices) {
        if (c.text.isEmpty() || c.text.size() > ChannelNameLength)
            std::abort();
    }
    return 0;
}
