// The four library fixture profiles that every fixture selection starts with: generic
// fixtures of 16, 8, 6 and 4 channels kept beside the programs. They are only read; one
// that has gone from a folder the program may not write is kept in the user's data folder.
#pragma once

#include "common/outcome.h"
#include "fixture/fixtureprofile.h"

#include <QString>

#include <array>

namespace zelvar {

constexpr int LibraryFixtureCount = 4;

// "KZTFIX16.zff", "KZTFIX8.zff", "KZTFIX6.zff", "KZTFIX4.zff", in list order.
extern const std::array<const char *, LibraryFixtureCount> LibraryFixtureFileNames;

// The profile stored in library file `index` (0 to 3), ready to be written.
FixtureProfile LibraryFixtureProfile(int index);

// Writes the four library files into `folder`.
Outcome WriteLibraryFixtures(const QString &folder);

// Where library file `index` is read from: the program folder when it holds the file,
// else `restoreFolder`, where a missing one is written again (the program folder itself
// when the program may write it, else the user's data folder: see userFileFolder).
QString LibraryFixturePath(int index, const QString &programFolder, const QString &restoreFolder);
// The same for the running program.
QString LibraryFixturePath(int index);

// Writes each library file that is missing from `programFolder` into `restoreFolder` (when
// it is not there either), with the bytes the build puts there; files that are there stay
// as they are. A failure names the file.
Outcome RestoreMissingLibraryFixtures(const QString &programFolder, const QString &restoreFolder);

} // namespace zelvar
