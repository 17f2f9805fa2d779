// The channel index of the fixture libraries, its cache file, and the search over it.
#include "fixtureimport/channelindex.h"

#include "common/bytes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStandardPaths>

#include <sys/stat.h>

#include <algorithm>
#include <mutex>
#include <cstdlib>

namespace zelvar {

namespace {

// What a file's stat says of a change, in nanoseconds.
bool statFile(const QString &path, IndexedFile &file)
{
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    file.size = qint64(st.st_size);
    file.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    file.changed = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return true;
}

bool sameFile(const IndexedFile &a, const IndexedFile &b)
{
    return a.kind == b.kind && a.size == b.size && a.modified == b.modified && a.changed == b.changed;
}

// A table with room for every name a mode lacks: the names of the index.
const ChannelNameTable &roomyTable()
{
    static const ChannelNameTable table = [] {
        ChannelNameTable t;
        t.LoadDefaultNames();
        return t;
    }();
    return table;
}

void readFile(const ImportKind &kind, IndexedFile &file)
{
    std::unique_ptr<ImportDefinition> definition;
    if (Outcome read = kind.read(file.path, definition); !read) {
        file.problem = read.reason();
        return;
    }
    // Named as the listing names them.
    file.manufacturer = definition->manufacturer();
    if (file.manufacturer.isEmpty())
        file.manufacturer = QStringLiteral("(no manufacturer)");
    file.model = definition->model();
    if (file.model.isEmpty())
        file.model = QFileInfo(file.path).completeBaseName();
    const QStringList modeNames = definition->modeNames();
    for (int mode = 0; mode < modeNames.size(); ++mode) {
        QVector<ChannelToName> wanted = definition->channelsToName(mode);
        if (wanted.isEmpty())
            continue;
        const QStringList channels = ImportedChannelNames(wanted, roomyTable());
        for (ChannelToName &w : wanted)
            w.label.clear();
        file.modes.append({mode, modeNames.at(mode), channels, wanted});
    }
}

// How many names the import could still add to `names`, up to `enough`. Asked of the table
// itself, so that whatever keeps an entry from an import counts.
int roomIn(const ChannelNameTable &names, int enough)
{
    ChannelNameTable trial = names;
    int room = 0;
    while (room < enough && trial.findOrAddName(QStringLiteral("\x01%1").arg(room)) >= 0)
        ++room;
    return room;
}

// What naming against `names` depends on: the names it finds there (by the table's own
// rule of which entries count) and the room it has.
QString tableKey(const ChannelNameTable &names, int room)
{
    QStringList found;
    for (int i = BuiltInNameCount; i < ChannelNameCount; ++i) {
        const QString name = ImportedEntryName(names, i);
        if (!name.isEmpty() && names.findName(name) == i)
            found << ChartNameKey(name);
    }
    found.sort();
    return QString::number(room) + QLatin1Char('\n') + found.join(QLatin1Char('\n'));
}

// ---------------------------------------------------------------------------------------
// The cache file, little-endian, in this order:
//   "Z71CHIDX", format (u32), the program version (text)
//   the channel names (u32 count, then each as text)
//   the files (u32 count), each: path, kind, manufacturer, model, problem (texts), size,
//   modified, changed (u64 each), its modes (u32 count), each: index (u32), name (text),
//   its channels (u8 count), each: shown name and wanted name (u32 each, into the channel
//   names), function and claim (u8 each)
//   the SHA-1 of everything before it (20 bytes)
// A text is its UTF-8 length (u32) and its UTF-8 bytes.

constexpr char Magic[] = "Z71CHIDX";
constexpr int MagicLength = 8;
constexpr quint32 Format = 1;
constexpr int DigestLength = 20;
constexpr int LastFunction = int(ImportFunction::Blade);
constexpr int LastClaim = int(NameClaim::Other);

void writeText(ByteWriter &w, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    w.u32le(quint32(utf8.size()));
    w.bytes(utf8.constData(), utf8.size());
}

void writeU64(ByteWriter &w, qint64 value)
{
    w.u32le(quint32(quint64(value) & 0xFFFFFFFFu));
    w.u32le(quint32(quint64(value) >> 32));
}

// Reads what the writer wrote; any slip (past the end, a number out of range) fails it.
class CacheReader
{
public:
    // Reads `bytes` in place.
    explicit CacheReader(const QByteArray &bytes) : m_r(bytes.constData(), bytes.size()) {}

