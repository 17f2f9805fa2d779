// The "Fixture Setup" panel of the fixture editor, driven as a user drives it: the
// channel count and the lists that follow it, the black value box, the master check list.
#include "zelva71driver.h"

#include <QClipboard>
#include <QWheelEvent>

using namespace zelvar;
using namespace zelva71test;

namespace {

constexpr int MaskLow = 37; // file offsets of the master mask
constexpr int MaskHigh = 38;

QStringList withFixed(const QStringList &fixed, int channels)
{
    return fixed + channelLabels(1, channels);
}

} // namespace

class TestZelva71Setup : public QObject
{
    Q_OBJECT

private slots:
    void loadShowsANewEightChannelProfile()
    {
        Editor e;
        QCOMPARE(e.edit("text1")->text(), QStringLiteral("New Fixture"));
        QCOMPARE(Editor::entries(e.combo("Combo1")).size(), 16);
        QCOMPARE(e.combo("Combo1")->itemText(0), QStringLiteral("1"));
        QCOMPARE(e.combo("Combo1")->itemText(15), QStringLiteral("16"));
        QCOMPARE(e.combo("Combo1")->currentText(), QStringLiteral("8"));
        QCOMPARE(Editor::entries(e.combo("Combo2")), withFixed({"All Channels", "None"}, 8));
        QCOMPARE(e.combo("Combo2")->currentText(), QStringLiteral("All Channels"));
        QCOMPARE(e.edit("Text2")->text(), QStringLiteral("0"));
        QCOMPARE(e.masterList()->count(), 10);
        QCOMPARE(e.checkedMasters(), withFixed({"All Channels"}, 8));
        for (const char *name : {"Combo5", "Combo6", "Combo7", "Combo8"}) {
            QCOMPARE(Editor::entries(e.combo(name)), withFixed({"None"}, 8));
            QCOMPARE(e.combo(name)->currentText(), QStringLiteral("None"));
        }

        const FixtureSetup &s = e.profile().setup;
        QCOMPARE(int(s.channelCount), 8);
        QCOMPARE(s.fixtureName.text(), QStringLiteral("New Fixture       "));
        QCOMPARE(int(s.blackChannel), 255); // what "All Channels" shows
        QCOMPARE(int(s.blackValue), 0);
        QCOMPARE(int(s.panCoarse) + s.panFine + s.tiltCoarse + s.tiltFine, 0);
        for (int c = 0; c < 8; ++c)
            QCOMPARE(e.profile().channels[size_t(c)], (ChannelEntry{33, 1, 0})); // "Fade", as shown
    }

    void fixtureNameIsStoredAsTyped()
    {
        Editor e;
        e.retype("text1", QStringLiteral("Spot 575 with a long name"));
        QCOMPARE(e.edit("text1")->text(), QStringLiteral("Spot 575 with a lo"));
        QCOMPARE(e.profile().setup.fixtureName.text(), QStringLiteral("Spot 575 with a lo"));
        e.retype("text1", QStringLiteral("Wash"));
        QCOMPARE(e.profile().setup.fixtureName.text(), QStringLiteral("Wash              "));
    }

