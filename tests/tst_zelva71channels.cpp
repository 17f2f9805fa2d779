// The "Channel Information" table of the fixture editor: names and fade modes chosen in
// place with the choosers laid over the clicked cell, and what each way of leaving a
// chooser commits.
#include "zelva71driver.h"

using namespace zelvar;
using namespace zelva71test;

namespace {

constexpr int ChannelTable = 43; // file offset of channel 1's entry: nameId, fadeMode, stepCount

const char *Grid = "MSFlexGrid1";

// Eight channels; channel 2 has name 5 and fade mode 2, channel 3 a name no choice has
// and two steps.
ZffFile namedChannels()
{
    ZffFile f;
    f.channels[1].nameId = 5;
    f.channels[1].fadeMode = 2;
    f.channels[2].nameId = 99;
    f.channels[2].steps = {{"Red", 0, 9, 5}, {"Blue", 10, 19, 15}};
    return f;
}

} // namespace

class TestZelva71Channels : public QObject
{
    Q_OBJECT

private slots:
    void tableAfterLoad()
    {
        Editor e;
        QTableWidget *grid = e.grid(Grid);
        QCOMPARE(grid->columnCount(), 3);
        QCOMPARE(e.rows(Grid), 9);
        QCOMPARE(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Channel"));
        QCOMPARE(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Channel Name"));
        QCOMPARE(grid->horizontalHeaderItem(2)->text(), QStringLiteral("Fade Mode"));
        QCOMPARE(grid->horizontalHeader()->height(), 500 / 15);
        // w = (table width in twips - 100) / 3; widths w - 230, w, w
        const int w = (grid->width() * 15 - 100) / 3;
        QCOMPARE(grid->columnWidth(0), (w - 230) / 15);
        QCOMPARE(grid->columnWidth(1), w / 15);
        QCOMPARE(grid->columnWidth(2), w / 15);
        for (int row = 1; row <= 8; ++row)
            QCOMPARE(e.rowTexts(Grid, row), (QStringList{QStringLiteral("Chan %1").arg(row), "", "Fade"}));
        QVERIFY(e.combo("Combo10")->isHidden());
        QVERIFY(e.combo("Combo13")->isHidden());
        QCOMPARE(Editor::entries(e.combo("Combo13")), (QStringList{"Snap Before", "Fade", "Snap After"}));
    }

    void aReadProfileShowsItsNames()
    {
        Editor e;
        e.open(namedChannels());
        QCOMPARE(e.rowTexts(Grid, 1), (QStringList{"Chan 1", "Special", "Fade"}));
        QCOMPARE(e.rowTexts(Grid, 2), (QStringList{"Chan 2", "Gobo", "Snap After"}));
        QCOMPARE(e.rowTexts(Grid, 3), (QStringList{"Chan 3", "        ", "Fade"}));
        QCOMPARE(e.combo("Combo9")->itemText(0), QStringLiteral("Chan 1 - Special"));
        QCOMPARE(e.combo("Combo9")->itemText(1), QStringLiteral("Chan 2 - Gobo"));
        QCOMPARE(e.combo("Combo9")->itemText(2), QStringLiteral("Chan 3 -         "));
    }

    void theLastChoiceWithTheNameIdWins()
    {
        Editor e(namesFile({{0, 0, "Dimmer"}, {4, 5, "First"}, {9, 5, "Second"}}));
        e.open(namedChannels());
        QCOMPARE(e.cell(Grid, 2, 1), QStringLiteral("Second"));
    }

    void fadeModeChooserOpensOnTheStoredMode()
    {
        Editor e;
        e.open(namedChannels());
        e.clickCell(Grid, 2, 2);
        QComboBox *chooser = e.combo("Combo13");
        QVERIFY(chooser->isVisible());
        QCOMPARE(chooser->currentText(), QStringLiteral("Snap After"));
        QCOMPARE(QApplication::focusWidget(), chooser);
        // Laid over the clicked cell, as wide as it.
        QTableWidget *grid = e.grid(Grid);
        const QRect cell = grid->visualRect(grid->model()->index(1, 2));
        QCOMPARE(chooser->geometry().topLeft(), grid->viewport()->mapTo(grid->parentWidget(), cell.topLeft()));
        QCOMPARE(chooser->width(), cell.width());

        e.choose("Combo13", QStringLiteral("Fade"));
        QCOMPARE(int(e.profile().channels[1].fadeMode), 2); // not before the chooser is left
        e.clickCell(Grid, 5, 0);
        QCOMPARE(int(e.profile().channels[1].fadeMode), 1);
        QCOMPARE(e.cell(Grid, 2, 2), QStringLiteral("Fade"));
        QVERIFY(chooser->isHidden());
        QCOMPARE(chooser->currentIndex(), -1);
    }

    void aBlankNameCellOpensOnTheFirstName()
    {
        Editor e;
        e.open(namedChannels());
        QCOMPARE(e.cell(Grid, 3, 1), QStringLiteral("        "));
        e.clickCell(Grid, 3, 1);
        QCOMPARE(e.combo("Combo10")->currentText(), QStringLiteral("Dimmer"));
        e.clickCell(Grid, 1, 0);
        QCOMPARE(int(e.profile().channels[2].nameId), 0);
        QCOMPARE(e.cell(Grid, 3, 1), QStringLiteral("Dimmer"));
        QVERIFY(e.combo("Combo10")->isHidden());
    }

    void aNameCellOpensOnItsName()
    {
        Editor e;
        e.open(namedChannels());
        e.clickCell(Grid, 2, 1);
        QCOMPARE(e.combo("Combo10")->currentText(), QStringLiteral("Gobo"));
        e.choose("Combo10", QStringLiteral("Colour"));
        e.clickCell(Grid, 4, 2); // straight into another chooser
        QCOMPARE(int(e.profile().channels[1].nameId), 6);
        QCOMPARE(e.cell(Grid, 2, 1), QStringLiteral("Colour"));
        QVERIFY(e.combo("Combo10")->isHidden());
        QVERIFY(e.combo("Combo13")->isVisible());
        QCOMPARE(e.combo("Combo13")->currentText(), QStringLiteral("Fade"));
    }

    void nameCellSwitchesTheStepPanelBeforeCommitting()
    {
        Editor e;
        e.open(namedChannels());
        QCOMPARE(e.combo("Combo9")->currentIndex(), 0);
        e.clickCell(Grid, 3, 1);
        QCOMPARE(e.combo("Combo9")->currentIndex(), 2);
        QCOMPARE(e.combo("Combo9")->currentText(), QStringLiteral("Chan 3 - Dimmer"));
        QCOMPARE(e.rowTexts("MSFlexGrid2", 2), (QStringList{"Step 2", "Blue    ", "10", "19", "15"}));
        QCOMPARE(int(e.profile().channels[2].nameId), 99);

        e.choose("Combo10", QStringLiteral("Gobo"));
        QCOMPARE(e.combo("Combo9")->currentText(), QStringLiteral("Chan 3 - Gobo"));
        QCOMPARE(int(e.profile().channels[2].nameId), 99);
        e.clickCell(Grid, 1, 0);
        QCOMPARE(int(e.profile().channels[2].nameId), 5);
    }

    void choosingANameForAnotherChannelSwitchesTheStepPanel()
    {
        Editor e;
        e.clickCell(Grid, 6, 1);
        QCOMPARE(e.combo("Combo9")->currentText(), QStringLiteral("Chan 6 - Dimmer"));
        e.choose("Combo10", QStringLiteral("Tilt"));
        QCOMPARE(e.combo("Combo9")->currentIndex(), 5);
        QCOMPARE(e.combo("Combo9")->currentText(), QStringLiteral("Chan 6 - Tilt"));
    }

    void savingCommitsAnOpenFadeModeChooser()
    {
        Editor e;
        e.clickCell(Grid, 2, 2);
        e.choose("Combo13", QStringLiteral("Snap Before"));
        QVERIFY(e.combo("Combo13")->isVisible());
        const QByteArray file = e.save();
        QCOMPARE(int(file.at(ChannelTable + 3 + 1)), 0);
        QVERIFY(e.combo("Combo13")->isHidden());
        QCOMPARE(QApplication::focusWidget(), e.edit("text1"));
    }

    void savingCommitsAnOpenNameChooser()
    {
        Editor e;
        e.clickCell(Grid, 4, 1);
        e.choose("Combo10", QStringLiteral("Shutter"));
        const QByteArray file = e.save();
        QCOMPARE(int(file.at(ChannelTable + 3 * 3)), 1);
        QCOMPARE(e.cell(Grid, 4, 1), QStringLiteral("Shutter"));
    }

    // The toolkit may report the change of cell before the chooser loses the focus.
    void leavingTheCellFirstCommitsTheChoice()
    {
        Editor e;
        e.clickCell(Grid, 2, 1);
        e.choose("Combo10", QStringLiteral("Pan"));
        e.grid(Grid)->setCurrentCell(4, 0);
        QCOMPARE(int(e.profile().channels[1].nameId), 2);
        QCOMPARE(e.cell(Grid, 2, 1), QStringLiteral("Pan"));
        QVERIFY(e.combo("Combo10")->isHidden());

        e.clickCell(Grid, 3, 2);
        e.choose("Combo13", QStringLiteral("Snap After"));
        e.grid(Grid)->setCurrentCell(0, 0);
        QCOMPARE(int(e.profile().channels[2].fadeMode), 2);
        QCOMPARE(e.cell(Grid, 3, 2), QStringLiteral("Snap After"));
        QVERIFY(e.combo("Combo13")->isHidden());
    }

    void aOneLetterNameIsCommittedOnLeaving()
    {
        Editor e;
        e.clickCell(Grid, 2, 1);
        e.choose("Combo10", QStringLiteral("X"));
        e.clickCell(Grid, 1, 0);
        QCOMPARE(int(e.profile().channels[1].nameId), 60);
        QCOMPARE(e.cell(Grid, 2, 1), QStringLiteral("X"));
    }

    void withoutNamesANameCellChangesNothing()
    {
        Editor e(QByteArray(), false);
        QCOMPARE(e.combo("Combo10")->count(), 0);
        e.clickCell(Grid, 2, 1);
        QVERIFY(e.combo("Combo10")->isVisible());
        e.clickCell(Grid, 3, 0);
        QCOMPARE(e.cell(Grid, 2, 1), QString());
        QCOMPARE(int(e.profile().channels[1].nameId), 33);

        e.clickCell(Grid, 2, 1);
        e.grid(Grid)->setCurrentCell(0, 0); // the cell-left path alike
        QCOMPARE(e.cell(Grid, 2, 1), QString());
        QCOMPARE(int(e.profile().channels[1].nameId), 33);
    }

    void anUnlistedFadeModeStoresNothingUntilChosen()
    {
        ZffFile file = namedChannels();
        file.channels[0].fadeMode = 7;
        Editor e;
        e.open(file);
        QCOMPARE(e.cell(Grid, 1, 2), QString());
        e.clickCell(Grid, 1, 2);
        QVERIFY(e.combo("Combo13")->isVisible());
        QCOMPARE(e.combo("Combo13")->currentIndex(), -1);
        e.clickCell(Grid, 2, 0);
        QCOMPARE(int(e.profile().channels[0].fadeMode), 7);
        e.clickCell(Grid, 1, 2);
        e.grid(Grid)->setCurrentCell(3, 0);
        QCOMPARE(int(e.profile().channels[0].fadeMode), 7);
        QCOMPARE(e.cell(Grid, 1, 2), QString());

        e.clickCell(Grid, 1, 2);
        e.choose("Combo13", QStringLiteral("Snap After"));
        e.clickCell(Grid, 2, 0);
        QCOMPARE(int(e.profile().channels[0].fadeMode), 2);
        QCOMPARE(e.cell(Grid, 1, 2), QStringLiteral("Snap After"));
    }

    void theChannelColumnOpensNothing()
    {
        Editor e;
        e.clickCell(Grid, 3, 0);
        QVERIFY(e.combo("Combo10")->isHidden());
        QVERIFY(e.combo("Combo13")->isHidden());
        QCOMPARE(e.combo("Combo9")->currentIndex(), 0);
    }

    void typedKeysDoNotChangeTheChoosers()
    {
        Editor e;
        e.open(namedChannels());
        e.clickCell(Grid, 2, 1);
        QTest::keyClicks(e.combo("Combo10"), QStringLiteral("Tilt"));
        QCOMPARE(e.combo("Combo10")->currentText(), QStringLiteral("Gobo"));
        e.clickCell(Grid, 2, 2);
        QTest::keyClicks(e.combo("Combo13"), QStringLiteral("Fade"));
        QCOMPARE(e.combo("Combo13")->currentText(), QStringLiteral("Snap After"));
        QTest::keyClick(e.combo("Combo13"), Qt::Key_Up); // arrow keys do choose
        QCOMPARE(e.combo("Combo13")->currentText(), QStringLiteral("Fade"));
        e.clickCell(Grid, 1, 0);
        QCOMPARE(e.profile().channels[1], (ChannelEntry{5, 1, 0}));
    }
};

QTEST_MAIN(TestZelva71Channels)
#include "tst_zelva71channels.moc"
