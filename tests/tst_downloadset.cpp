// The .tzk download-set image byte for byte against images put together in the test from
// the layout table, the names block, the ".tzk" suffix rule, refused sets, and the
// library fixture profiles the build writes beside the programs.
#include "downloadset/downloadsetfile.h"
#include "downloadset/libraryfixtures.h"
#include "fixture/zfffile.h"
#include "handmadezff.h"
#include "testsupport.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvar;
using testsupport::HandChannel;
using testsupport::HandStep;
using testsupport::HandZff;
using testsupport::hex;
using testsupport::put;

namespace {

// An image with only the fixed parts: header, slot 0 as it ends up, everything else zero.
QByteArray emptyImage()
{
    QByteArray image(86529, '\0');
    image.replace(0, 14, QByteArray("ZELVAR71") + hex("01 52 00 00 50 00"));
    const QByteArray slot0 = hex("00") + testsupport::padded("NO FIXTURE", 18)
        + hex("01 02 03 04 05 06 07 08 09 0a 0b 0c 0a 64 0a 64 00 00")
        + hex("01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    image.replace(512, 53, slot0);
    return image;
}

// Where the image differs first, for a readable failure.
QByteArray firstDifference(const QByteArray &actual, const QByteArray &expected)
{
    if (actual == expected)
        return QByteArray();
    const qsizetype n = qMin(actual.size(), expected.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (actual[i] != expected[i])
            return QStringLiteral("offset %1: %2 instead of %3")
                .arg(i)
                .arg(quint8(actual[i]))
                .arg(quint8(expected[i]))
                .toLatin1();
    }
    return QStringLiteral("length %1 instead of %2").arg(actual.size()).arg(expected.size()).toLatin1();
}

#define COMPARE_IMAGE(actual, expected)                                                                      \
    do {                                                                                                     \
        const QByteArray difference = firstDifference(actual, expected);                                     \
        QVERIFY2(difference.isEmpty(), difference.constData());                                              \
    } while (false)

// A 2048-byte names file with a few interesting names; the rest are eight NULs.
QByteArray namesFile()
{
    QByteArray names(2048, '\0');
    names.replace(0, 8, QByteArray("Pan     "));
    names.replace(8 * 1, 8, QByteArray("Tilt\0\0\0\0", 8));
    names.replace(8 * 2, 8, QByteArray("A B\t \0 \x1f", 8));
    names.replace(8 * 3, 8, QByteArray("ABCDEFGH"));
    names.replace(8 * 4, 8, QByteArray(" lead   "));
    names.replace(8 * 5, 8, QByteArray("\xe9t\xe9     "));
    names.replace(8 * 6, 8, QByteArray("        "));
    names.replace(8 * 255, 8, QByteArray("Last  !!"));
    return names;
}

// The names block that namesFile() gives: trailing codes up to 32 cut, zeros after.
QByteArray namesBlock()
{
    QByteArray block(2048, '\0');
    block.replace(0, 8, QByteArray("Pan\0\0\0\0\0", 8));
    block.replace(8 * 1, 8, QByteArray("Tilt\0\0\0\0", 8));
    block.replace(8 * 2, 8, QByteArray("A B\0\0\0\0\0", 8));
    block.replace(8 * 3, 8, QByteArray("ABCDEFGH"));
    block.replace(8 * 4, 8, QByteArray(" lead\0\0\0", 8));
    block.replace(8 * 5, 8, QByteArray("\xe9t\xe9\0\0\0\0\0", 8));
    block.replace(8 * 255, 8, QByteArray("Last  !!"));
    return block;
}

// A profile of 16 channels with 50 steps each, its step names and values marked with `tag`.
HandZff fullProfile(int tag)
{
    HandZff z;
    z.channelCount = 16;
    z.fixtureName = "Full " + QByteArray::number(tag);
    for (int c = 0; c < 16; ++c) {
        HandChannel channel{quint8(c), quint8(c % 3), {}, -1};
        for (int s = 0; s < 50; ++s)
            channel.steps.append(HandStep{"T" + QByteArray::number(tag) + "C" + QByteArray::number(c) + "S"
                                              + QByteArray::number(s),
                                          quint8(tag), quint8(c), quint8(s)});
        z.channels.append(channel);
    }
    return z;
}

} // namespace

class TestDownloadSet : public QObject
{
    Q_OBJECT

private:
    testsupport::ScratchFolder m_dir;

