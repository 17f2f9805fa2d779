// The kinds of fixture file the import reads (QLC+ definitions, GDTF fixture types) as the
// import dialog, zelvar71-cli import and a library run see them: a file of a kind is read
// into an ImportDefinition, which lists its modes and turns each into a profile.
#pragma once

#include "channames/channelnametable.h"
#include "common/outcome.h"
#include "fixtureimport/importconversion.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

namespace zelvar {

// One fixture definition, read from its file.
class ImportDefinition
{
public:
    virtual ~ImportDefinition() = default;

    virtual QString manufacturer() const = 0;
    virtual QString model() const = 0;
    // The fixture as the dialog and the mode listing name it: "Acme Spot 300 (Moving Head)".
    virtual QString title() const = 0;
    virtual QStringList modeNames() const = 0;
    virtual ImportModeFit checkMode(int mode) const = 0;
    // The fixture names of all modes, none of them one of `taken` (ImportedFixtureNames).
    virtual QStringList fixtureNames(const QSet<QString> &taken) const = 0;
    // A file name for the profile of a mode (ImportedFileName).
    virtual QString fileName(int mode) const = 0;
    // Converts a mode the profile can hold, naming its channels from `names`, which grows
    // by the names it lacks; the fixture name is `fixtureName`, or the mode's own from
    // fixtureNames when empty. A refused mode leaves `names` as it was.
    virtual Outcome convert(int mode, ChannelNameTable &names, ImportedFixture &fixture,
                            const QString &fixtureName = QString()) const = 0;
    // The names the mode's channels would get from `names`, without steps and without
    // changing anything; empty for a mode the profile cannot hold.
    virtual QStringList channelNames(int mode, const ChannelNameTable &names) const = 0;
    // How the mode's channels ask to be named (what NameImportedChannels takes), for naming
    // them later against any table; empty for a mode the profile cannot hold.
    virtual QVector<ChannelToName> channelsToName(int mode) const = 0;
};

// A definition as a library lists it: its names and where it lies.
struct ImportListing
{
    QString manufacturer; // "(no manufacturer)" when the file names none
    QString model;        // the file's name without extension when the file names none
    QString path;
    QString kind;         // the kind's name
};

class ImportKind
{
public:
    virtual ~ImportKind() = default;

    // "QLC+", "GDTF": what the dialog and the report call it.
    virtual QString name() const = 0;
    // Without the dot: "qxf".
    virtual QString extension() const = 0;
    // For the file dialog: "QLC+ Fixture Definition(*.qxf)|*.qxf".
    virtual QString filter() const = 0;
    // Where its library lies; folders that do not exist are left out.
    virtual QStringList libraryFolders() const = 0;
    // Said in the dialog when libraryFolders() is empty.
    virtual QString noLibraryText() const = 0;

    virtual Outcome read(const QString &path, std::unique_ptr<ImportDefinition> &definition) const = 0;
    // Manufacturer and model only, read as far as they go.
    virtual Outcome list(const QString &path, ImportListing &listing) const = 0;
};

using ImportKinds = QVector<const ImportKind *>;

// The kind of the file at `path`: by its extension, else by its first bytes (a zip archive
// is GDTF's), else the first of `kinds`.
const ImportKind *KindOfFile(const QString &path, const ImportKinds &kinds);

// The dialog's filter for every kind at once, then each kind's own:
// "Fixture Definition(*.qxf;*.gdtf)|*.qxf;*.gdtf|QLC+ Fixture Definition(*.qxf)|*.qxf|...".
QString ImportFilter(const ImportKinds &kinds);

} // namespace zelvar
