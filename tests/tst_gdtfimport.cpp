// The GDTF import without windows: description.xml read out of the .gdtf archive in memory,
// the refusals of what is no fixture type, the fixture type as its XML states it, which
// modes a profile can hold, and the profile a mode gives (channels from the DMX footprint,
// names by attribute from a channel-name table that grows, steps from the channel sets,
// pan, tilt, master, black, notes).
#include "gdtfsamples.h"
#include "testsupport.h"

#include "channames/channelnamefiles.h"
#include "downloadset/downloadsetfile.h"
#include "fixture/zfffile.h"
#include "gdtfimport/gdtfarchive.h"
#include "gdtfimport/gdtfconversion.h"
#include "gdtfimport/gdtfdescription.h"

#include <QtTest>

using namespace zelvar;

namespace {

GdtfDescription parsed(const QByteArray &xml)
{
    GdtfDescription d;
    if (Outcome o = ParseGdtf(xml, d); !o)
        qFatal("sample not read: %s", qPrintable(o.reason()));
    return d;
}

// A description.xml of exactly `size` bytes: a small fixture type padded with a comment.
QByteArray descriptionOfSize(qint64 size)
{
    const QByteArray head = gdtfsamples::oneMode({gdtfsamples::channel("1", "Dimmer")});
    const QByteArray open = "<!--";
    const QByteArray close = "-->";
    return head + open + QByteArray(int(size - head.size() - open.size() - close.size()), ' ') + close;
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
    if (Outcome o = ConvertGdtfMode(parsed(xml), mode, names, f); !o)
        qFatal("sample not converted: %s", qPrintable(o.reason()));
    return f;
}

QStringList channelNames(const ImportedFixture &f)
{
    QStringList names;
    for (const ImportedChannel &c : f.channels)
        names << c.name;
    return names;
}

// Each step as "name from to step", the name without its trailing blanks.
QStringList stepTexts(const FixtureProfile &p, int channel)
{
    QStringList texts;
    for (int s = 1; s <= p.channels[size_t(channel - 1)].stepCount; ++s) {
        const StepRecord &r = p.steps[size_t(FixtureProfile::slotOf(channel, s))];
        texts << withoutTrailingBlanks(r.name.text())
                + QStringLiteral(" %1 %2 %3").arg(r.fromDmx).arg(r.toDmx).arg(r.stepDmx);
    }
    return texts;
}

const QString Physical = QStringLiteral("Physical data (emitters, filters, models, geometries) is not kept.");
const QString BlackAll =
    QStringLiteral("No shutter with a closed position and no single dimmer: black sets all channels to 0.");

} // namespace

