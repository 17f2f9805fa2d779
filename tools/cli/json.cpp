// JSON text: string escaping and the fields the profile and set commands share.
#include "json.h"

namespace zelvar::cli {

QString jsonString(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

void setupJson(const FixtureSetup &s, const JsonField &field)
{
    const auto number = [](int v) { return QString::number(v); };
    field("channelCount", number(s.channelCount));
    field("fixtureName", jsonString(s.fixtureName.text()));
    field("blackChannel", number(s.blackChannel));
    field("blackValue", number(s.blackValue));
    field("masterMask", number(s.masterMask));
    field("panCoarse", number(s.panCoarse));
    field("panFine", number(s.panFine));
    field("tiltCoarse", number(s.tiltCoarse));
    field("tiltFine", number(s.tiltFine));
}

QString stepJson(const StepRecord &r)
{
    // One pass over the pattern, so that a "%" in the name stays as it is.
    return QStringLiteral("{\"name\": %1, \"fromDmx\": %2, \"toDmx\": %3, \"stepDmx\": %4}")
        .arg(jsonString(r.name.text()), QString::number(r.fromDmx), QString::number(r.toDmx),
             QString::number(r.stepDmx));
}

} // namespace zelvar::cli
