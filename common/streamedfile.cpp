// A receive's target file, written beside it until the receive ends.
#include "common/streamedfile.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <algorithm>
#include <vector>

#include <sys/stat.h>

namespace zelvar {

namespace {

// The receives under way, for placeAll. The link receive runs on a worker thread.
QMutex openStreamsLock;
std::vector<StreamedFile *> &openStreams()
{
    static std::vector<StreamedFile *> streams;
    return streams;
}

bool isFile(const QString &path, qint64 *size = nullptr)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (size)
        *size = qint64(st.st_size);
    return true;
}

} // namespace

StreamedFile::StreamedFile() = default;

StreamedFile::~StreamedFile()
{
    if (m_open)
        keepPartial();
}

Outcome StreamedFile::open(const QString &target)
{
    if (m_open)
        keepPartial();
    m_target = target;
    m_placed = false;
    m_kept = false;
    m_writer = std::make_unique<FileWriter>(target);
    m_existingSize = 0;
    isFile(m_writer->target(), &m_existingSize);
    if (Outcome opened = m_writer->open(partialPath(m_writer->target())); !opened)
        return opened;
    m_open = true;
    QMutexLocker lock(&openStreamsLock);
    openStreams().push_back(this);
    return Outcome::success();
}

Outcome StreamedFile::append(const QByteArray &bytes)
{
    if (!m_open)
        return Outcome::failure(
            QStringLiteral("Cannot write %1: the receive has ended").arg(QFileInfo(m_target).fileName()));
    return m_writer->write(bytes);
}

Outcome StreamedFile::finish(NothingCame nothing)
{
    if (!m_open)
        return Outcome::success();
    if (!m_placed && size() == 0 && nothing == NothingCame::KeepsTarget && isFile(m_writer->target())) {
        abandon();
        return Outcome::success();
    }
    if (Outcome placed = placeNow(); !placed) {
        keepPartial();
        return placed;
    }
    close();
    return Outcome::success();
}

void StreamedFile::keepPartial()
{
    if (!m_open)
        return;
    if (!m_placed && size() == 0) {
        abandon();
        return;
    }
    m_kept = !m_placed;
    close();
}

void StreamedFile::abandon()
{
    if (!m_open)
        return;
    if (!m_placed)
        m_writer->cancel();
    close();
}

Outcome StreamedFile::placeNow()
{
    if (!m_open || m_placed)
        return Outcome::success();
    if (Outcome placed = m_writer->commitAndKeepOpen(); !placed)
        return placed;
    m_placed = true;
    return Outcome::success();
}

void StreamedFile::placeAll()
{
    QMutexLocker lock(&openStreamsLock);
    for (StreamedFile *stream : openStreams())
        stream->placeNow();
}

void StreamedFile::close()
{
    // The file is closed as it is: what it holds stays where it now lies.
    m_writer->closeAndKeep();
    m_open = false;
    QMutexLocker lock(&openStreamsLock);
    auto &streams = openStreams();
    streams.erase(std::remove(streams.begin(), streams.end(), this), streams.end());
}

QString StreamedFile::keptNote(qint64 arrived) const
{
    const QString target = QFileInfo(m_target).fileName();
    const QString partial = QFileInfo(partialPath(m_writer ? m_writer->target() : m_target)).fileName();
    if (arrived == 0)
        return QStringLiteral("%1 is unchanged; no byte arrived").arg(target);
    if (!m_kept)
        return QStringLiteral("%1 is unchanged; %2 bytes arrived, and none could be kept").arg(target).arg(arrived);
    if (size() == arrived)
        return QStringLiteral("%1 is unchanged; the %2 bytes that arrived are kept in %3")
            .arg(target)
            .arg(arrived)
            .arg(partial);
    return QStringLiteral("%1 is unchanged; %2 bytes arrived, and the first %3 are kept in %4")
        .arg(target)
        .arg(arrived)
        .arg(size())
        .arg(partial);
}

} // namespace zelvar
