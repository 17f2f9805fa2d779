// Unsaved work across the ways the program and its windows end: Exit right after a change,
// a process killed in the middle of an edit, the close box; and the question the windows
// ask when they open again, answered both ways.
#include "channames/channelnamefiles.h"
#include "channames/editchname.h"
#include "channames/namerecovery.h"
#include "common/programfolder.h"
#include "common/userfolders.h"
#include "downloadset/libraryfixtures.h"
#include "fixture/profilerecovery.h"
#include "fixture/zelva71.h"
#include "fixture/zfffile.h"
#include "scriptedprompts.h"
#include "seriallink/kiron.h"
#include "shell/mainform.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

using namespace zelvar;
using testsupport::readAll;

namespace {

QLineEdit *fixtureNameBox(QWidget *editor)
{
    return editor->findChild<QLineEdit *>(QStringLiteral("text1"));
}

void typeFixtureName(QWidget *editor, const QString &name)
{
    QLineEdit *box = fixtureNameBox(editor);
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, name);
}

// Types `name` into row `row` of the channel-name editor and commits it with a click on
// the next row.
void typeChannelName(QWidget *names, int row, const QString &name)
{
    auto *grid = names->findChild<QTableWidget *>(QStringLiteral("ChMSFlexGrid"));
    const auto clickRow = [grid](int r) {
        QTableWidgetItem *item = grid->item(r - 1, 1);
        grid->scrollToItem(item);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(item).center());
    };
    clickRow(row);
    QTest::keyClicks(names->findChild<QLineEdit *>(QStringLiteral("ChTextEdit")), name);
    clickRow(row + 1);
}

QString nameCell(QWidget *names, int row)
{
    return names->findChild<QTableWidget *>(QStringLiteral("ChMSFlexGrid"))->item(row - 1, 1)->text();
}

template <class Window>
Window *shown(Window *window)
{
    window->show();
    if (!QTest::qWaitForWindowActive(window))
        qWarning("%s did not become active", qPrintable(window->objectName()));
    return window;
}

