// The parts of a mode's conversion every import shares.
#include "fixtureimport/importconversion.h"

#include "channames/channelnamefiles.h"
#include "common/labels.h"
#include "fixtureimport/importtext.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace zelvar {

void StartImportedProfile(ImportedFixture &fixture, int channelCount, const QString &fixtureName)
{
    fixture = ImportedFixture();
    ResetProfileValues(fixture.profile, channelCount, fixtureName);
    fixture.profile.setup.blackChannel = AllChannels;
    fixture.profile.setup.masterMask = 0;
}

quint8 NumberedChannelNameId(int channel)
{
    static const int first = ChannelNameTable().findName(QStringLiteral("CHAN.01"));
    return quint8(first + std::clamp(channel, 1, MaxChannels) - 1);
}

QString ImportedEntryName(const ChannelNameTable &names, int id)
{
    if (id < BuiltInNameCount)
        return QString::fromLatin1(DefaultNames[size_t(id)]);
    const QString text = names.entries[size_t(id)].name.text();
    return withoutTrailingBlanks(text.left(text.indexOf(QChar(u'\0'))));
}

QString QuotedText(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString ImportNoteLabel(int channel, const QString &name)
{
    return channelLabel(channel).trimmed() + QLatin1Char(' ') + QuotedText(name);
}

QString ChannelListText(const QVector<int> &channels)
{
    QStringList labels;
    for (int c : channels)
        labels << channelLabel(c).trimmed();
    return labels.join(QStringLiteral(", "));
}

QVector<bool> NameImportedChannels(const QVector<ChannelToName> &channels, ChannelNameTable &names,
                                   ImportedFixture &fixture)
{
    const int count = int(channels.size());
    QVector<int> order;
    for (NameClaim claim : {NameClaim::MasterDimmer, NameClaim::Dimmer, NameClaim::Other}) {
        for (int i = 0; i < count; ++i) {
            if (channels.at(i).claim == claim)
                order << i;
        }
    }
    QHash<QString, int> perName;
    for (const ChannelToName &c : channels)
        ++perName[c.name];
    QHash<QString, int> handedOut;
    QSet<int> taken;
    QVector<bool> added(count, false);
    for (int i : order) {
        const ChannelToName &c = channels.at(i);
        const int total = perName.value(c.name);
        // A numbered name that another function's name happens to hold takes the next number.
        QString wanted;
        int id = -1;
        for (int n = ++handedOut[c.name];; n = ++handedOut[c.name]) {
            wanted = NumberedName(c.name, n, total);
            id = names.findName(wanted);
            if (id < 0 || !taken.contains(id))
                break;
        }
        if (id < 0)
            id = names.findOrAddName(wanted, &added[i]);
        if (id < 0) {
            // The table is full: the closest built-in name that is still free, else the
            // channel's own numbered name, which no other channel can hold.
            for (const QString &standIn : StandInNames(c.function)) {
                const int builtIn = names.findName(standIn);
                if (builtIn >= 0 && builtIn < BuiltInNameCount && !taken.contains(builtIn)) {
                    id = builtIn;
                    break;
                }
            }
            if (id < 0)
                id = NumberedChannelNameId(i + 1);
            fixture.warnings << QStringLiteral("%1: the channel-name table has no free entry for %2; it is named %3.")
                                    .arg(c.label, QuotedText(wanted), QuotedText(ImportedEntryName(names, id)));
        }
        if (added.at(i))
            fixture.addedNames << wanted;
        taken.insert(id);
        fixture.profile.channels[size_t(i)].nameId = quint8(id);
    }
    return added;
}

QStringList ImportedChannelNames(const QVector<ChannelToName> &channels, const ChannelNameTable &names)
{
    ChannelNameTable scratch = names;
    ImportedFixture fixture;
    NameImportedChannels(channels, scratch, fixture);
    QStringList shown;
    for (int i = 0; i < channels.size(); ++i)
        shown << ImportedEntryName(scratch, fixture.profile.channels[size_t(i)].nameId);
    return shown;
}

namespace {

bool isVowel(QChar c)
{
    const QChar l = c.toLower();
    return l == QLatin1Char('a') || l == QLatin1Char('e') || l == QLatin1Char('i') || l == QLatin1Char('o')
        || l == QLatin1Char('u');
}

// The words of `text` as (start, length), from the left: runs of letters, a capital after
// a small letter starting a word of its own ("AllExcpt" is "All" and "Excpt").
QVector<std::pair<int, int>> letterRuns(const QString &text)
{
    QVector<std::pair<int, int>> runs;
    for (int i = 0; i < text.size();) {
        if (!text.at(i).isLetter()) {
            ++i;
            continue;
        }
        int end = i + 1;
        while (end < text.size() && text.at(end).isLetter()
               && !(text.at(end).isUpper() && text.at(end - 1).isLower()))
            ++end;
        runs.append({i, end - i});
        i = end;
    }
    return runs;
}

// One character fewer, the one that says least: a vowel of the longest word (never its
// first letter), else the last letter of the longest word of two or more, else a blank,
// else a sign; a digit only when nothing else is left. The rightmost of equal words goes
// first.
bool dropOne(QString &text)
{
    const QVector<std::pair<int, int>> runs = letterRuns(text);
    for (const bool vowels : {true, false}) {
        int best = -1;
        int at = -1;
        for (int r = 0; r < runs.size(); ++r) {
            const auto [start, length] = runs.at(r);
            int candidate = -1;
            for (int i = start + length - 1; i > start && candidate < 0; --i) {
                if (!vowels || isVowel(text.at(i)))
                    candidate = i;
            }
            if (candidate >= 0 && (best < 0 || length >= runs.at(best).second)) {
                best = r;
                at = candidate;
            }
        }
        if (at >= 0) {
            text.remove(at, 1);
            return true;
        }
    }
    for (const bool blank : {true, false}) {
        for (int i = int(text.size()) - 1; i >= 0; --i) {
            const QChar c = text.at(i);
            if (blank ? c == QLatin1Char(' ') : !c.isLetterOrNumber()) {
                text.remove(i, 1);
                return true;
            }
        }
    }
    return false;
}

// `base`, or when a step of the channel has that name already, `base` with a number, or
// with a letter after a last word that holds a number, which a number would run into
// ("Gobo 1b", not "Gobo 12"). The room the suffix needs comes from the words, then the
// blanks and signs, never from a number: "Blue 104" twice is "Blue 104" and "Blu 104b".
QString uniqueName(const QString &base, const QSet<QString> &used)
{
    if (!used.contains(base.toLower()))
        return base;
    const QString trimmed = base.trimmed();
    const QString lastWord = trimmed.section(QLatin1Char(' '), -1);
    const bool afterDigit = std::any_of(lastWord.cbegin(), lastWord.cend(), [](QChar c) { return c.isDigit(); });
    for (int n = 2;; ++n) {
        const QString suffix = !afterDigit ? QString::number(n)
                             : n <= 26     ? QString(QChar(u'a' + n - 1))
                                           : QStringLiteral("#%1").arg(n);
        const int room = StepNameLength - int(suffix.size());
        QString kept = trimmed;
        while (kept.size() > room && dropOne(kept)) {
        }
        const QString candidate = kept.left(room).trimmed() + suffix;
        if (!used.contains(candidate.toLower()))
            return candidate;
    }
}

} // namespace

QVector<ImportStep> FitImportedSteps(QVector<ImportStep> steps, const QString &label, const QString &items,
                                     QStringList &warnings)
{
    if (steps.size() <= StepsPerChannel)
        return steps;

    // Too many: first neighbours of the same text become one step...
    const int before = int(steps.size());
    QVector<ImportStep> merged;
    for (const ImportStep &s : steps) {
        if (!merged.isEmpty() && merged.constLast().text == s.text) {
            ImportStep &last = merged.last();
            last.from = std::min(last.from, s.from);
            last.to = std::max(last.to, s.to);
            last.last = s.last;
        } else {
            merged.append(s);
        }
    }
    if (merged.size() < before)
        warnings << QStringLiteral("%1: %2 %3; neighbours of the same name are merged into one step each.")
                        .arg(label, QString::number(before), items);
    if (merged.size() <= StepsPerChannel)
        return merged;

    // ...then the tail becomes the last step, so that its DMX values keep a step.
    const ImportStep &first = merged.at(StepsPerChannel - 1);
    const ImportStep &last = merged.constLast();
    ImportStep tail{first.from, first.to, first.text, first.first, last.last};
    for (int i = StepsPerChannel; i < merged.size(); ++i) {
        tail.from = std::min(tail.from, merged.at(i).from);
        tail.to = std::max(tail.to, merged.at(i).to);
    }
    warnings << QStringLiteral("%1: more than %2 steps; %3 %4 to %5 (%6 to %7, DMX %8 to %9) are merged into step %2.")
                    .arg(label, QString::number(StepsPerChannel), items, QString::number(tail.first),
                         QString::number(tail.last), QuotedText(first.text), QuotedText(last.text),
                         QString::number(tail.from), QString::number(tail.to));
    merged.resize(StepsPerChannel);
    merged.last() = tail;
    merged.last().text = StepName(first.text, StepNameLength - 1) + QLatin1Char('+');
    return merged;
}

int FillImportedSteps(FixtureProfile &profile, int channel, const QVector<ImportStep> &steps, const QString &whole)
{
    QVector<ImportStep> ranges = steps;
    if (ranges.isEmpty())
        ranges.append(ImportStep{0, 255, whole, 0, 0});
    QSet<QString> used;
    int s = 0;
    for (const ImportStep &r : std::as_const(ranges)) {
        if (s == StepsPerChannel)
            break;
        QString name = StepName(r.text);
        if (name.isEmpty())
            name = QStringLiteral("%1-%2").arg(r.from).arg(r.to);
        name = uniqueName(name, used);
        used.insert(name.toLower());
        StepRecord &step = profile.steps[size_t(FixtureProfile::slotOf(channel, ++s))];
        step.name.assign(name);
        step.fromDmx = quint8(r.from);
        step.toDmx = quint8(r.to);
        step.stepDmx = quint8((r.from + r.to) / 2);
    }
    return s;
}

bool IsClosedText(const QString &text)
{
    static const QRegularExpression closed(QStringLiteral(R"(^(?:shutter\s+)?(?:closed?|blackout)\b)"),
                                           QRegularExpression::CaseInsensitiveOption);
    return closed.match(text).hasMatch();
}

void SetPositionChannel(quint8 &slot, int channel, const char *what, const QString &label, QStringList &warnings)
{
    if (slot == 0)
        slot = quint8(channel);
    else
        warnings << QStringLiteral("%1: another %2 channel; the profile's %2 channel is %3.")
                        .arg(label, QString::fromLatin1(what), channelLabel(slot).trimmed());
}

void ChooseMasterAndBlack(const MasterCandidates &found, FixtureSetup &setup, QStringList &warnings)
{
    const QVector<int> &dimming =
        !found.masters.isEmpty() ? found.masters : !found.dimmers.isEmpty() ? found.dimmers : found.groupDimmers;
    const QVector<int> &scaled = !dimming.isEmpty() ? dimming : found.colourIntensities;
    for (int c : scaled)
        setup.masterMask |= quint16(1u << (c - 1));
    if (scaled.isEmpty())
        warnings << QStringLiteral("No dimmer or colour channel: no master channel is set.");
    else if (dimming.isEmpty())
        warnings << QStringLiteral("No dimmer: the master channels are the colour channels %1.")
                        .arg(ChannelListText(scaled));

    if (found.shutterChannel != 0) {
        setup.blackChannel = quint8(found.shutterChannel);
        setup.blackValue = quint8(found.shutterValue);
    } else if (dimming.size() == 1) {
        setup.blackChannel = quint8(dimming.constFirst());
        setup.blackValue = 0;
    } else {
        setup.blackChannel = AllChannels;
        setup.blackValue = 0;
        warnings << QStringLiteral("No shutter with a closed position and no single dimmer: black sets all "
                                   "channels to 0.");
    }
}

} // namespace zelvar
