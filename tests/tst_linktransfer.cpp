// The Kiron link's commands and worker against the simulated "kzt_usb_dmx" link: the bytes
// and block sizes on the wire, RTS around each read, what the window is told and on which
// thread, cancel, and the ends by failure.
#include "recordingpanel.h"
#include "testsupport.h"
#include "usbsimulator.h"
#include "usbtool/devicelibrary.h"
#include "usbtool/linkcommands.h"
#include "usbtool/linkpanel.h"

#include <QQueue>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <dlfcn.h>

using namespace zelvar;
using testsupport::UsbSimulator;

namespace {

// Stands in for the dialog, noting also the thread each call came on.
class LinkRecordingPanel : public RecordingPanel<LinkPanel>
{
public:
    QSet<QThread *> threads;

    void setLinkButtons(bool receive, bool cancelReceive, bool send, bool cancelSend) override
    {
        note(QStringLiteral("buttons %1%2%3%4").arg(int(receive)).arg(int(cancelReceive)).arg(int(send)).arg(int(cancelSend)));
    }
    void showStatus(const QString &text) override { note(QStringLiteral("status \"%1\"").arg(text)); }

protected:
    void note(const QString &event) override
    {
        RecordingPanel::note(event);
        threads.insert(QThread::currentThread());
    }
};

// A tool session with one link attached: the simulator, the bound library, the commands.
struct Session
{
    explicit Session(const QByteArray &devices = "kzt_usb_dmx") : commands(device, panel)
    {
        sim.setDevices(devices);
        out = sim.path(QStringLiteral("to-controller.bin"));
        in = sim.path(QStringLiteral("from-controller.bin"));
        sim.setLinkFiles(out, in);
        device.BindDeviceLibrary();
    }
    ~Session()
    {
        commands.cancelAndWait();
        device.CloseInterface();
    }

    // Waits for the finish step of the transfer under way.
    LinkResult finish()
    {
        QSignalSpy finished(&commands, &LinkCommands::transferFinished);
        if (commands.isRunning() && !finished.wait(60000))
            return LinkResult{LinkResult::End::FileFailed, -1, -1, QStringLiteral("no finish step"), QString()};
        if (finished.isEmpty())
            return LinkResult{LinkResult::End::FileFailed, -1, -1, QStringLiteral("nothing ran"), QString()};
        return finished.first().first().value<LinkResult>();
    }

    // The D2XX calls after the link was opened.
    QStringList callsAfterOpen() const
    {
        const QStringList calls = sim.calls();
        const qsizetype at = calls.indexOf(QStringLiteral("FT_SetTimeouts dev0 500 3000 = 0"));
        return at < 0 ? QStringList() : calls.mid(at + 1);
    }

    QList<int> writeSizes() const
    {
        QList<int> sizes;
        for (const QByteArray &w : sim.writes())
            sizes << int(w.size());
        return sizes;
    }

    UsbSimulator sim;
    DeviceLibrary device;
    LinkRecordingPanel panel;
    LinkCommands commands;
    QString out;
    QString in;
};

QByteArray pattern(int size, int seed = 3)
{
    QByteArray bytes(size, '\0');
    quint32 x = quint32(seed) * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = char(x >> 16);
    }
    return bytes;
}

const QString Complete = QStringLiteral("status \"File Option is Complete \"");
const QString Idle = QStringLiteral("buttons 1010");

} // namespace

class TestLinkTransfer : public QObject
{
    Q_OBJECT

private slots:
    void cancelEventIsAutoReset()
    {
        CancelEvent event;
        QVERIFY(!event.test());
        event.set();
        event.set();
        QVERIFY(event.test());
        QVERIFY(!event.test());
        event.set();
        event.reset();
        QVERIFY(!event.test());
    }