    QString write(const QString &name, const QByteArray &bytes) { return m_dir.write(name, bytes); }
    QString namesPath() { return write(QStringLiteral("ChNameDown.fix"), namesFile()); }

private slots:
    void libraryFixturesOnly()
    {
        const QString bin = QCoreApplication::applicationDirPath();
        QStringList paths;
        QVector<QByteArray> files;
        for (const char *name : {"KZTFIX16.zff", "KZTFIX8.zff", "KZTFIX6.zff", "KZTFIX4.zff"}) {
            paths << QDir(bin).filePath(QString::fromLatin1(name));
            files << testsupport::readAll(paths.last());
            QVERIFY2(!files.last().isEmpty(), qPrintable(paths.last()));
        }

        ComposedSet set;
        QVERIFY(ComposeDownloadSet(paths, namesPath(), set).ok());
        QVERIFY(set.namesWritten);

        QByteArray expected = emptyImage();
        expected[14080] = 4;
        expected[14082] = 1;
        put(expected, 14592, namesBlock());
        int block = 21504;
        for (int k = 1; k <= 4; ++k) {
            const QByteArray &zff = files[k - 1];
            put(expected, 512 + 53 * k, testsupport::expectedSlot(zff));
            put(expected, 16896 + 16 * k, testsupport::expectedNameIdRow(zff));
            const QByteArray steps = testsupport::expectedStepBlock(zff);
            put(expected, block, steps);
            block += steps.size();
        }
        QCOMPARE(set.image.size(), 86529);
        COMPARE_IMAGE(set.image, expected);
        // Slots 5 to 255 and rows 5 to 255 are zero.
        QCOMPARE(set.image.mid(512 + 53 * 5, 53 * 251), QByteArray(53 * 251, '\0'));
        QCOMPARE(set.image.mid(16896 + 16 * 5, 16 * 251), QByteArray(16 * 251, '\0'));
    }

    void libraryProfilesAreGenericAndDistinct()
    {
        const QString bin = QCoreApplication::applicationDirPath();
        const int counts[] = {16, 8, 6, 4};
        int i = 0;
        for (const char *name : {"KZTFIX16.zff", "KZTFIX8.zff", "KZTFIX6.zff", "KZTFIX4.zff"}) {
            const QByteArray zff = testsupport::readAll(QDir(bin).filePath(QString::fromLatin1(name)));
            QVERIFY2(zff.size() >= 91, name);
            QCOMPARE(zff.mid(0, 16), hex("00 00 00 00 00 00") + QByteArray("!Zelvar71!"));
            const int used = quint8(zff[16]);
            QCOMPARE(used, counts[i]);
            QSet<int> nameIds;
            int steps = 0;
            for (int j = 0; j < 16; ++j) {
                const int nameId = quint8(zff[43 + 3 * j]);
                const int stepCount = quint8(zff[43 + 3 * j + 2]);
                if (j < used) {
                    nameIds.insert(nameId);
                    QVERIFY(nameId < 59); // a built-in name
                    QVERIFY(quint8(zff[43 + 3 * j + 1]) <= 2);
                    QVERIFY(stepCount <= 50);
                } else {
                    QCOMPARE(zff.mid(43 + 3 * j, 3), hex("00 00 00"));
                }
                steps += stepCount;
            }
            QCOMPARE(nameIds.size(), used);
            QCOMPARE(zff.size(), 91 + 11 * steps);
            // Each step's own value lies inside its range.
            for (int s = 0; s < steps; ++s) {
                const int from = quint8(zff[91 + 11 * s + 8]), to = quint8(zff[91 + 11 * s + 9]);
                const int value = quint8(zff[91 + 11 * s + 10]);
                QVERIFY(from <= value && value <= to);
            }
            // What the build wrote is what the library code gives.
            QByteArray again;
            QVERIFY(EncodeProfile(LibraryFixtureProfile(i), again).ok());
            QCOMPARE(zff, again);
            ++i;
        }
    }

