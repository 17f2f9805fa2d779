// The two channel-name files: "ChNameSet.fix", the table as the user keeps it (256 records
// of 10 bytes), and "ChNameDown.fix", the names as the controller receives them (256 names
// of 8 bytes). They live in the program folder, or in the user's data folder when the
// program folder is not the user's to write (see channelNameFolder).
#pragma once

#include "channames/channelnametable.h"
#include "common/filestore.h"
#include "common/outcome.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>

namespace zelvar {

constexpr int SetRecordSize = 2 + ChannelNameLength;
constexpr int SetFileSize = ChannelNameCount * SetRecordSize;
constexpr int DownFileSize = ChannelNameCount * ChannelNameLength;
constexpr int MinSetFileLength = 580; // shorter set files are ignored and the defaults shown
constexpr int MinChoiceFileLength = 400; // shorter set files give the fixture editor no choices
static_assert(SetRecordSize == 10);
static_assert(SetFileSize == 2560);
static_assert(DownFileSize == 2048);
// Readers refuse a larger name file, and no writer replaces one they refuse.
inline constexpr FileKind NameFileKind{"a channel-name file", 64 * 1024};

inline QString channelNameSetFileName() { return QStringLiteral("ChNameSet.fix"); }
inline QString channelNameDownFileName() { return QStringLiteral("ChNameDown.fix"); }

QByteArray EncodeChannelNameSet(const ChannelNameTable &table);
// Names 0 to 58 are always the download names; 59 to 255 are the table's.
QByteArray EncodeChannelNameDown(const ChannelNameTable &table);

// Fills the table from the bytes of a set file. Shorter than MinSetFileLength: the
// built-in names are loaded instead. Otherwise every record is taken as stored; records
// the data does not reach (or reaches only in part) are NUL where it ends. Each name
// that is not all blanks is reported without its trailing blanks.
void DecodeChannelNameSet(const QByteArray &data, ChannelNameTable &table, const NameShown &show = {});

// Reads "ChNameSet.fix" from `folder`, creating it empty when missing. The table is
// always filled (the defaults when the file is short or unreadable); a failure says why
// the file could not be used.
Outcome ReadChannelNameSet(const QString &folder, ChannelNameTable &table, const NameShown &show = {});

// Both files of a folder as read together: what the programs take them for, and their
// bytes (empty for a missing file), whose tails beyond 2560 and 2048 bytes a write keeps.
struct ChannelNameFiles
{
    ChannelNameTable table;
    QByteArray set;
    QByteArray down;
};

// The table a "ChNameDown.fix" stands for when "ChNameSet.fix" is missing: the built-in
// names, and entries 59 to 255 set to the download file's names (a field of NULs stays an
// entry never set).
ChannelNameTable TableFromDownNames(const QByteArray &down);

// Reads both files of `folder`, creating nothing. The table comes from "ChNameSet.fix" as
// DecodeChannelNameSet takes it; when that is missing or empty, from "ChNameDown.fix"
// (TableFromDownNames); when both are, the built-in names. A file that is there but refused
// by the readers is a failure, so that nobody writes over names nobody has seen.
Outcome ReadChannelNameFiles(const QString &folder, ChannelNameFiles &files);

// Writes both files of `folder` from `table`, as a pair: both are replaced or neither is.
// Each keeps its bytes beyond its own length as `read` holds them. The `alongside` files are
// replaced together with the pair, after it, all or nothing. `beforePlacing` is for tests
// (see replaceFilesTogether). Only ChannelNameStore writes a folder the programs use.
Outcome WriteChannelNameFiles(const QString &folder, const ChannelNameFiles &read, const ChannelNameTable &table,
                              const QVector<FileReplacement> &alongside = {},
                              const std::function<void(int)> &beforePlacing = {});

// Reads both files and writes `table` over them as a pair: the whole table, without
// looking at what changed. For making a folder's files from nothing (tests, benches); a
// program's writers go through ChannelNameStore. A refused file fails the write.
Outcome SaveChannelNames(const QString &folder, const ChannelNameTable &table);

// Whether the files of `folder` hold nothing but the defaults `names init` writes: each is
// missing, or holds the built-in names in entries 0 to 58 (the download names in
// "ChNameDown.fix") and no name in entries 59 to 255. A file that cannot be read holds
// something else.
bool HoldsOnlyDefaultNames(const QString &folder);

// The program's first start, and every start after. Each of the two files that is missing
// from `folder` or 0 bytes long is rebuilt from the other; when both are, they are written
// with the pair in `from` when that holds one (as whoever set up the machine left it), else
// with the default content (the 59 built-in names, the other entries never set), the bytes
// a Save of the built-in table writes. A file of 1 byte or more is the user's and stays as
// it is, and nothing is written next to a file the readers refuse. A failure names the file.
Outcome CreateMissingChannelNameFiles(const QString &folder, const QString &from = QString());

// The folder of the two files, the one place where every reader and writer finds them:
// userFileFolder(), the program folder when it may be written and belongs to no package,
// else the user's data folder. The user's data folder is made ready on first use:
// created, and each file missing there (or 0 bytes long) copied from the program folder,
// or written with the defaults when the program folder has none.
QString channelNameFolder();

// What the start makes ready: the files of channelNameFolder() that are missing, from
// the program folder's or the defaults. A failure names the file.
Outcome PrepareChannelNameFiles();

// A name the fixture editor offers for a channel, with the nameId it stores.
struct ChannelNameChoice
{
    QString text;
    quint8 nameId = 0;
};

// The fixture editor's choices from the bytes of a set file, in file order: nothing when
// it is shorter than MinChoiceFileLength; records whose name starts with NUL or is all
// blanks are skipped; trailing blanks are cut, leading blanks stay.
QVector<ChannelNameChoice> DecodeChannelNameChoices(const QByteArray &data);
} // namespace zelvar