    void sendWritesBlocksOf510AndStepsOncePerBlock()
    {
        Session s;
        const QString file = s.sim.path(QStringLiteral("show.tzk"));
        const QByteArray content = pattern(1021);
        QVERIFY(testsupport::writeAll(file, content));
        s.panel.chosenPaths << file;

        s.commands.sendFile();
        QVERIFY(s.commands.isRunning());
        QCOMPARE(s.commands.transferMode, quint16(2));
        QCOMPARE(s.commands.transferPath, file);
        const LinkResult result = s.finish();

        QCOMPARE(result.end, LinkResult::End::Sent);
        QCOMPARE(result.bytes, qint64(1021));
        QCOMPARE(testsupport::readAll(s.out), content);
        QCOMPARE(s.writeSizes(), (QList<int>{510, 510, 1}));
        // The link is opened at 38,400 bit/s, 8N2, no flow control, 500/3000 ms timeouts.
        const QStringList calls = s.sim.calls();
        QCOMPARE(calls.mid(0, 8), (QStringList{QStringLiteral("FT_Close - = 1"),
                                               QStringLiteral("FT_ListDevices number = 0 1"),
                                               QStringLiteral("FT_ListDevices index 0 40000002 = 0 \"kzt_usb_dmx\""),
                                               QStringLiteral("FT_OpenEx \"kzt_usb_dmx\" 40000002 = 0 dev0"),
                                               QStringLiteral("FT_SetBaudRate dev0 38400 = 0"),
                                               QStringLiteral("FT_SetDataCharacteristics dev0 8 2 0 = 0"),
                                               QStringLiteral("FT_SetFlowControl dev0 0 0 0 = 0"),
                                               QStringLiteral("FT_SetTimeouts dev0 500 3000 = 0")}));
        QCOMPARE(s.callsAfterOpen(),
                 (QStringList{QStringLiteral("FT_ClrRts dev0 = 0"), QStringLiteral("FT_Write dev0 510 = 0 510"),
                              QStringLiteral("FT_Write dev0 510 = 0 510"), QStringLiteral("FT_Write dev0 1 = 0 1")}));
        QCOMPARE(s.panel.events,
                 (QStringList{QStringLiteral("choose open \"Send file\" \"\""), QStringLiteral("buttons 0001"),
                              QStringLiteral("status \"Sending\""), QStringLiteral("path ") + file,
                              QStringLiteral("range 3"), QStringLiteral("position 0"), QStringLiteral("step 1"),
                              QStringLiteral("advance"), QStringLiteral("advance"), QStringLiteral("advance"), Idle,
                              Complete, QStringLiteral("position 0")}));
        // The worker touched nothing of the window: every report ran on this thread.
        QCOMPARE(s.panel.threads, QSet<QThread *>{QThread::currentThread()});
        QVERIFY(s.panel.messages().isEmpty());
        // The interface stays open after the transfer.
        QCOMPARE(s.sim.count(QStringLiteral("FT_Close dev0")), 0);
    }

    void sendOfAnEmptyFileWritesNothing()
    {
        Session s;
        const QString file = s.sim.path(QStringLiteral("empty.tzk"));
        QVERIFY(testsupport::writeAll(file, QByteArray()));
        s.panel.chosenPaths << file;
        s.commands.sendFile();
        const LinkResult result = s.finish();
        QCOMPARE(result.end, LinkResult::End::Sent);
        QCOMPARE(result.bytes, qint64(0));
        QVERIFY(s.sim.writes().isEmpty());
        // Its bar is full at its end, as any other send's.
        QCOMPARE(s.panel.events.mid(4), (QStringList{QStringLiteral("range 1"), QStringLiteral("position 0"),
                                                     QStringLiteral("step 1"), QStringLiteral("advance"), Idle,
                                                     Complete, QStringLiteral("position 0")}));
    }

    void sendProgressRangeCountsTheBlocks_data()
    {
        QTest::addColumn<qint64>("fileSize");
        QTest::addColumn<int>("range");
        QTest::newRow("empty") << qint64(0) << 1;
        QTest::newRow("one byte") << qint64(1) << 1;
        QTest::newRow("one block") << qint64(510) << 1;
        QTest::newRow("one byte more") << qint64(511) << 2;
        QTest::newRow("100 blocks") << qint64(51000) << 100;
        QTest::newRow("past 100 blocks") << qint64(51001) << 101;
        QTest::newRow("2 GiB") << qint64(0x80000000) << 4210753;
    }

