// Download sets read back: the reader's refusals at their limits on images put together
// from the layout table, the padding it reports, the summary the link window shows, and the
// profiles and name files a set is taken apart into.
#include "downloadset/downloadsetextract.h"
#include "downloadset/downloadsetreader.h"
#include "downloadset/downloadsetsummary.h"
#include "fixture/zfffile.h"
#include "handmadezff.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace zelvar;
using testsupport::HandChannel;
using testsupport::HandStep;
using testsupport::HandZff;
using testsupport::hex;
using testsupport::put;

namespace {

struct HandFixture
{
    int channels = 1;
    QVector<int> steps; // step counts of the used channels; missing ones are 0
    QByteArray name = "Hand";
};

// A set image written from the layout: header, count byte, slots with channel count and
// name, and packed step blocks of numbered step records; 86529 bytes unless the step area
// runs further.
QByteArray handSet(const QVector<HandFixture> &fixtures, int count = -1)
{
    QByteArray image(86529, '\0');
    put(image, 0, QByteArray("ZELVAR71") + hex("01 52 00 00 50 00"));
    image[14080] = char(count >= 0 ? count : int(fixtures.size()));
    qsizetype block = 21504;
    for (int k = 0; k < fixtures.size(); ++k) {
        const HandFixture &f = fixtures[k];
        const int slot = 512 + 53 * (k + 1);
        image[slot] = char(f.channels);
        put(image, slot + 1, testsupport::padded(f.name.constData(), 18));
        QByteArray counts(16, '\0');
        int total = 0;
        for (int j = 0; j < f.steps.size(); ++j) {
            counts[j] = char(f.steps[j]);
            total += f.steps[j];
        }
        put(image, block, counts);
        for (int s = 0; s < total; ++s)
            put(image, block + 16 + 11 * s, testsupport::padded(QByteArray::number(s).constData(), 8) + hex("01 02 03"));
        block += 16 + 11 * total;
    }
    return image;
}

QVector<HandFixture> fixturesOf(int count, const HandFixture &f = HandFixture())
{
    return QVector<HandFixture>(count, f);
}

const HandFixture Full{16, QVector<int>(16, 50), "Full"}; // a step block of 16 + 8800 bytes

} // namespace

class TestDownloadSetReader : public QObject
{
    Q_OBJECT

private slots:
    void refusalsAndPadding_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QString>("reason"); // empty: accepted
        QTest::addColumn<int>("padding");

        const QByteArray one = handSet(fixturesOf(1));
        QTest::newRow("one fixture") << one << QString() << 0;
        QTest::newRow("empty file") << QByteArray() << "it does not start with \"ZELVAR71\"; it is not a download set" << 0;
        QTest::newRow("other mark") << QByteArray(one).replace(7, 1, "2") << "it does not start with \"ZELVAR71\"" << 0;
        QTest::newRow("ends in the signature") << one.left(13) << "it ends after 13 bytes, inside the signature" << 0;
        QTest::newRow("signature byte 13")
            << QByteArray(one).replace(13, 1, hex("01")) << "bytes 8 to 13 are 01 52 00 00 50 01; a download set has "
                                                            "01 52 00 00 50 00 there"
            << 0;
        QTest::newRow("86528 bytes") << one.left(86528) << "the file is 86528 bytes long; a download set has at least 86529"
                                     << 0;
        QTest::newRow("padded by 1000 bytes") << one + QByteArray(1000, '\xee') << QString() << 1000;

        QTest::newRow("count 0") << handSet({}, 0) << "its fixture count (offset 14080) is 0; a set holds 1 to 255 fixtures"
                                 << 0;
        QTest::newRow("count 255") << handSet(fixturesOf(255)) << QString() << 0;

        QVector<HandFixture> seven = fixturesOf(7);
        seven[6].channels = 0;
        QTest::newRow("0 channels") << handSet(seven) << "fixture 7 has 0 channels; a fixture has 1 to 16" << 0;
        seven[6].channels = 17;
        QTest::newRow("17 channels") << handSet(seven) << "fixture 7 has 17 channels; a fixture has 1 to 16" << 0;
        seven[6] = HandFixture{16, {0, 0, 50}, "Fifty"};
        QTest::newRow("50 steps") << handSet(seven) << QString() << 0;
        seven[6].steps = {0, 0, 51};
        QTest::newRow("51 steps") << handSet(seven) << "fixture 7's channel 3 has 51 steps; at most 50" << 0;

