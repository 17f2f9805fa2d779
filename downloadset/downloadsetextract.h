// A download set taken apart again: one fixture profile per fixture, and the two
// channel-name files when the set holds names. Composing the profiles in file-name order
// with the extracted "ChNameDown.fix" gives back the very same set.
#pragma once

#include "common/outcome.h"
#include "downloadset/downloadsetreader.h"
#include "fixture/fixtureprofile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zelvar {

// The profile a fixture of the set was composed from, as far as the set carries it: the
// marker, the duplicate flag from the used channels' name ids, the setup, all 16 fade modes,
// name ids and step counts of the used channels (the other fields of entries beyond the
// channel count zero) and the steps. The reserved bytes, which no set carries, are zero.
void ProfileFromSetFixture(const SetFixture &fixture, FixtureProfile &profile);

// "NNN-NAME.zff": the slot as three digits, then the fixture name made safe for a file
// name (trailing blanks and dots dropped, characters no file system takes as '_').
QString ExtractedProfileFileName(const SetFixture &fixture);

// "ChNameDown.fix" from the set's 256 name fields, blank-padded; a zero field stays eight
// NULs, so that composing again leaves it zero.
QByteArray ExtractedNameDownFile(const DownloadSet &set);

// "ChNameSet.fix": entries 0 to 58 the built-in names, 59 to 255 the set's (a zero field is
// an entry never set).
QByteArray ExtractedNameSetFile(const DownloadSet &set);

// Writes the profiles and, when the set holds names, the two name files into `folder`,
// which is created when missing. Each file is replaced only once its new content is
// complete; `written` gets the path of each file written, in order. The first failure ends
// the extraction and names the file.
Outcome ExtractDownloadSet(const DownloadSet &set, const QString &folder, QStringList &written);

} // namespace zelvar
