// Reading and writing "ChNameSet.fix" and "ChNameDown.fix".
#include "channames/channelnamefiles.h"

#include "common/filestore.h"
#include "common/programfolder.h"
#include "common/userfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace zelvar {

QByteArray EncodeChannelNameSet(const ChannelNameTable &table)
{
    QByteArray out(SetFileSize, '\0');
    for (int i = 0; i < ChannelNameCount; ++i) {
        const ChannelNameEntry &e = table.entries[size_t(i)];
        char *record = out.data() + i * SetRecordSize;
        record[0] = char(e.entryIndex);
        record[1] = char(e.nameId);
        std::memcpy(record + 2, e.name.data(), ChannelNameLength);
    }
    return out;
}

QByteArray EncodeChannelNameDown(const ChannelNameTable &table)
{
    QByteArray out(DownFileSize, '\0');
    for (int i = 0; i < ChannelNameCount; ++i) {
        char *field = out.data() + i * ChannelNameLength;
        if (i < BuiltInNameCount)
            assignPadded(field, ChannelNameLength, QByteArray(DownloadNames[size_t(i)]));
        else
            std::memcpy(field, table.entries[size_t(i)].name.data(), ChannelNameLength);
    }
    return out;
}

void DecodeChannelNameSet(const QByteArray &data, ChannelNameTable &table, const NameShown &show)
{
    if (data.size() < MinSetFileLength) {
        table.LoadDefaultNames(show);
        return;
    }
    QByteArray full = data.left(SetFileSize);
    full.append(SetFileSize - full.size(), '\0');
    for (int i = 0; i < ChannelNameCount; ++i) {
        const char *record = full.constData() + i * SetRecordSize;
        ChannelNameEntry &e = table.entries[size_t(i)];
        e.entryIndex = quint8(record[0]);
        e.nameId = quint8(record[1]);
        e.name = FixedText<ChannelNameLength>::fromBytes(record + 2);
    }
    if (!show)
        return;
    for (int i = 0; i < ChannelNameCount; ++i) {
        const QString text = withoutTrailingBlanks(table.entries[size_t(i)].name.text());
        if (!text.isEmpty())
            show(i, text);
    }
}

Outcome ReadChannelNameSet(const QString &folder, ChannelNameTable &table, const NameShown &show)
{
    const QString path = joinFolderPath(folder, channelNameSetFileName());
    Outcome created = createIfMissing(path);
    QByteArray data;
    Outcome read = created ? readFilePrefix(path, NameFileKind, data, SetFileSize) : created;
    DecodeChannelNameSet(read ? data : QByteArray(), table, show);
    return read;
}

ChannelNameTable TableFromDownNames(const QByteArray &down)
{
    ChannelNameTable table;
    table.LoadDefaultNames();
    QByteArray full = down.left(DownFileSize);
    full.append(DownFileSize - full.size(), '\0');
    for (int i = BuiltInNameCount; i < ChannelNameCount; ++i) {
        const char *field = full.constData() + i * ChannelNameLength;
        if (std::all_of(field, field + ChannelNameLength, [](char c) { return c == '\0'; }))
            continue;
        ChannelNameEntry &e = table.entries[size_t(i)];
        e.entryIndex = quint8(i);
        e.nameId = quint8(i);
        e.name = FixedText<ChannelNameLength>::fromBytes(field);
    }
    return table;
}

namespace {

// A file of the pair as it is there: its bytes, or nothing when it is missing.
Outcome readNameFile(const QString &path, QByteArray &bytes)
{
    bytes.clear();
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 && errno == ENOENT)
        return Outcome::success();
    return readFilePrefix(path, NameFileKind, bytes);
}

} // namespace

Outcome ReadChannelNameFiles(const QString &folder, ChannelNameFiles &files)
{
    ChannelNameFiles read;
    for (const auto &[name, bytes] : {std::pair<QString, QByteArray *>{channelNameSetFileName(), &read.set},
                                      {channelNameDownFileName(), &read.down}}) {
        if (Outcome o = readNameFile(joinFolderPath(folder, name), *bytes); !o)
            return o;
    }
    if (!read.set.isEmpty())
        DecodeChannelNameSet(read.set, read.table);
    else if (!read.down.isEmpty())
        read.table = TableFromDownNames(read.down);
    else
        read.table.LoadDefaultNames();
    files = read;
    return Outcome::success();
}

Outcome WriteChannelNameFiles(const QString &folder, const ChannelNameFiles &read, const ChannelNameTable &table,
                              const QVector<FileReplacement> &alongside,
                              const std::function<void(int)> &beforePlacing)
{
    QVector<FileReplacement> files{
        {joinFolderPath(folder, channelNameSetFileName()), EncodeChannelNameSet(table) + read.set.mid(SetFileSize)},
        {joinFolderPath(folder, channelNameDownFileName()),
         EncodeChannelNameDown(table) + read.down.mid(DownFileSize)}};
    files << alongside;
    return replaceFilesTogether(files, beforePlacing);
}

