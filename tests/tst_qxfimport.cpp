// The QLC+ import without windows: reading .qxf definitions, which modes a profile can hold,
// and the profile a mode gives (channels, pan, tilt, master, black, names, steps, notes).
#include "qxfsamples.h"
#include "testsupport.h"

#include "channames/channelnamefiles.h"
#include "downloadset/downloadsetfile.h"
#include "fixture/zfffile.h"
#include "qxfimport/qxfconversion.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace zelvar;

namespace {

QxfDefinition parsed(const QByteArray &xml)
{
    QxfDefinition d;
    if (Outcome o = ParseQxf(xml, d); !o)
        qFatal("sample not read: %s", qPrintable(o.reason()));
    return d;
}

ImportedFixture converted(const QByteArray &xml, int mode)
{
    ImportedFixture f;
    if (Outcome o = ConvertQxfMode(parsed(xml), mode, f); !o)
        qFatal("sample not converted: %s", qPrintable(o.reason()));
    return f;
}

// Each step as "name from to step", the name without its trailing blanks.
QStringList stepTexts(const FixtureProfile &p, int channel)
{
    QStringList texts;
    for (int s = 1; s <= p.channels[size_t(channel - 1)].stepCount; ++s) {
        const StepRecord &r = p.steps[size_t(FixtureProfile::slotOf(channel, s))];
        texts << QStringLiteral("%1 %2 %3 %4")
                     .arg(withoutTrailingBlanks(r.name.text()))
                     .arg(r.fromDmx)
                     .arg(r.toDmx)
                     .arg(r.stepDmx);
    }
    return texts;
}

template <class F>
QList<int> perChannel(const FixtureProfile &p, F field)
{
    QList<int> values;
    for (int c = 0; c < p.setup.channelCount; ++c)
        values << int(field(p.channels[size_t(c)]));
    return values;
}

QList<int> nameIds(const FixtureProfile &p)
{
    return perChannel(p, [](const ChannelEntry &e) { return e.nameId; });
}
QList<int> fadeModes(const FixtureProfile &p)
{
    return perChannel(p, [](const ChannelEntry &e) { return e.fadeMode; });
}
QList<int> stepCounts(const FixtureProfile &p)
{
    return perChannel(p, [](const ChannelEntry &e) { return e.stepCount; });
}

const QString Physical = QStringLiteral("Physical data (lamp, size, weight, lens, power) is not kept.");
const QString BlackAll =
    QStringLiteral("No shutter with a closed position and no single dimmer: black sets all channels to 0.");
const QString NoMaster = QStringLiteral("No dimmer or colour channel: no master channel is set.");

} // namespace

class TestQxfImport : public QObject
{
    Q_OBJECT

private slots:
    void readsDefinition()
    {
        const QByteArray xml = qxfsamples::readerDetails();
        QxfDefinition d;
        QVERIFY(ParseQxf(xml, d));
        QCOMPARE(d.manufacturer, QStringLiteral("Acme & Sons"));
        QCOMPARE(d.model, QStringLiteral("Wash LED"));
        QCOMPARE(d.type, QStringLiteral("Moving Head"));
        QVERIFY(!d.hasPhysical);
        QCOMPARE(d.channels.size(), 2);

        const QxfChannel &colour = d.channels.at(0);
        QCOMPARE(colour.name, QStringLiteral("Colour"));
        QCOMPARE(colour.group, QStringLiteral("Colour"));
        QCOMPARE(colour.groupByte, 1);
        QCOMPARE(colour.defaultValue, 12);
        QCOMPARE(colour.capabilities.size(), 2);
        QCOMPARE(colour.capabilities.at(0).preset, QStringLiteral("ColorMacro"));
        QVERIFY(colour.capabilities.at(0).hasResource);
        QCOMPARE(colour.capabilities.at(1).text, QStringLiteral("Macro wheel"));
        QCOMPARE(colour.capabilities.at(1).aliasCount, 2);
        QCOMPARE(colour.capabilities.at(1).min, 10);
        QCOMPARE(colour.capabilities.at(1).max, 255);
        QVERIFY(!colour.capabilities.at(1).hasResource);
        QCOMPARE(d.channels.at(1).colour, QStringLiteral("Red"));
        QCOMPARE(d.channels.at(1).defaultValue, -1);

        QCOMPARE(d.modes.size(), 2);
        const QxfMode &b = d.modes.at(0);
        QCOMPARE(b.channels, QStringList({QStringLiteral("Colour"), QStringLiteral("Red")})); // by Number
        QVERIFY(b.problem.isEmpty());
        QCOMPARE(b.headCount, 1);
        QCOMPARE(b.actsOnCount, 1);
        QVERIFY(b.hasPhysical);
        QCOMPARE(d.modes.at(1).problem, QStringLiteral("its channel numbers are not 0 to 1, each once"));
    }

