// Shows the link window alone. With --send it also sends a file (a demo download set unless
// FILE is given) over a simulated line paced like the real one, so that the transfer page
// can be seen at work.
//   zelvar71-preview-kiron [--send [FILE]]
#include "common/navigation.h"
#include "common/prompts.h"
#include "seriallink/kiron.h"
#include "seriallink/pacedline.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace zelvar;

namespace {

class AloneNavigator : public WindowNavigator
{
public:
    void showLinkWindow() override {}
    void showFixtureEditor() override {}
    void showChannelNameEditor() override {}
    void endProgram() override { QCoreApplication::quit(); }
};

// Answers the open dialog with the file to send; everything else goes to the screen.
class PreviewPrompts : public QtPrompts
{
public:
    QString fileToSend;
    QString openFile(QWidget *parent, const FileDialogRequest &request) override
    {
        return fileToSend.isEmpty() ? QtPrompts::openFile(parent, request) : fileToSend;
    }
};

QByteArray demoDownloadSet()
{
    QByteArray bytes("ZELVAR71");
    bytes.append(QByteArray(86529 - bytes.size(), '\0'));
    for (int i = 8; i < bytes.size(); i += 7)
        bytes[i] = char('A' + i % 26);
    return bytes;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool send = args.value(0) == QLatin1String("--send");
    if (!args.isEmpty() && !send) {
        std::fprintf(stderr, "usage: zelvar71-preview-kiron [--send [FILE]]\n");
        return 2;
    }

    AloneNavigator navigator;
    PreviewPrompts prompts;
    PacedLine line;
    QTemporaryDir folder;
    if (send) {
        prompts.fileToSend = args.value(1);
        if (prompts.fileToSend.isEmpty()) {
            prompts.fileToSend = folder.filePath(QStringLiteral("Show.tzk"));
            QFile demo(prompts.fileToSend);
            if (!demo.open(QIODevice::WriteOnly) || demo.write(demoDownloadSet()) < 0)
                return 1;
        }
        if (!line.create()) {
            std::fprintf(stderr, "zelvar71-preview-kiron: no pseudo-terminal\n");
            return 1;
        }
        line.startThread();
        qputenv("ZELVAR71_PORTS", QStringLiteral("3=%1").arg(line.devicePath()).toLocal8Bit());
    }

    auto *window = new Kiron(&navigator, prompts);
    window->show();
    if (send) {
        window->port().setLineQueueSource(line.queueSource());
        QTimer::singleShot(300, window, &Kiron::Command1_Click);
    }
    const int status = app.exec();
    line.stop();
    return status;
}
