// Where the programs keep their companion files: the folder of the running program.
#pragma once

#include <QString>

namespace zelvar {

// The folder plus "/" when it does not already end with "/", plus the file name.
QString joinFolderPath(const QString &folder, const QString &fileName);

// The running program's folder, or the folder set by setProgramFolder.
QString programFolder();
QString programFilePath(const QString &fileName);

// Points programFolder() elsewhere (tests, tools); an empty folder restores the default.
void setProgramFolder(const QString &folder);

} // namespace zelvar
