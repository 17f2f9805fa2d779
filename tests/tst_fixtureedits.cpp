// The fixture editor's rules that need no window: typed DMX values, the master check
// list, and the step list changes of one channel.
#include "fixture/dmxtext.h"
#include "fixture/masterchecks.h"
#include "fixture/stepedits.h"

#include <QtTest>

using namespace zelvar;

namespace {

// "10110" -> entries All, None, Chan 1, ... checked where the string says 1.
QVector<bool> checks(const char *pattern)
{
    QVector<bool> c;
    for (const char *p = pattern; *p; ++p)
        c << (*p == '1');
    return c;
}

QString pattern(const QVector<bool> &c)
{
    QString s;
    for (bool b : c)
        s += b ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

StepRecord step(const char *name, int from, int to, int value)
{
    StepRecord s;
    s.name.assign(name);
    s.fromDmx = quint8(from);
    s.toDmx = quint8(to);
    s.stepDmx = quint8(value);
    return s;
}

// Channel index 1 (channel 2) with the steps A, B, C.
FixtureProfile threeSteps()
{
    FixtureProfile p;
    ResetProfileValues(p, 4, QStringLiteral("T"));
    p.channels[1].stepCount = 3;
    p.steps[50] = step("A", 1, 2, 3);
    p.steps[51] = step("B", 4, 5, 6);
    p.steps[52] = step("C", 7, 8, 9);
    return p;
}

} // namespace

class TestFixtureEdits : public QObject
{
    Q_OBJECT

private slots:
    void dmxValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("digits") << "42" << 42;
        QTest::newRow("leading zero") << "042" << 42;
        QTest::newRow("top") << "255" << 255;
        QTest::newRow("256 is zero") << "256" << 0;
        QTest::newRow("300 is zero") << "300" << 0;
        QTest::newRow("999 is zero") << "999" << 0;
        QTest::newRow("half down to even") << "2.5" << 2;
        QTest::newRow("half up to even") << "3.5" << 4;
        QTest::newRow("half of one") << "0.5" << 0;
        QTest::newRow("above half") << "2.51" << 3;
        QTest::newRow("below half") << "2.49" << 2;
        QTest::newRow("254.5 to even") << "254.5" << 254;
        QTest::newRow("255.5 rounds past the top") << "255.5" << 0;
        QTest::newRow("trailing letters") << "12abc" << 12;
        QTest::newRow("no number") << "abc" << 0;
        QTest::newRow("blanks skipped") << " 1 2" << 12;
        QTest::newRow("plus sign") << "+7" << 7;
        QTest::newRow("negative") << "-5" << 0;
        QTest::newRow("negative zero") << "-0" << 0;
        QTest::newRow("small negative") << "-0.4" << 0;
        QTest::newRow("exponent") << "1e2" << 100;
        QTest::newRow("exponent too big") << "3e2" << 0;
        QTest::newRow("exponent without digits") << "1e" << 1;
        QTest::newRow("exponent alone") << "e5" << 0;
        QTest::newRow("point alone") << "." << 0;
        QTest::newRow("point then digits") << ".5" << 0;
        QTest::newRow("digits then point") << "5." << 5;
        QTest::newRow("second point ends it") << "1.2.3" << 1;
        QTest::newRow("trailing sign") << "7-" << 7;
        QTest::newRow("overflow") << "1e999" << 0;
        QTest::newRow("negative overflow") << "-1e999" << 0;
    }
    void dmxValue()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(int(ReadDmxValue(text)), value);
    }

    void halvesGoToEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("rounded");
        QTest::newRow("0.5") << 0.5 << 0.0;
        QTest::newRow("1.5") << 1.5 << 2.0;
        QTest::newRow("2.5") << 2.5 << 2.0;
        QTest::newRow("-1.5") << -1.5 << -2.0;
        QTest::newRow("-2.5") << -2.5 << -2.0;
        QTest::newRow("2.4999") << 2.4999 << 2.0;
        QTest::newRow("2.5001") << 2.5001 << 3.0;
    }
    void halvesGoToEven()
    {
        QFETCH(double, value);
        QFETCH(double, rounded);
        QCOMPARE(RoundHalfEven(value), rounded);
    }

    void masterRule_data()
    {
        // Entries: All, None, Chan 1 to Chan 4. `after click` holds the clicked entry's
        // new state, as the list reports it.
        QTest::addColumn<QString>("afterClick");
        QTest::addColumn<int>("clicked");
        QTest::addColumn<QString>("result");
        QTest::newRow("channel checked under All") << "100010" << 4 << "000010";
        QTest::newRow("None checked under a channel") << "010010" << 1 << "010000";
        QTest::newRow("channel unchecked after reset") << "101101" << 4 << "101101";
        QTest::newRow("All checked over channels") << "111100" << 0 << "100000";
        QTest::newRow("All unchecked") << "000000" << 0 << "000000";
        QTest::newRow("None unchecked") << "001000" << 1 << "001000";
        QTest::newRow("channel checked under None") << "011000" << 2 << "001000";
        QTest::newRow("one of two channels unchecked") << "000100" << 2 << "000100";
        QTest::newRow("last channel unchecked") << "000000" << 2 << "000000";
    }
    void masterRule()
    {
        QFETCH(QString, afterClick);
        QFETCH(int, clicked);
        QFETCH(QString, result);
        QVector<bool> c = checks(afterClick.toLatin1().constData());
        ApplyMasterCheckRule(c, clicked);
        QCOMPARE(pattern(c), result);
    }

    void masterMask_data()
    {
        QTest::addColumn<QString>("checked");
        QTest::addColumn<int>("mask");
        QTest::newRow("All") << "101111" << 0xFFFF;
        QTest::newRow("All and None") << "110000" << 0xFFFF;
        QTest::newRow("None") << "010000" << 0x0000;
        QTest::newRow("nothing") << "000000" << 0x0000;
        QTest::newRow("Chan 1 and Chan 3") << "001010" << 0x0005;
        QTest::newRow("Chan 1 and Chan 9") << "001000000010000000" << 0x0101;
        QTest::newRow("Chan 16") << "000000000000000001" << 0x8000;
    }
    void masterMask()
    {
        QFETCH(QString, checked);
        QFETCH(int, mask);
        QCOMPARE(int(MasterMaskFromChecks(checks(checked.toLatin1().constData()))), mask);
    }

    void masterChecksShowMask_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QString>("checked");
        QTest::newRow("0x0005") << 0x0005 << 4 << "001010";
        QTest::newRow("0xFFFF") << 0xFFFF << 4 << "100000";
        QTest::newRow("0") << 0 << 4 << "010000";
        QTest::newRow("bits above the count") << 0x0031 << 4 << "001000";
        QTest::newRow("Chan 1 and Chan 16") << 0x8001 << 16 << "001000000000000001";
    }
    void masterChecksShowMask()
    {
        QFETCH(int, mask);
        QFETCH(int, channels);
        QFETCH(QString, checked);
        QCOMPARE(pattern(MasterChecksFromMask(quint16(mask), channels)), checked);
    }

    void addStep()
    {
        FixtureProfile p = threeSteps();
        p.steps[53] = step("old", 9, 9, 9); // spare slot with old values
        QVERIFY(AddStep(p, 1));
        QCOMPARE(int(p.channels[1].stepCount), 4);
        QCOMPARE(p.steps[53], BlankStep());

        p.channels[1].stepCount = 49;
        QVERIFY(AddStep(p, 1));
        QCOMPARE(int(p.channels[1].stepCount), 50);
        const FixtureProfile full = p;
        QVERIFY(!AddStep(p, 1));
        QVERIFY(p == full);
    }

    void insertStep()
    {
        FixtureProfile p = threeSteps();
        QVERIFY(InsertStep(p, 1, 1));
        QCOMPARE(int(p.channels[1].stepCount), 4);
        QCOMPARE(p.steps[50], step("A", 1, 2, 3));
        QCOMPARE(p.steps[51], BlankStep());
        QCOMPARE(p.steps[52], step("B", 4, 5, 6));
        QCOMPARE(p.steps[53], step("C", 7, 8, 9));

        const FixtureProfile before = p;
        QVERIFY(!InsertStep(p, 0, 0)); // no steps
        QVERIFY(!InsertStep(p, 1, 4)); // not a step
        p.channels[1].stepCount = 50;
        QVERIFY(!InsertStep(p, 1, 0)); // full
        p.channels[1].stepCount = 4;
        QVERIFY(p == before);
    }

    void deleteStep()
    {
        FixtureProfile p = threeSteps();
        QVERIFY(DeleteStep(p, 1, 0));
        QCOMPARE(int(p.channels[1].stepCount), 2);
        QCOMPARE(p.steps[50], step("B", 4, 5, 6));
        QCOMPARE(p.steps[51], step("C", 7, 8, 9));
        QCOMPARE(p.steps[52], BlankStep());

        QVERIFY(DeleteStep(p, 1, 1)); // the last one
        QCOMPARE(int(p.channels[1].stepCount), 1);
        QCOMPARE(p.steps[50], step("B", 4, 5, 6));
        QCOMPARE(p.steps[51], BlankStep());

        // The only step: the count drops, the slot keeps its values as spare space.
        QVERIFY(DeleteStep(p, 1, 0));
        QCOMPARE(int(p.channels[1].stepCount), 0);
        QCOMPARE(p.steps[50], step("B", 4, 5, 6));
    }

    void copySteps()
    {
        FixtureProfile p = threeSteps();
        p.steps[60] = step("spare", 1, 1, 1);
        p.channels[3] = ChannelEntry{7, 2, 0};
        QVERIFY(CopySteps(p, 1, 3));
        QCOMPARE(p.channels[3], (ChannelEntry{7, 2, 3}));
        for (int s = 0; s < StepsPerChannel; ++s)
            QCOMPARE(p.steps[size_t(150 + s)], p.steps[size_t(50 + s)]);

        const FixtureProfile before = p;
        QVERIFY(!CopySteps(p, 2, 2));
        QVERIFY(p == before);
    }
};

QTEST_MAIN(TestFixtureEdits)
#include "tst_fixtureedits.moc"
