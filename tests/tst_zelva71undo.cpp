// The fixture editor's edit history: the "&Edit" menu, what each step takes back, the
// typing a text box undoes itself, the recovery file at the saved point, and random edits
// through the window, interleaved with undos and redos, against a plain list of the bytes
// a Save would write.
#include "zelva71driver.h"

#include <QMenuBar>
#include <QRandomGenerator>

#include <functional>

using namespace zelvar;
using namespace zelva71test;

namespace {

QAction *action(const Editor &e, const char *name)
{
    return e.child<QAction>(name);
}

QString undoText(const Editor &e)
{
    return action(e, "mnuUndo")->isEnabled() ? action(e, "mnuUndo")->text() : QString();
}

QString redoText(const Editor &e)
{
    return action(e, "mnuRedo")->isEnabled() ? action(e, "mnuRedo")->text() : QString();
}

void chooseEntry(const Editor &e, const char *comboName, int index)
{
    QComboBox *box = e.combo(comboName);
    Editor::choose(box, box->itemText(index));
}

void typeAndEnter(const Editor &e, const char *editName, const QString &text)
{
    e.retype(editName, text);
    QTest::keyClick(e.edit(editName), Qt::Key_Return);
}

// Ctrl+Shift+Z where the focus is.
void redoKey()
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
}

// Eight channels: channel 1 with the steps A, B, C, channel 3 with X, Y.
ZffFile stepsFile()
{
    ZffFile f;
    f.channels[0].steps = {{"A", 1, 2, 3}, {"B", 4, 5, 6}, {"C", 7, 8, 9}};
    f.channels[2].steps = {{"X", 10, 11, 12}, {"Y", 13, 14, 15}};
    return f;
}

// What an edit may change: the profile as the window holds it (less the two fields only
// a Save sets) and the master checks.
struct EditedState
{
    FixtureProfile profile;
    QStringList checks;
    bool operator==(const EditedState &o) const { return profile == o.profile && checks == o.checks; }
    bool operator!=(const EditedState &o) const { return !(*this == o); }
};

EditedState editedState(const Editor &e)
{
    EditedState state{e.profile(), e.checkedMasters()};
    state.profile.setup.masterMask = 0;
    state.profile.header.duplicateFlag = 0;
    return state;
}

// A profile as the editor itself would save it, so that opening and saving it again gives
// its bytes back.
ZffFile randomFile(QRandomGenerator &rng)
{
    static const int NameIds[] = {0, 1, 2, 3, 5, 6, 33, 60};
    static const char *const StepNames[] = {"Red", "Open", "Gobo 1", ""};
    static const char *const FixtureNames[] = {"Spot", "Wash 575", "Scanner"};
    ZffFile f;
    f.fixtureName = FixtureNames[rng.bounded(3)];
    f.channelCount = rng.bounded(1, 17);
    f.channels.assign(size_t(f.channelCount), ChannelBytes{});
    QSet<int> ids;
    f.duplicateFlag = 0;
    for (ChannelBytes &c : f.channels) {
        c.nameId = NameIds[rng.bounded(8)];
        c.fadeMode = rng.bounded(3);
        if (ids.contains(c.nameId))
            f.duplicateFlag = 1;
        ids.insert(c.nameId);
        const int steps = rng.bounded(4);
        for (int s = 0; s < steps; ++s)
            c.steps.push_back({StepNames[rng.bounded(4)], rng.bounded(256), rng.bounded(256), rng.bounded(256)});
    }
    const int black = rng.bounded(f.channelCount + 2);
    f.blackChannel = black == 0 ? 255 : black - 1;
    f.blackValue = rng.bounded(256);
    switch (rng.bounded(3)) {
    case 0:
        f.masterMask = 0xFFFF;
        break;
    case 1:
        f.masterMask = 0;
        break;
    default:
        f.masterMask = rng.bounded(1, 1 << f.channelCount);
        break;
    }
    f.panCoarse = rng.bounded(f.channelCount + 1);
    f.panFine = rng.bounded(f.channelCount + 1);
    f.tiltCoarse = rng.bounded(f.channelCount + 1);
    f.tiltFine = rng.bounded(f.channelCount + 1);
    return f;
}

