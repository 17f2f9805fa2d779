// QLC+ fixture definitions as one kind of fixture file the import reads: where their
// library lies, and a definition as the import dialog, zelvar71-cli and a library run see it.
#pragma once

#include "fixtureimport/importsource.h"

#include <QString>
#include <QStringList>

namespace zelvar {

// The folder the Debian package qlcplus-data installs.
inline QString installedQxfLibrary() { return QStringLiteral("/usr/share/qlcplus/fixtures"); }

// The folders to list: those named by ZELVAR71_QLCPLUS_FIXTURES (separated by ':') when it
// is set, else the installed library and the user's own definitions (~/.qlcplus/fixtures).
// Folders that do not exist are left out.
QStringList QxfLibraryFolders();

const ImportKind &QxfImportKind();

} // namespace zelvar
