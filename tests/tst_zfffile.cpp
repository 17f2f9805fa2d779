// The .zff fixture profile file: exact bytes of the files the editor writes, round trips,
// and refusal of malformed files without touching the profile in memory; the fixture
// editor's recovery file, which carries one.
#include "fixture/profilerecovery.h"
#include "fixture/zfffile.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvar;
using testsupport::hex;
using testsupport::padded;


namespace {

// What the editor holds right after a reset to `channels` channels, with the master
// mask the fresh check list gives (all channels).
FixtureProfile newProfile(int channels, const QString &name = QStringLiteral("New Fixture"))
{
    FixtureProfile p;
    ResetProfileValues(p, channels, name);
    p.setup.masterMask = AllMasterChannels;
    return p;
}

QByteArray encoded(const FixtureProfile &p)
{
    QByteArray out;
    if (!EncodeProfile(p, out))
        qFatal("profile could not be encoded");
    return out;
}

QByteArray saved(FixtureProfile p)
{
    PrepareForSave(p);
    return encoded(p);
}

// A profile whose every byte, scratch slots included, is random but valid.
FixtureProfile randomProfile(QRandomGenerator &rng)
{
    const auto byte = [&rng] { return quint8(rng.bounded(256)); };
    FixtureProfile p;
    for (quint8 &b : p.header.reserved)
        b = byte();
    p.header.duplicateFlag = qint16(rng.bounded(-32768, 32768));
    char marker[MarkerLength];
    for (char &c : marker)
        c = char(byte());
    p.header.marker = FixedText<MarkerLength>::fromBytes(marker);
    p.setup.channelCount = quint8(rng.bounded(1, MaxChannels + 1));
    char name[FixtureNameLength];
    for (char &c : name)
        c = char(byte());
    p.setup.fixtureName = FixedText<FixtureNameLength>::fromBytes(name);
    p.setup.blackChannel = byte();
    p.setup.blackValue = byte();
    p.setup.masterMask = quint16(rng.bounded(65536));
    p.setup.panCoarse = byte();
    p.setup.panFine = byte();
    p.setup.tiltCoarse = byte();
    p.setup.tiltFine = byte();
    for (ChannelEntry &c : p.channels)
        c = ChannelEntry{byte(), byte(), quint8(rng.bounded(StepsPerChannel + 1))};
    for (StepRecord &s : p.steps) {
        char stepName[StepNameLength];
        for (char &c : stepName)
            c = char(byte());
        s.name = FixedText<StepNameLength>::fromBytes(stepName);
        s.fromDmx = byte();
        s.toDmx = byte();
        s.stepDmx = byte();
    }
    return p;
}

// A profile that tells apart any change a failed read might make.
FixtureProfile sentinelProfile()
{
    QRandomGenerator rng(7);
    return randomProfile(rng);
}

} // namespace

class TestZffFile : public QObject
{
    Q_OBJECT

private slots:
    void newEightChannelProfileIsTheBareHeader()
    {
        const QByteArray file = saved(newProfile(8));
        QCOMPARE(file.size(), 91);
        QCOMPARE(file.left(17), hex("00000000 0100") + QByteArray("!Zelvar71!") + hex("08"));
        QCOMPARE(file.mid(17, 18), padded("New Fixture", 18));
        QCOMPARE(file.mid(35, 8), hex("ff 00 ffff 00000000"));
        QCOMPARE(file.mid(43, 24), hex("210100").repeated(8));
        QCOMPARE(file.mid(67, 24), QByteArray(24, '\0'));
    }

    void oneChannelProfileHasNoDuplicate()
    {
        const QByteArray file = saved(newProfile(1));
        QCOMPARE(file.mid(4, 2), hex("0000"));
        QCOMPARE(file.at(16), char(1));
    }

    void largestProfile()
    {
        FixtureProfile p = newProfile(16);
        for (ChannelEntry &c : p.channels)
            c.stepCount = StepsPerChannel;
        QCOMPARE(saved(p).size(), 8891);
    }

