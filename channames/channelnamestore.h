// The one owner of a folder's two channel-name files. Every writer (the channel-name
// editor's Save and Init, the imports, `zelvar71-cli names init`, the first start) hands it
// only the rows it changed; just before it writes, the store reads both files again, applies
// those rows and writes both files as a pair. Every window that shows the names reads them
// here and is told when they change: at once for a write of this program, within a second
// for one of another process.
#pragma once

#include "channames/channelnamefiles.h"
#include "common/filestore.h"
#include "common/outcome.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

class QFileSystemWatcher;
class QTimer;

namespace zelvar {

// One row a writer changed: the entry as the writer last read it, and as it wants it.
struct NameRowChange
{
    int entry = 0;
    ChannelNameEntry base;
    ChannelNameEntry value;
};

// A row this writer changed that someone else changed too since the writer read it: asked
// once per row, in entry order, with the files' entry and the writer's. True keeps the
// writer's; false takes the files'.
using NameConflictChoice =
    std::function<bool(int entry, const ChannelNameEntry &inFiles, const ChannelNameEntry &mine)>;

// What a writer that decides from the files as they are (an import, `names init`) writes.
struct NameFilesUpdate
{
    ChannelNameTable table;               // the table it wants; the rows that differ are written
    QVector<FileReplacement> alongside;   // files replaced together with the names, all or nothing
    bool writeNames = false;              // write the pair even when no row changes
};

class ChannelNameStore : public QObject
{
    Q_OBJECT
public:
    // The store of `folder`, one per folder in the process, made on first use.
    static ChannelNameStore &forFolder(const QString &folder);
    // The store of channelNameFolder(), where the programs keep the names.
    static ChannelNameStore &live();

    QString folder() const { return m_folder; }

    // The files as last read (the built-in names when they could not be), and whether they
    // could be. Read when the store is made, after every write, and when the files change.
    const ChannelNameTable &names() const { return m_files.table; }
    const Outcome &lastRead() const { return m_lastRead; }
    // The same read with the files' bytes (empty for a file that is missing).
    const ChannelNameFiles &files() const { return m_files; }
    // The fixture editor's choices from the same read: DecodeChannelNameChoices of the set
    // file, or of the table the store took when only the download file is there, or when
    // the files could not be read (the built-in names).
    QVector<ChannelNameChoice> choices() const;
    // Reads the files again now; tells the windows when the names differ from before.
    Outcome refresh();

    // From now on the files are watched, so that a write of another process is told too,
    // within a second. Nothing of the following writes a file.
    void watch();

    // Rows that `holder` keeps as unsaved edits, asked whenever a writer looks for free rows.
    // Forgotten when `holder` goes.
    void addHolder(QObject *holder, std::function<HeldEntries()> held);
    HeldEntries heldEntries() const;

    // The channel-name editor's Save: `rows` applied to the files as they are now. A row the
    // files hold as the writer's base, or already as its value, is simply written; any other
    // is a conflict for `choose` (none given: the files' entry stays). The pair is written
    // even when nothing changes. `written` gets the table the files then hold.
    Outcome save(QVector<NameRowChange> rows, const NameConflictChoice &choose, ChannelNameTable *written = nullptr);

    // A writer that decides from the files as they are: `plan` gets them (held rows marked
    // in table.held) and fills `update`; the rows it changes are written with the files
    // alongside, all or nothing, with no other write in between. A failing plan writes
    // nothing and its failure is returned.
    Outcome update(const std::function<Outcome(const ChannelNameTable &now, NameFilesUpdate &update)> &plan);

    // For tests: runs before each file of the next writes is placed.
    void setBeforePlacing(std::function<void(int)> hook) { m_beforePlacing = std::move(hook); }

signals:
    // The names the files hold have changed; names() holds them.
    void namesChanged();

private:
    explicit ChannelNameStore(const QString &folder, QObject *parent);
    Outcome write(const ChannelNameFiles &read, const ChannelNameTable &table,
                  const QVector<FileReplacement> &alongside);
    void take(const ChannelNameFiles &files);
    void watchFiles();

    QString m_folder;
    ChannelNameFiles m_files;
    Outcome m_lastRead = Outcome::success();
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_settle = nullptr;
    struct Holder
    {
        QObject *object;
        std::function<HeldEntries()> held;
    };
    QVector<Holder> m_holders;
    std::function<void(int)> m_beforePlacing;
};

} // namespace zelvar
