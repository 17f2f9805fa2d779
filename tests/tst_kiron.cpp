// The link window driven as a user drives it, against real pseudo-terminals: layout and load
// state, the device check, sends and Send Cancel, receives and Stop Receive, the failures a
// transfer can meet, Link Device, Fixture Edit and the menus.
#include "filefaults.h"
#include "pseudoterminal.h"
#include "scriptedprompts.h"
#include "testsupport.h"

#include "common/navigation.h"
#include "common/programfolder.h"
#include "common/twips.h"
#include "common/windowpresence.h"
#include "seriallink/downloadcomm.h"
#include "seriallink/kiron.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace zelvar;
using testsupport::readAll;
using testsupport::writeAll;

namespace {

const QString Caption = QStringLiteral("Kiron  Ver 1.09");

class RecordingNavigator : public WindowNavigator
{
public:
    int fixtureEditorShown = 0;
    int ended = 0;
    std::function<void()> onFixtureEditor;

    void showLinkWindow() override {}
    void showFixtureEditor() override
    {
        ++fixtureEditorShown;
        if (onFixtureEditor)
            onFixtureEditor();
    }
    void showChannelNameEditor() override {}
    void endProgram() override { ++ended; }
};

// A link window whose port 3 is a pseudo-terminal; the far end reports its queue like a
// USB serial driver, so that each block is read there before the next is written.
struct Rig
{
    ScriptedPrompts prompts;
    RecordingNavigator navigator;
    PseudoTerminal line;
    QTemporaryDir dir;
    QPointer<Kiron> window;

    Rig()
    {
        mapPorts(QStringLiteral("3=%1").arg(line.devicePath()));
        window = new Kiron(&navigator, prompts);
        window->port().setLineQueueSource(line.farEndQueue());
        window->show();
    }
    ~Rig() { delete window.data(); }

    QPushButton *button(const char *name) const { return window->findChild<QPushButton *>(QLatin1String(name)); }
    QLabel *label(const char *name) const { return window->findChild<QLabel *>(QLatin1String(name)); }
    QAction *action(const char *name) const { return window->findChild<QAction *>(QLatin1String(name)); }
    QPlainTextEdit *log() const { return window->findChild<QPlainTextEdit *>(QStringLiteral("text1")); }
    QProgressBar *progress() const { return window->findChild<QProgressBar *>(QStringLiteral("ProgressBar")); }
    QGroupBox *panel() const { return window->findChild<QGroupBox *>(QStringLiteral("Frame3")); }
    void click(const char *name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    bool visible(const char *name) const { return window->findChild<QWidget *>(QLatin1String(name))->isVisible(); }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

    // A file to send, its bytes made from their position.
    QString fileOf(const char *name, int size) const
    {
        QByteArray bytes;
        bytes.reserve(size);
        for (int i = 0; i < size; ++i)
            bytes.append(char((i * 31 + i / 256) & 0xFF));
        const QString p = path(name);
        writeAll(p, bytes);
        return p;
    }
    // Starts a receive into `target` (answered through the dialog).
    void startReceive(const QString &target)
    {
        prompts.paths << target;
        click("Command3");
    }
};

// True while this process holds `path` open.
bool processHolds(const QString &path)
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot))
        if (QFile::symLinkTarget(fds.filePath(fd)) == path)
            return true;
    return false;
}

// A download set written from the layout: one fixture "Alpha" of 3 channels with two steps
// on channel 2, no channel names.
QByteArray alphaSet()
{
    QByteArray set(86529, '\0');
    set.replace(0, 14, QByteArray("ZELVAR71") + testsupport::hex("01 52 00 00 50 00"));
    set[14080] = 1;
    set[512 + 53] = 3;
    set.replace(512 + 53 + 1, 18, testsupport::padded("Alpha", 18));
    set.replace(21504, 16, testsupport::hex("00 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00"));
    set.replace(21504 + 16, 22, QByteArray("Slow    ") + testsupport::hex("00 63 31") + "Fast    "
                                    + testsupport::hex("64 ff b1"));
    return set;
}

const QString AlphaSummaryStart = QStringLiteral("Download set: 1 fixture\nSlot 1: Alpha, 3 channels, 2 steps\n");

QByteArray textLines(int size)
{
    QByteArray bytes;
    bytes.reserve(size);
    while (bytes.size() < size)
        bytes.append(QByteArray("Zelvar71 line ").append(QByteArray::number(bytes.size())).append('\n'));
    bytes.truncate(size);
    return bytes;
}

} // namespace

