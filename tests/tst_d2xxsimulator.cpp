// The device simulator itself, as the transfer tests rely on it: the link's files, chunks
// and short reads, the stick's RTS rule and checksum check, faults by device and call.
#include "testsupport.h"
#include "usbsimulator.h"
#include "usbtool/devicelibrary.h"

#include <QThread>
#include <QtTest>

#include <cstring>
#include <dlfcn.h>

using namespace zelvar;
using testsupport::hex;
using testsupport::UsbSimulator;

namespace {

struct Tool
{
    Tool() { lib.BindDeviceLibrary(); }
    ~Tool()
    {
        if (lib.handle())
            lib.close();
    }

    QByteArray read(int count, d2xx::FT_STATUS *status = nullptr)
    {
        QByteArray buffer(count, '\0');
        d2xx::DWORD received = 0;
        const DeviceStatus s = lib.read(buffer.data(), d2xx::DWORD(count), &received);
        messages << s.messages;
        if (status)
            *status = s.status;
        return buffer.left(qsizetype(received));
    }
    d2xx::FT_STATUS write(const QByteArray &bytes)
    {
        d2xx::DWORD written = 0;
        const DeviceStatus s = lib.write(bytes.constData(), d2xx::DWORD(bytes.size()), &written);
        messages << s.messages;
        return s.status;
    }

    DeviceLibrary lib;
    QStringList messages; // of the reads and writes
};

template <typename Fn>
Fn entryPoint(const char *library, const char *name)
{
    void *handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    void *symbol = handle ? dlsym(handle, name) : nullptr;
    Fn fn = nullptr;
    std::memcpy(&fn, &symbol, sizeof fn);
    return fn;
}

} // namespace

