// The link worker: the receive loop, the send loop and their file handling.
#include "usbtool/linktransfer.h"

#include "common/filestore.h"
#include "common/streamedfile.h"
#include "usbtool/cancelevent.h"
#include "usbtool/devicelibrary.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace zelvar {

using namespace d2xx;

namespace {

LinkResult fileFailure(const QString &action, const QString &path, const QString &error, qint64 bytes = 0)
{
    LinkResult r;
    r.end = LinkResult::End::FileFailed;
    r.bytes = bytes;
    r.reason = QStringLiteral("Cannot %1 %2: %3").arg(action, QFileInfo(path).fileName(), error);
    return r;
}

} // namespace

LinkTransfer::LinkTransfer(DeviceLibrary &device, quint16 transferMode, const QString &transferPath,
                           CancelEvent &cancelEvent)
    : m_device(device), m_mode(transferMode), m_path(transferPath), m_cancel(cancelEvent)
{
    qRegisterMetaType<zelvar::LinkResult>();
}

void LinkTransfer::run()
{
    emit pathShown(m_path);
    LinkResult result;
    if (m_mode == ReceiveMode)
        result = receive();
    else if (m_mode == SendMode)
        result = send();
    emit finished(result);
}

bool LinkTransfer::report(const DeviceStatus &done)
{
    for (const QString &message : done.messages)
        emit messageShown(message);
    return done.status == FT_OK;
}

bool LinkTransfer::readBlock(QByteArray &block)
{
    block.resize(ReceiveBlockSize);
    // Without RTS the controller holds its bytes back: a line that cannot be raised is as
    // dead as one that cannot be read.
    if (!report(m_device.raiseRts())) {
        block.clear();
        return false;
    }
    DWORD received = 0;
    const bool ok = report(m_device.read(block.data(), DWORD(ReceiveBlockSize), &received));
    report(m_device.lowerRts());
    // Never trust a count beyond what was asked for; what came before a failure is kept.
    block.truncate(qsizetype(std::min<DWORD>(received, DWORD(ReceiveBlockSize))));
    return ok;
}

LinkResult LinkTransfer::receive()
{
    // The old file stays until the receive ends; then it holds exactly what came.
    StreamedFile file;
    if (Outcome opened = file.open(m_path); !opened) {
        LinkResult r;
        r.end = LinkResult::End::FileFailed;
        r.reason = opened.reason();
        return r;
    }

    emit progressRangeSet(ReceiveProgressRange);
    emit progressPositionSet(0);
    emit progressStepSet(1);

    LinkResult result;
    QByteArray block;
    bool readOk = readBlock(block);
    for (;;) {
        if (!block.isEmpty()) {
            if (Outcome written = file.append(block); !written) {
                file.keepPartial();
                result.end = LinkResult::End::FileFailed;
                result.kept = file.keptNote(result.bytes + block.size());
                result.reason = written.reason() + QStringLiteral(". ") + result.kept;
                result.bytes = file.size();
                return result;
            }
            result.bytes += block.size();
        }
        if (!readOk) {
            result.end = LinkResult::End::LinkFailed;
            result.reason = QStringLiteral("the interface stopped answering");
            break;
        }
        if (!block.isEmpty())
            emit progressStepped();
        if (m_cancel.test()) {
            result.end = LinkResult::End::Cancelled;
            break;
        }
        readOk = readBlock(block);
    }
    if (result.end == LinkResult::End::LinkFailed) {
        // Cut short: the chosen file stays as it was, and what came lies beside it.
        file.keepPartial();
        result.kept = file.keptNote(result.bytes);
        return result;
    }
    if (Outcome placed = file.finish(); !placed) {
        result.end = LinkResult::End::FileFailed;
        result.kept = file.keptNote(result.bytes);
        result.reason = placed.reason() + QStringLiteral(". ") + result.kept;
    }
    return result;
}

int LinkTransfer::sendProgressRange(qint64 fileSize)
{
    const qint64 blocks = (fileSize + SendBlockSize - 1) / SendBlockSize;
    return int(std::clamp<qint64>(blocks, 1, std::numeric_limits<int>::max()));
}

LinkResult LinkTransfer::send()
{
    // As the chooser may name a file that is not there: it is created, and sends nothing.
    if (const Outcome created = createIfMissing(m_path); !created) {
        LinkResult r;
        r.end = LinkResult::End::FileFailed;
        r.reason = created.reason();
        return r;
    }
    // A pipe or a device would hold the worker in its open, past any cancel.
    if (const Outcome usable = checkFileToRead(m_path, AnyFile); !usable) {
        LinkResult r;
        r.end = LinkResult::End::FileFailed;
        r.reason = usable.reason();
        return r;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return fileFailure(QStringLiteral("open"), m_path, file.errorString());

    LinkResult result;
    result.fileSize = file.size();
    emit progressRangeSet(sendProgressRange(result.fileSize));
    emit progressPositionSet(0);
    emit progressStepSet(1);
    report(m_device.lowerRts());

    // Each block is read just before it goes out: the file is never held in memory.
    qint64 sent = 0;
    while (sent < result.fileSize) {
        const qint64 blockSize = std::min<qint64>(SendBlockSize, result.fileSize - sent);
        QByteArray block;
        if (file.seek(sent))
            block = file.read(blockSize);
        if (block.size() != blockSize) {
            LinkResult failed = fileFailure(QStringLiteral("read"), m_path, file.errorString(), sent);
            failed.fileSize = result.fileSize;
            return failed;
        }
        DWORD written = 0;
        const bool ok = report(m_device.write(block.constData(), DWORD(blockSize), &written));
        if (!ok || written != DWORD(blockSize)) {
            // A block taken only in part is a failed block: the controller has half of it.
            result.end = LinkResult::End::LinkFailed;
            result.bytes = sent + (ok ? qint64(std::min<DWORD>(written, DWORD(blockSize))) : 0);
            result.reason = QStringLiteral("the interface stopped taking data");
            return result;
        }
        emit progressStepped();
        const bool cancelled = m_cancel.test();
        sent += blockSize;
        result.bytes = sent;
        if (cancelled) {
            // A cancel that comes with the last block stops nothing.
            if (sent < result.fileSize)
                result.end = LinkResult::End::Cancelled;
            break;
        }
    }
    if (result.fileSize == 0)
        emit progressStepped();
    return result;
}

} // namespace zelvar
