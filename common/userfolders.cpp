// The user's data and documents folders.
#include "common/userfolders.h"

#include "common/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zelvar {

void setProgramIdentity()
{
    // The organisation is named by its domain alone, as desktop programs on Linux usually
    // are: the data folder then carries the application's name only.
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setOrganizationDomain(QStringLiteral("zelvar71.org"));
    QCoreApplication::setApplicationName(QStringLiteral("Zelvar71"));
}

QString userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

bool isPackageFolder(const QString &folder)
{
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    return clean == QLatin1String("/usr") || clean.startsWith(QLatin1String("/usr/"));
}

QString userFileFolder(const QString &programFolder, bool programFolderWritable, const QString &dataFolder)
{
    if (programFolderWritable && !isPackageFolder(programFolder))
        return programFolder;
    return dataFolder;
}

QString userFileFolder()
{
    return userFileFolder(programFolder(), programFolderWritable(), userDataFolder());
}

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

QString dialogStartPath(const QString &previous)
{
    if (previous.isEmpty())
        return documentsFolder();
    if (!previous.contains(QLatin1Char('/')))
        return joinFolderPath(documentsFolder(), previous);
    return previous;
}

} // namespace zelvar
