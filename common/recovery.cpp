// Recovery files in the user's data folder, written on a timer.
#include "common/recovery.h"

#include "common/filestore.h"
#include "common/programfolder.h"
#include "common/userfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace zelvar {

namespace {
std::vector<RecoveryWriter *> &liveWriters()
{
    static std::vector<RecoveryWriter *> writers;
    return writers;
}
} // namespace

QString recoveryFolder()
{
    return userDataFolder();
}

std::optional<RecoveryFile> readRecoveryFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    RecoveryFile file;
    file.written = info.lastModified();
    file.read = readFilePrefix(path, RecoveryFileKind, file.bytes);
    return file;
}

RecoveryWriter::RecoveryWriter(const QString &fileName, Content content, QObject *parent)
    : QObject(parent), m_path(joinFolderPath(recoveryFolder(), fileName)), m_content(std::move(content)),
      m_timer(new QTimer(this))
{
    // Not restarted by later changes: a steady stream of edits still reaches the disk.
    m_timer->setSingleShot(true);
    m_timer->setInterval(WriteDelayMs);
    connect(m_timer, &QTimer::timeout, this, &RecoveryWriter::write);
    liveWriters().push_back(this);
}

RecoveryWriter::~RecoveryWriter()
{
    auto &writers = liveWriters();
    writers.erase(std::remove(writers.begin(), writers.end(), this), writers.end());
}

void RecoveryWriter::schedule()
{
    if (!m_timer->isActive())
        m_timer->start();
}

void RecoveryWriter::flush()
{
    if (!m_timer->isActive())
        return;
    m_timer->stop();
    write();
}

void RecoveryWriter::discard()
{
    m_timer->stop();
    m_onDisk.reset();
    if (QFileInfo::exists(m_path) && !QFile::remove(m_path))
        qWarning("Cannot remove the recovery file %s", qPrintable(m_path));
}

void RecoveryWriter::flushAll()
{
    // A flush never makes or removes a writer.
    for (RecoveryWriter *writer : liveWriters())
        writer->flush();
}

void RecoveryWriter::write()
{
    const std::optional<QByteArray> content = m_content();
    if (!content) {
        // Whatever file there is was offered when the window opened: it is stale now.
        discard();
        return;
    }
    if (m_onDisk == content)
        return;
    QDir().mkpath(QFileInfo(m_path).path());
    if (Outcome written = replaceFile(m_path, *content); !written) {
        // Told once, not at every change: the user's own Save still works.
        if (!m_failing) {
            m_failing = true;
            emit writeFailed(written.reason());
        }
        return;
    }
    m_failing = false;
    m_onDisk = content;
}

} // namespace zelvar
