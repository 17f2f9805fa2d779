// Bounded reads and complete-or-nothing writes on top of the system's file calls.
#include "common/filestore.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <memory>
#include <vector>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvar {

namespace {

// A read holds at most this much more than the file's size said, when it grows meanwhile.
constexpr qint64 ReadGrowth = 64 * 1024;

QString shownName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? path : name;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

Outcome failure(const QString &action, const QString &path, const QString &error)
{
    return Outcome::failure(QStringLiteral("Cannot %1 %2: %3").arg(action, shownName(path), error));
}

// What stands at a path that is not a plain file, as a message names it.
QString typeName(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a pipe");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("no plain file");
}

Outcome checkStatus(const QString &path, const struct stat &st, const FileKind &kind)
{
    if (!S_ISREG(st.st_mode))
        return Outcome::failure(QStringLiteral("%1 is %2, not a file").arg(shownName(path), typeName(st.st_mode)));
    if (qint64(st.st_size) > kind.sizeLimit)
        return Outcome::failure(QStringLiteral("%1 is %2 bytes long; %3 has at most %4 bytes")
                                    .arg(shownName(path))
                                    .arg(qint64(st.st_size))
                                    .arg(QLatin1String(kind.name))
                                    .arg(kind.sizeLimit));
    return Outcome::success();
}

// A descriptor of the checked file, opened so that the open cannot wait for a writer or a
// device. Its size is what the system said once it was open.
Outcome openChecked(const QString &path, const FileKind &kind, int &fd, qint64 &size)
{
    if (Outcome checked = checkFileToRead(path, kind); !checked)
        return checked;
    fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return failure(QStringLiteral("open"), path, systemError(errno));
    struct stat st;
    Outcome checked = ::fstat(fd, &st) == 0 ? checkStatus(path, st, kind)
                                            : failure(QStringLiteral("read"), path, systemError(errno));
    if (!checked) {
        ::close(fd);
        fd = -1;
        return checked;
    }
    // Reads of a plain file never wait; the flag was only for the open.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    size = qint64(st.st_size);
    return Outcome::success();
}

// Six letters or digits, for a fresh name beside a file.
QString randomSuffix()
{
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix(6, QLatin1Char('x'));
    for (QChar &c : suffix)
        c = QLatin1Char(Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))]);
    return suffix;
}

bool writeWhole(int fd, const char *data, qint64 size, qint64 &done, int &error)
{
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size_t(size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        done += n;
    }
    return true;
}

} // namespace

Outcome checkFileToRead(const QString &path, const FileKind &kind)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        if (errno == ENOENT)
            return Outcome::failure(QStringLiteral("%1 does not exist").arg(shownName(path)));
        return failure(QStringLiteral("read"), path, systemError(errno));
    }
    return checkStatus(path, st, kind);
}

Outcome openFileToRead(const QString &path, const FileKind &kind, QFile &file)
{
    int fd = -1;
    qint64 size = 0;
    if (Outcome opened = openChecked(path, kind, fd, size); !opened)
        return opened;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failure(QStringLiteral("open"), path, file.errorString());
    }
    return Outcome::success();
}

Outcome readFilePrefix(const QString &path, const FileKind &kind, QByteArray &out, qint64 maxBytes)
{
    int fd = -1;
    qint64 size = 0;
    if (Outcome opened = openChecked(path, kind, fd, size); !opened)
        return opened;
    const bool whole = maxBytes < 0;
    // A whole read looks one byte past the limit, to see a file that grew after the check.
    const qint64 wanted = whole ? std::min(kind.sizeLimit, AnyFile.sizeLimit - 1) + 1 : maxBytes;
    QByteArray data;
    qint64 done = 0;
    Outcome result = Outcome::success();
    while (done < wanted) {
        if (done == data.size())
            data.resize(qsizetype(std::min(wanted, done == 0 ? size + 1 : done + ReadGrowth)));
        const ssize_t n = ::read(fd, data.data() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result = failure(QStringLiteral("read"), path, systemError(errno));
            break;
        }
        if (n == 0)
            break;
        done += n;
    }
    ::close(fd);
    if (!result)
        return result;
    if (whole && done > kind.sizeLimit)
        return Outcome::failure(QStringLiteral("%1 grew past %2 bytes while it was read; %3 has at most %2 bytes")
                                    .arg(shownName(path))
                                    .arg(kind.sizeLimit)
                                    .arg(QLatin1String(kind.name)));
    data.truncate(qsizetype(done));
    out = data;
    return Outcome::success();
}

