// The main program as a whole, with its real windows: start-up, the showing of each window
// from every caller, the two ways out, and one run across the windows from a profile to the
// bytes the controller receives.
#include "channames/channelnamefiles.h"
#include "channames/channelnamestore.h"
#include "channames/editchname.h"
#include "common/programfolder.h"
#include "common/userfolders.h"
#include "downloadset/filelist.h"
#include "downloadset/fixtureselectionpanel.h"
#include "downloadset/folderlist.h"
#include "fixture/zelva71.h"
#include "fixture/zfffile.h"
#include "pseudoterminal.h"
#include "scriptedprompts.h"
#include "seriallink/downloadcomm.h"
#include "seriallink/kiron.h"
#include "shell/mainform.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvar;

namespace {

// The main program in a scratch programs' folder that holds the library profiles and the
// default channel-name files, its serial port 3 a pseudo-terminal; the user's data folder
// is data/Zelvar71 inside it.
struct Program
{
    QTemporaryDir folder;
    ScriptedPrompts prompts;
    PseudoTerminal line;
    KironMemory linkMemory;
    int ends = 0;
    std::unique_ptr<MainForm> form;

    explicit Program(FolderAccess access = FolderAccess::AsOnDisk)
    {
        const QDir bin(QCoreApplication::applicationDirPath());
        for (const QString &name : bin.entryList({QStringLiteral("KZTFIX*.zff")}))
            QFile::copy(bin.filePath(name), folder.filePath(name));
        ChannelNameTable names;
        names.LoadDefaultNames();
        SaveChannelNames(folder.path(), names);
        setProgramFolder(folder.path(), access);
        qputenv("XDG_DATA_HOME", QFile::encodeName(folder.filePath(QStringLiteral("data"))));
        mapPorts(QStringLiteral("3=%1").arg(line.devicePath()));

        MainForm::Windows windows{
            [this](WindowNavigator *n, Prompts &p) -> QWidget * { return new Kiron(n, p, &linkMemory); },
            [](WindowNavigator *n, Prompts &p) -> QWidget * { return new Zelva71(n, p); },
            [](WindowNavigator *n, Prompts &p) -> QWidget * { return new EditChName(n, p); },
        };
        form = std::make_unique<MainForm>(windows, prompts, [this] { ++ends; });
        form->resize(900, 760);
        form->StartUp();
        if (!QTest::qWaitForWindowActive(form.get()))
            qWarning("the main window did not become active");
    }
    ~Program()
    {
        form.reset();
        setProgramFolder(QString());
        qunsetenv("ZELVAR71_PORTS");
    }

    Kiron *kiron() const { return qobject_cast<Kiron *>(form->linkWindow()); }
    Zelva71 *editor() const { return qobject_cast<Zelva71 *>(form->fixtureEditor()); }
    EditChName *names() const { return qobject_cast<EditChName *>(form->channelNameEditor()); }
    QMdiSubWindow *frame(QWidget *w) const { return form->frameOf(w); }
    void menu(const char *name) const { form->findChild<QAction *>(QLatin1String(name))->trigger(); }
    QString path(const QString &name) const { return folder.filePath(name); }
};

template <class T>
T *child(QWidget *window, const char *name)
{
    T *found = window->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no %s in %s", name, qPrintable(window->objectName()));
    return found;
}

QAction *action(QWidget *window, const char *name)
{
    return child<QAction>(window, name);
}

void clickCell(QTableWidget *grid, int row, int column)
{
    const QModelIndex index = grid->model()->index(row, column);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

// Opens a drop-down from the keyboard and clicks one of its entries.
void choose(QComboBox *box, const QString &text)
{
    const int index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(index >= 0, qPrintable(text));
    box->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(box, Qt::Key_F4);
    QAbstractItemView *view = box->view();
    QVERIFY(view->isVisible());
    const QModelIndex item = view->model()->index(index, box->modelColumn());
    view->scrollTo(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
}

} // namespace

class TestZelvar71 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        setProgramIdentity();
    }

