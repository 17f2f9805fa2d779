// The channels of every mode of every fixture library, named as the import would name them,
// held small enough to search at once for the modes whose channels match a fixture's DMX
// chart. Kept between runs in the user's cache folder, and read again from the libraries
// only for the files that changed.
#pragma once

#include "channames/channelnametable.h"
#include "common/filestore.h"
#include "common/outcome.h"
#include "fixtureimport/channelsearch.h"
#include "fixtureimport/importconversion.h"
#include "fixtureimport/importlibrary.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace zelvar {

// One mode a profile can hold.
struct IndexedMode
{
    int mode = 0;     // its index in the definition
    QString name;
    // The channels' names as the import gives them while the channel-name table has room
    // for every name it lacks: the names a search compares.
    QStringList channels;
    // How the channels ask to be named, for a table without that room (labels left out).
    QVector<ChannelToName> wanted;
};

// One definition file of a library, as the index last read it.
struct IndexedFile
{
    QString path;
    QString kind;         // the kind's name: "QLC+", "GDTF"
    QString manufacturer; // as the listing names them
    QString model;
    // What tells that the file changed since: its size, and the times of its last change
    // and of its last status change, in nanoseconds.
    qint64 size = -1;
    qint64 modified = 0;
    qint64 changed = 0;
    QString problem; // why it could not be read; empty when it was
    QVector<IndexedMode> modes;
};

// A mode within the distance searched.
struct ChannelMatch
{
    int distance = 0;
    QString path;
    QString kind;
    QString manufacturer;
    QString model;
    int mode = 0;
    QString modeName;
    QStringList channels; // named as they were compared
    QVector<ChannelDifference> differences;
};

// Told how many of the files to read are done out of how many.
using ChannelIndexProgress = std::function<void(int done, int total)>;

// The cache refuses a larger file.
inline constexpr FileKind ChannelIndexFileKind{"the channel index", 256 * 1024 * 1024};

class ChannelIndex
{
public:
    const QVector<IndexedFile> &files() const { return m_files; }
    int modeCount() const { return int(m_entries.size()); }
    int unreadableCount() const;

    // Brings the index in step with the libraries' files: a file it does not hold, or whose
    // size or times differ, is read; a file no longer there is dropped. `stop`, asked
    // between files, ends it early, the files not yet read left out. Returns how many
    // files were read; `dropped` gets how many were left out.
    int refresh(const QVector<ImportLibrary> &libraries, const ChannelIndexProgress &progress = {},
                const std::function<bool()> &stop = {}, int *dropped = nullptr);

    // The index as the cache file holds it, and back. Decoding refuses a cache of another
    // program version (whose names may differ), damaged or cut short, and leaves `index`
    // as it was.
    QByteArray encode() const;
    static Outcome decode(const QByteArray &bytes, ChannelIndex &index);

    // Every mode at most `maxDistance` (0 to MaxChartDistance) from `chart`, its channels
    // named from `names` as an import with that table would name them: nearest first, then
    // by manufacturer, model, mode and kind. Safe to call from several threads.
    QVector<ChannelMatch> find(const QStringList &chart, int maxDistance, const ChannelNameTable &names) const;

private:
    void rebuildSearch();

    QVector<IndexedFile> m_files; // by path
    NameSequenceSearch m_search;  // a sequence per mode, in file and mode order
    struct Entry
    {
        int file;
        int mode; // in the file's modes
    };
    std::vector<Entry> m_entries; // what each sequence of the search is

    // The modes named again for a table without room (see find), for the table's names;
    // shared by the copies of an index until one of them changes.
    struct Renaming
    {
        std::mutex lock;
        QString tableKey;
        QHash<int, QStringList> channels; // by entry; empty where the index's names hold
        QHash<QString, bool> inTable;     // whether the table holds a name, by ChartNameKey
    };
    std::shared_ptr<Renaming> m_renaming = std::make_shared<Renaming>();
};

// Where the index is kept between runs: "channel-index" in the user's cache folder
// (~/.cache/Zelvar71).
QString channelIndexCacheFile();

// What bringing the index up to date did.
struct ChannelIndexUpdate
{
    bool fromCache = false; // the cache was read
    int read = 0;           // files read from the libraries
    bool stopped = false;
    // The cache is only an aid: one that cannot be read is made again from the libraries,
    // and one that cannot be written leaves the index working. Either says why here.
    QString cacheProblem;
};

// The index as the dialog and the command line get it: `index` when it holds one already,
// else the one in `cacheFile`, brought in step with the libraries and written back to
// `cacheFile` when that changed anything (when stopped too, with what was read).
void UpdateChannelIndex(ChannelIndex &index, const QVector<ImportLibrary> &libraries, const QString &cacheFile,
                        ChannelIndexUpdate &update, const ChannelIndexProgress &progress = {},
                        const std::function<bool()> &stop = {});

} // namespace zelvar
