// Shows the link window alone. With --send it also sends a file (a demo download set of the
// four library fixtures with the built-in channel names, unless FILE is given) over a
// simulated line paced like the real one, so that the transfer page can be seen at work.
//   zelvar71-preview-kiron [--send [FILE]]
#include "channames/channelnamefiles.h"
#include "common/filestore.h"
#include "common/navigation.h"
#include "common/prompts.h"
#include "downloadset/downloadsetfile.h"
#include "downloadset/libraryfixtures.h"
#include "seriallink/kiron.h"
#include "seriallink/pacedline.h"

#include <QApplication>
#include <QDir>
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

// The set the fixture selection composes by default, written into `folder`.
QByteArray demoDownloadSet(const QString &folder)
{
    ChannelNameTable names;
    names.LoadDefaultNames();
    const QString namesPath = QDir(folder).filePath(channelNameDownFileName());
    QStringList fixtures;
    for (const char *name : LibraryFixtureFileNames)
        fixtures << QDir(folder).filePath(QLatin1String(name));
    ComposedSet set;
    if (!WriteLibraryFixtures(folder) || !replaceFile(namesPath, EncodeChannelNameDown(names))
        || !ComposeDownloadSet(fixtures, namesPath, set))
        return QByteArray();
    return set.image;
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
            const QByteArray demo = demoDownloadSet(folder.path());
            if (demo.isEmpty() || !replaceFile(prompts.fileToSend, demo))
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
