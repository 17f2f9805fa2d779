// Turns one DMX mode of a GDTF fixture type into a fixture profile the controller takes: the
// mode's DMX footprint as the profile's channels, each named by the attribute of its first
// logical channel from the channel-name table (which grows by the names it lacks), steps
// from the channel sets and functions in DMX order, and notes on all it drops.
#pragma once

#include "channames/channelnametable.h"
#include "common/outcome.h"
#include "fixtureimport/importconversion.h"
#include "gdtfimport/gdtfdescription.h"

#include <QSet>
#include <QString>
#include <QStringList>

namespace zelvar {

// What the import makes of a GDTF attribute: the function its channel is named after, and
// whether the standard's attribute tables know it (an attribute they lack is named by its
// Pretty name, cut readably).
enum class GdtfRole { None, Pan, Tilt, Dimmer, Shutter, Light, Brightness };
struct GdtfAttributeUse
{
    ImportFunction function = ImportFunction::Special;
    GdtfRole role = GdtfRole::None;
    bool known = false;
};
// By the attribute's family: its name without regard to case, the numbers of wheels and
// parameters left aside ("Gobo2Pos" is "Gobo(n)Pos").
GdtfAttributeUse GdtfAttributeFunction(const QString &attribute);

// Whether a profile can hold the mode: its DMX footprint (the highest Offset among its DMX
// channels) is 1 to 16, all on DMX break 1, each DMX channel used by one channel.
ImportModeFit CheckGdtfMode(const GdtfDescription &description, int mode);

// Converts mode `mode` (index into description.modes). Refuses a mode CheckGdtfMode
// refuses, leaving `names` as it was. Profile channel n is DMX channel n of the mode: an
// Offset "a,b" is a coarse channel at a and a fine one at b, bytes beyond the second and
// offsets no channel uses are "Not Used", a channel without offsets (virtual) is left out;
// each with a note. The fixture name is `fixtureName`, or GdtfFixtureName's when empty.
Outcome ConvertGdtfMode(const GdtfDescription &description, int mode, ChannelNameTable &names,
                        ImportedFixture &fixture, const QString &fixtureName = QString());

// The names the channels of mode `mode` get from `names`, which is left as it is; empty
// for a mode CheckGdtfMode refuses.
QStringList GdtfChannelNames(const GdtfDescription &description, int mode, const ChannelNameTable &names);
// How those channels ask to be named; empty for a mode CheckGdtfMode refuses.
QVector<ChannelToName> GdtfChannelsToName(const GdtfDescription &description, int mode);

// The fixture names of the modes (ImportedFixtureNames of the short name, else the name,
// and the modes' names), and the profile's file name of a mode.
QStringList GdtfFixtureNames(const GdtfDescription &description, const QSet<QString> &taken = {});
QString GdtfFixtureName(const GdtfDescription &description, int mode);
QString GdtfFileName(const GdtfDescription &description, int mode);
QStringList GdtfModeNames(const GdtfDescription &description);

} // namespace zelvar
