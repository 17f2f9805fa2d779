// zelvar71-cli zff show FILE: a fixture profile as one JSON object with the file's fields.
#include "commands.h"
#include "json.h"

#include "fixture/zfffile.h"

namespace zelvar::cli {

namespace {

QString profileJson(const FixtureProfile &p)
{
    QString reserved;
    for (quint8 b : p.header.reserved)
        reserved += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));

    QStringList lines;
    const auto field = [&lines](const char *name, const QString &value) {
        lines << QStringLiteral("  \"%1\": %2,").arg(QLatin1String(name), value);
    };
    const auto number = [](int v) { return QString::number(v); };

    const FixtureSetup &s = p.setup;
    field("reserved", jsonString(reserved));
    field("duplicateFlag", number(p.header.duplicateFlag));
    field("marker", jsonString(p.header.marker.text()));
    setupJson(s, field);

    lines << QStringLiteral("  \"channels\": [");
    for (int k = 0; k < MaxChannels; ++k) {
        const ChannelEntry &c = p.channels[size_t(k)];
        QStringList steps;
        for (int i = 0; i < c.stepCount; ++i) {
            steps << QStringLiteral("      ") + stepJson(p.steps[size_t(k * StepsPerChannel + i)]);
        }
        const QString stepText =
            steps.isEmpty() ? QStringLiteral("[]") : QStringLiteral("[\n%1\n    ]").arg(steps.join(QStringLiteral(",\n")));
        lines << QStringLiteral("    {\"nameId\": %1, \"fadeMode\": %2, \"stepCount\": %3, \"steps\": %4}%5")
                     .arg(c.nameId)
                     .arg(c.fadeMode)
                     .arg(c.stepCount)
                     .arg(stepText, k + 1 < MaxChannels ? QStringLiteral(",") : QString());
    }
    lines << QStringLiteral("  ]");
    return QStringLiteral("{\n%1\n}\n").arg(lines.join(QLatin1Char('\n')));
}

} // namespace

const char *const ZffShowUsage = "usage: zelvar71-cli zff show FILE\n";

int zffShow(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() != 1) {
        err << ZffShowUsage;
        return ExitUsage;
    }
    FixtureProfile profile;
    if (Outcome read = ReadProfile(args.first(), profile); !read) {
        err << "zelvar71-cli: " << args.first() << ": " << read.reason() << "\n";
        return ExitFailure;
    }
    out << profileJson(profile);
    return 0;
}

} // namespace zelvar::cli
