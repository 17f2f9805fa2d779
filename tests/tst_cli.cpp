// zelvar71-cli run as a user runs it: zff show on files the tests write, names init (which
// writes over nothing but the defaults), and errors on stderr with a non-zero exit.
#include "channames/channelnamefiles.h"
#include "fixture/zfffile.h"
#include "clirun.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvar;
using testsupport::hex;

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void zffShowPrintsEveryField()
    {
        QTemporaryDir dir;
        FixtureProfile p;
        ResetProfileValues(p, 3, QStringLiteral("Wash \"Q\"\\"));
        p.header.reserved = {0xde, 0xad, 0xbe, 0xef};
        p.setup.blackValue = 12;
        p.setup.masterMask = 0x0005;
        p.setup.panCoarse = 1;
        p.setup.tiltFine = 3;
        p.channels[1] = ChannelEntry{5, 2, 2};
        p.steps[size_t(FixtureProfile::slotOf(2, 1))].name.assign("Open");
        p.steps[size_t(FixtureProfile::slotOf(2, 2))].name.assign("Strobe%1");
        p.steps[size_t(FixtureProfile::slotOf(2, 2))].fromDmx = 10;
        p.steps[size_t(FixtureProfile::slotOf(2, 2))].toDmx = 20;
        p.steps[size_t(FixtureProfile::slotOf(2, 2))].stepDmx = 15;
        PrepareForSave(p);
        const QString path = dir.filePath(QStringLiteral("wash.zff"));
        QVERIFY(WriteProfile(p, path).ok());

        const CliRun run = runCli({QStringLiteral("zff"), QStringLiteral("show"), path});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.isEmpty());
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(run.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);

        QCOMPARE(o.keys().size(), 13);
        QCOMPARE(o[QStringLiteral("reserved")].toString(), QStringLiteral("deadbeef"));
        QCOMPARE(o[QStringLiteral("duplicateFlag")].toInt(), 1); // channels 1 and 3 still share "Special"
        QCOMPARE(o[QStringLiteral("marker")].toString(), QStringLiteral("!Zelvar71!"));
        QCOMPARE(o[QStringLiteral("channelCount")].toInt(), 3);
        QCOMPARE(o[QStringLiteral("fixtureName")].toString(), QString::fromLatin1(testsupport::padded("Wash \"Q\"\\", 18)));
        QCOMPARE(o[QStringLiteral("blackChannel")].toInt(), 255);
        QCOMPARE(o[QStringLiteral("blackValue")].toInt(), 12);
        QCOMPARE(o[QStringLiteral("masterMask")].toInt(), 5);
        QCOMPARE(o[QStringLiteral("panCoarse")].toInt(), 1);
        QCOMPARE(o[QStringLiteral("panFine")].toInt(), 0);
        QCOMPARE(o[QStringLiteral("tiltCoarse")].toInt(), 0);
        QCOMPARE(o[QStringLiteral("tiltFine")].toInt(), 3);

        const QJsonArray channels = o[QStringLiteral("channels")].toArray();
        QCOMPARE(channels.size(), 16);
        const QJsonObject second = channels[1].toObject();
        QCOMPARE(second[QStringLiteral("nameId")].toInt(), 5);
        QCOMPARE(second[QStringLiteral("fadeMode")].toInt(), 2);
        QCOMPARE(second[QStringLiteral("stepCount")].toInt(), 2);
        const QJsonArray steps = second[QStringLiteral("steps")].toArray();
        QCOMPARE(steps.size(), 2);
        QCOMPARE(steps[0].toObject()[QStringLiteral("name")].toString(), QStringLiteral("Open    "));
        const QJsonObject strobe = steps[1].toObject();
        QCOMPARE(strobe[QStringLiteral("name")].toString(), QStringLiteral("Strobe%1"));
        QCOMPARE(strobe[QStringLiteral("fromDmx")].toInt(), 10);
        QCOMPARE(strobe[QStringLiteral("toDmx")].toInt(), 20);
        QCOMPARE(strobe[QStringLiteral("stepDmx")].toInt(), 15);
        QCOMPARE(channels[0].toObject()[QStringLiteral("steps")].toArray().size(), 0);
        QCOMPARE(channels[15].toObject()[QStringLiteral("nameId")].toInt(), 0);

        // Keys come out in the file's order.
        QVERIFY(run.out.indexOf("\"reserved\"") < run.out.indexOf("\"duplicateFlag\""));
        QVERIFY(run.out.indexOf("\"tiltFine\"") < run.out.indexOf("\"channels\""));
    }

    void zffShowRefusesMalformedFiles()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.zff"));
        QByteArray file(91, '\0');
        file[16] = 4;
        file[43 + 3 * 2 + 2] = char(61);
        QVERIFY(testsupport::writeAll(path, file));
        CliRun run = runCli({QStringLiteral("zff"), QStringLiteral("show"), path});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.contains("channel 3 has 61 steps; at most 50"), run.err.constData());

        run = runCli({QStringLiteral("zff"), QStringLiteral("show"), dir.filePath(QStringLiteral("none.zff"))});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("none.zff"));
    }

    // The default files, written where none are or where they hold the defaults already;
    // files that hold any other name stay as they are unless --force is given.
    void namesInitWritesOverNothingButTheDefaults_data()
    {
        QTest::addColumn<QByteArray>("set"); // "-": no such file
        QTest::addColumn<QByteArray>("down");
        QTest::addColumn<bool>("force");
        QTest::addColumn<bool>("written");
        ChannelNameTable table;
        table.LoadDefaultNames();
        const QByteArray set = EncodeChannelNameSet(table);
        const QByteArray down = EncodeChannelNameDown(table);
        table.setName(59, QStringLiteral("Haze"));
        const QByteArray userSet = EncodeChannelNameSet(table);
        QByteArray userDown = down;
        userDown.replace(8 * 255, 8, "Fog     ");
        QTest::newRow("no files") << QByteArray("-") << QByteArray("-") << false << true;
        QTest::newRow("the defaults") << set << down << false << true;
        QByteArray builtInChanged = set;
        builtInChanged.replace(10 * 58 + 2, 8, "Unused  ");
        QTest::newRow("a built-in name changed") << builtInChanged << down << false << false;
        QTest::newRow("a name in entry 59") << userSet << down << false << false;
        QTest::newRow("a name in entry 255 of the download file") << set << userDown << false << false;
        QTest::newRow("a short file of other bytes") << QByteArray(12, 'x') << QByteArray("-") << false << false;
        QTest::newRow("a name in entry 59, --force") << userSet << userDown << true << true;
    }
    void namesInitWritesOverNothingButTheDefaults()
    {
        QFETCH(QByteArray, set);
        QFETCH(QByteArray, down);
        QFETCH(bool, force);
        QFETCH(bool, written);
        QTemporaryDir dir;
        const QString setPath = dir.filePath(QStringLiteral("ChNameSet.fix"));
        const QString downPath = dir.filePath(QStringLiteral("ChNameDown.fix"));
        for (const auto &[path, bytes] : {std::pair{setPath, set}, {downPath, down}}) {
            if (bytes != "-")
                QVERIFY(testsupport::writeAll(path, bytes));
        }
        QStringList args{QStringLiteral("names"), QStringLiteral("init"), dir.path()};
        if (force)
            args << QStringLiteral("--force");
        const CliRun run = runCli(args);
        if (!written) {
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.err, "zelvar71-cli: the channel-name files in " + QFile::encodeName(dir.path())
                                  + " hold names other than the defaults; they are left as they are (--force writes "
                                    "the defaults over them)\n");
            QCOMPARE(testsupport::readAll(setPath), set == "-" ? QByteArray() : set);
            QCOMPARE(QFileInfo::exists(downPath), down != "-");
            return;
        }
        QCOMPARE(run.exitCode, 0);
        const QByteArray setAfter = testsupport::readAll(setPath);
        const QByteArray downAfter = testsupport::readAll(downPath);
        QCOMPARE(setAfter.size(), 2560);
        QCOMPARE(downAfter.size(), 2048);
        QCOMPARE(setAfter.mid(330, 10), hex("2121") + QByteArray("Special "));
        QCOMPARE(setAfter.mid(590), QByteArray(2560 - 590, '\0'));
        QCOMPARE(downAfter.mid(8 * 17, 8), QByteArray("Color 1 "));
        QCOMPARE(downAfter.mid(8 * 59), QByteArray(2048 - 8 * 59, '\0'));
    }

    // The build's own folder may be written and belongs to no package: the names live there.
    void namesPathIsTheProgramsFolderWhenItIsTheUsers()
    {
        const CliRun run = runCli({QStringLiteral("names"), QStringLiteral("path")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QFile::encodeName(QFileInfo(QStringLiteral(ZELVAR71_CLI)).canonicalPath()) + "\n");
    }

    void usageAndFolderErrors()
    {
        QTemporaryDir dir;
        CliRun run = runCli({QStringLiteral("names"), QStringLiteral("init"), dir.filePath(QStringLiteral("nowhere"))});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("nowhere"));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("nowhere"))));

        run = runCli({QStringLiteral("zff"), QStringLiteral("show")});
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.contains("usage"));

        run = runCli({QStringLiteral("names"), QStringLiteral("path"), dir.path()});
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.err, QByteArray("usage: zelvar71-cli names path\n"));
    }

    void helpVersionAndWordsNotUnderstood_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("begins"); // what stdout (exit 0) or stderr (exit 2) begins with
        const QByteArray overview = "usage: zelvar71-cli COMMAND ...\n";
        for (const char *help : {"-h", "--help", "help"})
            QTest::newRow(help) << QStringList{QLatin1String(help)} << 0 << overview;
        QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << 0 << QByteArray("zelvar71-cli 1.09\n");
        for (const char *word : {"zff", "names", "compose", "tzk", "send", "receive", "stick", "link", "usb", "import"})
            QTest::addRow("%s --help", word) << QStringList{QLatin1String(word), QStringLiteral("--help")} << 0
                                             << "usage: zelvar71-cli " + QByteArray(word);
        QTest::newRow("help stick") << QStringList{QStringLiteral("help"), QStringLiteral("stick")} << 0
                                    << QByteArray("usage: zelvar71-cli stick list\n");
        QTest::newRow("stick read -h") << QStringList{QStringLiteral("stick"), QStringLiteral("read"), QStringLiteral("-h")}
                                       << 0 << QByteArray("usage: zelvar71-cli stick list\n");
        QTest::newRow("nothing") << QStringList{} << 2 << "zelvar71-cli: no command given\n" + overview;
        QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate")} << 2
                                         << "zelvar71-cli: unknown command frobnicate\n" + overview;
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--frob")} << 2
                                        << "zelvar71-cli: unknown option --frob\n" + overview;
        QTest::newRow("unknown second word") << QStringList{QStringLiteral("zff"), QStringLiteral("print")} << 2
                                             << QByteArray("zelvar71-cli: unknown command zff print\n"
                                                           "usage: zelvar71-cli zff show FILE\n");
        QTest::newRow("help for no command") << QStringList{QStringLiteral("help"), QStringLiteral("frob")} << 2
                                             << "zelvar71-cli: unknown command frob\n" + overview;
    }

    void helpVersionAndWordsNotUnderstood()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, begins);
        const CliRun run = runCli(args);
        QCOMPARE(run.exitCode, exitCode);
        const QByteArray &shown = exitCode == 0 ? run.out : run.err;
        QVERIFY2(shown.startsWith(begins), shown.constData());
        QVERIFY2((exitCode == 0 ? run.err : run.out).isEmpty(), "nothing on the other stream");
        if (args == QStringList{QStringLiteral("--version")})
            QCOMPARE(run.out, begins);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
