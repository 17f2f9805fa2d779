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
// marker, the setup, all 16 fade modes, name ids and step counts of the used channels (the
// other fields of entries beyond the channel count zero) and the steps. The reserved bytes,
// which no set carries, are zero, and so is the duplicate flag, as in every profile a set
// was composed from (the composer takes no other), even when two channels share a name.
void ProfileFromSetFixture(const SetFixture &fixture, FixtureProfile &profile);

// "Chan 1 and Chan 3 share the channel name 6 "Dimmer"", one clause per shared name, or
// an empty text when the fixture's channels name distinct entries.
QString SharedChannelNamesNote(const SetFixture &fixture, const DownloadSet &set);

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
// complete; `written` gets the path of each file written, in order, and `notes` a line for
// each profile whose channels share a name ("002-Wash.zff: Chan 1 and Chan 3 share ...").
// The first failure ends the extraction and names the file.
Outcome ExtractDownloadSet(const DownloadSet &set, const QString &folder, QStringList &written, QStringList &notes);

} // namespace zelvar