    // A library profile gone from the programs' folder is written again: into that folder
    // when the program may write it, else into the user's data folder, which the selection
    // then lists. Profiles that are there, in either folder, stay as they are.
    void onlyMissingLibraryProfilesAreWrittenAgain_data()
    {
        QTest::addColumn<bool>("ownFolder"); // restored into the programs' folder itself
        QTest::newRow("the programs' folder") << true;
        QTest::newRow("the user's data folder") << false;
    }
    void onlyMissingLibraryProfilesAreWrittenAgain()
    {
        QFETCH(bool, ownFolder);
        // The build's files, one of them gone and one changed by hand.
        const QDir bin(QCoreApplication::applicationDirPath());
        QTemporaryDir folder;
        const QString program = folder.filePath(QStringLiteral("program"));
        const QString restore = ownFolder ? program : folder.filePath(QStringLiteral("data/Zelvar71"));
        QVERIFY(QDir().mkpath(program));
        for (const char *name : {"KZTFIX16.zff", "KZTFIX8.zff", "KZTFIX6.zff", "KZTFIX4.zff"})
            QVERIFY(QFile::copy(bin.filePath(QLatin1String(name)), program + QLatin1Char('/') + QLatin1String(name)));
        QVERIFY(QFile::remove(program + QStringLiteral("/KZTFIX8.zff")));
        QVERIFY(testsupport::writeAll(program + QStringLiteral("/KZTFIX4.zff"), "edited"));

        QCOMPARE(LibraryFixturePath(1, program, restore), restore + QStringLiteral("/KZTFIX8.zff"));
        QVERIFY(RestoreMissingLibraryFixtures(program, restore));
        QCOMPARE(testsupport::readAll(restore + QStringLiteral("/KZTFIX8.zff")),
                 testsupport::readAll(bin.filePath(QStringLiteral("KZTFIX8.zff"))));
        QCOMPARE(testsupport::readAll(program + QStringLiteral("/KZTFIX4.zff")), QByteArray("edited"));
        QCOMPARE(QDir(program).entryList(QDir::Files).size(), ownFolder ? 4 : 3);
        const QStringList paths = {LibraryFixturePath(0, program, restore), LibraryFixturePath(1, program, restore),
                                   LibraryFixturePath(2, program, restore), LibraryFixturePath(3, program, restore)};
        QCOMPARE(paths, (QStringList{program + QStringLiteral("/KZTFIX16.zff"), restore + QStringLiteral("/KZTFIX8.zff"),
                                     program + QStringLiteral("/KZTFIX6.zff"), program + QStringLiteral("/KZTFIX4.zff")}));

        // The restored copy is the user's now: a second start leaves it alone.
        QVERIFY(testsupport::writeAll(restore + QStringLiteral("/KZTFIX8.zff"), "mine"));
        QVERIFY(RestoreMissingLibraryFixtures(program, restore));
        QCOMPARE(testsupport::readAll(restore + QStringLiteral("/KZTFIX8.zff")), QByteArray("mine"));
    }

