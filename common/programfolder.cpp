// Program-folder paths.
#include "common/programfolder.h"

#include <QCoreApplication>

namespace zelvar {

namespace {
QString &folderOverride()
{
    static QString folder;
    return folder;
}
} // namespace

QString joinFolderPath(const QString &folder, const QString &fileName)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + fileName;
    return folder + QLatin1Char('/') + fileName;
}

QString programFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QCoreApplication::applicationDirPath();
}

QString programFilePath(const QString &fileName)
{
    return joinFolderPath(programFolder(), fileName);
}

void setProgramFolder(const QString &folder)
{
    folderOverride() = folder;
}

} // namespace zelvar