FileWriter::FileWriter(const QString &target) : m_target(target)
{
    // A link is followed: the file it names is the one replaced, and the link stays.
    const QFileInfo info(target);
    if (info.isSymLink()) {
        const QString canonical = info.canonicalFilePath();
        m_target = canonical.isEmpty() ? info.symLinkTarget() : canonical;
    }
}

FileWriter::~FileWriter()
{
    if (!m_placed)
        cancel();
    closeFile();
}

Outcome FileWriter::failure(const QString &error) const
{
    return zelvar::failure(QStringLiteral("write"), m_target, error);
}

Outcome FileWriter::open(const QString &newPath)
{
    cancel();
    m_written = 0;
    m_placed = false;
    m_prepared = false;
    const QByteArray target = QFile::encodeName(m_target);
    struct stat old;
    const bool replacing = ::stat(target.constData(), &old) == 0;
    // Only a plain file is replaced: a device or a pipe would be swapped for a file, and a
    // folder cannot be.
    if (replacing && !S_ISREG(old.st_mode))
        return Outcome::failure(
            QStringLiteral("%1 is %2, not a file").arg(shownName(m_target), typeName(old.st_mode)));

    const auto create = [](const QString &path) {
        return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    };
    if (!newPath.isEmpty()) {
        struct stat there;
        if (::lstat(QFile::encodeName(newPath).constData(), &there) == 0) {
            if (S_ISDIR(there.st_mode))
                return failure(QStringLiteral("%1 is a folder").arg(shownName(newPath)));
            if (::unlink(QFile::encodeName(newPath).constData()) != 0)
                return failure(QStringLiteral("%1 cannot be replaced: %2").arg(shownName(newPath), systemError(errno)));
        }
        m_fd = create(newPath);
        m_newPath = newPath;
    } else {
        // A fresh name beside the target, as no other file has it.
        for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
            m_newPath = m_target + QLatin1Char('.') + randomSuffix();
            m_fd = create(m_newPath);
            if (m_fd < 0 && errno != EEXIST)
                break;
        }
    }
    if (m_fd < 0) {
        const int error = errno;
        m_newPath.clear();
        return failure(systemError(error));
    }
    if (replacing)
        ::fchmod(m_fd, old.st_mode & 07777);
    return Outcome::success();
}

Outcome FileWriter::write(const char *data, qint64 size)
{
    if (m_fd < 0)
        return failure(QStringLiteral("the file is not open"));
    qint64 done = 0;
    int error = 0;
    const bool whole = writeWhole(m_fd, data, size, done, error);
    m_written += done;
    if (!whole)
        return failure(systemError(error));
    return Outcome::success();
}

Outcome FileWriter::sync()
{
    if (::fsync(m_fd) != 0)
        return failure(systemError(errno));
    return Outcome::success();
}

Outcome FileWriter::placeOverTarget()
{
    if (::rename(QFile::encodeName(m_newPath).constData(), QFile::encodeName(m_target).constData()) != 0)
        return failure(systemError(errno));
    m_placed = true;
    return Outcome::success();
}

void FileWriter::closeFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

Outcome FileWriter::prepare()
{
    if (m_prepared)
        return Outcome::success();
    if (m_fd < 0)
        return failure(QStringLiteral("the file is not open"));
    Outcome done = sync();
    // Some file systems tell of a failed write only when the file is closed.
    const int closed = ::close(m_fd);
    const int error = errno;
    m_fd = -1;
    if (done && closed != 0)
        done = failure(systemError(error));
    if (!done) {
        cancel();
        return done;
    }
    m_prepared = true;
    return done;
}

Outcome FileWriter::commit(DiskSync diskSync)
{
    if (!m_prepared) {
        if (m_fd < 0)
            return failure(QStringLiteral("the file is not open"));
        Outcome done = diskSync == DiskSync::Now ? sync() : Outcome::success();
        const int closed = ::close(m_fd);
        const int error = errno;
        m_fd = -1;
        if (done && closed != 0)
            done = failure(systemError(error));
        if (!done) {
            cancel();
            return done;
        }
    }
    Outcome done = m_placed ? Outcome::success() : placeOverTarget();
    if (!done)
        cancel();
    return done;
}

