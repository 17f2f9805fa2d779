// What a channel of a QLC+ fixture does, as the words of its name state it; the names the
// functions go by are the import's shared vocabulary.
#pragma once

#include "fixtureimport/importfunctions.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace zelvar {

// The functions a channel's name states, each once, in the order it states them; words
// that belong together count as one function ("Pan/Tilt speed", "Gobo rotation", "Colour
// macros"). "Dimmer/Strobe" gives Dimmer and Strobe; "Ch 1" gives none.
QVector<ImportFunction> StatedFunctions(const QString &channelName);
// Whether the name marks the low byte of a 16-bit pair ("Pan fine", "Dimmer LSB").
bool StatesFine(const QString &channelName);

} // namespace zelvar
