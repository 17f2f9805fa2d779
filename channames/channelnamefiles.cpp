// Reading and writing "ChNameSet.fix" and "ChNameDown.fix".
#include "channames/channelnamefiles.h"

#include "common/filestore.h"
#include "common/programfolder.h"
#include "common/userfolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstring>

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

Outcome ReadChannelNameTable(const QString &folder, ChannelNameTable &table)
{
    const QString path = joinFolderPath(folder, channelNameSetFileName());
    QByteArray data;
    if (QFileInfo::exists(path)) {
        if (Outcome read = readFilePrefix(path, NameFileKind, data, SetFileSize); !read)
            return read;
    }
    ChannelNameTable read;
    DecodeChannelNameSet(data, read);
    table = read;
    return Outcome::success();
}

Outcome SaveChannelNames(const QString &folder, const ChannelNameTable &table)
{
    const QString setPath = joinFolderPath(folder, channelNameSetFileName());
    const QString downPath = joinFolderPath(folder, channelNameDownFileName());
    // A file the readers refuse is left as it is (overwriteFromStart reads it first).
    const Outcome set = overwriteFromStart(setPath, EncodeChannelNameSet(table), NameFileKind);
    const Outcome down = overwriteFromStart(downPath, EncodeChannelNameDown(table), NameFileKind);
    if (set && down)
        return Outcome::success();
    QStringList reasons;
    for (const Outcome *o : {&set, &down}) {
        if (!*o)
            reasons << o->reason();
    }
    return Outcome::failure(reasons.join(QLatin1Char('\n')));
}

Outcome CreateMissingChannelNameFiles(const QString &folder, const QString &from)
{
    ChannelNameTable defaults;
    defaults.LoadDefaultNames();
    const struct
    {
        QString name;
        QByteArray content;
    } files[] = {{channelNameSetFileName(), EncodeChannelNameSet(defaults)},
                 {channelNameDownFileName(), EncodeChannelNameDown(defaults)}};
    QStringList reasons;
    for (const auto &file : files) {
        const QString path = joinFolderPath(folder, file.name);
        const QFileInfo info(path);
        if (info.exists() && (!info.isFile() || info.size() > 0))
            continue;
        QByteArray content = file.content;
        if (!from.isEmpty()) {
            // The program folder's file, as whoever set up the machine left it.
            QByteArray given;
            if (readFilePrefix(joinFolderPath(from, file.name), NameFileKind, given) && !given.isEmpty())
                content = given;
        }
        if (Outcome written = replaceFile(path, content); !written)
            reasons << written.reason();
    }
    if (reasons.isEmpty())
        return Outcome::success();
    return Outcome::failure(reasons.join(QLatin1Char('\n')));
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

Outcome ReadChannelNameChoices(const QString &folder, QVector<ChannelNameChoice> &choices)
{
    const QString path = joinFolderPath(folder, channelNameSetFileName());
    Outcome read = createIfMissing(path);
    QByteArray data;
    if (read)
        read = readFilePrefix(path, NameFileKind, data, SetFileSize);
    if (!read) {
        ChannelNameTable defaults;
        defaults.LoadDefaultNames();
        data = EncodeChannelNameSet(defaults);
    }
    choices = DecodeChannelNameChoices(data);
    return read;
}

} // namespace zelvar
