// The .tzk download set: one fixed image that gathers up to 255 fixture profiles and the
// 256 channel names in the layout the controller loads.
#pragma once

#include "common/outcome.h"
#include "fixture/zfffile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace zelvar {

constexpr int DownloadSetMagicSize = 8;
constexpr int DownloadSetSignatureSize = 6;
inline constexpr char DownloadSetMagic[DownloadSetMagicSize + 1] = "ZELVAR71";
inline constexpr char DownloadSetSignature[DownloadSetSignatureSize] = {1, 82, 0, 0, 80, 0};
constexpr int DownloadSetSignatureOffset = DownloadSetMagicSize;
constexpr int SlotTableOffset = 512;
constexpr int FixtureSlotCount = 256;
constexpr int SlotRecordSize = 37;
constexpr int SlotFadeModesSize = 16;
constexpr int FixtureSlotSize = SlotRecordSize + SlotFadeModesSize;
// Fields of a fixture slot, from the start of the slot.
constexpr int SlotChannelCountOffset = 0;
constexpr int SlotFixtureNameOffset = 1;
constexpr int SlotPanCoarseOffset = 19;
constexpr int SlotPanFineOffset = 20;
constexpr int SlotTiltCoarseOffset = 21;
constexpr int SlotTiltFineOffset = 22;
constexpr int SlotBlackChannelOffset = 31;
constexpr int SlotBlackValueOffset = 32;
constexpr int SlotMasterMaskOffset = 33; // low byte first
constexpr int SlotFadeModesOffset = SlotRecordSize;
constexpr int FixtureCountOffset = 14080;
constexpr int NamesFlagOffset = 14082;
constexpr int NamesBlockOffset = 14592;
constexpr int NameFieldSize = 8;
constexpr int NameFieldCount = 256;
constexpr int NameIdTableOffset = 16896;
constexpr int NameIdRowSize = 16;
constexpr int StepAreaOffset = 21504;
constexpr int StepBlockHeadSize = 16; // the step counts of the 16 channel entries
// Fields of an 11-byte step record in a step block, as in a profile.
constexpr int StepNameOffset = 0;
constexpr int StepFromDmxOffset = 8;
constexpr int StepToDmxOffset = 9;
constexpr int StepStepDmxOffset = 10;
constexpr int MinDownloadSetSize = 86529;
constexpr int MaxFixturesInSet = 255;
static_assert(FixtureSlotSize == 53);
static_assert(SlotFixtureNameOffset + FixtureNameLength == SlotPanCoarseOffset);
static_assert(StepNameOffset + StepNameLength == StepFromDmxOffset && StepStepDmxOffset + 1 == StepRecordSize);
static_assert(SlotTableOffset + FixtureSlotSize * FixtureSlotCount == FixtureCountOffset);
static_assert(NamesBlockOffset + NameFieldSize * NameFieldCount + 256 == NameIdTableOffset);
static_assert(NameIdTableOffset + NameIdRowSize * FixtureSlotCount + 512 == StepAreaOffset);

inline QString downloadSetFilter() { return QStringLiteral("Zelva71 DownLoad File(*.tzk)|*.tzk"); }

// The chosen name with ".tzk" appended unless its last four characters already are
// ".tzk" in any letter case.
QString DownloadSetFileName(const QString &chosen);

// What a composition yields besides its image.
struct ComposedSet
{
    QByteArray image;
    // The names block is filled only from a names file of exactly 2048 bytes; otherwise
    // the set is still composed, without names, and this says why.
    bool namesWritten = false;
    QString namesProblem;
    // The list index of the fixture file that refused the set, or -1.
    int failedFixture = -1;
};

// The fixture selection's test of a profile file: one whose header carries the
// duplicate-name flag is refused, and the reason names the channels that share a name. A
// file whose header cannot be read passes here; the composition says what is wrong with it.
Outcome CheckSharedNamesFlag(const QString &path);

// Told the list index of each fixture file just before it is read.
using FixtureReading = std::function<void(int index)>;

// Composes the image of a set of the fixture files `fixturePaths` (in set order, 1 to 255
// of them) and the channel names of `namesPath` ("ChNameDown.fix"). A fixture file that is
// missing or is not a valid profile refuses the whole set, with its path and the reason;
// `set.image` is then empty. A names file that cannot be used leaves the names out only;
// an empty `namesPath` leaves them out on purpose, with no problem to report.
Outcome ComposeDownloadSet(const QStringList &fixturePaths, const QString &namesPath, ComposedSet &set,
                           const FixtureReading &reading = {});

} // namespace zelvar
