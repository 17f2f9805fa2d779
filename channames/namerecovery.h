// The channel-name editor's recovery file: the rows changed since the names were last read
// or saved, each with its entry number, kept until the user saves them or gives them up.
//
// Layout: the 31 bytes "Zelvar71 unsaved channel names\n"; the number of rows n (1 to 256,
// 16-bit little-endian); then n rows of 11 bytes: the entry number, then the entry as a
// record of "ChNameSet.fix" holds it (entryIndex, nameId, 8 name bytes).
#pragma once

#include "channames/channelnametable.h"
#include "common/outcome.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace zelvar {

constexpr int NameRecoveryMagicSize = 31;
constexpr int NameRecoveryHeadSize = NameRecoveryMagicSize + 2;
constexpr int NameRecoveryRowSize = 1 + 2 + ChannelNameLength;
static_assert(NameRecoveryRowSize == 11);

inline QString nameRecoveryFileName() { return QStringLiteral("EditChName.recovery"); }

struct ChangedNameRow
{
    int entry = 0; // 0 to 255; the editor shows it in row entry + 1
    ChannelNameEntry value;

    bool operator==(const ChangedNameRow &o) const { return entry == o.entry && value == o.value; }
};

// The entries of `now` that differ from `saved`, in entry order.
QVector<ChangedNameRow> ChangedNameRows(const ChannelNameTable &now, const ChannelNameTable &saved);

QByteArray EncodeNameRecovery(const QVector<ChangedNameRow> &rows);
// Checks the whole file first; a refused file leaves `rows` as it was.
Outcome DecodeNameRecovery(const QByteArray &data, QVector<ChangedNameRow> &rows);

} // namespace zelvar
