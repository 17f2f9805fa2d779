// The QLC+ import without windows: reading .qxf definitions, which modes a profile can hold,
// and the profile a mode gives (channels, pan, tilt, master, black, names, steps, notes):
// channel names by function from a channel-name table that grows, readable step and
// fixture names, and the report of a library run.
#include "qxfsamples.h"
#include "testsupport.h"

#include "channames/channelnamefiles.h"
#include "downloadset/downloadsetfile.h"
#include "fixture/zfffile.h"
#include "fixtureimport/importlibrary.h"
#include "fixtureimport/importtext.h"
#include "qxfimport/qxfconversion.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

using namespace zelvar;

namespace {

QxfDefinition parsed(const QByteArray &xml)
{
    QxfDefinition d;
    if (Outcome o = ParseQxf(xml, d); !o)
        qFatal("sample not read: %s", qPrintable(o.reason()));
    return d;
}

ChannelNameTable builtInNames()
{
    ChannelNameTable names;
    names.LoadDefaultNames();
    return names;
}

ImportedFixture converted(const QByteArray &xml, int mode, ChannelNameTable &names)
{
    ImportedFixture f;
    if (Outcome o = ConvertQxfMode(parsed(xml), mode, names, f); !o)
        qFatal("sample not converted: %s", qPrintable(o.reason()));
    return f;
}
ImportedFixture converted(const QByteArray &xml, int mode)
{
    ChannelNameTable names = builtInNames();
    return converted(xml, mode, names);
}

// The channels' names as the table holds them, by the nameId each channel stores.
QStringList channelNames(const FixtureProfile &p, const ChannelNameTable &names)
{
    QStringList texts;
    for (int c = 0; c < p.setup.channelCount; ++c) {
        const int id = p.channels[size_t(c)].nameId;
        texts << (id < BuiltInNameCount ? QString::fromLatin1(DefaultNames[size_t(id)])
                                        : withoutTrailingBlanks(names.entries[size_t(id)].name.text()));
    }
    return texts;
}

// Each step as "name from to step", the name without its trailing blanks.
QStringList stepTexts(const FixtureProfile &p, int channel)
{
    QStringList texts;
    for (int s = 1; s <= p.channels[size_t(channel - 1)].stepCount; ++s) {
        const StepRecord &r = p.steps[size_t(FixtureProfile::slotOf(channel, s))];
        // The name is no format: a "%" in it stays as it is.
        texts << withoutTrailingBlanks(r.name.text())
                + QStringLiteral(" %1 %2 %3").arg(r.fromDmx).arg(r.toDmx).arg(r.stepDmx);
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
                 QStringLiteral("big.qxf is 4194305 bytes long; a fixture definition has at most 4194304 bytes"));

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
        ChannelNameTable names;
        const Outcome o = ConvertQxfMode(d, mode, names, f);
        QCOMPARE(bool(o), problem.isEmpty());
        if (!o) {
            QCOMPARE(o.reason(), problem);
            QCOMPARE(f.warnings, QStringList(QStringLiteral("kept")));
            QCOMPARE(names, ChannelNameTable());
        }
    }

    void convert_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<int>>("setup"); // pan, pan fine, tilt, tilt fine, master mask, black, black value
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("added"); // to the table of built-in names, from entry 59 on
        QTest::addColumn<QList<int>>("fades");
        QTest::addColumn<QList<int>>("steps");
        QTest::addColumn<QStringList>("warnings");

