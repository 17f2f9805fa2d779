// The import's channel-name vocabulary: one name per function, the numbered names of
// several channels of one function, and the built-in names that stand in for them.
#include "fixtureimport/importfunctions.h"

#include "channames/channelnametable.h"

#include <QHash>

namespace zelvar {

namespace {

struct FunctionInfo
{
    ImportFunction function;
    ImportFamily family;
    const char *name;
    const char *fineName; // nullptr: the name and "Fine", as room allows
};

// One row per function, in the order of ImportFunction.
const FunctionInfo Functions[] = {
    {ImportFunction::None, ImportFamily::Other, "Special", nullptr},
    {ImportFunction::Pan, ImportFamily::Position, "Pan", "Pan Fine"},
    {ImportFunction::Tilt, ImportFamily::Position, "Tilt", "Tlt Fine"},
    {ImportFunction::PanTiltSpeed, ImportFamily::Speed, "P/T Spd", "P/T Fine"},
    {ImportFunction::Dimmer, ImportFamily::Intensity, "Dimmer", "Dim Fine"},
    {ImportFunction::Red, ImportFamily::Intensity, "Red", nullptr},
    {ImportFunction::Green, ImportFamily::Intensity, "Green", "Grn Fine"},
    {ImportFunction::Blue, ImportFamily::Intensity, "Blue", "Blu Fine"},
    {ImportFunction::White, ImportFamily::Intensity, "White", "Wht Fine"},
    {ImportFunction::Amber, ImportFamily::Intensity, "Amber", "Amb Fine"},
    {ImportFunction::UV, ImportFamily::Intensity, "UV", nullptr},
    {ImportFunction::Lime, ImportFamily::Intensity, "Lime", nullptr},
    {ImportFunction::Indigo, ImportFamily::Intensity, "Indigo", "IndgFine"},
    {ImportFunction::Orange, ImportFamily::Intensity, "Orange", "OrngFine"},
    {ImportFunction::Cyan, ImportFamily::Intensity, "Cyan", "Cyn Fine"},
    {ImportFunction::Magenta, ImportFamily::Intensity, "Magenta", "Mag Fine"},
    {ImportFunction::Yellow, ImportFamily::Intensity, "Yellow", "Yel Fine"},
    {ImportFunction::Hue, ImportFamily::Intensity, "Hue", nullptr},
    {ImportFunction::Saturation, ImportFamily::Intensity, "Sat", nullptr},
    {ImportFunction::CTO, ImportFamily::ColourMixer, "CTO", nullptr},
    {ImportFunction::CTC, ImportFamily::ColourMixer, "CTC", nullptr},
    {ImportFunction::Color, ImportFamily::Colour, "Color", "Col Fine"},
    {ImportFunction::ColorMacro, ImportFamily::Colour, "ColMacro", "CMacFine"},
    {ImportFunction::Shutter, ImportFamily::Shutter, "Shutter", "ShutFine"},
    {ImportFunction::Strobe, ImportFamily::Shutter, "Strobe", "StrbFine"},
    {ImportFunction::Iris, ImportFamily::Beam, "Iris", nullptr},
    {ImportFunction::Focus, ImportFamily::Beam, "Focus", "Foc Fine"},
    {ImportFunction::Zoom, ImportFamily::Beam, "Zoom", nullptr},
    {ImportFunction::Frost, ImportFamily::Beam, "Frost", nullptr},
    {ImportFunction::Beam, ImportFamily::Beam, "Beam", nullptr},
    {ImportFunction::Gobo, ImportFamily::Gobo, "Gobo", nullptr},
    {ImportFunction::GoboRotation, ImportFamily::Gobo, "Gobo Rot", "GRotFine"},
    {ImportFunction::Prism, ImportFamily::Prism, "Prism", nullptr},
    {ImportFunction::PrismRotation, ImportFamily::Prism, "Prsm Rot", "PRotFine"},
    {ImportFunction::Rotation, ImportFamily::Effect, "Rotation", "Rot Fine"},
    {ImportFunction::Mirror, ImportFamily::Position, "Mirror", "Mir. Fine"},
    {ImportFunction::Effect, ImportFamily::Effect, "Effect", nullptr},
    {ImportFunction::Macro, ImportFamily::Effect, "Macros", nullptr},
    {ImportFunction::Program, ImportFamily::Effect, "Program", nullptr},
    {ImportFunction::Movement, ImportFamily::Effect, "Movement", nullptr},
    {ImportFunction::Sound, ImportFamily::Effect, "Sound", nullptr},
    {ImportFunction::Laser, ImportFamily::Effect, "Laser", nullptr},
    {ImportFunction::Fog, ImportFamily::Effect, "Fog", nullptr},
    {ImportFunction::Haze, ImportFamily::Effect, "Haze", nullptr},
    {ImportFunction::Speed, ImportFamily::Speed, "Speed", "Spd Fine"},
    {ImportFunction::DimmerSpeed, ImportFamily::Speed, "Dim Spd", nullptr},
    {ImportFunction::Fan, ImportFamily::Maintenance, "Fan Spd.", nullptr},
    {ImportFunction::Lamp, ImportFamily::Maintenance, "Lamp", nullptr},
    {ImportFunction::Reset, ImportFamily::Maintenance, "Reset", nullptr},
    {ImportFunction::Mode, ImportFamily::Maintenance, "Mode", nullptr},
    {ImportFunction::Curve, ImportFamily::Maintenance, "Curve", nullptr},
    {ImportFunction::DimmerCurve, ImportFamily::Maintenance, "DimCurve", nullptr},
    {ImportFunction::Control, ImportFamily::Maintenance, "Function", nullptr},
    {ImportFunction::Special, ImportFamily::Other, "Special", nullptr},
    {ImportFunction::NotUsed, ImportFamily::Nothing, "Not Used", nullptr},
    {ImportFunction::Blade, ImportFamily::Beam, "Blade", nullptr},
};

const FunctionInfo &info(ImportFunction function)
{
    static_assert(sizeof(Functions) / sizeof(Functions[0]) == size_t(ImportFunction::Blade) + 1);
    return Functions[size_t(function)];
}

} // namespace

ImportFamily FamilyOf(ImportFunction function)
{
    return info(function).family;
}

QString FunctionName(ImportFunction function, bool fine)
{
    const FunctionInfo &i = info(function);
    const QString name = QString::fromLatin1(i.name);
    if (!fine)
        return name;
    return i.fineName ? QString::fromLatin1(i.fineName) : FineName(name);
}

QString FineName(const QString &name)
{
    for (const QString &candidate : {name + QStringLiteral(" Fine"), name + QStringLiteral("Fine")}) {
        if (candidate.size() <= ChannelNameLength)
            return candidate;
    }
    return name.left(4).remove(QLatin1Char(' ')) + QStringLiteral("Fine");
}

QString NumberedName(const QString &name, int n, int count)
{
    // Built-in numbered names for a fixture with two wheels of a kind.
    if (count >= 2 && n <= 2) {
        if (name == QLatin1String("Gobo") || name == QLatin1String("Color"))
            return name + QString::number(n);
        if (name == QLatin1String("Gobo Rot"))
            return QStringLiteral("Gobo%1Rot").arg(n);
    }
    if (n <= 1)
        return name;
    // Long names have a short form for their numbers: "Func 2", not "Functio2".
    static const QHash<QString, QString> shortForms{
        {QStringLiteral("Function"), QStringLiteral("Func")},
        {QStringLiteral("Movement"), QStringLiteral("Move")},
        {QStringLiteral("Rotation"), QStringLiteral("Rot")},
        {QStringLiteral("ColMacro"), QStringLiteral("ColMac")},
        {QStringLiteral("Not Used"), QStringLiteral("NotUsed")},
        {QStringLiteral("DimCurve"), QStringLiteral("DimCurv")},
    };
    const QString number = QString::number(n);
    const QString shortForm = shortForms.value(name, name);
    for (const QString &candidate : {name + QLatin1Char(' ') + number, shortForm + QLatin1Char(' ') + number,
                                     QString(shortForm).remove(QLatin1Char(' ')) + number}) {
        if (candidate.size() <= ChannelNameLength)
            return candidate;
    }
    return QString(shortForm).remove(QLatin1Char(' ')).left(ChannelNameLength - int(number.size())) + number;
}

QStringList StandInNames(ImportFunction function)
{
    using F = ImportFunction;
    QStringList names;
    switch (function) {
    case F::Red:
    case F::Green:
    case F::Blue:
    case F::White:
    case F::Amber:
    case F::UV:
    case F::Lime:
    case F::Indigo:
    case F::Orange:
    case F::Cyan:
    case F::Magenta:
    case F::Yellow:
    case F::Hue:
    case F::Saturation:
        names << QStringLiteral("Color1") << QStringLiteral("Color2");
        break;
    case F::CTO:
    case F::CTC:
        names << QStringLiteral("Color1") << QStringLiteral("Color2") << QStringLiteral("Color");
        break;
    case F::Color:
    case F::ColorMacro:
        names << QStringLiteral("Color") << QStringLiteral("Color1") << QStringLiteral("Color2")
              << QStringLiteral("Macros");
        break;
    case F::Shutter:
    case F::Strobe:
        names << QStringLiteral("Shutter");
        break;
    case F::Gobo:
        names << QStringLiteral("Gobo") << QStringLiteral("Gobo1") << QStringLiteral("Gobo2")
              << QStringLiteral("St. Gobo");
        break;
    case F::GoboRotation:
        names << QStringLiteral("Gobo Rot") << QStringLiteral("Gobo1Rot") << QStringLiteral("Gobo2Rot")
              << QStringLiteral("Rot Gobo") << QStringLiteral("Rotation");
        break;
    case F::PrismRotation:
        names << QStringLiteral("Prsm Rot") << QStringLiteral("Rotation");
        break;
    case F::Pan:
    case F::Tilt:
        names << QStringLiteral("Head");
        break;
    case F::PanTiltSpeed:
        names << QStringLiteral("P/T Spd") << QStringLiteral("Head Spd");
        break;
    case F::Mirror:
        names << QStringLiteral("Mirror");
        break;
    case F::Frost:
    case F::Beam:
    case F::Program:
    case F::Movement:
    case F::Sound:
    case F::Laser:
    case F::Fog:
    case F::Haze:
    case F::Effect:
    case F::Macro:
    case F::Rotation:
        names << QStringLiteral("Effect") << QStringLiteral("Macros");
        break;
    case F::Lamp:
    case F::Reset:
    case F::Mode:
    case F::Curve:
    case F::DimmerCurve:
    case F::Control:
    case F::Fan:
        names << QStringLiteral("Function");
        break;
    default:
        break;
    }
    names << QStringLiteral("Special");
    return names;
}

} // namespace zelvar
