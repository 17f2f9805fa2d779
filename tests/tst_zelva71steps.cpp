// The "Channel Values" panel of the fixture editor: the step table, its cell editor and
// both ways an edit is committed, and the Add, Insert, Delete and Copy commands.
#include "zelva71driver.h"

using namespace zelvar;
using namespace zelva71test;

namespace {

const char *Grid = "MSFlexGrid2";
constexpr int FromColumn = 2;
constexpr int ToColumn = 3;
constexpr int StepDmxColumn = 4;

StepRecord step(const char *name, int from, int to, int value)
{
    StepRecord s;
    s.name.assign(name);
    s.fromDmx = quint8(from);
    s.toDmx = quint8(to);
    s.stepDmx = quint8(value);
    return s;
}

const StepRecord &slot(const Editor &e, int channel, int step)
{
    return e.profile().steps[size_t(FixtureProfile::slotOf(channel, step))];
}

// Channel 1 with the steps A, B, C; channel 2 with `secondCount` numbered steps.
ZffFile withSteps(int secondCount = 0)
{
    ZffFile f;
    f.channels[0].steps = {{"A", 1, 2, 3}, {"B", 4, 5, 6}, {"C", 7, 8, 9}};
    for (int s = 1; s <= secondCount; ++s)
        f.channels[1].steps.push_back({"S", s, s, s});
    return f;
}

QStringList row(const char *label, const char *name, int from, int to, int value)
{
    return {QString::fromLatin1(label), QString::fromLatin1(name), QString::number(from), QString::number(to),
            QString::number(value)};
}

} // namespace

class TestZelva71Steps : public QObject
{
    Q_OBJECT

private slots:
    void tableAfterLoad()
    {
        Editor e;
        QTableWidget *grid = e.grid(Grid);
        QCOMPARE(grid->columnCount(), 5);
        QStringList headers;
        for (int c = 0; c < 5; ++c)
            headers << grid->horizontalHeaderItem(c)->text();
        QCOMPARE(headers, (QStringList{"Step", "Step Name", "From Dmx", "To Dmx", "Step Dmx"}));
        QCOMPARE(grid->horizontalHeader()->height(), 500 / 15);
        // w = table width in twips / 5; widths w - 150, w + 250, w - 100, w - 150, w - 150
        const int w = grid->width() * 15 / 5;
        QCOMPARE(grid->columnWidth(0), (w - 150) / 15);
        QCOMPARE(grid->columnWidth(1), (w + 250) / 15);
        QCOMPARE(grid->columnWidth(2), (w - 100) / 15);
        QCOMPARE(grid->columnWidth(4), (w - 150) / 15);
        QCOMPARE(e.rows(Grid), 2);
        QCOMPARE(e.rowTexts(Grid, 1), (QStringList{"No Steps", "", "", "", ""}));
        QVERIFY(e.edit("Text3")->isHidden());
        QCOMPARE(Editor::entries(e.combo("Combo9")), channelLabels(1, 8, QStringLiteral("-")));
        QCOMPARE(e.combo("Combo11")->currentIndex(), -1);
        QCOMPARE(e.combo("Combo12")->currentIndex(), -1);
    }

    void aChannelWithoutStepsShowsOnePlaceholderRow()
    {
        Editor e;
        e.open(withSteps());
        QCOMPARE(e.rows(Grid), 4);
        QCOMPARE(e.rowTexts(Grid, 1), row("Step 1", "A       ", 1, 2, 3));
        e.choose("Combo9", QStringLiteral("Chan 2 - Special"));
        QCOMPARE(e.rows(Grid), 2);
        QCOMPARE(e.rowTexts(Grid, 1), (QStringList{"No Steps", "0", "0", "0", "0"}));
    }