    void sendProgressRangeCountsTheBlocks()
    {
        QFETCH(qint64, fileSize);
        QFETCH(int, range);
        QCOMPARE(LinkTransfer::sendProgressRange(fileSize), range);
    }

    void sendOfAMissingFileCreatesItEmpty()
    {
        Session s;
        const QString file = s.sim.path(QStringLiteral("typed-name.tzk"));
        s.panel.chosenPaths << file;
        s.commands.sendFile();
        QCOMPARE(s.finish().end, LinkResult::End::Sent);
        QVERIFY(QFile::exists(file));
        QCOMPARE(QFileInfo(file).size(), qint64(0));
        QVERIFY(s.sim.writes().isEmpty());
        QVERIFY(s.panel.messages().isEmpty());
    }

    void closingTheChooserStartsNothing_data()
    {
        QTest::addColumn<bool>("send");
        QTest::newRow("send") << true;
        QTest::newRow("receive") << false;
    }

    void closingTheChooserStartsNothing()
    {
        QFETCH(bool, send);
        Session s;
        if (send)
            s.commands.sendFile();
        else
            s.commands.receiveFile();
        QVERIFY(!s.commands.isRunning());
        QCOMPARE(s.commands.transferMode, quint16(0));
        QCOMPARE(s.panel.events, QStringList{send ? QStringLiteral("choose open \"Send file\" \"\"")
                                                  : QStringLiteral("choose save \"Receive file\" \"\"")});
        // The interface was opened before the chooser, and nothing went over it.
        QVERIFY(s.callsAfterOpen().isEmpty());
        QVERIFY(!QFile::exists(s.out));
    }

    void receiveStoresEveryChunkInOrderUntilCancelled()
    {
        Session s;
        const QByteArray content = pattern(1000, 9);
        QVERIFY(testsupport::writeAll(s.in, content));
        const QString file = s.sim.path(QStringLiteral("back.bin"));
        s.panel.chosenPaths << file;

        s.commands.receiveFile();
        QCOMPARE(s.commands.transferMode, quint16(1));
        QCOMPARE(s.panel.events.mid(0, 3), (QStringList{QStringLiteral("choose save \"Receive file\" \"\""),
                                                        QStringLiteral("buttons 0100"),
                                                        QStringLiteral("status \"Waiting Receive Data ......\"")}));
        // 256, 256, 256 and 232 bytes: four steps, then polls that bring nothing.
        QTRY_COMPARE_WITH_TIMEOUT(s.panel.events.count(QStringLiteral("advance")), 4, 30000);
        QVERIFY(s.commands.isRunning());
        s.commands.cancelReceive();
        const LinkResult result = s.finish();

        QCOMPARE(result.end, LinkResult::End::Cancelled);
        QCOMPARE(result.bytes, qint64(1000));
        QCOMPARE(testsupport::readAll(file), content);
        QCOMPARE(s.panel.events.mid(3, 4), (QStringList{QStringLiteral("path ") + file, QStringLiteral("range 256"),
                                                        QStringLiteral("position 0"), QStringLiteral("step 1")}));
        QCOMPARE(s.panel.events.mid(s.panel.events.size() - 3), (QStringList{Idle, Complete, QStringLiteral("position 0")}));
        // Every read asks for 256 bytes with RTS raised around it.
        const QStringList calls = s.callsAfterOpen();
        QVERIFY(calls.size() >= 4 * 3);
        QCOMPARE(calls.size() % 3, 0);
        for (qsizetype i = 0; i < calls.size(); i += 3) {
            QCOMPARE(calls.at(i), QStringLiteral("FT_SetRts dev0 = 0"));
            QVERIFY2(calls.at(i + 1).startsWith(QLatin1String("FT_Read dev0 256 = 0 ")), qPrintable(calls.at(i + 1)));
            QCOMPARE(calls.at(i + 2), QStringLiteral("FT_ClrRts dev0 = 0"));
        }
        QCOMPARE(s.sim.reads().mid(0, 4).join(), content);
        QCOMPARE(s.panel.threads, QSet<QThread *>{QThread::currentThread()});
        QVERIFY(s.panel.messages().isEmpty());
    }

