// Program-folder paths.
#include "common/programfolder.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace zelvar {

namespace {
struct FolderOverride
{
    QString folder;
    FolderAccess access = FolderAccess::AsOnDisk;
};

FolderOverride &folderOverride()
{
    static FolderOverride set;
    return set;
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
    if (!folderOverride().folder.isEmpty())
        return folderOverride().folder;
    return QCoreApplication::applicationDirPath();
}

QString programFilePath(const QString &fileName)
{
    return joinFolderPath(programFolder(), fileName);
}

bool programFolderWritable()
{
    switch (folderOverride().access) {
    case FolderAccess::ReadOnly:
        return false;
    case FolderAccess::Writable:
        return true;
    case FolderAccess::AsOnDisk:
        break;
    }
    const QFileInfo folder(programFolder());
    return folder.isDir() && folder.isWritable();
}

void setProgramFolder(const QString &folder, FolderAccess access)
{
    folderOverride() = FolderOverride{folder, folder.isEmpty() ? FolderAccess::AsOnDisk : access};
}

} // namespace zelvar
