// Conversion of a GDTF DMX mode into a fixture profile.
#include "gdtfimport/gdtfconversion.h"

#include "common/labels.h"
#include "fixtureimport/importtext.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace zelvar {

namespace {

using F = ImportFunction;
using R = GdtfRole;

struct AttributeRow
{
    const char *family; // lower case, "(n)" and "(m)" for the numbers
    ImportFunction function;
    GdtfRole role;
};

// The standard's attributes (Annex A) by family, and the name each goes by. Families the
// vocabulary has no word for (media, video, coordinates) are left out: their channels take
// their Pretty name.
const AttributeRow AttributeRows[] = {
    // Dimmer and position
    {"dimmer", F::Dimmer, R::Dimmer},
    {"pan", F::Pan, R::Pan},
    {"tilt", F::Tilt, R::Tilt},
    {"panrotate", F::Rotation, R::None},
    {"tiltrotate", F::Rotation, R::None},
    {"positioneffect", F::Movement, R::None},
    {"positioneffectrate", F::Speed, R::None},
    {"positioneffectfade", F::Effect, R::None},
    // Gobo wheels and animation
    {"gobo(n)", F::Gobo, R::None},
    {"gobo(n)selectspin", F::Gobo, R::None},
    {"gobo(n)selectshake", F::Gobo, R::None},
    {"gobo(n)selecteffects", F::Gobo, R::None},
    {"gobo(n)wheelindex", F::Rotation, R::None},
    {"gobo(n)wheelspin", F::Rotation, R::None},
    {"gobo(n)wheelshake", F::Effect, R::None},
    {"gobo(n)wheelrandom", F::Effect, R::None},
    {"gobo(n)wheelaudio", F::Effect, R::None},
    {"gobo(n)pos", F::GoboRotation, R::None},
    {"gobo(n)posrotate", F::GoboRotation, R::None},
    {"gobo(n)posshake", F::GoboRotation, R::None},
    {"animationwheel(n)", F::Effect, R::None},
    {"animationwheel(n)audio", F::Effect, R::None},
    {"animationwheel(n)macro", F::Effect, R::None},
    {"animationwheel(n)random", F::Effect, R::None},
    {"animationwheel(n)selecteffects", F::Effect, R::None},
    {"animationwheel(n)selectshake", F::Effect, R::None},
    {"animationwheel(n)selectspin", F::Effect, R::None},
    {"animationwheel(n)pos", F::Rotation, R::None},
    {"animationwheel(n)posrotate", F::Rotation, R::None},
    {"animationwheel(n)posshake", F::Rotation, R::None},
    {"animationsystem(n)", F::Effect, R::None},
    {"animationsystem(n)ramp", F::Effect, R::None},
    {"animationsystem(n)shake", F::Effect, R::None},
    {"animationsystem(n)audio", F::Effect, R::None},
    {"animationsystem(n)random", F::Effect, R::None},
    {"animationsystem(n)macro", F::Effect, R::None},
    {"animationsystem(n)pos", F::Rotation, R::None},
    {"animationsystem(n)posrotate", F::Rotation, R::None},
    {"animationsystem(n)posshake", F::Rotation, R::None},
    {"animationsystem(n)posrandom", F::Rotation, R::None},
    {"animationsystem(n)posaudio", F::Rotation, R::None},
    {"playmode", F::Mode, R::None},
    {"playspeed", F::Speed, R::None},
    // Colour
    {"coloreffects(n)", F::ColorMacro, R::None},
    {"color(n)", F::Color, R::None},
    {"color(n)wheelindex", F::Rotation, R::None},
    {"color(n)wheelspin", F::Rotation, R::None},
    {"color(n)wheelrandom", F::Effect, R::None},
    {"color(n)wheelaudio", F::Effect, R::None},
    {"coloradd_r", F::Red, R::Light},
    {"coloradd_g", F::Green, R::Light},
    {"coloradd_b", F::Blue, R::Light},
    {"coloradd_c", F::Cyan, R::None},
    {"coloradd_m", F::Magenta, R::None},
    {"coloradd_y", F::Yellow, R::None},
    {"coloradd_ry", F::Amber, R::Light},
    {"coloradd_gy", F::Lime, R::Light},
    {"coloradd_w", F::White, R::Light},
    {"coloradd_ww", F::White, R::Light},
    {"coloradd_cw", F::White, R::Light},
    {"coloradd_uv", F::UV, R::Light},
    {"colorsub_r", F::Red, R::None},
    {"colorsub_g", F::Green, R::None},
    {"colorsub_b", F::Blue, R::None},
    {"colorsub_c", F::Cyan, R::None},
    {"colorsub_m", F::Magenta, R::None},
    {"colorsub_y", F::Yellow, R::None},
    {"colormacro(n)", F::ColorMacro, R::None},
    {"colormacro(n)rate", F::Speed, R::None},
    {"cto", F::CTO, R::None},
    {"ctc", F::CTC, R::None},
    {"ctb", F::CTC, R::None},
    {"hsb_hue", F::Hue, R::None},
    {"hsb_saturation", F::Saturation, R::None},
    {"hsb_brightness", F::Dimmer, R::Brightness},
    {"cie_brightness", F::Dimmer, R::Brightness},
    {"colorrgb_red", F::Red, R::None},
    {"colorrgb_green", F::Green, R::None},
    {"colorrgb_blue", F::Blue, R::None},
    {"colorrgb_cyan", F::Cyan, R::None},
    {"colorrgb_magenta", F::Magenta, R::None},
    {"colorrgb_yellow", F::Yellow, R::None},
    // Shutter and strobe
    {"strobeduration", F::Strobe, R::None},
    {"stroberate", F::Strobe, R::None},
    {"strobefrequency", F::Strobe, R::None},
    {"strobemodeshutter", F::Strobe, R::None},
    {"strobemodestrobe", F::Strobe, R::None},
    {"strobemodepulse", F::Strobe, R::None},
    {"strobemodepulseopen", F::Strobe, R::None},
    {"strobemodepulseclose", F::Strobe, R::None},
    {"strobemoderandom", F::Strobe, R::None},
    {"strobemoderandompulse", F::Strobe, R::None},
    {"strobemoderandompulseopen", F::Strobe, R::None},
    {"strobemoderandompulseclose", F::Strobe, R::None},
    {"strobemodeeffect", F::Strobe, R::None},
    {"shutter(n)", F::Shutter, R::Shutter},
    {"shutter(n)strobe", F::Strobe, R::Shutter},
    {"shutter(n)strobepulse", F::Strobe, R::Shutter},
    {"shutter(n)strobepulseclose", F::Strobe, R::Shutter},
    {"shutter(n)strobepulseopen", F::Strobe, R::Shutter},
    {"shutter(n)stroberandom", F::Strobe, R::Shutter},
    {"shutter(n)stroberandompulse", F::Strobe, R::Shutter},
    {"shutter(n)stroberandompulseclose", F::Strobe, R::Shutter},
    {"shutter(n)stroberandompulseopen", F::Strobe, R::Shutter},
    {"shutter(n)strobeeffect", F::Strobe, R::Shutter},
    // Beam
    {"iris", F::Iris, R::None},
    {"irisstrobe", F::Iris, R::None},
    {"irisstroberandom", F::Iris, R::None},
    {"irispulseclose", F::Iris, R::None},
    {"irispulseopen", F::Iris, R::None},
    {"irisrandompulseclose", F::Iris, R::None},
    {"irisrandompulseopen", F::Iris, R::None},
    {"frost(n)", F::Frost, R::None},
    {"frost(n)pulseopen", F::Frost, R::None},
    {"frost(n)pulseclose", F::Frost, R::None},
    {"frost(n)ramp", F::Frost, R::None},
    {"prism(n)", F::Prism, R::None},
    {"prism(n)selectspin", F::Prism, R::None},
    {"prism(n)macro", F::Prism, R::None},
    {"prism(n)pos", F::PrismRotation, R::None},
    {"prism(n)posrotate", F::PrismRotation, R::None},
    {"effects(n)", F::Effect, R::None},
    {"effects(n)rate", F::Speed, R::None},
    {"effects(n)fade", F::Effect, R::None},
    {"effects(n)adjust(m)", F::Effect, R::None},
    {"effects(n)pos", F::Rotation, R::None},
    {"effects(n)posrotate", F::Rotation, R::None},
    {"effectssync", F::Effect, R::None},
    {"beamshaper", F::Beam, R::None},
    {"beamshapermacro", F::Beam, R::None},
    {"beamshaperpos", F::Beam, R::None},
    {"beamshaperposrotate", F::Beam, R::None},
    {"zoom", F::Zoom, R::None},
    {"zoommodespot", F::Zoom, R::None},
    {"zoommodebeam", F::Zoom, R::None},
    {"digitalzoom", F::Zoom, R::None},
    {"focus(n)", F::Focus, R::None},
    {"focus(n)adjust", F::Focus, R::None},
    {"focus(n)distance", F::Focus, R::None},
    // Control: modes, speeds of movement, resets and the rest
    {"control(n)", F::Control, R::None},
    {"dimmermode", F::DimmerCurve, R::None},
    {"dimmercurve", F::DimmerCurve, R::None},
    {"blackoutmode", F::Mode, R::None},
    {"ledfrequency", F::Mode, R::None},
    {"ledzonemode", F::Mode, R::None},
    {"pixelmode", F::Mode, R::None},
    {"panmode", F::Mode, R::None},
    {"tiltmode", F::Mode, R::None},
    {"pantiltmode", F::Mode, R::None},
    {"positionmodes", F::Mode, R::None},
    {"gobo(n)wheelmode", F::Mode, R::None},
    {"gobowheelshortcutmode", F::Mode, R::None},
    {"animationwheel(n)mode", F::Mode, R::None},
    {"animationwheelshortcutmode", F::Mode, R::None},
    {"color(n)mode", F::Mode, R::None},
    {"colorwheelshortcutmode", F::Mode, R::None},
    {"cyanmode", F::Mode, R::None},
    {"magentamode", F::Mode, R::None},
    {"yellowmode", F::Mode, R::None},
    {"colormixmode", F::Mode, R::None},
    {"chromaticmode", F::Mode, R::None},
    {"colorcalibrationmode", F::Mode, R::None},
    {"colorconsistency", F::Mode, R::None},
    {"colorcontrol", F::Mode, R::None},
    {"colormodelmode", F::Mode, R::None},
    {"colorsettingsreset", F::Reset, R::None},
    {"coloruniformity", F::Mode, R::None},
    {"crimode", F::Mode, R::None},
    {"customcolor", F::Mode, R::None},
    {"uvstability", F::Mode, R::None},
    {"wavelengthcorrection", F::Mode, R::None},
    {"whitecount", F::Mode, R::None},
    {"strobemode", F::Mode, R::None},
    {"zoommode", F::Mode, R::None},
    {"focusmode", F::Mode, R::None},
    {"irismode", F::Mode, R::None},
    {"fan(n)mode", F::Mode, R::None},
    {"followspotmode", F::Mode, R::None},
    {"beameffectindexrotatemode", F::Mode, R::None},
    {"intensitymspeed", F::DimmerSpeed, R::None},
    {"positionmspeed", F::PanTiltSpeed, R::None},
    {"colormixmspeed", F::Speed, R::None},
    {"colorwheelselectmspeed", F::Speed, R::None},
    {"gobowheel(n)mspeed", F::Speed, R::None},
    {"irismspeed", F::Speed, R::None},
    {"prism(n)mspeed", F::Speed, R::None},
    {"focusmspeed", F::Speed, R::None},
    {"frost(n)mspeed", F::Speed, R::None},
    {"zoommspeed", F::Speed, R::None},
    {"framemspeed", F::Speed, R::None},
    {"globalmspeed", F::Speed, R::None},
    {"reflectoradjust", F::Control, R::None},
    {"fixtureglobalreset", F::Reset, R::None},
    {"dimmerreset", F::Reset, R::None},
    {"shutterreset", F::Reset, R::None},
    {"beamreset", F::Reset, R::None},
    {"colormixreset", F::Reset, R::None},
    {"colorwheelreset", F::Reset, R::None},
    {"focusreset", F::Reset, R::None},
    {"framereset", F::Reset, R::None},
    {"gobowheelreset", F::Reset, R::None},
    {"intensityreset", F::Reset, R::None},
    {"irisreset", F::Reset, R::None},
    {"positionreset", F::Reset, R::None},
    {"panreset", F::Reset, R::None},
    {"tiltreset", F::Reset, R::None},
    {"zoomreset", F::Reset, R::None},
    {"ctbreset", F::Reset, R::None},
    {"ctoreset", F::Reset, R::None},
    {"ctcreset", F::Reset, R::None},
    {"animationsystemreset", F::Reset, R::None},
    {"fixturecalibrationreset", F::Reset, R::None},
    {"function", F::Control, R::None},
    {"lampcontrol", F::Lamp, R::None},
    {"lamppowermode", F::Lamp, R::None},
    {"displayintensity", F::Control, R::None},
    {"dmxinput", F::Control, R::None},
    {"nofeature", F::NotUsed, R::None},
    // Fog and haze
    {"blower(n)", F::Fan, R::None},
    {"fan(n)", F::Fan, R::None},
    {"fans", F::Fan, R::None},
    {"fog(n)", F::Fog, R::None},
    {"haze(n)", F::Haze, R::None},
    // Shapers
    {"blade(n)a", F::Blade, R::None},
    {"blade(n)b", F::Blade, R::None},
    {"blade(n)rot", F::Rotation, R::None},
    {"bladesoft(n)a", F::Blade, R::None},
    {"bladesoft(n)b", F::Blade, R::None},
    {"keystone(n)a", F::Blade, R::None},
    {"keystone(n)b", F::Blade, R::None},
    {"shaperrot", F::Rotation, R::None},
    {"shapermacros", F::Macro, R::None},
    {"shapermacrosspeed", F::Speed, R::None},
};

// "Gobo2Pos" is "gobo(n)pos", "Effects1Adjust3" "effects(n)adjust(m)".
QString familyOf(const QString &attribute)
{
    QString family;
    int numbers = 0;
    for (int i = 0; i < attribute.size(); ++i) {
        const QChar c = attribute.at(i);
        if (c.isDigit()) {
            if (i == 0 || !attribute.at(i - 1).isDigit())
                family += numbers++ == 0 ? QStringLiteral("(n)") : numbers == 2 ? QStringLiteral("(m)") : QString(c);
            else if (numbers > 2)
                family += c;
        } else {
            family += c.toLower();
        }
    }
    return family;
}

// The channel named as a wheel, its slot names for the steps.
QString slotName(const GdtfDescription &d, const GdtfChannelFunction &f, int slot, QSet<QString> *pictures)
{
    const GdtfWheel *wheel = slot > 0 ? d.wheel(f.wheel) : nullptr;
    if (!wheel || slot > wheel->wheelSlots.size())
        return QString();
    const GdtfWheelSlot &s = wheel->wheelSlots.at(slot - 1);
    if (s.hasPicture && pictures)
        pictures->insert(wheel->name + QLatin1Char('\n') + QString::number(slot));
    return s.name;
}

bool snaps(const QString &snap)
{
    return snap.compare(QLatin1String("Yes"), Qt::CaseInsensitive) == 0
        || snap.compare(QLatin1String("On"), Qt::CaseInsensitive) == 0;
}

bool grandMaster(const GdtfDmxChannel &c)
{
    return !c.logicalChannels.isEmpty()
        && c.logicalChannels.constFirst().master.compare(QLatin1String("Grand"), Qt::CaseInsensitive) == 0;
}

QString firstAttribute(const GdtfDmxChannel &c)
{
    return c.logicalChannels.isEmpty() ? QString() : c.logicalChannels.constFirst().attribute;
}

QString plural(int n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
}

// ---------------------------------------------------------------------------------------
// The profile's channels

// One channel of the profile and where it comes from.
struct PlannedChannel
{
    const GdtfDmxChannel *source = nullptr; // nullptr: no DMX channel of the mode uses it
    int byte = 0;                           // 0 coarse, 1 fine, 2 and on beyond
    GdtfAttributeUse use;
    ChannelToName name;
    QString sourceName; // as the preview shows it
};

// A name for an attribute the vocabulary lacks: its Pretty name, else itself, cut readably.
QString ownName(const GdtfDescription &d, const QString &attribute)
{
    const GdtfAttribute *known = d.attribute(attribute);
    const QString text = known && !known->pretty.isEmpty() ? known->pretty : attribute;
    const QString name = StepName(text, ChannelNameLength);
    return name.isEmpty() ? FunctionName(ImportFunction::Special, false) : name;
}

// Profile channel n is DMX channel n of the mode; the notes tell what has no place.
QVector<PlannedChannel> planChannels(const GdtfDescription &d, const GdtfMode &m, int footprint,
                                     QStringList &warnings)
{
    QVector<PlannedChannel> planned(footprint);
    for (const GdtfDmxChannel &c : m.channels) {
        if (c.offsets.isEmpty()) {
            warnings << QStringLiteral("The virtual channel %1 has no DMX address (Offset \"None\"); it is left out.")
                            .arg(QuotedText(c.name()));
            continue;
        }
        for (int b = 0; b < c.offsets.size(); ++b) {
            PlannedChannel &p = planned[c.offsets.at(b) - 1];
            p.source = &c;
            p.byte = b;
        }
    }
    for (int i = 0; i < footprint; ++i) {
        PlannedChannel &p = planned[i];
        const int channel = i + 1;
        if (!p.source) {
            p.use = {ImportFunction::NotUsed, GdtfRole::None, true};
            p.name = {FunctionName(ImportFunction::NotUsed, false), ImportFunction::NotUsed, NameClaim::Other,
                      channelLabel(channel).trimmed()};
            warnings << QStringLiteral("%1: no DMX channel of the mode uses it; it is named \"Not Used\".")
                            .arg(p.name.label);
            continue;
        }
        const QString attribute = firstAttribute(*p.source);
        p.use = GdtfAttributeFunction(attribute);
        p.name.label = ImportNoteLabel(channel, p.source->name());
        p.name.function = p.use.function;
        if (p.byte >= 2) {
            p.sourceName = QStringLiteral("%1 (byte %2)").arg(p.source->name()).arg(p.byte + 1);
            p.name.name = FunctionName(ImportFunction::NotUsed, false);
            p.name.function = ImportFunction::NotUsed;
            warnings << QStringLiteral("%1: byte %2 of its %3-bit value is not used; the profile keeps the coarse "
                                       "and the fine byte.")
                            .arg(p.name.label)
                            .arg(p.byte + 1)
                            .arg(8 * p.source->offsets.size());
            continue;
        }
        const bool fine = p.byte == 1;
        p.sourceName = fine ? p.source->name() + QStringLiteral(" (fine)") : p.source->name();
        p.name.name = p.use.known ? FunctionName(p.use.function, fine)
                                  : fine ? FineName(ownName(d, attribute)) : ownName(d, attribute);
        if (!fine) {
            p.name.claim = grandMaster(*p.source)       ? NameClaim::MasterDimmer
                         : p.use.role == GdtfRole::Dimmer ? NameClaim::Dimmer
                                                          : NameClaim::Other;
        }
    }
    return planned;
}

QVector<ChannelToName> wantedNames(const QVector<PlannedChannel> &planned)
{
    QVector<ChannelToName> wanted;
    for (const PlannedChannel &p : planned)
        wanted << p.name;
    return wanted;
}

// ---------------------------------------------------------------------------------------
// Steps

// The channel's steps from all its logical channels' functions in DMX order: each named
// set (or set pointing at a wheel slot) from its start to one below the next set's start,
// a function without named sets as one step, all at the coarse byte.
QVector<ImportStep> channelSteps(const GdtfDescription &d, const GdtfDmxChannel &c, const QString &label,
                                 QStringList &warnings, QSet<QString> &pictures)
{
    struct Function
    {
        const GdtfChannelFunction *f;
        int start;
    };
    QVector<Function> functions;
    int dependent = 0;
    for (const GdtfLogicalChannel &logical : c.logicalChannels) {
        for (const GdtfChannelFunction &f : logical.functions) {
            if (!f.modeMaster.isEmpty()) {
                ++dependent;
                continue;
            }
            functions.append({&f, f.from.valid ? f.from.coarse() : 0});
        }
    }
    if (dependent > 0)
        warnings << QStringLiteral("%1: %2 on the value of another channel (ModeMaster); the profile cannot "
                                   "switch, so %3 left out.")
                        .arg(label, plural(dependent, "function depends", "functions depend"),
                             QString::fromLatin1(dependent == 1 ? "it is" : "they are"));
    std::stable_sort(functions.begin(), functions.end(),
                     [](const Function &a, const Function &b) { return a.start < b.start; });

    QVector<ImportStep> steps;
    const auto dropped = [&](const QString &what) {
        warnings << QStringLiteral("%1: %2 has no DMX value of its own at 8 bits; it is dropped.").arg(label, what);
    };
    for (int i = 0; i < functions.size(); ++i) {
        const GdtfChannelFunction &f = *functions.at(i).f;
        const int start = functions.at(i).start;
        const int next = i + 1 < functions.size() ? functions.at(i + 1).start : 256;
        // GDTF 1.0 gives each function its end; later versions end it at the next one.
        const int end = f.to.valid ? std::min(f.to.coarse(), next - 1) : next - 1;
        const QString functionName = f.name.isEmpty() ? f.attribute : f.name;
        if (end < start) {
            dropped(QStringLiteral("the function %1").arg(QuotedText(functionName)));
            continue;
        }
        struct Set
        {
            QString name;
            int start;
            const GdtfChannelSet *set;
        };
        QVector<Set> sets;
        bool named = false;
        for (const GdtfChannelSet &s : f.sets) {
            QString name = s.name;
            if (name.isEmpty())
                name = slotName(d, f, s.wheelSlot, &pictures);
            named = named || !name.isEmpty();
            sets.append({name, s.from.valid ? s.from.coarse() : start, &s});
        }
        if (!named) {
            steps.append({start, end, functionName, 0, 0});
            continue;
        }
        std::stable_sort(sets.begin(), sets.end(), [](const Set &a, const Set &b) { return a.start < b.start; });
        for (int j = 0; j < sets.size(); ++j) {
            const Set &s = sets.at(j);
            if (s.name.isEmpty())
                continue;
            const int from = std::max(s.start, start);
            const int nextSet = j + 1 < sets.size() ? sets.at(j + 1).start - 1 : end;
            const int to = std::min(s.set->to.valid ? std::min(s.set->to.coarse(), nextSet) : nextSet, end);
            if (s.start > end) {
                warnings << QStringLiteral("%1: the channel set %2 lies beyond its function %3; it is dropped.")
                                .arg(label, QuotedText(s.name), QuotedText(functionName));
                continue;
            }
            if (to < from) {
                dropped(QStringLiteral("the channel set %1").arg(QuotedText(s.name)));
                continue;
            }
            steps.append({from, to, s.name, 0, 0});
        }
    }
    for (int i = 0; i < steps.size(); ++i)
        steps[i].first = steps[i].last = i + 1;
    return FitImportedSteps(steps, label, QStringLiteral("channel sets and functions"), warnings);
}

} // namespace

