// zelvar71-cli send PORT FILE and receive PORT FILE: a file to or from the controller over the
// serial link, with the link window's block size and line settings. PORT is a device path
// or a port number 3 to 6 (mapped as the link window maps it).
#include "commands.h"

#include "common/streamedfile.h"
#include "seriallink/downloadcomm.h"
#include "seriallink/filesender.h"
#include "seriallink/portmap.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace zelvar::cli {

const char *const SendUsage = "usage: zelvar71-cli send PORT FILE\n";
const char *const ReceiveUsage = "usage: zelvar71-cli receive PORT FILE [--idle SECONDS]\n";

namespace {

const QString LineSettings = QStringLiteral("38400,N,8,2");

// Ctrl+C (and a polite kill) reach the event loop through a pipe, so that a transfer ends
// in order: the file closed, the port closed, the count printed.
int stopPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(stopPipe[1], &byte, 1);
}

class StopSignals
{
public:
    StopSignals()
    {
        if (stopPipe[0] < 0 && ::pipe(stopPipe) == 0) {
            ::fcntl(stopPipe[0], F_SETFL, O_NONBLOCK);
            ::fcntl(stopPipe[1], F_SETFL, O_NONBLOCK);
        }
        m_notifier = new QSocketNotifier(stopPipe[0], QSocketNotifier::Read);
        std::signal(SIGINT, onStopSignal);
        std::signal(SIGTERM, onStopSignal);
    }
    ~StopSignals()
    {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        delete m_notifier;
    }
    QSocketNotifier *notifier() const { return m_notifier; }

private:
    QSocketNotifier *m_notifier;
};

// Opens `port` as given: a number through the port map, anything else as a device path.
bool openPort(DownLoadComm &comm, const QString &port, QTextStream &err)
{
    bool isNumber = false;
    const int number = port.toInt(&isNumber);
    if (isNumber) {
        if (number < FirstCandidatePort || number > LastCandidatePort) {
            err << "zelvar71-cli: port " << port << ": use a device path or a number 3 to 6\n";
            return false;
        }
        comm.setCommPort(number);
    } else {
        comm.setDevicePath(port);
    }
    comm.setSettings(LineSettings);
    if (Outcome opened = comm.setPortOpen(true); !opened) {
        err << "zelvar71-cli: cannot open the serial port: " << opened.reason() << "\n";
        if (comm.openFailure().kind == PortOpenFailure::PermissionDenied)
            err << "zelvar71-cli: add your user to the group " << QFileInfo(comm.openFailure().device).group()
                << " and log in again\n";
        return false;
    }
    return true;
}

bool onTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace

int serialSend(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() != 2) {
        err << SendUsage;
        return ExitUsage;
    }
    FileSender sender;
    if (Outcome opened = sender.open(args.at(1)); !opened) {
        err << "zelvar71-cli: " << args.at(1) << ": " << opened.reason() << "\n";
        return ExitFailure;
    }
    DownLoadComm port;
    if (!openPort(port, args.at(0), err))
        return ExitFailure;

    const bool progress = onTerminal();
    QObject::connect(&sender, &FileSender::blockSent, [&](qint64 sent) {
        if (!progress)
            return;
        const qint64 total = sender.fileSize();
        err << "\rsent " << sent << " of " << total << " bytes (" << (total ? sent * 100 / total : 100) << "%)";
        err.flush();
    });
    StopSignals stop;
    QObject::connect(stop.notifier(), &QSocketNotifier::activated, [&sender] { sender.close(); });

    const FileSender::Result result = sender.run(port);
    const QString device = port.deviceName();
    port.setPortOpen(false);
    if (progress)
        err << "\n";
    switch (result.end) {
    case FileSender::End::Completed:
        out << "sent " << result.sentBytes << " bytes of " << args.at(1) << " to " << device << "\n";
        return 0;
    case FileSender::End::Cancelled:
        err << "zelvar71-cli: send cancelled; " << result.confirmedBytes << " of " << sender.fileSize()
            << " bytes were sent\n";
        return ExitFailure;
    case FileSender::End::ReadFailed:
        err << "zelvar71-cli: " << args.at(1) << ": " << result.reason << "; " << result.confirmedBytes << " of "
            << sender.fileSize() << " bytes were sent\n";
        return ExitFailure;
    case FileSender::End::PortFailed:
        err << "zelvar71-cli: " << result.reason << "; " << result.confirmedBytes << " of " << sender.fileSize()
            << " bytes were sent\n";
        return ExitFailure;
    }
    return ExitFailure;
}

int serialReceive(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const auto usage = [&err] {
        err << ReceiveUsage;
        return ExitUsage;
    };
    int idleSeconds = 0;
    if (args.size() == 4 && args.at(2) == QLatin1String("--idle")) {
        bool ok = false;
        idleSeconds = args.at(3).toInt(&ok);
        if (!ok || idleSeconds <= 0)
            return usage();
    } else if (args.size() != 2) {
        return usage();
    }

    DownLoadComm port;
    if (!openPort(port, args.at(0), err))
        return ExitFailure;
    StreamedFile receiver;
    if (Outcome opened = receiver.open(args.at(1)); !opened) {
        err << "zelvar71-cli: " << args.at(1) << ": " << opened.reason() << "\n";
        return ExitFailure;
    }
    port.setInBufferCount(0);
    qint64 arrived = 0;

    QEventLoop loop;
    QString failure;
    QTimer idle;
    idle.setSingleShot(true);
    if (idleSeconds > 0) {
        QObject::connect(&idle, &QTimer::timeout, &loop, &QEventLoop::quit);
        idle.start(idleSeconds * 1000);
    }
    const bool progress = onTerminal();
    const auto storeWaiting = [&] {
        port.setInputLen(0);
        const QByteArray chunk = port.Input();
        if (chunk.isEmpty() || !failure.isEmpty())
            return;
        arrived += chunk.size();
        if (Outcome stored = receiver.append(chunk); !stored) {
            failure = stored.reason();
            loop.quit();
            return;
        }
        if (idleSeconds > 0)
            idle.start(idleSeconds * 1000);
        if (progress) {
            err << "\rreceived " << receiver.size() << " bytes";
            err.flush();
        }
    };
    QObject::connect(&port, &DownLoadComm::OnComm, &loop, [&] {
        if (port.CommEvent() == CommEventCode::BytesReceived)
            storeWaiting();
        else if (port.CommEvent() == CommEventCode::FramingError)
            loop.quit();
    });
    QObject::connect(&port, &DownLoadComm::portLost, &loop, [&](const QString &reason) {
        failure = reason;
        loop.quit();
    });
    StopSignals stop;
    QObject::connect(stop.notifier(), &QSocketNotifier::activated, &loop, &QEventLoop::quit);

    out << "receiving from " << port.deviceName() << " into " << args.at(1) << "\n";
    out.flush();
    loop.exec();

    if (failure.isEmpty() && port.PortOpen())
        storeWaiting(); // what arrived up to the end, before the port closes
    const QString device = port.deviceName();
    port.setPortOpen(false);
    if (failure.isEmpty()) {
        if (Outcome placed = receiver.finish(); !placed)
            failure = placed.reason();
    } else {
        receiver.keepPartial();
    }
    if (progress)
        err << "\n";
    if (!failure.isEmpty()) {
        err << "zelvar71-cli: receive stopped: " << failure << "; " << receiver.keptNote(arrived) << "\n";
        return ExitFailure;
    }
    out << "received " << receiver.size() << " bytes from " << device << " into " << args.at(1) << "\n";
    return 0;
}

} // namespace zelvar::cli
