// The owner of the channel-name files: reads them again before each write, applies the
// writer's rows, writes the pair, and tells the windows.
#include "channames/channelnamestore.h"

#include "common/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace zelvar {

namespace {

// How long the files must have been still before they are read again: an atomic replace
// tells of a new file beside, a rename and a removal, and the pair is two of them.
constexpr int SettleMs = 150;

} // namespace

ChannelNameStore &ChannelNameStore::forFolder(const QString &folder)
{
    static QHash<QString, QPointer<ChannelNameStore>> stores;
    const QString key = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QPointer<ChannelNameStore> &store = stores[key];
    if (!store)
        store = new ChannelNameStore(key, QCoreApplication::instance());
    return *store;
}

ChannelNameStore &ChannelNameStore::live()
{
    return forFolder(channelNameFolder());
}

ChannelNameStore::ChannelNameStore(const QString &folder, QObject *parent) : QObject(parent), m_folder(folder)
{
    m_lastRead = ReadChannelNameFiles(m_folder, m_files);
    if (!m_lastRead)
        m_files.table.LoadDefaultNames();
}

QVector<ChannelNameChoice> ChannelNameStore::choices() const
{
    // The set file as it is, however short; without one, the table the download file
    // stands for; without either, nothing (the start writes the defaults first). Files
    // that cannot be read: the built-in names.
    if (!m_lastRead || (m_files.set.isEmpty() && !m_files.down.isEmpty()))
        return DecodeChannelNameChoices(EncodeChannelNameSet(m_files.table));
    return DecodeChannelNameChoices(m_files.set.left(SetFileSize));
}

Outcome ChannelNameStore::refresh()
{
    ChannelNameFiles files;
    m_lastRead = ReadChannelNameFiles(m_folder, files);
    if (m_watcher)
        watchFiles();
    // A file that cannot be read now changes nothing shown: the windows keep what they
    // have, and the next writer is refused with the reason.
    if (m_lastRead)
        take(files);
    return m_lastRead;
}

void ChannelNameStore::take(const ChannelNameFiles &files)
{
    const bool changed =
        !(files.table == m_files.table) || files.set.left(SetFileSize) != m_files.set.left(SetFileSize);
    m_files = files;
    m_files.table.held.reset();
    if (changed)
        emit namesChanged();
}

void ChannelNameStore::watch()
{
    if (m_watcher)
        return;
    m_watcher = new QFileSystemWatcher(this);
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(SettleMs);
    connect(m_settle, &QTimer::timeout, this, [this] { refresh(); });
    // Reading the files writes nothing, so the store's own writes come back here only once
    // and then change nothing.
    connect(m_watcher, &QFileSystemWatcher::fileChanged, m_settle, qOverload<>(&QTimer::start));
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_settle, qOverload<>(&QTimer::start));
    watchFiles();
}

void ChannelNameStore::watchFiles()
{
    // A replaced file is a new file: the watch on the old one has gone with it.
    QStringList paths{m_folder};
    for (const QString &name : {channelNameSetFileName(), channelNameDownFileName()}) {
        const QString path = joinFolderPath(m_folder, name);
        if (QFileInfo::exists(path))
            paths << path;
    }
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    for (const QString &path : paths) {
        if (!watched.contains(path))
            m_watcher->addPath(path);
    }
}

void ChannelNameStore::addHolder(QObject *holder, std::function<HeldEntries()> held)
{
    m_holders.append(Holder{holder, std::move(held)});
    connect(holder, &QObject::destroyed, this, [this, holder] {
        m_holders.erase(std::remove_if(m_holders.begin(), m_holders.end(),
                                       [holder](const Holder &h) { return h.object == holder; }),
                        m_holders.end());
    });
}

HeldEntries ChannelNameStore::heldEntries() const
{
    HeldEntries held;
    for (const Holder &h : m_holders)
        held |= h.held();
    return held;
}

Outcome ChannelNameStore::write(const ChannelNameFiles &read, const ChannelNameTable &table,
                                const QVector<FileReplacement> &alongside)
{
    if (Outcome written = WriteChannelNameFiles(m_folder, read, table, alongside, m_beforePlacing); !written)
        return written;
    ChannelNameFiles now = read;
    now.table = table;
    now.set = EncodeChannelNameSet(table) + read.set.mid(SetFileSize);
    now.down = EncodeChannelNameDown(table) + read.down.mid(DownFileSize);
    m_lastRead = Outcome::success();
    if (m_watcher)
        watchFiles();
    take(now);
    return Outcome::success();
}

Outcome ChannelNameStore::save(QVector<NameRowChange> rows, const NameConflictChoice &choose,
                               ChannelNameTable *written)
{
    std::sort(rows.begin(), rows.end(), [](const NameRowChange &a, const NameRowChange &b) { return a.entry < b.entry; });
    for (;;) {
        ChannelNameFiles now;
        if (Outcome read = ReadChannelNameFiles(m_folder, now); !read) {
            m_lastRead = read;
            return read;
        }
        bool asked = false;
        for (NameRowChange &row : rows) {
            const ChannelNameEntry &inFiles = now.table.entries[size_t(row.entry)];
            if (inFiles == row.base || inFiles == row.value)
                continue;
            const bool keepMine = choose && choose(row.entry, inFiles, row.value);
            if (choose)
                asked = true;
            // Decided: against these files the row is no conflict any more.
            row.base = inFiles;
            if (!keepMine)
                row.value = inFiles;
        }
        // The questions let other writes in: the files are read again, and only a row
        // changed once more meanwhile is asked again.
        if (asked)
            continue;
        ChannelNameTable table = now.table;
        for (const NameRowChange &row : rows)
            table.entries[size_t(row.entry)] = row.value;
        if (Outcome saved = write(now, table, {}); !saved)
            return saved;
        if (written)
            *written = table;
        return Outcome::success();
    }
}

Outcome ChannelNameStore::update(const std::function<Outcome(const ChannelNameTable &now, NameFilesUpdate &update)> &plan)
{
    ChannelNameFiles now;
    if (Outcome read = ReadChannelNameFiles(m_folder, now); !read) {
        m_lastRead = read;
        return read;
    }
    ChannelNameTable offered = now.table;
    offered.held = heldEntries();
    NameFilesUpdate planned;
    planned.table = offered;
    if (Outcome decided = plan(offered, planned); !decided)
        return decided;
    if (!planned.writeNames && planned.table == now.table) {
        if (planned.alongside.isEmpty())
            return Outcome::success();
        return replaceFilesTogether(planned.alongside, m_beforePlacing);
    }
    planned.table.held.reset();
    return write(now, planned.table, planned.alongside);
}

} // namespace zelvar