GdtfAttributeUse GdtfAttributeFunction(const QString &attribute)
{
    static const QHash<QString, GdtfAttributeUse> table = [] {
        QHash<QString, GdtfAttributeUse> t;
        for (const AttributeRow &row : AttributeRows)
            t.insert(QString::fromLatin1(row.family), {row.function, row.role, true});
        return t;
    }();
    return table.value(familyOf(attribute));
}

namespace {

// The mode's DMX footprint: the highest offset of its channels on DMX break 1.
int footprintOf(const GdtfMode &m)
{
    int footprint = 0;
    for (const GdtfDmxChannel &c : m.channels) {
        if (c.dmxBreak == 1 && !c.overwrite && c.offsetValid) {
            for (int offset : c.offsets)
                footprint = std::max(footprint, offset);
        }
    }
    return footprint;
}

} // namespace

ImportModeFit CheckGdtfMode(const GdtfDescription &d, int mode)
{
    ImportModeFit fit;
    const auto refuse = [&fit](const QString &summary, const QString &problem) {
        fit.summary = summary;
        fit.problem = problem;
        return fit;
    };
    if (d.modes.isEmpty())
        return refuse(QStringLiteral("the definition has no modes"),
                      QStringLiteral("the fixture type has no DMX modes"));
    if (mode < 0 || mode >= d.modes.size())
        return refuse(QStringLiteral("no such mode"), QStringLiteral("the fixture type has no mode %1").arg(mode + 1));
    const GdtfMode &m = d.modes.at(mode);
    fit.channelCount = footprintOf(m);
    QHash<int, const GdtfDmxChannel *> used;
    for (const GdtfDmxChannel &c : m.channels) {
        if (c.overwrite)
            return refuse(QStringLiteral("channels addressed by geometry references"),
                          QStringLiteral("its channel %1 takes its address from the geometries that refer to it "
                                         "(DMXBreak \"Overwrite\"); a profile cannot place it")
                              .arg(QuotedText(c.name())));
        if (c.dmxBreak < 1)
            return refuse(QStringLiteral("a DMXBreak that is no number"),
                          QStringLiteral("its channel %1 has a DMXBreak that is no number").arg(QuotedText(c.name())));
        const bool addresses =
            c.offsetValid && std::all_of(c.offsets.cbegin(), c.offsets.cend(), [](int o) { return o >= 1; });
        if (!addresses)
            return refuse(QStringLiteral("an Offset that is no DMX channel"),
                          QStringLiteral("its channel %1 has the Offset %2, which names no DMX channels")
                              .arg(QuotedText(c.name()), QuotedText(c.offsetText)));
    }
    for (const GdtfDmxChannel &c : m.channels) {
        if (!c.offsets.isEmpty() && c.dmxBreak != 1)
            return refuse(QStringLiteral("a second DMX break"),
                          QStringLiteral("its channel %1 is on DMX break %2; a profile has one DMX address")
                              .arg(QuotedText(c.name()))
                              .arg(c.dmxBreak));
        for (int offset : c.offsets) {
            if (const GdtfDmxChannel *other = used.value(offset))
                return refuse(QStringLiteral("a DMX channel used twice"),
                              QStringLiteral("its DMX channel %1 is used by %2 and by %3")
                                  .arg(offset)
                                  .arg(QuotedText(other->name()), QuotedText(c.name())));
            used.insert(offset, &c);
        }
    }
    if (fit.channelCount == 0)
        return refuse(QStringLiteral("no channels"), QStringLiteral("it has no DMX channel with an address"));
    if (fit.channelCount > MaxChannels)
        return refuse(QStringLiteral("more than %1 channels").arg(MaxChannels),
                      QStringLiteral("%1 channels; a profile holds at most %2").arg(fit.channelCount).arg(MaxChannels));
    return fit;
}

