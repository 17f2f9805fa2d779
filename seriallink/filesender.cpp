// The block loop of a send and its wait for the port to drain.
#include "seriallink/filesender.h"

#include "common/filestore.h"
#include "seriallink/downloadcomm.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace zelvar {

namespace {
// The wait wakes when the port hands bytes to the device, when it closes, and otherwise
// when the line should have carried what is queued (within these bounds), so that the next
// block follows the last one within a millisecond or so.
constexpr int ShortestWaitMs = 1;
constexpr int LongestWaitMs = 100;
} // namespace

FileSender::FileSender(QObject *parent) : QObject(parent) {}

FileSender::~FileSender() = default;

Outcome FileSender::open(const QString &path)
{
    close();
    // A pipe or a device would hold the window in its open, and has no size to send.
    if (Outcome usable = checkFileToRead(path, AnyFile); !usable)
        return usable;
    m_file.setFileName(path);
    // Unbuffered: a block is read from the file when it is sent, and only one is in memory.
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return Outcome::failure(m_file.errorString());
    m_fileSize = m_file.size();
    return Outcome::success();
}

void FileSender::close()
{
    m_file.close();
    if (m_loop)
        m_loop->quit();
}

FileSender::Result FileSender::run(DownLoadComm &port)
{
    Result result;
    QEventLoop loop;
    m_loop = &loop;
    m_running = true;
    const auto wake = [&loop] { loop.quit(); };
    QMetaObject::Connection moved = connect(&port, &DownLoadComm::outputMoved, &loop, wake);
    QMetaObject::Connection closed = connect(&port, &DownLoadComm::closed, &loop, wake);
    QString lostReason;
    QMetaObject::Connection lost =
        connect(&port, &DownLoadComm::portLost, &loop, [&lostReason](const QString &reason) { lostReason = reason; });

    const auto finish = [&](End end, const QString &reason) {
        result.end = end;
        result.reason = reason;
        disconnect(moved);
        disconnect(closed);
        disconnect(lost);
        m_loop = nullptr;
        m_running = false;
        return result;
    };
    const auto portFailure = [&] {
        return lostReason.isEmpty() ? QStringLiteral("the port was closed") : lostReason;
    };

    qint64 readSoFar = 0;
    while (result.sentBytes < m_fileSize) {
        if (!m_file.isOpen())
            return finish(End::Cancelled, QString());
        const qint64 blockSize = std::min<qint64>(port.OutBufferSize(), m_fileSize - readSoFar);
        const QByteArray block = m_file.read(blockSize);
        if (block.size() != blockSize) {
            const QString why = m_file.error() != QFileDevice::NoError
                ? m_file.errorString()
                : QStringLiteral("the file ended after %1 bytes; it held %2 when the send began")
                      .arg(readSoFar + std::max<qint64>(block.size(), 0))
                      .arg(m_fileSize);
            return finish(End::ReadFailed, why);
        }
        readSoFar += blockSize;
        if (!port.PortOpen())
            return finish(End::PortFailed, portFailure());
        if (Outcome written = port.setOutput(block); !written)
            return finish(End::PortFailed, written.reason());
        result.sentBytes += blockSize;
        emit blockSent(result.sentBytes);

        switch (waitUntilDrained(port, loop)) {
        case Wait::Drained:
            result.confirmedBytes = result.sentBytes;
            break;
        case Wait::Stopped:
            return finish(End::Cancelled, QString());
        case Wait::PortClosed:
            // A cancel closes the file before the port; a closed port under an open file
            // failed by itself. What the port still held then never left.
            if (!m_file.isOpen())
                return finish(End::Cancelled, QString());
            if (port.unsentAtClose() >= 0)
                result.confirmedBytes = std::max(result.confirmedBytes, result.sentBytes - port.unsentAtClose());
            return finish(End::PortFailed, portFailure());
        }
    }
    return finish(End::Completed, QString());
}

FileSender::Wait FileSender::waitUntilDrained(DownLoadComm &port, QEventLoop &loop)
{
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.quit(); });
    for (;;) {
        if (!m_file.isOpen())
            return Wait::Stopped;
        if (!port.PortOpen())
            return Wait::PortClosed;
        const qint64 pending = port.OutBufferCount();
        if (pending <= 0)
            return Wait::Drained;
        const double ms = std::ceil(port.lineMilliseconds(pending));
        timer.start(int(std::clamp(ms, double(ShortestWaitMs), double(LongestWaitMs))));
        // A loop that refuses to run means the program is ending.
        if (loop.exec() < 0)
            return Wait::Stopped;
    }
}

} // namespace zelvar