        QTest::newRow("moving head")
            << qxfsamples::movingHead() << 0 << QStringLiteral("Spot 300 Standard")
            << QList<int>{1, 2, 3, 4, 0x0020, 7, 15}
            << QStringList{"Pan", "Pan Fine", "Tilt", "Tlt Fine", "P/T Spd", "Dimmer", "Shutter", "Color", "Gobo1",
                           "Gobo1Rot", "Gobo2", "Gobo2Rot", "Prism", "Focus", "Zoom", "Function"}
            << QStringList() << QList<int>{1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0}
            << QList<int>{1, 1, 1, 1, 1, 1, 3, 4, 4, 3, 3, 3, 2, 1, 1, 2}
            << QStringList{Physical, QStringLiteral("The colours and pictures of 5 capabilities are not kept."),
                           QStringLiteral("Default values are not kept: Chan 1 at 128, Chan 3 at 128.")};
        QTest::newRow("dimmer") << qxfsamples::dimmer() << 0 << QStringLiteral("Dimmer Pack")
                                << QList<int>{0, 0, 0, 0, 0x0001, 1, 0} << QStringList{"Dimmer"} << QStringList()
                                << QList<int>{1} << QList<int>{1} << QStringList();
        QTest::newRow("rgb bar 3") << qxfsamples::rgbBar() << 0 << QStringLiteral("LED Bar 2 3ch")
                                   << QList<int>{0, 0, 0, 0, 0x0007, 255, 0} << QStringList{"Red", "Green", "Blue"}
                                   << QStringList() << QList<int>{1, 1, 1} << QList<int>{1, 1, 1}
                                   << QStringList{QStringLiteral("No dimmer: the master channels are the colour "
                                                                 "channels Chan 1, Chan 2, Chan 3."),
                                                  BlackAll};
        QTest::newRow("rgb bar 6") << qxfsamples::rgbBar() << 1 << QStringLiteral("LED Bar 2 6ch")
                                   << QList<int>{0, 0, 0, 0, 0x003F, 255, 0}
                                   << QStringList{"Red", "Green", "Blue", "Red 2", "Green 2", "Blue 2"}
                                   << QStringList{"Red 2", "Green 2", "Blue 2"} << QList<int>{1, 1, 1, 1, 1, 1}
                                   << QList<int>{1, 1, 1, 1, 1, 1}
                                   << QStringList{QStringLiteral("The mode drives 2 heads; the profile holds them as "
                                                                 "one fixture."),
                                                  QStringLiteral("No dimmer: the master channels are the colour "
                                                                 "channels Chan 1, Chan 2, Chan 3, Chan 4, Chan 5, "
                                                                 "Chan 6."),
                                                  BlackAll};
        QTest::newRow("byte 1 fine channels")
            << qxfsamples::scanner() << 0 << QStringLiteral("Scan 250") << QList<int>{1, 2, 3, 4, 0x0010, 7, 251}
            << QStringList{"Pan", "Pan Fine", "Tilt", "Tlt Fine", "Dimmer", "Dim Fine", "Shutter"}
            << QStringList{"Dim Fine"} << QList<int>{1, 1, 1, 1, 1, 1, 0} << QList<int>{1, 1, 1, 1, 1, 1, 3}
            << QStringList();
        QTest::newRow("preset dimmer first") << qxfsamples::mixedDimmers() << 0 << QStringLiteral("Mixed")
                                             << QList<int>{0, 0, 0, 0, 0x0002, 2, 0}
                                             << QStringList{"Prism", "Dimmer"} << QStringList()
                                             << QList<int>{1, 1} << QList<int>{1, 1} << QStringList();
        QTest::newRow("60 capabilities")
            << qxfsamples::manyCapabilities() << 0 << QStringLiteral("Effect 60 Macros")
            << QList<int>{0, 0, 0, 0, 0, 255, 0} << QStringList{"Macros"} << QStringList() << QList<int>{0}
            << QList<int>{50}
            << QStringList{QStringLiteral("Chan 1 \"Macros\": more than 50 steps; capabilities 50 to 60 (\"Macro 50\" "
                                          "to \"Macro 60\", DMX 196 to 239) are merged into step 50."),
                           NoMaster, BlackAll};
        QTest::newRow("60 in pairs") << qxfsamples::manyCapabilities() << 1 << QStringLiteral("Effect 60 Colours")
                                     << QList<int>{0, 0, 0, 0, 0, 255, 0} << QStringList{"Color"} << QStringList()
                                     << QList<int>{0} << QList<int>{30}
                                     << QStringList{QStringLiteral("Chan 1 \"Colours\": 60 capabilities; neighbours of "
                                                                   "the same name are merged into one step each."),
                                                    NoMaster, BlackAll};
        QTest::newRow("odd capabilities")
            << qxfsamples::oddCapabilities() << 0 << QStringLiteral("Odd One") << QList<int>{2, 0, 0, 0, 0, 255, 0}
            << QStringList{"Effect", "Pan", "Pan 2"} << QStringList{"Pan 2"} << QList<int>{0, 1, 1}
            << QList<int>{6, 1, 1}
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
        QFETCH(QStringList, names);
        QFETCH(QStringList, added);
        QFETCH(QList<int>, fades);
        QFETCH(QList<int>, steps);
        QFETCH(QStringList, warnings);

