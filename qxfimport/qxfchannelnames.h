// What a channel of a QLC+ fixture does, told by its preset, its group and the words of its
// name, and the channel name the import gives it: one spelling per function, at most eight
// characters, the built-in name where one fits ("Red", "P/T Spd"), else a readable word
// ("White", "Frost", "Reset") that the import adds to the channel-name table.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace zelvar {

// The kind of a channel, which decides its fade mode and which function its name goes by
// when its text names several.
enum class QxfFamily { Position, Intensity, Colour, ColourMixer, Gobo, Prism, Shutter, Beam, Speed, Effect,
                       Maintenance, Nothing, Other };

enum class QxfFunction {
    None,
    Pan,
    Tilt,
    PanTiltSpeed,
    Dimmer,
    Red,
    Green,
    Blue,
    White,
    Amber,
    UV,
    Lime,
    Indigo,
    Orange,
    Cyan,
    Magenta,
    Yellow,
    Hue,
    Saturation,
    CTO,
    CTC,
    Color,
    ColorMacro,
    Shutter,
    Strobe,
    Iris,
    Focus,
    Zoom,
    Frost,
    Beam,
    Gobo,
    GoboRotation,
    Prism,
    PrismRotation,
    Rotation,
    Mirror,
    Effect,
    Macro,
    Program,
    Movement,
    Sound,
    Laser,
    Fog,
    Haze,
    Speed,
    DimmerSpeed,
    Fan,
    Lamp,
    Reset,
    Mode,
    Curve,
    DimmerCurve,
    Control,
    Special,
    NotUsed,
};

// The functions a channel's name states, each once, in the order it states them; words
// that belong together count as one function ("Pan/Tilt speed", "Gobo rotation", "Colour
// macros"). "Dimmer/Strobe" gives Dimmer and Strobe; "Ch 1" gives none.
QVector<QxfFunction> StatedFunctions(const QString &channelName);
// Whether the name marks the low byte of a 16-bit pair ("Pan fine", "Dimmer LSB").
bool StatesFine(const QString &channelName);

QxfFamily FamilyOf(QxfFunction function);

// The function's channel name, or the name of its fine channel: "White", "Wht Fine".
QString FunctionName(QxfFunction function, bool fine);

// The name of the n-th channel (1-based) of one name in a fixture that has `count` of
// them: "Red", "Red 2", "Dimmer16"; two gobo wheels are "Gobo1" and "Gobo2", as are their
// rotations and two colour wheels, whose numbered names are built in.
QString NumberedName(const QString &name, int n, int count);

// Built-in names that stand in for the function when the channel-name table has no room
// for its own name, the closest first.
QStringList StandInNames(QxfFunction function);

} // namespace zelvar