Outcome ConvertGdtfMode(const GdtfDescription &d, int mode, ChannelNameTable &names, ImportedFixture &fixture,
                        const QString &fixtureName)
{
    const ImportModeFit fit = CheckGdtfMode(d, mode);
    if (!fit.fits())
        return Outcome::failure(fit.problem);
    const GdtfMode &m = d.modes.at(mode);

    ImportedFixture result;
    StartImportedProfile(result, fit.channelCount, fixtureName.isEmpty() ? GdtfFixtureName(d, mode) : fixtureName);
    FixtureProfile &profile = result.profile;
    QStringList &warnings = result.warnings;
    if (d.minorVersion > 2)
        warnings << QStringLiteral("GDTF %1 is newer than 1.2; it is read as 1.2.").arg(d.dataVersion);
    if (d.hasPhysical)
        warnings << QStringLiteral("Physical data (emitters, filters, models, geometries) is not kept.");
    if (m.relations > 0)
        warnings << QStringLiteral("%1 between channels (multiply, override) %2 not kept.")
                        .arg(plural(m.relations, "relation", "relations"),
                             QString::fromLatin1(m.relations == 1 ? "is" : "are"));
    if (m.macros > 0)
        warnings << QStringLiteral("The mode's %1 %2 not kept.")
                        .arg(plural(m.macros, "macro", "macros"), QString::fromLatin1(m.macros == 1 ? "is" : "are"));

    const QVector<PlannedChannel> planned = planChannels(d, m, fit.channelCount, warnings);
    const QVector<bool> added = NameImportedChannels(wantedNames(planned), names, result);

    MasterCandidates found;
    QSet<QString> pictures;
    for (int i = 0; i < planned.size(); ++i) {
        const PlannedChannel &p = planned.at(i);
        const int channel = i + 1;
        ChannelEntry &entry = profile.channels[size_t(i)];
        const QString shownName = ImportedEntryName(names, entry.nameId);
        QVector<ImportStep> steps;
        if (p.source && p.byte == 0)
            steps = channelSteps(d, *p.source, p.name.label, warnings, pictures);
        const bool unused = !p.source || p.byte >= 2;
        const bool snap =
            unused || snaps(p.source->logicalChannels.isEmpty() ? QString() : p.source->logicalChannels.first().snap);
        entry.fadeMode = quint8(snap ? FadeMode::SnapBefore : FadeMode::Fade);
        entry.stepCount = quint8(FillImportedSteps(profile, channel, steps, shownName));

        ImportedChannel shown;
        shown.sourceName = p.sourceName;
        shown.nameId = entry.nameId;
        shown.name = shownName;
        shown.nameAdded = added.at(i);
        shown.fadeMode = FadeMode(entry.fadeMode);
        shown.capabilityCount = int(steps.size());
        shown.stepCount = entry.stepCount;
        result.channels << shown;

        if (unused)
            continue;
        const bool fine = p.byte == 1;
        switch (p.use.role) {
        case GdtfRole::Pan:
            SetPositionChannel(fine ? profile.setup.panFine : profile.setup.panCoarse, channel,
                               fine ? "fine pan" : "pan", p.name.label, warnings);
            break;
        case GdtfRole::Tilt:
            SetPositionChannel(fine ? profile.setup.tiltFine : profile.setup.tiltCoarse, channel,
                               fine ? "fine tilt" : "tilt", p.name.label, warnings);
            break;
        case GdtfRole::Shutter:
            if (!fine && found.shutterChannel == 0) {
                const auto closed = std::find_if(steps.cbegin(), steps.cend(),
                                                 [](const ImportStep &s) { return IsClosedText(s.text); });
                if (closed != steps.cend()) {
                    found.shutterChannel = channel;
                    found.shutterValue = (closed->from + closed->to) / 2;
                }
            }
            break;
        default:
            break;
        }
        if (fine)
            continue;
        if (grandMaster(*p.source))
            found.masters << channel;
        else if (p.use.role == GdtfRole::Dimmer)
            found.dimmers << channel;
        else if (p.use.role == GdtfRole::Brightness)
            found.groupDimmers << channel;
        else if (p.use.role == GdtfRole::Light)
            found.colourIntensities << channel;
    }
    if (!pictures.isEmpty())
        warnings << QStringLiteral("The pictures and colours of %1 are not kept.")
                        .arg(plural(int(pictures.size()), "wheel slot", "wheel slots"));
    ChooseMasterAndBlack(found, profile.setup, warnings);
    fixture = std::move(result);
    return Outcome::success();
}

