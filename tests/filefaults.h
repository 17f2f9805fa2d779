// Files that fight back, for the tests of the readers and writers: a limit on the size any
// file may reach (writes past it fail as on a full disk, and root is no exception), a pipe
// nobody writes to, a huge file that takes no room on the disk.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

// While it lives, a write that would take any file of this process past `bytes` fails with
// EFBIG (RLIMIT_FSIZE), instead of sending SIGXFSZ. Restored when it goes.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        apply(bytes);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    // The same for a child process, set between its fork and its exec.
    static void applyTo(QProcess &process, rlim_t bytes)
    {
        process.setChildProcessModifier([bytes] {
            apply(bytes);
            std::signal(SIGXFSZ, SIG_IGN);
        });
    }

private:
    static void apply(rlim_t bytes)
    {
        struct rlimit limit;
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }

    struct rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
};

// A named pipe at `path`: opening it for reading waits for a writer that never comes.
inline bool makePipe(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
}

// A file of `size` bytes that holds no data blocks (all zero when read).
inline bool makeSparseFile(const QString &path, qint64 size)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.resize(size);
}

// The files in `folder`, names sorted, for "nothing else was left behind".
inline QStringList filesIn(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
    return names;
}

} // namespace testsupport