class TestGdtfImport : public QObject
{
    Q_OBJECT

private slots:
    void readsDescription()
    {
        const GdtfDescription d = parsed(gdtfsamples::spotDescription());
        QCOMPARE(d.dataVersion, QStringLiteral("1.1"));
        QCOMPARE(d.minorVersion, 1);
        QCOMPARE(d.name, QStringLiteral("Spot_300"));
        QCOMPARE(d.shortName, QStringLiteral("Spot 300"));
        QCOMPARE(d.longName, QStringLiteral("Acme Spot 300 Profile"));
        QCOMPARE(d.manufacturer, QStringLiteral("Acme"));
        QCOMPARE(d.model(), QStringLiteral("Spot 300"));
        QVERIFY(d.hasPhysical);
        QCOMPARE(d.attributes.size(), 18);
        QCOMPARE(d.attribute(QStringLiteral("gobo1pos"))->pretty, QStringLiteral("G1 <>"));
        QCOMPARE(d.attribute(QStringLiteral("Tilt"))->feature, QStringLiteral("Position.PanTilt"));
        QVERIFY(!d.attribute(QStringLiteral("Iris")));
        QCOMPARE(d.wheels.size(), 2);
        const GdtfWheel *gobos = d.wheel(QStringLiteral("Gobo Wheel 1"));
        QVERIFY(gobos);
        QCOMPARE(gobos->wheelSlots.size(), 3);
        QCOMPARE(gobos->wheelSlots.at(1).name, QStringLiteral("Breakup"));
        QVERIFY(!gobos->wheelSlots.at(0).hasPicture);
        QVERIFY(gobos->wheelSlots.at(1).hasPicture);
        QVERIFY(d.wheel(QStringLiteral("Color Wheel 1"))->wheelSlots.at(0).hasPicture);

        QCOMPARE(d.modes.size(), 4);
        const GdtfMode &standard = d.modes.at(0);
        QCOMPARE(standard.name, QStringLiteral("Standard"));
        QCOMPARE(standard.channels.size(), 11);
        QCOMPARE(standard.relations, 1);
        QCOMPARE(standard.macros, 0);
        const GdtfDmxChannel &pan = standard.channels.at(0);
        QCOMPARE(pan.offsets, (QVector<int>{1, 2}));
        QCOMPARE(pan.dmxBreak, 1);
        QCOMPARE(pan.name(), QStringLiteral("Yoke_Pan"));
        QCOMPARE(pan.logicalChannels.at(0).snap, QStringLiteral("No"));
        const GdtfDmxChannel &dimmer = standard.channels.at(2);
        QCOMPARE(dimmer.logicalChannels.at(0).master, QStringLiteral("Grand"));
        const GdtfChannelFunction &dimming = dimmer.logicalChannels.at(0).functions.at(0);
        QCOMPARE(dimming.sets.size(), 3);
        QCOMPARE(dimming.sets.at(1).name, QString());
        QCOMPARE(dimming.sets.at(2).from.coarse(), 255);
        const GdtfChannelFunction &gobo = standard.channels.at(5).logicalChannels.at(0).functions.at(0);
        QCOMPARE(gobo.wheel, QStringLiteral("Gobo Wheel 1"));
        QCOMPARE(gobo.sets.at(2).wheelSlot, 3);
        QCOMPARE(standard.channels.at(5).logicalChannels.at(0).functions.at(1).modeMaster,
                 QStringLiteral("Beam_Control1"));
        QVERIFY(!gobo.to.valid);

        QVERIFY(d.modes.at(2).channels.at(1).dmxBreak == 2);
        const GdtfDmxChannel &virtualDimmer = d.modes.at(3).channels.at(0);
        QVERIFY(virtualDimmer.offsets.isEmpty());
        QVERIFY(virtualDimmer.offsetValid);
        QCOMPARE(virtualDimmer.offsetText, QStringLiteral("None"));

        // GDTF 1.0 gives each function and set its end.
        const GdtfDescription par = parsed(gdtfsamples::par10Description());
        QCOMPARE(par.majorVersion, 1);
        QCOMPARE(par.minorVersion, 0);
        QCOMPARE(par.model(), QStringLiteral("Par_18"));
        QVERIFY(!par.hasPhysical);
        const GdtfChannelFunction &red = par.modes.at(0).channels.at(0).logicalChannels.at(0).functions.at(0);
        QCOMPARE(red.to.coarse(), 200);
        QCOMPARE(red.sets.at(0).to.coarse(), 9);
    }

    // Offsets and breaks as written, including what is not a number.
    void readsChannelAddresses_data()
    {
        QTest::addColumn<QByteArray>("attributes");
        QTest::addColumn<QVector<int>>("offsets");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("dmxBreak");
        QTest::addColumn<bool>("overwrite");
        QTest::newRow("one") << QByteArray(R"(Offset="7")") << QVector<int>{7} << true << 1 << false;
        QTest::newRow("coarse, fine") << QByteArray(R"(Offset="3,4" DMXBreak="1")") << QVector<int>{3, 4} << true
                                      << 1 << false;
        QTest::newRow("four bytes") << QByteArray(R"(Offset="1, 2, 3, 4")") << QVector<int>{1, 2, 3, 4} << true << 1
                                    << false;
        QTest::newRow("none") << QByteArray(R"(Offset="None")") << QVector<int>{} << true << 1 << false;
        QTest::newRow("absent") << QByteArray() << QVector<int>{} << true << 1 << false;
        QTest::newRow("not a number") << QByteArray(R"(Offset="1,x")") << QVector<int>{1, 0} << false << 1 << false;
        QTest::newRow("break 2") << QByteArray(R"(Offset="1" DMXBreak="2")") << QVector<int>{1} << true << 2 << false;
        QTest::newRow("overwrite") << QByteArray(R"(Offset="1" DMXBreak="Overwrite")") << QVector<int>{1} << true << 1
                                   << true;
        QTest::newRow("break not a number") << QByteArray(R"(Offset="1" DMXBreak="A")") << QVector<int>{1} << true
                                            << 0 << false;
    }
    void readsChannelAddresses()
    {
        QFETCH(QByteArray, attributes);
        QFETCH(QVector<int>, offsets);
        QFETCH(bool, valid);
        QFETCH(int, dmxBreak);
        QFETCH(bool, overwrite);
        const GdtfDescription d = parsed(gdtfsamples::oneMode(
            {"<DMXChannel " + attributes + "><LogicalChannel Attribute=\"Dimmer\"/></DMXChannel>"}));
        const GdtfDmxChannel &c = d.modes.at(0).channels.at(0);
        QCOMPARE(c.offsets, offsets);
        QCOMPARE(c.offsetValid, valid);
        QCOMPARE(c.dmxBreak, dmxBreak);
        QCOMPARE(c.overwrite, overwrite);
    }

