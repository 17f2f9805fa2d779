// Port numbers to serial devices.
#include "seriallink/portmap.h"

#include <QFileInfo>
#include <QStringList>

namespace zelvar {

QMap<int, QString> parsePortMap(const QString &text)
{
    QMap<int, QString> map;
    const QStringList entries = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &entry : entries) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        bool isNumber = false;
        const int number = entry.left(eq).trimmed().toInt(&isNumber);
        const QString path = entry.mid(eq + 1).trimmed();
        if (!isNumber || number < FirstCandidatePort || number > LastCandidatePort || path.isEmpty())
            continue;
        map.insert(number, path);
    }
    return map;
}

QMap<int, QString> currentPortMap()
{
    const QString configured = qEnvironmentVariable("ZELVAR71_PORTS");
    if (!configured.trimmed().isEmpty())
        return parsePortMap(configured);
    QMap<int, QString> map;
    for (int n = FirstCandidatePort; n <= LastCandidatePort; ++n)
        map.insert(n, QStringLiteral("/dev/ttyUSB%1").arg(n - FirstCandidatePort));
    return map;
}

QString portDevicePath(int number)
{
    return currentPortMap().value(number);
}

QString resolveDevicePath(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

} // namespace zelvar
