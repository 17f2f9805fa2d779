// Where the programs keep their companion files: the folder of the running program.
#pragma once

#include <QString>

namespace zelvar {

// The folder plus "/" when it does not already end with "/", plus the file name.
QString joinFolderPath(const QString &folder, const QString &fileName);

// The running program's folder, or the folder set by setProgramFolder.
QString programFolder();
QString programFilePath(const QString &fileName);

// Whether the program may write into its folder: what the file system says, unless
// setProgramFolder said otherwise (root may write everywhere, so tests say it).
enum class FolderAccess { AsOnDisk, ReadOnly, Writable };
bool programFolderWritable();

// Points programFolder() elsewhere (tests, tools); an empty folder restores the default.
void setProgramFolder(const QString &folder, FolderAccess access = FolderAccess::AsOnDisk);

} // namespace zelvar