    // "v/n" in n bytes; the coarse byte is the most significant one.
    void dmxValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("coarse");
        const auto row = [](const char *text, bool valid, int coarse) {
            QTest::newRow(*text ? text : "empty") << QString::fromLatin1(text) << valid << coarse;
        };
        row("0/1", true, 0);
        row("1/1", true, 1);
        row("255/1", true, 255);
        row("256/1", false, 0);
        row("255/1s", true, 255);
        row("0/2", true, 0);
        row("255/2", true, 0);
        row("256/2", true, 1);
        row("32768/2", true, 128);
        row("65535/2", true, 255);
        row("65536/2", false, 0);
        row("16777215/3", true, 255);
        row("8388608/3", true, 128);
        row("4294967295/4", true, 255);
        row("1/5", false, 0);
        row("1/0", false, 0);
        row("12", true, 12);
        row(" 7/1 ", true, 7);
        row("a/1", false, 0);
        row("", false, 0);
    }
    void dmxValues()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, coarse);
        const GdtfDmxValue v = ParseGdtfDmxValue(text);
        QCOMPARE(v.valid, valid);
        QCOMPARE(v.coarse(), coarse);
    }

    // What is no .gdtf file is refused with the reason; description.xml may unpack to at
    // most 16 MiB.
    void refusesArchive_data()
    {
        QTest::addColumn<QByteArray>("archive");
        QTest::addColumn<QString>("reason"); // the start of it

        const QByteArray good = gdtfsamples::gdtf(gdtfsamples::spotDescription());
        QVERIFY(!good.isEmpty());
        QTest::newRow("xml, not a zip") << gdtfsamples::spotDescription()
                                        << QStringLiteral("it is not a zip archive, as a .gdtf file is");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("it is not a zip archive, as a .gdtf file is");
        QTest::newRow("cut short") << good.left(good.size() / 2)
                                   << QStringLiteral("it is not a zip archive, as a .gdtf file is");
        QTest::newRow("no description")
            << gdtfsamples::zipArchive({{"Description.txt", "x"}, {"wheels/gobo1.png", "png"}})
            << QStringLiteral("the archive holds no description.xml");
        // A byte of the deflated text changed: the entry no longer unpacks to what its
        // checksum says.
        QByteArray damaged = gdtfsamples::zipArchive({{"description.xml", gdtfsamples::spotDescription()}});
        damaged[200] = char(damaged.at(200) ^ 0x55);
        QTest::newRow("damaged") << damaged << QStringLiteral("its description.xml is damaged: ");
        QTest::newRow("16 MiB and one byte")
            << gdtfsamples::zipArchive({{"description.xml", descriptionOfSize(MaxGdtfDescriptionSize + 1)}})
            << QStringLiteral("its description.xml unpacks to 16777217 bytes, more than 16 MiB; it is no fixture "
                              "description");
    }
    void refusesArchive()
    {
        QFETCH(QByteArray, archive);
        QFETCH(QString, reason);
        QByteArray description("kept");
        const Outcome o = ReadGdtfArchive(archive, description);
        QVERIFY(!o);
        QVERIFY2(o.reason().startsWith(reason), qPrintable(o.reason()));
        QCOMPARE(description, QByteArray("kept"));
    }

    void readsArchive()
    {
        // Exactly the limit is read, stored or deflated, the entry's name in any case.
        const QByteArray limit = descriptionOfSize(MaxGdtfDescriptionSize);
        QByteArray description;
        QVERIFY(ReadGdtfArchive(gdtfsamples::zipArchive({{"description.xml", limit}}), description));
        QCOMPARE(description.size(), limit.size());
        QVERIFY(description == limit);
        GdtfDescription d;
        QVERIFY(ParseGdtf(description, d));

        const QByteArray spot = gdtfsamples::spotDescription();
        QVERIFY(ReadGdtfArchive(gdtfsamples::zipArchive({{"Description.XML", spot, true}}), description));
        QCOMPARE(description, spot);
        // Listing reads the start alone, whatever the size.
        const QByteArray big = descriptionOfSize(MaxGdtfDescriptionSize + 1);
        QVERIFY(ReadGdtfArchive(gdtfsamples::zipArchive({{"description.xml", big}}), description, 100));
        QCOMPARE(description.size(), 100);
    }

    void refusesDescription_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("reason");
        QTest::newRow("broken") << gdtfsamples::spotDescription().left(300)
                                << QStringLiteral("not well-formed XML at line 6, column 10: Premature end of "
                                                  "document.");
        QTest::newRow("empty") << QByteArray()
                               << QStringLiteral("not well-formed XML at line 1, column 1: Premature end of document.");
        QTest::newRow("root") << QByteArray("<FixtureDefinition/>")
                              << QStringLiteral("its root element is <FixtureDefinition>, not <GDTF>");
        QTest::newRow("version 2") << QByteArray("<GDTF DataVersion=\"2.0\"><FixtureType/></GDTF>")
                                   << QStringLiteral("its DataVersion is 2.0; GDTF 1.0 to 1.2 can be read");
        QTest::newRow("version not a number") << QByteArray("<GDTF DataVersion=\"1\"><FixtureType/></GDTF>")
                                              << QStringLiteral("its DataVersion is 1; GDTF 1.0 to 1.2 can be read");
        QTest::newRow("no fixture type") << QByteArray("<GDTF DataVersion=\"1.1\"><Other/></GDTF>")
                                         << QStringLiteral("it holds no <FixtureType>");
        QTest::newRow("two roots") << QByteArray("<GDTF><FixtureType/></GDTF><GDTF/>")
                                   << QStringLiteral("not well-formed XML at line 1, column 35: Extra content at end "
                                                     "of document.");
    }
    void refusesDescription()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, reason);
        GdtfDescription d;
        d.name = QStringLiteral("kept");
        const Outcome o = ParseGdtf(xml, d);
        QVERIFY(!o);
        QCOMPARE(o.reason(), reason);
        QCOMPARE(d.name, QStringLiteral("kept"));
    }

    // Which modes a profile can hold: a footprint of 1 to 16 DMX channels on DMX break 1,
    // each DMX channel used once.
    void modeFit_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("summary");
        using gdtfsamples::channel;
        QByteArrayList sixteen;
        for (int i = 1; i <= 16; ++i)
            sixteen << channel(QByteArray::number(i).constData(), "Dimmer");
        const QByteArray spot = gdtfsamples::spotDescription();
        QTest::newRow("1 channel") << gdtfsamples::oneMode({channel("1", "Dimmer")}) << 0 << 1 << QString()
                                   << QString();
        QTest::newRow("16 channels") << gdtfsamples::oneMode(sixteen) << 0 << 16 << QString() << QString();
        QTest::newRow("17 channels") << spot << 1 << 17 << QStringLiteral("17 channels; a profile holds at most 16")
                                     << QStringLiteral("more than 16 channels");
        QTest::newRow("a gap to 16") << gdtfsamples::oneMode({channel("16", "Dimmer")}) << 0 << 16 << QString()
                                     << QString();
        QTest::newRow("fine byte at 17") << gdtfsamples::oneMode({channel("16,17", "Dimmer")}) << 0 << 17
                                         << QStringLiteral("17 channels; a profile holds at most 16")
                                         << QStringLiteral("more than 16 channels");
        QTest::newRow("second break") << spot << 2 << 1
                                      << QStringLiteral("its channel \"Beam_Zoom\" is on DMX break 2; a profile has "
                                                        "one DMX address")
                                      << QStringLiteral("a second DMX break");
        QTest::newRow("overwrite")
            << gdtfsamples::oneMode(
                   {R"(<DMXChannel DMXBreak="Overwrite" Offset="1"><LogicalChannel Attribute="Dimmer"/></DMXChannel>)"})
            << 0 << 0
            << QStringLiteral("its channel \"Dimmer\" takes its address from the geometries that refer to it "
                              "(DMXBreak \"Overwrite\"); a profile cannot place it")
            << QStringLiteral("channels addressed by geometry references");
        QTest::newRow("used twice") << gdtfsamples::oneMode({channel("1,2", "Pan"), channel("2", "Zoom")}) << 0 << 2
                                    << QStringLiteral("its DMX channel 2 is used by \"Pan\" and by \"Zoom\"")
                                    << QStringLiteral("a DMX channel used twice");
        QTest::newRow("offset 0") << gdtfsamples::oneMode({channel("0", "Dimmer")}) << 0 << 0
                                  << QStringLiteral("its channel \"Dimmer\" has the Offset \"0\", which names no DMX "
                                                    "channels")
                                  << QStringLiteral("an Offset that is no DMX channel");
        QTest::newRow("offset not a number") << gdtfsamples::oneMode({channel("one", "Dimmer")}) << 0 << 0
                                             << QStringLiteral("its channel \"Dimmer\" has the Offset \"one\", which "
                                                               "names no DMX channels")
                                             << QStringLiteral("an Offset that is no DMX channel");
        QTest::newRow("break not a number")
            << gdtfsamples::oneMode(
                   {R"(<DMXChannel DMXBreak="x" Offset="1"><LogicalChannel Attribute="Dimmer"/></DMXChannel>)"})
            << 0 << 0 << QStringLiteral("its channel \"Dimmer\" has a DMXBreak that is no number")
            << QStringLiteral("a DMXBreak that is no number");
        QTest::newRow("virtual only") << gdtfsamples::oneMode({channel("None", "Dimmer")}) << 0 << 0
                                      << QStringLiteral("it has no DMX channel with an address")
                                      << QStringLiteral("no channels");
        QTest::newRow("no such mode") << spot << 4 << 0 << QStringLiteral("the fixture type has no mode 5")
                                      << QStringLiteral("no such mode");
        QTest::newRow("no modes") << gdtfsamples::document(R"(<FixtureType Name="N" Manufacturer="Acme"/>)") << 0 << 0
                                  << QStringLiteral("the fixture type has no DMX modes")
                                  << QStringLiteral("the definition has no modes");
    }
    void modeFit()
    {
        QFETCH(QByteArray, xml);
        QFETCH(int, mode);
        QFETCH(int, channels);
        QFETCH(QString, problem);
        QFETCH(QString, summary);
        const GdtfDescription d = parsed(xml);
        const ImportModeFit fit = CheckGdtfMode(d, mode);
        QCOMPARE(fit.channelCount, channels);
        QCOMPARE(fit.problem, problem);
        QCOMPARE(fit.summary, summary);

        ImportedFixture f;
        f.warnings << QStringLiteral("kept");
        ChannelNameTable names;
        const Outcome o = ConvertGdtfMode(d, mode, names, f);
        QCOMPARE(bool(o), problem.isEmpty());
        if (!o) {
            QCOMPARE(o.reason(), problem);
            QCOMPARE(f.warnings, QStringList(QStringLiteral("kept")));
            QCOMPARE(names, ChannelNameTable());
            QCOMPARE(GdtfChannelNames(d, mode, builtInNames()), QStringList());
        } else {
            QCOMPARE(int(f.profile.setup.channelCount), channels);
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

        QTest::newRow("spot")
            << gdtfsamples::spotDescription() << 0 << QStringLiteral("Spot 300 Standard")
            << QList<int>{1, 2, 3, 4, 0x0010, 6, 15}
            << QStringList{"Pan", "Pan Fine", "Tilt", "Tlt Fine", "Dimmer", "Shutter", "Color", "Gobo", "Gobo Rot",
                           "GRotFine", "Prism", "Zoom", "Focus", "Function"}
            << QStringList{"GRotFine"} << QList<int>{1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 0, 1, 1, 0}
            << QList<int>{1, 1, 1, 1, 2, 3, 4, 3, 3, 1, 2, 1, 1, 2}
            << QStringList{Physical, QStringLiteral("1 relation between channels (multiply, override) is not kept."),
                           QStringLiteral("Chan 8 \"Beam_Gobo1\": 1 function depends on the value of another channel "
                                          "(ModeMaster); the profile cannot switch, so it is left out."),
                           QStringLiteral("Chan 9 \"Beam_Gobo1Pos\": the channel set \"Stop\" has no DMX value of its "
                                          "own at 8 bits; it is dropped."),
                           QStringLiteral("The pictures and colours of 5 wheel slots are not kept.")};
        QTest::newRow("virtual dimmer")
            << gdtfsamples::spotDescription() << 3 << QStringLiteral("Spot 300 Virtual")
            << QList<int>{1, 0, 0, 0, 0, 255, 0} << QStringList{"Pan"} << QStringList() << QList<int>{1}
            << QList<int>{1}
            << QStringList{Physical,
                           QStringLiteral("The virtual channel \"Beam_Dimmer\" has no DMX address (Offset "
                                          "\"None\"); it is left out."),
                           QStringLiteral("No dimmer or colour channel: no master channel is set."), BlackAll};
        QTest::newRow("gdtf 1.0 par")
            << gdtfsamples::par10Description() << 0 << QStringLiteral("Par_18")
            << QList<int>{0, 0, 0, 0, 0x000f, 255, 0}
            << QStringList{"Red", "Green", "Blue", "White"} << QStringList{"White"} << QList<int>{1, 1, 1, 1}
            << QList<int>{3, 1, 1, 1}
            << QStringList{QStringLiteral("No dimmer: the master channels are the colour channels Chan 1, Chan 2, "
                                          "Chan 3, Chan 4."),
                           BlackAll};
        // A 24-bit pan, a gap, a dimmer of the default (not grand) master.
        QTest::newRow("three bytes and a gap")
            << gdtfsamples::oneMode({gdtfsamples::channel("1,2,3", "Pan"), gdtfsamples::channel("5", "Dimmer")}) << 0
            << QStringLiteral("Test") << QList<int>{1, 2, 0, 0, 0x0010, 5, 0}
            << QStringList{"Pan", "Pan Fine", "Not Used", "NotUsed2", "Dimmer"} << QStringList{"NotUsed2"}
            << QList<int>{1, 1, 0, 0, 1} << QList<int>{1, 1, 1, 1, 1}
            << QStringList{QStringLiteral("Chan 3 \"Pan\": byte 3 of its 24-bit value is not used; the profile keeps "
                                          "the coarse and the fine byte."),
                           QStringLiteral("Chan 4: no DMX channel of the mode uses it; it is named \"Not Used\".")};
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
        QCOMPARE(int(p.setup.channelCount), names.size());
        QCOMPARE(p.setup.fixtureName.text(), name.leftJustified(18, QLatin1Char(' ')));
        const QList<int> shown{p.setup.panCoarse,  p.setup.panFine,      p.setup.tiltCoarse, p.setup.tiltFine,
                               p.setup.masterMask, p.setup.blackChannel, p.setup.blackValue};
        QCOMPARE(shown, setup);
        QCOMPARE(channelNames(f), names);
        QList<int> fadeModes;
        QList<int> stepCounts;
        for (int c = 0; c < p.setup.channelCount; ++c) {
            fadeModes << p.channels[size_t(c)].fadeMode;
            stepCounts << p.channels[size_t(c)].stepCount;
            QCOMPARE(ImportedEntryName(table, p.channels[size_t(c)].nameId), names.at(c));
        }
        QCOMPARE(fadeModes, fades);
        QCOMPARE(stepCounts, steps);
        QCOMPARE(f.warnings, warnings);
        QCOMPARE(f.addedNames, added);
        for (int i = 0; i < ChannelNameCount; ++i) {
            if (i < 59 || i >= 59 + added.size())
                QCOMPARE(table.entries[size_t(i)], before.entries[size_t(i)]);
        }
        // What a search over the libraries compares: the same names, the table untouched.
        QCOMPARE(GdtfChannelNames(parsed(xml), mode, before), names);

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

    // Each attribute family names its channel from the vocabulary; an attribute the
    // standard does not list is named by its Pretty name, cut readably.
    void namesByAttribute_data()
    {
        QTest::addColumn<QByteArray>("channel");
        QTest::addColumn<QStringList>("names");
        using gdtfsamples::channel;
        const auto row = [](const char *tag, const QByteArray &xml, const QStringList &names) {
            QTest::newRow(tag) << xml << names;
        };
        row("dimmer", channel("1", "Dimmer"), {"Dimmer"});
        row("dimmer, fine", channel("1,2", "Dimmer"), {"Dimmer", "Dim Fine"});
        row("pan", channel("1,2", "Pan"), {"Pan", "Pan Fine"});
        row("red", channel("1", "ColorAdd_R"), {"Red"});
        row("warm white", channel("1", "ColorAdd_WW"), {"White"});
        row("amber", channel("1", "ColorAdd_RY"), {"Amber"});
        row("uv", channel("1", "ColorAdd_UV"), {"UV"});
        row("cyan flag", channel("1", "ColorSub_C"), {"Cyan"});
        row("cto", channel("1", "CTO"), {"CTO"});
        row("colour wheel", channel("1", "Color1"), {"Color"});
        row("gobo wheel 2", channel("1", "Gobo2"), {"Gobo"});
        row("gobo index", channel("1", "Gobo1Pos"), {"Gobo Rot"});
        row("case", channel("1", "GOBO1POSROTATE"), {"Gobo Rot"});
        row("prism rotation", channel("1", "Prism1PosRotate"), {"Prsm Rot"});
        row("shutter", channel("1", "Shutter1"), {"Shutter"});
        row("strobe", channel("1", "Shutter1StrobeRandom"), {"Strobe"});
        row("iris", channel("1", "IrisPulseOpen"), {"Iris"});
        row("frost", channel("1", "Frost1"), {"Frost"});
        row("focus", channel("1", "Focus1"), {"Focus"});
        row("zoom", channel("1", "Zoom"), {"Zoom"});
        row("effect parameter", channel("1", "Effects1Adjust2"), {"Effect"});
        row("pan/tilt speed", channel("1", "PositionMSpeed"), {"P/T Spd"});
        row("dimmer curve", channel("1", "DimmerCurve"), {"DimCurve"});
        row("reset", channel("1", "FixtureGlobalReset"), {"Reset"});
        row("control", channel("1", "Control1"), {"Function"});
        row("fog", channel("1", "Fog1"), {"Fog"});
        row("blades", channel("1", "Blade1A") + channel("2", "Blade1B"), {"Blade", "Blade 2"});
        row("no feature", channel("1", "NoFeature"), {"Not Used"});
        row("two colour wheels", channel("1", "Color1") + channel("2", "Color2"), {"Color1", "Color2"});
        row("two gobo indexes", channel("1", "Gobo1Pos") + channel("2", "Gobo2Pos"), {"Gobo1Rot", "Gobo2Rot"});
        row("grand master first", channel("1", "Dimmer") + channel("2", "Dimmer", {}, R"(Master="Grand")"),
            {"Dimmer 2", "Dimmer"});
        row("unknown, its pretty name", channel("1", "ColorAdd_BM"), {"Purple"});
        row("unknown, long pretty name", channel("1", "VideoBoost_R"), {"VdBstRed"});
        row("unknown, no definition", channel("1", "Sparkle7"), {"Sparkle7"});
        row("unknown, fine", channel("1,2", "ColorAdd_BM"), {"Purple", "PurpFine"});
    }
    void namesByAttribute()
    {
        QFETCH(QByteArray, channel);
        QFETCH(QStringList, names);
        QByteArray xml = gdtfsamples::oneMode({channel});
        // Attributes of the file's own definitions, with their Pretty names.
        xml.replace("   </Attributes>",
                    "    <Attribute Name=\"ColorAdd_BM\" Pretty=\"Purple\" Feature=\"Color.RGB\"/>\n"
                    "    <Attribute Name=\"VideoBoost_R\" Pretty=\"Video boost red\" Feature=\"Color.RGB\"/>\n"
                    "   </Attributes>");
        ChannelNameTable table = builtInNames();
        QCOMPARE(channelNames(converted(xml, 0, table)), names);
    }

    void steps_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QStringList>("steps"); // name, from, to, step value

        const QByteArray spot = gdtfsamples::spotDescription();
        // A function without named sets is one step, named after the function.
        QTest::newRow("pan") << spot << 1 << QStringList{"Pan 0 255 127"};
        QTest::newRow("fine pan") << spot << 2 << QStringList{"Pan Fine 0 255 127"};
        // Named sets end one below the next set, named or not.
        QTest::newRow("dimmer sets") << spot << 5 << QStringList{"closed 0 0 0", "open 255 255 255"};
        QTest::newRow("shutter functions")
            << spot << 6 << QStringList{"Closed 0 31 15", "Open 32 63 47", "Strb S-F 64 255 159"};
        // Sets name the wheel slots they point at; a repeated name keeps its number.
        QTest::newRow("colour wheel slots")
            << spot << 7 << QStringList{"Open 0 9 4", "Red 10 19 14", "Blue 104 20 29 24", "Blu 104b 30 39 34"};
        QTest::newRow("gobo wheel, shake left out")
            << spot << 8 << QStringList{"Open 0 63 31", "Breakup 64 127 95", "Dots 128 255 191"};
        // Two-byte values at the coarse byte; "Stop" starts inside the coarse value of
        // the next set.
        QTest::newRow("16-bit index and rotation")
            << spot << 9 << QStringList{"Gobo1Pos 0 127 63", "RotCWF-S 128 191 159", "Rot CCW 192 255 223"};
        QTest::newRow("prism") << spot << 11 << QStringList{"Out 0 127 63", "3FctPrsm 128 255 191"};
        QTest::newRow("control") << spot << 14 << QStringList{"NoFunc 0 199 99", "Reset 200 255 227"};
        // GDTF 1.0 gives each function and set its end; between two functions is no step.
        QTest::newRow("DMXTo") << gdtfsamples::par10Description() << 1
                               << QStringList{"Red off 0 9 4", "Red on 10 200 105", "Red full 240 255 247"};
        QTest::newRow("one-byte and two-byte sets")
            << gdtfsamples::oneMode({gdtfsamples::channel(
                   "1,2", "Zoom",
                   R"(<ChannelSet Name="Narrow" DMXFrom="0/1"/><ChannelSet Name="Middle" DMXFrom="32768/2"/>)"
                   R"(<ChannelSet Name="Wide" DMXFrom="255/1"/>)")})
            << 1 << QStringList{"Narrow 0 127 63", "Middle 128 254 191", "Wide 255 255 255"};
    }
    void steps()
    {
        QFETCH(QByteArray, xml);
        QFETCH(int, channel);
        QFETCH(QStringList, steps);
        ChannelNameTable table = builtInNames();
        QCOMPARE(stepTexts(converted(xml, 0, table).profile, channel), steps);
    }

    // Saved and read back, the profiles go into a download set with the names the
    // conversion added.
    void acceptedIntoDownloadSet()
    {
        testsupport::ScratchFolder dir;
        ChannelNameTable names = builtInNames();
        QStringList files;
        for (const QByteArray &xml : {gdtfsamples::spotDescription(), gdtfsamples::par10Description()}) {
            FixtureProfile p = converted(xml, 0, names).profile;
            PrepareForSave(p);
            files << dir.file(QStringLiteral("f%1.zff").arg(files.size() + 1));
            QVERIFY(WriteProfile(p, files.last()));
            FixtureProfile read;
            QVERIFY(ReadProfile(files.last(), read));
            // The file holds the used steps alone: the bytes of both tell.
            QByteArray written;
            QByteArray again;
            QVERIFY(EncodeProfile(p, written) && EncodeProfile(read, again));
            QCOMPARE(again, written);
        }
        QVERIFY(SaveChannelNames(dir.file(QString()), names));
        ComposedSet set;
        QVERIFY(ComposeDownloadSet(files, dir.file(QStringLiteral("ChNameDown.fix")), set));
        QCOMPARE(set.image.at(FixtureCountOffset), char(2));
        // The par's names: Red, Green, Blue built in, White added after GRotFine.
        QCOMPARE(set.image.mid(NameIdTableOffset + NameIdRowSize * 2, 4), testsupport::hex("0e 0f 10 3c"));
    }

    void readsFiles()
    {
        testsupport::ScratchFolder dir;
        GdtfDescription d;
        QCOMPARE(ReadGdtf(dir.file(QStringLiteral("none.gdtf")), d).reason(),
                 QStringLiteral("none.gdtf does not exist"));
        const QString folder = dir.file(QStringLiteral("folder.gdtf"));
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(ReadGdtf(folder, d).reason(), QStringLiteral("folder.gdtf is not a file"));
        const QString xml = dir.write(QStringLiteral("plain.gdtf"), gdtfsamples::spotDescription());
        QCOMPARE(ReadGdtf(xml, d).reason(), QStringLiteral("plain.gdtf: it is not a zip archive, as a .gdtf file is"));
        const QString broken = dir.write(QStringLiteral("broken.gdtf"),
                                         gdtfsamples::gdtf(gdtfsamples::spotDescription().left(300)));
        QCOMPARE(ReadGdtf(broken, d).reason(),
                 QStringLiteral("broken.gdtf: description.xml: not well-formed XML at line 6, column 10: Premature "
                                "end of document."));
        const QString spot =
            dir.write(QStringLiteral("Acme@Spot_300.gdtf"), gdtfsamples::gdtf(gdtfsamples::spotDescription()));
        QVERIFY(ReadGdtf(spot, d));
        QCOMPARE(d.modes.size(), 4);

        // The summary stops at the fixture type's names: a description broken further on
        // still lists, and a long one is read on until its names.
        GdtfSummary summary;
        QVERIFY(ReadGdtfSummary(broken, summary));
        QCOMPARE(summary.manufacturer, QStringLiteral("Acme"));
        QCOMPARE(summary.model, QStringLiteral("Spot 300"));
        QCOMPARE(summary.longName, QStringLiteral("Acme Spot 300 Profile"));
        QByteArray longText = gdtfsamples::spotDescription();
        longText.replace("A moving spot", QByteArray(40000, 'x'));
        QVERIFY(ReadGdtfSummary(dir.write(QStringLiteral("long.gdtf"), gdtfsamples::gdtf(longText)), summary));
        QCOMPARE(summary.model, QStringLiteral("Spot 300"));
        QCOMPARE(ReadGdtfSummary(xml, summary).reason(),
                 QStringLiteral("plain.gdtf: it is not a zip archive, as a .gdtf file is"));
        const QString root = dir.write(QStringLiteral("root.gdtf"), gdtfsamples::gdtf("<Other/>"));
        QCOMPARE(ReadGdtfSummary(root, summary).reason(),
                 QStringLiteral("root.gdtf: description.xml: its root element is <Other>, not <GDTF>"));
    }
};

QTEST_GUILESS_MAIN(TestGdtfImport)
#include "tst_gdtfimport.moc"