class TestKiron : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        qunsetenv("ZELVAR71_PORTS");
        setProgramFolder(QString());
    }

    // ---- The window as it opens ----

    void controlsSitWhereTheLayoutPutsThem()
    {
        Rig rig;
        Kiron *w = rig.window;
        QCOMPARE(w->objectName(), QStringLiteral("Kiron"));
        QCOMPARE(w->windowTitle(), Caption);
        QCOMPARE(w->centralWidget()->size(), QSize(twips(11880), twips(8640)));
        QVERIFY(w->font().bold());
        QCOMPARE(w->font().pointSizeF(), 9.0);
        QCOMPARE(w->font().family(), QStringLiteral("Arial"));

        const struct
        {
            const char *name;
            QRect place;
        } places[] = {
            {"Frame3", twipsRect(120, 120, 10935, 8415)},   {"Label6", twipsRect(0, 360, 1095, 375)},
            {"Label3", twipsRect(1320, 360, 9615, 375)},    {"Label5", twipsRect(240, 840, 1575, 375)},
            {"ProgressBar", twipsRect(2040, 840, 7455, 375)}, {"Label4", twipsRect(9600, 840, 1215, 375)},
            {"text1", twipsRect(1800, 1440, 9015, 6255)},   {"Command1", twipsRect(240, 1920, 1455, 615)},
            {"Command2", twipsRect(240, 2640, 1455, 615)},  {"Command3", twipsRect(240, 3720, 1455, 615)},
            {"Command4", twipsRect(240, 4440, 1455, 615)},  {"Label7", twipsRect(120, 5280, 1575, 615)},
        };
        for (const auto &p : places) {
            QWidget *control = w->findChild<QWidget *>(QLatin1String(p.name));
            QVERIFY2(control, p.name);
            QCOMPARE(control->geometry(), p.place);
            QCOMPARE(control->parentWidget(), w->centralWidget());
        }
        QCOMPARE(rig.button("Command10")->text(), QStringLiteral("Link Device"));
        QCOMPARE(rig.button("Command11")->text(), QStringLiteral("Fixture Edit"));
        QCOMPARE(rig.button("Command1")->text(), QStringLiteral("Send File"));
        QCOMPARE(rig.button("Command2")->text(), QStringLiteral("Send Cancel"));
        QCOMPARE(rig.button("Command3")->text(), QStringLiteral("Receive File"));
        QCOMPARE(rig.button("Command4")->text(), QStringLiteral("Stop Receive "));
        QCOMPARE(rig.panel()->title(), QStringLiteral("Select Fixture"));

        const struct
        {
            const char *name;
            double points;
        } sizes[] = {{"Label6", 12},   {"Label3", 12},   {"Label5", 9.75},   {"Label4", 9.75},   {"Label7", 8.25},
                     {"Command1", 8.25}, {"Command2", 8.25}, {"Command3", 8.25}, {"Command4", 8.25}};
        for (const auto &s : sizes) {
            const QFont font = w->findChild<QWidget *>(QLatin1String(s.name))->font();
            QCOMPARE(font.pointSizeF(), s.points);
            QVERIFY2(!font.bold(), s.name);
        }
        QCOMPARE(rig.label("Label5")->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QCOMPARE(rig.label("Label4")->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(rig.label("Label7")->palette().color(QPalette::WindowText), QColor(Qt::red));
    }

    void loadStateShowsThePanelOverTheTransferPage()
    {
        Rig rig;
        QVERIFY(rig.panel()->isVisible());
        // The panel lies on top of every control of the transfer page and covers it.
        const QObjectList stack = rig.window->centralWidget()->children();
        for (const char *name : {"Command1", "Command3", "Label7", "text1"}) {
            QWidget *control = rig.window->findChild<QWidget *>(QLatin1String(name));
            QVERIFY(stack.indexOf(rig.panel()) > stack.indexOf(control));
            QVERIFY(rig.panel()->geometry().contains(control->geometry().center()));
        }
        QVERIFY(rig.panel()->autoFillBackground());
        QVERIFY(!rig.visible("text1"));
        QVERIFY(!rig.visible("ProgressBar"));
        QVERIFY(rig.button("Command1")->isEnabled());
        QVERIFY(!rig.button("Command2")->isVisibleTo(rig.window));
        QVERIFY(rig.button("Command3")->isEnabled());
        QVERIFY(!rig.button("Command4")->isVisibleTo(rig.window));
        for (const char *name : {"Label3", "Label4", "Label5", "Label6", "Label7"})
            QCOMPARE(rig.label(name)->text(), QString());
        QCOMPARE(rig.window->port().CommPort(), 3);
        QCOMPARE(rig.window->port().Settings(), QStringLiteral("38400,N,8,2"));
        QVERIFY(!rig.window->port().PortOpen());
        QVERIFY(!rig.window->isReceiving());
    }

    void menusHoldTheirItemsInOrder()
    {
        Rig rig;
        const QList<QAction *> menus = rig.window->menuBar()->actions();
        QCOMPARE(menus.size(), 3);
        const struct
        {
            const char *menu;
            const char *title;
            QStringList items; // object names
            QStringList texts;
        } expected[] = {
            {"mnuFile", "&File", {"mnuSendFile", "mnuReceiveFile", "mnuNull", "mnuExit"},
             {"&Send File", "&Receive File", "", "&Exit"}},
            {"MnueFixture", "&Fixture", {"MnueEdit", "MnuDownLoad"}, {"Fixture &Edit", "&DownLoad Edit"}},
            {"mnuHelp", "&Help", {"mnuContents"}, {"&Baud Set"}},
        };
        for (int m = 0; m < 3; ++m) {
            QMenu *menu = menus.at(m)->menu();
            QCOMPARE(menu->objectName(), QLatin1String(expected[m].menu));
            QCOMPARE(menu->title(), QLatin1String(expected[m].title));
            const QList<QAction *> items = menu->actions();
            QCOMPARE(items.size(), expected[m].items.size());
            for (int i = 0; i < items.size(); ++i) {
                QCOMPARE(items.at(i)->objectName(), expected[m].items.at(i));
                QCOMPARE(items.at(i)->text(), expected[m].texts.at(i));
                QVERIFY(items.at(i)->isEnabled());
            }
        }
        QVERIFY(rig.action("mnuNull")->isSeparator());
        QCOMPARE(rig.action("MnueEdit")->shortcut(), QKeySequence(QStringLiteral("Ctrl+E")));
        QCOMPARE(rig.action("MnuDownLoad")->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
        QCOMPARE(rig.action("MnueEdit")->shortcutContext(), Qt::WidgetWithChildrenShortcut);
        QVERIFY(rig.window->actions().contains(rig.action("MnueEdit")));
        QVERIFY(rig.window->actions().contains(rig.action("MnuDownLoad")));
    }

    // ---- Device check ----

    void deviceCheckSkipsPortsThatDoNotOpen()
    {
        Rig rig;
        PseudoTerminal busy, free;
        QSerialPort holder; // another program holds port 5
        holder.setPortName(busy.devicePath());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        mapPorts(QStringLiteral("3=/nonexistent/ttyUSB0,4=/dev/null,5=%1,6=%2").arg(busy.devicePath(), free.devicePath()));

        rig.click("Command3"); // the dialog is cancelled
        QCOMPARE(rig.prompts.calls.size(), 1);
        QCOMPARE(rig.prompts.calls.first().kind, PromptCall::SaveFile);
        QVERIFY(rig.window->port().PortOpen());
        QCOMPARE(rig.window->port().CommPort(), 6);
        QCOMPARE(rig.window->port().deviceName(), free.devicePath());
        QVERIFY(!rig.panel()->isVisible()); // the transfer page is uncovered
        // The check neither sends nor waits for a byte.
        QCoreApplication::processEvents();
        free.readNow();
        QVERIFY(free.received.isEmpty());
    }

    void noPortTellsTheUserEachTime()
    {
        Rig rig;
        mapPorts(QStringLiteral("3=/nonexistent/ttyUSB0,4=/nonexistent/ttyUSB1")); // 5 and 6 have none
        rig.click("Command1");
        QCOMPARE(rig.prompts.calls.size(), 1);
        const PromptCall &box = rig.prompts.calls.first();
        QCOMPARE(box.kind, PromptCall::Message);
        QCOMPARE(box.text, QStringLiteral("Device Don't Find,Please Cheak Device"));
        QCOMPARE(box.title, QStringLiteral("Usb Device Is Error"));
        QCOMPARE(box.buttons, PromptButtons::Ok);

        rig.click("Command3");
        rig.action("mnuSendFile")->trigger();
        QCOMPARE(rig.prompts.calls.size(), 3);
        for (const PromptCall &call : rig.prompts.calls)
            QCOMPARE(call.kind, PromptCall::Message); // never a file dialog
        QVERIFY(rig.panel()->isVisible());
        QVERIFY(!rig.window->port().PortOpen());
        QCOMPARE(rig.label("Label6")->text(), QString());
    }

    void anOpenPortIsKept()
    {
        Rig rig;
        rig.click("Command3"); // cancelled: the port stays open on port 3
        QVERIFY(rig.window->port().PortOpen());
        mapPorts(QStringLiteral("3=/nonexistent/ttyUSB0"));
        rig.click("Command1"); // cancelled too
        QCOMPARE(rig.prompts.calls.size(), 2);
        QCOMPARE(rig.prompts.calls.at(1).kind, PromptCall::OpenFile);
        QCOMPARE(rig.window->port().deviceName(), rig.line.devicePath());
    }

    void permissionRefusalNamesDeviceAndGroup()
    {
        if (::geteuid() == 0) {
            // Root opens everything: run this test again as an unprivileged user.
            QProcess child;
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                                    QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath(),
                                                    QStringLiteral("permissionRefusalNamesDeviceAndGroup")});
            QVERIFY2(child.waitForStarted(), "setpriv (util-linux) could not be started");
            QVERIFY(child.waitForFinished(60000));
            const QByteArray output = child.readAll();
            QVERIFY2(child.exitCode() == 0, output.constData());
            QVERIFY2(output.contains("PASS   : TestKiron::permissionRefusalNamesDeviceAndGroup()"), output.constData());
            return;
        }
        Rig rig;
        PseudoTerminal refused;
        QVERIFY(::chmod(QFile::encodeName(refused.devicePath()).constData(), 0) == 0);
        mapPorts(QStringLiteral("4=%1").arg(refused.devicePath()));
        rig.click("Command1");
        QCOMPARE(rig.prompts.calls.size(), 1);
        QCOMPARE(rig.prompts.last().title, QStringLiteral("Usb Device Is Error"));
        QCOMPARE(rig.prompts.last().text,
                 QStringLiteral("Device Don't Find,Please Cheak Device\n"
                                "No permission to open %1: add your user to the group %2 and log in again.")
                     .arg(refused.devicePath(), QFileInfo(refused.devicePath()).group()));
    }

    // ---- Send File ----

    void sendArrivesByteExactInBlocksOf512_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QList<int>>("writes");
        QTest::newRow("empty") << 0 << QList<int>{};
        QTest::newRow("1") << 1 << QList<int>{1};
        QTest::newRow("511") << 511 << QList<int>{511};
        QTest::newRow("512") << 512 << QList<int>{512};
        QTest::newRow("513") << 513 << QList<int>{512, 1};
        QTest::newRow("1000") << 1000 << QList<int>{512, 488};
        QList<int> downloadSet(169, 512); // 86529 = 169 x 512 + 1
        downloadSet << 1;
        QTest::newRow("86529") << 86529 << downloadSet;
    }
    void sendArrivesByteExactInBlocksOf512()
    {
        QFETCH(int, size);
        QFETCH(QList<int>, writes);
        Rig rig;
        const QString file = rig.fileOf("show.tzk", size);
        rig.prompts.paths << file;
        QStringList duringSend;
        rig.line.onRead = [&] {
            if (!duringSend.isEmpty())
                return;
            duringSend << rig.label("Label6")->text() << rig.label("Label5")->text()
                       << QString::number(rig.progress()->maximum())
                       << QString::number(rig.button("Command1")->isEnabled())
                       << QString::number(rig.button("Command2")->isVisible())
                       << QString::number(rig.button("Command3")->isEnabled())
                       << QString::number(rig.label("Label7")->isVisible()) << rig.label("Label4")->text();
        };
        rig.click("Command1"); // returns when the send has ended
        QCOMPARE(rig.line.received, readAll(file));
        QCOMPARE(rig.line.reads, writes);
        if (size > 0)
            QCOMPARE(duringSend, (QStringList{"Open File:", QStringLiteral("Sum:%1").arg(size), QString::number(size), "0",
                                              "1", "0", "0", QString::number(writes.first())}));

        // Send Cancel's routine has run: port closed, buttons back, totals hidden, path kept.
        QVERIFY(!rig.window->port().PortOpen());
        QVERIFY(rig.button("Command1")->isEnabled());
        QVERIFY(!rig.button("Command2")->isVisible());
        QVERIFY(rig.button("Command3")->isEnabled());
        QVERIFY(!rig.visible("ProgressBar"));
        QVERIFY(!rig.visible("Label4"));
        QVERIFY(!rig.visible("Label5"));
        QCOMPARE(rig.label("Label3")->text(), file);
        QCOMPARE(rig.label("Label6")->text(), QStringLiteral("Open File:"));
        QVERIFY(!rig.panel()->isVisible());
        QCOMPARE(rig.prompts.calls.size(), 1); // the open dialog and no message
    }

    void aFileThatCannotBeOpenedIsNamedInAMessage()
    {
        Rig rig;
        rig.prompts.paths << QStringLiteral("/nonexistent/show.tzk") << QStringLiteral("/nonexistent/back.tzk");
        rig.click("Command1");
        QCOMPARE(rig.prompts.calls.size(), 2);
        QCOMPARE(rig.prompts.last().title, Caption);
        QVERIFY2(rig.prompts.last().text.startsWith(QStringLiteral("/nonexistent/show.tzk could not be opened: ")),
                 qPrintable(rig.prompts.last().text));
        QVERIFY(rig.button("Command1")->isEnabled()); // no send began
        QVERIFY(rig.window->port().PortOpen());       // kept for the next command

        rig.click("Command3");
        QCOMPARE(rig.prompts.calls.size(), 4);
        QVERIFY2(rig.prompts.last().text.startsWith(QStringLiteral("/nonexistent/back.tzk could not be opened: ")),
                 qPrintable(rig.prompts.last().text));
        QVERIFY(!rig.window->isReceiving());
        QVERIFY(rig.line.received.isEmpty());
    }

    void sendDialogKeepsItsFilterAndName()
    {
        Rig rig;
        const QString file = rig.fileOf("a.tzk", 3);
        rig.prompts.paths << file;
        rig.click("Command1");
        QCOMPARE(rig.prompts.calls.first().filter, QString()); // Send File sets no filter
        rig.window->fileDialog().Filter = QStringLiteral("Zelva71 DownLoad File(*.tzk)|*.tzk");
        rig.click("Command1"); // cancelled
        QCOMPARE(rig.prompts.calls.at(1).filter, QStringLiteral("Zelva71 DownLoad File(*.tzk)|*.tzk"));
        QCOMPARE(rig.prompts.calls.at(1).text, file);
    }

    void sumShowsTheSizeWhateverTheContent()
    {
        Rig rig;
        const QString file = rig.path("sum.bin");
        writeAll(file, QByteArray(1234, '\xff'));
        rig.prompts.paths << file;
        QString sum;
        rig.line.onRead = [&] { sum = rig.label("Label5")->text(); };
        rig.click("Command1");
        QCOMPARE(sum, QStringLiteral("Sum:1234"));
    }

    void previewStopsAt3500000Bytes_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("shown");
        QTest::newRow("3,499,999") << 3499999 << true;
        QTest::newRow("3,500,000") << 3500000 << false;
    }
    void previewStopsAt3500000Bytes()
    {
        QFETCH(int, size);
        QFETCH(bool, shown);
        Rig rig;
        const QByteArray content = textLines(size);
        const QString file = rig.path("big.txt");
        writeAll(file, content);
        rig.prompts.paths << file;
        bool logShown = !shown;
        QString logContent;
        rig.line.onRead = [&] {
            logShown = rig.log()->isVisible();
            logContent = rig.log()->toPlainText();
            rig.click("Command2");
        };
        rig.click("Command1");
        QCOMPARE(logShown, shown);
        if (shown)
            QVERIFY(logContent == QString::fromLatin1(content));
        QCOMPARE(rig.line.received.size(), 512);
    }

    void previewShowsControlBytesAndDoesNotStopAtNul()
    {
        Rig rig;
        const QString file = rig.path("raw.bin");
        writeAll(file, testsupport::hex("5a 00 45 01 4c 0a 56"));
        rig.prompts.paths << file;
        rig.click("Command1");
        QVERIFY(rig.log()->isVisible());
        QCOMPARE(rig.log()->toPlainText(), QStringLiteral("Z\u00b7E\u00b7L\nV"));
    }

    void theLogBoxShowsADownloadSetAsItsSummary_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("shown"); // the beginning of the log box
        QTest::newRow("download set") << alphaSet() << AlphaSummaryStart;
        QTest::newRow("text file") << QByteArray("Stage left\nStage right\n") << "Stage left\nStage right\n";
        QTest::newRow("set one byte short") << alphaSet().left(86528) << "ZELVAR71\u00b7R\u00b7\u00b7P\u00b7";
    }
    void theLogBoxShowsADownloadSetAsItsSummary()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, shown);
        Rig rig;
        const QString file = rig.path("show.tzk");
        writeAll(file, content);
        rig.prompts.paths << file;
        QString during;
        rig.line.onRead = [&] {
            if (during.isEmpty())
                during = rig.log()->toPlainText();
        };
        rig.click("Command1");
        QCOMPARE(rig.line.received, content); // what is shown changes nothing that is sent
        QVERIFY2(during.startsWith(shown), qPrintable(during.left(60)));
        QVERIFY(rig.log()->isVisible());
    }

    void sendCancelStopsEveryFurtherByte()
    {
        Rig rig;
        const QString file = rig.fileOf("show.tzk", 86529);
        rig.prompts.paths << file;
        rig.line.onRead = [&] {
            if (rig.line.received.size() == 1024)
                rig.click("Command2");
        };
        rig.click("Command1");
        QCoreApplication::processEvents();
        rig.line.readNow();
        QCOMPARE(rig.line.received, readAll(file).left(1024));
        QVERIFY(!rig.window->port().PortOpen());
        QVERIFY(rig.button("Command1")->isEnabled());
        QVERIFY(rig.button("Command3")->isEnabled());
        QVERIFY(!rig.button("Command2")->isVisible());
        QVERIFY(!rig.visible("ProgressBar"));
        QVERIFY(!rig.visible("Label4"));
        QVERIFY(!rig.visible("Label5"));
        QCOMPARE(rig.label("Label3")->text(), file);
        QCOMPARE(rig.prompts.calls.size(), 1); // no message
        QVERIFY(!processHolds(file));
    }

    void aFileThatCannotBeReadEndsTheSendWithAMessage()
    {
        Rig rig;
        const QString file = rig.fileOf("shrinks.tzk", 5000);
        rig.prompts.paths << file;
        rig.line.onRead = [&] {
            if (rig.line.received.size() == 1024)
                QFile::resize(file, 1024); // the file is cut under the send
        };
        rig.click("Command1");
        QCOMPARE(rig.prompts.calls.size(), 2);
        QCOMPARE(rig.prompts.last().title, Caption);
        QCOMPARE(rig.prompts.last().buttons, PromptButtons::Ok);
        QCOMPARE(rig.prompts.last().text,
                 QStringLiteral("The send stopped. %1 could not be read: the file ended after 1024 bytes; it held 5000 "
                                "when the send began.\n1024 of 5000 bytes were sent.")
                     .arg(file));
        QCOMPARE(rig.line.received.size(), 1024);
        QVERIFY(!rig.window->port().PortOpen());
        QVERIFY(rig.button("Command1")->isEnabled());
        QVERIFY(!rig.button("Command2")->isVisible());
    }

    void aPulledCableEndsTheSendWithAMessage()
    {
        Rig rig;
        const QString file = rig.fileOf("show.tzk", 5000);
        rig.prompts.paths << file;
        rig.line.onRead = [&] {
            if (rig.line.received.size() == 1024)
                rig.line.hangUp();
        };
        rig.click("Command1"); // returns: no hang
        QCOMPARE(rig.prompts.calls.size(), 2);
        const PromptCall &box = rig.prompts.last();
        QCOMPARE(box.title, Caption);
        QVERIFY2(box.text.startsWith(QStringLiteral("The send stopped. %1: ").arg(rig.line.devicePath())),
                 qPrintable(box.text));
        QVERIFY2(box.text.endsWith(QStringLiteral(".\n1024 of 5000 bytes were sent.")), qPrintable(box.text));
        QVERIFY(!rig.window->port().PortOpen());
        QVERIFY(rig.button("Command1")->isEnabled());
        QVERIFY(rig.button("Command3")->isEnabled());
        QVERIFY(!rig.button("Command2")->isVisible());
    }

    void aSecondTransferFromTheMenuWaitsForTheSend()
    {
        Rig rig;
        const QString file = rig.fileOf("show.tzk", 2048);
        rig.prompts.paths << file << rig.path("other.tzk");
        rig.line.onRead = [&] {
            if (rig.line.received.size() == 512) {
                rig.action("mnuSendFile")->trigger();
                rig.action("mnuReceiveFile")->trigger();
            }
        };
        rig.click("Command1");
        QCOMPARE(rig.prompts.calls.size(), 1); // no second dialog
        QCOMPARE(rig.line.received, readAll(file));
        QVERIFY(!rig.window->isReceiving());
    }

    // The close box asks before it ends a transfer; only OK ends it.
    void closingDuringATransferAsksFirst_data()
    {
        QTest::addColumn<bool>("receive");
        QTest::addColumn<bool>("ok");
        QTest::newRow("send, OK") << false << true;
        QTest::newRow("send, Cancel") << false << false;
        QTest::newRow("receive, OK") << true << true;
        QTest::newRow("receive, Cancel") << true << false;
    }

    void closingDuringATransferAsksFirst()
    {
        QFETCH(bool, receive);
        QFETCH(bool, ok);
        Rig rig;
        rig.prompts.answers << (ok ? PromptAnswer::Ok : PromptAnswer::Cancel);
        bool closed = true;
        const QString target = rig.path("back.bin");
        if (receive) {
            rig.startReceive(target);
            rig.line.write(QByteArray("abc"));
            QTRY_COMPARE(rig.label("Label7")->text(), QStringLiteral("3"));
            closed = rig.window->close();
        } else {
            const QString file = rig.fileOf("show.tzk", 86529);
            rig.prompts.paths << file;
            rig.line.onRead = [&] {
                if (rig.line.received.size() == 1024)
                    closed = rig.window->close();
            };
            rig.click("Command1");
        }
        const PromptCall &question = rig.prompts.last();
        QCOMPARE(question.text, QStringLiteral("A transfer is running. Stop it?"));
        QCOMPARE(question.title, Caption);
        QCOMPARE(question.buttons, PromptButtons::OkCancelDefaultCancel);
        QCOMPARE(rig.prompts.unscripted, 0);
        if (!ok) {
            // Nothing stopped: the window and its transfer go on.
            QVERIFY(!closed);
            QVERIFY(rig.window && rig.window->isVisible());
            if (receive) {
                QVERIFY(rig.window->isReceiving());
                rig.line.write(QByteArray("def"));
                QTRY_COMPARE(rig.label("Label7")->text(), QStringLiteral("6"));
            } else {
                QCOMPARE(rig.line.received.size(), 86529);
            }
            return;
        }
        if (receive) {
            QVERIFY(closed);
            QCOMPARE(readAll(target), QByteArray("abc"));
        } else {
            QVERIFY(!closed); // deferred until the send had unwound
            QCOMPARE(rig.line.received.size(), 1024);
        }
        QTRY_VERIFY(rig.window.isNull());
    }

    // ---- Receive File ----

    void receiveStoresBurstsInOrder()
    {
        Rig rig;
        const QString target = rig.path("back.tzk");
        rig.startReceive(target);
        QVERIFY(rig.window->isReceiving());
        QCOMPARE(rig.label("Label6")->text(), QStringLiteral(" Save File:"));
        QCOMPARE(rig.label("Label3")->text(), target);
        QCOMPARE(rig.label("Label7")->text(), QStringLiteral("0"));
        QCOMPARE(rig.log()->toPlainText(), QStringLiteral("Waitting Receive..."));
        QVERIFY(rig.log()->isVisible());
        QVERIFY(rig.label("Label7")->isVisible());
        QVERIFY(!rig.visible("ProgressBar"));
        QVERIFY(!rig.button("Command3")->isEnabled());
        QVERIFY(!rig.button("Command1")->isEnabled());
        QVERIFY(rig.button("Command4")->isVisible());
        QVERIFY(!rig.panel()->isVisible());

        rig.line.write(QByteArray("ABCD"));
        QTRY_COMPARE(rig.label("Label7")->text(), QStringLiteral("4"));
        QCOMPARE(rig.log()->toPlainText(), QStringLiteral("ABCD"));
        QCOMPARE(readAll(target + QStringLiteral(".partial")), QByteArray("ABCD")); // on disk already, beside it
        rig.line.write(testsupport::hex("45 00 46 0d 0a 47"));
        QTRY_COMPARE(rig.label("Label7")->text(), QStringLiteral("10"));
        QCOMPARE(rig.log()->toPlainText(), QStringLiteral("E\u00b7F\nG"));

        rig.click("Command4");
        QCOMPARE(readAll(target), QByteArray("ABCD") + testsupport::hex("45 00 46 0d 0a 47"));
        QVERIFY(!rig.window->isReceiving());
        QVERIFY(!rig.window->port().PortOpen());
        QVERIFY(!processHolds(target));
        QCOMPARE(rig.log()->toPlainText(), QStringLiteral("ABCDE\u00b7F\nG"));
        QCOMPARE(rig.label("Label7")->text(), QStringLiteral("10"));
        QVERIFY(rig.label("Label7")->isVisible());
        QVERIFY(rig.button("Command3")->isEnabled());
        QVERIFY(rig.button("Command1")->isEnabled());
        QVERIFY(!rig.button("Command4")->isVisible());
        QCOMPARE(rig.prompts.calls.size(), 1); // the dialog only
        QCOMPARE(rig.prompts.calls.first().kind, PromptCall::SaveFile);
    }

    void bytesBeforeReceiveFileAreNotStored()
    {
        Rig rig;
        rig.click("Command3"); // cancelled: the port is open, no receive runs
        rig.line.write(QByteArray("early"));
        QTRY_COMPARE(rig.window->port().InBufferCount(), 5); // arrived and left waiting
        const QString target = rig.path("back.bin");
        rig.startReceive(target);
        rig.line.write(QByteArray("late"));
        QTRY_COMPARE(rig.label("Label7")->text(), QStringLiteral("4"));
        rig.click("Command4");
        QCOMPARE(readAll(target), QByteArray("late"));
    }

    void existingTargetIsOverwrittenOnlyWhenTheUserSaysSo()
    {
        Rig rig;
        const QString target = rig.path("old.tzk");
        writeAll(target, QByteArray(1000, 'o'));
        rig.prompts.answers << PromptAnswer::Cancel;
        rig.startReceive(target);
        QCOMPARE(rig.prompts.calls.size(), 2);
        QCOMPARE(rig.prompts.last().text, QStringLiteral("OverFile:%1?").arg(target));
        QCOMPARE(rig.prompts.last().title, QStringLiteral("OverFile"));
        QCOMPARE(rig.prompts.last().buttons, PromptButtons::OkCancel);
        QVERIFY(!rig.window->isReceiving());
        QVERIFY(!rig.button("Command4")->isVisible());
        QVERIFY(rig.window->port().PortOpen());
        QVERIFY(!rig.panel()->isVisible());
        QVERIFY(!processHolds(target));
        rig.line.write(QByteArray("ignored"));
        QTRY_COMPARE(rig.window->port().InBufferCount(), 7);
        QCOMPARE(readAll(target), QByteArray(1000, 'o'));

        rig.prompts.answers << PromptAnswer::Ok;
        rig.startReceive(target);
        QVERIFY(rig.window->isReceiving());
        rig.line.write(QByteArray("0123456789"));
        QTRY_COMPARE(rig.label("Label7")->text(), QStringLiteral("10"));
        rig.click("Command4");
        QCOMPARE(readAll(target), QByteArray("0123456789"));
    }

    void stopReceiveStoresWhatIsStillWaiting()
    {
        Rig rig;
        const QString target = rig.path("back.bin");
        rig.startReceive(target);
        rig.line.write(QByteArray("abc"));
        QTRY_COMPARE(rig.label("Label7")->text(), QStringLiteral("3"));
        rig.line.write(QByteArray("1234567"));
        QVERIFY(waitWithoutEvents([&] { return rig.window->port().InBufferCount() == 7; }));
        rig.click("Command4");
        QCOMPARE(readAll(target), QByteArray("abc1234567"));
        QCOMPARE(rig.label("Label7")->text(), QStringLiteral("10"));
        QVERIFY(!rig.window->port().PortOpen());
    }

    void framingErrorEndsTheReceiveAsStopReceiveDoes()
    {
        Rig rig;
        const QString target = rig.path("back.bin");
        rig.startReceive(target);
        rig.line.write(QByteArray("ab"));
        QTRY_COMPARE(rig.label("Label7")->text(), QStringLiteral("2"));
        rig.line.write(QByteArray("cd"));
        QVERIFY(waitWithoutEvents([&] { return rig.window->port().InBufferCount() == 2; }));
        rig.window->port().raiseCommEvent(CommEventCode::FramingError);
        QVERIFY(!rig.window->isReceiving());
        QVERIFY(!rig.window->port().PortOpen());
        QCOMPARE(readAll(target), QByteArray("abcd"));
        QCOMPARE(rig.label("Label7")->text(), QStringLiteral("4"));
        QCOMPARE(rig.log()->toPlainText(), QStringLiteral("abcd"));
        QVERIFY(rig.button("Command3")->isEnabled());
        QVERIFY(!rig.button("Command4")->isVisible());
        QVERIFY(!processHolds(target));
    }

    void receiveOfThePreviewLimitEndsWithOver_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("shown");
        QTest::newRow("3,499,999") << 3499999 << true;
        QTest::newRow("3,500,000") << 3500000 << false;
    }
    void receiveOfThePreviewLimitEndsWithOver()
    {
        QFETCH(int, size);
        QFETCH(bool, shown);
        Rig rig;
        const QString target = rig.path("large.txt");
        rig.startReceive(target);
        const QByteArray content = textLines(size);
        rig.line.write(content);
        QTRY_COMPARE_WITH_TIMEOUT(rig.label("Label7")->text(), QString::number(size), 120000);
        rig.click("Command4");
        QCOMPARE(readAll(target).size(), size);
        if (shown)
            QVERIFY(rig.log()->toPlainText() == QString::fromLatin1(content));
        else
            QCOMPARE(rig.log()->toPlainText(), QStringLiteral("Over !"));
    }

    void stopReceiveWithoutAReceiveChangesNothing()
    {
        Rig rig;
        rig.click("Command3"); // cancelled: port open, page shown
        rig.window->mnuContents_Click();
        rig.window->Command4_Click();
        QVERIFY(rig.window->port().PortOpen());
        QCOMPARE(rig.log()->toPlainText(), QStringLiteral("Baud Set: (KTR B5000)=115200bps"));
        QVERIFY(rig.button("Command3")->isEnabled());
        QCOMPARE(rig.prompts.calls.size(), 1);
    }

    void theEndOfAReceiveShowsItsOwnFile()
    {
        Rig rig;
        const QString target = rig.path("back.txt");
        const QString other = rig.path("other.txt");
        writeAll(other, QByteArray("not this one"));
        rig.startReceive(target);
        rig.line.write(QByteArray("received"));
        QTRY_COMPARE(rig.label("Label7")->text(), QStringLiteral("8"));
        rig.window->fileDialog().FileName = other; // the dialog was used meanwhile
        rig.click("Command4");
        QCOMPARE(rig.log()->toPlainText(), QStringLiteral("received"));
    }

    void theEndOfAReceiveShowsASetAsItsSummary()
    {
        Rig rig;
        const QString target = rig.path("back.tzk");
        rig.startReceive(target);
        rig.line.write(alphaSet());
        QTRY_COMPARE_WITH_TIMEOUT(rig.label("Label7")->text(), QStringLiteral("86529"), 30000);
        QVERIFY(!rig.log()->toPlainText().startsWith(AlphaSummaryStart)); // the last chunk, as it came
        rig.click("Command4");
        QVERIFY(rig.log()->toPlainText().startsWith(AlphaSummaryStart));
    }

    void aPulledCableEndsTheReceiveWithAMessage()
    {
        Rig rig;
        const QString target = rig.path("back.bin");
        rig.startReceive(target);
        rig.line.write(QByteArray("12345"));
        QTRY_COMPARE(rig.label("Label7")->text(), QStringLiteral("5"));
        rig.line.hangUp();
        QTRY_VERIFY(!rig.window->isReceiving());
        QCOMPARE(rig.prompts.calls.size(), 2);
        QCOMPARE(rig.prompts.last().title, Caption);
        QVERIFY2(rig.prompts.last().text.startsWith(QStringLiteral("The receive stopped. %1: ").arg(rig.line.devicePath())),
                 qPrintable(rig.prompts.last().text));
        QVERIFY(rig.prompts.last().text.endsWith(
            QStringLiteral(".\nback.bin is unchanged; the 5 bytes that arrived are kept in back.bin.partial.")));
        // Cut short: a new target is not made; the bytes lie beside where it would be.
        QVERIFY(!QFile::exists(target));
        QCOMPARE(readAll(target + QStringLiteral(".partial")), QByteArray("12345"));
        QVERIFY(!processHolds(target + QStringLiteral(".partial")));
        QVERIFY(!rig.window->port().PortOpen());
        QVERIFY(rig.button("Command3")->isEnabled());
        QVERIFY(!rig.button("Command4")->isVisible());
    }

    void aFullDiskEndsTheReceiveAndKeepsTheOldFile()
    {
        Rig rig;
        const QString target = rig.path("back.bin");
        QVERIFY(writeAll(target, QByteArray("the old file")));
        rig.prompts.answers << PromptAnswer::Ok; // OverFile
        rig.startReceive(target);
        QVERIFY(rig.window->isReceiving());
        {
            const testsupport::FileSizeLimit full(2);
            rig.line.write(QByteArray("abc"));
            QTRY_VERIFY(!rig.window->isReceiving());
        }
        QCOMPARE(rig.prompts.calls.size(), 3);
        QCOMPARE(rig.prompts.last().title, Caption);
        QCOMPARE(rig.prompts.last().text,
                 QStringLiteral("The receive stopped. Cannot write back.bin: File too large.\nback.bin is unchanged; "
                                "3 bytes arrived, and the first 2 are kept in back.bin.partial."));
        QCOMPARE(readAll(target), QByteArray("the old file"));
        QCOMPARE(readAll(target + QStringLiteral(".partial")), QByteArray("ab"));
        QCOMPARE(rig.label("Label7")->text(), QStringLiteral("2"));
        QVERIFY(!rig.window->port().PortOpen());
        QVERIFY(rig.button("Command3")->isEnabled());
    }

    void exitDuringAReceiveLosesNoByte()
    {
        Rig rig;
        const QString target = rig.path("back.bin");
        rig.startReceive(target);
        rig.line.write(QByteArray("0123456789"));
        QTRY_COMPARE(rig.label("Label7")->text(), QStringLiteral("10"));
        rig.action("mnuExit")->trigger();
        QCOMPARE(rig.navigator.ended, 1);
        QVERIFY(rig.window->isReceiving()); // no unload ran
        QCOMPARE(readAll(target), QByteArray("0123456789"));
    }

    void aSendFromTheMenuEndsTheReceive()
    {
        Rig rig;
        const QString target = rig.path("back.bin");
        rig.startReceive(target);
        rig.line.write(QByteArray("AB"));
        QTRY_COMPARE(rig.label("Label7")->text(), QStringLiteral("2"));
        const QString file = rig.fileOf("show.tzk", 1500);
        rig.prompts.paths << file;
        rig.line.onRead = [&] {
            if (rig.line.received.size() == 512)
                rig.line.write(QByteArray("during the send"));
        };
        rig.action("mnuSendFile")->trigger();
        QCOMPARE(rig.line.received, readAll(file));
        QVERIFY(!rig.window->isReceiving());
        QCOMPARE(readAll(target), QByteArray("AB"));
        QVERIFY(!processHolds(target)); // closed with what it held
        QVERIFY(!rig.button("Command4")->isVisible());
        QVERIFY(rig.button("Command3")->isEnabled());
        QVERIFY(!rig.label("Label7")->isVisible());
    }

    void aSendThatGoesNoFurtherLeavesBothButtonsUsable_data()
    {
        QTest::addColumn<QString>("chosen"); // what the send's file dialog gives
        QTest::newRow("dialog cancelled") << QString();
        QTest::newRow("file that will not open") << "missing.tzk";
    }
    void aSendThatGoesNoFurtherLeavesBothButtonsUsable()
    {
        QFETCH(QString, chosen);
        Rig rig;
        rig.startReceive(rig.path("back.bin"));
        QVERIFY(!rig.button("Command1")->isEnabled());
        rig.prompts.paths << (chosen.isEmpty() ? QString() : rig.path(qPrintable(chosen)));
        rig.action("mnuSendFile")->trigger();
        QVERIFY(!rig.window->isReceiving());
        QVERIFY(rig.button("Command1")->isEnabled());
        QVERIFY(rig.button("Command3")->isEnabled());
        QVERIFY(!rig.button("Command4")->isVisible());
        // They work: a receive starts again.
        rig.startReceive(rig.path("again.bin"));
        QVERIFY(rig.window->isReceiving());
    }

    // ---- Link Device, Fixture Edit, menus ----

    void linkDeviceStartsTheUsbToolFromTheProgramFolder()
    {
        Rig rig;
        const QString folder = rig.dir.path();
        const QString tool = folder + QStringLiteral("/Zelvar71Save");
        writeAll(tool, QByteArray("#!/bin/sh\necho \"$0\" >> \"$(dirname \"$0\")/started.txt\"\n"));
        QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        setProgramFolder(folder + QLatin1Char('/')); // a folder that ends with "/" gets no second one

        {
            WindowPresence running(QStringLiteral("Zelvar71 Save Rev1.02"));
            rig.click("Command10"); // the tool's window is open: nothing happens
        }
        rig.click("Command10");
        const QString started = folder + QStringLiteral("/started.txt");
        QTRY_VERIFY(QFile::exists(started));
        QTRY_COMPARE(readAll(started), (tool + QLatin1Char('\n')).toLocal8Bit());
        QTest::qWait(200);
        QCOMPARE(readAll(started), (tool + QLatin1Char('\n')).toLocal8Bit()); // started once
        QCOMPARE(rig.prompts.calls.size(), 0);
    }

    void linkDeviceSaysWhenTheToolCannotStart()
    {
        Rig rig;
        setProgramFolder(rig.dir.path());
        rig.click("Command10");
        QCOMPARE(rig.prompts.calls.size(), 1);
        QCOMPARE(rig.prompts.last().title, Caption);
        QVERIFY2(rig.prompts.last().text.startsWith(rig.dir.path() + QStringLiteral("/Zelvar71Save could not be started: ")),
                 qPrintable(rig.prompts.last().text));
    }

    void fixtureEditEndsTheReceiveBeforeTheEditorShows()
    {
        Rig rig;
        const QString target = rig.path("back.bin");
        rig.startReceive(target);
        rig.line.write(QByteArray("abc"));
        QTRY_COMPARE(rig.label("Label7")->text(), QStringLiteral("3"));
        rig.line.write(QByteArray("defg"));
        QVERIFY(waitWithoutEvents([&] { return rig.window->port().InBufferCount() == 4; }));
        QByteArray stored;
        bool portOpen = true;
        bool fileHeld = true;
        rig.navigator.onFixtureEditor = [&] {
            stored = readAll(target);
            portOpen = rig.window && rig.window->port().PortOpen();
            fileHeld = processHolds(target);
        };
        rig.click("Command11");
        QCOMPARE(rig.navigator.fixtureEditorShown, 1);
        QCOMPARE(rig.prompts.calls.size(), 1); // the receive's file dialog; no question
        QCOMPARE(stored, QByteArray("abcdefg"));
        QVERIFY(!portOpen);
        QVERIFY(!fileHeld);
        QTRY_VERIFY(rig.window.isNull()); // closed and deleted
    }

    void fixtureEditFromTheMenuClosesTheWindow()
    {
        Rig rig;
        rig.action("MnueEdit")->trigger();
        QCOMPARE(rig.navigator.fixtureEditorShown, 1);
        QTRY_VERIFY(rig.window.isNull());
    }

    void downLoadEditShowsThePanelAgain()
    {
        Rig rig;
        rig.click("Command1"); // cancelled after the check: the page is uncovered
        QVERIFY(!rig.panel()->isVisible());
        rig.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.window));
        QTest::keyClick(rig.window, Qt::Key_D, Qt::ControlModifier);
        QVERIFY(rig.panel()->isVisible());
        rig.panel()->hide();
        rig.action("MnuDownLoad")->trigger();
        QVERIFY(rig.panel()->isVisible());
        const QObjectList stack = rig.window->centralWidget()->children();
        QCOMPARE(stack.last(), rig.panel());
    }

    void baudSetWritesTheNoteUnderThePanel()
    {
        Rig rig;
        rig.action("mnuContents")->trigger();
        QCOMPARE(rig.log()->toPlainText(), QStringLiteral("Baud Set: (KTR B5000)=115200bps"));
        QVERIFY(rig.log()->isVisible());
        QVERIFY(rig.panel()->isVisible());
        const QObjectList stack = rig.window->centralWidget()->children();
        QVERIFY(stack.indexOf(rig.panel()) > stack.indexOf(rig.log()));
        QVERIFY(rig.panel()->geometry().contains(rig.log()->geometry()));
    }

    void panelButtonsReachTheWindow()
    {
        Rig rig;
        setProgramFolder(rig.dir.path());
        QTest::mouseClick(rig.panel()->findChild<QPushButton *>(QStringLiteral("Command11")), Qt::LeftButton);
        QCOMPARE(rig.navigator.fixtureEditorShown, 1);
    }
};

QTEST_MAIN(TestKiron)
#include "tst_kiron.moc"