    void dmxValuesTyped_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::newRow("To 300") << ToColumn << "300" << 0;
        QTest::newRow("To 255") << ToColumn << "255" << 255;
        QTest::newRow("To 2.5") << ToColumn << "2.5" << 2;
        QTest::newRow("To 3.5") << ToColumn << "3.5" << 4;
        QTest::newRow("From negative") << FromColumn << "-12" << 0;
        QTest::newRow("From letters") << FromColumn << "abc" << 0;
        QTest::newRow("From 042") << FromColumn << "042" << 42;
        QTest::newRow("Step 7") << StepDmxColumn << "7" << 7;
        QTest::newRow("Step 1e2") << StepDmxColumn << "1e2" << 100;
    }
    void dmxValuesTyped()
    {
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(int, stored);
        Editor e;
        e.open(withSteps());
        e.clickCell(Grid, 2, column);
        QVERIFY(e.edit("Text3")->isVisible());
        e.retype("Text3", typed);
        e.clickCell(Grid, 1, 0);
        const StepRecord &s = slot(e, 1, 2);
        QCOMPARE(int(column == FromColumn ? s.fromDmx : column == ToColumn ? s.toDmx : s.stepDmx), stored);
        QCOMPARE(e.cell(Grid, 2, column), QString::number(stored));
        QVERIFY(e.edit("Text3")->isHidden());
        QCOMPARE(e.edit("Text3")->text(), QString());
    }

    void theEditorIsLaidOverTheCell()
    {
        Editor e;
        e.open(withSteps());
        e.clickCell(Grid, 3, 1);
        QTableWidget *grid = e.grid(Grid);
        const QRect cell = grid->visualRect(grid->model()->index(2, 1));
        QCOMPARE(e.edit("Text3")->geometry(),
                 QRect(grid->viewport()->mapTo(grid->parentWidget(), cell.topLeft()), cell.size()));
        QCOMPARE(e.edit("Text3")->text(), QStringLiteral("C       "));
        QCOMPARE(e.edit("Text3")->cursorPosition(), 8);
        QCOMPARE(QApplication::focusWidget(), e.edit("Text3"));
    }

    void stepDmxProposesTheMiddleOfTheRange()
    {
        ZffFile file;
        file.channels[0].steps = {{"Wide", 10, 21, 200}};
        Editor e;
        e.open(file);
        QCOMPARE(e.cell(Grid, 1, StepDmxColumn), QStringLiteral("200"));
        e.clickCell(Grid, 1, StepDmxColumn);
        QCOMPARE(e.edit("Text3")->text(), QStringLiteral("15"));
        e.clickCell(Grid, 1, 0);
        QCOMPARE(int(slot(e, 1, 1).stepDmx), 15);
        QCOMPARE(e.cell(Grid, 1, StepDmxColumn), QStringLiteral("15"));
    }

    void aZeroCellOpensEmptyAndKeepsItsValue()
    {
        ZffFile file;
        file.channels[0].steps = {{"Zero", 0, 0, 9}};
        Editor e;
        e.open(file);
        e.clickCell(Grid, 1, FromColumn);
        QCOMPARE(e.edit("Text3")->text(), QString());
        e.clickCell(Grid, 1, 1); // focus moves away first: nothing to commit
        QCOMPARE(int(slot(e, 1, 1).fromDmx), 0);
        QCOMPARE(e.cell(Grid, 1, FromColumn), QStringLiteral("0"));
    }

    void anEmptiedEditorKeepsTheValueOnFocusLoss()
    {
        Editor e;
        e.open(withSteps());
        e.clickCell(Grid, 2, ToColumn);
        e.retype("Text3", QString());
        e.clickCell(Grid, 3, ToColumn);
        QCOMPARE(int(slot(e, 1, 2).toDmx), 5);
        QCOMPARE(e.cell(Grid, 2, ToColumn), QStringLiteral("5"));
    }

    // The toolkit may report the change of cell before the editor loses the focus: then
    // even an empty text is committed.
    void leavingTheCellFirstCommitsEvenAnEmptyText()
    {
        Editor e;
        e.open(withSteps());
        e.clickCell(Grid, 2, ToColumn);
        e.retype("Text3", QString());
        e.grid(Grid)->setCurrentCell(0, 0);
        QCOMPARE(int(slot(e, 1, 2).toDmx), 0);
        QCOMPARE(e.cell(Grid, 2, ToColumn), QStringLiteral("0"));
        QVERIFY(e.edit("Text3")->isHidden());

        e.clickCell(Grid, 3, 1);
        e.retype("Text3", QString());
        e.grid(Grid)->setCurrentCell(0, 0);
        QCOMPARE(slot(e, 1, 3).name.text(), QStringLiteral("        "));
        QCOMPARE(e.cell(Grid, 3, 1), QString());

        e.clickCell(Grid, 1, FromColumn);
        e.retype("Text3", QStringLiteral("77"));
        e.grid(Grid)->setCurrentCell(1, 0);
        QCOMPARE(int(slot(e, 1, 1).fromDmx), 77);
    }

    void aShortNameIsStoredPadded()
    {
        Editor e;
        e.click("Command1");
        e.clickCell(Grid, 1, 1);
        e.retype("Text3", QStringLiteral("Open"));
        e.clickCell(Grid, 1, 0);
        QCOMPARE(e.cell(Grid, 1, 1), QStringLiteral("Open"));
        QCOMPARE(slot(e, 1, 1).name.text(), QStringLiteral("Open    "));
        e.choose("Combo9", QStringLiteral("Chan 2-"));
        e.choose("Combo9", QStringLiteral("Chan 1-"));
        QCOMPARE(e.cell(Grid, 1, 1), QStringLiteral("Open    "));
        const QByteArray file = e.save();
        QCOMPARE(file.size(), 91 + 11);
        QCOMPARE(file.mid(91), QByteArray("Open    \0\0\0", 11));
    }

    void theEditorLimitsItsLength()
    {
        Editor e;
        e.open(withSteps());
        e.clickCell(Grid, 1, 1);
        e.retype("Text3", QStringLiteral("Magenta Red"));
        QCOMPARE(e.edit("Text3")->text(), QStringLiteral("Magenta "));
        e.clickCell(Grid, 1, ToColumn);
        QCOMPARE(slot(e, 1, 1).name.text(), QStringLiteral("Magenta "));
        e.retype("Text3", QStringLiteral("12345"));
        QCOMPARE(e.edit("Text3")->text(), QStringLiteral("123"));
        e.clickCell(Grid, 1, 0);
        QCOMPARE(int(slot(e, 1, 1).toDmx), 123);
    }

    void savingCommitsAnOpenEdit()
    {
        Editor e;
        e.open(withSteps());
        e.clickCell(Grid, 3, FromColumn);
        e.retype("Text3", QStringLiteral("99"));
        const QByteArray file = e.save();
        QCOMPARE(int(quint8(file.at(91 + 2 * 11 + 8))), 99);
        QVERIFY(e.edit("Text3")->isHidden());
    }

    void typedKeysDoNotChangeTheStepLists()
    {
        Editor e;
        e.choose("Combo11", QStringLiteral("Chan 2"));
        e.choose("Combo12", QStringLiteral("Chan 3"));
        for (const char *name : {"Combo9", "Combo11", "Combo12"}) {
            QComboBox *box = e.combo(name);
            const QString before = box->currentText();
            box->setFocus();
            QTest::keyClicks(box, QStringLiteral("7Chan 5"));
            QCOMPARE(box->currentText(), before);
            QTest::keyClick(box, Qt::Key_F4);
            QTest::keyClicks(box->view(), QStringLiteral("C5"));
            QTest::keyClick(box->view(), Qt::Key_Return);
            QCOMPARE(box->currentText(), before);
        }
    }

    void addAndInsertStopAtFiftySteps()
    {
        Editor e;
        e.open(withSteps(50));
        e.choose("Combo9", QStringLiteral("Chan 2 - Special"));
        QCOMPARE(e.rows(Grid), 51);
        const FixtureProfile before = e.profile();
        e.click("Command1");
        e.clickCell(Grid, 3, 0);
        e.click("Command2");
        QCOMPARE(e.rows(Grid), 51);
        QVERIFY(e.profile() == before);
    }

    void addMakesTheFiftiethStep()
    {
        Editor e;
        e.open(withSteps(49));
        e.choose("Combo9", QStringLiteral("Chan 2 - Special"));
        e.click("Command1");
        QCOMPARE(e.rows(Grid), 51);
        QCOMPARE(e.rowTexts(Grid, 50), (QStringList{"Step 50", "", "0", "0", "0"}));
        QCOMPARE(int(e.profile().channels[1].stepCount), 50);
        QCOMPARE(e.grid(Grid)->currentRow(), 49);
        QCOMPARE(e.grid(Grid)->currentColumn(), StepDmxColumn);
    }

    void addOnAChannelWithoutSteps()
    {
        Editor e;
        // An edit on the placeholder row goes to the channel's spare first slot...
        e.clickCell(Grid, 1, 1);
        e.retype("Text3", QStringLiteral("Spare"));
        e.clickCell(Grid, 1, 0);
        QCOMPARE(slot(e, 1, 1).name.text(), QStringLiteral("Spare   "));
        QCOMPARE(int(e.profile().channels[0].stepCount), 0);
        // ...which Add blanks for its new step.
        e.click("Command1");
        QCOMPARE(e.rows(Grid), 2);
        QCOMPARE(e.rowTexts(Grid, 1), (QStringList{"Step 1", "", "0", "0", "0"}));
        QCOMPARE(int(e.profile().channels[0].stepCount), 1);
        QCOMPARE(slot(e, 1, 1), BlankStep());
    }

    void insertBeforeTheSecondOfThree()
    {
        Editor e;
        e.open(withSteps());
        e.clickCell(Grid, 2, 0);
        e.click("Command2");
        QCOMPARE(int(e.profile().channels[0].stepCount), 4);
        QCOMPARE(e.rows(Grid), 5);
        const QList<QStringList> expected = {row("Step 1", "A       ", 1, 2, 3), {"Step 2", "", "0", "0", "0"},
                                             row("Step 3", "B       ", 4, 5, 6), row("Step 4", "C       ", 7, 8, 9)};
        for (int r = 1; r <= 4; ++r)
            QCOMPARE(e.rowTexts(Grid, r), expected[r - 1]);
        QCOMPARE(slot(e, 1, 1), step("A", 1, 2, 3));
        QCOMPARE(slot(e, 1, 2), BlankStep());
        QCOMPARE(slot(e, 1, 3), step("B", 4, 5, 6));
        QCOMPARE(slot(e, 1, 4), step("C", 7, 8, 9));
        QCOMPARE(e.grid(Grid)->currentRow(), 2); // the step that was selected, one row lower
        QCOMPARE(e.grid(Grid)->currentColumn(), 0);
        QCOMPARE(QApplication::focusWidget(), e.grid(Grid));

        e.choose("Combo9", QStringLiteral("Chan 2 - Special"));
        e.choose("Combo9", QStringLiteral("Chan 1 - Special"));
        for (int r = 1; r <= 4; ++r)
            QCOMPARE(e.rowTexts(Grid, r), expected[r - 1]);
    }

    void insertOnAChannelWithoutStepsDoesNothing()
    {
        Editor e;
        e.clickCell(Grid, 1, 0);
        e.click("Command2");
        QCOMPARE(e.rowTexts(Grid, 1), (QStringList{"No Steps", "", "", "", ""}));
        QCOMPARE(int(e.profile().channels[0].stepCount), 0);
    }

    void deleteTheFirstOfThree()
    {
        Editor e;
        e.open(withSteps());
        e.clickCell(Grid, 1, 0);
        e.click("Command3");
        QCOMPARE(int(e.profile().channels[0].stepCount), 2);
        QCOMPARE(e.rows(Grid), 3);
        QCOMPARE(e.rowTexts(Grid, 1), row("Step 1", "B       ", 4, 5, 6));
        QCOMPARE(e.rowTexts(Grid, 2), row("Step 2", "C       ", 7, 8, 9));
        QCOMPARE(slot(e, 1, 1), step("B", 4, 5, 6));
        QCOMPARE(slot(e, 1, 2), step("C", 7, 8, 9));
        QCOMPARE(slot(e, 1, 3), BlankStep());
        QCOMPARE(e.grid(Grid)->currentRow(), 1); // the last row's label
        QCOMPARE(e.grid(Grid)->currentColumn(), 0);
    }

    void deleteTheLastOfThree()
    {
        Editor e;
        e.open(withSteps());
        e.clickCell(Grid, 3, 0);
        e.click("Command3");
        QCOMPARE(e.rows(Grid), 3);
        QCOMPARE(e.rowTexts(Grid, 2), row("Step 2", "B       ", 4, 5, 6));
        QCOMPARE(slot(e, 1, 3), BlankStep());
    }

    void deleteTheOnlyStep()
    {
        ZffFile file;
        file.channels[0].steps = {{"Only", 5, 6, 7}};
        Editor e;
        e.open(file);
        e.clickCell(Grid, 1, 0);
        e.click("Command3");
        QCOMPARE(e.rows(Grid), 2);
        QCOMPARE(e.rowTexts(Grid, 1), (QStringList{"No Steps", "", "", "", ""}));
        QCOMPARE(int(e.profile().channels[0].stepCount), 0);
        QCOMPARE(QApplication::focusWidget(), e.grid(Grid));
        e.click("Command1");
        QCOMPARE(e.rowTexts(Grid, 1), (QStringList{"Step 1", "", "0", "0", "0"}));
        QCOMPARE(slot(e, 1, 1), BlankStep());
    }

    void deleteAndInsertNeedTheStepColumn()
    {
        Editor e;
        e.open(withSteps());
        e.clickCell(Grid, 2, 1);
        const FixtureProfile before = e.profile();
        e.click("Command3");
        e.clickCell(Grid, 2, 1);
        e.click("Command2");
        QVERIFY(e.profile() == before);
        QCOMPARE(e.rows(Grid), 4);
    }

    void copyAsksAndCopiesAllSlots()
    {
        Editor e;
        ZffFile file = withSteps();
        file.channels[2].steps = {{"Old", 9, 9, 9}, {"Old2", 9, 9, 9}, {"Old3", 9, 9, 9}, {"Old4", 9, 9, 9}};
        file.channels[2].nameId = 5;
        file.channels[2].fadeMode = 2;
        e.open(file);
        e.choose("Combo11", QStringLiteral("Chan 1"));
        e.choose("Combo12", QStringLiteral("Chan 3"));
        e.prompts.answers.enqueue(PromptAnswer::Ok);
        e.click("Command4");
        QCOMPARE(e.prompts.calls.size(), 2); // the open dialog, then the question
        QCOMPARE(e.prompts.last().kind, PromptCall::Message);
        QCOMPARE(e.prompts.last().text, QStringLiteral("Any data on channel 3  will be lost,continue"));
        QCOMPARE(e.prompts.last().title, QStringLiteral("Zelva71 Fixture"));
        QCOMPARE(e.prompts.last().buttons, PromptButtons::OkCancel);

        QCOMPARE(e.profile().channels[2], (ChannelEntry{5, 2, 3}));
        for (int s = 1; s <= StepsPerChannel; ++s)
            QCOMPARE(slot(e, 3, s), slot(e, 1, s));
        QCOMPARE(e.combo("Combo9")->currentIndex(), 0); // the table still shows channel 1
        QCOMPARE(e.rowTexts(Grid, 1), row("Step 1", "A       ", 1, 2, 3));
        e.choose("Combo9", QStringLiteral("Chan 3 - Gobo"));
        QCOMPARE(e.rows(Grid), 4);
        QCOMPARE(e.rowTexts(Grid, 3), row("Step 3", "C       ", 7, 8, 9));
    }

    void copyOntoTheShownChannelShowsItAgain()
    {
        Editor e;
        e.open(withSteps());
        e.choose("Combo9", QStringLiteral("Chan 2 - Special"));
        e.choose("Combo11", QStringLiteral("Chan 1"));
        e.choose("Combo12", QStringLiteral("Chan 2"));
        e.prompts.answers.enqueue(PromptAnswer::Ok);
        e.click("Command4");
        QCOMPARE(e.rows(Grid), 4);
        QCOMPARE(e.rowTexts(Grid, 2), row("Step 2", "B       ", 4, 5, 6));
    }

    void copyCancelledChangesNothing()
    {
        Editor e;
        e.open(withSteps());
        e.choose("Combo11", QStringLiteral("Chan 1"));
        e.choose("Combo12", QStringLiteral("Chan 4"));
        const FixtureProfile before = e.profile();
        e.prompts.answers.enqueue(PromptAnswer::Cancel);
        e.click("Command4");
        QCOMPARE(e.prompts.last().text, QStringLiteral("Any data on channel 4  will be lost,continue"));
        QVERIFY(e.profile() == before);
    }

    void copyWithoutTwoChannelsAsksNothing()
    {
        Editor e;
        e.open(withSteps());
        const int callsAfterOpen = int(e.prompts.calls.size());
        const FixtureProfile before = e.profile();
        e.click("Command4"); // no channels chosen yet
        e.choose("Combo11", QStringLiteral("Chan 1"));
        e.click("Command4");
        e.choose("Combo12", QStringLiteral("Chan 1"));
        e.click("Command4"); // the same channel
        QCOMPARE(int(e.prompts.calls.size()), callsAfterOpen);
        QVERIFY(e.profile() == before);
    }

    void pressOnThePanelFocusesTheFixtureName()
    {
        Editor e;
        e.combo("Combo9")->setFocus();
        QTest::mouseClick(e.child<QWidget>("Frame3"), Qt::LeftButton, {}, QPoint(380, 500));
        QCOMPARE(QApplication::focusWidget(), e.edit("text1"));
    }
};

QTEST_MAIN(TestZelva71Steps)
#include "tst_zelva71steps.moc"
