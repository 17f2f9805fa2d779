// zelvar71-cli link ... run as a user runs it, against the simulated Kiron link: a send and
// a timed receive byte for byte, and failures on stderr with a non-zero exit.
#include "clirun.h"
#include "testsupport.h"
#include "usbsimulator.h"

#include <QtTest>

using testsupport::UsbSimulator;

namespace {

CliRun link(const QStringList &args)
{
    return runCli(QStringList{QStringLiteral("link")} + args);
}

QByteArray pattern(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 13 + i / 256);
    return bytes;
}

} // namespace

class TestLinkCli : public QObject
{
    Q_OBJECT

private slots:
    void sendAndReceive()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_usb_dmx");
        const QString out = sim.path(QStringLiteral("to-controller.bin"));
        const QString in = sim.path(QStringLiteral("from-controller.bin"));
        sim.setLinkFiles(out, in);
        const QString show = sim.path(QStringLiteral("show.tzk"));
        QVERIFY(testsupport::writeAll(show, pattern(1021)));
        QVERIFY(testsupport::writeAll(in, pattern(700)));

        CliRun run = link({QStringLiteral("send"), show});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.isEmpty(), run.err.constData());
        QCOMPARE(run.out, QByteArray("1021 bytes sent\n"));
        QCOMPARE(testsupport::readAll(out), pattern(1021));
        QCOMPARE(sim.writes().size(), 3);

        const QString back = sim.path(QStringLiteral("back.bin"));
        run = link({QStringLiteral("receive"), back, QStringLiteral("2")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("700 bytes received\n"));
        QCOMPARE(testsupport::readAll(back), pattern(700));
    }

    void failures()
    {
        UsbSimulator sim;
        const QString show = sim.path(QStringLiteral("show.tzk"));
        QVERIFY(testsupport::writeAll(show, pattern(100)));

        // No interface: its message, and a failure.
        CliRun run = link({QStringLiteral("send"), show});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith("No USB Device Connected or Device Error!\n"), run.err.constData());

        // A file that is not there is not created and sent empty.
        sim.setDevices("kzt_usb_dmx");
        const QString typo = sim.path(QStringLiteral("shwo.tzk"));
        run = link({QStringLiteral("send"), typo});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(!QFile::exists(typo));

        // No driver: one line for the command after the binding's message, no other reason.
        qputenv("ZELVAR71_D2XX", QFile::encodeName(sim.path(QStringLiteral("missing.so"))));
        run = link({QStringLiteral("send"), show});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.endsWith(".so.\nzelvar71-cli: link send: no USB driver is loaded\n"), run.err.constData());
        QCOMPARE(run.err.count('\n'), 3);

        // A library without the names: each call that finds none says so, in order.
        qputenv("ZELVAR71_D2XX", "libm.so.6");
        const QByteArray opening("Error:Can't Find FT_ListDevices\nFT_Close is not valid!\n"
                                 "FT_ListDevices is not valid!\nNo USB Device Connected or Device Error!\n");
        run = link({QStringLiteral("send"), show});
        QCOMPARE(run.err, opening + "FT_ClrRts is not valid!\nFT_Write is not valid!\nFT_Close is not valid!\n"
                                    "zelvar71-cli: link send: the interface stopped taking data\n");
        run = link({QStringLiteral("receive"), sim.path(QStringLiteral("in.bin")), QStringLiteral("0")});
        QCOMPARE(run.err, opening + "FT_SetRts is not valid!\nFT_Close is not valid!\n"
                                    "zelvar71-cli: link receive: the interface stopped answering\n");

        QCOMPARE(link({QStringLiteral("receive"), show}).exitCode, 2);
        QCOMPARE(link({QStringLiteral("receive"), show, QStringLiteral("soon")}).exitCode, 2);
        QCOMPARE(link({QStringLiteral("send")}).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestLinkCli)
#include "tst_linkcli.moc"