    void shrinkingKeepsOrDropsTheBlackChannel_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("stored");
        QTest::newRow("Chan 5 stays") << "Chan 5" << "Chan 5" << 5;
        QTest::newRow("Chan 6 stays") << "Chan 6" << "Chan 6" << 6;
        QTest::newRow("Chan 7 falls back") << "Chan 7" << "All Channels" << 255;
        QTest::newRow("None stays") << "None" << "None" << 0;
    }
    void shrinkingKeepsOrDropsTheBlackChannel()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, shown);
        QFETCH(int, stored);
        Editor e;
        e.choose("Combo2", chosen);
        e.choose("Combo1", QStringLiteral("6"));
        QCOMPARE(e.combo("Combo2")->currentText(), shown);
        QCOMPARE(int(e.profile().setup.blackChannel), stored);
        QCOMPARE(Editor::entries(e.combo("Combo2")), withFixed({"All Channels", "None"}, 6));
    }

    void shrinkingKeepsOrDropsPanAndTilt_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("stored");
        for (const char *list : {"Combo5", "Combo6", "Combo7", "Combo8"}) {
            QTest::addRow("%s Chan 6 stays", list) << list << "Chan 6" << "Chan 6" << 6;
            QTest::addRow("%s Chan 7 falls back", list) << list << "Chan 7" << "None" << 0;
        }
    }
    void shrinkingKeepsOrDropsPanAndTilt()
    {
        QFETCH(QString, list);
        QFETCH(QString, chosen);
        QFETCH(QString, shown);
        QFETCH(int, stored);
        Editor e;
        QComboBox *box = e.combo(list.toLatin1().constData());
        Editor::choose(box, chosen);
        e.choose("Combo1", QStringLiteral("6"));
        QCOMPARE(box->currentText(), shown);
        const FixtureSetup &s = e.profile().setup;
        const quint8 fields[] = {s.panCoarse, s.panFine, s.tiltCoarse, s.tiltFine};
        QCOMPARE(int(fields[list.right(1).toInt() - 5]), stored);
        QCOMPARE(Editor::entries(box), withFixed({"None"}, 6));
    }

    void shrinkingRemovesTheChannelsEverywhere()
    {
        Editor e;
        e.choose("Combo9", QStringLiteral("Chan 7-"));
        e.choose("Combo11", QStringLiteral("Chan 8"));
        e.choose("Combo12", QStringLiteral("Chan 2"));
        e.click("Command1"); // a step on channel 7
        e.choose("Combo1", QStringLiteral("6"));

        QCOMPARE(int(e.profile().setup.channelCount), 6);
        QCOMPARE(e.profile().channels[6], (ChannelEntry{0, 0, 0}));
        QCOMPARE(e.profile().channels[7], (ChannelEntry{0, 0, 0}));
        QCOMPARE(e.rows("MSFlexGrid1"), 7);
        QCOMPARE(e.masterList()->count(), 8);
        QCOMPARE(e.checkedMasters(), withFixed({"All Channels"}, 6));
        // The step panel goes back to its first channel and shows it.
        QCOMPARE(Editor::entries(e.combo("Combo9")), channelLabels(1, 6, QStringLiteral("-")));
        QCOMPARE(e.combo("Combo9")->currentIndex(), 0);
        QCOMPARE(e.rowTexts("MSFlexGrid2", 1), (QStringList{"No Steps", "0", "0", "0", "0"}));
        QCOMPARE(Editor::entries(e.combo("Combo11")), channelLabels(1, 6));
        QCOMPARE(e.combo("Combo11")->currentText(), QStringLiteral("Chan 1"));
        QCOMPARE(e.combo("Combo12")->currentText(), QStringLiteral("Chan 2"));
    }

    void raisingTheCountByHandAddsChannels()
    {
        Editor e;
        e.choose("Combo1", QStringLiteral("10"));
        QCOMPARE(int(e.profile().setup.channelCount), 10);
        // nameId 0, fadeMode 1 ("Fade", as the row shows), no steps
        QCOMPARE(e.profile().channels[8], (ChannelEntry{0, 1, 0}));
        QCOMPARE(e.profile().channels[9], (ChannelEntry{0, 1, 0}));
        QCOMPARE(e.rows("MSFlexGrid1"), 11);
        QCOMPARE(e.rowTexts("MSFlexGrid1", 9), (QStringList{"Chan 9", "", "Fade"}));
        QCOMPARE(e.rowTexts("MSFlexGrid1", 10), (QStringList{"Chan 10", "", "Fade"}));
        QCOMPARE(e.masterList()->count(), 12);
        QCOMPARE(e.masterList()->item(10)->text(), QStringLiteral("Chan 9"));
        QCOMPARE(e.masterList()->item(11)->text(), QStringLiteral("Chan 10"));
        QCOMPARE(e.checkedMasters(), withFixed({"All Channels"}, 8));
        QCOMPARE(Editor::entries(e.combo("Combo2")), withFixed({"All Channels", "None"}, 10));
        for (const char *name : {"Combo5", "Combo6", "Combo7", "Combo8"})
            QCOMPARE(Editor::entries(e.combo(name)), withFixed({"None"}, 10));
        QCOMPARE(Editor::entries(e.combo("Combo9")), channelLabels(1, 10, QStringLiteral("-")));
        QCOMPARE(Editor::entries(e.combo("Combo11")), channelLabels(1, 10));
        QCOMPARE(Editor::entries(e.combo("Combo12")), channelLabels(1, 10));
    }

    void choosingTheSameCountChangesNothing()
    {
        Editor e;
        e.choose("Combo2", QStringLiteral("Chan 8"));
        e.choose("Combo8", QStringLiteral("Chan 8"));
        e.choose("Combo9", QStringLiteral("Chan 8-"));
        e.click("Command1");
        const FixtureProfile before = e.profile();
        e.choose("Combo1", QStringLiteral("8"));
        QVERIFY(e.profile() == before);
        QCOMPARE(e.combo("Combo2")->currentText(), QStringLiteral("Chan 8"));
        QCOMPARE(e.combo("Combo8")->currentText(), QStringLiteral("Chan 8"));
        QCOMPARE(e.combo("Combo9")->currentText(), QStringLiteral("Chan 8-"));
        QCOMPARE(e.rowTexts("MSFlexGrid2", 1), (QStringList{"Step 1", "", "0", "0", "0"}));
    }

    void choicesAreStoredWhenMade()
    {
        Editor e;
        e.choose("Combo2", QStringLiteral("None"));
        QCOMPARE(int(e.profile().setup.blackChannel), 0);
        e.choose("Combo2", QStringLiteral("Chan 4"));
        QCOMPARE(int(e.profile().setup.blackChannel), 4);
        e.choose("Combo5", QStringLiteral("Chan 1"));
        e.choose("Combo6", QStringLiteral("Chan 2"));
        e.choose("Combo7", QStringLiteral("Chan 3"));
        e.choose("Combo8", QStringLiteral("Chan 4"));
        const FixtureSetup &s = e.profile().setup;
        QCOMPARE((QList<int>{s.panCoarse, s.panFine, s.tiltCoarse, s.tiltFine}), (QList<int>{1, 2, 3, 4}));
    }

    void blackValueTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("stored");
        QTest::newRow("300") << "300" << "0" << 0;
        QTest::newRow("042") << "042" << "42" << 42;
        QTest::newRow("255") << "255" << "255" << 255;
        QTest::newRow("256") << "256" << "0" << 0;
        QTest::newRow("letters") << "ab" << "0" << 0;
        QTest::newRow("point") << "1.5" << "15" << 15; // the point goes as it is typed
    }
    void blackValueTyped()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, stored);
        Editor e;
        e.retype("Text2", typed);
        QCOMPARE(e.edit("Text2")->text(), shown);
        QCOMPARE(int(e.profile().setup.blackValue), stored);
        QCOMPARE(e.edit("Text2")->cursorPosition(), shown.size());
    }

    void blackValuePasted_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("stored");
        QTest::newRow("negative") << "-12" << "0" << 0;
        QTest::newRow("half to even") << "2.5" << "2" << 2;
        QTest::newRow("half to even up") << "3.5" << "4" << 4;
        QTest::newRow("leading digits") << "7kg" << "7" << 7;
    }
    void blackValuePasted()
    {
        QFETCH(QString, pasted);
        QFETCH(QString, shown);
        QFETCH(int, stored);
        Editor e;
        e.retype("Text2", QStringLiteral("99"));
        QApplication::clipboard()->setText(pasted);
        QTest::keyClick(e.edit("Text2"), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(e.edit("Text2"), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(e.edit("Text2")->text(), shown);
        QCOMPARE(int(e.profile().setup.blackValue), stored);
    }

    void blackValueBoxPutsTheCaretAtTheEnd()
    {
        Editor e;
        e.retype("Text2", QStringLiteral("128"));
        e.edit("text1")->setFocus();
        QTest::keyClick(e.edit("text1"), Qt::Key_Tab); // the next control in the panel
        while (QApplication::focusWidget() != e.edit("Text2"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(e.edit("Text2")->cursorPosition(), 3);
        QVERIFY(!e.edit("Text2")->hasSelectedText());
    }

    void masterChecksFollowTheRules()
    {
        Editor e;
        e.toggleMaster(0); // All off
        e.toggleMaster(0); // All on: the channels go
        QCOMPARE(e.checkedMasters(), QStringList{"All Channels"});
        e.toggleMaster(4);
        QCOMPARE(e.checkedMasters(), QStringList{"Chan 3"});
        e.toggleMaster(1);
        QCOMPARE(e.checkedMasters(), QStringList{"None"});
        const QByteArray file = e.save();
        QCOMPARE(file.mid(MaskLow, 2), testsupport::hex("00 00"));
    }

    void uncheckingAChannelAfterAResetKeepsAllChannels()
    {
        Editor e;
        e.toggleMaster(4);
        QCOMPARE(e.checkedMasters(), (QStringList{"All Channels", "Chan 1", "Chan 2", "Chan 4", "Chan 5", "Chan 6",
                                                  "Chan 7", "Chan 8"}));
        const QByteArray file = e.save();
        QCOMPARE(file.mid(MaskLow, 2), testsupport::hex("ff ff"));
    }

    void chosenMasterChannelsAreSaved()
    {
        Editor e;
        e.choose("Combo1", QStringLiteral("10"));
        e.toggleMaster(1); // None: only it stays
        e.toggleMaster(2); // Chan 1
        e.toggleMaster(10); // Chan 9
        QCOMPARE(e.checkedMasters(), (QStringList{"Chan 1", "Chan 9"}));
        const QByteArray file = e.save();
        QCOMPARE(int(quint8(file.at(MaskLow))), 0x01);
        QCOMPARE(int(quint8(file.at(MaskHigh))), 0x01);
    }

    void aReadMaskIsShownAsChecks_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<QStringList>("checked");
        QTest::newRow("0x0005") << 0x0005 << QStringList{"Chan 1", "Chan 3"};
        QTest::newRow("0xFFFF") << 0xFFFF << QStringList{"All Channels"};
        QTest::newRow("0") << 0 << QStringList{"None"};
        QTest::newRow("bit of channel 9") << 0x0101 << QStringList{"Chan 1"};
    }
    void aReadMaskIsShownAsChecks()
    {
        QFETCH(int, mask);
        QFETCH(QStringList, checked);
        Editor e;
        ZffFile file;
        file.masterMask = mask;
        e.open(file);
        QCOMPARE(e.checkedMasters(), checked);
        QCOMPARE(int(e.profile().setup.masterMask), mask);
    }

    void anOpenedProfileShowsItsSetup()
    {
        Editor e;
        ZffFile file;
        file.channelCount = 6;
        file.channels.resize(6);
        file.fixtureName = "Scan 1200";
        file.blackChannel = 3;
        file.blackValue = 17;
        file.panCoarse = 1;
        file.panFine = 2;
        file.tiltCoarse = 5;
        file.tiltFine = 6;
        e.open(file);
        QCOMPARE(e.edit("text1")->text(), QStringLiteral("Scan 1200         "));
        QCOMPARE(e.combo("Combo1")->currentText(), QStringLiteral("6"));
        QCOMPARE(e.combo("Combo2")->currentText(), QStringLiteral("Chan 3"));
        QCOMPARE(e.edit("Text2")->text(), QStringLiteral("17"));
        QCOMPARE(e.combo("Combo5")->currentText(), QStringLiteral("Chan 1"));
        QCOMPARE(e.combo("Combo6")->currentText(), QStringLiteral("Chan 2"));
        QCOMPARE(e.combo("Combo7")->currentText(), QStringLiteral("Chan 5"));
        QCOMPARE(e.combo("Combo8")->currentText(), QStringLiteral("Chan 6"));
        QCOMPARE(e.save(), file.bytes());
    }

    // Showing a smaller read profile must not overwrite its black, pan and tilt channels
    // with the fall-backs of the channels the window showed before.
    void openingASmallerProfileKeepsItsChannels()
    {
        Editor e;
        e.choose("Combo1", QStringLiteral("12"));
        e.choose("Combo2", QStringLiteral("Chan 10"));
        e.choose("Combo5", QStringLiteral("Chan 11"));
        e.choose("Combo8", QStringLiteral("Chan 12"));
        ZffFile file;
        file.blackChannel = 3;
        file.panCoarse = 2;
        file.tiltFine = 8;
        e.open(file);
        QCOMPARE(e.combo("Combo2")->currentText(), QStringLiteral("Chan 3"));
        QCOMPARE(e.combo("Combo5")->currentText(), QStringLiteral("Chan 2"));
        QCOMPARE(e.combo("Combo8")->currentText(), QStringLiteral("Chan 8"));
        QCOMPARE(int(e.profile().setup.blackChannel), 3);
        QCOMPARE(e.save(), file.bytes());
    }

    void channelsTheListsCannotShowAreKept()
    {
        Editor e;
        ZffFile file;
        file.channelCount = 4;
        file.channels.resize(4);
        file.blackChannel = 9;
        file.panFine = 7;
        e.open(file);
        QCOMPARE(e.combo("Combo2")->currentIndex(), -1);
        QCOMPARE(e.combo("Combo6")->currentIndex(), -1);
        QCOMPARE(e.save(), file.bytes());
    }

    void typedKeysDoNotChangeTheLists()
    {
        Editor e;
        e.choose("Combo2", QStringLiteral("Chan 2"));
        for (const char *name : {"Combo1", "Combo2", "Combo5"}) {
            QComboBox *box = e.combo(name);
            const QString before = box->currentText();
            box->setFocus();
            QTest::keyClicks(box, QStringLiteral("1Chan 5N"));
            QCOMPARE(box->currentText(), before);
            QTest::keyClick(box, Qt::Key_F4); // and with the drop-down open
            QTest::keyClicks(box->view(), QStringLiteral("1N"));
            QTest::keyClick(box->view(), Qt::Key_Return);
            QCOMPARE(box->currentText(), before);
        }
        QCOMPARE(int(e.profile().setup.channelCount), 8);
        QCOMPARE(int(e.profile().setup.blackChannel), 2);
    }

    void theWheelChangesOnlyAListClickedInto()
    {
        Editor e;
        e.choose("Combo2", QStringLiteral("Chan 2"));
        e.edit("text1")->setFocus(); // the user works in the name box, the mouse rests elsewhere
        const auto turn = [](QComboBox *box, int notches) {
            QWheelEvent wheel(QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120 * notches),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(box, &wheel);
            return wheel.isAccepted();
        };
        // Every drop-down list of the window the user can reach, in both directions.
        for (QComboBox *box : e.window->findChildren<QComboBox *>()) {
            if (!box->isVisible())
                continue;
            const int before = box->currentIndex();
            for (int notches : {-1, 1}) {
                QVERIFY2(!turn(box, notches), qPrintable(box->objectName())); // left to the window around it
                QCOMPARE(box->currentIndex(), before);
            }
        }
        QCOMPARE(int(e.profile().setup.channelCount), 8);

        // Once clicked into, the count follows the wheel.
        QComboBox *count = e.combo("Combo1");
        QTest::mouseClick(count, Qt::LeftButton);
        QTest::keyClick(count->view(), Qt::Key_Escape);
        QVERIFY(count->hasFocus());
        QVERIFY(turn(count, -1));
        QCOMPARE(int(e.profile().setup.channelCount), 9);
    }

    void arrowKeysChooseEntries()
    {
        Editor e;
        QComboBox *box = e.combo("Combo5");
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down);
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(box->currentText(), QStringLiteral("Chan 2"));
        QCOMPARE(int(e.profile().setup.panCoarse), 2);
    }

    void pressOnThePanelFocusesTheFixtureName()
    {
        Editor e;
        e.combo("Combo2")->setFocus();
        QTest::mouseClick(e.child<QWidget>("Frame1"), Qt::LeftButton, {}, QPoint(380, 275));
        QCOMPARE(QApplication::focusWidget(), e.edit("text1"));
    }
};

QTEST_MAIN(TestZelva71Setup)
#include "tst_zelva71setup.moc"
