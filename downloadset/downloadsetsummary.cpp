// The summary of a download set, as the link window shows it and zelvar71-cli prints it.
#include "downloadset/downloadsetsummary.h"

#include <QStringList>

#include <cmath>

namespace zelvar {

double LineSeconds(qint64 bytes)
{
    return double(bytes) * LineBitsPerByte / LineBitRate;
}

QString LineTimeText(qint64 bytes)
{
    const qint64 seconds = std::llround(LineSeconds(bytes));
    if (seconds < 1)
        return QStringLiteral("under 1 s");
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString shownFixtureName(const FixtureSetup &setup)
{
    QString name = setup.fixtureName.text();
    while (!name.isEmpty() && (name.back() == QLatin1Char(' ') || name.back() == QChar(0)))
        name.chop(1);
    for (QChar &c : name) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0))
            c = QChar(0x00B7);
    }
    return name;
}

QString DownloadSetSummary(const DownloadSet &set)
{
    QStringList lines;
    const int count = int(set.fixtures.size());
    lines << QStringLiteral("Download set: %1 %2").arg(count).arg(QLatin1String(count == 1 ? "fixture" : "fixtures"));
    for (const SetFixture &f : set.fixtures) {
        const int channels = f.setup.channelCount;
        const int steps = int(f.steps.size());
        // One pass over the pattern, so that a "%" in the name stays as it is.
        lines << QStringLiteral("Slot %1: %2, %3 %4, %5 %6")
                     .arg(QString::number(f.slot), shownFixtureName(f.setup), QString::number(channels),
                          QLatin1String(channels == 1 ? "channel" : "channels"), QString::number(steps),
                          QLatin1String(steps == 1 ? "step" : "steps"));
    }
    lines << (set.holdsNames() ? QStringLiteral("Channel names: included")
                               : QStringLiteral("Channel names: not included"));
    QString size = QStringLiteral("Size: %1 bytes").arg(set.fileSize);
    if (set.paddingBytes() > 0)
        size += QStringLiteral(" (%1 of them past the end of the set)").arg(set.paddingBytes());
    lines << size;
    lines << QStringLiteral("Send time: about %1 at %2 bit/s").arg(LineTimeText(set.fileSize)).arg(LineBitRate);
    return lines.join(QLatin1Char('\n'));
}

} // namespace zelvar
