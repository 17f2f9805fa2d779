// The import's channel-name vocabulary and the words of QLC+ channel names that call it up.
#include "qxfimport/qxfchannelnames.h"

#include "channames/channelnametable.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

namespace zelvar {

namespace {

struct FunctionInfo
{
    QxfFunction function;
    QxfFamily family;
    const char *name;
    const char *fineName; // nullptr: the name and "Fine", as room allows
};

// One row per function, in the order of QxfFunction.
const FunctionInfo Functions[] = {
    {QxfFunction::None, QxfFamily::Other, "Special", nullptr},
    {QxfFunction::Pan, QxfFamily::Position, "Pan", "Pan Fine"},
    {QxfFunction::Tilt, QxfFamily::Position, "Tilt", "Tlt Fine"},
    {QxfFunction::PanTiltSpeed, QxfFamily::Speed, "P/T Spd", "P/T Fine"},
    {QxfFunction::Dimmer, QxfFamily::Intensity, "Dimmer", "Dim Fine"},
    {QxfFunction::Red, QxfFamily::Intensity, "Red", nullptr},
    {QxfFunction::Green, QxfFamily::Intensity, "Green", "Grn Fine"},
    {QxfFunction::Blue, QxfFamily::Intensity, "Blue", "Blu Fine"},
    {QxfFunction::White, QxfFamily::Intensity, "White", "Wht Fine"},
    {QxfFunction::Amber, QxfFamily::Intensity, "Amber", "Amb Fine"},
    {QxfFunction::UV, QxfFamily::Intensity, "UV", nullptr},
    {QxfFunction::Lime, QxfFamily::Intensity, "Lime", nullptr},
    {QxfFunction::Indigo, QxfFamily::Intensity, "Indigo", "IndgFine"},
    {QxfFunction::Orange, QxfFamily::Intensity, "Orange", "OrngFine"},
    {QxfFunction::Cyan, QxfFamily::Intensity, "Cyan", "Cyn Fine"},
    {QxfFunction::Magenta, QxfFamily::Intensity, "Magenta", "Mag Fine"},
    {QxfFunction::Yellow, QxfFamily::Intensity, "Yellow", "Yel Fine"},
    {QxfFunction::Hue, QxfFamily::Intensity, "Hue", nullptr},
    {QxfFunction::Saturation, QxfFamily::Intensity, "Sat", nullptr},
    {QxfFunction::CTO, QxfFamily::ColourMixer, "CTO", nullptr},
    {QxfFunction::CTC, QxfFamily::ColourMixer, "CTC", nullptr},
    {QxfFunction::Color, QxfFamily::Colour, "Color", "Col Fine"},
    {QxfFunction::ColorMacro, QxfFamily::Colour, "ColMacro", "CMacFine"},
    {QxfFunction::Shutter, QxfFamily::Shutter, "Shutter", "ShutFine"},
    {QxfFunction::Strobe, QxfFamily::Shutter, "Strobe", "StrbFine"},
    {QxfFunction::Iris, QxfFamily::Beam, "Iris", nullptr},
    {QxfFunction::Focus, QxfFamily::Beam, "Focus", "Foc Fine"},
    {QxfFunction::Zoom, QxfFamily::Beam, "Zoom", nullptr},
    {QxfFunction::Frost, QxfFamily::Beam, "Frost", nullptr},
    {QxfFunction::Beam, QxfFamily::Beam, "Beam", nullptr},
    {QxfFunction::Gobo, QxfFamily::Gobo, "Gobo", nullptr},
    {QxfFunction::GoboRotation, QxfFamily::Gobo, "Gobo Rot", "GRotFine"},
    {QxfFunction::Prism, QxfFamily::Prism, "Prism", nullptr},
    {QxfFunction::PrismRotation, QxfFamily::Prism, "Prsm Rot", "PRotFine"},
    {QxfFunction::Rotation, QxfFamily::Effect, "Rotation", "Rot Fine"},
    {QxfFunction::Mirror, QxfFamily::Position, "Mirror", "Mir. Fine"},
    {QxfFunction::Effect, QxfFamily::Effect, "Effect", nullptr},
    {QxfFunction::Macro, QxfFamily::Effect, "Macros", nullptr},
    {QxfFunction::Program, QxfFamily::Effect, "Program", nullptr},
    {QxfFunction::Movement, QxfFamily::Effect, "Movement", nullptr},
    {QxfFunction::Sound, QxfFamily::Effect, "Sound", nullptr},
    {QxfFunction::Laser, QxfFamily::Effect, "Laser", nullptr},
    {QxfFunction::Fog, QxfFamily::Effect, "Fog", nullptr},
    {QxfFunction::Haze, QxfFamily::Effect, "Haze", nullptr},
    {QxfFunction::Speed, QxfFamily::Speed, "Speed", "Spd Fine"},
    {QxfFunction::DimmerSpeed, QxfFamily::Speed, "Dim Spd", nullptr},
    {QxfFunction::Fan, QxfFamily::Maintenance, "Fan Spd.", nullptr},
    {QxfFunction::Lamp, QxfFamily::Maintenance, "Lamp", nullptr},
    {QxfFunction::Reset, QxfFamily::Maintenance, "Reset", nullptr},
    {QxfFunction::Mode, QxfFamily::Maintenance, "Mode", nullptr},
    {QxfFunction::Curve, QxfFamily::Maintenance, "Curve", nullptr},
    {QxfFunction::DimmerCurve, QxfFamily::Maintenance, "DimCurve", nullptr},
    {QxfFunction::Control, QxfFamily::Maintenance, "Function", nullptr},
    {QxfFunction::Special, QxfFamily::Other, "Special", nullptr},
    {QxfFunction::NotUsed, QxfFamily::Nothing, "Not Used", nullptr},
};

const FunctionInfo &info(QxfFunction function)
{
    static_assert(sizeof(Functions) / sizeof(Functions[0]) == size_t(QxfFunction::NotUsed) + 1);
    return Functions[size_t(function)];
}

// The words of channel names that name a function, in lower case.
const QHash<QString, QxfFunction> &functionWords()
{
    static const QHash<QString, QxfFunction> words = [] {
        QHash<QString, QxfFunction> w;
        const auto add = [&w](QxfFunction f, std::initializer_list<const char *> list) {
            for (const char *word : list)
                w.insert(QString::fromLatin1(word), f);
        };
        add(QxfFunction::Pan, {"pan"});
        add(QxfFunction::Tilt, {"tilt"});
        add(QxfFunction::Dimmer, {"dimmer", "dimmers", "dim", "dimming"});
        add(QxfFunction::Red, {"red"});
        add(QxfFunction::Green, {"green", "grn"});
        add(QxfFunction::Blue, {"blue", "blu"});
        add(QxfFunction::White, {"white", "wht", "ww", "warmwhite", "coldwhite", "coolwhite"});
        add(QxfFunction::Amber, {"amber"});
        add(QxfFunction::UV, {"uv", "ultraviolet"});
        add(QxfFunction::Lime, {"lime"});
        add(QxfFunction::Indigo, {"indigo"});
        add(QxfFunction::Orange, {"orange"});
        add(QxfFunction::Cyan, {"cyan"});
        add(QxfFunction::Magenta, {"magenta"});
        add(QxfFunction::Yellow, {"yellow"});
        add(QxfFunction::Hue, {"hue"});
        add(QxfFunction::Saturation, {"saturation"});
        add(QxfFunction::CTO, {"cto"});
        add(QxfFunction::CTC, {"ctc", "cct", "ctb", "temperature", "temp"});
        add(QxfFunction::Color, {"colour", "color", "colours", "colors", "colourwheel", "colorwheel", "col", "cmy"});
        add(QxfFunction::Shutter, {"shutter", "shuter", "shutters", "stopper"});
        add(QxfFunction::Strobe,
            {"strobe", "strobes", "strobing", "stroboscope", "strobo", "stobe", "strob", "flash", "flashing"});
        add(QxfFunction::Iris, {"iris", "aperture"});
        add(QxfFunction::Focus, {"focus"});
        add(QxfFunction::Zoom, {"zoom", "zooming"});
        add(QxfFunction::Frost, {"frost", "diffuser", "diffusion"});
        add(QxfFunction::Beam, {"beam"});
        add(QxfFunction::Gobo, {"gobo", "gobos", "gobowheel", "globo", "rotogobo"});
        add(QxfFunction::Prism, {"prism", "prisms"});
        add(QxfFunction::Rotation,
            {"rotation", "rotations", "rotate", "rotating", "rot", "spin", "index", "indexing"});
        add(QxfFunction::Mirror, {"mirror"});
        add(QxfFunction::Effect, {"effect", "effects", "fx"});
        add(QxfFunction::Macro, {"macro", "macros"});
        add(QxfFunction::Program, {"program", "programs", "programme", "programmes", "prog", "show", "shows", "auto",
                                   "automatic", "chase", "chases", "chaser"});
        add(QxfFunction::Movement, {"movement", "movements", "move", "motion"});
        add(QxfFunction::Sound, {"sound", "audio", "music", "mic", "microphone"});
        add(QxfFunction::Laser, {"laser", "lasers"});
        add(QxfFunction::Fog, {"fog", "smoke", "pump"});
        add(QxfFunction::Haze, {"haze", "hazer"});
        add(QxfFunction::Speed, {"speed", "spd", "rate", "duration", "time", "tempo"});
        add(QxfFunction::Fan, {"fan", "fans"});
        add(QxfFunction::Lamp, {"lamp"});
        add(QxfFunction::Reset, {"reset"});
        add(QxfFunction::Mode, {"mode", "modes"});
        add(QxfFunction::Curve, {"curve", "curves"});
        add(QxfFunction::Control, {"control", "controls", "function", "functions", "settings", "maintenance"});
        add(QxfFunction::Special, {"special"});
        return w;
    }();
    return words;
}

// The name's words in lower case: letters and digits, a change between the two splitting
// a word ("Red1" is "red" and "1").
QStringList words(const QString &text)
{
    QStringList list;
    QString word;
    const auto flush = [&] {
        if (!word.isEmpty())
            list << word;
        word.clear();
    };
    for (const QChar c : text) {
        const char16_t u = c.toLower().unicode();
        const bool letter = u >= u'a' && u <= u'z';
        const bool digit = u >= u'0' && u <= u'9';
        if (!letter && !digit) {
            flush();
            continue;
        }
        if (!word.isEmpty() && (word.back().isDigit() != digit))
            flush();
        word += QChar(u);
    }
    flush();
    return list;
}

// Replaces `parts` (those present) by `whole` at the place of the first of them, when
// all of `needed` are present.
void combine(QVector<QxfFunction> &functions, std::initializer_list<QxfFunction> needed,
             std::initializer_list<QxfFunction> parts, QxfFunction whole)
{
    for (QxfFunction f : needed) {
        if (!functions.contains(f))
            return;
    }
    int first = int(functions.size());
    for (QxfFunction f : parts) {
        const int at = int(functions.indexOf(f));
        if (at >= 0)
            first = std::min(first, at);
    }
    for (QxfFunction f : parts)
        functions.removeAll(f);
    functions.insert(std::min(first, int(functions.size())), whole);
}

} // namespace

QVector<QxfFunction> StatedFunctions(const QString &channelName)
{
    // "Master", "intensity" and "brightness" make a dimmer only on their own: "Master red"
    // is the red channel.
    static const QSet<QString> dimmerQualifiers{QStringLiteral("master"), QStringLiteral("intensity"),
                                                QStringLiteral("brightness")};
    QVector<QxfFunction> functions;
    int qualifierAt = -1;
    for (const QString &word : words(channelName)) {
        const auto it = functionWords().constFind(word);
        if (it != functionWords().cend() && !functions.contains(it.value()))
            functions << it.value();
        else if (qualifierAt < 0 && dimmerQualifiers.contains(word))
            qualifierAt = int(functions.size());
    }
    using F = QxfFunction;
    const bool colour = std::any_of(functions.cbegin(), functions.cend(), [](QxfFunction f) {
        return FamilyOf(f) == QxfFamily::Intensity;
    });
    if (qualifierAt >= 0 && !colour)
        functions.insert(qualifierAt, F::Dimmer);
    const bool pan = functions.contains(F::Pan) || functions.contains(F::Tilt);
    if (pan && functions.contains(F::Speed))
        combine(functions, {}, {F::Pan, F::Tilt, F::Speed}, F::PanTiltSpeed);
    // A rotation turns the gobo or the prism named next to it: "Rotating prism/gobo macros".
    const auto distance = [&functions](QxfFunction f) {
        return std::abs(int(functions.indexOf(f)) - int(functions.indexOf(F::Rotation)));
    };
    const bool prismTurns = functions.contains(F::Prism)
        && (!functions.contains(F::Gobo) || distance(F::Prism) < distance(F::Gobo));
    if (prismTurns)
        combine(functions, {F::Prism, F::Rotation}, {F::Prism, F::Rotation}, F::PrismRotation);
    combine(functions, {F::Gobo, F::Rotation}, {F::Gobo, F::Rotation}, F::GoboRotation);
    combine(functions, {F::Prism, F::Rotation}, {F::Prism, F::Rotation}, F::PrismRotation);
    combine(functions, {F::Color, F::CTC}, {F::Color, F::CTC}, F::CTC);
    combine(functions, {F::Color, F::Macro}, {F::Color, F::Macro}, F::ColorMacro);
    combine(functions, {F::Dimmer, F::Speed}, {F::Dimmer, F::Speed}, F::DimmerSpeed);
    combine(functions, {F::Dimmer, F::Curve}, {F::Dimmer, F::Curve}, F::DimmerCurve);
    combine(functions, {F::Dimmer, F::Mode}, {F::Dimmer, F::Mode}, F::DimmerCurve);
    combine(functions, {F::Fan, F::Speed}, {F::Fan, F::Speed}, F::Fan);
    return functions;
}

bool StatesFine(const QString &channelName)
{
    const QStringList list = words(channelName);
    return list.contains(QLatin1String("fine")) || list.contains(QLatin1String("lsb"));
}

QxfFamily FamilyOf(QxfFunction function)
{
    return info(function).family;
}

QString FunctionName(QxfFunction function, bool fine)
{
    const FunctionInfo &i = info(function);
    const QString name = QString::fromLatin1(i.name);
    if (!fine)
        return name;
    if (i.fineName)
        return QString::fromLatin1(i.fineName);
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

QStringList StandInNames(QxfFunction function)
{
    using F = QxfFunction;
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
