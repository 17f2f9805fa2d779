// zelvar71-cli stick ... run as a user runs it, against the simulated stick: listing,
// copies both ways, delete and format, and failures on stderr with a non-zero exit.
#include "testsupport.h"
#include "usbsimulator.h"

#include "clirun.h"
#include <QtTest>

using testsupport::UsbSimulator;

namespace {

// The simulator's settings travel to the program through the environment.
CliRun stick(const QStringList &args)
{
    return runCli(QStringList{QStringLiteral("stick")} + args);
}

} // namespace

class TestStickCli : public QObject
{
    Q_OBJECT

private slots:
    void writeListReadDeleteFormat()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_dmx20");
        QVERIFY(testsupport::writeAll(sim.stickFile(QStringLiteral("zeta.DAT")), QByteArray("z")));
        QVERIFY(testsupport::writeAll(sim.stickFile(QStringLiteral("Alpha")), QByteArray("a")));
        const QString source = sim.path(QStringLiteral("SHOW1.tzk"));
        QByteArray content(1234, '\0');
        for (int i = 0; i < content.size(); ++i)
            content[i] = char(i * 7);
        QVERIFY(testsupport::writeAll(source, content));

        CliRun run = stick({QStringLiteral("write"), source});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.isEmpty(), run.err.constData());
        QCOMPARE(testsupport::readAll(sim.stickFile(QStringLiteral("SHOW1.tzk"))), content);

        run = stick({QStringLiteral("list")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("Alpha\nSHOW1.tzk\nzeta.DAT\n"));

        const QString copy = sim.path(QStringLiteral("copy.tzk"));
        run = stick({QStringLiteral("read"), QStringLiteral("SHOW1.tzk"), copy});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(testsupport::readAll(copy), content);

        run = stick({QStringLiteral("del"), QStringLiteral("zeta.DAT")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(!QFile::exists(sim.stickFile(QStringLiteral("zeta.DAT"))));
        QCOMPARE(stick({QStringLiteral("list")}).out, QByteArray("Alpha\nSHOW1.tzk\n"));

        run = stick({QStringLiteral("format")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(QDir(sim.stickFolder()).isEmpty());
        run = stick({QStringLiteral("list")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.isEmpty());

        // The same bytes went on the wire as from the dialog.
        QVERIFY(sim.writes().contains(testsupport::hex("12 a4 ffffffffffffffff 0000000000000000 52 00000000000000000000")));
    }

    // Two computer files whose names the stick cuts to the same one: the second replaces the
    // first only when told to.
    void writeNeverReplacesAStickFileUnasked()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_dmx20");
        const QString first = sim.path(QStringLiteral("showfile1.tzk"));
        const QString second = sim.path(QStringLiteral("showfile2.tzk"));
        QVERIFY(testsupport::writeAll(first, QByteArray("first show")));
        QVERIFY(testsupport::writeAll(second, QByteArray("second show")));
        const QByteArray told("showfile%1.tzk will be stored on the stick as showfile.tzk: the stick keeps at most 8 "
                              "characters before the point and 8 after it.\n");

        CliRun run = stick({QStringLiteral("write"), first});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray(told).replace("%1", "1"));

        run = stick({QStringLiteral("write"), second});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QByteArray(told).replace("%1", "2")
                              + "zelvar71-cli: stick write: showfile.tzk is already on the stick and was not "
                                "replaced (--replace replaces it)\n");
        QCOMPARE(testsupport::readAll(sim.stickFile(QStringLiteral("showfile.tzk"))), QByteArray("first show"));

        run = stick({QStringLiteral("write"), QStringLiteral("--replace"), second});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(testsupport::readAll(sim.stickFile(QStringLiteral("showfile.tzk"))), QByteArray("second show"));
        QCOMPARE(stick({QStringLiteral("list")}).out, QByteArray("showfile.tzk\n"));
    }

    void failuresGoToStderrWithExitOne()
    {
        UsbSimulator sim;
        CliRun run = stick({QStringLiteral("list")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        // The open said why; the reason does not blame a stick that was never reached.
        QCOMPARE(run.err, QByteArray("No USB Device Connected or Device Error!\n"
                                     "zelvar71-cli: stick list: no USB interface is open\n"));

        sim.setDevices("kzt_dmx20");
        const QString copy = sim.path(QStringLiteral("copy"));
        run = stick({QStringLiteral("read"), QStringLiteral("NONE.DAT"), copy});
        QCOMPARE(run.exitCode, 1);
        // The refusal names the stick's file, not the one it would have gone to.
        QCOMPARE(run.err, QByteArray("zelvar71-cli: stick read: the stick refused to read NONE.DAT\n"));
        QVERIFY(!QFile::exists(copy));

        run = stick({QStringLiteral("del"), QStringLiteral("NONE.DAT")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith("Error!\n"), run.err.constData());

    }

    void missingDriverIsToldOnceWithWhereItWasLookedFor()
    {
        UsbSimulator sim;
        const QString library = sim.path(QStringLiteral("missing.so"));
        qputenv("ZELVAR71_D2XX", QFile::encodeName(library));
        const CliRun run = stick({QStringLiteral("format")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        // The binding's two lines, then one line for the command and no guess at a reason.
        QCOMPARE(QString::fromLocal8Bit(run.err),
                 QStringLiteral("Error:Can't Load ft8u245.dll,Please Install Driver\n"
                                "Looked for the file named by ZELVAR71_D2XX: %1.\n"
                                "zelvar71-cli: stick format: no USB driver is loaded\n")
                     .arg(library));
    }

    void libraryWithoutEntryPointsIsToldCallByCall()
    {
        UsbSimulator sim;
        qputenv("ZELVAR71_D2XX", "libm.so.6"); // loads, but has none of the names
        const CliRun run = stick({QStringLiteral("list")});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QByteArray("Error:Can't Find FT_ListDevices\n"
                                     "FT_Close is not valid!\n"
                                     "FT_ListDevices is not valid!\n"
                                     "No USB Device Connected or Device Error!\n"
                                     "FT_Write is not valid!\n"
                                     "FT_ClrRts is not valid!\n"
                                     "zelvar71-cli: stick list: no USB interface is open\n"));
    }

    void writeOfAFileThatIsNotThereTouchesNothing()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_dmx20");
        QVERIFY(testsupport::writeAll(sim.stickFile(QStringLiteral("SHOW1.tzk")), QByteArray("show")));
        const QString typo = sim.path(QStringLiteral("SHOW1.tzk"));
        const CliRun run = stick({QStringLiteral("write"), typo});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(QString::fromLocal8Bit(run.err), QStringLiteral("zelvar71-cli: stick write: no such file: %1\n").arg(typo));
        QVERIFY(!QFile::exists(typo));
        QCOMPARE(testsupport::readAll(sim.stickFile(QStringLiteral("SHOW1.tzk"))), QByteArray("show"));
        // Refused before the driver is even loaded: no call reached it.
        QVERIFY(sim.journal().isEmpty());
    }

    void shortListingPrintsTheEntriesThatCame()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_dmx20");
        QVERIFY(testsupport::writeAll(sim.stickFile(QStringLiteral("ONE.DAT")), QByteArray("1")));
        sim.setStickReply("00000060"); // three entries announced, one comes
        const CliRun run = stick({QStringLiteral("list")});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QByteArray("ONE.DAT\n"));
        QCOMPARE(run.err, QByteArray("zelvar71-cli: stick list: the listing ended after 1 of 3 files\n"));
    }

    void wrongCommandLines()
    {
        UsbSimulator sim;
        for (const QStringList &args : {QStringList{}, QStringList{QStringLiteral("erase")},
                                        QStringList{QStringLiteral("read"), QStringLiteral("A")},
                                        QStringList{QStringLiteral("list"), QStringLiteral("extra")},
                                        QStringList{QStringLiteral("list"), QStringLiteral("--replace")},
                                        QStringList{QStringLiteral("write"), QStringLiteral("--replace")}}) {
            const CliRun run = stick(args);
            QCOMPARE(run.exitCode, 2);
            QVERIFY(run.err.contains("usage: zelvar71-cli stick list"));
            if (args.size() == 1)
                QVERIFY2(run.err.startsWith("zelvar71-cli: unknown command stick erase\n"), run.err.constData());
        }
        QCOMPARE(sim.count(QStringLiteral("FT_")), 0);
    }
};

QTEST_GUILESS_MAIN(TestStickCli)
#include "tst_stickcli.moc"
