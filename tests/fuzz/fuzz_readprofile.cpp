// Feeds arbitrary bytes to the .zff reader: a refused file must leave the profile as it
// was, an accepted one must encode back to exactly the bytes it was read from.
#include "fixture/zfffile.h"

#include <cstdint>
#include <cstdlib>

using namespace zelvar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    FixtureProfile profile;
    for (int i = 0; i < StepSlotCount; ++i)
        profile.steps[size_t(i)].stepDmx = quint8(i);
    const FixtureProfile before = profile;

    if (!DecodeProfile(bytes, profile)) {
        if (profile != before)
            std::abort();
        return 0;
    }
    QByteArray again;
    if (!EncodeProfile(profile, again) || again != bytes.left(again.size()))
        std::abort();
    ProfileHeader header;
    if (!DecodeProfileHeader(bytes, header) || !(header == profile.header))
        std::abort();
    return 0;
}
