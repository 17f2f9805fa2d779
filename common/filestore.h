// Bounded whole-file reads and complete-or-nothing writes: a reader takes only a plain file
// of the size its kind allows, and a file is replaced only once its new content is complete
// (written beside it, checked, then renamed over it).
#pragma once

#include "common/outcome.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>
#include <limits>

class QFile;

namespace zelvar {

// What a reader takes: its name in messages ("a fixture profile") and the largest file it
// reads, in bytes.
struct FileKind
{
    const char *name;
    qint64 sizeLimit;
};

// A kind with no limit of its own, for files that are streamed rather than held.
inline constexpr FileKind AnyFile{"a file", std::numeric_limits<qint64>::max()};

// The check every reader makes first: `path` is a plain file, not a pipe, a device or a
// folder (which could block a read or never end), of at most kind.sizeLimit bytes. Nothing
// is opened, so nothing can block.
Outcome checkFileToRead(const QString &path, const FileKind &kind);

// Opens `path` for reading once checkFileToRead allows it. The open itself cannot block
// either: whatever came to stand at the path in between is checked again once open.
Outcome openFileToRead(const QString &path, const FileKind &kind, QFile &file);

// Reads the file when the checks allow it: all of it, or its first `maxBytes` bytes.
Outcome readFilePrefix(const QString &path, const FileKind &kind, QByteArray &out, qint64 maxBytes = -1);

// Whether a write waits until the bytes are on the disk. Later: the caller asks for the
// whole folder at once when it has written many files (syncfs).
enum class DiskSync { Now, Later };

// The one way a file is written. Bytes go into a new file beside the target, straight to
// the system with every write's result checked; commit() puts it in the target's place
// (keeping the target's permissions) once it is complete. Until then the target is as it
// was; a writer that is never committed removes its new file.
class FileWriter
{
public:
    explicit FileWriter(const QString &target);
    ~FileWriter();
    FileWriter(const FileWriter &) = delete;
    FileWriter &operator=(const FileWriter &) = delete;

    // `newPath` is where the bytes go before the commit: a fresh name beside the target when
    // empty; when given, a file already there is replaced.
    Outcome open(const QString &newPath = QString());
    bool isOpen() const { return m_fd >= 0; }
    QString target() const { return m_target; }
    QString newPath() const { return m_newPath; }

    // On a failure the bytes that reached the file stay in it; written() counts them.
    Outcome write(const char *data, qint64 size);
    Outcome write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    qint64 written() const { return m_written; }

    // The new file takes the target's place. On failure it is removed and the target stays.
    Outcome commit(DiskSync sync = DiskSync::Now);
    // The first half of a commit: the bytes reach the disk and the file is closed, still
    // beside the target; commit() then only puts it in the target's place. For files that
    // are replaced together, so that nothing is placed before every one is complete.
    Outcome prepare();
    // As commit, but the file stays open: later writes go into the target itself. For the
    // ways out that end the program at once.
    Outcome commitAndKeepOpen();
    // The new file is closed and left where it is, the target untouched.
    void closeAndKeep();
    // The new file is removed, the target untouched.
    void cancel();

private:
    Outcome failure(const QString &error) const;
    Outcome sync();
    Outcome placeOverTarget();
    void closeFile();

    QString m_target;  // the path written, symbolic links followed
    QString m_newPath;
    int m_fd = -1;
    qint64 m_written = 0;
    bool m_placed = false; // the new file has become the target
    bool m_prepared = false; // on the disk and closed, waiting to be placed
};

// Makes `path` hold exactly `content`. On failure the old file, if any, is left as it was
// and no new file is left beside it.
Outcome replaceFile(const QString &path, const QByteArray &content, DiskSync sync = DiskSync::Now);

// One file of a group replaced together.
struct FileReplacement
{
    QString path;
    QByteArray content;
};

// Makes every file hold its content, or none: all new files are written and put on the disk
// before the first is placed, and when a later one cannot be placed the ones already placed
// get their old files back (or are removed again when there were none). A target that is
// not a plain file refuses the whole group. `beforePlacing`, when given, runs before file
// i is placed (tests stand something in its way there).
Outcome replaceFilesTogether(const QVector<FileReplacement> &files,
                             const std::function<void(int)> &beforePlacing = {});

// Writes `content` from byte 0 without cutting the file: bytes of an existing file beyond
// content.size() stay. The existing file is read as `kind` (one it refuses is left alone
// and the write fails); the write is a complete replacement, so a failure changes nothing.
Outcome overwriteFromStart(const QString &path, const QByteArray &content, const FileKind &kind);

// Creates an empty file when none exists; an existing one is left untouched.
Outcome createIfMissing(const QString &path);

} // namespace zelvar