// The controls show what the profile holds.
QString disagreement(const Editor &e)
{
    const FixtureSetup &setup = e.profile().setup;
    FixedText<FixtureNameLength> name;
    name.assign(e.edit("text1")->text());
    if (name != setup.fixtureName)
        return QStringLiteral("name box");
    if (e.combo("Combo1")->currentText() != QString::number(setup.channelCount))
        return QStringLiteral("channel count");
    if (((e.combo("Combo2")->currentIndex() - 1) & 0xFF) != setup.blackChannel)
        return QStringLiteral("black channel");
    if (e.edit("Text2")->text() != QString::number(setup.blackValue))
        return QStringLiteral("black value");
    if (e.combo("Combo5")->currentIndex() != setup.panCoarse || e.combo("Combo8")->currentIndex() != setup.tiltFine)
        return QStringLiteral("pan or tilt");
    if (e.rows("MSFlexGrid1") != setup.channelCount + 1 || e.masterList()->count() != setup.channelCount + 2)
        return QStringLiteral("channel rows");
    for (int c = 1; c <= setup.channelCount; ++c) {
        if (e.cell("MSFlexGrid1", c, 2) != FadeModeText(e.profile().channels[size_t(c - 1)].fadeMode))
            return QStringLiteral("fade mode of channel %1").arg(c);
    }
    const int shown = e.combo("Combo9")->currentIndex();
    const int steps = e.profile().channels[size_t(shown)].stepCount;
    if (steps > 0 && e.rows("MSFlexGrid2") != steps + 1)
        return QStringLiteral("step rows");
    return QString();
}

QtMessageHandler testLogHandler = nullptr;

// The offscreen platform says at every drop-down it opens that it can neither raise it nor
// grab the keyboard for it; thousands of drop-downs would drown the test's own messages.
void withoutDropDownNotices(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    testLogHandler(type, context, message);
}

} // namespace

