// Built-in channel names and the table's edits.
#include "channames/channelnametable.h"

namespace zelvar {

const std::array<const char *, BuiltInNameCount> DefaultNames = {
    "Pan",      "Pan Fine", "Tilt",     "Tlt Fine", "P/T Spd",  "Shutter",  "Dimmer",    "Focus",
    "Zoom",     "Color",    "Cyan",     "Magenta",  "Yellow",   "CMY Spd.", "Red",       "Green",
    "Blue",     "Color1",   "Color2",   "St. Gobo", "Gobo",     "Gobo Rot", "Gobo1",     "Gobo1Rot",
    "Gobo2",    "Gobo2Rot", "Rotation", "Rot Gobo", "Prism",    "Prsm Rot", "Macros",    "Iris",
    "Effect",   "Special",  "Fan Spd.", "Function", "Head",     "HeadFine", "Head Spd",  "Mirror",
    "Mir. Fine", "Mir. Spd", "CHAN.01", "CHAN.02",  "CHAN.03",  "CHAN.04",  "CHAN.05",   "CHAN.06",
    "CHAN.07",  "CHAN.08",  "CHAN.09",  "CHAN.10",  "CHAN.11",  "CHAN.12",  "CHAN.13",   "CHAN.14",
    "CHAN.15",  "CHAN.16",  "Not Used",
};

const std::array<const char *, BuiltInNameCount> DownloadNames = [] {
    std::array<const char *, BuiltInNameCount> names = DefaultNames;
    names[17] = "Color 1";
    names[18] = "Color 2";
    names[19] = "St.Gobo";
    names[29] = "Prism Rot";
    names[40] = "Mir. Fin";
    return names;
}();

void ChannelNameTable::setName(int index, const QString &text)
{
    ChannelNameEntry &e = entries.at(size_t(index));
    e.entryIndex = quint8(index);
    e.nameId = quint8(index);
    e.name.assign(text);
}

void ChannelNameTable::LoadDefaultNames(const NameShown &show)
{
    for (int i = 0; i < BuiltInNameCount; ++i) {
        const QString text = QString::fromLatin1(DefaultNames[size_t(i)]);
        setName(i, text);
        if (show)
            show(i, text);
    }
}

} // namespace zelvar
