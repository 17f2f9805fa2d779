// GDTF fixture types as one kind of fixture file the import reads: where the user keeps
// them, and a fixture type as the import dialog, zelvar71-cli and a library run see it.
#pragma once

#include "fixtureimport/importsource.h"

#include <QString>
#include <QStringList>

namespace zelvar {

// The user's GDTF folder, ~/.local/share/Zelvar71/gdtf (userDataFolder()/gdtf).
QString userGdtfFolder();

// The folders to list: the user's GDTF folder, made when it is missing, and the folders
// named by ZELVAR71_GDTF_FIXTURES (separated by ':'). Folders that do not exist are left out.
QStringList GdtfLibraryFolders();

const ImportKind &GdtfImportKind();

} // namespace zelvar
