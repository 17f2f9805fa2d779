// The fixture editor window as a whole: its layout and menu, the channel-name choices it
// loads, and the New, Open, Save, Return and Exit commands with the files they read and
// write.
#include "common/navigation.h"
#include "common/userfolders.h"
#include "filefaults.h"
#include "zelva71driver.h"

#include "channames/channelnamefiles.h"

#include <QDir>
#include <QGroupBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>

#include <algorithm>

using namespace zelvar;
using namespace zelva71test;
using testsupport::hex;
using testsupport::padded;

namespace {

struct RecordingNavigator : WindowNavigator
{
    QStringList calls;
    void showLinkWindow() override { calls << QStringLiteral("link"); }
    void showFixtureEditor() override { calls << QStringLiteral("fixture"); }
    void showChannelNameEditor() override { calls << QStringLiteral("names"); }
    void endProgram() override { calls << QStringLiteral("end"); }
};

// The bytes a new 8-channel profile named "New Fixture" is saved as: all channels on name
// 33 (so the duplicate flag is 1), "Fade", black on all channels, every channel a master.
QByteArray newProfileBytes()
{
    QByteArray b = hex("00 00 00 00 01 00");
    b += "!Zelvar71!";
    b += hex("08");
    b += padded("New Fixture", 18);
    b += hex("ff 00 ff ff 00 00 00 00");
    for (int c = 0; c < 8; ++c)
        b += hex("21 01 00");
    b += QByteArray(24, '\0');
    return b;
}

void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestZelva71Window : public QObject
{
    Q_OBJECT

private slots:
    void windowLayout()
    {
        Editor e;
        QCOMPARE(e.window->windowTitle(), QStringLiteral("Zelva71 Rev1.09"));
        QCOMPARE(e.window->objectName(), QStringLiteral("Zelva71"));
        // 15 twips to a pixel: frames at 0,0 5895x4215; 0,4320 5895x3855; 6000,0 5895x8175
        const struct
        {
            const char *name;
            const char *caption;
            QRect rect;
        } frames[] = {{"Frame1", "Fixture Setup", QRect(0, 0, 393, 281)},
                      {"Frame2", "Channel Information", QRect(0, 288, 393, 257)},
                      {"Frame3", "Channel Values", QRect(400, 0, 393, 545)}};
        QWidget *area = e.window->centralWidget();
        QVERIFY(area->width() >= 793 && area->height() >= 576);
        for (const auto &f : frames) {
            auto *frame = e.child<QGroupBox>(f.name);
            QCOMPARE(frame->title(), QString::fromLatin1(f.caption));
            QCOMPARE(frame->geometry(), f.rect);
            QVERIFY(area->rect().contains(frame->geometry()));
            // Every control lies inside its frame.
            for (QWidget *control : frame->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
                if (!control->isHidden())
                    QVERIFY2(frame->rect().contains(control->geometry()), qPrintable(control->objectName()));
            }
        }
        for (const char *name : {"text1", "Combo1", "Combo2", "Text2", "List1", "Combo5", "Combo6", "Combo7", "Combo8",
                                 "MSFlexGrid1", "Combo10", "Combo13", "Combo9", "MSFlexGrid2", "Text3", "Command1",
                                 "Command2", "Command3", "Command4", "Combo11", "Combo12"})
            QVERIFY2(e.window->findChild<QWidget *>(QString::fromLatin1(name)), name);
        QCOMPARE(e.edit("text1")->maxLength(), 18);
        QCOMPARE(e.edit("Text2")->maxLength(), 3);
    }

    void fileMenu()
    {
        Editor e;
        auto *menu = e.child<QMenu>("mnuFile");
        QCOMPARE(menu->title(), QStringLiteral("&File"));
        // "&Edit" follows it (its entries are tested with the edit history).
        QCOMPARE(e.window->menuBar()->actions().size(), 2);
        QCOMPARE(e.window->menuBar()->actions().at(1)->text(), QStringLiteral("&Edit"));
        QStringList entries;
        for (QAction *action : menu->actions()) {
            if (action->isSeparator()) {
                entries << QStringLiteral("-");
                continue;
            }
            entries << action->text() + QLatin1Char(' ') + action->shortcut().toString();
            QCOMPARE(action->shortcutContext(), Qt::WidgetWithChildrenShortcut);
        }
        QCOMPARE(entries, (QStringList{"&New Fixture Ctrl+N", "&Open Fixture Ctrl+O", "&Import Fixture... Ctrl+I",
                                       "&Save Fixture Ctrl+S", "-", "&Return Ctrl+R", "&Exit Ctrl+E"}));
    }

    void channelNameChoices_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("ids");

        QByteArray full = QByteArray(2560, '\0');
        QStringList names;
        QList<int> ids;
        for (int i = 0; i < 256; ++i) {
            char *r = full.data() + i * 10;
            r[0] = char(i);
            r[1] = char((i * 7 + 3) & 0xFF); // identifiers come from the records
            if (i < 59) {
                const QByteArray name = padded(QByteArray::number(i).prepend("Name").constData(), 8);
                memcpy(r + 2, name.constData(), 8);
                names << QString::fromLatin1(name).trimmed();
                ids << ((i * 7 + 3) & 0xFF);
            } else if (i < 128) {
                memcpy(r + 2, "        ", 8);
            }
        }
        QTest::newRow("59 names of 2560 bytes") << full << names << ids;
        QTest::newRow("399 bytes") << full.left(399) << QStringList() << QList<int>();
        QTest::newRow("400 bytes") << full.left(400) << names.mid(0, 40) << ids.mid(0, 40);
        QTest::newRow("trailing blanks cut, leading kept")
            << namesFile({{0, 0, "Pan"}, {1, 9, "  Iris"}, {2, 2, " "}}) << QStringList{"Pan", "  Iris"}
            << QList<int>{0, 9};
        QTest::newRow("empty") << QByteArray() << QStringList() << QList<int>();
    }
    void channelNameChoices()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, ids);
        Editor e(file);
        QComboBox *chooser = e.combo("Combo10");
        QCOMPARE(Editor::entries(chooser), names);
        QList<int> shownIds;
        for (int i = 0; i < chooser->count(); ++i)
            shownIds << chooser->itemData(i).toInt();
        QCOMPARE(shownIds, ids);
    }

    void firstStartGivesTheBuiltInNames()
    {
        // The program writes the default names before the window reads them.
        QTemporaryDir started;
        QVERIFY(CreateMissingChannelNameFiles(started.path()));
        Editor e(testsupport::readAll(started.filePath(QStringLiteral("ChNameSet.fix"))));
        QComboBox *chooser = e.combo("Combo10");
        QCOMPARE(chooser->count(), 59);
        QCOMPARE(chooser->itemText(33), QStringLiteral("Special"));
        QCOMPARE(chooser->itemData(33).toInt(), 33);
        QCOMPARE(chooser->itemText(40), QStringLiteral("Mir. Fin"));

        // The window alone still creates a missing file empty and offers no names.
        Editor bare(QByteArray(), false);
        QCOMPARE(bare.combo("Combo10")->count(), 0);
        QVERIFY(QFileInfo::exists(bare.path(QStringLiteral("ChNameSet.fix"))));
        QCOMPARE(QFileInfo(bare.path(QStringLiteral("ChNameSet.fix"))).size(), 0);
    }

    // A pipe where "ChNameSet.fix" should be is refused at once and left as it is; the window
    // comes up with the built-in names and says which file it refused.
    void aNameFileThatIsAPipeGivesTheBuiltInNames()
    {
        QTemporaryDir folder;
        const QString names = folder.filePath(QStringLiteral("ChNameSet.fix"));
        QVERIFY(testsupport::makePipe(names));
        setProgramFolder(folder.path(), FolderAccess::Writable);
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(folder.filePath(QStringLiteral("data"))));
        ScriptedPrompts prompts;
        auto *window = new Zelva71(nullptr, prompts);
        window->show();

        auto *chooser = window->findChild<QComboBox *>(QStringLiteral("Combo10"));
        QCOMPARE(chooser->count(), 59);
        QCOMPARE(chooser->itemText(33), QStringLiteral("Special"));
        QCOMPARE(prompts.calls.size(), 1);
        QCOMPARE(prompts.last().title, QStringLiteral("Zelva71 Fixture"));
        QCOMPARE(prompts.last().text, QStringLiteral("ChNameSet.fix is a pipe, not a file\n\nThe built-in channel names are "
                                                     "offered instead.\nFolder: ")
                                          + QDir::toNativeSeparators(folder.path()));
        QVERIFY(!QFileInfo(names).isFile());
        delete window;
        setProgramFolder(QString());
        qputenv("XDG_DATA_HOME", dataHome);
    }

    void aNewProfileIsSavedAsItIsShown()
    {
        Editor e;
        QCOMPARE(e.save(QStringLiteral("lamp")), newProfileBytes());
        QCOMPARE(e.window->state().fileName, e.path(QStringLiteral("lamp.zff")));
    }

    void aOneChannelProfileHasNoDuplicates()
    {
        Editor e;
        e.choose("Combo1", QStringLiteral("1"));
        const QByteArray file = e.save();
        QCOMPARE(file.size(), 91);
        QCOMPARE(file.mid(4, 2), hex("00 00"));
        QCOMPARE(file.at(16), char(1));
    }

    void saveNames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::newRow("no extension") << "lamp" << "lamp.zff";
        QTest::newRow("upper case extension kept") << "LAMP.ZFF" << "LAMP.ZFF";
        QTest::newRow("extension") << "lamp.zff" << "lamp.zff";
        QTest::newRow("other extension") << "lamp.bin" << "lamp.bin.zff";
    }
    void saveNames()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        Editor e;
        e.prompts.paths.enqueue(e.path(typed));
        e.shortcut(Qt::Key_S);
        QCOMPARE(e.prompts.calls.first().kind, PromptCall::SaveFile);
        QCOMPARE(e.prompts.calls.first().filter, QStringLiteral("Zelva71 Setup File(*.zff)|*.zff"));
        QCOMPARE(testsupport::readAll(e.path(written)), newProfileBytes());
        QCOMPARE(QDir(e.path(QString())).entryList({QStringLiteral("*.zff"), QStringLiteral("*.ZFF"),
                                                    QStringLiteral("*.bin")},
                                                   QDir::Files),
                 QStringList{written});
        QCOMPARE(e.window->state().fileName, e.path(written));
    }

    void aLongerOldFileIsReplacedEntirely()
    {
        Editor e;
        testsupport::writeAll(e.path(QStringLiteral("lamp.zff")), QByteArray(5000, 'x'));
        QCOMPARE(e.save(QStringLiteral("lamp")), newProfileBytes());
    }

    void theSaveDialogProposesTheLastSave()
    {
        Editor e;
        e.save(QStringLiteral("first"));
        e.save(QStringLiteral("second"));
        // Each Save of the new profile, whose channels share "Special", is followed by the
        // warning about shared names.
        QCOMPARE(e.prompts.calls.size(), 4);
        QCOMPARE(e.prompts.calls[0].kind, PromptCall::SaveFile);
        QCOMPARE(e.prompts.calls[0].text, documentsFolder()); // nothing saved yet
        QCOMPARE(e.prompts.calls[1].kind, PromptCall::Message);
        QCOMPARE(e.prompts.calls[2].kind, PromptCall::SaveFile);
        QCOMPARE(e.prompts.calls[2].text, e.path(QStringLiteral("first.zff")));
    }

    void sharedNamesAreToldAfterTheSave_data()
    {
        QTest::addColumn<int>("channels"); // a new profile of this many channels, or 0 for the file below
        QTest::addColumn<QStringList>("shared");
        QTest::newRow("new profile") << 8
                                     << QStringList{QStringLiteral("\"Special\": Chan 1, Chan 2, Chan 3, Chan 4, "
                                                                   "Chan 5, Chan 6, Chan 7, Chan 8")};
        QTest::newRow("one channel") << 1 << QStringList();
        QTest::newRow("two pairs") << 0
                                   << QStringList{QStringLiteral("\"Gobo\": Chan 1, Chan 3"),
                                                  QStringLiteral("\"Dimmer\": Chan 2, Chan 4")};
    }
    void sharedNamesAreToldAfterTheSave()
    {
        QFETCH(int, channels);
        QFETCH(QStringList, shared);
        Editor e;
        if (channels > 0) {
            e.choose("Combo1", QString::number(channels));
        } else {
            ZffFile file;
            file.channelCount = 5;
            file.channels = std::vector<ChannelBytes>(5);
            const int ids[] = {5, 0, 5, 0, 6};
            for (int c = 0; c < 5; ++c)
                file.channels[size_t(c)].nameId = ids[c];
            e.open(file);
        }
        const QByteArray saved = e.save(QStringLiteral("lamp"));
        // The file is saved all the same, with the flag the selection panel tests.
        QCOMPARE(saved.mid(4, 2), shared.isEmpty() ? hex("00 00") : hex("01 00"));
        const int messages = int(std::count_if(e.prompts.calls.cbegin(), e.prompts.calls.cend(),
                                               [](const PromptCall &c) { return c.kind == PromptCall::Message; }));
        if (shared.isEmpty()) {
            QCOMPARE(messages, 0);
            return;
        }
        QCOMPARE(messages, 1);
        QCOMPARE(e.prompts.last().kind, PromptCall::Message);
        QCOMPARE(e.prompts.last().title, QStringLiteral("Zelva71 Fixture"));
        QCOMPARE(e.prompts.last().buttons, PromptButtons::Ok);
        QCOMPARE(e.prompts.last().text,
                 QStringLiteral("lamp.zff is saved, but some of its channels share a channel name:\n") +
                     shared.join(QLatin1Char('\n')) +
                     QStringLiteral("\n\nThe controller will not take this fixture into a download set until every "
                                    "channel has a name of its own."));
    }

    void aFailedSaveIsReportedAndKeepsTheOldFile()
    {
        Editor e;
        e.save(QStringLiteral("kept"));
        // A folder in the way of the file and a folder that does not exist.
        QDir(e.path(QString())).mkdir(QStringLiteral("taken.zff"));
        for (const QString &name : {QStringLiteral("taken.zff"), QStringLiteral("missing/lamp")}) {
            e.choose("Combo2", QStringLiteral("Chan 3"));
            const FixtureProfile before = e.profile();
            e.prompts.paths.enqueue(e.path(name));
            e.shortcut(Qt::Key_S);
            QCOMPARE(e.prompts.last().kind, PromptCall::Message);
            QCOMPARE(e.prompts.last().title, QStringLiteral("Zelva71 Fixture"));
            QCOMPARE(e.prompts.last().buttons, PromptButtons::Ok);
            const QString written = name.endsWith(QLatin1String(".zff")) ? name : name + QStringLiteral(".zff");
            QVERIFY2(e.prompts.last().text.contains(QDir::toNativeSeparators(e.path(written))),
                     qPrintable(e.prompts.last().text));
            QVERIFY(e.profile() == before);
            QCOMPARE(e.window->state().fileName, e.path(QStringLiteral("kept.zff")));
        }
        QVERIFY(QFileInfo(e.path(QStringLiteral("taken.zff"))).isDir());
        QCOMPARE(testsupport::readAll(e.path(QStringLiteral("kept.zff"))), newProfileBytes());
    }

    // Writes fail part-way, as on a full disk: the old file stays, the work stays unsaved.
    void aSaveOnAFullDiskKeepsTheOldFileAndTheWork()
    {
        Editor e;
        const QByteArray old = e.save(QStringLiteral("kept"));
        QVERIFY(!e.window->hasUnsavedWork());
        e.choose("Combo2", QStringLiteral("Chan 3"));
        QVERIFY(e.window->hasUnsavedWork());
        const int before = int(e.prompts.calls.size());
        {
            const testsupport::FileSizeLimit full(40);
            e.save(QStringLiteral("kept"));
        }
        QCOMPARE(e.prompts.calls.size(), before + 2); // the dialog, then the box
        QCOMPARE(e.prompts.last().kind, PromptCall::Message);
        QCOMPARE(e.prompts.last().title, QStringLiteral("Zelva71 Fixture"));
        QCOMPARE(e.prompts.last().buttons, PromptButtons::Ok);
        QCOMPARE(e.prompts.last().text, QStringLiteral("The fixture profile could not be saved as %1:\n"
                                                       "Cannot write kept.zff: File too large")
                                            .arg(QDir::toNativeSeparators(e.path(QStringLiteral("kept.zff")))));
        QCOMPARE(testsupport::readAll(e.path(QStringLiteral("kept.zff"))), old);
        QCOMPARE(QDir(e.path(QString())).entryList({QStringLiteral("kept*")}, QDir::Files),
                 QStringList{QStringLiteral("kept.zff")});
        QVERIFY(e.window->hasUnsavedWork());
        // The unsaved work reaches its recovery file, and stays there.
        QTRY_VERIFY(QFileInfo(e.window->recoveryFilePath()).size() > 0);
    }

    void cancelledDialogsReadAndWriteNothing()
    {
        Editor e;
        e.choose("Combo1", QStringLiteral("5"));
        const FixtureProfile before = e.profile();
        e.shortcut(Qt::Key_O);
        e.shortcut(Qt::Key_S);
        QCOMPARE(e.prompts.calls.size(), 2);
        QCOMPARE(e.prompts.calls[0].kind, PromptCall::OpenFile);
        QCOMPARE(e.prompts.calls[0].filter, QStringLiteral("Zelva71 Setup File(*.zff)|*.zff"));
        QCOMPARE(e.prompts.calls[0].text, documentsFolder());
        QCOMPARE(e.prompts.calls[1].kind, PromptCall::SaveFile);
        FixtureSetup expected = before.setup;
        expected.masterMask = 0xFFFF; // collected from the check list before the dialog opens
        QVERIFY(e.profile().setup == expected);
        QVERIFY(e.profile().channels == before.channels);
        QCOMPARE(QDir(e.path(QString())).entryList({QStringLiteral("*.zff")}, QDir::Files), QStringList());
    }

    void newKeepsTheNameAndResets()
    {
        Editor e;
        e.retype("text1", QStringLiteral("Spot 575"));
        e.choose("Combo1", QStringLiteral("12"));
        e.choose("Combo9", QStringLiteral("Chan 11-"));
        e.click("Command1");
        e.choose("Combo2", QStringLiteral("Chan 10"));
        e.retype("Text2", QStringLiteral("77"));
        e.prompts.answers.enqueue(PromptAnswer::Ok);
        e.shortcut(Qt::Key_N);
        QCOMPARE(e.prompts.last().text, QStringLiteral("Any current settings will be lost,continue"));
        QCOMPARE(e.prompts.last().title, QStringLiteral("Zelva71 Fixture"));
        QCOMPARE(e.prompts.last().buttons, PromptButtons::OkCancel);

        QCOMPARE(e.edit("text1")->text(), QStringLiteral("Spot 575"));
        QCOMPARE(e.profile().setup.fixtureName.text(), QStringLiteral("Spot 575          "));
        QCOMPARE(int(e.profile().setup.channelCount), 8);
        QCOMPARE(e.combo("Combo1")->currentText(), QStringLiteral("8"));
        QCOMPARE(e.rowTexts("MSFlexGrid2", 1), (QStringList{"No Steps", "", "", "", ""}));
        QCOMPARE(e.rows("MSFlexGrid2"), 2);
        QCOMPARE(e.rows("MSFlexGrid1"), 9);
        QCOMPARE(Editor::entries(e.combo("Combo9")), channelLabels(1, 8, QStringLiteral("-")));
        QCOMPARE(e.combo("Combo2")->currentText(), QStringLiteral("All Channels"));
        QCOMPARE(e.edit("Text2")->text(), QStringLiteral("0"));
        QCOMPARE(int(e.profile().channels[10].stepCount), 0);
        QCOMPARE(e.combo("Combo10")->count(), 8); // the names are not loaded again
        e.retype("text1", QStringLiteral("New Fixture"));
        QCOMPARE(e.save(), newProfileBytes());
    }

    void newCancelledChangesNothing()
    {
        Editor e;
        e.choose("Combo1", QStringLiteral("4"));
        e.click("Command1");
        const FixtureProfile before = e.profile();
        e.prompts.answers.enqueue(PromptAnswer::Cancel);
        e.shortcut(Qt::Key_N);
        QVERIFY(e.profile() == before);
        QCOMPARE(e.combo("Combo1")->currentText(), QStringLiteral("4"));
        QCOMPARE(e.rowTexts("MSFlexGrid2", 1), (QStringList{"Step 1", "", "0", "0", "0"}));
    }

    // An edit left open when New is chosen belongs to the old profile, not the new one.
    void newDoesNotCarryAnOpenEditOver()
    {
        Editor e;
        e.click("Command1");
        e.clickCell("MSFlexGrid2", 1, 1);
        e.retype("Text3", QStringLiteral("Gobo"));
        e.prompts.answers.enqueue(PromptAnswer::Ok);
        e.shortcut(Qt::Key_N);
        QVERIFY(e.edit("Text3")->isHidden());
        QCOMPARE(e.profile().steps[0], BlankStep());
        QCOMPARE(e.save(), newProfileBytes());
    }

    void openingTwelveChannelsOverEightGrowsEveryList()
    {
        ZffFile file;
        file.channelCount = 12;
        file.channels.resize(12);
        for (int c = 0; c < 12; ++c)
            file.channels[size_t(c)].nameId = c < 6 ? c : 33;
        file.channels[8] = {5, 2, {{"Red", 1, 2, 3}}};
        file.channels[11] = {6, 0, {{"Open", 0, 10, 5}, {"Shut", 11, 20, 15}}};
        file.blackChannel = 12;
        file.masterMask = 0x0900;
        file.tiltFine = 11;
        file.duplicateFlag = 1;

        Editor e;
        e.open(file);
        QCOMPARE(e.combo("Combo1")->currentText(), QStringLiteral("12"));
        QCOMPARE(e.combo("Combo2")->count(), 14);
        QCOMPARE(e.masterList()->count(), 14);
        QCOMPARE(e.checkedMasters(), (QStringList{"Chan 9", "Chan 12"}));
        for (const char *name : {"Combo5", "Combo6", "Combo7", "Combo8"})
            QCOMPARE(e.combo(name)->count(), 13);
        QCOMPARE(e.combo("Combo2")->currentText(), QStringLiteral("Chan 12"));
        QCOMPARE(e.combo("Combo8")->currentText(), QStringLiteral("Chan 11"));
        QCOMPARE(e.combo("Combo9")->count(), 12);
        QCOMPARE(e.combo("Combo9")->itemText(8), QStringLiteral("Chan 9 - Gobo"));
        QCOMPARE(e.combo("Combo9")->itemText(11), QStringLiteral("Chan 12 - Colour"));
        QCOMPARE(Editor::entries(e.combo("Combo11")), channelLabels(1, 12));
        QCOMPARE(Editor::entries(e.combo("Combo12")), channelLabels(1, 12));
        QCOMPARE(e.rows("MSFlexGrid1"), 13);
        QCOMPARE(e.rowTexts("MSFlexGrid1", 9), (QStringList{"Chan 9", "Gobo", "Snap After"}));
        QCOMPARE(e.rowTexts("MSFlexGrid1", 12), (QStringList{"Chan 12", "Colour", "Snap Before"}));
        QCOMPARE(e.profile().channels[8], (ChannelEntry{5, 2, 1}));
        QCOMPARE(e.profile().channels[11], (ChannelEntry{6, 0, 2}));
        QCOMPARE(e.combo("Combo9")->currentIndex(), 0);
        e.choose("Combo9", QStringLiteral("Chan 12 - Colour"));
        QCOMPARE(e.rowTexts("MSFlexGrid2", 2), (QStringList{"Step 2", "Shut    ", "11", "20", "15"}));
        QCOMPARE(e.save(), file.bytes());
    }

    void openShowsTheFirstChannelsSteps()
    {
        ZffFile file;
        file.channels[0].steps = {{"Red", 1, 2, 3}};
        Editor e;
        e.choose("Combo9", QStringLiteral("Chan 5-"));
        e.open(file);
        QCOMPARE(e.combo("Combo9")->currentIndex(), 0);
        QCOMPARE(e.rowTexts("MSFlexGrid2", 1), (QStringList{"Step 1", "Red     ", "1", "2", "3"}));
    }

    void aMadeProfileSurvivesSaveAndOpen()
    {
        QByteArray first;
        {
            Editor e;
            e.retype("text1", QStringLiteral("Moving Head 250"));
            e.choose("Combo1", QStringLiteral("10"));
            e.choose("Combo2", QStringLiteral("Chan 4"));
            e.retype("Text2", QStringLiteral("128"));
            e.toggleMaster(1);
            e.toggleMaster(2);
            e.toggleMaster(10);
            e.choose("Combo5", QStringLiteral("Chan 1"));
            e.choose("Combo6", QStringLiteral("Chan 2"));
            e.choose("Combo7", QStringLiteral("Chan 3"));
            e.choose("Combo8", QStringLiteral("Chan 9"));
            e.clickCell("MSFlexGrid1", 1, 1);
            e.choose("Combo10", QStringLiteral("Pan"));
            e.clickCell("MSFlexGrid1", 9, 2);
            e.choose("Combo13", QStringLiteral("Snap Before"));
            e.clickCell("MSFlexGrid1", 9, 1);
            e.choose("Combo10", QStringLiteral("Gobo"));
            e.click("Command1");
            e.click("Command1");
            e.clickCell("MSFlexGrid2", 1, 1);
            e.retype("Text3", QStringLiteral("Star"));
            e.clickCell("MSFlexGrid2", 2, 3);
            e.retype("Text3", QStringLiteral("200"));
            e.clickCell("MSFlexGrid2", 2, 0);
            first = e.save(QStringLiteral("made"));
        }
        QCOMPARE(first.size(), 91 + 2 * 11);
        QCOMPARE(first.mid(16, 1 + 18 + 6), QByteArray("\x0a") + padded("Moving Head 250", 18) + hex("04 80 01 01 01 02"));
        QCOMPARE(first.mid(43, 3), hex("02 01 00")); // channel 1: Pan, Fade
        QCOMPARE(first.mid(43 + 24, 3), hex("05 00 02")); // channel 9: Gobo, Snap Before, 2 steps
        QCOMPARE(first.mid(91), padded("Star", 8) + hex("00 00 00") + padded("", 8) + hex("00 c8 00"));

        Editor again;
        testsupport::writeAll(again.path(QStringLiteral("made.zff")), first);
        again.openPath(again.path(QStringLiteral("made.zff")));
        QCOMPARE(again.save(QStringLiteral("again")), first);
    }

    void reservedBytesAreWrittenBackAsRead()
    {
        ZffFile file;
        file.reserved = QByteArray("ABCD");
        file.channels[3].steps = {{"One", 1, 1, 1}};
        Editor e;
        e.open(file);
        QCOMPARE(e.save(), file.bytes());
    }

    void aRefusedFileLeavesEverythingAsItWas_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        ZffFile good;
        good.channels[0].steps = {{"A", 1, 2, 3}};
        QByteArray noChannels = good.bytes();
        noChannels[16] = 0;
        QByteArray seventeen = good.bytes();
        seventeen[16] = 17;
        ZffFile tooMany;
        tooMany.channels[2].count = 51;
        QTest::newRow("short") << good.bytes().left(50) << "50 bytes";
        QTest::newRow("no channels") << noChannels << "channel count 0";
        QTest::newRow("17 channels") << seventeen << "channel count 17";
        QTest::newRow("51 steps") << tooMany.bytes() << "channel 3 has 51 steps";
        QTest::newRow("steps cut off") << good.bytes().left(100) << "ends after 100 bytes";
    }
    void aRefusedFileLeavesEverythingAsItWas()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        Editor e;
        e.retype("text1", QStringLiteral("Kept"));
        e.choose("Combo1", QStringLiteral("5"));
        e.choose("Combo2", QStringLiteral("Chan 2"));
        e.click("Command1");
        const FixtureProfile before = e.profile();
        testsupport::writeAll(e.path(QStringLiteral("bad.zff")), content);
        e.openPath(e.path(QStringLiteral("bad.zff")));

        QCOMPARE(e.prompts.last().kind, PromptCall::Message);
        QCOMPARE(e.prompts.last().title, QStringLiteral("Zelva71 Fixture"));
        QCOMPARE(e.prompts.last().buttons, PromptButtons::Ok);
        QVERIFY2(e.prompts.last().text.contains(QDir::toNativeSeparators(e.path(QStringLiteral("bad.zff")))),
                 qPrintable(e.prompts.last().text));
        QVERIFY2(e.prompts.last().text.contains(reason), qPrintable(e.prompts.last().text));
        QVERIFY(e.profile() == before);
        QVERIFY(e.window->state().interactive);
        QCOMPARE(e.edit("text1")->text(), QStringLiteral("Kept"));
        QCOMPARE(e.combo("Combo1")->currentText(), QStringLiteral("5"));
        QCOMPARE(e.combo("Combo2")->currentText(), QStringLiteral("Chan 2"));
        QCOMPARE(e.rows("MSFlexGrid1"), 6);
        QCOMPARE(e.rowTexts("MSFlexGrid2", 1), (QStringList{"Step 1", "", "0", "0", "0"}));
    }

    void aFileThatCannotBeReadIsReported()
    {
        Editor e;
        e.openPath(e.path(QStringLiteral("nowhere.zff")));
        QCOMPARE(e.prompts.last().title, QStringLiteral("Zelva71 Fixture"));
        QVERIFY(e.prompts.last().text.contains(QStringLiteral("nowhere.zff")));
    }

    void returnClosesAndShowsTheLinkWindow()
    {
        RecordingNavigator navigator;
        ScriptedPrompts prompts;
        QPointer<Zelva71> window = new Zelva71(&navigator, prompts);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(navigator.calls, QStringList{"link"});
        QVERIFY(!window->isVisible());
        processDeferredDeletes();
        QVERIFY(window.isNull());
        QVERIFY(prompts.calls.isEmpty());
    }

    void exitEndsTheProgram()
    {
        RecordingNavigator navigator;
        ScriptedPrompts prompts;
        QPointer<Zelva71> window = new Zelva71(&navigator, prompts);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(navigator.calls, QStringList{"end"});
        QVERIFY(prompts.calls.isEmpty());
        delete window;
    }

    void withoutANavigatorReturnAndExitClose()
    {
        for (Qt::Key key : {Qt::Key_R, Qt::Key_E}) {
            Editor e;
            e.shortcut(key);
            processDeferredDeletes();
            QVERIFY(e.window.isNull());
        }
    }

    void pressOnTheBackgroundRestoresTheSize()
    {
        Editor e;
        const QSize loaded = e.window->size();
        e.window->resize(loaded + QSize(120, 80));
        QCOMPARE(e.window->size(), loaded + QSize(120, 80));
        // Presses on the frames are theirs.
        for (const char *frame : {"Frame1", "Frame2", "Frame3"}) {
            QTest::mouseClick(e.child<QWidget>(frame), Qt::LeftButton, {}, QPoint(390, 254));
            QCOMPARE(e.window->size(), loaded + QSize(120, 80));
        }
        QWidget *area = e.window->centralWidget();
        QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(396, 560));
        QCOMPARE(e.window->size(), loaded);
        e.window->resize(loaded + QSize(120, 80));
        QTest::mouseClick(e.window, Qt::LeftButton, {}, QPoint(loaded.width() + 60, loaded.height() + 40));
        QCOMPARE(e.window->size(), loaded);
    }

    void insideTheMainWindowTheFrameFollowsTheSize()
    {
        QMdiArea area;
        area.resize(1100, 900);
        area.show();
        ScriptedPrompts prompts;
        auto *window = new Zelva71(nullptr, prompts);
        const QSize loaded = window->size();
        QMdiSubWindow *frame = area.addSubWindow(window);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        const QSize decorations = frame->size() - window->size();
        frame->resize(frame->size() + QSize(120, 80));
        QCOMPARE(window->size(), loaded + QSize(120, 80));
        QTest::mouseClick(window->centralWidget(), Qt::LeftButton, {}, QPoint(396, 560));
        QCOMPARE(window->size(), loaded);
        QCOMPARE(frame->size(), loaded + decorations);
    }
};

QTEST_MAIN(TestZelva71Window)
#include "tst_zelva71window.moc"