    void startUp()
    {
        Program program;
        QVERIFY(program.kiron());
        QVERIFY(program.editor());
        QVERIFY(!program.names());
        QCOMPARE(program.form->mdiArea()->activeSubWindow(), program.frame(program.editor()));
        QCOMPARE(program.form->mdiArea()->subWindowList(QMdiArea::StackingOrder).last(), program.frame(program.editor()));
        QCOMPARE(program.frame(program.kiron())->geometry(), QRect(QPoint(0, 0), program.form->mdiArea()->viewport()->size()));
        QCOMPARE(program.frame(program.editor())->pos(), QPoint(0, 0));
        QVERIFY(child<QWidget>(program.kiron(), "Frame3")->isVisible());
        // The fixture editor's choices come from the programs' folder.
        QCOMPARE(child<QComboBox>(program.editor(), "Combo10")->count(), BuiltInNameCount);
    }

    // Shown again, the channel-name editor is the same window; it follows the files all the
    // while it is open.
    void theChannelNameEditorIsOpenedOnce()
    {
        Program program;
        program.menu("numChname");
        EditChName *first = program.names();
        QVERIFY(first);
        QTableWidget *grid = child<QTableWidget>(first, "ChMSFlexGrid");
        QCOMPARE(grid->item(59, 1)->text(), QString());

        ChannelNameTable changed;
        ReadChannelNameSet(program.folder.path(), changed);
        changed.setName(59, QStringLiteral("Laser"));
        QVERIFY(SaveChannelNames(program.folder.path(), changed).ok());

        program.frame(first)->move(30, 40);
        program.menu("numChname");
        QCOMPARE(program.names(), first);
        QCOMPARE(program.frame(first)->pos(), QPoint(0, 0));
        QTRY_COMPARE_WITH_TIMEOUT(grid->item(59, 1)->text(), QStringLiteral("Laser"), 1000);

        QTest::mouseClick(child<QPushButton>(first, "Command1"), Qt::LeftButton); // Exit
        QTRY_VERIFY(!program.names());
        QTRY_COMPARE(program.form->mdiArea()->subWindowList().size(), 2);
        program.menu("numChname");
        QVERIFY(program.names() && program.names() != first);
        QCOMPARE(child<QTableWidget>(program.names(), "ChMSFlexGrid")->item(59, 1)->text(), QStringLiteral("Laser"));
    }

    // Installed where the user may not write (a package): the names the channel-name editor
    // saves go to the user's data folder, which starts from the programs' files, and a
    // fixture editor opened afterwards offers them. The programs' files stay as they were.
    void aReadOnlyInstallKeepsTheNamesInTheUsersFolder()
    {
        Program program(FolderAccess::ReadOnly);
        const QByteArray programSet = testsupport::readAll(program.path(QStringLiteral("ChNameSet.fix")));
        const QByteArray programDown = testsupport::readAll(program.path(QStringLiteral("ChNameDown.fix")));

        program.menu("numChname");
        EditChName *names = program.names();
        QTableWidget *grid = child<QTableWidget>(names, "ChMSFlexGrid");
        clickCell(grid, 59, 1);
        QTest::keyClicks(child<QLineEdit>(names, "ChTextEdit"), QStringLiteral("Laser"));
        clickCell(grid, 60, 1);
        QTest::mouseClick(child<QPushButton>(names, "ChSave"), Qt::LeftButton);
        QCOMPARE(program.prompts.calls.size(), 0);

        const QString data = program.path(QStringLiteral("data/Zelvar71/"));
        const QByteArray set = testsupport::readAll(data + QStringLiteral("ChNameSet.fix"));
        QCOMPARE(set.size(), 2560);
        QCOMPARE(set.left(590), programSet.left(590));
        QCOMPARE(set.mid(590, 10), QByteArray("\x3b\x3bLaser   ", 10));
        const QByteArray down = testsupport::readAll(data + QStringLiteral("ChNameDown.fix"));
        QCOMPARE(down.size(), 2048);
        QCOMPARE(down.mid(59 * 8, 8), QByteArray("Laser   "));
        QCOMPARE(testsupport::readAll(program.path(QStringLiteral("ChNameSet.fix"))), programSet);
        QCOMPARE(testsupport::readAll(program.path(QStringLiteral("ChNameDown.fix"))), programDown);

        QPointer<Zelva71> first = program.editor();
        action(first, "mnuReturn")->trigger();
        QTRY_VERIFY(!first);
        program.menu("numMF");
        auto *choices = child<QComboBox>(program.editor(), "Combo10");
        QCOMPARE(choices->count(), BuiltInNameCount + 1);
        QCOMPARE(choices->itemText(BuiltInNameCount), QStringLiteral("Laser"));
        QCOMPARE(choices->itemData(BuiltInNameCount).toInt(), BuiltInNameCount);
    }