    void fourChannelsWithStepsOnChannels1And3()
    {
        HandZff z;
        z.reserved = hex("de ad be ef");
        z.channelCount = 4;
        z.fixtureName = "Spot Four";
        z.blackChannel = 3;
        z.blackValue = 7;
        z.masterMask = 0x0104;
        z.panCoarse = 1;
        z.panFine = 2;
        z.tiltCoarse = 3;
        z.tiltFine = 4;
        z.channels = {
            HandChannel{0, 1, {{"Left", 0, 127, 63}, {"Right", 128, 255, 191}}, -1},
            HandChannel{2, 1, {}, -1},
            HandChannel{9, 2, {{"White", 0, 9, 5}, {"Red", 10, 19, 15}, {"Blue", 20, 29, 25}}, -1},
            HandChannel{6, 0, {}, -1},
            // Beyond the channel count: the fade mode still goes into the slot, the name does not.
            HandChannel{44, 2, {}, -1},
        };
        z.channels.resize(16);
        z.channels[15].fadeMode = 1;
        const QString path = write(QStringLiteral("four.zff"), z.bytes());

        ComposedSet set;
        QVERIFY(ComposeDownloadSet({path}, namesPath(), set).ok());

        QByteArray expected = emptyImage();
        expected[14080] = 1;
        expected[14082] = 1;
        put(expected, 14592, namesBlock());
        put(expected, 512 + 53,
            hex("04") + testsupport::padded("Spot Four", 18) + hex("01 02 03 04") + hex("00 00 00 00 00 00 00 00")
                + hex("03 07 04 01 00 00") + hex("01 01 02 00 02 00 00 00 00 00 00 00 00 00 00 01"));
        put(expected, 16896 + 16, hex("00 02 09 06 00 00 00 00 00 00 00 00 00 00 00 00"));
        put(expected, 21504,
            hex("02 00 03 00 00 00 00 00 00 00 00 00 00 00 00 00") + testsupport::padded("Left", 8) + hex("00 7f 3f")
                + testsupport::padded("Right", 8) + hex("80 ff bf") + testsupport::padded("White", 8)
                + hex("00 09 05") + testsupport::padded("Red", 8) + hex("0a 13 0f") + testsupport::padded("Blue", 8)
                + hex("14 1d 19"));
        COMPARE_IMAGE(set.image, expected);
    }

    void stepArea_data()
    {
        QTest::addColumn<int>("fixtures");
        QTest::addColumn<int>("length");
        // Each block of 16 channels with 50 steps is 16 + 11 x 800 = 8816 bytes.
        QTest::newRow("7 full fixtures stay inside the image") << 7 << 86529;
        QTest::newRow("8 full fixtures run past 86528") << 8 << 21504 + 8 * 8816;
        QTest::newRow("255 full fixtures") << 255 << 21504 + 255 * 8816;
    }

    void stepArea()
    {
        QFETCH(int, fixtures);
        QFETCH(int, length);
        QStringList paths;
        QVector<QByteArray> files;
        for (int k = 1; k <= fixtures; ++k) {
            files << fullProfile(k).bytes();
            paths << write(QStringLiteral("full%1.zff").arg(k), files.last());
        }
        ComposedSet set;
        QVERIFY(ComposeDownloadSet(paths, namesPath(), set).ok());
        QCOMPARE(set.image.size(), length);
        QCOMPARE(quint8(set.image[14080]), quint8(fixtures));

        for (int k = 1; k <= fixtures; ++k) {
            const QByteArray &zff = files[k - 1];
            const int block = 21504 + (k - 1) * 8816;
            QCOMPARE(set.image.mid(block, 16), QByteArray(16, char(50)));
            QCOMPARE(set.image.mid(block + 16, 8800), zff.mid(91));
            QCOMPARE(set.image.mid(512 + 53 * k, 53), testsupport::expectedSlot(zff));
            QCOMPARE(set.image.mid(16896 + 16 * k, 16), hex("00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f"));
        }
        if (length == 86529) {
            const int end = 21504 + fixtures * 8816;
            QCOMPARE(set.image.mid(end), QByteArray(86529 - end, '\0'));
        }
    }

    void namesFileUse_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("written");
        QTest::newRow("2048 bytes") << namesFile() << true << true;
        QTest::newRow("2047 bytes") << namesFile().left(2047) << true << false;
        QTest::newRow("2049 bytes") << namesFile() + QByteArray(1, 'x') << true << false;
        QTest::newRow("empty") << QByteArray() << true << false;
        QTest::newRow("missing") << QByteArray() << false << false;
    }

