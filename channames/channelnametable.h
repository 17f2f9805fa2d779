// The controller's 256 channel-function names: 59 built in, the rest the user's own.
// A fixture channel refers to a name by its nameId, the entry's index.
#pragma once

#include "common/fixedtext.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <bitset>
#include <functional>

namespace zelvar {

constexpr int ChannelNameCount = 256;
constexpr int ChannelNameLength = 8;
constexpr int BuiltInNameCount = 59;

// The built-in names, entries 0 to 58, as the editor shows them ("Mir. Fine" has nine
// characters; the table keeps its first eight).
extern const std::array<const char *, BuiltInNameCount> DefaultNames;
// The built-in names as the controller receives them in "ChNameDown.fix".
extern const std::array<const char *, BuiltInNameCount> DownloadNames;

struct ChannelNameEntry
{
    quint8 entryIndex = 0;          // the entry's own index once set
    quint8 nameId = 0;              // equals the index once set
    FixedText<ChannelNameLength> name; // eight NULs until set

    bool operator==(const ChannelNameEntry &o) const
    {
        return entryIndex == o.entryIndex && nameId == o.nameId && name == o.name;
    }
};

// Told about every name the table loads, so that an editor can show it:
// the entry index (row index + 1 in the editor) and the text to show.
using NameShown = std::function<void(int entry, const QString &text)>;

// Entries 59 to 255 that an open channel-name editor holds as unsaved edits. Such an
// entry is neither found nor taken by findName and findOrAddName, whatever the files hold
// there: its name may be about to change. Not part of the files, nor of comparisons.
using HeldEntries = std::bitset<ChannelNameCount>;

class ChannelNameTable
{
public:
    std::array<ChannelNameEntry, ChannelNameCount> entries{};
    HeldEntries held;

    // Sets entry `index` to `text`: index and nameId become the index, the name is
    // left-justified to eight characters.
    void setName(int index, const QString &text);

    // Entries 0 to 58 back to the built-in names; the full default text is reported.
    void LoadDefaultNames(const NameShown &show = {});

    // Whether entry `index` holds no name: eight NULs or blanks (or a mix of them).
    bool isFree(int index) const;
    // The entry a channel refers to for `name`: a built-in name by its index (0 to 58),
    // else an entry from 59 to 255 that holds the same name, trailing blanks and letter
    // case aside, refers to itself (its nameId is its index) and is not held; -1 when none.
    int findName(const QString &name) const;
    // The entry for `name` as findName finds it, else `name` set into the first free entry
    // from 59 on that is not held. Entries 0 to 58 and entries that hold a name are never
    // changed. Returns
    // the entry, or -1 when the name is not there and no entry is free; `added` tells
    // whether an entry was set.
    int findOrAddName(const QString &name, bool *added = nullptr);

    bool operator==(const ChannelNameTable &o) const { return entries == o.entries; }
};

} // namespace zelvar