    // Names another program adds while both editors are open (zelvar71-cli import writes
    // the files): the channel-name editor shows them in the rows the user has not changed
    // and its Save keeps them; the fixture editor's chooser and its rows show them without
    // being opened again.
    void namesAddedFromOutsideReachEveryWindow()
    {
        Program program;
        Zelva71 *editor = program.editor();
        // A channel whose name the files do not hold yet shows blanks.
        QTableWidget *channels = child<QTableWidget>(editor, "MSFlexGrid1");
        clickCell(channels, 0, 1);
        choose(child<QComboBox>(editor, "Combo10"), QStringLiteral("Dimmer"));
        clickCell(channels, 1, 1);
        choose(child<QComboBox>(editor, "Combo10"), QStringLiteral("Pan"));
        clickCell(channels, 0, 0);

        program.menu("numChname");
        EditChName *names = program.names();
        QTableWidget *grid = child<QTableWidget>(names, "ChMSFlexGrid");
        clickCell(grid, 61, 1);
        QTest::keyClicks(child<QLineEdit>(names, "ChTextEdit"), QStringLiteral("Mine"));
        clickCell(grid, 62, 1);

        ChannelNameTable outside = ChannelNameStore::live().names();
        outside.setName(59, QStringLiteral("UV"));
        outside.setName(60, QStringLiteral("Dim Spd"));
        QVERIFY(SaveChannelNames(program.folder.path(), outside));
        QTRY_COMPARE_WITH_TIMEOUT(grid->item(59, 1)->text(), QStringLiteral("UV"), 1000);
        QCOMPARE(grid->item(60, 1)->text(), QStringLiteral("Dim Spd"));
        QCOMPARE(grid->item(61, 1)->text(), QStringLiteral("Mine"));

        auto *chooser = child<QComboBox>(editor, "Combo10");
        QCOMPARE(chooser->count(), BuiltInNameCount + 2);
        QCOMPARE(chooser->itemText(BuiltInNameCount), QStringLiteral("UV"));
        QCOMPARE(chooser->itemData(BuiltInNameCount + 1).toInt(), 60);
        QCOMPARE(child<QComboBox>(editor, "Combo9")->itemText(1), QStringLiteral("Chan 2 - Pan"));

        QTest::mouseClick(child<QPushButton>(names, "ChSave"), Qt::LeftButton);
        const QByteArray set = testsupport::readAll(program.path(QStringLiteral("ChNameSet.fix")));
        QCOMPARE(set.mid(590, 30), testsupport::hex("3b 3b") + "UV      " + testsupport::hex("3c 3c") + "Dim Spd "
                                       + testsupport::hex("3d 3d") + "Mine    ");
        QCOMPARE(testsupport::readAll(program.path(QStringLiteral("ChNameDown.fix"))).mid(59 * 8, 24),
                 QByteArray("UV      Dim Spd Mine    "));
        QTRY_COMPARE(chooser->count(), BuiltInNameCount + 3);
        QCOMPARE(program.prompts.calls.size(), 0);
    }

    void showFromEveryCaller()
    {
        Program program;
        QMdiSubWindow *link = program.frame(program.kiron());
        link->setGeometry(60, 50, 500, 400);
        program.menu("numUF");
        QCOMPARE(link->geometry(), QRect(0, 0, 500, 400));
        QCOMPARE(program.form->mdiArea()->activeSubWindow(), link);

        // The channel-name editor's menu shows the other two.
        program.menu("numChname");
        action(program.names(), "eSM")->trigger();
        QCOMPARE(program.form->mdiArea()->activeSubWindow(), program.frame(program.editor()));
        action(program.names(), "eSu")->trigger();
        QCOMPARE(program.form->mdiArea()->activeSubWindow(), link);

        // "&Return" closes the fixture editor and shows the link window.
        QPointer<Zelva71> editor = program.editor();
        action(editor, "mnuReturn")->trigger();
        QTRY_VERIFY(!editor);
        QCOMPARE(program.form->mdiArea()->activeSubWindow(), link);

        // "Fixture Edit" closes the link window and shows a new fixture editor.
        QPointer<Kiron> kiron = program.kiron();
        QTest::mouseClick(child<QPushButton>(kiron, "Command11"), Qt::LeftButton);
        QTRY_VERIFY(!kiron);
        QVERIFY(program.editor());
        QCOMPARE(program.form->mdiArea()->activeSubWindow(), program.frame(program.editor()));
        QCOMPARE(program.frame(program.editor())->pos(), QPoint(0, 0));
        program.menu("numUF");
        QVERIFY(program.kiron() && program.kiron() != kiron);
        QCOMPARE(program.ends, 0);
    }

