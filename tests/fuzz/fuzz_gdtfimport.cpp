// Feeds arbitrary bytes to the GDTF description reader and converts every mode it accepts:
// a converted profile must hold 1 to 16 channels with distinct names that its channel-name
// table holds, leave entries 0 to 58 of the table alone, save with the duplicate flag clear,
// read back to itself, and name its channels as the search over the libraries names them.
#include "channames/channelnametable.h"
#include "fixture/zfffile.h"
#include "gdtfimport/gdtfconversion.h"

#include <QSet>

#include <algorithm>

#include <cstdint>
#include <cstdlib>

using namespace zelvar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    GdtfDescription description;
    if (!ParseGdtf(bytes, description))
        return 0;
    ChannelNameTable names;
    names.LoadDefaultNames();
    const ChannelNameTable defaults = names;
    for (int mode = 0; mode < description.modes.size() && mode < 32; ++mode) {
        if (GdtfFixtureName(description, mode).size() > FixtureNameLength)
            std::abort();
        const QStringList searched = GdtfChannelNames(description, mode, names);
        ImportedFixture fixture;
        if (!ConvertGdtfMode(description, mode, names, fixture)) {
            if (!searched.isEmpty())
                std::abort();
            continue;
        }
        if (!std::equal(defaults.entries.cbegin(), defaults.entries.cbegin() + BuiltInNameCount,
                        names.entries.cbegin()))
            std::abort();
        FixtureProfile &p = fixture.profile;
        if (p.setup.channelCount < 1 || p.setup.channelCount > MaxChannels
            || searched.size() != p.setup.channelCount)
            std::abort();
        QSet<int> ids;
        for (int c = 0; c < p.setup.channelCount; ++c) {
            const ChannelEntry &e = p.channels[size_t(c)];
            const bool named = e.nameId < BuiltInNameCount || !names.isFree(e.nameId);
            if (!named || e.stepCount < 1 || e.stepCount > StepsPerChannel
                || fixture.channels.at(c).name != searched.at(c))
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