    bool ok() const { return m_ok && !m_r.overrun(); }
    bool atEnd() const { return m_r.remaining() == 0; }
    quint32 u32() { return m_r.u32le(); }
    quint8 u8() { return m_r.u8(); }
    qint64 u64()
    {
        const quint64 low = m_r.u32le();
        const quint64 high = m_r.u32le();
        return qint64(low | (high << 32));
    }
    QString text()
    {
        const quint32 size = m_r.u32le();
        if (!ok() || size > quint32(m_r.remaining())) {
            m_ok = false;
            return QString();
        }
        QByteArray utf8(qsizetype(size), Qt::Uninitialized);
        m_r.bytes(utf8.data(), utf8.size());
        return QString::fromUtf8(utf8);
    }
    // A count of records of at least `least` bytes each, which the rest must hold.
    quint32 count(int least)
    {
        const quint32 n = m_r.u32le();
        if (!ok() || qint64(n) * least > m_r.remaining())
            m_ok = false;
        return ok() ? n : 0;
    }
    void fail() { m_ok = false; }

private:
    ByteReader m_r;
    bool m_ok = true;
};

} // namespace

int ChannelIndex::unreadableCount() const
{
    return int(std::count_if(m_files.cbegin(), m_files.cend(),
                             [](const IndexedFile &f) { return !f.problem.isEmpty(); }));
}

int ChannelIndex::refresh(const QVector<ImportLibrary> &libraries, const ChannelIndexProgress &progress,
                          const std::function<bool()> &stop, int *dropped)
{
    QHash<QString, int> held;
    for (int i = 0; i < m_files.size(); ++i)
        held.insert(m_files.at(i).path, i);
    QVector<IndexedFile> next;
    QVector<std::pair<int, const ImportKind *>> toRead;
    QSet<QString> seen;
    for (const ImportLibrary &library : libraries) {
        for (const QString &folder : library.folders) {
            for (const QString &path : ImportDefinitionFiles(folder, {library.kind})) {
                if (seen.contains(path))
                    continue;
                seen.insert(path);
                IndexedFile file;
                file.path = path;
                file.kind = library.kind->name();
                if (!statFile(path, file))
                    continue; // gone since the listing
                const int old = held.value(path, -1);
                if (old >= 0 && sameFile(m_files.at(old), file)) {
                    next.append(m_files.at(old));
                } else {
                    toRead.append({int(next.size()), library.kind});
                    next.append(file);
                }
            }
        }
    }
    int read = 0;
    for (const auto &[at, kind] : std::as_const(toRead)) {
        if (stop && stop())
            break;
        if (progress)
            progress(read, int(toRead.size()));
        readFile(*kind, next[at]);
        ++read;
    }
    if (progress)
        progress(read, int(toRead.size()));
    // Files a stop left unread are not in the index.
    QSet<int> unread;
    for (int i = read; i < toRead.size(); ++i)
        unread.insert(toRead.at(i).first);
    QVector<IndexedFile> kept;
    QSet<QString> keptPaths;
    for (int i = 0; i < next.size(); ++i) {
        if (!unread.contains(i)) {
            kept.append(next.at(i));
            keptPaths.insert(next.at(i).path);
        }
    }
    std::sort(kept.begin(), kept.end(), [](const IndexedFile &a, const IndexedFile &b) { return a.path < b.path; });
    if (dropped) {
        *dropped = int(std::count_if(m_files.cbegin(), m_files.cend(),
                                     [&](const IndexedFile &f) { return !keptPaths.contains(f.path); }));
    }
    m_files = kept;
    rebuildSearch();
    return read;
}

void ChannelIndex::rebuildSearch()
{
    m_search = NameSequenceSearch();
    m_entries.clear();
    m_renaming = std::make_shared<Renaming>();
    for (int f = 0; f < m_files.size(); ++f) {
        const QVector<IndexedMode> &modes = m_files.at(f).modes;
        for (int m = 0; m < modes.size(); ++m) {
            m_search.add(modes.at(m).channels);
            m_entries.push_back({f, m});
        }
    }
}

QVector<ChannelMatch> ChannelIndex::find(const QStringList &chart, int maxDistance,
                                         const ChannelNameTable &names) const
{
    // A table without room for the names a mode lacks gives that mode other names (the
    // closest built-in ones): those modes are named again against it and searched apart.
    // Naming a mode again takes long, so the names stay for the next search with a table
    // that holds the same names.
    std::vector<bool> renamed;
    NameSequenceSearch others;
    QVector<int> otherEntries;
    QVector<QStringList> otherChannels;
    const int room = roomIn(names, MaxChannels);
    if (room < MaxChannels) {
        renamed.assign(m_entries.size(), false);
        Renaming &cache = *m_renaming;
        const std::lock_guard<std::mutex> lock(cache.lock);
        const QString key = tableKey(names, room);
        if (cache.tableKey != key) {
            cache.tableKey = key;
            cache.channels.clear();
            cache.inTable.clear();
        }
        const int k = std::clamp(maxDistance, 0, MaxChartDistance);
        for (size_t s = 0; s < m_entries.size(); ++s) {
            const IndexedMode &mode = m_files.at(m_entries[s].file).modes.at(m_entries[s].mode);
            // Named again or not, a mode keeps its number of channels.
            if (std::abs(int(mode.channels.size()) - int(chart.size())) > k)
                continue;
            auto known = cache.channels.constFind(int(s));
            if (known == cache.channels.constEnd()) {
                QSet<QString> lacking;
                for (const QString &name : mode.channels) {
                    const QString nameKey = ChartNameKey(name);
                    auto it = cache.inTable.constFind(nameKey);
                    if (it == cache.inTable.constEnd())
                        it = cache.inTable.insert(nameKey, names.findName(name) >= 0);
                    if (!it.value())
                        lacking.insert(nameKey);
                }
                // Empty: the mode keeps the names of the index.
                known = cache.channels.insert(
                    int(s), lacking.size() > room ? ImportedChannelNames(mode.wanted, names) : QStringList());
            }
            if (!known.value().isEmpty()) {
                renamed[s] = true;
                others.add(known.value());
                otherEntries.append(int(s));
                otherChannels.append(known.value());
            }
        }
    }

    QVector<ChannelMatch> matches;
    const auto take = [&](int entry, int distance, const QStringList &channels) {
        const IndexedFile &file = m_files.at(m_entries[size_t(entry)].file);
        const IndexedMode &mode = file.modes.at(m_entries[size_t(entry)].mode);
        matches.append({distance, file.path, file.kind, file.manufacturer, file.model, mode.mode, mode.name, channels,
                        ChannelDifferences(chart, channels)});
    };
    for (const NameSequenceSearch::Hit &hit : m_search.find(chart, maxDistance)) {
        if (renamed.empty() || !renamed[size_t(hit.sequence)]) {
            const Entry &e = m_entries[size_t(hit.sequence)];
            take(hit.sequence, hit.distance, m_files.at(e.file).modes.at(e.mode).channels);
        }
    }
    for (const NameSequenceSearch::Hit &hit : others.find(chart, maxDistance))
        take(otherEntries.at(hit.sequence), hit.distance, otherChannels.at(hit.sequence));

    std::sort(matches.begin(), matches.end(), [](const ChannelMatch &a, const ChannelMatch &b) {
        if (a.distance != b.distance)
            return a.distance < b.distance;
        if (const int c = a.manufacturer.compare(b.manufacturer, Qt::CaseInsensitive); c != 0)
            return c < 0;
        if (const int c = a.model.compare(b.model, Qt::CaseInsensitive); c != 0)
            return c < 0;
        if (a.mode != b.mode)
            return a.mode < b.mode;
        if (a.kind != b.kind)
            return a.kind < b.kind;
        return a.path < b.path;
    });
    return matches;
}

QByteArray ChannelIndex::encode() const
{
    // The channels' names once each, the modes pointing at them.
    QHash<QString, quint32> ids;
    QStringList dictionary;
    const auto idOf = [&](const QString &name) {
        auto it = ids.constFind(name);
        if (it == ids.constEnd()) {
            it = ids.insert(name, quint32(dictionary.size()));
            dictionary << name;
        }
        return it.value();
    };
    QByteArray body;
    ByteWriter files(body);
    files.u32le(quint32(m_files.size()));
    for (const IndexedFile &f : m_files) {
        for (const QString *text : {&f.path, &f.kind, &f.manufacturer, &f.model, &f.problem})
            writeText(files, *text);
        writeU64(files, f.size);
        writeU64(files, f.modified);
        writeU64(files, f.changed);
        files.u32le(quint32(f.modes.size()));
        for (const IndexedMode &m : f.modes) {
            files.u32le(quint32(m.mode));
            writeText(files, m.name);
            files.u8(quint8(m.channels.size()));
            for (int c = 0; c < m.channels.size(); ++c) {
                files.u32le(idOf(m.channels.at(c)));
                files.u32le(idOf(m.wanted.at(c).name));
                files.u8(quint8(m.wanted.at(c).function));
                files.u8(quint8(m.wanted.at(c).claim));
            }
        }
    }
    QByteArray bytes;
    ByteWriter w(bytes);
    w.bytes(Magic, MagicLength);
    w.u32le(Format);
    writeText(w, QStringLiteral(ZELVAR71_VERSION));
    w.u32le(quint32(dictionary.size()));
    for (const QString &name : std::as_const(dictionary))
        writeText(w, name);
    bytes += body;
    bytes += QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
    return bytes;
}

Outcome ChannelIndex::decode(const QByteArray &bytes, ChannelIndex &index)
{
    if (bytes.size() < MagicLength + DigestLength || bytes.left(MagicLength) != QByteArray(Magic, MagicLength))
        return Outcome::failure(QStringLiteral("it is not a channel index"));
    const QByteArray content = bytes.left(bytes.size() - DigestLength);
    if (QCryptographicHash::hash(content, QCryptographicHash::Sha1) != bytes.right(DigestLength))
        return Outcome::failure(QStringLiteral("it is damaged or cut short"));
    const QByteArray fields = content.mid(MagicLength);
    CacheReader r(fields); // reads `fields` in place: it must outlive the reader
    if (r.u32() != Format || r.text() != QLatin1String(ZELVAR71_VERSION))
        return Outcome::failure(QStringLiteral("another version of the program made it"));
    const quint32 names = r.count(4);
    QStringList dictionary;
    for (quint32 i = 0; i < names && r.ok(); ++i)
        dictionary << r.text();
    const auto name = [&](quint32 id) {
        if (id >= quint32(dictionary.size())) {
            r.fail();
            return QString();
        }
        return dictionary.at(qsizetype(id));
    };
    ChannelIndex read;
    const quint32 fileCount = r.count(5 * 4 + 3 * 8 + 4);
    for (quint32 i = 0; i < fileCount && r.ok(); ++i) {
        IndexedFile f;
        for (QString *text : {&f.path, &f.kind, &f.manufacturer, &f.model, &f.problem})
            *text = r.text();
        f.size = r.u64();
        f.modified = r.u64();
        f.changed = r.u64();
        const quint32 modeCount = r.count(4 + 4 + 1);
        for (quint32 m = 0; m < modeCount && r.ok(); ++m) {
            IndexedMode mode;
            mode.mode = int(r.u32());
            mode.name = r.text();
            const int channels = r.u8();
            if (channels < 1 || channels > MaxChannels || mode.mode < 0)
                r.fail();
            for (int c = 0; c < channels && r.ok(); ++c) {
                mode.channels << name(r.u32());
                ChannelToName wanted;
                wanted.name = name(r.u32());
                const int function = r.u8();
                const int claim = r.u8();
                if (function > LastFunction || claim > LastClaim)
                    r.fail();
                wanted.function = ImportFunction(function);
                wanted.claim = NameClaim(claim);
                mode.wanted.append(wanted);
            }
            f.modes.append(mode);
        }
        read.m_files.append(f);
    }
    if (!r.ok() || !r.atEnd())
        return Outcome::failure(QStringLiteral("it is damaged"));
    read.rebuildSearch();
    index = std::move(read);
    return Outcome::success();
}

QString channelIndexCacheFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
        .filePath(QStringLiteral("channel-index"));
}

