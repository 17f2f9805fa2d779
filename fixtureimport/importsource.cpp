// Telling the kinds of fixture file apart.
#include "fixtureimport/importsource.h"

#include <QFile>
#include <QFileInfo>

namespace zelvar {

const ImportKind *KindOfFile(const QString &path, const ImportKinds &kinds)
{
    if (kinds.isEmpty())
        return nullptr;
    const QString suffix = QFileInfo(path).suffix();
    for (const ImportKind *kind : kinds) {
        if (suffix.compare(kind->extension(), Qt::CaseInsensitive) == 0)
            return kind;
    }
    // A file under another name: a zip archive can only be a GDTF fixture type.
    QFile file(path);
    const bool zip = file.open(QIODevice::ReadOnly) && file.read(4) == QByteArray("PK\x03\x04", 4);
    for (const ImportKind *kind : kinds) {
        if (zip == (kind->extension() == QLatin1String("gdtf")))
            return kind;
    }
    return kinds.constFirst();
}

QString ImportFilter(const ImportKinds &kinds)
{
    QStringList patterns;
    QStringList own;
    for (const ImportKind *kind : kinds) {
        patterns << QStringLiteral("*.") + kind->extension();
        own << kind->filter();
    }
    // Qt's file dialog reads the patterns of a description in brackets only when blanks
    // part them: this one names them in the second half alone.
    return QStringLiteral("Fixture Definition|%1|%2").arg(patterns.join(QLatin1Char(';')), own.join(QLatin1Char('|')));
}

} // namespace zelvar
