// The words of QLC+ channel names that call up the import's channel-name vocabulary.
#include "qxfimport/qxfchannelnames.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

namespace zelvar {

namespace {

// The words of channel names that name a function, in lower case.
const QHash<QString, ImportFunction> &functionWords()
{
    static const QHash<QString, ImportFunction> words = [] {
        QHash<QString, ImportFunction> w;
        const auto add = [&w](ImportFunction f, std::initializer_list<const char *> list) {
            for (const char *word : list)
                w.insert(QString::fromLatin1(word), f);
        };
        add(ImportFunction::Pan, {"pan"});
        add(ImportFunction::Tilt, {"tilt"});
        add(ImportFunction::Dimmer, {"dimmer", "dimmers", "dim", "dimming"});
        add(ImportFunction::Red, {"red"});
        add(ImportFunction::Green, {"green", "grn"});
        add(ImportFunction::Blue, {"blue", "blu"});
        add(ImportFunction::White, {"white", "wht", "ww", "warmwhite", "coldwhite", "coolwhite"});
        add(ImportFunction::Amber, {"amber"});
        add(ImportFunction::UV, {"uv", "ultraviolet"});
        add(ImportFunction::Lime, {"lime"});
        add(ImportFunction::Indigo, {"indigo"});
        add(ImportFunction::Orange, {"orange"});
        add(ImportFunction::Cyan, {"cyan"});
        add(ImportFunction::Magenta, {"magenta"});
        add(ImportFunction::Yellow, {"yellow"});
        add(ImportFunction::Hue, {"hue"});
        add(ImportFunction::Saturation, {"saturation"});
        add(ImportFunction::CTO, {"cto"});
        add(ImportFunction::CTC, {"ctc", "cct", "ctb", "temperature", "temp"});
        add(ImportFunction::Color, {"colour", "color", "colours", "colors", "colourwheel", "colorwheel", "col", "cmy"});
        add(ImportFunction::Shutter, {"shutter", "shuter", "shutters", "stopper"});
        add(ImportFunction::Strobe,
            {"strobe", "strobes", "strobing", "stroboscope", "strobo", "stobe", "strob", "flash", "flashing"});
        add(ImportFunction::Iris, {"iris", "aperture"});
        add(ImportFunction::Focus, {"focus"});
        add(ImportFunction::Zoom, {"zoom", "zooming"});
        add(ImportFunction::Frost, {"frost", "diffuser", "diffusion"});
        add(ImportFunction::Beam, {"beam"});
        add(ImportFunction::Gobo, {"gobo", "gobos", "gobowheel", "globo", "rotogobo"});
        add(ImportFunction::Prism, {"prism", "prisms"});
        add(ImportFunction::Rotation,
            {"rotation", "rotations", "rotate", "rotating", "rot", "spin", "index", "indexing"});
        add(ImportFunction::Mirror, {"mirror"});
        add(ImportFunction::Effect, {"effect", "effects", "fx"});
        add(ImportFunction::Macro, {"macro", "macros"});
        add(ImportFunction::Program, {"program", "programs", "programme", "programmes", "prog", "show", "shows", "auto",
                                   "automatic", "chase", "chases", "chaser"});
        add(ImportFunction::Movement, {"movement", "movements", "move", "motion"});
        add(ImportFunction::Sound, {"sound", "audio", "music", "mic", "microphone"});
        add(ImportFunction::Laser, {"laser", "lasers"});
        add(ImportFunction::Fog, {"fog", "smoke", "pump"});
        add(ImportFunction::Haze, {"haze", "hazer"});
        add(ImportFunction::Speed, {"speed", "spd", "rate", "duration", "time", "tempo"});
        add(ImportFunction::Fan, {"fan", "fans"});
        add(ImportFunction::Lamp, {"lamp"});
        add(ImportFunction::Reset, {"reset"});
        add(ImportFunction::Mode, {"mode", "modes"});
        add(ImportFunction::Curve, {"curve", "curves"});
        add(ImportFunction::Control, {"control", "controls", "function", "functions", "settings", "maintenance"});
        add(ImportFunction::Special, {"special"});
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
void combine(QVector<ImportFunction> &functions, std::initializer_list<ImportFunction> needed,
             std::initializer_list<ImportFunction> parts, ImportFunction whole)
{
    for (ImportFunction f : needed) {
        if (!functions.contains(f))
            return;
    }
    int first = int(functions.size());
    for (ImportFunction f : parts) {
        const int at = int(functions.indexOf(f));
        if (at >= 0)
            first = std::min(first, at);
    }
    for (ImportFunction f : parts)
        functions.removeAll(f);
    functions.insert(std::min(first, int(functions.size())), whole);
}

} // namespace

QVector<ImportFunction> StatedFunctions(const QString &channelName)
{
    // "Master", "intensity" and "brightness" make a dimmer only on their own: "Master red"
    // is the red channel.
    static const QSet<QString> dimmerQualifiers{QStringLiteral("master"), QStringLiteral("intensity"),
                                                QStringLiteral("brightness")};
    QVector<ImportFunction> functions;
    int qualifierAt = -1;
    for (const QString &word : words(channelName)) {
        const auto it = functionWords().constFind(word);
        if (it != functionWords().cend() && !functions.contains(it.value()))
            functions << it.value();
        else if (qualifierAt < 0 && dimmerQualifiers.contains(word))
            qualifierAt = int(functions.size());
    }
    using F = ImportFunction;
    const bool colour = std::any_of(functions.cbegin(), functions.cend(), [](ImportFunction f) {
        return FamilyOf(f) == ImportFamily::Intensity;
    });
    if (qualifierAt >= 0 && !colour)
        functions.insert(qualifierAt, F::Dimmer);
    const bool pan = functions.contains(F::Pan) || functions.contains(F::Tilt);
    if (pan && functions.contains(F::Speed))
        combine(functions, {}, {F::Pan, F::Tilt, F::Speed}, F::PanTiltSpeed);
    // A rotation turns the gobo or the prism named next to it: "Rotating prism/gobo macros".
    const auto distance = [&functions](ImportFunction f) {
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

} // namespace zelvar