    void namesFileUse()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, present);
        QFETCH(bool, written);
        const QString fixture = write(QStringLiteral("one.zff"), HandZff().bytes());
        QString names = m_dir.file(QStringLiteral("names-missing.fix"));
        if (present)
            names = write(QStringLiteral("names.fix"), file);

        ComposedSet set;
        QVERIFY(ComposeDownloadSet({fixture}, names, set).ok());
        QCOMPARE(set.namesWritten, written);
        QCOMPARE(set.namesProblem.isEmpty(), written);
        QCOMPARE(quint8(set.image[14082]), quint8(written ? 1 : 0));
        QCOMPARE(set.image.mid(14592, 2048), written ? namesBlock() : QByteArray(2048, '\0'));
        // The rest of the set is there either way.
        QCOMPARE(quint8(set.image[14080]), quint8(1));
        QCOMPARE(set.image.mid(512 + 53 + 1, 18), testsupport::padded("Hand Made", 18));
        if (!present)
            QVERIFY(!QFile::exists(names)); // composing reads; it creates nothing
    }

    void fileNameSuffix_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("no extension") << "/shows/Show" << "/shows/Show.tzk";
        QTest::newRow("lower case") << "/shows/Show.tzk" << "/shows/Show.tzk";
        QTest::newRow("capitals stay") << "/shows/Show.TZK" << "/shows/Show.TZK";
        QTest::newRow("mixed case") << "/shows/Show.TzK" << "/shows/Show.TzK";
        QTest::newRow("other extension") << "/shows/Show.bin" << "/shows/Show.bin.tzk";
        QTest::newRow("extension cut short") << "/shows/Show.tz" << "/shows/Show.tz.tzk";
        QTest::newRow("only the last four count") << "/shows/a.tzkx" << "/shows/a.tzkx.tzk";
        QTest::newRow("three characters") << "tzk" << "tzk.tzk";
        QTest::newRow("name is the extension") << "/shows/.tzk" << "/shows/.tzk";
    }

    void fileNameSuffix()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QCOMPARE(DownloadSetFileName(chosen), written);
    }

    void stepsBeyondTheChannelCountAreLeftOut()
    {
        // Steps stored for a channel the fixture does not use are not sent, and the next
        // block starts right after the steps the controller is told about.
        HandZff odd;
        odd.channelCount = 2;
        odd.channels = {HandChannel{0, 1, {{"One", 1, 2, 1}}, -1}, HandChannel{2, 1, {}, -1}, HandChannel{},
                        HandChannel{}, HandChannel{},
                        HandChannel{0, 0, {{"Gone1", 9, 9, 9}, {"Gone2", 9, 9, 9}, {"Gone3", 9, 9, 9}}, -1}};
        HandZff next;
        next.fixtureName = "Next";
        next.channels = {HandChannel{5, 0, {{"Open", 10, 20, 15}}, -1}};
        const QString first = write(QStringLiteral("odd.zff"), odd.bytes());
        const QString second = write(QStringLiteral("next.zff"), next.bytes());

        ComposedSet set;
        QVERIFY(ComposeDownloadSet({first, second}, namesPath(), set).ok());
        QCOMPARE(set.image.mid(21504, 16 + 11), hex("01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00")
                                                     + testsupport::padded("One", 8) + hex("01 02 01"));
        QCOMPARE(set.image.mid(21504 + 27, 16 + 11), hex("01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00")
                                                          + testsupport::padded("Open", 8) + hex("0a 14 0f"));
        QCOMPARE(set.image.mid(21504 + 54, 100), QByteArray(100, '\0'));
        QCOMPARE(set.image.mid(16896 + 16, 16), hex("00 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00"));
    }

    void equalFilesGiveEqualSlots()
    {
        HandZff z;
        z.channelCount = 2;
        z.channels = {HandChannel{3, 1, {{"A", 1, 2, 3}}, -1}, HandChannel{4, 2, {{"B", 4, 5, 6}}, -1}};
        const QString a = write(QStringLiteral("a.zff"), z.bytes());
        const QString b = write(QStringLiteral("b.zff"), z.bytes());
        ComposedSet set;
        QVERIFY(ComposeDownloadSet({a, b}, namesPath(), set).ok());
        QCOMPARE(set.image.mid(512 + 53 * 2, 53), set.image.mid(512 + 53, 53));
        QCOMPARE(set.image.mid(512 + 53, 53), testsupport::expectedSlot(z.bytes()));
        QCOMPARE(set.image.mid(16896 + 32, 16), set.image.mid(16896 + 16, 16));
        const QByteArray block = testsupport::expectedStepBlock(z.bytes());
        QCOMPARE(set.image.mid(21504, block.size()), block);
        QCOMPARE(set.image.mid(21504 + block.size(), block.size()), block);
    }

    void refusedSets_data()
    {
        QTest::addColumn<QByteArray>("bad");      // content of the second file; empty: no file
        QTest::addColumn<QString>("reason");      // part of the reason
        QByteArray noChannels = HandZff().bytes();
        noChannels[16] = 0;
        QByteArray tooManySteps = HandZff().bytes();
        tooManySteps[43 + 2] = char(51);
        QTest::newRow("missing") << QByteArray() << "does not exist";
        QTest::newRow("shorter than its header") << QByteArray(10, '\0') << "10 bytes long";
        QTest::newRow("no channels") << noChannels << "channel count 0";
        QTest::newRow("51 steps") << tooManySteps << "channel 1 has 51 steps";
        QTest::newRow("steps cut off") << HandZff{QByteArray(4, '\0'), 0, 1, "Cut", 0, 0, 0, 0, 0, 0, 0,
                                                  {HandChannel{1, 1, {{"S", 1, 1, 1}}, -1}}}
                                                  .bytes()
                                                  .left(95)
                                       << "ends after 95 bytes";
    }

    void refusedSets()
    {
        QFETCH(QByteArray, bad);
        QFETCH(QString, reason);
        const QString good = write(QStringLiteral("good.zff"), HandZff().bytes());
        QString second = m_dir.file(QStringLiteral("second.zff"));
        QFile::remove(second);
        if (!bad.isEmpty())
            second = write(QStringLiteral("second.zff"), bad);

        QVector<int> reads;
        ComposedSet set;
        const Outcome outcome =
            ComposeDownloadSet({good, second, good}, namesPath(), set, [&](int index) { reads << index; });
        QVERIFY(!outcome.ok());
        QVERIFY2(outcome.reason().startsWith(second + QStringLiteral(": ")), qPrintable(outcome.reason()));
        QVERIFY2(outcome.reason().contains(reason), qPrintable(outcome.reason()));
        QCOMPARE(set.failedFixture, 1);
        QVERIFY(set.image.isEmpty());
        QCOMPARE(reads, QVector<int>({0, 1}));
    }

    void countLimits()
    {
        const QString good = write(QStringLiteral("good.zff"), HandZff().bytes());
        ComposedSet set;
        QVERIFY(!ComposeDownloadSet({}, namesPath(), set).ok());
        QVERIFY(set.image.isEmpty());

        QStringList many;
        for (int i = 0; i < 256; ++i)
            many << good;
        Outcome outcome = ComposeDownloadSet(many, namesPath(), set);
        QVERIFY(!outcome.ok());
        QVERIFY2(outcome.reason().contains(QStringLiteral("at most 255 fixtures")), qPrintable(outcome.reason()));
        QVERIFY(set.image.isEmpty());

        many.removeLast();
        QVector<int> reads;
        QVERIFY(ComposeDownloadSet(many, namesPath(), set, [&](int index) { reads << index; }).ok());
        QCOMPARE(quint8(set.image[14080]), quint8(255));
        QCOMPARE(set.image.mid(512 + 53 * 255, 53), testsupport::expectedSlot(HandZff().bytes()));
        QCOMPARE(set.image.size(), 86529);
        QCOMPARE(reads.size(), 255);
        QCOMPARE(reads.first(), 0);
        QCOMPARE(reads.last(), 254);
    }
};

QTEST_GUILESS_MAIN(TestDownloadSet)
#include "tst_downloadset.moc"
