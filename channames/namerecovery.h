// The channel-name editor's recovery file: the rows changed since the names were last read
// or saved, each with its entry number and the entry it replaced, kept until the user saves
// them or gives them up.
//
// Layout: the 34 bytes "Zelvar71 unsaved channel names v2\n"; the number of rows n (1 to
// 256, 16-bit little-endian); then n rows of 21 bytes: the entry number, the entry as a
// record of "ChNameSet.fix" holds it (entryIndex, nameId, 8 name bytes), then the entry it
// replaced, as the editor had read it from the files, in the same 10 bytes.
//
// Files of the first layout are still read: the 31 bytes "Zelvar71 unsaved channel
// names\n", the count, and rows of 11 bytes without the entry replaced.
#pragma once

#include "channames/channelnametable.h"
#include "common/outcome.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

namespace zelvar {

constexpr int NameRecoveryMagicSize = 34;
constexpr int NameRecoveryHeadSize = NameRecoveryMagicSize + 2;
constexpr int NameRecoveryRowSize = 1 + 2 * (2 + ChannelNameLength);
static_assert(NameRecoveryRowSize == 21);
constexpr int FirstNameRecoveryMagicSize = 31;
constexpr int FirstNameRecoveryRowSize = 1 + 2 + ChannelNameLength;
static_assert(FirstNameRecoveryRowSize == 11);

inline QString nameRecoveryFileName() { return QStringLiteral("EditChName.recovery"); }

struct ChangedNameRow
{
    int entry = 0; // 0 to 255; the editor shows it in row entry + 1
    ChannelNameEntry value;
    // The entry as the files held it when the editor read them; none in a file of the
    // first layout.
    std::optional<ChannelNameEntry> replaced;

    bool operator==(const ChangedNameRow &o) const
    {
        return entry == o.entry && value == o.value && replaced == o.replaced;
    }
};

// The entries of `now` that differ from `saved`, in entry order, each with the entry of
// `saved` it replaced.
QVector<ChangedNameRow> ChangedNameRows(const ChannelNameTable &now, const ChannelNameTable &saved);

QByteArray EncodeNameRecovery(const QVector<ChangedNameRow> &rows);
// Checks the whole file first; a refused file leaves `rows` as it was.
Outcome DecodeNameRecovery(const QByteArray &data, QVector<ChangedNameRow> &rows);

} // namespace zelvar