// A row renamed from an entry never set.
ChangedNameRow nameRow(int entry, const char *name)
{
    ChangedNameRow row;
    row.entry = entry;
    row.value.entryIndex = quint8(entry);
    row.value.nameId = quint8(entry);
    row.value.name.assign(name);
    row.replaced = ChannelNameEntry{};
    return row;
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString bin() const { return m_dir->filePath(QStringLiteral("bin")); }
    // The user's data folder of the program: $XDG_DATA_HOME/Zelvar71.
    QString kept(const char *fileName) const
    {
        return m_dir->filePath(QStringLiteral("data/Zelvar71/") + QLatin1String(fileName));
    }
    QString keptProfile() const { return kept("Zelva71.recovery"); }
    QString keptNames() const { return kept("EditChName.recovery"); }

    QString keptFixtureName() const
    {
        FixtureProfile profile;
        QString fileName;
        if (!DecodeProfileRecovery(readAll(keptProfile()), profile, fileName))
            return QStringLiteral("(no profile kept)");
        return withoutTrailingBlanks(profile.setup.fixtureName.text());
    }
    QVector<ChangedNameRow> keptRows() const
    {
        QVector<ChangedNameRow> rows;
        DecodeNameRecovery(readAll(keptNames()), rows);
        return rows;
    }

private slots:
    void initTestCase()
    {
        // As the program and the killed editor call themselves, so that all share one folder.
        setProgramIdentity();
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->filePath(QStringLiteral("data"))));
        QDir().mkpath(bin());
        QVERIFY(CreateMissingChannelNameFiles(bin()));
        setProgramFolder(bin());
    }

    void cleanup()
    {
        setProgramFolder(QString());
        m_dir.reset();
    }

    void exitRightAfterAChangeKeepsIt()
    {
        ScriptedPrompts prompts;
        int ends = 0;
        MainForm::Windows windows{
            [](WindowNavigator *n, Prompts &p) -> QWidget * { return new Kiron(n, p); },
            [](WindowNavigator *n, Prompts &p) -> QWidget * { return new Zelva71(n, p); },
            [](WindowNavigator *n, Prompts &p) -> QWidget * { return new EditChName(n, p); },
        };
        MainForm form(windows, prompts, [&ends] { ++ends; });
        form.resize(900, 760);
        form.StartUp();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QWidget *editor = form.fixtureEditor();

        typeFixtureName(editor, QStringLiteral("Night"));
        QTRY_COMPARE(keptFixtureName(), QStringLiteral("Night"));
        // These changes are younger than the write delay when Exit ends the program.
        QTest::keyClicks(fixtureNameBox(editor), QStringLiteral(" Show"));
        form.showChannelNameEditor();
        typeChannelName(form.channelNameEditor(), 60, QStringLiteral("Haze"));
        editor->findChild<QAction *>(QStringLiteral("mnuExit"))->trigger();

        QCOMPARE(ends, 1);
        QCOMPARE(keptFixtureName(), QStringLiteral("Night Show"));
        QCOMPARE(keptRows(), QVector<ChangedNameRow>{nameRow(59, "Haze")});
        QCOMPARE(prompts.calls.size(), 0);
    }

    void aKilledEditorLeavesItsWorkBehind()
    {
        QProcess killed;
        killed.start(QStringLiteral(RECOVERY_EDITOR), {bin(), QStringLiteral("Killed Spot")});
        QVERIFY(killed.waitForStarted());
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += killed.readAllStandardOutput()).contains("edited"), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(keptFixtureName(), QStringLiteral("Killed Spot"), 10000);
        ::kill(pid_t(killed.processId()), SIGKILL);
        QVERIFY(killed.waitForFinished());
        QCOMPARE(killed.exitStatus(), QProcess::CrashExit);

        ScriptedPrompts prompts;
        prompts.answers << PromptAnswer::Ok;
        Zelva71 *editor = shown(new Zelva71(nullptr, prompts));
        QCOMPARE(prompts.calls.size(), 1);
        QVERIFY2(prompts.last().text.startsWith(
                     QStringLiteral("Restore the unsaved fixture profile \"Killed Spot\" from ")),
                 qPrintable(prompts.last().text));
        QCOMPARE(prompts.last().title, QStringLiteral("Zelva71 Fixture"));
        QCOMPARE(prompts.last().buttons, PromptButtons::OkCancel);
        QCOMPARE(fixtureNameBox(editor)->text().trimmed(), QStringLiteral("Killed Spot"));
        QVERIFY(editor->hasUnsavedWork());
        delete editor;
    }

    void theQuestionRestoresOrDiscards_data()
    {
        QTest::addColumn<bool>("profile"); // the fixture editor, or the channel-name editor
        QTest::addColumn<bool>("restore");
        QTest::addColumn<bool>("savedBefore"); // the profile was saved before the change
        QTest::newRow("profile restored") << true << true << false;
        QTest::newRow("profile discarded") << true << false << false;
        QTest::newRow("saved profile restored") << true << true << true;
        QTest::newRow("names restored") << false << true << false;
        QTest::newRow("names discarded") << false << false << false;
    }
    void theQuestionRestoresOrDiscards()
    {
        QFETCH(bool, profile);
        QFETCH(bool, restore);
        QFETCH(bool, savedBefore);
        const QString lamp = m_dir->filePath(QStringLiteral("lamp.zff"));
        const QString file = profile ? keptProfile() : keptNames();
        const QByteArray namesBefore = readAll(joinFolderPath(bin(), QStringLiteral("ChNameSet.fix")));

        ScriptedPrompts prompts;
        const auto open = [&]() -> QMainWindow * {
            if (profile)
                return shown(new Zelva71(nullptr, prompts));
            return shown(new EditChName(nullptr, prompts));
        };
        // Work left behind through the close box.
        QMainWindow *window = open();
        if (savedBefore) {
            prompts.paths << lamp;
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
            QVERIFY(QFile::exists(lamp));
            prompts.calls.clear();
        }
        if (profile)
            typeFixtureName(window, QStringLiteral("Kept Spot"));
        else
            typeChannelName(window, 60, QStringLiteral("Haze"));
        window->close();
        delete window;
        QVERIFY(QFile::exists(file));
        QCOMPARE(prompts.calls.size(), 0);

        prompts.answers << (restore ? PromptAnswer::Ok : PromptAnswer::Cancel);
        window = open();
        QCOMPARE(prompts.calls.size(), 1);
        QCOMPARE(prompts.last().title, profile ? QStringLiteral("Zelva71 Fixture") : QStringLiteral("Edit Channel Name"));
        QCOMPARE(prompts.last().buttons, PromptButtons::OkCancel);
        QVERIFY2(prompts.last().text.contains(profile ? QStringLiteral("\"Kept Spot\"") : QStringLiteral("Row 60: Haze")),
                 qPrintable(prompts.last().text));
        if (profile) {
            // Shown as an opened profile shows its name: all 18 characters.
            QCOMPARE(fixtureNameBox(window)->text().trimmed(),
                     restore ? QStringLiteral("Kept Spot") : QStringLiteral("New Fixture"));
            QCOMPARE(static_cast<Zelva71 *>(window)->hasUnsavedWork(), restore);
            if (restore) {
                // Save proposes the file the work was last saved to, or nothing.
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
                QCOMPARE(prompts.last().kind, PromptCall::SaveFile);
                QCOMPARE(prompts.last().text, savedBefore ? lamp : documentsFolder());
                prompts.calls.removeLast();
                // Restored work starts the history: an edit undone shows it again, unsaved.
                auto *undo = window->findChild<QAction *>(QStringLiteral("mnuUndo"));
                QVERIFY(!undo->isEnabled());
                typeFixtureName(window, QStringLiteral("Other"));
                QTest::keyClick(fixtureNameBox(window), Qt::Key_Return);
                QTest::keyClick(fixtureNameBox(window), Qt::Key_Z, Qt::ControlModifier);
                QCOMPARE(fixtureNameBox(window)->text(), QStringLiteral("Kept Spot"));
                QVERIFY(!undo->isEnabled());
                QVERIFY(static_cast<Zelva71 *>(window)->hasUnsavedWork());
            }
        } else {
            QCOMPARE(nameCell(window, 60), restore ? QStringLiteral("Haze") : QString());
            QCOMPARE(static_cast<EditChName *>(window)->table().entries[59].name.bytes(),
                     restore ? QByteArray("Haze    ") : QByteArray(8, '\0'));
        }
        // Restored work stays unsaved: no file of the user's is written, and it is kept.
        QCOMPARE(QFile::exists(file), restore);
        QCOMPARE(readAll(joinFolderPath(bin(), QStringLiteral("ChNameSet.fix"))), namesBefore);
        QCOMPARE(QDir(bin()).entryList({QStringLiteral("*.zff")}), QStringList());
        window->close();
        delete window;

        // Asked again only while the work is still kept.
        prompts.answers << PromptAnswer::Cancel;
        delete open();
        QCOMPARE(prompts.calls.size(), restore ? 2 : 1);
    }

    // Restored rows are unsaved edits of what they replaced: a row the files have changed
    // since is asked about at Save. A file of the first layout, which does not say what its
    // rows replaced, counts them as edits of the files as the window reads them.
    void restoredRowsAreEditsOfWhatTheyReplaced_data()
    {
        QTest::addColumn<bool>("firstLayout");
        QTest::newRow("the names replaced kept") << false;
        QTest::newRow("a file of the first layout") << true;
    }
    void restoredRowsAreEditsOfWhatTheyReplaced()
    {
        QFETCH(bool, firstLayout);
        ScriptedPrompts prompts;
        const QByteArray firstFile = QByteArray("Zelvar71 unsaved channel names\n") + testsupport::hex("01 00 3b 3b 3b")
            + "Haze    ";
        if (firstLayout) {
            QVERIFY(QDir().mkpath(kept("")));
            QVERIFY(testsupport::writeAll(keptNames(), firstFile));
        } else {
            EditChName *names = shown(new EditChName(nullptr, prompts));
            typeChannelName(names, 60, QStringLiteral("Haze"));
            names->close();
            delete names;
            QCOMPARE(keptRows(), QVector<ChangedNameRow>{nameRow(59, "Haze")});
        }
        // Meanwhile an import of another copy takes the row.
        ChannelNameTable outside;
        outside.LoadDefaultNames();
        outside.setName(59, QStringLiteral("Fog"));
        QVERIFY(SaveChannelNames(bin(), outside));

        prompts.answers << PromptAnswer::Ok << PromptAnswer::Ok;
        EditChName *names = shown(new EditChName(nullptr, prompts));
        QCOMPARE(nameCell(names, 60), QStringLiteral("Haze"));
        QTest::mouseClick(names->findChild<QPushButton *>(QStringLiteral("ChSave")), Qt::LeftButton);
        QCOMPARE(prompts.calls.size(), firstLayout ? 1 : 2);
        if (!firstLayout)
            QCOMPARE(prompts.last().text,
                     QStringLiteral("Entry 59 is now \"Fog\" in the channel-name files; keep your \"Haze\"?"));
        QCOMPARE(readAll(joinFolderPath(bin(), channelNameSetFileName())).mid(590, 10),
                 testsupport::hex("3b 3b") + "Haze    ");
        QVERIFY(!QFile::exists(keptNames()));
        delete names;
    }

    void savingOrStartingAnewKeepsNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("untouched") << "";
        QTest::newRow("Save") << "save";
        QTest::newRow("New") << "new";
        QTest::newRow("Open") << "open";
        QTest::newRow("names Save") << "names";
    }
    void savingOrStartingAnewKeepsNothing()
    {
        QFETCH(QString, command);
        ScriptedPrompts prompts;
        const QString lamp = joinFolderPath(bin(), QStringLiteral("lamp.zff"));
        if (command == QLatin1String("names")) {
            EditChName *names = shown(new EditChName(nullptr, prompts));
            typeChannelName(names, 60, QStringLiteral("Haze"));
            QTRY_VERIFY(QFile::exists(keptNames()));
            QTest::mouseClick(names->findChild<QPushButton *>(QStringLiteral("ChSave")), Qt::LeftButton);
            QVERIFY(!QFile::exists(keptNames()));
            names->close();
            delete names;
            delete shown(new EditChName(nullptr, prompts));
            QCOMPARE(prompts.calls.size(), 0);
            return;
        }

        Zelva71 *editor = shown(new Zelva71(nullptr, prompts));
        if (!command.isEmpty()) {
            typeFixtureName(editor, QStringLiteral("Gone Spot"));
            QTRY_VERIFY(QFile::exists(keptProfile()));
        }
        // Each command through its own shortcut, as the user gives it.
        const auto shortcut = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key, Qt::ControlModifier); };
        if (command == QLatin1String("save")) {
            prompts.paths << lamp;
            shortcut(Qt::Key_S);
        } else if (command == QLatin1String("new")) {
            prompts.answers << PromptAnswer::Ok;
            shortcut(Qt::Key_N);
        } else if (command == QLatin1String("open")) {
            QVERIFY(WriteProfile(LibraryFixtureProfile(3), lamp));
            prompts.paths << lamp;
            shortcut(Qt::Key_O);
        }
        QVERIFY(!editor->hasUnsavedWork());
        QVERIFY(!QFile::exists(keptProfile()));
        editor->close();
        delete editor;
        const int asked = int(prompts.calls.size());
        delete shown(new Zelva71(nullptr, prompts));
        QCOMPARE(prompts.calls.size(), asked);
    }

    void aDataFolderThatCannotBeWrittenIsToldOnce()
    {
        // The data folder would lie under a plain file: not even root can write there.
        QVERIFY(testsupport::writeAll(m_dir->filePath(QStringLiteral("data")), "a file"));
        ScriptedPrompts prompts;
        Zelva71 *editor = shown(new Zelva71(nullptr, prompts));
        typeFixtureName(editor, QStringLiteral("Lost Spot"));
        QTRY_COMPARE(prompts.calls.size(), 1);
        QCOMPARE(prompts.last().title, QStringLiteral("Zelva71 Fixture"));
        QCOMPARE(prompts.last().buttons, PromptButtons::Ok);
        QCOMPARE(prompts.last().text,
                 QStringLiteral("Unsaved work cannot be kept: Cannot write Zelva71.recovery: Not a directory"));
        // Further changes, and the close box's write, do not tell it again.
        QTest::keyClicks(fixtureNameBox(editor), QStringLiteral("2"));
        editor->close();
        QCOMPARE(prompts.calls.size(), 1);
        delete editor;
    }

    void aDamagedRecoveryFileIsToldAndRemoved()
    {
        QDir().mkpath(QFileInfo(keptProfile()).path());
        QVERIFY(testsupport::writeAll(keptProfile(), "Zelvar71 unsaved fixture profile\n\x05"));
        ScriptedPrompts prompts;
        delete shown(new Zelva71(nullptr, prompts));
        QCOMPARE(prompts.calls.size(), 1);
        QCOMPARE(prompts.last().buttons, PromptButtons::Ok);
        QVERIFY2(prompts.last().text.contains(QStringLiteral("cannot be restored")), qPrintable(prompts.last().text));
        QVERIFY(!QFile::exists(keptProfile()));
    }
};

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
