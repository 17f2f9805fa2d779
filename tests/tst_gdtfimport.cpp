// The GDTF import without windows: description.xml read out of the .gdtf archive in memory,
// the refusals of what is no fixture type, and the fixture type as its XML states it.
#include "gdtfsamples.h"
#include "testsupport.h"

#include "gdtfimport/gdtfarchive.h"
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
        QVERIFY(ReadGdtfArchive(gdtfsamples::zipArchive({{"description.xml", descriptionOfSize(MaxGdtfDescriptionSize + 1)}}),
                                description, 100));
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
        const QString spot = dir.write(QStringLiteral("Acme@Spot_300.gdtf"), gdtfsamples::gdtf(gdtfsamples::spotDescription()));
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