    void receiveWithNothingArrivingLeavesAnEmptyFile()
    {
        Session s;
        const QString file = s.sim.path(QStringLiteral("nothing.bin"));
        s.panel.chosenPaths << file;
        s.commands.receiveFile();
        // At least one poll has come back empty before the cancel.
        QTRY_VERIFY_WITH_TIMEOUT(s.sim.count(QStringLiteral("FT_Read dev0")) >= 1, 30000);
        s.commands.cancelReceive();
        const LinkResult result = s.finish();
        QCOMPARE(result.end, LinkResult::End::Cancelled);
        QVERIFY(QFile::exists(file));
        QCOMPARE(QFileInfo(file).size(), qint64(0));
        QCOMPARE(s.panel.events.count(QStringLiteral("advance")), 0);
        for (const QString &call : s.callsAfterOpen()) {
            if (call.startsWith(QLatin1String("FT_Read")))
                QCOMPARE(call, QStringLiteral("FT_Read dev0 256 = 0 0"));
        }
        QCOMPARE(s.panel.events.at(s.panel.events.size() - 2), Complete);
    }

    void receiveReplacesTheOldFileWithExactlyWhatCame()
    {
        Session s;
        const QString file = s.sim.path(QStringLiteral("old.bin"));
        const QByteArray old = pattern(5000, 1);
        QVERIFY(testsupport::writeAll(file, old));
        const QByteArray content = pattern(300, 2);
        QVERIFY(testsupport::writeAll(s.in, content));
        s.panel.chosenPaths << file;
        s.commands.receiveFile();
        QTRY_COMPARE_WITH_TIMEOUT(s.panel.events.count(QStringLiteral("advance")), 2, 30000);
        // Until the receive ends the old file is whole.
        QCOMPARE(testsupport::readAll(file), old);
        s.commands.cancelReceive();
        s.finish();
        QCOMPARE(testsupport::readAll(file), content);
    }

    void cancelDuringALongSendStopsAfterTheBlockInHand_data()
    {
        QTest::addColumn<bool>("closing");
        QTest::newRow("Cancel Send") << false;
        // The window's close, once the user has said to stop: the status says how far it got.
        QTest::newRow("a closing window") << true;
    }

    void cancelDuringALongSendStopsAfterTheBlockInHand()
    {
        QFETCH(bool, closing);
        Session s;
        s.sim.setLinkPaced(true);
        const QString file = s.sim.path(QStringLiteral("long.tzk"));
        // 200 blocks: about half a minute at 38,400 bit/s.
        const QByteArray content = pattern(200 * 510, 5);
        QVERIFY(testsupport::writeAll(file, content));
        s.panel.chosenPaths << file;
        s.commands.sendFile();
        QTRY_VERIFY_WITH_TIMEOUT(s.panel.events.contains(QStringLiteral("advance")), 30000);
        if (closing)
            s.commands.stop();
        else
            s.commands.cancelSend();
        const LinkResult result = s.finish();

        QCOMPARE(result.end, LinkResult::End::Cancelled);
        const QByteArray sent = testsupport::readAll(s.out);
        // Whole blocks only, each of them on the link, and the rest never sent.
        QVERIFY(sent.size() > 0);
        QVERIFY(sent.size() < content.size());
        QCOMPARE(sent.size() % 510, 0);
        QCOMPARE(sent, content.left(sent.size()));
        QCOMPARE(result.bytes, qint64(sent.size()));
        QCOMPARE(s.panel.events.count(QStringLiteral("advance")), int(sent.size() / 510));
        for (int size : s.writeSizes())
            QCOMPARE(size, 510);
        QCOMPARE(s.panel.events.filter(QStringLiteral("status")).last(),
                 closing ? QStringLiteral("status \"Send stopped: %1 of 102000 bytes sent\"").arg(sent.size())
                         : Complete);
        QVERIFY(s.panel.messages().isEmpty());
    }

