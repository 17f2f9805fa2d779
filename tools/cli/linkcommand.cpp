// zelvar71-cli link ...: a file to the controller, or the controller's bytes into a file,
// over the Kiron USB link through the same commands as the transfer dialog.
#include "commands.h"
#include "terminalpanel.h"

#include "usbtool/devicelibrary.h"
#include "usbtool/linkcommands.h"
#include "usbtool/linkpanel.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace zelvar::cli {

const char *const LinkUsage = "usage: zelvar71-cli link send FILE\n"
                              "       zelvar71-cli link receive FILE SECONDS\n";

namespace {

// The dialog's part, played by the command line; buttons and status line are not shown.
class TerminalLinkPanel : public TerminalPanel<LinkPanel>
{
public:
    using TerminalPanel::TerminalPanel;
    void setLinkButtons(bool, bool, bool, bool) override {}
    void showStatus(const QString &) override {}
};

} // namespace

int link(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const QString command = args.value(0);
    bool secondsOk = false;
    const int seconds = args.value(2).toInt(&secondsOk);
    const bool send = command == QLatin1String("send") && args.size() == 2;
    const bool receive = command == QLatin1String("receive") && args.size() == 3 && secondsOk && seconds >= 0;
    if (command != QLatin1String("send") && command != QLatin1String("receive"))
        return notUnderstood(err, args.isEmpty() ? QStringLiteral("link needs a command")
                                                 : QStringLiteral("unknown command link ") + command,
                             LinkUsage);
    if (!send && !receive) {
        err << LinkUsage;
        return ExitUsage;
    }

    // The dialog's chooser names only files that are there; a typing error here must not
    // send an empty file instead.
    if (send && !QFileInfo(args.at(1)).isFile()) {
        err << "zelvar71-cli: link send: no such file: " << args.at(1) << "\n";
        return ExitFailure;
    }

    DeviceLibrary device;
    if (!bindDriver(device, QStringLiteral("link ") + command, err))
        return ExitFailure;
    TerminalLinkPanel panel(err, args.at(1));
    LinkCommands commands(device, panel);

    LinkResult result;
    QEventLoop loop;
    QObject::connect(&commands, &LinkCommands::transferFinished, &loop, [&](const LinkResult &r) {
        result = r;
        loop.quit();
    });
    // A receive has no end of its own: it is cancelled after the given time.
    QTimer stop;
    stop.setSingleShot(true);
    QObject::connect(&stop, &QTimer::timeout, &commands, [&] { commands.cancelReceive(); });
    if (send) {
        commands.sendFile();
    } else {
        commands.receiveFile();
        stop.start(seconds * 1000);
    }
    if (commands.isRunning())
        loop.exec();
    panel.report(device.CloseInterface());

    const bool done = send ? result.end == LinkResult::End::Sent : result.end == LinkResult::End::Cancelled;
    if (!done) {
        err << "zelvar71-cli: link " << command << ": "
            << (result.reason.isEmpty() ? QStringLiteral("the link failed") : result.reason) << "\n";
        return ExitFailure;
    }
    out << result.bytes << (send ? " bytes sent\n" : " bytes received\n");
    return 0;
}

} // namespace zelvar::cli
