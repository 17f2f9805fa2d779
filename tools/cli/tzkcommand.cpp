// zelvar71-cli tzk show SET.tzk: a download set as one JSON object, with the field names of
// `zff show` wherever the same field appears.
// zelvar71-cli tzk extract SET.tzk DIR: one profile per fixture, and the channel-name files.
#include "commands.h"
#include "json.h"

#include "downloadset/downloadsetextract.h"
#include "downloadset/downloadsetreader.h"
#include "downloadset/downloadsetsummary.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace zelvar::cli {

const char *const TzkUsage = "usage: zelvar71-cli tzk show SET.tzk | tzk extract SET.tzk DIR\n";

namespace {

QString numbers(const std::array<ChannelEntry, MaxChannels> &channels)
{
    QStringList values;
    for (const ChannelEntry &c : channels)
        values << QString::number(c.fadeMode);
    return QStringLiteral("[%1]").arg(values.join(QStringLiteral(", ")));
}

QString fixtureJson(const DownloadSet &set, const SetFixture &f)
{
    QStringList lines;
    const auto field = [&lines](const char *name, const QString &value) {
        lines << QStringLiteral("      \"%1\": %2,").arg(QLatin1String(name), value);
    };
    const FixtureSetup &s = f.setup;
    field("slot", QString::number(f.slot));
    setupJson(s, field);
    field("fadeModes", numbers(f.channels));

    QStringList channels;
    for (int channel = 1; channel <= s.channelCount; ++channel) {
        const ChannelEntry &c = f.channels[size_t(channel - 1)];
        QString entry = QStringLiteral("        {\"channel\": %1, \"nameId\": %2").arg(channel).arg(c.nameId);
        if (set.holdsNames())
            entry += QStringLiteral(", \"name\": %1").arg(jsonString(setNameText(set.names[c.nameId])));
        QStringList steps;
        const int first = f.firstStepOf(channel);
        for (int i = 0; i < c.stepCount; ++i)
            steps << QStringLiteral("          ") + stepJson(f.steps.at(first + i));
        entry += QStringLiteral(", \"stepCount\": %1, \"steps\": %2}")
                     .arg(c.stepCount)
                     .arg(steps.isEmpty() ? QStringLiteral("[]")
                                          : QStringLiteral("[\n%1\n        ]").arg(steps.join(QStringLiteral(",\n"))));
        channels << entry;
    }
    lines << QStringLiteral("      \"channels\": [\n%1\n      ]").arg(channels.join(QStringLiteral(",\n")));
    return QStringLiteral("    {\n%1\n    }").arg(lines.join(QLatin1Char('\n')));
}

QString setJson(const DownloadSet &set)
{
    QStringList lines;
    const auto field = [&lines](const char *name, const QString &value) {
        lines << QStringLiteral("  \"%1\": %2,").arg(QLatin1String(name), value);
    };
    field("fileSize", QString::number(set.fileSize));
    field("stepAreaEnd", QString::number(set.stepAreaEnd));
    field("paddingBytes", QString::number(set.paddingBytes()));
    field("sendSeconds", QString::number(LineSeconds(set.fileSize), 'f', 2));
    field("fixtureCount", QString::number(set.fixtures.size()));
    field("namesFlag", QString::number(set.namesFlag));
    // Eight names a line, so that a name's index is easy to find.
    QStringList rows;
    for (int i = 0; set.holdsNames() && i < NameFieldCount; i += 8) {
        QStringList names;
        for (int j = i; j < i + 8; ++j)
            names << jsonString(setNameText(set.names[size_t(j)]));
        rows << QStringLiteral("    ") + names.join(QStringLiteral(", "));
    }
    field("names", rows.isEmpty() ? QStringLiteral("[]")
                                  : QStringLiteral("[\n%1\n  ]").arg(rows.join(QStringLiteral(",\n"))));
    QStringList fixtures;
    for (const SetFixture &f : set.fixtures)
        fixtures << fixtureJson(set, f);
    lines << QStringLiteral("  \"fixtures\": [\n%1\n  ]").arg(fixtures.join(QStringLiteral(",\n")));
    return QStringLiteral("{\n%1\n}\n").arg(lines.join(QLatin1Char('\n')));
}

int show(const QString &path, QTextStream &out, QTextStream &err)
{
    DownloadSet set;
    if (Outcome read = ReadDownloadSet(path, set); !read) {
        err << "zelvar71-cli: " << path << ": " << read.reason() << "\n";
        return ExitFailure;
    }
    out << setJson(set);
    return 0;
}

int extract(const QString &path, const QString &folder, QTextStream &out, QTextStream &err)
{
    DownloadSet set;
    if (Outcome read = ReadDownloadSet(path, set); !read) {
        err << "zelvar71-cli: " << path << ": " << read.reason() << "; nothing was written\n";
        return ExitFailure;
    }
    const QStringList before = QDir(folder).entryList({QStringLiteral("*.zff")}, QDir::Files);
    QStringList written;
    QStringList notes;
    const Outcome extracted = ExtractDownloadSet(set, folder, written, notes);
    for (const QString &file : written)
        out << "wrote " << file << "\n";
    for (const QString &note : std::as_const(notes))
        out << "note: " << note << "\n";
    if (!extracted) {
        err << "zelvar71-cli: " << extracted.reason() << "\n";
        return ExitFailure;
    }
    if (!set.holdsNames())
        out << "the set holds no channel names; compose it again with --no-names\n";
    QSet<QString> ours;
    for (const QString &file : written)
        ours.insert(QFileInfo(file).fileName());
    int others = 0;
    for (const QString &file : before)
        others += ours.contains(file) ? 0 : 1;
    if (others > 0)
        err << "zelvar71-cli: warning: " << folder << " also holds " << others
            << (others == 1 ? " other profile" : " other profiles")
            << ", which a compose of all its profiles would take in too\n";
    return 0;
}

} // namespace

int tzk(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const QString command = args.value(0);
    if (command == QLatin1String("show") && args.size() == 2)
        return show(args.at(1), out, err);
    if (command == QLatin1String("extract") && args.size() == 3)
        return extract(args.at(1), args.at(2), out, err);
    if (command != QLatin1String("show") && command != QLatin1String("extract"))
        return notUnderstood(err, command.isEmpty() ? QStringLiteral("tzk needs a command")
                                                    : QStringLiteral("unknown command tzk ") + command,
                             TzkUsage);
    return notUnderstood(err, QStringLiteral("tzk %1: wrong number of arguments").arg(command), TzkUsage);
}

} // namespace zelvar::cli
