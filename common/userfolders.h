// The folders that belong to the user rather than to the program: the data folder that holds
// the files a user changes when the program's own folder may not be written (a package
// install), and the documents folder where file dialogs start.
#pragma once

#include <QString>

namespace zelvar {

// Gives Zelvar71, Zelvar71Save and zelvar71-cli one organisation and one application name,
// so that the three share one data folder. Every program calls it before it looks for a file.
void setProgramIdentity();

// The user's data folder (QStandardPaths::AppDataLocation: ~/.local/share/Zelvar71).
QString userDataFolder();

// Whether `folder` is one a package owns: it lies under /usr. Nothing of the program's
// writes there, not even as root, so that an upgrade never meets the user's files.
bool isPackageFolder(const QString &folder);

// Where the files a user changes live: the program folder when it may be written and
// belongs to no package, else the user's data folder.
QString userFileFolder(const QString &programFolder, bool programFolderWritable, const QString &dataFolder);
// The same for the running program.
QString userFileFolder();

// The user's documents folder, or the home folder when there is none.
QString documentsFolder();

// What a file dialog starts with: the previous path as it is; no path, or a file name
// without a folder, in the documents folder.
QString dialogStartPath(const QString &previous);

} // namespace zelvar
