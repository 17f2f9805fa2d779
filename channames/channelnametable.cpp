// Built-in channel names and the table's edits.
#include "channames/channelnametable.h"

#include <algorithm>

namespace zelvar {

namespace {

// A stored name as the editor shows it, as bytes: up to the first NUL, without trailing
// blanks.
QByteArray shownName(const char *name)
{
    qsizetype end = 0;
    while (end < ChannelNameLength && name[end] != '\0')
        ++end;
    while (end > 0 && name[end - 1] == ' ')
        --end;
    return QByteArray(name, end);
}

bool sameName(const QByteArray &a, const QByteArray &b)
{
    return a.size() == b.size() && qstrnicmp(a.constData(), b.constData(), a.size()) == 0;
}

} // namespace

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

bool ChannelNameTable::isFree(int index) const
{
    const char *name = entries.at(size_t(index)).name.data();
    return std::all_of(name, name + ChannelNameLength, [](char c) { return c == '\0' || c == ' '; });
}

int ChannelNameTable::findName(const QString &name) const
{
    // Compared as an entry would store it: cut to eight characters.
    const QByteArray text = shownName(fixedText<ChannelNameLength>(toSingleByte(name).constData()).data());
    if (text.isEmpty())
        return -1;
    static const auto builtIn = [] {
        std::array<QByteArray, BuiltInNameCount> names;
        for (int i = 0; i < BuiltInNameCount; ++i)
            names[size_t(i)] = shownName(fixedText<ChannelNameLength>(DefaultNames[size_t(i)]).data());
        return names;
    }();
    for (int i = 0; i < BuiltInNameCount; ++i) {
        if (sameName(builtIn[size_t(i)], text))
            return i;
    }
    for (int i = BuiltInNameCount; i < ChannelNameCount; ++i) {
        const ChannelNameEntry &e = entries[size_t(i)];
        if (!held.test(size_t(i)) && e.nameId == i && sameName(shownName(e.name.data()), text))
            return i;
    }
    return -1;
}

int ChannelNameTable::findOrAddName(const QString &name, bool *added)
{
    if (added)
        *added = false;
    const int found = findName(name);
    if (found >= 0 || name.trimmed().isEmpty())
        return found;
    for (int i = BuiltInNameCount; i < ChannelNameCount; ++i) {
        if (isFree(i) && !held.test(size_t(i))) {
            setName(i, name);
            if (added)
                *added = true;
            return i;
        }
    }
    return -1;
}

} // namespace zelvar