        ChannelNameTable table = builtInNames();
        const ChannelNameTable before = table;
        const ImportedFixture f = converted(xml, mode, table);
        const FixtureProfile &p = f.profile;
        QCOMPARE(p.header.marker.text(), QStringLiteral("!Zelvar71!"));
        QCOMPARE(int(p.setup.channelCount), names.size());
        QCOMPARE(p.setup.fixtureName.text(), name.leftJustified(18, QLatin1Char(' ')));
        const QList<int> shown{p.setup.panCoarse,  p.setup.panFine,      p.setup.tiltCoarse, p.setup.tiltFine,
                               p.setup.masterMask, p.setup.blackChannel, p.setup.blackValue};
        QCOMPARE(shown, setup);
        QCOMPARE(channelNames(p, table), names);
        QCOMPARE(fadeModes(p), fades);
        QCOMPARE(stepCounts(p), steps);
        QCOMPARE(f.warnings, warnings);
        for (int c = p.setup.channelCount; c < MaxChannels; ++c)
            QCOMPARE(p.channels[size_t(c)], ChannelEntry{});

        // The added names went into entries 59, 60, ... in turn; nothing else changed.
        QCOMPARE(f.addedNames, added);
        for (int i = 0; i < ChannelNameCount; ++i) {
            if (i >= 59 && i < 59 + added.size()) {
                QCOMPARE(table.entries[size_t(i)].name.text(), added.at(i - 59).leftJustified(8, QLatin1Char(' ')));
                QCOMPARE(int(table.entries[size_t(i)].nameId), i);
            } else {
                QCOMPARE(table.entries[size_t(i)], before.entries[size_t(i)]);
            }
        }
        QCOMPARE(f.channels.size(), names.size());
        for (int c = 0; c < names.size(); ++c) {
            QCOMPARE(f.channels.at(c).name, names.at(c));
            QCOMPARE(f.channels.at(c).nameId, p.channels[size_t(c)].nameId);
            QCOMPARE(f.channels.at(c).nameAdded, added.contains(names.at(c)));
        }

        FixtureProfile prepared = p;
        PrepareForSave(prepared);
        QCOMPARE(prepared.header.duplicateFlag, qint16(0));
        QCOMPARE(prepared, p);