    // Closed and shown again, the link window has the size and the selection it had.
    void theLinkWindowComesBackAsItWas_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("close box") << true;
        QTest::newRow("Fixture Edit") << false;
    }

    void theLinkWindowComesBackAsItWas()
    {
        QFETCH(bool, closeBox);
        Program program;
        program.menu("numUF");
        QPointer<Kiron> first = program.kiron();
        program.frame(first)->resize(700, 520);
        auto *panel = child<FixtureSelectionPanel>(first, "Frame3");
        QVERIFY(child<FolderList>(panel, "Dir1")->setPath(program.folder.path()));
        FileList *files = child<FileList>(panel, "File1");
        QVERIFY(QFile::copy(program.path(QStringLiteral("KZTFIX6.zff")), program.path(QStringLiteral("own.zff"))));
        files->refresh();
        const QListWidgetItem *item = files->findItems(QStringLiteral("own.zff"), Qt::MatchExactly).value(0);
        QVERIFY(item);
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(item).center());
        QTest::mouseClick(child<QPushButton>(panel, "Command7"), Qt::LeftButton);
        const QStringList selection = panel->SelectedPaths();
        QCOMPARE(selection.size(), 5);

        if (closeBox)
            program.frame(first)->close();
        else
            QTest::mouseClick(child<QPushButton>(first, "Command11"), Qt::LeftButton);
        QTRY_VERIFY(!first);
        program.menu("numUF");
        Kiron *again = program.kiron();
        QVERIFY(again);
        QCOMPARE(program.frame(again)->geometry(), QRect(0, 0, 700, 520));
        QCOMPARE(child<FixtureSelectionPanel>(again, "Frame3")->SelectedPaths(), selection);
        // The rest is a fresh load: the panel over the transfer page.
        QVERIFY(child<QWidget>(again, "Frame3")->isVisible());
    }

    void ctrlEBelongsToTheActiveWindow()
    {
        Program program;
        // In the fixture editor Ctrl+E is "&Exit"; in the link window it is "Fixture &Edit".
        QLineEdit *name = child<QLineEdit>(program.editor(), "text1");
        QTest::mouseClick(name, Qt::LeftButton);
        QTest::keyClick(name, Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(program.ends, 1);
        QPointer<Kiron> kiron = program.kiron();
        program.menu("numUF");
        QListWidget *selection = child<QListWidget>(kiron, "List1");
        QTest::mouseClick(selection->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::keyClick(selection, Qt::Key_E, Qt::ControlModifier);
        QTRY_VERIFY(!kiron);
        QCOMPARE(program.ends, 1);
    }

    void exitDuringAReceiveEndsAtOnceWithTheBytesOnDisk()
    {
        Program program;
        program.menu("numUF");
        const QString target = program.path(QStringLiteral("back.bin"));
        program.prompts.paths << target;
        action(program.kiron(), "mnuReceiveFile")->trigger();
        QVERIFY(program.kiron()->isReceiving());
        program.line.write(QByteArray("\x01\x02show data\x00\xff", 13));
        QTRY_COMPARE(child<QLabel>(program.kiron(), "Label7")->text(), QStringLiteral("13"));

        program.menu("numExit");
        QCOMPARE(program.ends, 1);
        QVERIFY(program.kiron()->isReceiving()); // no unload ran
        QCOMPARE(testsupport::readAll(target), QByteArray("\x01\x02show data\x00\xff", 13));
    }

    void closingTheMainWindowUnloadsTheLinkWindow()
    {
        Program program;
        program.prompts.paths << program.path(QStringLiteral("back.bin"));
        action(program.kiron(), "mnuReceiveFile")->trigger();
        QVERIFY(program.kiron()->port().PortOpen());
        QPointer<Kiron> kiron = program.kiron();
        program.prompts.answers << PromptAnswer::Ok;
        QVERIFY(program.form->close());
        QCOMPARE(program.prompts.last().text, QStringLiteral("A transfer is running. Stop it?"));
        QTRY_VERIFY(!kiron);
        // The port is free again: a new link window opens it.
        Kiron again(nullptr, program.prompts);
        QVERIFY(again.OpenDevicePort());
    }

    // Edit and save a profile, return to the link window, add it to the selection, save
    // the set and send it: the far end receives exactly the composed file.
    void fromAProfileToTheController()
    {
        Program program;
        Zelva71 *editor = program.editor();
        QLineEdit *name = child<QLineEdit>(editor, "text1");
        QTest::mouseClick(name, Qt::LeftButton);
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(name, QStringLiteral("Club Wash"));
        choose(child<QComboBox>(editor, "Combo1"), QStringLiteral("2"));

        QTableWidget *channels = child<QTableWidget>(editor, "MSFlexGrid1");
        clickCell(channels, 0, 1);
        choose(child<QComboBox>(editor, "Combo10"), QStringLiteral("Dimmer"));
        clickCell(channels, 1, 1);
        choose(child<QComboBox>(editor, "Combo10"), QStringLiteral("Color"));
        clickCell(channels, 0, 0);
        QCOMPARE(editor->profile().channels[0].nameId, quint8(6));
        QCOMPARE(editor->profile().channels[1].nameId, quint8(9));

        choose(child<QComboBox>(editor, "Combo9"), QStringLiteral("Chan 2 - Color"));
        QTest::mouseClick(child<QPushButton>(editor, "Command1"), Qt::LeftButton); // Add
        QTableWidget *steps = child<QTableWidget>(editor, "MSFlexGrid2");
        clickCell(steps, 0, 1);
        QTest::keyClicks(child<QLineEdit>(editor, "Text3"), QStringLiteral("Red"));
        clickCell(steps, 0, 3);
        QTest::keyClicks(child<QLineEdit>(editor, "Text3"), QStringLiteral("20"));
        clickCell(steps, 0, 0);

        const QString profilePath = program.path(QStringLiteral("clubwash"));
        program.prompts.paths << profilePath;
        action(editor, "mnuSaveFixture")->trigger();
        const QByteArray profile = testsupport::readAll(profilePath + QStringLiteral(".zff"));
        QCOMPARE(profile.size(), 91 + 11);
        QCOMPARE(profile.mid(4, 2), QByteArray("\0\0", 2));
        QCOMPARE(profile.mid(91), QByteArray("Red     \x00\x14\x00", 11));

        QPointer<Zelva71> closed = editor;
        action(editor, "mnuReturn")->trigger();
        QTRY_VERIFY(!closed);
        Kiron *kiron = program.kiron();
        QTRY_COMPARE(program.form->mdiArea()->activeSubWindow(), program.frame(kiron));

        auto *panel = child<FixtureSelectionPanel>(kiron, "Frame3");
        QVERIFY(child<FolderList>(panel, "Dir1")->setPath(program.folder.path()));
        FileList *files = child<FileList>(panel, "File1");
        const QListWidgetItem *item = files->findItems(QStringLiteral("clubwash.zff"), Qt::MatchExactly).value(0);
        QVERIFY(item);
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(item).center());
        QTest::mouseClick(child<QPushButton>(panel, "Command7"), Qt::LeftButton);
        QCOMPARE(panel->SelectedPaths().size(), 5);
        QCOMPARE(panel->SelectedPaths().last(), profilePath + QStringLiteral(".zff"));

        const QString setPath = program.path(QStringLiteral("club.tzk"));
        program.prompts.paths << setPath;
        QTest::mouseClick(child<QPushButton>(panel, "Command9"), Qt::LeftButton);
        const QByteArray set = testsupport::readAll(setPath);
        QCOMPARE(set.size(), 86529);
        QCOMPARE(set.at(14080), char(5));
        QCOMPARE(set.mid(512 + 53 * 5, 19), QByteArray("\x02") + QByteArray("Club Wash         "));
        QCOMPARE(set.mid(16896 + 16 * 5, 2), QByteArray("\x06\x09"));

        program.prompts.paths << setPath;
        action(kiron, "mnuSendFile")->trigger();
        QTRY_COMPARE(program.line.received.size(), set.size());
        QCOMPARE(program.line.received, set);
        QCOMPARE(program.prompts.unscripted, 0);
        for (const PromptCall &call : program.prompts.calls)
            QVERIFY2(call.kind != PromptCall::Message, qPrintable(call.text));
    }
};

QTEST_MAIN(TestZelvar71)
#include "tst_zelvar71.moc"
