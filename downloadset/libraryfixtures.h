// The four library fixture profiles that every fixture selection starts with: generic
// fixtures of 16, 8, 6 and 4 channels kept beside the programs.
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

// Writes again each library file that is missing from `folder`, with the bytes the build
// puts there; files that are there stay as they are. A failure names the file.
Outcome RestoreMissingLibraryFixtures(const QString &folder);

} // namespace zelvar