    void stoppingAReceiveSaysHowManyBytesCame()
    {
        Session s;
        const QByteArray content = pattern(300, 6);
        QVERIFY(testsupport::writeAll(s.in, content));
        const QString file = s.sim.path(QStringLiteral("back.bin"));
        s.panel.chosenPaths << file;
        s.commands.receiveFile();
        QTRY_VERIFY_WITH_TIMEOUT(s.panel.events.count(QStringLiteral("advance")) >= 2, 20000);
        QTest::qWait(600); // a read that times out: all 300 bytes are in
        s.commands.stop();
        const LinkResult result = s.finish();
        QCOMPARE(result.end, LinkResult::End::Cancelled);
        QCOMPARE(testsupport::readAll(file), content);
        QCOMPARE(s.panel.events.filter(QStringLiteral("status")).last(),
                 QStringLiteral("status \"Receive stopped: 300 bytes received\""));
        // A stop asked of a transfer that has ended changes nothing.
        s.commands.stop();
        QVERIFY(!s.commands.isRunning());
    }

    void aLateCancelNeverStopsTheNextTransfer()
    {
        Session s;
        const QString file = s.sim.path(QStringLiteral("show.tzk"));
        QVERIFY(testsupport::writeAll(file, pattern(1021)));
        // A cancel that came after the last transfer's final test.
        s.commands.cancelEvent.set();
        s.panel.chosenPaths << file;
        s.commands.sendFile();
        const LinkResult result = s.finish();
        QCOMPARE(result.end, LinkResult::End::Sent);
        QCOMPARE(s.writeSizes(), (QList<int>{510, 510, 1}));
    }

    void aCancelWithTheLastBlockStillCountsAsSent()
    {
        Session s;
        const QString file = s.sim.path(QStringLiteral("one.tzk"));
        QVERIFY(testsupport::writeAll(file, pattern(100)));
        s.panel.chosenPaths << file;
        s.commands.sendFile();
        s.commands.cancelSend();
        const LinkResult result = s.finish();
        QCOMPARE(result.end, LinkResult::End::Sent);
        QCOMPARE(testsupport::readAll(s.out), pattern(100));
        QVERIFY(s.panel.messages().isEmpty());
    }

    void withoutAnInterfaceOnlyTheInterfaceMessageIsShown_data()
    {
        QTest::addColumn<QByteArray>("devices");
        QTest::addColumn<bool>("send");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("status");
        const QString none = QStringLiteral("No USB Device Connected or Device Error!");
        const QString stick = QStringLiteral("No Kiron link interface is connected (a Pelkom stick is).");
        QTest::newRow("send") << QByteArray() << true << none << "Send failed: 0 of 600 bytes sent";
        QTest::newRow("receive") << QByteArray() << false << none << "Receive failed: 0 bytes received";
        // A stick is not a link: the show never goes into it.
        QTest::newRow("send, only a stick") << QByteArray("kzt_dmx20") << true << stick
                                            << "Send failed: 0 of 600 bytes sent";
        QTest::newRow("receive, only a stick") << QByteArray("kzt_dmx20") << false << stick
                                               << "Receive failed: 0 bytes received";
    }

    void aMessageOfTheWorkerHoldsItUntilTheBoxIsClosed()
    {
        // A box that stays open a while and, as a modal box does, lets the window's events run.
        struct SlowBoxPanel : LinkRecordingPanel
        {
            void showMessage(const QString &text) override
            {
                LinkRecordingPanel::showMessage(text);
                QTest::qWait(100);
                note(QStringLiteral("closed"));
            }
        } panel;
        UsbSimulator sim;
        sim.setDevices("kzt_usb_dmx");
        sim.setLinkFiles(sim.path(QStringLiteral("out.bin")), sim.path(QStringLiteral("in.bin")));
        DeviceLibrary device;
        void *library = dlopen(ZELVAR71_D2XX_SIM, RTLD_NOW | RTLD_LOCAL);
        QVERIFY(library);
        QCOMPARE(device.BindEntryPoints([library](const char *name) -> void * {
            return QByteArray(name) == "FT_SetRts" ? nullptr : dlsym(library, name);
        }),
                 QStringList{QStringLiteral("Error:Can't Find FT_SetRts")});
        LinkCommands commands(device, panel);
        const QString file = sim.path(QStringLiteral("received.bin"));
        panel.chosenPaths << file;
        QSignalSpy finished(&commands, &LinkCommands::transferFinished);
        commands.receiveFile();
        QVERIFY(finished.wait(20000));
        const QString first = QStringLiteral("message FT_SetRts is not valid!");
        const QStringList tail = panel.events.mid(panel.events.indexOf(first));
        QCOMPARE(tail, (QStringList{first, QStringLiteral("closed"), Idle,
                                    QStringLiteral("status \"Receive failed: 0 bytes received\""),
                                    QStringLiteral("position 0"),
                                    QStringLiteral("message Receive stopped: the interface failed before any data "
                                                   "came. received.bin is unchanged!"),
                                    QStringLiteral("closed")}));
        QCOMPARE(panel.threads, QSet<QThread *>{QThread::currentThread()});
        device.CloseInterface();
    }