void UpdateChannelIndex(ChannelIndex &index, const QVector<ImportLibrary> &libraries, const QString &cacheFile,
                        ChannelIndexUpdate &update, const ChannelIndexProgress &progress,
                        const std::function<bool()> &stop)
{
    update = ChannelIndexUpdate();
    bool badCache = false;
    if (index.files().isEmpty() && QFileInfo::exists(cacheFile)) {
        QByteArray bytes;
        Outcome read = readFilePrefix(cacheFile, ChannelIndexFileKind, bytes);
        if (read) {
            read = ChannelIndex::decode(bytes, index);
            if (!read)
                read = Outcome::failure(
                    QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(cacheFile), read.reason()));
        }
        update.fromCache = read.ok();
        if (!read) {
            badCache = true;
            update.cacheProblem =
                QStringLiteral("The channel index could not be used, so the libraries are read again: %1")
                    .arg(read.reason());
        }
    }
    int dropped = 0;
    update.read = index.refresh(libraries, progress, stop, &dropped);
    update.stopped = stop && stop();
    if (update.read == 0 && dropped == 0 && !badCache)
        return;
    Outcome written = QDir().mkpath(QFileInfo(cacheFile).path())
        ? replaceFile(cacheFile, index.encode())
        : Outcome::failure(QStringLiteral("the folder cannot be made"));
    if (!written) {
        const QString problem = QStringLiteral("The channel index could not be kept in %1: %2")
                                    .arg(QDir::toNativeSeparators(cacheFile), written.reason());
        update.cacheProblem =
            update.cacheProblem.isEmpty() ? problem : update.cacheProblem + QLatin1Char('\n') + problem;
    }
}

} // namespace zelvar