class TestZelva71Undo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { testLogHandler = qInstallMessageHandler(withoutDropDownNotices); }
    void cleanupTestCase() { qInstallMessageHandler(testLogHandler); }

    void theEditMenu()
    {
        Editor e;
        const QList<QAction *> menus = e.window->menuBar()->actions();
        QCOMPARE(menus.size(), 2);
        QCOMPARE(menus[1]->text(), QStringLiteral("&Edit"));
        QCOMPARE(menus[1]->menu(), e.child<QMenu>("mnuEdit"));
        QCOMPARE(e.child<QMenu>("mnuEdit")->actions(), (QList<QAction *>{action(e, "mnuUndo"), action(e, "mnuRedo")}));
        QCOMPARE(action(e, "mnuUndo")->shortcuts(), QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Z"))});
        QCOMPARE(action(e, "mnuRedo")->shortcuts(),
                 (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Y")),
                                      QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));
        for (const char *name : {"mnuUndo", "mnuRedo"}) {
            QCOMPARE(action(e, name)->shortcutContext(), Qt::WidgetWithChildrenShortcut);
            QVERIFY(!action(e, name)->isEnabled());
        }
        QCOMPARE(action(e, "mnuUndo")->text(), QStringLiteral("&Undo"));
        QCOMPARE(action(e, "mnuRedo")->text(), QStringLiteral("&Redo"));

        // An ampersand of a step's text is shown, not taken for a mnemonic.
        typeAndEnter(e, "text1", QStringLiteral("R&B"));
        QCOMPARE(action(e, "mnuUndo")->text(), QStringLiteral("&Undo Fixture name \"R&&B\""));
    }

    // Each kind of step, done one after the other, names itself in "&Undo"; undone in turn
    // they name themselves in "&Redo", and the opened file's bytes come back.
    void eachStepNamesWhatItUndoes()
    {
        Editor e;
        const ZffFile file = stepsFile();
        e.open(file);
        const std::vector<std::pair<const char *, std::function<void()>>> steps = {
            {"Fixture name \"Spot\"", [&] { typeAndEnter(e, "text1", QStringLiteral("Spot")); }},
            {"Number of channels 10", [&] { e.choose("Combo1", QStringLiteral("10")); }},
            {"Black channel Chan 3", [&] { e.choose("Combo2", QStringLiteral("Chan 3")); }},
            {"Black value 42", [&] { typeAndEnter(e, "Text2", QStringLiteral("42")); }},
            {"Tilt coarse channel Chan 9", [&] { e.choose("Combo7", QStringLiteral("Chan 9")); }},
            {"Master channels: Chan 2 checked", [&] { e.toggleMaster(3); }},
            {"Name of channel 2 \"Gobo\"",
             [&] {
                 e.clickCell("MSFlexGrid1", 2, 1);
                 e.choose("Combo10", QStringLiteral("Gobo"));
                 e.clickCell("MSFlexGrid1", 2, 0);
             }},
            {"Fade mode of channel 2 \"Snap After\"",
             [&] {
                 e.clickCell("MSFlexGrid1", 2, 2);
                 e.choose("Combo13", QStringLiteral("Snap After"));
                 e.clickCell("MSFlexGrid1", 2, 0);
             }},
            {"To Dmx of step 2 of channel 1",
             [&] {
                 chooseEntry(e, "Combo9", 0);
                 e.clickCell("MSFlexGrid2", 2, 3);
                 e.retype("Text3", QStringLiteral("77"));
                 e.clickCell("MSFlexGrid2", 2, 0);
             }},
            {"Add step 4 to channel 1", [&] { e.click("Command1"); }},
            {"Insert step 2 in channel 1",
             [&] {
                 e.clickCell("MSFlexGrid2", 2, 0);
                 e.click("Command2");
             }},
            {"Delete step 4 of channel 1",
             [&] {
                 e.clickCell("MSFlexGrid2", 4, 0);
                 e.click("Command3");
             }},
            {"Copy channel 1 to channel 3",
             [&] {
                 e.choose("Combo11", QStringLiteral("Chan 1"));
                 e.choose("Combo12", QStringLiteral("Chan 3"));
                 e.prompts.answers.enqueue(PromptAnswer::Ok);
                 e.click("Command4");
             }},
        };
        for (const auto &[text, step] : steps) {
            step();
            QCOMPARE(undoText(e), QStringLiteral("&Undo ") + QLatin1String(text));
            QCOMPARE(redoText(e), QString());
        }
        for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
            e.shortcut(Qt::Key_Z);
            QCOMPARE(redoText(e), QStringLiteral("&Redo ") + QLatin1String(it->first));
        }
        QCOMPARE(undoText(e), QString());
        QCOMPARE(e.window->bytesToSave(), file.bytes());
        QCOMPARE(e.prompts.unscripted, 0);
    }

    void aSmallerCountIsUndoneWithAllItDropped()
    {
        ZffFile file;
        file.channels[6] = {5, 2, {{"Red", 1, 2, 3}, {"Blue", 4, 5, 6}}};
        file.channels[7] = {6, 0, {{"Open", 7, 8, 9}}};
        file.blackChannel = 7;
        file.panCoarse = 8;
        file.tiltFine = 6;
        file.masterMask = 0x0042; // Chan 2 and Chan 7
        Editor e;
        e.open(file);
        e.choose("Combo9", QStringLiteral("Chan 7 - Gobo"));
        e.choose("Combo1", QStringLiteral("6"));
        QCOMPARE(e.combo("Combo2")->currentText(), QStringLiteral("All Channels"));
        QCOMPARE(e.combo("Combo5")->currentText(), QStringLiteral("None"));
        QCOMPARE(e.checkedMasters(), QStringList{"Chan 2"});
        const QByteArray shrunk = e.window->bytesToSave();

        e.shortcut(Qt::Key_Z);
        QCOMPARE(e.combo("Combo1")->currentText(), QStringLiteral("8"));
        QCOMPARE(e.rows("MSFlexGrid1"), 9);
        QCOMPARE(e.rowTexts("MSFlexGrid1", 7), (QStringList{"Chan 7", "Gobo", "Snap After"}));
        QCOMPARE(e.rowTexts("MSFlexGrid1", 8), (QStringList{"Chan 8", "Colour", "Snap Before"}));
        QCOMPARE(e.combo("Combo2")->currentText(), QStringLiteral("Chan 7"));
        QCOMPARE(e.combo("Combo5")->currentText(), QStringLiteral("Chan 8"));
        QCOMPARE(e.combo("Combo8")->currentText(), QStringLiteral("Chan 6"));
        QCOMPARE(e.checkedMasters(), (QStringList{"Chan 2", "Chan 7"}));
        QCOMPARE(Editor::entries(e.combo("Combo11")), channelLabels(1, 8));
        QCOMPARE(e.profile().channels[6], (ChannelEntry{5, 2, 2}));
        e.choose("Combo9", QStringLiteral("Chan 7 - Gobo"));
        QCOMPARE(e.rowTexts("MSFlexGrid2", 2), (QStringList{"Step 2", "Blue    ", "4", "5", "6"}));
        QCOMPARE(e.window->bytesToSave(), file.bytes());

        redoKey();
        QCOMPARE(e.combo("Combo1")->currentText(), QStringLiteral("6"));
        QCOMPARE(e.rows("MSFlexGrid1"), 7);
        QCOMPARE(e.masterList()->count(), 8);
        QCOMPARE(e.window->bytesToSave(), shrunk);
    }

    // Undoing a step edit shows its channel, the target's for a Copy.
    void copyAndDeleteAreUndone()
    {
        const ZffFile file = stepsFile();
        Editor e;
        e.open(file);
        e.choose("Combo11", QStringLiteral("Chan 1"));
        e.choose("Combo12", QStringLiteral("Chan 3"));
        e.prompts.answers.enqueue(PromptAnswer::Ok);
        e.click("Command4");
        QCOMPARE(e.combo("Combo9")->currentIndex(), 0);
        chooseEntry(e, "Combo9", 1);
        e.shortcut(Qt::Key_Z);
        QCOMPARE(e.combo("Combo9")->currentIndex(), 2);
        QCOMPARE(e.rows("MSFlexGrid2"), 3);
        QCOMPARE(e.rowTexts("MSFlexGrid2", 2), (QStringList{"Step 2", "Y       ", "13", "14", "15"}));
        e.shortcut(Qt::Key_Y);
        QCOMPARE(e.rowTexts("MSFlexGrid2", 3), (QStringList{"Step 3", "C       ", "7", "8", "9"}));
        e.shortcut(Qt::Key_Z);

        chooseEntry(e, "Combo9", 0);
        e.clickCell("MSFlexGrid2", 1, 0);
        e.click("Command3");
        QCOMPARE(e.rowTexts("MSFlexGrid2", 1), (QStringList{"Step 1", "B       ", "4", "5", "6"}));
        chooseEntry(e, "Combo9", 4);
        e.shortcut(Qt::Key_Z);
        QCOMPARE(e.combo("Combo9")->currentIndex(), 0);
        QCOMPARE(e.rows("MSFlexGrid2"), 4);
        QCOMPARE(e.rowTexts("MSFlexGrid2", 1), (QStringList{"Step 1", "A       ", "1", "2", "3"}));
        QCOMPARE(e.window->bytesToSave(), file.bytes());
    }

    // Undo and redo show the step they concern, current in the step column.
    void theStepTableShowsTheStepUndone()
    {
        Editor e;
        e.open(stepsFile());
        chooseEntry(e, "Combo9", 2);
        e.clickCell("MSFlexGrid2", 1, 0);
        e.click("Command3");
        QCOMPARE(undoText(e), QStringLiteral("&Undo Delete step 1 of channel 3"));
        chooseEntry(e, "Combo9", 0);
        e.clickCell("MSFlexGrid2", 2, 0);
        e.shortcut(Qt::Key_Z);
        QCOMPARE(e.combo("Combo9")->currentIndex(), 2);
        QCOMPARE(e.grid("MSFlexGrid2")->currentRow(), 0); // step 1 of "X", "Y"
        // Redone, on the channel's one step.
        chooseEntry(e, "Combo9", 0);
        e.clickCell("MSFlexGrid2", 3, 0);
        e.shortcut(Qt::Key_Y);
        QCOMPARE(e.combo("Combo9")->currentIndex(), 2);
        QCOMPARE(e.grid("MSFlexGrid2")->currentRow(), 0);
    }

    // An action that changes nothing adds no step, and so leaves the redo alone (the
    // random edits below meet most such actions; a full channel they never reach).
    void nothingChangedIsNoStep()
    {
        ZffFile file = stepsFile();
        for (int s = 1; s <= 50; ++s)
            file.channels[1].steps.push_back({"S", s, s, s});
        Editor e;
        e.open(file);
        e.choose("Combo2", QStringLiteral("Chan 4"));
        e.shortcut(Qt::Key_Z);
        const QString redo = redoText(e);
        QCOMPARE(redo, QStringLiteral("&Redo Black channel Chan 4"));
        const std::vector<std::pair<const char *, std::function<void()>>> nothing = {
            {"same count", [&] { e.choose("Combo1", QStringLiteral("8")); }},
            {"Add to 50 steps",
             [&] {
                 chooseEntry(e, "Combo9", 1);
                 e.click("Command1");
             }},
            {"Insert into 50 steps",
             [&] {
                 e.clickCell("MSFlexGrid2", 3, 0);
                 e.click("Command2");
             }},
            {"Copy cancelled",
             [&] {
                 e.choose("Combo11", QStringLiteral("Chan 1"));
                 e.choose("Combo12", QStringLiteral("Chan 3"));
                 e.prompts.answers.enqueue(PromptAnswer::Cancel);
                 e.click("Command4");
             }},
        };
        for (const auto &[what, act] : nothing) {
            act();
            QVERIFY2(undoText(e).isEmpty(), what);
            QVERIFY2(redoText(e) == redo, what);
        }
        QCOMPARE(e.prompts.unscripted, 0);
    }

    void replacingTheProfileClearsTheHistory_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("New") << "new" << true;
        QTest::newRow("New cancelled") << "new cancelled" << false;
        QTest::newRow("Open") << "open" << true;
        QTest::newRow("Open refused") << "open refused" << false;
    }
    void replacingTheProfileClearsTheHistory()
    {
        QFETCH(QString, command);
        QFETCH(bool, cleared);
        Editor e;
        e.choose("Combo1", QStringLiteral("5"));
        e.choose("Combo2", QStringLiteral("Chan 2"));
        e.shortcut(Qt::Key_Z);
        if (command.startsWith(QLatin1String("new"))) {
            e.prompts.answers.enqueue(cleared ? PromptAnswer::Ok : PromptAnswer::Cancel);
            e.shortcut(Qt::Key_N);
        } else if (command == QLatin1String("open")) {
            e.open(stepsFile());
        } else {
            testsupport::writeAll(e.path(QStringLiteral("bad.zff")), QByteArray(50, '\0'));
            e.openPath(e.path(QStringLiteral("bad.zff")));
        }
        QCOMPARE(undoText(e).isEmpty(), cleared);
        QCOMPARE(redoText(e).isEmpty(), cleared);
        if (!cleared) {
            e.shortcut(Qt::Key_Z);
            QCOMPARE(e.combo("Combo1")->currentText(), QStringLiteral("8"));
        }
    }

    // Ctrl+Z undoes the typing of a box still being typed in; once the typing is committed,
    // or when the box holds none, the window's history takes the key.
    void aTextBoxUndoesItsOwnTypingFirst()
    {
        Editor e;
        e.choose("Combo2", QStringLiteral("Chan 2"));
        QLineEdit *name = e.edit("text1");
        QTest::mouseClick(name, Qt::LeftButton);
        QTest::keyClick(name, Qt::Key_End);
        QTest::keyClicks(name, QStringLiteral(" 2"));
        QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(name->text(), QStringLiteral("New Fixture"));
        QCOMPARE(e.combo("Combo2")->currentText(), QStringLiteral("Chan 2"));
        QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(e.combo("Combo2")->currentText(), QStringLiteral("All Channels"));
        QCOMPARE(name->text(), QStringLiteral("New Fixture"));

        QTest::keyClicks(name, QStringLiteral(" 3"));
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(undoText(e), QStringLiteral("&Undo Fixture name \"New Fixture 3\""));
        QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(name->text(), QStringLiteral("New Fixture"));
        QCOMPARE(e.profile().setup.fixtureName.text(), QStringLiteral("New Fixture       "));
        QTest::keyClick(name, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(name->text(), QStringLiteral("New Fixture 3"));

        // Undo from the menu commits an open cell edit first, and takes that back.
        e.click("Command1");
        e.clickCell("MSFlexGrid2", 1, 1);
        e.retype("Text3", QStringLiteral("Gobo"));
        action(e, "mnuUndo")->trigger();
        QVERIFY(e.edit("Text3")->isHidden());
        QCOMPARE(e.rowTexts("MSFlexGrid2", 1), (QStringList{"Step 1", "", "0", "0", "0"}));
        QCOMPARE(redoText(e), QStringLiteral("&Redo Step Name of step 1 of channel 1"));
        action(e, "mnuRedo")->trigger();
        QCOMPARE(e.profile().steps[0].name.text(), QStringLiteral("Gobo    "));
    }

    // Typing still open in either box is committed first by Undo, as its own step.
    void undoCommitsTheTypingOfEitherBox_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("step");
        QTest::newRow("fixture name") << "text1" << "Spot" << "Fixture name \"Spot\"";
        QTest::newRow("black value") << "Text2" << "42" << "Black value 42";
    }
    void undoCommitsTheTypingOfEitherBox()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, step);
        Editor e;
        e.choose("Combo2", QStringLiteral("Chan 2"));
        const QByteArray before = e.window->bytesToSave();
        e.retype(qPrintable(box), typed);
        action(e, "mnuUndo")->trigger();
        QCOMPARE(redoText(e), QStringLiteral("&Redo ") + step);
        QCOMPARE(undoText(e), QStringLiteral("&Undo Black channel Chan 2"));
        QCOMPARE(e.window->bytesToSave(), before);
    }

    // The recovery file follows the saved point both ways: undoing past it keeps the work,
    // coming back to it removes the file, as an edit back to the saved state does.
    void theSavedPointAndTheRecoveryFile()
    {
        Editor e;
        const QString kept = e.window->recoveryFilePath();
        // Chosen with a key: a drop-down closed on the offscreen platform takes the window's
        // activation once events are processed, as they are while waiting for the file.
        e.combo("Combo1")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(e.combo("Combo1"), Qt::Key_Up);
        e.save(QStringLiteral("lamp"));
        QVERIFY(!e.window->hasUnsavedWork());
        QVERIFY(!QFile::exists(kept));

        e.shortcut(Qt::Key_Z);
        QVERIFY(e.window->hasUnsavedWork());
        QTRY_VERIFY(QFile::exists(kept));
        e.shortcut(Qt::Key_Y);
        QVERIFY(!e.window->hasUnsavedWork());
        QTRY_VERIFY(!QFile::exists(kept));
        QCOMPARE(e.window->bytesToSave(), testsupport::readAll(e.path(QStringLiteral("lamp.zff"))));
    }

    // Random edits through the window with undos, redos and saves among them. A plain
    // history (the bytes a Save would write after each action that changed something, and
    // a position in that list) must agree with the window after every action, and with
    // the saved point; undoing everything gives the opened file back.
    void randomEditsAgreeWithAPlainHistory()
    {
        constexpr int Sequences = 300;
        constexpr int ActionsPerSequence = 16;
        QRandomGenerator rng(1771);
        Editor e;
        QAction *undo = action(e, "mnuUndo");
        QAction *redo = action(e, "mnuRedo");
        static const char *const Names[] = {"Spot", "Wash 575", "Scanner", "X"};
        static const char *const Cells[] = {"Red", "Open", "", "12", "300", "2.5", "255"};
        static const char *const Lists[] = {"Combo2", "Combo5", "Combo6", "Combo7", "Combo8"};
        int edits = 0, undos = 0, redos = 0;

        for (int sequence = 0; sequence < Sequences; ++sequence) {
            const ZffFile file = randomFile(rng);
            e.open(file, QStringLiteral("random.zff"));
            QVERIFY2(e.window->bytesToSave() == file.bytes(), qPrintable(QString::number(sequence)));
            QVector<QByteArray> history{file.bytes()};
            int at = 0;
            QByteArray saved = file.bytes();
            QStringList log{QStringLiteral("sequence %1").arg(sequence)};

            for (int n = 0; n < ActionsPerSequence; ++n) {
                const int count = e.profile().setup.channelCount;
                const int shownSteps = e.profile().channels[size_t(e.combo("Combo9")->currentIndex())].stepCount;
                // 15 kinds of action (0 to 14); undo (15) and redo (16) together about as
                // often as all of them, and now and then a save (17).
                const int draw = int(rng.bounded(30));
                const int kind = draw < 15 ? draw : draw < 23 ? 15 : draw < 29 ? 16 : 17;
                const EditedState before = editedState(e);
                bool edit = true;
                switch (kind) {
                case 0:
                    log << QStringLiteral("name");
                    typeAndEnter(e, "text1", QString::fromLatin1(Names[rng.bounded(4)]));
                    break;
                case 1: {
                    const int to = rng.bounded(1, 17);
                    log << QStringLiteral("count %1").arg(to);
                    e.choose("Combo1", QString::number(to));
                    break;
                }
                case 2: {
                    QComboBox *box = e.combo("Combo1");
                    log << QStringLiteral("count by key");
                    box->setFocus(Qt::TabFocusReason);
                    QTest::keyClick(box, rng.bounded(2) ? Qt::Key_Up : Qt::Key_Down);
                    break;
                }
                case 3: {
                    const char *list = Lists[rng.bounded(5)];
                    const int entry = rng.bounded(e.combo(list)->count());
                    log << QStringLiteral("%1 %2").arg(QLatin1String(list)).arg(entry);
                    chooseEntry(e, list, entry);
                    break;
                }
                case 4:
                    log << QStringLiteral("black value");
                    typeAndEnter(e, "Text2", QString::number(rng.bounded(300)));
                    break;
                case 5: {
                    const int entry = rng.bounded(e.masterList()->count());
                    log << QStringLiteral("master %1").arg(entry);
                    e.toggleMaster(entry);
                    break;
                }
                case 6:
                case 7: {
                    const int row = rng.bounded(1, count + 1);
                    const int column = kind == 6 ? 1 : 2;
                    log << QStringLiteral("channel %1 column %2").arg(row).arg(column);
                    e.clickCell("MSFlexGrid1", row, column);
                    const char *chooser = kind == 6 ? "Combo10" : "Combo13";
                    chooseEntry(e, chooser, rng.bounded(e.combo(chooser)->count()));
                    e.clickCell("MSFlexGrid1", row, 0);
                    break;
                }
                case 8: {
                    const int entry = rng.bounded(count);
                    log << QStringLiteral("show channel %1").arg(entry + 1);
                    chooseEntry(e, "Combo9", entry);
                    break;
                }
                case 9:
                case 10: {
                    if (shownSteps == 0)
                        continue;
                    const int row = rng.bounded(1, shownSteps + 1);
                    const int column = rng.bounded(1, 5);
                    const QString text = QString::fromLatin1(Cells[rng.bounded(7)]);
                    log << QStringLiteral("cell %1,%2 '%3'").arg(row).arg(column).arg(text);
                    e.clickCell("MSFlexGrid2", row, column);
                    e.retype("Text3", text);
                    e.clickCell("MSFlexGrid2", row, 0);
                    break;
                }
                case 11:
                    log << QStringLiteral("add");
                    e.click("Command1");
                    break;
                case 12:
                case 13: {
                    const int row = rng.bounded(1, e.rows("MSFlexGrid2"));
                    log << QStringLiteral("%1 %2").arg(kind == 12 ? "insert" : "delete").arg(row);
                    e.clickCell("MSFlexGrid2", row, 0);
                    e.click(kind == 12 ? "Command2" : "Command3");
                    break;
                }
                case 14: {
                    const int from = rng.bounded(count);
                    const int to = rng.bounded(count);
                    const bool ok = rng.bounded(4) != 0;
                    log << QStringLiteral("copy %1 to %2 %3").arg(from + 1).arg(to + 1).arg(ok ? "ok" : "cancel");
                    chooseEntry(e, "Combo11", from);
                    chooseEntry(e, "Combo12", to);
                    if (from != to)
                        e.prompts.answers.enqueue(ok ? PromptAnswer::Ok : PromptAnswer::Cancel);
                    e.click("Command4");
                    break;
                }
                case 15:
                case 16: {
                    edit = false;
                    const bool back = kind == 15;
                    QAction *move = back ? undo : redo;
                    const bool possible = back ? at > 0 : at < history.size() - 1;
                    QVERIFY2(move->isEnabled() == possible, qPrintable(log.join(QLatin1String(" / "))));
                    log << (back ? QStringLiteral("undo") : QStringLiteral("redo"));
                    if (!possible)
                        break;
                    switch (rng.bounded(3)) {
                    case 0:
                        move->trigger();
                        break;
                    case 1:
                        e.shortcut(back ? Qt::Key_Z : Qt::Key_Y);
                        break;
                    default:
                        if (back)
                            e.shortcut(Qt::Key_Z);
                        else
                            redoKey();
                        break;
                    }
                    at += back ? -1 : 1;
                    ++(back ? undos : redos);
                    break;
                }
                default:
                    edit = false;
                    log << QStringLiteral("save");
                    QVERIFY2(e.save(QStringLiteral("random-saved")) == history[at],
                             qPrintable(log.join(QLatin1String(" / "))));
                    saved = history[at];
                    break;
                }
                if (edit && editedState(e) != before) {
                    history.resize(at + 1);
                    history << e.window->bytesToSave();
                    ++at;
                    ++edits;
                }
                const QString where = log.join(QLatin1String(" / "));
                QVERIFY2(e.window->bytesToSave() == history[at], qPrintable(where));
                QVERIFY2(e.window->hasUnsavedWork() == (history[at] != saved), qPrintable(where));
                const QString wrong = disagreement(e);
                QVERIFY2(wrong.isEmpty(), qPrintable(wrong + QStringLiteral(" after ") + where));
            }
            while (undo->isEnabled() && at > 0) {
                undo->trigger();
                --at;
                ++undos;
            }
            QVERIFY2(!undo->isEnabled() && at == 0, qPrintable(log.join(QLatin1String(" / "))));
            QVERIFY2(e.window->bytesToSave() == file.bytes(), qPrintable(log.join(QLatin1String(" / "))));
        }
        QCOMPARE(e.prompts.unscripted, 0);
        qInfo("%d sequences: %d steps recorded, %d undos, %d redos", Sequences, edits, undos, redos);
    }
};

QTEST_MAIN(TestZelva71Undo)
#include "tst_zelva71undo.moc"