    void withoutAnInterfaceOnlyTheInterfaceMessageIsShown()
    {
        QFETCH(QByteArray, devices);
        QFETCH(bool, send);
        QFETCH(QString, message);
        QFETCH(QString, status);
        Session s(devices);
        const QString file = s.sim.path(QStringLiteral("show.tzk"));
        QVERIFY(testsupport::writeAll(file, pattern(600)));
        s.panel.chosenPaths << file;
        if (send)
            s.commands.sendFile();
        else
            s.commands.receiveFile();
        const LinkResult result = s.finish();
        QCOMPARE(result.end, LinkResult::End::LinkFailed);
        QCOMPARE(s.panel.messages(), QStringList{QStringLiteral("message ") + message});
        // Never "File Option is Complete ": nothing went.
        QCOMPARE(s.panel.events.at(s.panel.events.size() - 2), QStringLiteral("status \"%1\"").arg(status));
        QCOMPARE(s.panel.events.last(), QStringLiteral("position 0"));
        QCOMPARE(s.sim.count(QStringLiteral("FT_OpenEx")), 0);
        QCOMPARE(s.sim.count(QStringLiteral("FT_Write dev")), 0);
        // Nothing came: the chosen file is left as it was.
        QCOMPARE(testsupport::readAll(file), pattern(600));
    }

    void aLinkThatStopsTakingDataEndsTheSendAndSaysSo_data()
    {
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<int>("reached");
        QTest::addColumn<QList<int>>("writes");
        QTest::newRow("second write fails") << QByteArray("write@2") << 510 << QList<int>{510, 510};
        // A block the link takes only in part is as good as failed.
        QTest::newRow("first write goes half way") << QByteArray("short@1") << 255 << QList<int>{510};
    }

    void aLinkThatStopsTakingDataEndsTheSendAndSaysSo()
    {
        QFETCH(QByteArray, fault);
        QFETCH(int, reached);
        QFETCH(QList<int>, writes);
        Session s;
        s.sim.setFaults(fault);
        const QString file = s.sim.path(QStringLiteral("show.tzk"));
        const QByteArray content = pattern(1500);
        QVERIFY(testsupport::writeAll(file, content));
        s.panel.chosenPaths << file;
        s.commands.sendFile();
        const LinkResult result = s.finish();
        QCOMPARE(result.end, LinkResult::End::LinkFailed);
        QCOMPARE(result.bytes, qint64(reached));
        QCOMPARE(s.writeSizes(), writes);
        QCOMPARE(testsupport::readAll(s.out), content.left(reached));
        QCOMPARE(s.panel.messages(),
                 QStringList{QStringLiteral("message Send is incomplete: %1 of 1500 bytes of show.tzk sent!").arg(reached)});
        // The status line says how far the send got, before the message.
        QCOMPARE(s.panel.events.mid(s.panel.events.size() - 4),
                 (QStringList{Idle, QStringLiteral("status \"Send failed: %1 of 1500 bytes sent\"").arg(reached),
                              QStringLiteral("position 0"), s.panel.messages().first()}));
    }