    void stepsOfChannelTwoFollowTheChannelTable()
    {
        FixtureProfile p = newProfile(8);
        p.channels[1].stepCount = 3;
        p.steps[size_t(FixtureProfile::slotOf(2, 1))].name.assign("Open");
        p.steps[size_t(FixtureProfile::slotOf(2, 1))].toDmx = 10;
        p.steps[size_t(FixtureProfile::slotOf(2, 1))].stepDmx = 5;
        p.steps[size_t(FixtureProfile::slotOf(2, 3))].name.assign("Strobe Fast");
        p.steps[size_t(FixtureProfile::slotOf(2, 3))].fromDmx = 200;
        p.steps[size_t(FixtureProfile::slotOf(2, 3))].toDmx = 255;
        p.steps[size_t(FixtureProfile::slotOf(2, 3))].stepDmx = 227;
        p.steps[size_t(FixtureProfile::slotOf(3, 1))].name.assign("Scratch"); // not a step: not written

        const QByteArray file = saved(p);
        QCOMPARE(file.size(), 124);
        QCOMPARE(file.mid(46, 3), hex("210103"));
        QCOMPARE(file.mid(91, 11), QByteArray("Open    ") + hex("000a05"));
        QCOMPARE(file.mid(102, 11), QByteArray(8, ' ') + hex("000000"));
        QCOMPARE(file.mid(113, 11), QByteArray("Strobe F") + hex("c8ffe3"));
    }

    void duplicateNamesAmongUsedChannelsOnly()
    {
        FixtureProfile p = newProfile(4);
        const quint8 ids[] = {0, 2, 6, 5};
        for (int i = 0; i < 4; ++i)
            p.channels[size_t(i)].nameId = ids[i];
        p.channels[4] = ChannelEntry{6, 1, 2}; // beyond the count: ignored and cleared
        p.channels[5] = ChannelEntry{6, 1, 0};
        QByteArray file = saved(p);
        QCOMPARE(file.mid(4, 2), hex("0000"));
        QCOMPARE(file.mid(43 + 12, 36), QByteArray(36, '\0'));
        QCOMPARE(file.size(), 91);

        p.channels[3].nameId = 0; // channel 4 now shares channel 1's name
        file = saved(p);
        QCOMPARE(file.mid(4, 2), hex("0100"));
    }

    void textFieldsArePaddedOrCut()
    {
        FixtureProfile p = newProfile(2, QStringLiteral("Twenty Characters!!"));
        p.setup.fixtureName.assign(QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
        p.channels[0].stepCount = 1;
        p.steps[0].name.assign("Open");
        const QByteArray file = saved(p);
        QCOMPARE(file.mid(17, 18), QByteArray("ABCDEFGHIJKLMNOPQR"));
        QCOMPARE(file.mid(91, 8), QByteArray("Open    "));
    }

    void masterMaskBytes()
    {
        FixtureProfile p = newProfile(16);
        QCOMPARE(saved(p).mid(37, 2), hex("ffff"));
        p.setup.masterMask = 0x0101; // channels 1 and 9
        QCOMPARE(saved(p).mid(37, 2), hex("0101"));
    }

    void fadeModeTexts()
    {
        QCOMPARE(FadeModeText(0), QStringLiteral("Snap Before"));
        QCOMPARE(FadeModeText(1), QStringLiteral("Fade"));
        QCOMPARE(FadeModeText(2), QStringLiteral("Snap After"));
        QCOMPARE(FadeModeText(3), QString());
        QCOMPARE(FadeModeText(255), QString());
    }

    void resetKeepsWhatItShouldNotTouch()
    {
        FixtureProfile p = sentinelProfile();
        const FixtureProfile before = p;
        ResetProfileValues(p, 6, QStringLiteral("Spot"));
        QCOMPARE(p.header.reserved, before.header.reserved);
        QCOMPARE(p.setup.masterMask, before.setup.masterMask);
        for (int i = 6; i < MaxChannels; ++i)
            QCOMPARE(p.channels[size_t(i)], before.channels[size_t(i)]);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(p.channels[size_t(i)], (ChannelEntry{33, 1, 0}));
        for (const StepRecord &s : p.steps)
            QCOMPARE(s, BlankStep());
        QCOMPARE(p.setup.blackChannel, quint8(255));
        QCOMPARE(p.header.marker.bytes(), QByteArray("!Zelvar71!"));
    }

    void fileRoundTripKeepsReservedBytes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("spot.zff"));
        QByteArray original = saved(newProfile(3));
        original.replace(0, 4, hex("deadbeef"));
        QVERIFY(testsupport::writeAll(path, original));