Outcome SaveChannelNames(const QString &folder, const ChannelNameTable &table)
{
    ChannelNameFiles read;
    if (Outcome o = ReadChannelNameFiles(folder, read); !o)
        return o;
    return WriteChannelNameFiles(folder, read, table);
}

bool HoldsOnlyDefaultNames(const QString &folder)
{
    ChannelNameTable defaults;
    defaults.LoadDefaultNames();
    const struct
    {
        QString name;
        QByteArray content;
        int fieldOffset; // where a record's name begins
        int recordSize;
    } files[] = {{channelNameSetFileName(), EncodeChannelNameSet(defaults), 2, SetRecordSize},
                 {channelNameDownFileName(), EncodeChannelNameDown(defaults), 0, ChannelNameLength}};
    for (const auto &file : files) {
        QByteArray bytes;
        if (!readNameFile(joinFolderPath(folder, file.name), bytes))
            return false;
        // Only the names count; what lies beyond the records is nobody's names.
        bytes = bytes.left(file.content.size());
        for (int i = 0; i < ChannelNameCount; ++i) {
            const qsizetype at = qsizetype(i) * file.recordSize + file.fieldOffset;
            if (at >= bytes.size())
                break;
            const QByteArray name = bytes.mid(at, ChannelNameLength);
            if (i < BuiltInNameCount) {
                if (name != file.content.mid(at, name.size()))
                    return false;
            } else if (!std::all_of(name.begin(), name.end(), [](char c) { return c == '\0' || c == ' '; })) {
                return false;
            }
        }
    }
    return true;
}

Outcome CreateMissingChannelNameFiles(const QString &folder, const QString &from)
{
    const QString setPath = joinFolderPath(folder, channelNameSetFileName());
    const QString downPath = joinFolderPath(folder, channelNameDownFileName());
    ChannelNameFiles read;
    if (Outcome o = ReadChannelNameFiles(folder, read); !o)
        return o; // a file there is refused: nothing is written beside it
    if (!read.set.isEmpty() && !read.down.isEmpty())
        return Outcome::success();
    if (!read.set.isEmpty() || !read.down.isEmpty()) {
        // One of the pair is there: the other is made from it, and the one there stays.
        const bool setThere = !read.set.isEmpty();
        return replaceFile(setThere ? downPath : setPath,
                           setThere ? EncodeChannelNameDown(read.table) : EncodeChannelNameSet(read.table));
    }
    ChannelNameFiles given;
    if (!from.isEmpty() && ReadChannelNameFiles(from, given) && (!given.set.isEmpty() || !given.down.isEmpty())) {
        // The programs' folder's pair, as whoever set up the machine left it, byte for byte;
        // a file missing there is made from the other.
        const QByteArray set = given.set.isEmpty() ? EncodeChannelNameSet(given.table) : given.set;
        const QByteArray down = given.down.isEmpty() ? EncodeChannelNameDown(given.table) : given.down;
        return replaceFilesTogether({{setPath, set}, {downPath, down}});
    }
    ChannelNameTable defaults;
    defaults.LoadDefaultNames();
    return WriteChannelNameFiles(folder, read, defaults);
}

namespace {
// The user's own copies, from the program folder's files or the defaults.
Outcome makeUserCopies(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return Outcome::failure(QStringLiteral("The folder %1 cannot be created.").arg(folder));
    return CreateMissingChannelNameFiles(folder, programFolder());
}
} // namespace

QString channelNameFolder()
{
    const QString folder = userFileFolder();
    // A failure shows when a file there is read or saved, with its reason.
    if (folder != programFolder())
        makeUserCopies(folder);
    return folder;
}

Outcome PrepareChannelNameFiles()
{
    const QString folder = userFileFolder();
    return folder == programFolder() ? CreateMissingChannelNameFiles(folder) : makeUserCopies(folder);
}

QVector<ChannelNameChoice> DecodeChannelNameChoices(const QByteArray &data)
{
    QVector<ChannelNameChoice> choices;
    if (data.size() < MinChoiceFileLength)
        return choices;
    const int records = std::min<int>(ChannelNameCount, int(data.size() / SetRecordSize));
    for (int i = 0; i < records; ++i) {
        const char *record = data.constData() + i * SetRecordSize;
        if (record[2] == '\0')
            continue;
        const QString text = withoutTrailingBlanks(fromSingleByte(record + 2, ChannelNameLength));
        if (text.isEmpty())
            continue;
        choices.append(ChannelNameChoice{text, quint8(record[1])});
    }
    return choices;
}

} // namespace zelvar