    void aLinkThatStopsAnsweringEndsTheReceiveAndKeepsBothFiles()
    {
        Session s;
        s.sim.setFaults("read@3");
        const QByteArray content = pattern(1000, 4);
        QVERIFY(testsupport::writeAll(s.in, content));
        const QString file = s.sim.path(QStringLiteral("back.bin"));
        QVERIFY(testsupport::writeAll(file, pattern(40)));
        s.panel.chosenPaths << file;
        s.commands.receiveFile();
        const LinkResult result = s.finish();
        QCOMPARE(result.end, LinkResult::End::LinkFailed);
        QCOMPARE(result.bytes, qint64(512));
        QCOMPARE(testsupport::readAll(file), pattern(40));
        QCOMPARE(testsupport::readAll(file + QStringLiteral(".partial")), content.left(512));
        QCOMPARE(s.panel.messages(),
                 QStringList{QStringLiteral("message Receive stopped: the interface failed. back.bin is unchanged; the "
                                            "512 bytes that arrived are kept in back.bin.partial!")});
    }

    void aLinkThatFailsBeforeAnyDataLeavesTheFileAlone()
    {
        Session s;
        s.sim.setFaults("read@1");
        QVERIFY(testsupport::writeAll(s.in, pattern(1000)));
        const QString file = s.sim.path(QStringLiteral("keep.bin"));
        QVERIFY(testsupport::writeAll(file, pattern(40)));
        s.panel.chosenPaths << file;
        s.commands.receiveFile();
        const LinkResult result = s.finish();
        QCOMPARE(result.end, LinkResult::End::LinkFailed);
        QCOMPARE(testsupport::readAll(file), pattern(40));
        QCOMPARE(s.panel.messages(),
                 QStringList{QStringLiteral(
                     "message Receive stopped: the interface failed before any data came. keep.bin is unchanged!")});
    }

    void aFileThatCannotBeUsedIsNamedInAMessage_data()
    {
        QTest::addColumn<bool>("send");
        QTest::newRow("send") << true;
        QTest::newRow("receive") << false;
    }

    void aFileThatCannotBeUsedIsNamedInAMessage()
    {
        QFETCH(bool, send);
        Session s;
        QVERIFY(testsupport::writeAll(s.in, pattern(100)));
        const QString file = s.sim.path(QStringLiteral("no-such-folder/show.tzk"));
        s.panel.chosenPaths << file;
        if (send)
            s.commands.sendFile();
        else
            s.commands.receiveFile();
        const LinkResult result = s.finish();
        QCOMPARE(result.end, LinkResult::End::FileFailed);
        // Nothing went over the link, nothing was created.
        QCOMPARE(s.callsAfterOpen(), QStringList());
        QVERIFY(!QFile::exists(file));
        const QStringList messages = s.panel.messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().contains(QLatin1String("show.tzk")), qPrintable(messages.first()));
        QCOMPARE(s.panel.events.mid(s.panel.events.size() - 4, 3),
                 (QStringList{Idle,
                              send ? QStringLiteral("status \"Send failed: 0 bytes sent\"")
                                   : QStringLiteral("status \"Receive failed: 0 bytes received\""),
                              QStringLiteral("position 0")}));
    }

    void pacedLinkTakesCharactersAtTheLineRate()
    {
        // Within a 100 ms write timeout a 38,400 bit/s line carries 349 characters of 11
        // bits (8N2), or 384 of 10 bits (8N1).
        Session s;
        s.sim.setLinkPaced(true);
        s.device.OpenInterface(InterfaceModel::Link, LinkBitRate);
        QCOMPARE(s.device.setTimeouts(500, 100).status, d2xx::FT_OK);
        const QByteArray block = pattern(510);
        d2xx::DWORD written = 0;
        QCOMPARE(s.device.write(block.constData(), 510, &written).status, d2xx::FT_OK);
        QCOMPARE(written, d2xx::DWORD(349));
        QCOMPARE(s.device.setDataFormat(d2xx::FT_BITS_8, 0, d2xx::FT_PARITY_NONE).status, d2xx::FT_OK);
        QCOMPARE(s.device.write(block.constData(), 510, &written).status, d2xx::FT_OK);
        QCOMPARE(written, d2xx::DWORD(384));
        QCOMPARE(testsupport::readAll(s.out), block.left(349) + block.left(384));
    }
};

QTEST_GUILESS_MAIN(TestLinkTransfer)
#include "tst_linktransfer.moc"