        // Nine full blocks end at 21504 + 9 x 8816 = 100848, past the zeroed image.
        const QByteArray nine = handSet(fixturesOf(9, Full));
        QCOMPARE(nine.size(), 100848);
        QTest::newRow("step area to the last byte") << nine << QString() << 0;
        QTest::newRow("step area padded by 3") << nine + QByteArray(3, '\0') << QString() << 3;
        QTest::newRow("step area one byte short")
            << nine.left(100847)
            << "fixture 9's steps run past the end of the file: its step block ends at offset 100848 and the file "
               "has 100847 bytes"
            << 0;
        QTest::newRow("step counts cut off")
            << nine.left(92032 + 15)
            << "fixture 9's steps run past the end of the file: its step block starts at offset 92032 and the file "
               "has 92047 bytes"
            << 0;
    }
    void refusalsAndPadding()
    {
        QFETCH(QByteArray, image);
        QFETCH(QString, reason);
        QFETCH(int, padding);
        DownloadSet set;
        set.fileSize = -1;
        const Outcome read = DecodeDownloadSet(image, set);
        if (!reason.isEmpty()) {
            QVERIFY(!read);
            QVERIFY2(read.reason().startsWith(reason), qPrintable(read.reason()));
            QCOMPARE(set.fileSize, qsizetype(-1)); // left as it was
            return;
        }
        QVERIFY2(read, qPrintable(read.reason()));
        QCOMPARE(set.fileSize, image.size());
        QCOMPARE(set.fixtures.size(), qsizetype(quint8(image[14080])));
        QCOMPARE(set.paddingBytes(), qsizetype(padding));
    }

    void onlyPlainFilesAreRead()
    {
        QTemporaryDir dir;
        DownloadSet set;
        QCOMPARE(ReadDownloadSet(dir.path(), set).reason(), QStringLiteral("it is not a file"));
        QCOMPARE(ReadDownloadSet(dir.filePath(QStringLiteral("none.tzk")), set).reason(),
                 QStringLiteral("the file does not exist"));
        const QString path = dir.filePath(QStringLiteral("set.tzk"));
        QVERIFY(testsupport::writeAll(path, handSet(fixturesOf(2))));
        QVERIFY(ReadDownloadSet(path, set));
        QCOMPARE(set.fixtures.size(), 2);
    }

    void sendTime_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        // 11 bits a byte at 38,400 bit/s
        QTest::newRow("nothing") << qint64(0) << "under 1 s";
        QTest::newRow("0.4999 s") << qint64(1745) << "under 1 s";
        QTest::newRow("0.5002 s") << qint64(1746) << "1 s";
        QTest::newRow("smallest set, 24.79 s") << qint64(86529) << "25 s";
        QTest::newRow("60.0001 s") << qint64(209455) << "1 min 00 s";
        QTest::newRow("largest set, 650.14 s") << qint64(2269584) << "10 min 50 s";
    }
    void sendTime()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(LineTimeText(bytes), text);
    }

    void summaryLines()
    {
        QVector<HandFixture> fixtures{HandFixture{16, QVector<int>(16, 50), "Spot 575"},
                                      HandFixture{1, {1}, QByteArray("50%1 Par\x01", 9)}};
        QByteArray image = handSet(fixtures) + QByteArray(100, '\0');
        image[14082] = 1;
        DownloadSet set;
        QVERIFY(DecodeDownloadSet(image, set));
        QCOMPARE(DownloadSetSummary(set), QStringLiteral("Download set: 2 fixtures\n"
                                                         "Slot 1: Spot 575, 16 channels, 800 steps\n"
                                                         "Slot 2: 50%1 Par\u00b7, 1 channel, 1 step\n"
                                                         "Channel names: included\n"
                                                         "Size: 86629 bytes (100 of them past the end of the set)\n"
                                                         "Send time: about 25 s at 38400 bit/s"));
        image[14082] = 0;
        QVERIFY(DecodeDownloadSet(image.left(86529), set));
        QVERIFY(DownloadSetSummary(set).endsWith(QStringLiteral("Channel names: not included\n"
                                                                "Size: 86529 bytes\n"
                                                                "Send time: about 25 s at 38400 bit/s")));
    }

    // ---- Taken apart ----

    void extractedProfileBytes_data()
    {
        QTest::addColumn<QByteArray>("nameIds"); // of the three used channels
        QTest::addColumn<int>("flag");
        QTest::newRow("distinct names") << hex("00 02 05") << 0;
        // Every profile a set was composed from had 0 (the composer takes no other), so that
        // a compose of the extracted files takes this one again.
        QTest::newRow("channels 1 and 3 share a name") << hex("00 02 00") << 0;
    }
    void extractedProfileBytes()
    {
        QFETCH(QByteArray, nameIds);
        QFETCH(int, flag);
        // A fixture as the reader gives it: nothing beyond the channel count but fade modes.
        SetFixture f;
        f.setup.channelCount = 3;
        const quint8 fades[16] = {1, 0, 2, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9};
        for (int j = 0; j < 16; ++j)
            f.channels[size_t(j)] = ChannelEntry{quint8(j < 3 ? nameIds[j] : 0), fades[j], quint8(j == 2 ? 1 : 0)};
        StepRecord open;
        open.name.assign("Open");
        open.toDmx = 9;
        f.steps = {open};

        FixtureProfile profile;
        ProfileFromSetFixture(f, profile);
        QByteArray bytes;
        QVERIFY(EncodeProfile(profile, bytes));
        QCOMPARE(bytes.left(17), hex("00 00 00 00") + char(flag) + hex("00") + "!Zelvar71!" + hex("03"));
        QByteArray table = nameIds.mid(0, 1) + hex("01 00") + nameIds.mid(1, 1) + hex("00 00") + nameIds.mid(2, 1)
            + hex("02 01");
        for (int j = 3; j < 16; ++j)
            table += QByteArray(1, '\0') + char(fades[j]) + QByteArray(1, '\0');
        QCOMPARE(bytes.mid(43, 48).toHex(' '), table.toHex(' '));
        QCOMPARE(bytes.mid(91), QByteArray("Open    ") + hex("00 09 00"));
    }

    void extractedFileNames_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QByteArray>("name"); // the 18 bytes of the slot
        QTest::addColumn<QString>("fileName");
        QTest::newRow("plain") << 1 << testsupport::padded("Spot 575", 18) << "001-Spot 575.zff";
        QTest::newRow("unsafe characters") << 255 << testsupport::padded("a/b\\c:*?\"<>|", 18) << "255-a_b_c_______.zff";
        QTest::newRow("control bytes") << 20 << QByteArray("Par\x01\x7f\x9f" "64", 8).append(10, ' ')
                                       << "020-Par___64.zff";
        QTest::newRow("lead blank, trailing dot") << 12 << testsupport::padded(" Wash.", 18) << "012-Wash.zff";
        QTest::newRow("Latin-1") << 3 << testsupport::padded("T\xeate", 18) << QStringLiteral("003-T\u00eate.zff");
        QTest::newRow("blanks") << 7 << QByteArray(18, ' ') << "007-unnamed.zff";
        QTest::newRow("NULs") << 8 << QByteArray(18, '\0') << "008-unnamed.zff";
    }
    void extractedFileNames()
    {
        QFETCH(int, slot);
        QFETCH(QByteArray, name);
        QFETCH(QString, fileName);
        SetFixture f;
        f.slot = slot;
        f.setup.fixtureName = FixedText<18>::fromBytes(name.constData());
        QCOMPARE(ExtractedProfileFileName(f), fileName);
    }

    void extractedNameFiles()
    {
        DownloadSet set;
        set.namesFlag = 1;
        set.names[0] = SetName::fromBytes("Pan\0\0\0\0\0");
        set.names[17] = SetName::fromBytes("Color 1\0");
        set.names[59] = SetName::fromBytes("Fog\0\0\0\0\0");
        set.names[61] = SetName::fromBytes("A\0B\0\0\0\0\0");
        set.names[255] = SetName::fromBytes("ABCDEFGH");

        const QByteArray down = ExtractedNameDownFile(set);
        QCOMPARE(down.size(), 2048);
        QCOMPARE(down.mid(0, 8), QByteArray("Pan     "));
        QCOMPARE(down.mid(8 * 1, 8), QByteArray(8, '\0'));
        QCOMPARE(down.mid(8 * 17, 8), QByteArray("Color 1 "));
        QCOMPARE(down.mid(8 * 59, 8), QByteArray("Fog     "));
        QCOMPARE(down.mid(8 * 60, 8), QByteArray(8, '\0'));
        QCOMPARE(down.mid(8 * 61, 8), QByteArray("A\0B     ", 8));
        QCOMPARE(down.mid(8 * 255, 8), QByteArray("ABCDEFGH"));

        const QByteArray names = ExtractedNameSetFile(set);
        QCOMPARE(names.size(), 2560);
        QCOMPARE(names.mid(0, 10), hex("00 00") + "Pan     ");
        QCOMPARE(names.mid(10 * 1, 10), hex("01 01") + "Pan Fine"); // built in, whatever the set holds
        QCOMPARE(names.mid(10 * 17, 10), hex("11 11") + "Color1  ");
        QCOMPARE(names.mid(10 * 40, 10), hex("28 28") + "Mir. Fin");
        QCOMPARE(names.mid(10 * 58, 10), hex("3a 3a") + "Not Used");
        QCOMPARE(names.mid(10 * 59, 10), hex("3b 3b") + "Fog     ");
        QCOMPARE(names.mid(10 * 60, 10), QByteArray(10, '\0'));
        QCOMPARE(names.mid(10 * 61, 10), hex("3d 3d") + QByteArray("A\0B     ", 8));
        QCOMPARE(names.mid(10 * 255, 10), hex("ff ff") + "ABCDEFGH");
    }
};

QTEST_GUILESS_MAIN(TestDownloadSetReader)
#include "tst_downloadsetreader.moc"
