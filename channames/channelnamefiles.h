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

// Reads "ChNameSet.fix" from `folder` as ReadChannelNameSet does, for a writer that adds
// names to it, and without creating it: a missing file gives the built-in names. A file
// that is there but cannot be read is a failure, so that nobody writes over names it did
// not see.
Outcome ReadChannelNameTable(const QString &folder, ChannelNameTable &table);

// Writes both files into `folder` from byte 0 without cutting them. Each file is replaced
// only once its new content is complete; a failure names the file. A file that is there but
// refused by the readers (see NameFileKind) is not written over.
Outcome SaveChannelNames(const QString &folder, const ChannelNameTable &table);

// The program's first start, and every start after: each of the two files that is missing
// from `folder` or 0 bytes long is written with the bytes of the same file in `from` when
// that one holds any, else with the default content (the 59 built-in names, the other
// entries never set), the bytes a Save of the built-in table writes. A file of 1 byte or
// more is the user's and stays as it is. A failure names the file.
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
// The choices from "ChNameSet.fix" in `folder`, created empty when missing. A file that
// cannot be read, or is refused, gives the built-in names, and the failure says why.
Outcome ReadChannelNameChoices(const QString &folder, QVector<ChannelNameChoice> &choices);

} // namespace zelvar