Outcome FileWriter::commitAndKeepOpen()
{
    if (m_fd < 0)
        return failure(QStringLiteral("the file is not open"));
    if (m_placed)
        return Outcome::success();
    if (Outcome synced = sync(); !synced)
        return synced;
    return placeOverTarget();
}

void FileWriter::closeAndKeep()
{
    closeFile();
    // Kept: no longer this writer's to remove.
    m_newPath.clear();
}

void FileWriter::cancel()
{
    closeFile();
    m_prepared = false;
    if (!m_placed && !m_newPath.isEmpty())
        ::unlink(QFile::encodeName(m_newPath).constData());
    m_newPath.clear();
}

Outcome replaceFile(const QString &path, const QByteArray &content, DiskSync sync)
{
    FileWriter writer(path);
    if (Outcome opened = writer.open(); !opened)
        return opened;
    if (Outcome written = writer.write(content); !written)
        return written;
    return writer.commit(sync);
}

namespace {

// Keeps the file at `target` under a fresh name beside it, `kept`: a second link to it where
// the file system has them, else a copy.
Outcome keepBeside(const QString &target, QString &kept)
{
    const QByteArray from = QFile::encodeName(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        kept = target + QStringLiteral(".kept-") + randomSuffix();
        if (::link(from.constData(), QFile::encodeName(kept).constData()) == 0)
            return Outcome::success();
        if (errno != EEXIST)
            break;
    }
    QByteArray old;
    if (Outcome read = readFilePrefix(target, AnyFile, old); !read)
        return read;
    FileWriter copy(kept);
    Outcome copied = copy.open(kept);
    if (copied)
        copied = copy.write(old);
    if (copied)
        copied = copy.commit();
    if (!copied)
        kept.clear();
    return copied;
}

} // namespace

Outcome replaceFilesTogether(const QVector<FileReplacement> &files, const std::function<void(int)> &beforePlacing)
{
    // Every new file complete and on the disk before the first one is placed.
    std::vector<std::unique_ptr<FileWriter>> writers;
    for (const FileReplacement &file : files) {
        auto writer = std::make_unique<FileWriter>(file.path);
        Outcome ready = writer->open();
        if (ready)
            ready = writer->write(file.content);
        if (ready)
            ready = writer->prepare();
        if (!ready)
            return ready;
        writers.push_back(std::move(writer));
    }
    struct Placed
    {
        QString target;
        QString kept; // the old file until every one is placed; empty when there was none
    };
    std::vector<Placed> placed;
    const auto putBack = [&placed] {
        for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
            const QByteArray target = QFile::encodeName(it->target);
            if (it->kept.isEmpty())
                ::unlink(target.constData());
            else
                ::rename(QFile::encodeName(it->kept).constData(), target.constData());
        }
    };
    for (size_t i = 0; i < writers.size(); ++i) {
        if (beforePlacing)
            beforePlacing(int(i));
        FileWriter &writer = *writers[i];
        QString kept;
        struct stat st;
        if (::stat(QFile::encodeName(writer.target()).constData(), &st) == 0) {
            if (Outcome keptOld = keepBeside(writer.target(), kept); !keptOld) {
                putBack();
                return keptOld;
            }
        }
        if (Outcome committed = writer.commit(); !committed) {
            if (!kept.isEmpty())
                ::unlink(QFile::encodeName(kept).constData());
            putBack();
            return committed;
        }
        placed.push_back({writer.target(), kept});
    }
    for (const Placed &p : placed) {
        if (!p.kept.isEmpty())
            ::unlink(QFile::encodeName(p.kept).constData());
    }
    return Outcome::success();
}

Outcome overwriteFromStart(const QString &path, const QByteArray &content, const FileKind &kind)
{
    QByteArray full = content;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        QByteArray old;
        if (Outcome read = readFilePrefix(path, kind, old); !read)
            return read;
        if (old.size() > content.size())
            full.append(old.mid(content.size()));
    }
    return replaceFile(path, full);
}

Outcome createIfMissing(const QString &path)
{
    // Exclusive: an existing file, or a pipe, is never opened, let alone cut.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        return Outcome::success();
    }
    if (errno == EEXIST)
        return Outcome::success();
    return failure(QStringLiteral("create"), path, systemError(errno));
}

} // namespace zelvar
