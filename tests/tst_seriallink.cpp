// The serial link without its window: the port map, the port on real pseudo-terminals (line
// settings, open failures, input and output counts, notifications, hang-up), the send loop,
// and the log box's text.
#include "pseudoterminal.h"
#include "testsupport.h"

#include "seriallink/devicecheck.h"
#include "seriallink/downloadcomm.h"
#include "seriallink/filesender.h"
#include "seriallink/logtext.h"
#include "seriallink/portmap.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvar;

class TestSerialLink : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("ZELVAR71_PORTS"); }

    void defaultPortMapNamesTheUsbAdapters()
    {
        qunsetenv("ZELVAR71_PORTS");
        QCOMPARE(portDevicePath(3), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(portDevicePath(4), QStringLiteral("/dev/ttyUSB1"));
        QCOMPARE(portDevicePath(5), QStringLiteral("/dev/ttyUSB2"));
        QCOMPARE(portDevicePath(6), QStringLiteral("/dev/ttyUSB3"));
        QCOMPARE(portDevicePath(2), QString());
        QCOMPARE(portDevicePath(7), QString());
    }

    void portMapFromTheEnvironment_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("ports"); // devices of ports 3, 4, 5, 6
        const QString none;
        QTest::newRow("two ports") << "3=/dev/serial/by-id/usb-A,4=/dev/ttyACM0"
                                   << QStringList{"/dev/serial/by-id/usb-A", "/dev/ttyACM0", none, none};
        QTest::newRow("blanks") << " 6 = /dev/ttyS1 " << QStringList{none, none, none, "/dev/ttyS1"};
        QTest::newRow("out of range and bad entries left out")
            << "2=/dev/a,7=/dev/b,x=/dev/c,5,4=,5=/dev/d" << QStringList{none, none, "/dev/d", none};
        QTest::newRow("last of two wins") << "3=/dev/a,3=/dev/b" << QStringList{"/dev/b", none, none, none};
    }
    void portMapFromTheEnvironment()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, ports);
        mapPorts(text);
        for (int n = 3; n <= 6; ++n)
            QCOMPARE(portDevicePath(n), ports.at(n - 3));
    }

    void linesSettingsReachTheDevice()
    {
        PseudoTerminal line;
        DownLoadComm port;
        QVERIFY(port.setSettings(QStringLiteral("38400,N,8,2")));
        port.setDevicePath(line.devicePath());
        QVERIFY(port.setPortOpen(true));
        termios t{};
        QCOMPARE(tcgetattr(line.slaveFd(), &t), 0);
        QCOMPARE(cfgetospeed(&t), speed_t(B38400));
        QCOMPARE(cfgetispeed(&t), speed_t(B38400));
        QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
        QVERIFY(t.c_cflag & CSTOPB);
        QVERIFY(!(t.c_cflag & PARENB));
        QVERIFY(!(t.c_cflag & CRTSCTS));
        QVERIFY(!(t.c_iflag & (IXON | IXOFF)));
        // 11 bits a byte: 512 bytes take 146.7 ms at 38,400 bit/s.
        QCOMPARE(qRound(port.lineMilliseconds(512) * 10), 1467);
    }

    void badLineSettingsAreRefused_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::newRow("three fields") << "38400,N,8";
        QTest::newRow("rate") << "fast,N,8,2";
        QTest::newRow("parity") << "38400,X,8,2";
        QTest::newRow("data bits") << "38400,N,9,2";
        QTest::newRow("stop bits") << "38400,N,8,3";
    }
    void badLineSettingsAreRefused()
    {
        QFETCH(QString, settings);
        DownLoadComm port;
        QVERIFY(port.setSettings(QStringLiteral("38400,N,8,2")));
        QVERIFY(!port.setSettings(settings));
        QCOMPARE(port.Settings(), QStringLiteral("38400,N,8,2"));
    }

    void openFailuresSayWhy()
    {
        PseudoTerminal held;
        QSerialPort holder;
        holder.setPortName(held.devicePath());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        mapPorts(QStringLiteral("3=/nonexistent/ttyUSB9,4=/dev/null,5=%1").arg(held.devicePath()));

        DownLoadComm port;
        const auto failureOf = [&port](int number) {
            port.setCommPort(number);
            if (port.setPortOpen(true))
                return PortOpenFailure::None;
            return port.openFailure().kind;
        };
        QCOMPARE(failureOf(3), PortOpenFailure::Missing);
        QCOMPARE(failureOf(4), PortOpenFailure::NotSerial);
        QCOMPARE(failureOf(5), PortOpenFailure::Busy);
        QCOMPARE(port.openFailure().device, held.devicePath());
        QCOMPARE(failureOf(6), PortOpenFailure::NoDevice);
        QVERIFY(!port.PortOpen());
    }

    void linksAreResolvedSoOneDeviceHasOneLock()
    {
        PseudoTerminal line;
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("controller"));
        QVERIFY(QFile::link(line.devicePath(), link));
        QCOMPARE(resolveDevicePath(link), line.devicePath());
        mapPorts(QStringLiteral("3=%1,4=%2").arg(link, line.devicePath()));

        DownLoadComm first;
        first.setCommPort(3);
        QVERIFY(first.setPortOpen(true));
        QCOMPARE(first.deviceName(), line.devicePath());
        DownLoadComm second;
        second.setCommPort(4);
        QVERIFY(!second.setPortOpen(true));
        QCOMPARE(second.openFailure().kind, PortOpenFailure::Busy);
    }

    void deviceCheckTakesTheFirstPortThatOpens()
    {
        PseudoTerminal busy, free;
        QSerialPort holder;
        holder.setPortName(busy.devicePath());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        mapPorts(QStringLiteral("3=/nonexistent/a,4=/dev/null,5=%1,6=%2").arg(busy.devicePath(), free.devicePath()));
        DownLoadComm port;
        const DeviceCheckResult check = openFirstCandidatePort(port);
        QVERIFY(check.open);
        QCOMPARE(port.CommPort(), 6);
        QCOMPARE(port.deviceName(), free.devicePath());
        QVERIFY(check.refusedDevice.isEmpty());
        QCOMPARE(permissionHint(check), QString());

        // An open port is kept, whatever the map says now.
        mapPorts(QStringLiteral("3=%1").arg(busy.devicePath()));
        QVERIFY(openFirstCandidatePort(port).open);
        QCOMPARE(port.CommPort(), 6);
    }

    void permissionHintNamesDeviceAndGroup()
    {
        DeviceCheckResult refused;
        refused.refusedDevice = QStringLiteral("/dev/ttyUSB0");
        refused.refusedGroup = QStringLiteral("dialout");
        QCOMPARE(permissionHint(refused),
                 QStringLiteral("No permission to open /dev/ttyUSB0: add your user to the group dialout and log in again."));
    }

    void inputCountsReadsAndDiscards()
    {
        PseudoTerminal line;
        DownLoadComm port;
        port.setDevicePath(line.devicePath());
        QVERIFY(port.setPortOpen(true));
        QCOMPARE(port.InBufferCount(), 0);

        // Bytes still in the driver count as waiting and are read as they stand.
        line.write(QByteArray("0123456789"));
        QVERIFY(waitWithoutEvents([&] { return port.InBufferCount() == 10; }));
        port.setInputLen(4);
        QCOMPARE(port.Input(), QByteArray("0123"));
        QCOMPARE(port.InBufferCount(), 6);
        port.setInputLen(0);
        QCOMPARE(port.Input(), QByteArray("456789"));

        // Discarding empties both the port's buffer and the driver's.
        line.write(QByteArray("abc"));
        QTRY_COMPARE(port.InBufferCount(), 3); // fetched by the port through the event loop
        line.write(QByteArray("de"));
        QVERIFY(waitWithoutEvents([&] { return port.InBufferCount() == 5; }));
        port.setInBufferCount(0);
        QCOMPARE(port.InBufferCount(), 0);
        QCOMPARE(port.Input(), QByteArray());
    }

    void arrivingBytesRaiseOnComm()
    {
        PseudoTerminal line;
        DownLoadComm port;
        port.setDevicePath(line.devicePath());
        QVERIFY(port.setPortOpen(true));
        QList<int> codes;
        connect(&port, &DownLoadComm::OnComm, this, [&] { codes << port.CommEvent(); });
        line.write(testsupport::hex("00 ff 0d 0a 1a"));
        QTRY_VERIFY(!codes.isEmpty());
        QCOMPARE(codes.first(), CommEventCode::BytesReceived);
        QTRY_COMPARE(port.InBufferCount(), 5);
        QCOMPARE(port.Input(), testsupport::hex("00 ff 0d 0a 1a")); // binary, unchanged

        port.raiseCommEvent(CommEventCode::FramingError);
        QCOMPARE(codes.last(), CommEventCode::FramingError);
        QCOMPARE(port.CommEvent(), CommEventCode::FramingError);
    }

    void outputCountAddsTheLineQueue()
    {
        PseudoTerminal line;
        DownLoadComm port;
        port.setDevicePath(line.devicePath());
        QVERIFY(!port.setOutput(QByteArray("x"))); // not open
        QVERIFY(port.setPortOpen(true));
        QCOMPARE(port.OutBufferSize(), 512);
        QCOMPARE(port.OutBufferCount(), 0);
        QVERIFY(port.setOutput(QByteArray(300, 'a')));
        QVERIFY(port.OutBufferCount() >= 300); // queued in the program until the event loop runs
        QTRY_COMPARE(line.received.size(), 300);
        QCOMPARE(port.OutBufferCount(), 0); // a pseudo-terminal's own queue reads 0

        port.setLineQueueSource([](qint64 handed) { return handed - 200; });
        QCOMPARE(port.OutBufferCount(), 100);
        port.setLineQueueSource(line.farEndQueue());
        QCOMPARE(port.OutBufferCount(), 0);
    }

    void hangUpClosesThePortOnce()
    {
        PseudoTerminal line;
        DownLoadComm port;
        port.setDevicePath(line.devicePath());
        QVERIFY(port.setPortOpen(true));
        QSignalSpy lost(&port, &DownLoadComm::portLost);
        QSignalSpy closed(&port, &DownLoadComm::closed);
        line.hangUp();
        QTRY_COMPARE(lost.size(), 1);
        QVERIFY(!port.PortOpen());
        QVERIFY(lost.first().first().toString().startsWith(line.devicePath() + QStringLiteral(": ")));
        QCOMPARE(closed.size(), 1);
        // The port stays closed: no further error, no further notice.
        QCoreApplication::processEvents();
        QCOMPARE(lost.size(), 1);
    }

    void senderSendsAFileInBlocks()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("set.tzk"));
        QByteArray content;
        for (int i = 0; i < 1300; ++i)
            content.append(char(i * 7));
        QVERIFY(testsupport::writeAll(path, content));

        PseudoTerminal line;
        DownLoadComm port;
        port.setDevicePath(line.devicePath());
        QVERIFY(port.setPortOpen(true));
        port.setLineQueueSource(line.farEndQueue());
        FileSender sender;
        QVERIFY(sender.open(path));
        QCOMPARE(sender.fileSize(), 1300);
        QList<qint64> progress;
        connect(&sender, &FileSender::blockSent, this, [&](qint64 sent) { progress << sent; });
        const FileSender::Result result = sender.run(port);
        QCOMPARE(result.end, FileSender::End::Completed);
        QCOMPARE(result.sentBytes, 1300);
        QCOMPARE(result.confirmedBytes, 1300);
        QCOMPARE(progress, (QList<qint64>{512, 1024, 1300}));
        QCOMPARE(line.received, content);
        QCOMPARE(line.reads, (QList<int>{512, 512, 276}));
    }

    void closingAfterASendKeepsWhatHasLeft()
    {
        // A pseudo-terminal's queue reads 0 while its far end has not yet read: closing the
        // port at the end of a send must not take those bytes back.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("set.tzk"));
        QVERIFY(testsupport::writeAll(path, QByteArray(3000, 'k')));
        PseudoTerminal line;
        line.onRead = [] {};
        DownLoadComm port;
        port.setDevicePath(line.devicePath());
        QVERIFY(port.setPortOpen(true));
        FileSender sender;
        QVERIFY(sender.open(path));
        QCOMPARE(sender.run(port).end, FileSender::End::Completed);
        QVERIFY(port.setPortOpen(false));
        QCOMPARE(port.unsentAtClose(), 0);
        line.readNow();
        QTRY_COMPARE(line.received.size(), 3000);
    }

    void senderEndsOnCancelAndOnAClosedPort()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.bin"));
        QVERIFY(testsupport::writeAll(path, QByteArray(4096, 'z')));
        PseudoTerminal line;
        DownLoadComm port;
        port.setDevicePath(line.devicePath());
        port.setLineQueueSource(line.farEndQueue());
        FileSender sender;

        QVERIFY(sender.open(path));
        QVERIFY(port.setPortOpen(true));
        line.onRead = [&] {
            if (line.received.size() >= 1024)
                sender.close();
        };
        FileSender::Result result = sender.run(port);
        QCOMPARE(result.end, FileSender::End::Cancelled);
        QCOMPARE(line.received.size(), 1024);
        QVERIFY(!sender.isOpen());

        QVERIFY(sender.open(path));
        port.setPortOpen(false);
        result = sender.run(port);
        QCOMPARE(result.end, FileSender::End::PortFailed);
        QCOMPARE(result.sentBytes, 0);
        QCOMPARE(result.reason, QStringLiteral("the port was closed"));
    }

    void logTextShowsEveryByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QString dot(QChar(0x00B7));
        QTest::newRow("plain") << QByteArray("Sum 12") << QStringLiteral("Sum 12");
        QTest::newRow("NUL does not end it") << testsupport::hex("41 00 42") << QStringLiteral("A") + dot + "B";
        QTest::newRow("line ends") << QByteArray("a\nb\r\nc") << QStringLiteral("a\nb\nc");
        QTest::newRow("lone CR and tab") << QByteArray("a\rb\tc") << QStringLiteral("a") + dot + "b\tc";
        QTest::newRow("controls") << testsupport::hex("01 1b 7f 80 9f") << dot.repeated(5);
        QTest::newRow("latin-1") << testsupport::hex("e9 a0 ff") << QStringLiteral("\u00e9\u00a0\u00ff");
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void logTextShowsEveryByte()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(logText(bytes), text);
    }

    void logTextBreaksOverlongLines()
    {
        const QString text = logText(QByteArray(2500, 'x') + "\nend");
        const QStringList lines = text.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(0).size(), 1024);
        QCOMPARE(lines.at(1).size(), 1024);
        QCOMPARE(lines.at(2).size(), 452);
        QCOMPARE(lines.at(3), QStringLiteral("end"));
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
