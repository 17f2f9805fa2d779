// The fixture libraries on disk, of every kind the import reads: their definitions by
// manufacturer and model, and the conversion of every mode of every definition under a
// folder into profiles, one channel-name table and a report.
#pragma once

#include "channames/channelnametable.h"
#include "common/outcome.h"
#include "fixtureimport/importconversion.h"
#include "fixtureimport/importsource.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace zelvar {

// The folders where the definitions of one kind lie.
struct ImportLibrary
{
    const ImportKind *kind = nullptr;
    QStringList folders;
};

// Each kind with the folders of its library (ImportKind::libraryFolders).
QVector<ImportLibrary> ImportLibraries(const ImportKinds &kinds);

// The definition files of `kinds` under `folder` (subfolders included), sorted by path.
QStringList ImportDefinitionFiles(const QString &folder, const ImportKinds &kinds);

// Every definition under the libraries' folders, named by its own manufacturer and model,
// sorted by manufacturer and then model without regard to case (and by kind where both
// are alike). A file that cannot be read is listed in `unreadable` ("path: reason") when
// given. `stopRequested`, asked between files, ends the scan early with what it has.
QVector<ImportListing> ScanImportLibraries(const QVector<ImportLibrary> &libraries, QStringList *unreadable = nullptr,
                                           const std::function<bool()> &stopRequested = {});

// One row of the conversion's report: a mode, or a definition that gave none.
struct ImportReportRow
{
    QString source;  // the definition, relative to the library folder
    QString mode;    // the mode's name; empty for a definition without modes or unreadable
    QString profile; // the profile written, relative to the output folder; empty when none
    QString note;    // why not, or the profile's notes joined with "; "
    QString kind;    // the kind of the definition: "QLC+", "GDTF"
};

// A profile the conversion wrote, with what it was made from.
struct ImportLibraryProfile
{
    QString source; // the definition's path
    int mode = 0;   // and the mode's index in it
    QString manufacturer;
    QString model;
    QString fixtureName;
    QString path;
    QVector<ImportedChannel> channels;
    QString kind;
};

struct ImportLibraryConversion
{
    int definitions = 0;
    QMap<QString, int> definitionsByKind;
    QStringList unreadable; // "path: reason"
    int withoutModes = 0;
    int modes = 0;
    int converted = 0;
    int warnings = 0;
    QMap<QString, int> refused; // modes not converted, by the kind of refusal
    QStringList written;        // the profiles, in the order written
    QStringList notWritten;     // "path: reason"
    ChannelNameTable names;     // the table every profile refers to
    QStringList addedNames;     // names added to it, in the order added
    QVector<ImportReportRow> report;
    QVector<ImportLibraryProfile> profiles;
};

// Told how many definitions are done out of how many.
using ImportLibraryProgress = std::function<void(int done, int total)>;

inline QString importReportFileName() { return QStringLiteral("import-report.tsv"); }
// A report row's note for a definition without modes.
inline QString noModesText() { return QStringLiteral("the definition has no modes"); }

// Converts every mode that fits of every definition of `kinds` under `folder` into
// `outFolder`/MANUFACTURER/MODEL-MODE.zff, each profile prepared for saving as the editor
// saves it and named from `names`, which grows by the names the profiles need; no two
// models of one manufacturer share a fixture name. Then writes the grown table as
// "ChNameSet.fix" and "ChNameDown.fix" and the report as "import-report.tsv" into
// `outFolder`, and flushes everything to disk once. Each file is replaced only when its new
// content is complete. Fails when `outFolder` cannot be made or the names, the report or the
// flush fail; everything else is counted.
Outcome ConvertImportLibrary(const QString &folder, const QString &outFolder, const ChannelNameTable &names,
                             const ImportKinds &kinds, ImportLibraryConversion &conversion,
                             const ImportLibraryProgress &progress = {});

// The report as tab-separated text: the header "source", "mode", "profile", "note",
// "kind", then a line per row; tabs and line breaks inside a cell become blanks.
QByteArray ImportReportText(const QVector<ImportReportRow> &rows);

// The summary of a conversion, a few lines for a terminal.
QString ImportLibrarySummary(const ImportLibraryConversion &conversion);

} // namespace zelvar
