// zelvar71-cli send and receive run as a user runs them, against pseudo-terminals: bytes
// exact in blocks, the port given as a path or a number, receive ending after idle seconds
// or on Ctrl+C, and errors on stderr with a non-zero exit.
#include "pseudoterminal.h"
#include "testsupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using testsupport::readAll;
using testsupport::writeAll;

namespace {

// Runs zelvar71-cli while this process's event loop serves the far end of the line.
struct Cli
{
    QProcess process;
    explicit Cli(const QStringList &args)
    {
        process.start(QStringLiteral(ZELVAR71_CLI), args);
        if (!process.waitForStarted())
            qFatal("zelvar71-cli did not start");
    }
    bool finish()
    {
        QElapsedTimer timer;
        timer.start();
        while (process.state() != QProcess::NotRunning && timer.elapsed() < 60000)
            QTest::qWait(10);
        return process.state() == QProcess::NotRunning;
    }
    // Waits for the first line on stdout (the receive says when it listens).
    QByteArray firstLine()
    {
        QElapsedTimer timer;
        timer.start();
        while (!process.canReadLine() && timer.elapsed() < 30000)
            QTest::qWait(10);
        return process.readLine();
    }
};

QByteArray sample(int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(char(255 - i % 251));
    return bytes;
}

} // namespace

class TestSerialCli : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("ZELVAR71_PORTS"); }

    void sendToADevicePath()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("show.tzk"));
        QVERIFY(writeAll(file, sample(1300)));
        PseudoTerminal line;
        Cli cli({QStringLiteral("send"), line.devicePath(), file});
        QVERIFY(cli.finish());
        line.readNow();
        QCOMPARE(cli.process.exitCode(), 0);
        QCOMPARE(line.received, sample(1300));
        QCOMPARE(cli.process.readAllStandardOutput(),
                 QStringLiteral("sent 1300 bytes of %1 to %2\n").arg(file, line.devicePath()).toLocal8Bit());
    }

    void sendToAPortNumber()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("show.tzk"));
        QVERIFY(writeAll(file, sample(700)));
        PseudoTerminal line;
        mapPorts(QStringLiteral("5=%1").arg(line.devicePath()));
        Cli cli({QStringLiteral("send"), QStringLiteral("5"), file});
        QVERIFY(cli.finish());
        line.readNow();
        QCOMPARE(cli.process.exitCode(), 0);
        QCOMPARE(line.received, sample(700));
    }

    void sendFailuresExitWithAReason_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing file") << QStringList{"send", "/dev/null", "/nonexistent/show.tzk"} << 1
                                      << "zelvar71-cli: /nonexistent/show.tzk: ";
        QTest::newRow("no such port") << QStringList{"send", "/nonexistent/ttyUSB0", "FILE"} << 1
                                      << "zelvar71-cli: cannot open the serial port: /nonexistent/ttyUSB0: no such device";
        QTest::newRow("port number out of range") << QStringList{"send", "7", "FILE"} << 1
                                                  << "zelvar71-cli: port 7: use a device path or a number 3 to 6";
        QTest::newRow("missing argument") << QStringList{"send", "3"} << 2 << "usage: zelvar71-cli send PORT FILE";
        QTest::newRow("bad idle") << QStringList{"receive", "3", "FILE", "--idle", "x"} << 2
                                  << "usage: zelvar71-cli receive PORT FILE [--idle SECONDS]";
    }
    void sendFailuresExitWithAReason()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("f.bin"));
        QVERIFY(writeAll(file, QByteArray("x")));
        args.replaceInStrings(QStringLiteral("FILE"), file);
        Cli cli(args);
        QVERIFY(cli.finish());
        QCOMPARE(cli.process.exitCode(), exitCode);
        const QString stderrText = QString::fromLocal8Bit(cli.process.readAllStandardError());
        QVERIFY2(stderrText.startsWith(error), qPrintable(stderrText));
        QVERIFY(cli.process.readAllStandardOutput().isEmpty());
    }

    void receiveEndsAfterIdleSeconds()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("back.tzk"));
        QVERIFY(writeAll(target, QByteArray(5000, 'o'))); // replaced by what arrives
        PseudoTerminal line;
        line.write(QByteArray("before")); // waiting before the receive: not stored
        Cli cli({QStringLiteral("receive"), line.devicePath(), target, QStringLiteral("--idle"), QStringLiteral("1")});
        QCOMPARE(cli.firstLine(), QStringLiteral("receiving from %1 into %2\n").arg(line.devicePath(), target).toLocal8Bit());
        line.write(sample(300));
        QVERIFY(cli.finish());
        QCOMPARE(cli.process.exitCode(), 0);
        QCOMPARE(readAll(target), sample(300));
        QCOMPARE(cli.process.readAllStandardOutput(),
                 QStringLiteral("received 300 bytes from %1 into %2\n").arg(line.devicePath(), target).toLocal8Bit());
    }

    void receiveEndsOnCtrlC()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("back.bin"));
        PseudoTerminal line;
        Cli cli({QStringLiteral("receive"), line.devicePath(), target});
        cli.firstLine();
        line.write(QByteArray("0123456789"));
        // On disk as it arrives, beside the target until the receive ends.
        QTRY_COMPARE(readAll(target + QStringLiteral(".partial")), QByteArray("0123456789"));
        ::kill(pid_t(cli.process.processId()), SIGINT);
        QVERIFY(cli.finish());
        QCOMPARE(cli.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.process.exitCode(), 0);
        QCOMPARE(readAll(target), QByteArray("0123456789"));
        QVERIFY(!QFile::exists(target + QStringLiteral(".partial")));
        QVERIFY(cli.process.readAllStandardOutput().endsWith("received 10 bytes from " + line.devicePath().toLocal8Bit()
                                                             + " into " + target.toLocal8Bit() + "\n"));
    }

    void receiveReportsAPulledCable()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("back.bin"));
        PseudoTerminal line;
        Cli cli({QStringLiteral("receive"), line.devicePath(), target});
        cli.firstLine();
        QVERIFY(writeAll(target, QByteArray("old")));
        line.write(QByteArray("abc"));
        QTRY_COMPARE(readAll(target + QStringLiteral(".partial")), QByteArray("abc"));
        line.hangUp();
        QVERIFY(cli.finish());
        QCOMPARE(cli.process.exitCode(), 1);
        const QByteArray error = cli.process.readAllStandardError();
        QVERIFY2(error.startsWith("zelvar71-cli: receive stopped: " + line.devicePath().toLocal8Bit()), error.constData());
        QVERIFY2(error.endsWith("; back.bin is unchanged; the 3 bytes that arrived are kept in back.bin.partial\n"),
                 error.constData());
        // Cut short: the old file stays, the bytes lie beside it.
        QCOMPARE(readAll(target), QByteArray("old"));
        QCOMPARE(readAll(target + QStringLiteral(".partial")), QByteArray("abc"));
    }
};

QTEST_GUILESS_MAIN(TestSerialCli)
#include "tst_serialcli.moc"