        // A second import of the same mode finds its names in the table and adds none.
        ChannelNameTable again = table;
        const ImportedFixture second = converted(xml, mode, again);
        QCOMPARE(second.addedNames, QStringList());
        QCOMPARE(again, table);
        QCOMPARE(second.profile, p);
    }

    // Each channel is named after its function: the preset, else the group, and the
    // function its own name states before either of them.
    void namesByFunction_data()
    {
        QTest::addColumn<QByteArray>("channel");
        QTest::addColumn<QString>("name");
        const auto row = [](const char *tag, const char *channel, const char *name) {
            QTest::newRow(tag) << QByteArray(channel) << QString::fromLatin1(name);
        };
        row("white preset", R"(<Channel Name="Warm white" Preset="IntensityWhite"/>)", "White");
        row("amber colour", R"(<Channel Name="A"><Group Byte="0">Intensity</Group><Colour>Amber</Colour></Channel>)",
            "Amber");
        row("uv preset", R"(<Channel Name="Violet" Preset="IntensityUV"/>)", "UV");
        row("lime preset", R"(<Channel Name="L" Preset="IntensityLime"/>)", "Lime");
        row("red, master", R"(<Channel Name="Master red" Preset="IntensityRed"/>)", "Red");
        row("master alone", R"(<Channel Name="Master"><Group Byte="0">Intensity</Group></Channel>)", "Dimmer");
        row("frost in beam", R"(<Channel Name="Frost"><Group Byte="0">Beam</Group></Channel>)", "Frost");
        row("beam alone", R"(<Channel Name="Beam shaper"><Group Byte="0">Beam</Group></Channel>)", "Beam");
        row("reset", R"(<Channel Name="Reset"><Group Byte="0">Maintenance</Group></Channel>)", "Reset");
        row("maintenance", R"(<Channel Name="Control"><Group Byte="0">Maintenance</Group></Channel>)", "Function");
        row("speed", R"(<Channel Name="Speed"><Group Byte="0">Speed</Group></Channel>)", "Speed");
        row("speed by preset", R"(<Channel Name="Speed" Preset="SpeedPanTiltFastSlow"/>)", "P/T Spd");
        row("pan/tilt speed", R"(<Channel Name="Pan/Tilt speed"><Group Byte="0">Speed</Group></Channel>)", "P/T Spd");
        row("dimmer speed", R"(<Channel Name="Dimmer speed"><Group Byte="0">Speed</Group></Channel>)", "Dim Spd");
        row("cto", R"(<Channel Name="CTO" Preset="ColorCTOMixer"/>)", "CTO");
        row("colour temperature", R"(<Channel Name="Colour temperature"><Group Byte="0">Colour</Group></Channel>)",
            "CTC");
        row("colour macros", R"(<Channel Name="Colour macros"><Group Byte="0">Colour</Group></Channel>)", "ColMacro");
        row("strobe", R"(<Channel Name="Strobe"><Group Byte="0">Shutter</Group></Channel>)", "Strobe");
        row("strobe by preset", R"(<Channel Name="S" Preset="ShutterStrobeSlowFast"/>)", "Strobe");
        row("first of its kind", R"(<Channel Name="Shutter, strobe, reset"><Group Byte="0">Shutter</Group></Channel>)",
            "Shutter");
        row("dimmer and strobe", R"(<Channel Name="Dimmer/Strobe" Preset="IntensityDimmer"/>)", "Dimmer");
        row("one function said", R"(<Channel Name="Fog" Preset="IntensityDimmer"/>)", "Fog");
        row("gobo index", R"(<Channel Name="Rotating gobo index"><Group Byte="0">Gobo</Group></Channel>)",
            "Gobo Rot");
        row("prism rotation", R"(<Channel Name="Prism rotation"><Group Byte="0">Prism</Group></Channel>)", "Prsm Rot");
        row("dimmer mode", R"(<Channel Name="Dimmer mode"><Group Byte="0">Maintenance</Group></Channel>)",
            "DimCurve");
        row("several, none of its kind",
            R"(<Channel Name="Lamp on/off, reset, programs"><Group Byte="0">Maintenance</Group></Channel>)", "Lamp");
        row("fine by byte", R"(<Channel Name="Dimmer fine"><Group Byte="1">Intensity</Group></Channel>)", "Dim Fine");
        row("fine by preset", R"(<Channel Name="R" Preset="IntensityRedFine"/>)", "Red Fine");
        row("fine by name", R"(<Channel Name="Zoom LSB" Preset="BeamZoomSmallBig"/>)", "ZoomFine");
        row("effect group", R"(<Channel Name="Ch 1"><Group Byte="0">Effect</Group></Channel>)", "Effect");
        row("nothing", R"(<Channel Name="Unused"><Group Byte="0">Nothing</Group></Channel>)", "Not Used");
        row("nothing known", R"(<Channel Name="Ch 1"/>)", "Special");
    }
    void namesByFunction()
    {
        QFETCH(QByteArray, channel);
        QFETCH(QString, name);
        ChannelNameTable table = builtInNames();
        const ImportedFixture f = converted(qxfsamples::oneMode("One", {channel}), 0, table);
        QCOMPARE(channelNames(f.profile, table), QStringList{name});
    }

    // Channels of one name in a fixture are numbered; two wheels of a kind take the
    // numbered built-in names.
    void numberedNames_data()
    {
        QTest::addColumn<QByteArrayList>("channels");
        QTest::addColumn<QStringList>("names");
        const QByteArray wheel = R"(<Channel Name="Colour wheel %1"><Group Byte="0">Colour</Group></Channel>)";
        const QByteArray gobo = R"(<Channel Name="Gobo wheel %1"><Group Byte="0">Gobo</Group></Channel>)";
        const QByteArray dimmer = R"(<Channel Name="Dimmer %1" Preset="IntensityDimmer"/>)";
        const QByteArray control = R"(<Channel Name="Control %1"><Group Byte="0">Maintenance</Group></Channel>)";
        const QByteArray panFine = R"(<Channel Name="Pan fine %1" Preset="PositionPanFine"/>)";
        const auto channels = [](const QByteArray &xml, int count) {
            QByteArrayList list;
            for (int i = 1; i <= count; ++i)
                list << QByteArray(xml).replace("%1", QByteArray::number(i));
            return list;
        };
        QTest::newRow("one wheel") << channels(wheel, 1) << QStringList{"Color"};
        QTest::newRow("two wheels") << channels(wheel, 2) << QStringList{"Color1", "Color2"};
        QTest::newRow("three gobo wheels") << channels(gobo, 3) << QStringList{"Gobo1", "Gobo2", "Gobo 3"};
        QStringList dimmers{"Dimmer"};
        for (int i = 2; i <= 16; ++i)
            dimmers << (i < 10 ? QStringLiteral("Dimmer %1") : QStringLiteral("Dimmer%1")).arg(i);
        QTest::newRow("16 dimmers") << channels(dimmer, 16) << dimmers;
        QTest::newRow("short form") << channels(control, 2) << QStringList{"Function", "Func 2"};
        QTest::newRow("preset dimmer first")
            << QByteArrayList{R"(<Channel Name="Level"><Group Byte="0">Intensity</Group></Channel>)",
                              R"(<Channel Name="Dim" Preset="IntensityDimmer"/>)",
                              R"(<Channel Name="Master" Preset="IntensityMasterDimmer"/>)"}
            << QStringList{"Dimmer 3", "Dimmer 2", "Dimmer"};
        QTest::newRow("no room for a blank") << channels(panFine, 2) << QStringList{"Pan Fine", "PanFine2"};
    }
    void numberedNames()
    {
        QFETCH(QByteArrayList, channels);
        QFETCH(QStringList, names);
        ChannelNameTable table = builtInNames();
        const ImportedFixture f = converted(qxfsamples::oneMode("Many", channels), 0, table);
        QCOMPARE(channelNames(f.profile, table), names);
        FixtureProfile p = f.profile;
        PrepareForSave(p);
        QCOMPARE(p.header.duplicateFlag, qint16(0));
    }

    // A full table: the closest built-in name still free, and only then "CHAN.nn", each with
    // a note; a name the table holds is still found.
    void fullTable()
    {
        ChannelNameTable table = builtInNames();
        for (int i = 59; i < 256; ++i)
            table.setName(i, QStringLiteral("U%1").arg(i));
        table.setName(200, QStringLiteral("Reset"));
        const ChannelNameTable before = table;
        const QByteArray xml = qxfsamples::oneMode(
            "Full", {R"(<Channel Name="White" Preset="IntensityWhite"/>)",
                     R"(<Channel Name="Amber" Preset="IntensityAmber"/>)",
                     R"(<Channel Name="UV" Preset="IntensityUV"/>)",
                     R"(<Channel Name="Lime" Preset="IntensityLime"/>)",
                     R"(<Channel Name="Reset"><Group Byte="0">Maintenance</Group></Channel>)"});
        const ImportedFixture f = converted(xml, 0, table);
        QCOMPARE(table, before);
        QCOMPARE(channelNames(f.profile, table), (QStringList{"Color1", "Color2", "Special", "CHAN.04", "Reset"}));
        QCOMPARE(f.warnings.mid(0, 4),
                 (QStringList{"Chan 1 \"White\": the channel-name table has no free entry for \"White\"; it is named "
                              "\"Color1\".",
                              "Chan 2 \"Amber\": the channel-name table has no free entry for \"Amber\"; it is named "
                              "\"Color2\".",
                              "Chan 3 \"UV\": the channel-name table has no free entry for \"UV\"; it is named "
                              "\"Special\".",
                              "Chan 4 \"Lime\": the channel-name table has no free entry for \"Lime\"; it is named "
                              "\"CHAN.04\"."}));
        QCOMPARE(f.addedNames, QStringList());
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
                                      << QStringList{"White 0 15 7", "Red 16 31 23", "Lt blue 32 47 39",
                                                     "Rnbw S-F 48 255 151"};
        QTest::newRow("gobo wheel") << head << 0 << 9
                                    << QStringList{"Open 0 15 7", "Gobo 1 16 31 23", "Gobo 2 32 47 39",
                                                   "Gobo1Shk 48 255 151"};
        QTest::newRow("gobo rotation") << head << 0 << 10
                                       << QStringList{"No Rot 0 9 4", "CW F-S 10 127 68", "CCW S-F 128 255 191"};
        QTest::newRow("prism") << head << 0 << 13 << QStringList{"Off 0 127 63", "3FctPrsm 128 255 191"};
        QTest::newRow("control") << head << 0 << 16 << QStringList{"NoFunc 0 99 49", "Reset 100 255 177"};
        QTest::newRow("closed without preset") << qxfsamples::scanner() << 0 << 7
                                               << QStringList{"Open 0 7 3", "Strobe 8 247 127", "Closed 248 255 251"};
        QTest::newRow("same names, empty, cut")
            << qxfsamples::oddCapabilities() << 0 << 1
            << QStringList{"Open 0 9 4", "Open2 20 29 24", "Bwd 30 40 35", "41-49 41 49 45", "open3 50 59 54",
                           "Too far 250 255 252"};
        QTest::newRow("same names ending in a number")
            << qxfsamples::oneMode("Gobos", {qxfsamples::channelWith(
                   "Gobos", {"0 9 Gobo 1", "10 19 Gobo 1", "20 29 Gobo 1 (spare)", "30 39 Red 100%",
                             "40 49 Red 100% Green 0%"})})
            << 0 << 1
            << QStringList{"Gobo 1 0 9 4", "Gobo 1b 10 19 14", "Gobo 1c 20 29 24", "Red 100% 30 39 34",
                           "Rd 100%b 40 49 44"};
        // The room for the suffix comes from the words, never from a number: only a name
        // of digits alone loses one.
        QTest::newRow("a suffix keeps the numbers")
            << qxfsamples::oneMode("Colours", {qxfsamples::channelWith(
                   "Colours", {"0 9 Blue 104", "10 19 Blue 104", "20 29 Blue 104", "30 39 Col 1234", "40 49 Col 1234",
                               "50 59 Rainbows", "60 69 Rainbows", "70 79 12345678", "80 89 12345678"})})
            << 0 << 1
            << QStringList{"Blue 104 0 9 4",   "Blu 104b 10 19 14", "Blu 104c 20 29 24",
                           "Col 1234 30 39 34", "Cl 1234b 40 49 44", "Rainbows 50 59 54",
                           "Rainbws2 60 69 64", "12345678 70 79 74", "1234567b 80 89 84"};
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

    // Beyond the 50th, the capabilities' ranges all go into step 50, whatever their order.
    void mergedTail_data()
    {
        QTest::addColumn<QByteArrayList>("tail");  // capabilities 50 and on, "from to text"
        QTest::addColumn<QString>("step");         // step 50 as "name from to step"
        QTest::newRow("51, ascending") << QByteArrayList{"200 209 Last", "210 255 Beyond"}
                                       << QStringLiteral("Last+ 200 255 227");
        QTest::newRow("51, descending") << QByteArrayList{"240 255 Last", "200 239 Beyond"}
                                        << QStringLiteral("Last+ 200 255 227");
        QTest::newRow("lowest and highest inside")
            << QByteArrayList{"220 229 Last", "200 209 Low", "245 255 High", "230 239 Mid"}
            << QStringLiteral("Last+ 200 255 227");
    }
    void mergedTail()
    {
        QFETCH(QByteArrayList, tail);
        QFETCH(QString, step);
        QByteArrayList capabilities;
        for (int i = 0; i < 49; ++i)
            capabilities << QByteArray::number(i * 4) + ' ' + QByteArray::number(i * 4 + 3) + " Step "
                    + QByteArray::number(i + 1);
        const QByteArray xml = qxfsamples::oneMode("Tail", {qxfsamples::channelWith("Tail", capabilities + tail)});
        const ImportedFixture f = converted(xml, 0);
        const QStringList steps = stepTexts(f.profile, 1);
        QCOMPARE(steps.size(), 50);
        QCOMPARE(steps.at(48), QStringLiteral("Step 49 192 195 193"));
        QCOMPARE(steps.at(49), step);
    }

    // A step name says what the capability does in a word or two: abbreviations a
    // technician knows, the number kept, blanks while there is room.
    void stepNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        const auto row = [](const char *text, const char *name) {
            QTest::newRow(text) << QString::fromUtf8(text) << QString::fromLatin1(name);
        };
        row("Open", "Open");
        row("Gobo 1 2", "Gobo 1 2");
        row("Prism inserted (0%-100%: 0.36 sec)", "Prism In");
        row("Strobe slow to fast", "Strb S-F");
        row("Strobe fast -> slow", "Strb F-S");
        row("Rotation clockwise", "Rot CW");
        row("Counter-clockwise rotation fast to slow", "CCW Rot");
        row("No function", "NoFunc");
        row("Shutter closed", "ShutClsd");
        row("Dark green", "Dark grn");
        row("Auto program 34", "AutPrg34");
        row("Built-in program 21", "Prg 21");
        row("Gobo 4 shake slow to fast", "Gobo4Shk");
        row("Colour wheel rotation clockwise slow to fast", "Col Whl");
        row("Sound-activated movement 7", "SndAct7");
        row("Strobe 4 (Random), fast to slow", "Strb4F-S");
        row("White 4 : 4,900K", "White 4");
        row("Open+Color1 (White+Red)", "OpenCol1");
        row("Lamp on and off", "LmpOnOff");
        row("Red+Green+Blue", "R+G+B");
        row("Red + Green + Amber + White + UV", "RGAWUV");
        row("Café crème", "Cafe crm");
        row("Weiß", "Weiss");
        row("  a   b  ", "a b");
        row("赤", "");
        row("", "");
    }
    void stepNames()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QCOMPARE(StepName(text), name);
    }

    // Any text gives a name of at most eight printable characters.
    void stepNamesFit()
    {
        QRandomGenerator random(71);
        const QString alphabet = QStringLiteral("aeiouAEIOU bcdfgRSTW0123456789()[]-+/&,.:;%\u00e9\u00df");
        for (int n = 0; n < 3000; ++n) {
            QString text;
            const int length = random.bounded(40);
            for (int i = 0; i < length; ++i)
                text += alphabet.at(random.bounded(int(alphabet.size())));
            const QString name = StepName(text);
            QVERIFY2(name.size() <= 8, qPrintable(text));
            const auto printable = [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; };
            QVERIFY2(std::all_of(name.cbegin(), name.cend(), printable), qPrintable(text));
            QCOMPARE(StepName(text, 7).size() <= 7, true);
        }
    }

    // The model's numbers and what tells it apart stay; common words and vowels go first.
    void fixtureNames_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QStringList>("modes");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("one mode, fits") << QStringLiteral("MAC 250 Krypton") << QStringList{"Anything"} << QStringList()
                                        << QStringList{"MAC 250 Krypton"};
        QTest::newRow("one mode, 18") << QStringLiteral("MAC 250 Krypton XT") << QStringList{"A"} << QStringList()
                                      << QStringList{"MAC 250 Krypton XT"};
        QTest::newRow("one mode, 19") << QStringLiteral("MAC 250 Krypton XTS") << QStringList{"A"} << QStringList()
                                      << QStringList{"MAC 250 Kryptn XTS"};
        QTest::newRow("channel tags") << QStringLiteral("Par 64") << QStringList{"3 Channel", "7-channel mode"}
                                      << QStringList() << QStringList{"Par 64 3ch", "Par 64 7ch"};
        QTest::newRow("numbered modes") << QStringLiteral("Par 64") << QStringList{"Mode 1", "Mode 2"} << QStringList()
                                        << QStringList{"Par 64 M1", "Par 64 M2"};
        QTest::newRow("common word first") << QStringLiteral("Roboscan Pro 918") << QStringList{"DMX 4", "DMX 6"}
                                           << QStringList() << QStringList{"Roboscan 918 DMX4", "Roboscan 918 DMX6"};
        QTest::newRow("vowels before words")
            << QStringLiteral("Impression WA") << QStringList{"Normal", "Compressed", "Extended"} << QStringList()
            << QStringList{"Imprssn WA Normal", "Imprssn WA Cmprssd", "Imprssn WA Extendd"};
        QTest::newRow("tag gives way to a number")
            << QStringLiteral("Intimidator Spot 250") << QStringList{"Advanced", "Basic"} << QStringList()
            << QStringList{"Intmdtr 250 Advncd", "Intmdtr 250 Basic"};
        QTest::newRow("brackets tell apart") << QStringLiteral("Par 64")
                                             << QStringList{"8 Channel", "8 Channel (16 bit)"} << QStringList()
                                             << QStringList{"Par 64 8ch", "Par 64 8ch16Bit"};
        QTest::newRow("same names") << QStringLiteral("Par 64") << QStringList{"Standard", "Standard", "Basic"}
                                    << QStringList() << QStringList{"Par 64 M1", "Par 64 M2", "Par 64 Basic"};
        QTest::newRow("number taken") << QStringLiteral("Par 64") << QStringList{"M2", "Std", "Std"} << QStringList()
                                      << QStringList{"Par 64 M2", "Par 64 #2", "Par 64 M3"};
        QTest::newRow("taken by another model") << QStringLiteral("Impression") << QStringList{"Normal", "Basic"}
                                                << QStringList{"IMPRESSION NORMAL"}
                                                << QStringList{"Impression M1", "Impression Basic"};
        QTest::newRow("every way taken") << QStringLiteral("Impression") << QStringList{"Normal"}
                                         << QStringList{"Impression"} << QStringList{"Impression ~2"};
        QTest::newRow("accents") << QStringLiteral("Lumi\u00e8re") << QStringList{"A"} << QStringList()
                                 << QStringList{"Lumiere"};
    }
    void fixtureNames()
    {
        QFETCH(QString, model);
        QFETCH(QStringList, modes);
        QFETCH(QStringList, taken);
        QFETCH(QStringList, names);
        QxfDefinition d;
        d.model = model;
        for (const QString &m : modes)
            d.modes.append(QxfMode{m, {}, {}, 0, 0, false});
        const QStringList made = ImportedFixtureNames(d, QSet<QString>(taken.cbegin(), taken.cend()));
        QCOMPARE(made, names);
        if (taken.isEmpty()) {
            for (int i = 0; i < modes.size(); ++i)
                QCOMPARE(ImportedFixtureName(d, i), names.at(i));
        }
        for (const QString &name : made)
            QVERIFY(name.size() <= 18);
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

    // The report of a library run: a header and a line a row, tab-separated; tabs and line
    // breaks inside a cell would break the columns and become blanks.
    void reportText()
    {
        const QVector<ImportReportRow> rows{
            {"Acme/Spot.qxf", "Standard", "Acme/Spot-Standard.zff", "Physical data is not kept.; Note two", "QLC+"},
            {"Acme/Big.qxf", "Extended", QString(), "17 channels; a profile holds at most 16", "QLC+"},
            {"Acme/Odd\tname.qxf", "Mode\r\n2", QString(), "line\nbreak", "QLC+"},
            {"broken.gdtf", QString(), QString(), "not well-formed XML", "GDTF"},
        };
        QCOMPARE(ImportReportText(rows), QByteArray("source\tmode\tprofile\tnote\tkind\n"
                                                    "Acme/Spot.qxf\tStandard\tAcme/Spot-Standard.zff\tPhysical data "
                                                    "is not kept.; Note two\tQLC+\n"
                                                    "Acme/Big.qxf\tExtended\t\t17 channels; a profile holds at most "
                                                    "16\tQLC+\n"
                                                    "Acme/Odd name.qxf\tMode  2\t\tline break\tQLC+\n"
                                                    "broken.gdtf\t\t\tnot well-formed XML\tGDTF\n"));
        QCOMPARE(ImportReportText({}), QByteArray("source\tmode\tprofile\tnote\tkind\n"));
    }
};

QTEST_GUILESS_MAIN(TestQxfImport)
#include "tst_qxfimport.moc"
