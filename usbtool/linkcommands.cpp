// The link commands and the finish step, on the window's thread.
#include "usbtool/linkcommands.h"

#include "usbtool/devicelibrary.h"
#include "usbtool/linkpanel.h"

#include <QEventLoop>
#include <QFileInfo>

namespace zelvar {

namespace {

const QString CompleteStatus = QStringLiteral("File Option is Complete ");

// What the user needs to hear about a transfer that did not end as asked.
QString failureMessage(const LinkResult &result, const QString &path, quint16 mode)
{
    const QString name = QFileInfo(path).fileName();
    if (result.end == LinkResult::End::FileFailed)
        return result.reason + QLatin1Char('!');
    if (mode == LinkTransfer::SendMode)
        return QStringLiteral("Send is incomplete: %1 of %2 bytes of %3 sent!")
            .arg(result.bytes)
            .arg(result.fileSize)
            .arg(name);
    if (result.bytes == 0)
        return QStringLiteral("Receive stopped: the interface failed before any data came. %1 is unchanged!").arg(name);
    return QStringLiteral("Receive stopped: the interface failed. %1!").arg(result.kept);
}

// The status line after the finish step: the text of a transfer that did its job, or how
// far one got that was stopped on the way or failed.
QString endStatus(const LinkResult &result, quint16 mode, bool stopAsked)
{
    const bool failed = result.end == LinkResult::End::LinkFailed || result.end == LinkResult::End::FileFailed;
    if (result.end == LinkResult::End::Sent || (result.end == LinkResult::End::Cancelled && !stopAsked))
        return CompleteStatus;
    const QString how = failed ? QStringLiteral("failed") : QStringLiteral("stopped");
    if (mode == LinkTransfer::SendMode && result.fileSize > 0)
        return QStringLiteral("Send %1: %2 of %3 bytes sent").arg(how).arg(result.bytes).arg(result.fileSize);
    if (mode == LinkTransfer::SendMode)
        return QStringLiteral("Send %1: %2 bytes sent").arg(how).arg(result.bytes);
    return QStringLiteral("Receive %1: %2 bytes received").arg(how).arg(result.bytes);
}

} // namespace

LinkCommands::LinkCommands(DeviceLibrary &device, LinkPanel &panel, QObject *parent)
    : QObject(parent), m_device(device), m_panel(panel)
{
    qRegisterMetaType<zelvar::LinkResult>();
    m_thread.setObjectName(QStringLiteral("LinkTransfer"));
    cancelEvent.reset();
}

LinkCommands::~LinkCommands()
{
    cancelAndWait();
    m_thread.quit();
    m_thread.wait();
}

void LinkCommands::receiveFile()
{
    if (!m_panel.report(m_device.requireLibrary()))
        return;
    m_panel.report(m_device.CloseInterface());
    m_panel.report(m_device.OpenInterface(InterfaceModel::Link, LinkBitRate));
    const QString path = m_panel.chooseFile(FileChoice::Save, QStringLiteral("Receive file"), QString());
    if (path.isEmpty())
        return;
    transferMode = LinkTransfer::ReceiveMode;
    m_panel.setLinkButtons(false, true, false, false);
    transferPath = path;
    m_panel.showStatus(QStringLiteral("Waiting Receive Data ......"));
    start();
}

void LinkCommands::sendFile()
{
    if (!m_panel.report(m_device.requireLibrary()))
        return;
    m_panel.report(m_device.CloseInterface());
    m_panel.report(m_device.OpenInterface(InterfaceModel::Link, LinkBitRate));
    const QString path = m_panel.chooseFile(FileChoice::Open, QStringLiteral("Send file"), QString());
    if (path.isEmpty())
        return;
    transferMode = LinkTransfer::SendMode;
    m_panel.setLinkButtons(false, false, false, true);
    m_panel.showStatus(QStringLiteral("Sending"));
    transferPath = path;
    start();
}

void LinkCommands::start()
{
    cancelEvent.reset();
    m_running = true;
    m_stopAsked = false;
    m_interfaceOpen = m_device.handle() != nullptr;
    if (!m_thread.isRunning())
        m_thread.start();

    auto *worker = new LinkTransfer(m_device, transferMode, transferPath, cancelEvent);
    worker->moveToThread(&m_thread);
    // Queued: each report runs here, on the window's thread, in the order it was sent.
    connect(worker, &LinkTransfer::pathShown, this, [this](const QString &path) { m_panel.showPath(path); });
    connect(worker, &LinkTransfer::progressRangeSet, this, [this](int maximum) { m_panel.setProgressRange(maximum); });
    connect(worker, &LinkTransfer::progressPositionSet, this,
            [this](int position) { m_panel.setProgressPosition(position); });
    connect(worker, &LinkTransfer::progressStepSet, this, [this](int step) { m_panel.setProgressStep(step); });
    connect(worker, &LinkTransfer::progressStepped, this, [this] { m_panel.stepProgress(); });
    // The worker waits while the box is open, as it would for a box of its own.
    connect(
        worker, &LinkTransfer::messageShown, this, [this](const QString &text) { m_panel.showMessage(text); },
        Qt::BlockingQueuedConnection);
    connect(worker, &LinkTransfer::finished, this, [this](const LinkResult &result) { finishStep(result); });
    connect(worker, &LinkTransfer::finished, worker, &QObject::deleteLater);
    emit transferStarted();
    QMetaObject::invokeMethod(worker, &LinkTransfer::run, Qt::QueuedConnection);
}

void LinkCommands::finishStep(const LinkResult &result)
{
    m_running = false;
    m_panel.setLinkButtons(true, false, true, false);
    m_panel.showStatus(endStatus(result, transferMode, m_stopAsked));
    m_panel.setProgressPosition(0);
    emit transferFinished(result);
    // A cancel is what the user asked for; a failure of an interface that was never
    // there has been told already.
    const bool failed = result.end == LinkResult::End::FileFailed
        || (result.end == LinkResult::End::LinkFailed && m_interfaceOpen);
    if (failed)
        m_panel.showMessage(failureMessage(result, transferPath, transferMode));
}

void LinkCommands::stop()
{
    if (!m_running)
        return;
    m_stopAsked = true;
    cancelEvent.set();
}

void LinkCommands::cancelAndWait()
{
    if (!m_running)
        return;
    cancelEvent.set();
    // The finish step arrives through this thread's event queue, so it cannot slip by
    // between the check above and the loop.
    QEventLoop loop;
    connect(this, &LinkCommands::transferFinished, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace zelvar
