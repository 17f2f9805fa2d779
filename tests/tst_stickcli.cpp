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

    void failuresGoToStderrWithExitOne()
    {
        UsbSimulator sim;
        CliRun run = stick({QStringLiteral("list")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.startsWith("No USB Device Connected or Device Error!\n"), run.err.constData());

        sim.setDevices("kzt_dmx20");
        const QString copy = sim.path(QStringLiteral("copy"));
        run = stick({QStringLiteral("read"), QStringLiteral("NONE.DAT"), copy});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("refused"), run.err.constData());
        QVERIFY(!QFile::exists(copy));

        run = stick({QStringLiteral("del"), QStringLiteral("NONE.DAT")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith("Error!\n"), run.err.constData());

        qputenv("ZELVAR71_D2XX", QFile::encodeName(sim.path(QStringLiteral("missing.so"))));
        run = stick({QStringLiteral("format")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith("Error:Can't Load ft8u245.dll,Please Install Driver\n"), run.err.constData());
    }

    void wrongCommandLines()
    {
        UsbSimulator sim;
        for (const QStringList &args : {QStringList{}, QStringList{QStringLiteral("erase")},
                                        QStringList{QStringLiteral("read"), QStringLiteral("A")},
                                        QStringList{QStringLiteral("list"), QStringLiteral("extra")}}) {
            const CliRun run = stick(args);
            QCOMPARE(run.exitCode, 2);
            QVERIFY(run.err.contains("usage: zelvar71-cli stick list"));
        }
        QCOMPARE(sim.count(QStringLiteral("FT_")), 0);
    }
};

QTEST_GUILESS_MAIN(TestStickCli)
#include "tst_stickcli.moc"
