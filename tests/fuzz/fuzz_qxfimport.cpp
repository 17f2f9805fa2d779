// Feeds arbitrary bytes to the .qxf reader and converts every mode it accepts: a converted
// profile must hold 1 to 16 channels with distinct names that its channel-name table holds,
// leave entries 0 to 58 of the table alone, save with the duplicate flag clear and read back
// to itself.
#include "channames/channelnametable.h"
#include "fixture/zfffile.h"
#include "qxfimport/qxfconversion.h"

#include <QSet>

#include <algorithm>

#include <cstdint>
#include <cstdlib>

using namespace zelvar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QxfDefinition definition;
    if (!ParseQxf(bytes, definition))
        return 0;
    ChannelNameTable names;
    names.LoadDefaultNames();
    const ChannelNameTable defaults = names;
    for (int mode = 0; mode < definition.modes.size() && mode < 32; ++mode) {
        if (ImportedFixtureName(definition, mode).size() > FixtureNameLength)
            std::abort();
        ImportedFixture fixture;
        if (!ConvertQxfMode(definition, mode, names, fixture))
            continue;
        if (!std::equal(defaults.entries.cbegin(), defaults.entries.cbegin() + BuiltInNameCount,
                        names.entries.cbegin()))
            std::abort();
        FixtureProfile &p = fixture.profile;
        if (p.setup.channelCount < 1 || p.setup.channelCount > MaxChannels)
            std::abort();
        QSet<int> ids;
        for (int c = 0; c < p.setup.channelCount; ++c) {
            const ChannelEntry &e = p.channels[size_t(c)];
            const bool named = e.nameId < BuiltInNameCount || !names.isFree(e.nameId);
            if (!named || e.stepCount < 1 || e.stepCount > StepsPerChannel)
                std::abort();
            ids.insert(e.nameId);
        }
        if (ids.size() != p.setup.channelCount)
            std::abort();
        PrepareForSave(p);
        QByteArray encoded;
        if (p.header.duplicateFlag != 0 || !EncodeProfile(p, encoded))
            std::abort();
        FixtureProfile read = p;
        if (!DecodeProfile(encoded, read) || read != p)
            std::abort();
    }
    return 0;
}