        FixtureProfile p = newProfile(8);
        QVERIFY(ReadProfile(path, p).ok());
        QVERIFY(WriteProfile(p, path).ok());
        QCOMPARE(testsupport::readAll(path), original);
    }

    void randomProfilesRoundTrip()
    {
        QRandomGenerator rng(20261207);
        for (int round = 0; round < 300; ++round) {
            const FixtureProfile p = randomProfile(rng);
            const QByteArray first = encoded(p);
            FixtureProfile back = randomProfile(rng);
            const FixtureProfile scratch = back;
            QVERIFY(DecodeProfile(first, back).ok());
            QCOMPARE(encoded(back), first);
            QCOMPARE(back.header, p.header);
            QCOMPARE(back.setup, p.setup);
            QCOMPARE(back.channels, p.channels);
            // Slots the counts cover come from the file; the others keep their contents.
            for (int k = 0; k < MaxChannels; ++k) {
                for (int s = 0; s < StepsPerChannel; ++s) {
                    const size_t slot = size_t(k * StepsPerChannel + s);
                    const bool covered = s < p.channels[size_t(k)].stepCount;
                    QCOMPARE(back.steps[slot], covered ? p.steps[slot] : scratch.steps[slot]);
                }
            }
        }
    }

    void filesFromElsewhereAreTakenAsTheyAre()
    {
        QByteArray file = saved(newProfile(2));
        file.replace(4, 12, hex("0700") + QByteArray("NOTZELVAR!"));
        file.append("trailing bytes are ignored");
        FixtureProfile p = sentinelProfile();
        QVERIFY(DecodeProfile(file, p).ok());
        QCOMPARE(p.header.duplicateFlag, qint16(7));
        QCOMPARE(p.header.marker.bytes(), QByteArray("NOTZELVAR!"));
        QCOMPARE(encoded(p), file.left(91));
    }

    void truncatedFilesAreRefused()
    {
        FixtureProfile source = newProfile(5);
        source.channels[0].stepCount = 2;
        source.channels[4].stepCount = 7;
        const QByteArray full = saved(source);
        QCOMPARE(full.size(), 91 + 11 * 9);
        for (int length = 0; length < full.size(); ++length) {
            FixtureProfile p = sentinelProfile();
            const Outcome o = DecodeProfile(full.left(length), p);
            QVERIFY2(!o.ok(), qPrintable(QStringLiteral("length %1 accepted").arg(length)));
            QVERIFY(!o.reason().isEmpty());
            QVERIFY(p == sentinelProfile());
        }
        FixtureProfile p = sentinelProfile();
        QVERIFY(DecodeProfile(full, p).ok());
    }

    void channelCountsOutOfRange_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("0") << 0;
        for (int count = 17; count <= 255; ++count)
            QTest::newRow(qPrintable(QString::number(count))) << count;
    }
    void channelCountsOutOfRange()
    {
        QFETCH(int, count);
        QByteArray file = saved(newProfile(8));
        file[16] = char(count);
        FixtureProfile p = sentinelProfile();
        const Outcome o = DecodeProfile(file, p);
        QVERIFY(!o.ok());
        QCOMPARE(o.reason(), QStringLiteral("channel count %1; a fixture has 1 to 16 channels").arg(count));
        QVERIFY(p == sentinelProfile());
    }

    void stepCountsAboveFifty()
    {
        for (int channel : {1, 3, 16}) {
            for (int count = 51; count <= 255; ++count) {
                QByteArray file = saved(newProfile(16));
                file[43 + 3 * (channel - 1) + 2] = char(count);
                file.append(QByteArray(11 * 255, 'x')); // long enough: only the count is wrong
                FixtureProfile p = sentinelProfile();
                const Outcome o = DecodeProfile(file, p);
                QVERIFY(!o.ok());
                QCOMPARE(o.reason(), QStringLiteral("channel %1 has %2 steps; at most 50").arg(channel).arg(count));
                QVERIFY(p == sentinelProfile());
            }
        }
    }

    void countsPastTheEndOfTheFile()
    {
        QByteArray file = saved(newProfile(2));
        file[43 + 2] = char(50);
        file[43 + 5] = char(50);
        file.append(QByteArray(11 * 99, 'x'));
        FixtureProfile p = sentinelProfile();
        const Outcome o = DecodeProfile(file, p);
        QVERIFY(!o.ok());
        QCOMPARE(o.reason(), QStringLiteral("the file ends after 1180 bytes; its step counts need 1191"));
        QVERIFY(p == sentinelProfile());
        // Counts beyond the channel count are read as well, so they must fit too.
        QByteArray beyond = saved(newProfile(2));
        beyond[43 + 3 * 15 + 2] = char(1);
        QVERIFY(!DecodeProfile(beyond, p).ok());
        beyond.append(QByteArray("Beyond  ") + hex("010203"));
        QVERIFY(DecodeProfile(beyond, p).ok());
        QCOMPARE(p.steps[size_t(FixtureProfile::slotOf(16, 1))].name.bytes(), QByteArray("Beyond  "));
    }

    void readAndWriteFailuresSayWhy()
    {
        QTemporaryDir dir;
        FixtureProfile p = sentinelProfile();
        Outcome o = ReadProfile(dir.filePath(QStringLiteral("missing.zff")), p);
        QVERIFY(!o.ok());
        QVERIFY2(o.reason().contains(QStringLiteral("missing.zff")), qPrintable(o.reason()));
        QVERIFY(p == sentinelProfile());

        o = WriteProfile(newProfile(8), dir.filePath(QStringLiteral("no-such-folder/lamp.zff")));
        QVERIFY(!o.ok());
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("no-such-folder"))));
    }

    void oversizedStepCountIsNotWritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lamp.zff"));
        QVERIFY(testsupport::writeAll(path, QByteArray("previous")));
        FixtureProfile p = newProfile(16);
        p.channels[15].stepCount = 51;
        const Outcome o = WriteProfile(p, path);
        QVERIFY(!o.ok());
        QCOMPARE(o.reason(), QStringLiteral("channel 16 has 51 steps; at most 50"));
        QCOMPARE(testsupport::readAll(path), QByteArray("previous"));
    }

    void saveReplacesALongerFileEntirely()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lamp.zff"));
        QVERIFY(testsupport::writeAll(path, QByteArray(5000, 'x')));
        FixtureProfile p = newProfile(8);
        PrepareForSave(p);
        QVERIFY(WriteProfile(p, path).ok());
        QCOMPARE(testsupport::readAll(path), saved(newProfile(8)));
    }

    void headerAlone()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("head.zff"));
        QVERIFY(testsupport::writeAll(path, hex("01020304 0100") + QByteArray("!Zelvar71!")));
        ProfileHeader h;
        QVERIFY(ReadProfileHeader(path, h).ok());
        QCOMPARE(h.duplicateFlag, qint16(1));
        QCOMPARE(h.reserved, (std::array<quint8, 4>{1, 2, 3, 4}));
        QVERIFY(testsupport::writeAll(path, hex("01020304 0100")));
        QVERIFY(!ReadProfileHeader(path, h).ok());
    }

    void recoveryFileLayout()
    {
        FixtureProfile unsaved = newProfile(2, QStringLiteral("Wash"));
        unsaved.channels[1].nameId = 6;
        QByteArray file;
        QVERIFY(EncodeProfileRecovery(unsaved, QStringLiteral("/shows/w\u00e4sh.zff"), file));
        // The path in UTF-8 after its length, then the profile as its file holds it,
        // unsaved and so without a duplicate flag worked out.
        QCOMPARE(file.left(35), QByteArray("Zelvar71 unsaved fixture profile\n") + hex("10 00"));
        QCOMPARE(file.mid(35, 16), QByteArray("/shows/w\xc3\xa4sh.zff"));
        QCOMPARE(file.mid(51), encoded(unsaved));

        FixtureProfile read;
        QString fileName;
        QVERIFY(DecodeProfileRecovery(file, read, fileName));
        // The file holds only the used steps: the slots beyond them come back blank.
        QCOMPARE(encoded(read), encoded(unsaved));
        QCOMPARE(fileName, QStringLiteral("/shows/w\u00e4sh.zff"));
    }

    void damagedRecoveryFilesAreRefused_data()
    {
        QByteArray good;
        if (!EncodeProfileRecovery(newProfile(1), QStringLiteral("a.zff"), good))
            qFatal("no recovery file");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("reason");
        QTest::newRow("another file") << encoded(newProfile(1)) << "not a recovery file";
        QTest::newRow("ends in the path") << good.left(39) << "inside the path";
        QTest::newRow("profile cut short") << good.left(40 + 90) << "90 bytes long";
    }
    void damagedRecoveryFilesAreRefused()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, reason);
        FixtureProfile profile = newProfile(3);
        const FixtureProfile before = profile;
        QString fileName = QStringLiteral("kept.zff");
        const Outcome outcome = DecodeProfileRecovery(file, profile, fileName);
        QVERIFY(!outcome);
        QVERIFY2(outcome.reason().contains(reason), qPrintable(outcome.reason()));
        QVERIFY(profile == before);
        QCOMPARE(fileName, QStringLiteral("kept.zff"));
    }
};

QTEST_GUILESS_MAIN(TestZffFile)
#include "tst_zfffile.moc"