    void refusesDefinition_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("reason");
        QTest::newRow("broken") << qxfsamples::broken()
                                << QStringLiteral("not well-formed XML at line 5, column 1: Premature end of "
                                                  "document.");
        QTest::newRow("empty") << QByteArray()
                               << QStringLiteral("not well-formed XML at line 1, column 1: Premature end of document.");
        QTest::newRow("root") << QByteArray("<Workspace xmlns=\"http://www.qlcplus.org/FixtureDefinition\"/>")
                              << QStringLiteral("its root element is <Workspace>, not <FixtureDefinition>");
        QTest::newRow("namespace") << QByteArray("<FixtureDefinition xmlns=\"http://example.com/x\"/>")
                                   << QStringLiteral("its namespace is http://example.com/x, not "
                                                     "http://www.qlcplus.org/FixtureDefinition");
        QTest::newRow("two roots") << QByteArray("<FixtureDefinition/><FixtureDefinition/>")
                                   << QStringLiteral("not well-formed XML at line 1, column 41: Extra content at end "
                                                     "of document.");
    }
    void refusesDefinition()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, reason);
        QxfDefinition d;
        d.model = QStringLiteral("kept");
        const Outcome o = ParseQxf(xml, d);
        QVERIFY(!o);
        QCOMPARE(o.reason(), reason);
        QCOMPARE(d.model, QStringLiteral("kept"));
    }

    void readsFiles()
    {
        QTemporaryDir dir;
        QxfDefinition d;
        Outcome missing = ReadQxf(dir.filePath(QStringLiteral("none.qxf")), d);
        QCOMPARE(missing.reason(), QStringLiteral("none.qxf does not exist"));

        const QString big = dir.filePath(QStringLiteral("big.qxf"));
        QVERIFY(testsupport::writeAll(big, QByteArray(int(MaxQxfFileSize) + 1, ' ')));
        QCOMPARE(ReadQxf(big, d).reason(),
                 QStringLiteral("big.qxf is larger than 4194304 bytes; it is no fixture definition"));

        const QString broken = dir.filePath(QStringLiteral("broken.qxf"));
        QVERIFY(testsupport::writeAll(broken, qxfsamples::broken()));
        QVERIFY(ReadQxf(broken, d).reason().startsWith(QStringLiteral("broken.qxf: not well-formed XML at line 5")));

        // The summary stops before the channels, so a definition broken further on still
        // lists; a wrong root does not.
        QxfSummary summary;
        const QString head = dir.filePath(QStringLiteral("head.qxf"));
        QVERIFY(testsupport::writeAll(
            head, qxfsamples::definition("<Manufacturer>Acme</Manufacturer><Model>Head</Model><Type>Dimmer</Type>"
                                         "<Channel Name=\"A\"><Group>")
                      .replace("</FixtureDefinition>\n", "")));
        QVERIFY(ReadQxfSummary(head, summary));
        QCOMPARE(summary.manufacturer, QStringLiteral("Acme"));
        QCOMPARE(summary.model, QStringLiteral("Head"));
        QCOMPARE(summary.type, QStringLiteral("Dimmer"));
        QVERIFY(!ReadQxf(head, d));
        const QString root = dir.filePath(QStringLiteral("root.qxf"));
        QVERIFY(testsupport::writeAll(root, "<Workspace/>"));
        QCOMPARE(ReadQxfSummary(root, summary).reason(),
                 QStringLiteral("root.qxf: its root element is <Workspace>, not <FixtureDefinition>"));
    }

    void modeFit_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("problem");
        QTest::newRow("16 channels") << qxfsamples::movingHead() << 0 << 16 << int(QxfModeProblem::None) << QString();
        QTest::newRow("17 channels") << qxfsamples::movingHead() << 1 << 17 << int(QxfModeProblem::TooManyChannels)
                                     << QStringLiteral("17 channels; a profile holds at most 16");
        QTest::newRow("no such mode") << qxfsamples::movingHead() << 2 << 0 << int(QxfModeProblem::NoSuchMode)
                                      << QStringLiteral("the definition has no mode 3");
        QTest::newRow("without modes") << qxfsamples::withoutModes() << 0 << 0 << int(QxfModeProblem::NoModes)
                                       << QStringLiteral("the definition has no modes");
        QTest::newRow("empty mode") << qxfsamples::definition("<Model>E</Model><Mode Name=\"E\"/>") << 0 << 0
                                    << int(QxfModeProblem::NoChannels) << QStringLiteral("it has no channels");
        QTest::newRow("undefined") << qxfsamples::definition(
            "<Model>U</Model><Mode Name=\"U\"><Channel Number=\"0\">Ghost</Channel></Mode>")
                                   << 0 << 1 << int(QxfModeProblem::UndefinedChannel)
                                   << QStringLiteral("its channel \"Ghost\" is not defined");
        QTest::newRow("numbers") << qxfsamples::definition(
            "<Model>N</Model><Channel Name=\"A\"/><Mode Name=\"N\"><Channel Number=\"0\">A</Channel>"
            "<Channel Number=\"0\">A</Channel></Mode>")
                                 << 0 << 2 << int(QxfModeProblem::Numbering)
                                 << QStringLiteral("its channel numbers are not 0 to 1, each once");
    }
    void modeFit()
    {
        QFETCH(QByteArray, xml);
        QFETCH(int, mode);
        QFETCH(int, channels);
        QFETCH(int, kind);
        QFETCH(QString, problem);
        const QxfDefinition d = parsed(xml);
        const QxfModeFit fit = CheckQxfMode(d, mode);
        QCOMPARE(fit.channelCount, channels);
        QCOMPARE(int(fit.kind), kind);
        QCOMPARE(fit.problem, problem);

        ImportedFixture f;
        f.warnings << QStringLiteral("kept");
        const Outcome o = ConvertQxfMode(d, mode, f);
        QCOMPARE(bool(o), problem.isEmpty());
        if (!o) {
            QCOMPARE(o.reason(), problem);
            QCOMPARE(f.warnings, QStringList(QStringLiteral("kept")));
        }
    }

    void convert_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<int>>("setup"); // pan, pan fine, tilt, tilt fine, master mask, black, black value
        QTest::addColumn<QList<int>>("names");
        QTest::addColumn<QList<int>>("fades");
        QTest::addColumn<QList<int>>("steps");
        QTest::addColumn<QStringList>("warnings");

        // Built-in names: Pan 0, Pan Fine 1, Tilt 2, Tlt Fine 3, P/T Spd 4, Shutter 5, Dimmer 6,
        // Focus 7, Zoom 8, Color 9, Red 14, Green 15, Blue 16, Gobo1 22, Gobo1Rot 23, Gobo2 24,
        // Gobo2Rot 25, Prism 28, Effect 32, Function 35, CHAN.01 42 ... CHAN.16 57.
        QTest::newRow("moving head")
            << qxfsamples::movingHead() << 0 << QStringLiteral("Spot 300 Standard")
            << QList<int>{1, 2, 3, 4, 0x0020, 7, 15}
            << QList<int>{0, 1, 2, 3, 4, 6, 5, 9, 22, 23, 24, 25, 28, 7, 8, 35}
            << QList<int>{1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0}
            << QList<int>{1, 1, 1, 1, 1, 1, 3, 4, 4, 3, 3, 3, 2, 1, 1, 2}
            << QStringList{Physical, QStringLiteral("The colours and pictures of 5 capabilities are not kept."),
                           QStringLiteral("Default values are not kept: Chan 1 at 128, Chan 3 at 128.")};
        QTest::newRow("dimmer") << qxfsamples::dimmer() << 0 << QStringLiteral("Dimmer Pack")
                                << QList<int>{0, 0, 0, 0, 0x0001, 1, 0} << QList<int>{6} << QList<int>{1}
                                << QList<int>{1} << QStringList();
        QTest::newRow("rgb bar 3") << qxfsamples::rgbBar() << 0 << QStringLiteral("LED Bar 2 3ch")
                                   << QList<int>{0, 0, 0, 0, 0x0007, 255, 0} << QList<int>{14, 15, 16}
                                   << QList<int>{1, 1, 1} << QList<int>{1, 1, 1}
                                   << QStringList{QStringLiteral("No dimmer: the master channels are the colour "
                                                                 "channels Chan 1, Chan 2, Chan 3."),
                                                  BlackAll};
        QTest::newRow("rgb bar 6") << qxfsamples::rgbBar() << 1 << QStringLiteral("LED Bar 2 6ch")
                                   << QList<int>{0, 0, 0, 0, 0x003F, 255, 0} << QList<int>{14, 15, 16, 45, 46, 47}
                                   << QList<int>{1, 1, 1, 1, 1, 1} << QList<int>{1, 1, 1, 1, 1, 1}
                                   << QStringList{QStringLiteral("The mode drives 2 heads; the profile holds them as "
                                                                 "one fixture."),
                                                  QStringLiteral("No dimmer: the master channels are the colour "
                                                                 "channels Chan 1, Chan 2, Chan 3, Chan 4, Chan 5, "
                                                                 "Chan 6."),
                                                  BlackAll};
        QTest::newRow("byte 1 fine channels")
            << qxfsamples::scanner() << 0 << QStringLiteral("Scan 250") << QList<int>{1, 2, 3, 4, 0x0010, 7, 251}
            << QList<int>{0, 1, 2, 3, 6, 47, 5} << QList<int>{1, 1, 1, 1, 1, 1, 0} << QList<int>{1, 1, 1, 1, 1, 1, 3}
            << QStringList();
        QTest::newRow("preset dimmer first") << qxfsamples::mixedDimmers() << 0 << QStringLiteral("Mixed")
                                             << QList<int>{0, 0, 0, 0, 0x0002, 2, 0} << QList<int>{42, 6}
                                             << QList<int>{1, 1} << QList<int>{1, 1} << QStringList();
        QTest::newRow("60 capabilities")
            << qxfsamples::manyCapabilities() << 0 << QStringLiteral("Effect 60 Macros")
            << QList<int>{0, 0, 0, 0, 0, 255, 0} << QList<int>{32} << QList<int>{0} << QList<int>{50}
            << QStringList{QStringLiteral("Chan 1 \"Macros\": more than 50 steps; capabilities 50 to 60 (\"Macro 50\" "
                                          "to \"Macro 60\", DMX 196 to 239) are merged into step 50."),
                           NoMaster, BlackAll};
        QTest::newRow("60 in pairs") << qxfsamples::manyCapabilities() << 1 << QStringLiteral("Effect 60 Colours")
                                     << QList<int>{0, 0, 0, 0, 0, 255, 0} << QList<int>{9} << QList<int>{0}
                                     << QList<int>{30}
                                     << QStringList{QStringLiteral("Chan 1 \"Colours\": 60 capabilities; neighbours of "
                                                                   "the same name are merged into one step each."),
                                                    NoMaster, BlackAll};
        QTest::newRow("odd capabilities")
            << qxfsamples::oddCapabilities() << 0 << QStringLiteral("Odd One") << QList<int>{2, 0, 0, 0, 0, 255, 0}
            << QList<int>{32, 0, 44}
            << QList<int>{0, 1, 1} << QList<int>{6, 1, 1}
            << QStringList{
                   QStringLiteral("1 of the mode's channels act on another channel; that link is not kept."),
                   QStringLiteral("The channel name \"Odd\" is defined more than once; the first definition is used."),
                   QStringLiteral("Chan 1 \"Odd\": capability 2 \"Broken\" has no valid Min and Max; it is left out."),
                   QStringLiteral("Chan 1 \"Odd\": capability \"Backwards\" runs downwards from 40 to 30; it is taken "
                                  "as 30 to 40."),
                   QStringLiteral("Chan 1 \"Odd\": capability \"Too far\" runs from 250 to 300; it is cut to 250 to "
                                  "255."),
                   QStringLiteral("Chan 1 \"Odd\": 1 of its capabilities switch channels of other modes (aliases); "
                                  "the switch is not kept."),
                   QStringLiteral("Chan 3 \"Pan B\": another pan channel; the profile's pan channel is Chan 2."),
                   NoMaster, BlackAll};
    }
    void convert()
    {
        QFETCH(QByteArray, xml);
        QFETCH(int, mode);
        QFETCH(QString, name);
        QFETCH(QList<int>, setup);
        QFETCH(QList<int>, names);
        QFETCH(QList<int>, fades);
        QFETCH(QList<int>, steps);
        QFETCH(QStringList, warnings);

        const ImportedFixture f = converted(xml, mode);
        const FixtureProfile &p = f.profile;
        QCOMPARE(p.header.marker.text(), QStringLiteral("!Zelvar71!"));
        QCOMPARE(int(p.setup.channelCount), names.size());
        QCOMPARE(p.setup.fixtureName.text(), name.leftJustified(18, QLatin1Char(' ')));
        const QList<int> shown{p.setup.panCoarse,  p.setup.panFine,      p.setup.tiltCoarse, p.setup.tiltFine,
                               p.setup.masterMask, p.setup.blackChannel, p.setup.blackValue};
        QCOMPARE(shown, setup);
        QCOMPARE(nameIds(p), names);
        QCOMPARE(fadeModes(p), fades);
        QCOMPARE(stepCounts(p), steps);
        QCOMPARE(f.warnings, warnings);
        for (int c = p.setup.channelCount; c < MaxChannels; ++c)
            QCOMPARE(p.channels[size_t(c)], ChannelEntry{});
        QCOMPARE(f.channels.size(), names.size());
        for (int c = 0; c < names.size(); ++c)
            QCOMPARE(int(f.channels.at(c).nameId), names.at(c));

        FixtureProfile prepared = p;
        PrepareForSave(prepared);
        QCOMPARE(prepared.header.duplicateFlag, qint16(0));
        QCOMPARE(prepared, p);
    }

    void steps_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QStringList>("steps"); // name, from, to, step value

        const QByteArray head = qxfsamples::movingHead();
        QTest::newRow("pan") << head << 0 << 1 << QStringList{"Pan 0 255 127"};
        QTest::newRow("tilt fine") << head << 0 << 4 << QStringList{"TiltFine 0 255 127"};
        QTest::newRow("shutter") << head << 0 << 7
                                 << QStringList{"Closed 0 31 15", "Open 32 63 47", "Strb S-F 64 255 159"};
        QTest::newRow("colour wheel") << head << 0 << 8
                                      << QStringList{"White 0 15 7", "Red 16 31 23", "LghtBlue 32 47 39",
                                                     "RanbwS-F 48 255 151"};
        QTest::newRow("gobo wheel") << head << 0 << 9
                                    << QStringList{"Open 0 15 7", "Gobo 1 16 31 23", "Gobo 2 32 47 39",
                                                   "Gb1ShS-F 48 255 151"};
        QTest::newRow("gobo rotation") << head << 0 << 10
                                       << QStringList{"No Rot 0 9 4", "CW F-S 10 127 68", "CCW S-F 128 255 191"};
        QTest::newRow("prism") << head << 0 << 13 << QStringList{"Off 0 127 63", "3-fcPrsm 128 255 191"};
        QTest::newRow("control") << head << 0 << 16 << QStringList{"NoFunc 0 99 49", "Reset 100 255 177"};
        QTest::newRow("closed without preset") << qxfsamples::scanner() << 0 << 7
                                               << QStringList{"Open 0 7 3", "Strobe 8 247 127", "Closed 248 255 251"};
        QTest::newRow("same names, empty, cut")
            << qxfsamples::oddCapabilities() << 0 << 1
            << QStringList{"Open 0 9 4", "Open2 20 29 24", "Bwd 30 40 35", "41-49 41 49 45", "open3 50 59 54",
                           "Too far 250 255 252"};
        QTest::newRow("one step a channel") << qxfsamples::dimmer() << 0 << 1 << QStringList{"Int 0 255 127"};
        QTest::newRow("no valid capability") << qxfsamples::noValidCapability() << 0 << 1
                                             << QStringList{"Macro 0 255 127"};
    }
    void steps()
    {
        QFETCH(QByteArray, xml);
        QFETCH(int, mode);
        QFETCH(int, channel);
        QFETCH(QStringList, steps);
        QCOMPARE(stepTexts(converted(xml, mode).profile, channel), steps);
    }

    void fiftySteps()
    {
        const FixtureProfile macros = converted(qxfsamples::manyCapabilities(), 0).profile;
        const QStringList macroSteps = stepTexts(macros, 1);
        QCOMPARE(macroSteps.size(), 50);
        QCOMPARE(macroSteps.at(0), QStringLiteral("Macro 1 0 3 1"));
        QCOMPARE(macroSteps.at(48), QStringLiteral("Macro 49 192 195 193"));
        QCOMPARE(macroSteps.at(49), QStringLiteral("Mac 50+ 196 239 217"));

        const QStringList pairs = stepTexts(converted(qxfsamples::manyCapabilities(), 1).profile, 1);
        QCOMPARE(pairs.size(), 30);
        QCOMPARE(pairs.at(0), QStringLiteral("Col 1 0 7 3"));
        QCOMPARE(pairs.at(29), QStringLiteral("Col 30 232 239 235"));
    }

    void shortNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("fits") << QStringLiteral("Open") << QStringLiteral("Open");
        QTest::newRow("eight") << QStringLiteral("Gobo 1 2") << QStringLiteral("Gobo 1 2");
        QTest::newRow("abbreviated") << QStringLiteral("Strobe slow to fast") << QStringLiteral("Strb S-F");
        QTest::newRow("arrow") << QStringLiteral("Strobe fast -> slow") << QStringLiteral("Strb F-S");
        QTest::newRow("no function") << QStringLiteral("No function") << QStringLiteral("NoFunc");
        QTest::newRow("vowels") << QStringLiteral("Shutter closed") << QStringLiteral("ShutClsd");
        QTest::newRow("longest word first") << QStringLiteral("Dark green") << QStringLiteral("DarkGren");
        QTest::newRow("numbers stay") << QStringLiteral("Red 100% Green 0%") << QStringLiteral("R100%G0%");
        QTest::newRow("brackets") << QStringLiteral("Strobe (slow to fast)") << QStringLiteral("Strb S-F");
        QTest::newRow("filler words") << QStringLiteral("Lamp on and off") << QStringLiteral("LmpOnOff");
        QTest::newRow("counter-clockwise") << QStringLiteral("CCW rotation fast to slow")
                                           << QStringLiteral("CCWRtF-S");
        QTest::newRow("cut at last") << QStringLiteral("Colour wheel rotation clockwise slow to fast")
                                     << QStringLiteral("CWRCWS-F");
        QTest::newRow("accents") << QStringLiteral("Caf\u00e9 cr\u00e8me") << QStringLiteral("CafeCrem");
        QTest::newRow("sharp s") << QStringLiteral("Wei\u00df") << QStringLiteral("Weiss");
        QTest::newRow("blanks") << QStringLiteral("  a   b  ") << QStringLiteral("a b");
        QTest::newRow("not latin") << QStringLiteral("\u8d64") << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void shortNames()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QCOMPARE(ShortStepName(text), name);
        QVERIFY(ShortStepName(text).size() <= 8);
    }

    void fixtureNames_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QStringList>("modes");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("one mode, cut") << QStringLiteral("MAC 250 Krypton Extended Version")
                                       << QStringList{"Anything"} << QStringList{"MAC 250 Krypton Ex"};
        QTest::newRow("channel tags") << QStringLiteral("Par 64") << QStringList{"3 Channel", "7-channel mode"}
                                      << QStringList{"Par 64 3ch", "Par 64 7ch"};
        QTest::newRow("numbered modes") << QStringLiteral("Par 64") << QStringList{"Mode 1", "Mode 2"}
                                        << QStringList{"Par 64 M1", "Par 64 M2"};
        QTest::newRow("model cut for the tag")
            << QStringLiteral("MAC250 Krypton") << QStringList{"16 Bt (16 Bit Mode)", "16 Ex (16 Bit Extended)"}
            << QStringList{"MAC250 Krypto 16Bt", "MAC250 Krypto 16Ex"};
        QTest::newRow("brackets tell apart") << QStringLiteral("Par 64")
                                             << QStringList{"8 Channel", "8 Channel (16 bit)"}
                                             << QStringList{"Par 64 8ch", "Par 64 8ch16Bit"};
        QTest::newRow("same names") << QStringLiteral("Par 64") << QStringList{"Standard", "Standard", "Basic"}
                                    << QStringList{"Par 64 M1", "Par 64 M2", "Par 64 Basic"};
        QTest::newRow("number taken") << QStringLiteral("Par 64") << QStringList{"M2", "Std", "Std"}
                                      << QStringList{"Par 64 M2", "Par 64 #2", "Par 64 M3"};
        QTest::newRow("accents") << QStringLiteral("Lumi\u00e8re") << QStringList{"A"} << QStringList{"Lumiere"};
    }
    void fixtureNames()
    {
        QFETCH(QString, model);
        QFETCH(QStringList, modes);
        QFETCH(QStringList, names);
        QxfDefinition d;
        d.model = model;
        for (const QString &m : modes)
            d.modes.append(QxfMode{m, {}, {}, 0, 0, false});
        QStringList made;
        for (int i = 0; i < modes.size(); ++i)
            made << ImportedFixtureName(d, i);
        QCOMPARE(made, names);
    }

    void fileNames()
    {
        QxfDefinition d;
        d.model = QStringLiteral("MAC 250/Krypton");
        d.modes.append(QxfMode{QStringLiteral("16 Bt (16 Bit Mode)"), {}, {}, 0, 0, false});
        QCOMPARE(ImportedFileName(d, 0), QStringLiteral("MAC_250_Krypton-16_Bt_16_Bit_Mode.zff"));
        QCOMPARE(ImportedFileName(d, -1), QStringLiteral("MAC_250_Krypton.zff"));
        d.model = QStringLiteral("..");
        QCOMPARE(ImportedFileName(d, -1), QStringLiteral("fixture.zff"));
    }

    // The file of a converted dimmer, byte by byte from the .zff layout.
    void writtenBytes()
    {
        FixtureProfile p = converted(qxfsamples::dimmer(), 0).profile;
        PrepareForSave(p);
        QByteArray bytes;
        QVERIFY(EncodeProfile(p, bytes));
        const QByteArray expected = testsupport::hex("00000000 0000") + "!Zelvar71!" + testsupport::hex("01")
            + testsupport::padded("Dimmer Pack", 18) + testsupport::hex("01 00 01 00 00 00 00 00")
            + testsupport::hex("06 01 01") + QByteArray(45, '\0') + testsupport::padded("Int", 8)
            + testsupport::hex("00 ff 7f");
        QCOMPARE(bytes, expected);
    }

    // A saved import is read back with the duplicate flag clear and goes into a download set.
    void acceptedIntoDownloadSet()
    {
        QTemporaryDir dir;
        QStringList files;
        int n = 0;
        for (const QByteArray &xml : {qxfsamples::movingHead(), qxfsamples::rgbBar(), qxfsamples::scanner()}) {
            FixtureProfile p = converted(xml, 0).profile;
            PrepareForSave(p);
            files << dir.filePath(QStringLiteral("f%1.zff").arg(++n));
            QVERIFY(WriteProfile(p, files.last()));
            FixtureProfile read;
            QVERIFY(ReadProfile(files.last(), read));
            QCOMPARE(read.header.duplicateFlag, qint16(0));
            QCOMPARE(read.setup, p.setup);
            ProfileHeader header;
            QVERIFY(ReadProfileHeader(files.last(), header));
            QCOMPARE(header.duplicateFlag, qint16(0));
        }
        ChannelNameTable names;
        names.LoadDefaultNames();
        QVERIFY(SaveChannelNames(dir.path(), names));
        ComposedSet set;
        QVERIFY(ComposeDownloadSet(files, dir.filePath(QStringLiteral("ChNameDown.fix")), set));
        QCOMPARE(set.image.at(FixtureCountOffset), char(3));
        // The moving head's name-id row: its 16 built-in names.
        QCOMPARE(set.image.mid(NameIdTableOffset + NameIdRowSize, 16),
                 testsupport::hex("00 01 02 03 04 06 05 09 16 17 18 19 1c 07 08 23"));
    }
};

QTEST_GUILESS_MAIN(TestQxfImport)
#include "tst_qxfimport.moc"