class TestD2xxSimulator : public QObject
{
    Q_OBJECT

private slots:
    void linkKeepsWhatItIsSent()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_usb_dmx");
        const QString out = sim.path(QStringLiteral("to-controller.bin"));
        sim.setLinkFiles(out, QString());
        Tool tool;
        tool.lib.OpenInterface(InterfaceModel::Link, LinkBitRate);
        QCOMPARE(tool.write(QByteArray(510, 'a')), d2xx::FT_OK);
        QCOMPARE(tool.write(hex("00 01 ff")), d2xx::FT_OK);
        QCOMPARE(testsupport::readAll(out), QByteArray(510, 'a') + hex("00 01 ff"));
    }

    void linkHandsOutItsFileInChunksWithShortReadsAtTheEnd()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_usb_dmx");
        const QString in = sim.path(QStringLiteral("from-controller.bin"));
        QByteArray content(1000, '\0');
        for (int i = 0; i < content.size(); ++i)
            content[i] = char(i % 251);
        QVERIFY(testsupport::writeAll(in, content));
        sim.setLinkFiles(QString(), in, 100, 5);
        Tool tool;
        tool.lib.OpenInterface(InterfaceModel::Link, LinkBitRate);

        QByteArray got;
        QList<int> counts;
        for (int i = 0; i < 5; ++i) {
            d2xx::FT_STATUS status = 1;
            const QByteArray block = tool.read(256, &status);
            QCOMPARE(status, d2xx::FT_OK);
            counts << int(block.size());
            got += block;
        }
        QCOMPARE(got, content);
        // Reads fill up while bytes keep coming; after the end they time out short.
        QCOMPARE(counts, (QList<int>{256, 256, 256, 232, 0}));
        QVERIFY(tool.messages.isEmpty());
    }

    void stickAnswersOnlyWhileRtsIsRaised()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_dmx20");
        Tool tool;
        tool.lib.OpenInterface(InterfaceModel::Stick, StickBitRate);
        QCOMPARE(tool.write(hex("0a a1 0000000000000000 55 000000000000000000000000000000000000")), d2xx::FT_OK);
        QCOMPARE(tool.read(4), QByteArray());
        tool.lib.raiseRts();
        QCOMPARE(tool.read(4), hex("a1000000"));
    }

    void stickIgnoresABlockWithAWrongChecksum()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_dmx20");
        Tool tool;
        tool.lib.OpenInterface(InterfaceModel::Stick, StickBitRate);
        tool.lib.raiseRts();
        QCOMPARE(tool.write(hex("0a a1 0000000000000000 56 000000000000000000000000000000000000")), d2xx::FT_OK);
        QCOMPARE(tool.read(4), QByteArray());
        QCOMPARE(sim.count(QStringLiteral("stick dev0 refuses block 0aa1")), 1);
        // A block may come in pieces.
        const QByteArray block = hex("0a a1 0000000000000000 55 000000000000000000000000000000000000");
        QCOMPARE(tool.write(block.left(10)), d2xx::FT_OK);
        QCOMPARE(tool.write(block.mid(10)), d2xx::FT_OK);
        QCOMPARE(tool.read(4), hex("a1000000"));
    }

    void faultsHitTheirDeviceAndCall()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_usb_dmx,kzt_usb_dmx");
        sim.setFaults("1:write@2,nonsense");
        Tool first;
        first.lib.OpenInterface(InterfaceModel::Link, LinkBitRate);
        Tool second;
        second.lib.OpenInterface(InterfaceModel::Link, LinkBitRate); // the first is taken: the second opens
        QVERIFY(sim.calls().contains(QStringLiteral("FT_OpenEx \"kzt_usb_dmx\" 40000002 = 0 dev1")));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(first.write("x"), d2xx::FT_OK);
        QCOMPARE(second.write("x"), d2xx::FT_OK);
        QCOMPARE(second.write("x"), d2xx::FT_IO_ERROR);
        QCOMPARE(second.write("x"), d2xx::FT_OK);
        QVERIFY(sim.count(QStringLiteral("sim ignores fault nonsense")) > 0);
    }

    void entryPointsNeverCalledByTheToolWork()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_dmx20");
        const auto open = entryPoint<d2xx::FT_Open_t>(ZELVAR71_D2XX_SIM, "FT_Open");
        const auto getStatus = entryPoint<d2xx::FT_GetStatus_t>(ZELVAR71_D2XX_SIM, "FT_GetStatus");
        const auto purge = entryPoint<d2xx::FT_Purge_t>(ZELVAR71_D2XX_SIM, "FT_Purge");
        const auto write = entryPoint<d2xx::FT_Write_t>(ZELVAR71_D2XX_SIM, "FT_Write");
        const auto close = entryPoint<d2xx::FT_Close_t>(ZELVAR71_D2XX_SIM, "FT_Close");
        QVERIFY(open && getStatus && purge && write && close);
        QVERIFY(!entryPoint<d2xx::FT_GetStatus_t>(ZELVAR71_D2XX_SIM_NOSTATUS, "FT_GetStatus"));
        QVERIFY(entryPoint<d2xx::FT_Purge_t>(ZELVAR71_D2XX_SIM_NOSTATUS, "FT_Purge"));

        d2xx::FT_HANDLE handle = nullptr;
        QCOMPARE(open(0, &handle), d2xx::FT_OK);
        QByteArray block = hex("0a a1 0000000000000000 55 000000000000000000000000000000000000");
        d2xx::DWORD n = 0;
        QCOMPARE(write(handle, block.data(), 29, &n), d2xx::FT_OK);
        d2xx::DWORD rx = 99, tx = 99, events = 99;
        QCOMPARE(getStatus(handle, &rx, &tx, &events), d2xx::FT_OK);
        QCOMPARE(rx, d2xx::DWORD(4));
        QCOMPARE(purge(handle, 1), d2xx::FT_OK);
        QCOMPARE(getStatus(handle, &rx, &tx, &events), d2xx::FT_OK);
        QCOMPARE(rx, d2xx::DWORD(0));
        QCOMPARE(close(handle), d2xx::FT_OK);
        QCOMPARE(getStatus(handle, &rx, &tx, &events), d2xx::FT_INVALID_HANDLE);
    }

    void closingEndsAReadWaitingOnAnotherThread()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_usb_dmx");
        const auto read = entryPoint<d2xx::FT_Read_t>(ZELVAR71_D2XX_SIM, "FT_Read");
        const auto close = entryPoint<d2xx::FT_Close_t>(ZELVAR71_D2XX_SIM, "FT_Close");
        Tool tool;
        tool.lib.OpenInterface(InterfaceModel::Link, LinkBitRate);
        tool.lib.setTimeouts(600000, 3000);
        const d2xx::FT_HANDLE handle = tool.lib.handle();
        d2xx::FT_STATUS status = d2xx::FT_OK;
        QThread *reader = QThread::create([&] {
            char buffer[256];
            d2xx::DWORD received = 0;
            status = read(handle, buffer, 256, &received);
        });
        reader->start();
        QThread::msleep(100);
        QCOMPARE(close(handle), d2xx::FT_OK);
        // Without the close the read would wait ten minutes.
        QVERIFY(reader->wait(60000));
        delete reader;
        QVERIFY(status != d2xx::FT_OK);
    }
};

QTEST_GUILESS_MAIN(TestD2xxSimulator)
#include "tst_d2xxsimulator.moc"
