// The import's channel-name vocabulary, shared by every kind of fixture file: what a
// channel does, and the channel name it gets for it: one spelling per function, at most
// eight characters, the built-in name where one fits ("Red", "P/T Spd"), else a readable
// word ("White", "Frost", "Reset") that the import adds to the channel-name table.
#pragma once

#include <QString>
#include <QStringList>

namespace zelvar {

// The kind of a channel, which decides its fade mode and which function its name goes by
// when its text names several.
enum class ImportFamily { Position, Intensity, Colour, ColourMixer, Gobo, Prism, Shutter, Beam, Speed, Effect,
                          Maintenance, Nothing, Other };

enum class ImportFunction {
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
    Blade,
};

ImportFamily FamilyOf(ImportFunction function);

// The function's channel name, or the name of its fine channel: "White", "Wht Fine".
QString FunctionName(ImportFunction function, bool fine);
// The name of the fine channel of a channel named `name`, within eight characters: "Fog
// Fine", "ZoomFine", "VideFine".
QString FineName(const QString &name);

// The name of the n-th channel (1-based) of one name in a fixture that has `count` of
// them: "Red", "Red 2", "Dimmer16"; two gobo wheels are "Gobo1" and "Gobo2", as are their
// rotations and two colour wheels, whose numbered names are built in.
QString NumberedName(const QString &name, int n, int count);

// Built-in names that stand in for the function when the channel-name table has no room
// for its own name, the closest first.
QStringList StandInNames(ImportFunction function);

} // namespace zelvar