QStringList GdtfChannelNames(const GdtfDescription &d, int mode, const ChannelNameTable &names)
{
    const QVector<ChannelToName> wanted = GdtfChannelsToName(d, mode);
    return wanted.isEmpty() ? QStringList() : ImportedChannelNames(wanted, names);
}

QVector<ChannelToName> GdtfChannelsToName(const GdtfDescription &d, int mode)
{
    const ImportModeFit fit = CheckGdtfMode(d, mode);
    if (!fit.fits())
        return {};
    QStringList ignored;
    return wantedNames(planChannels(d, d.modes.at(mode), fit.channelCount, ignored));
}

QStringList GdtfModeNames(const GdtfDescription &d)
{
    QStringList names;
    for (const GdtfMode &m : d.modes)
        names << m.name;
    return names;
}

QStringList GdtfFixtureNames(const GdtfDescription &d, const QSet<QString> &taken)
{
    return ImportedFixtureNames(ImportedModelText(d.model(), d.manufacturer), GdtfModeNames(d), taken);
}

QString GdtfFixtureName(const GdtfDescription &d, int mode)
{
    return ImportedFixtureName(ImportedModelText(d.model(), d.manufacturer), GdtfModeNames(d), mode);
}

QString GdtfFileName(const GdtfDescription &d, int mode)
{
    const bool known = mode >= 0 && mode < d.modes.size();
    return ImportedFileName(ImportedModelText(d.model(), d.manufacturer), known ? d.modes.at(mode).name : QString());
}

} // namespace zelvar
