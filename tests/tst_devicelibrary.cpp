// DeviceLibrary against the project's D2XX simulator: binding and its messages, the
// wrappers with an empty entry point, and which interface OpenInterface opens and how.
#include "usbsimulator.h"
#include "usbtool/devicelibrary.h"

#include <QtTest>

#include <functional>

using namespace zelvar;
using testsupport::UsbSimulator;

namespace {

// The tool's side: its library. The simulated devices open once at a time and these tests
// share one simulator, so whatever is left open is closed at the end.
struct Tool
{
    ~Tool()
    {
        if (lib.handle())
            lib.close();
    }
    DeviceLibrary lib;
};

using WrapperCall = std::function<DeviceStatus(DeviceLibrary &)>;

const QString NoDevice = QStringLiteral("No USB Device Connected or Device Error!");

} // namespace

class TestDeviceLibrary : public QObject
{
    Q_OBJECT

private slots:
    void missingLibraryIsReportedOnceAndTheToolGoesOn()
    {
        UsbSimulator sim;
        const QString library = sim.path(QStringLiteral("nothing-here.so"));
        qputenv("ZELVAR71_D2XX", QFile::encodeName(library));
        Tool tool;
        DeviceLibrary &lib = tool.lib;
        const QString lookedFor = QStringLiteral("Looked for the file named by ZELVAR71_D2XX: %1.").arg(library);
        QCOMPARE(lib.BindDeviceLibrary(),
                 QStringList{QStringLiteral("Error:Can't Load ft8u245.dll,Please Install Driver\n") + lookedFor});
        QVERIFY(!lib.isLoaded());

        // A command asks first and is told once; the calls it makes say nothing more.
        const DeviceStatus required = lib.requireLibrary();
        QCOMPARE(required.status, EntryPointMissing);
        QCOMPARE(required.messages,
                 QStringList{QStringLiteral("No USB driver is loaded: install it, then start Zelvar71Save again!\n")
                             + lookedFor});
        QStringList more = lib.CloseInterface().messages;
        more << lib.OpenInterface(InterfaceModel::Stick, StickBitRate).messages;
        d2xx::DWORD written = 0;
        const DeviceStatus wrote = lib.write("ab", 2, &written);
        QCOMPARE(wrote.status, d2xx::FT_STATUS(1));
        QCOMPARE(more + wrote.messages, QStringList());
    }

    void withoutZelvar71D2xxTheLibraryPathIsSearched()
    {
        qunsetenv("ZELVAR71_D2XX");
        QCOMPARE(DeviceLibrary::librarySearchText(),
                 QStringLiteral("Looked for libftd2xx.so on the library path and for %1 "
                                "(ZELVAR71_D2XX can name another file).")
                     .arg(DeviceLibrary::bundledLibraryPath()));
    }

    void emptyEntryPointsAnswerWithTheirMessageAndStatusOne_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<WrapperCall>("call");
        using Call = WrapperCall;
        QTest::newRow("list") << "FT_ListDevices is not valid!" << Call([](DeviceLibrary &l) {
            d2xx::DWORD n = 0;
            return l.listDevices(&n, nullptr, d2xx::FT_LIST_NUMBER_ONLY);
        });
        QTest::newRow("open") << "FT_OpenEx is not valid!" << Call([](DeviceLibrary &l) {
            char d[] = "kzt_dmx20";
            return l.open(d, 0x40000002);
        });
        QTest::newRow("close") << "FT_Close is not valid!" << Call([](DeviceLibrary &l) { return l.close(); });
        QTest::newRow("write") << "FT_Write is not valid!"
                               << Call([](DeviceLibrary &l) {
                                      d2xx::DWORD w = 7;
                                      return l.write("ab", 2, &w);
                                  });
        QTest::newRow("read") << "FT_Read is not valid!" << Call([](DeviceLibrary &l) {
            char b[4];
            d2xx::DWORD r = 0;
            return l.read(b, 4, &r);
        });
        QTest::newRow("timeouts") << "FT_SetTimeouts is not valid!"
                                  << Call([](DeviceLibrary &l) { return l.setTimeouts(500, 150); });
        QTest::newRow("bit rate") << "FT_SetBaudRate is not valid!"
                                  << Call([](DeviceLibrary &l) { return l.setBitRate(38400); });
        QTest::newRow("data format") << "FT_SetDataCharacteristics is not valid!"
                                     << Call([](DeviceLibrary &l) { return l.setDataFormat(8, 2, 0); });
        QTest::newRow("flow control") << "FT_SetFlowControl is not valid!"
                                      << Call([](DeviceLibrary &l) { return l.setFlowControl(0, 0, 0); });
        QTest::newRow("raise RTS") << "FT_SetRts is not valid!" << Call([](DeviceLibrary &l) { return l.raiseRts(); });
        QTest::newRow("lower RTS") << "FT_ClrRts is not valid!" << Call([](DeviceLibrary &l) { return l.lowerRts(); });
    }

    void emptyEntryPointsAnswerWithTheirMessageAndStatusOne()
    {
        QFETCH(QString, message);
        QFETCH(WrapperCall, call);
        UsbSimulator sim;
        // A library that exists but has none of the names.
        qputenv("ZELVAR71_D2XX", "libm.so.6");
        Tool tool;
        DeviceLibrary &lib = tool.lib;
        // Resolution stops at the first name.
        QCOMPARE(lib.BindDeviceLibrary(), QStringList{QStringLiteral("Error:Can't Find FT_ListDevices")});
        QVERIFY(lib.isLoaded());
        const DeviceStatus called = call(lib);
        QCOMPARE(called.status, d2xx::FT_STATUS(1));
        QCOMPARE(called.messages, QStringList{message});
    }

    void libraryWithoutGetStatusIsReportedOnceAndStillWorks()
    {
        UsbSimulator sim(ZELVAR71_D2XX_SIM_NOSTATUS);
        sim.setDevices("kzt_dmx20");
        Tool tool;
        DeviceLibrary &lib = tool.lib;
        QCOMPARE(lib.BindDeviceLibrary(), QStringList{QStringLiteral("Error:Can't Find FT_GetStatus")});
        QStringList more = lib.CloseInterface().messages;
        more << lib.OpenInterface(InterfaceModel::Stick, StickBitRate).messages;
        d2xx::DWORD written = 0;
        const DeviceStatus wrote = lib.write("\x0a\xa1", 2, &written);
        QCOMPARE(wrote.status, d2xx::FT_OK);
        QCOMPARE(written, d2xx::DWORD(2));
        QCOMPARE(more + wrote.messages, QStringList());
    }

    void completeLibraryBindsSilently()
    {
        UsbSimulator sim;
        Tool tool;
        DeviceLibrary &lib = tool.lib;
        QCOMPARE(lib.BindDeviceLibrary(), QStringList());
        QVERIFY(lib.isLoaded());
        QVERIFY(sim.journal().isEmpty()); // binding calls nothing
    }

    void noDeviceIsReportedOnce()
    {
        UsbSimulator sim;
        Tool tool;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        const DeviceStatus opened = lib.OpenInterface(InterfaceModel::Link, LinkBitRate);
        QCOMPARE(opened.status, d2xx::FT_DEVICE_NOT_FOUND);
        QCOMPARE(opened.messages, QStringList{NoDevice});
        QCOMPARE(sim.calls(), QStringList{QStringLiteral("FT_ListDevices number = 0 0")});
        QCOMPARE(lib.handle(), nullptr);

        // A count that cannot be had counts as none.
        sim.clearJournal();
        sim.setDevices("kzt_dmx20");
        sim.setFaults("count");
        QCOMPARE(lib.OpenInterface(InterfaceModel::Stick, StickBitRate).messages, QStringList{NoDevice});
        QCOMPARE(sim.calls(), QStringList{QStringLiteral("FT_ListDevices number = 4")});
    }

    void foreignDescriptionsAreNeverOpened()
    {
        UsbSimulator sim;
        sim.setDevices("FT232R USB UART,kzt_dmx2,KZT_DMX20,kzt_usb_dmx ");
        Tool tool;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        QCOMPARE(lib.OpenInterface(InterfaceModel::Stick, StickBitRate).messages, QStringList{NoDevice});
        QCOMPARE(sim.calls(), (QStringList{
                                  QStringLiteral("FT_ListDevices number = 0 4"),
                                  QStringLiteral("FT_ListDevices index 0 40000002 = 0 \"FT232R USB UART\""),
                                  QStringLiteral("FT_ListDevices index 1 40000002 = 0 \"kzt_dmx2\""),
                                  QStringLiteral("FT_ListDevices index 2 40000002 = 0 \"KZT_DMX20\""),
                                  QStringLiteral("FT_ListDevices index 3 40000002 = 0 \"kzt_usb_dmx \""),
                              }));
    }

    void stickIsOpenedWithItsTimeoutsAlone_data()
    {
        QTest::addColumn<uint>("bitRate");
        QTest::newRow("stick rate") << uint(StickBitRate);
        QTest::newRow("link rate") << uint(LinkBitRate);
    }

    void stickIsOpenedWithItsTimeoutsAlone()
    {
        QFETCH(uint, bitRate);
        UsbSimulator sim;
        sim.setDevices("kzt_dmx20");
        Tool tool;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        const DeviceStatus opened = lib.OpenInterface(InterfaceModel::Stick, bitRate);
        QCOMPARE(opened.status, d2xx::FT_OK);
        QCOMPARE(opened.messages, QStringList());
        QVERIFY(lib.handle() != nullptr);
        QCOMPARE(sim.calls(), (QStringList{
                                  QStringLiteral("FT_ListDevices number = 0 1"),
                                  QStringLiteral("FT_ListDevices index 0 40000002 = 0 \"kzt_dmx20\""),
                                  QStringLiteral("FT_OpenEx \"kzt_dmx20\" 40000002 = 0 dev0"),
                                  QStringLiteral("FT_SetTimeouts dev0 500 150 = 0"),
                              }));
    }

    void linkIsOpenedWithItsLineSettings()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_usb_dmx");
        Tool tool;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        const DeviceStatus opened = lib.OpenInterface(InterfaceModel::Link, LinkBitRate);
        QCOMPARE(opened.status, d2xx::FT_OK);
        QCOMPARE(opened.messages, QStringList());
        QCOMPARE(sim.calls(), (QStringList{
                                  QStringLiteral("FT_ListDevices number = 0 1"),
                                  QStringLiteral("FT_ListDevices index 0 40000002 = 0 \"kzt_usb_dmx\""),
                                  QStringLiteral("FT_OpenEx \"kzt_usb_dmx\" 40000002 = 0 dev0"),
                                  QStringLiteral("FT_SetBaudRate dev0 38400 = 0"),
                                  QStringLiteral("FT_SetDataCharacteristics dev0 8 2 0 = 0"),
                                  QStringLiteral("FT_SetFlowControl dev0 0 0 0 = 0"),
                                  QStringLiteral("FT_SetTimeouts dev0 500 3000 = 0"),
                              }));
    }

    void firstMatchingDeviceWins_data()
    {
        QTest::addColumn<QByteArray>("devices");
        QTest::addColumn<QByteArray>("faults");
        QTest::addColumn<InterfaceModel>("wanted");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<int>("descriptionsAsked");
        const InterfaceModel link = InterfaceModel::Link;
        const InterfaceModel stick = InterfaceModel::Stick;
        QTest::newRow("link before stick") << QByteArray("kzt_usb_dmx,kzt_dmx20") << QByteArray() << link << "dev0"
                                           << 1;
        // The first device of the wanted model, whatever lies before it.
        QTest::newRow("link after a stick") << QByteArray("kzt_dmx20,kzt_usb_dmx") << QByteArray() << link << "dev1"
                                            << 2;
        QTest::newRow("stick after a link") << QByteArray("kzt_usb_dmx,kzt_dmx20") << QByteArray() << stick << "dev1"
                                            << 2;
        QTest::newRow("two sticks") << QByteArray("kzt_dmx20,kzt_dmx20") << QByteArray() << stick << "dev0" << 1;
        QTest::newRow("after a foreign one") << QByteArray("other,kzt_dmx20,kzt_usb_dmx") << QByteArray() << link
                                             << "dev2" << 3;
        QTest::newRow("description not had") << QByteArray("kzt_usb_dmx,other,kzt_dmx20") << QByteArray("1:list")
                                             << stick << "dev2" << 3;
    }

    void firstMatchingDeviceWins()
    {
        QFETCH(QByteArray, devices);
        QFETCH(QByteArray, faults);
        QFETCH(InterfaceModel, wanted);
        QFETCH(QString, opened);
        QFETCH(int, descriptionsAsked);
        UsbSimulator sim;
        sim.setDevices(devices);
        sim.setFaults(faults);
        Tool tool;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        QCOMPARE(lib.OpenInterface(wanted, LinkBitRate).messages, QStringList());
        const QStringList opens = sim.calls().filter(QStringLiteral("FT_OpenEx")).filter(QStringLiteral("= 0"));
        QCOMPARE(opens.size(), 1);
        QVERIFY2(opens.first().endsWith(opened), qPrintable(opens.first()));
        QCOMPARE(sim.count(QStringLiteral("FT_ListDevices index")), descriptionsAsked);
        QCOMPARE(sim.count(QStringLiteral("FT_Close")), 0);
    }

    // With only the other model there, nothing is opened, and the message names both.
    void theOtherModelIsNeverOpened_data()
    {
        QTest::addColumn<QByteArray>("devices");
        QTest::addColumn<QByteArray>("faults");
        QTest::addColumn<InterfaceModel>("wanted");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("opens");
        QTest::newRow("link wanted, a stick there")
            << QByteArray("kzt_dmx20") << QByteArray() << InterfaceModel::Link
            << "No Kiron link interface is connected (a Pelkom stick is)." << 0;
        QTest::newRow("stick wanted, two links there")
            << QByteArray("kzt_usb_dmx,kzt_usb_dmx") << QByteArray() << InterfaceModel::Stick
            << "No Pelkom stick is connected (a Kiron link interface is)." << 0;
        QTest::newRow("neither there") << QByteArray("other") << QByteArray() << InterfaceModel::Link << NoDevice << 0;
        // A stick that is there but does not open is a device error, not a missing stick.
        QTest::newRow("the stick fails beside a link")
            << QByteArray("kzt_dmx20,kzt_usb_dmx") << QByteArray("0:open") << InterfaceModel::Stick << NoDevice << 1;
        // A device whose description cannot be had may be the one wanted.
        QTest::newRow("a description not had")
            << QByteArray("kzt_dmx20,kzt_usb_dmx") << QByteArray("0:list") << InterfaceModel::Stick << NoDevice << 0;
    }

    void theOtherModelIsNeverOpened()
    {
        QFETCH(QByteArray, devices);
        QFETCH(QByteArray, faults);
        QFETCH(InterfaceModel, wanted);
        QFETCH(QString, message);
        QFETCH(int, opens);
        UsbSimulator sim;
        sim.setDevices(devices);
        sim.setFaults(faults);
        Tool tool;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        const DeviceStatus opened = lib.OpenInterface(wanted, LinkBitRate);
        QCOMPARE(opened.status, d2xx::FT_DEVICE_NOT_FOUND);
        QCOMPARE(opened.messages, QStringList{message});
        QCOMPARE(lib.handle(), nullptr);
        QCOMPARE(sim.count(QStringLiteral("FT_OpenEx")), opens);
        const QString other = wanted == InterfaceModel::Link ? QStringLiteral("kzt_dmx20") : QStringLiteral("kzt_usb_dmx");
        QCOMPARE(sim.count(QStringLiteral("FT_OpenEx \"%1\"").arg(other)), 0);
    }

    void linkWhoseFlowControlFailsIsClosedAndSkipped()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_usb_dmx,kzt_dmx20");
        sim.setFaults("0:flow");
        Tool tool;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        // A link that is there but fails is a device error, not a missing link; the stick
        // beside it is not the link's to use.
        QCOMPARE(lib.OpenInterface(InterfaceModel::Link, LinkBitRate).messages, QStringList{NoDevice});
        QCOMPARE(sim.calls(), (QStringList{
                                  QStringLiteral("FT_ListDevices number = 0 2"),
                                  QStringLiteral("FT_ListDevices index 0 40000002 = 0 \"kzt_usb_dmx\""),
                                  QStringLiteral("FT_OpenEx \"kzt_usb_dmx\" 40000002 = 0 dev0"),
                                  QStringLiteral("FT_SetBaudRate dev0 38400 = 0"),
                                  QStringLiteral("FT_SetDataCharacteristics dev0 8 2 0 = 0"),
                                  QStringLiteral("FT_SetFlowControl dev0 0 0 0 = 4"),
                                  QStringLiteral("FT_Close dev0 = 0"),
                                  QStringLiteral("FT_ListDevices index 1 40000002 = 0 \"kzt_dmx20\""),
                              }));

        // The only device skipped: nothing stays open, and the user hears of it once.
        sim.clearJournal();
        sim.setDevices("kzt_usb_dmx");
        sim.setFaults("flow");
        lib.CloseInterface();
        QCOMPARE(lib.OpenInterface(InterfaceModel::Link, LinkBitRate).messages, QStringList{NoDevice});
        QCOMPARE(sim.count(QStringLiteral("FT_Close dev0 = 0")), 1);
        QCOMPARE(lib.handle(), nullptr);
    }

    void linkWhoseTimeoutsFailCountsAsOpen()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_usb_dmx");
        sim.setFaults("timeouts");
        Tool tool;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        const DeviceStatus opened = lib.OpenInterface(InterfaceModel::Link, LinkBitRate);
        QCOMPARE(opened.status, d2xx::FT_OK);
        QCOMPARE(opened.messages, QStringList{QStringLiteral("SetFlowControl is Error")});
        d2xx::DWORD written = 0;
        QCOMPARE(lib.write("\x01\x02\x03", 3, &written).status, d2xx::FT_OK);
        QCOMPARE(sim.calls().last(), QStringLiteral("FT_Write dev0 3 = 0 3"));
        QCOMPARE(sim.writes().last(), QByteArray("\x01\x02\x03"));
    }

    void closingWhatIsNotOpenIsHarmless()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_dmx20");
        Tool tool;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        QStringList messages = lib.CloseInterface().messages;
        messages << lib.OpenInterface(InterfaceModel::Stick, StickBitRate).messages;
        messages << lib.CloseInterface().messages;
        messages << lib.CloseInterface().messages;
        QCOMPARE(messages, QStringList());
        const QStringList closes = sim.calls().filter(QStringLiteral("FT_Close"));
        QCOMPARE(closes, (QStringList{QStringLiteral("FT_Close - = 1"), QStringLiteral("FT_Close dev0 = 0"),
                                      QStringLiteral("FT_Close - = 1")}));
        // Every command closes first: the device opens again.
        lib.OpenInterface(InterfaceModel::Stick, StickBitRate);
        QCOMPARE(sim.calls().filter(QStringLiteral("FT_OpenEx")).size(), 2);
    }

    void wrappersPassTheHandleAndTheStatusUnchanged()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_usb_dmx");
        sim.setFaults("write@2");
        Tool tool;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        QStringList messages = lib.OpenInterface(InterfaceModel::Link, LinkBitRate).messages;
        const auto status = [&messages](const DeviceStatus &done) {
            messages << done.messages;
            return done.status;
        };
        d2xx::DWORD written = 0;
        QCOMPARE(status(lib.write("ab", 2, &written)), d2xx::FT_OK);
        QCOMPARE(status(lib.write("cd", 2, &written)), d2xx::FT_IO_ERROR);
        QCOMPARE(written, d2xx::DWORD(0));
        QCOMPARE(status(lib.raiseRts()), d2xx::FT_OK);
        QCOMPARE(status(lib.lowerRts()), d2xx::FT_OK);
        QCOMPARE(status(lib.setBitRate(1000000)), d2xx::FT_OK);
        const QStringList calls = sim.calls();
        QCOMPARE(calls.mid(calls.size() - 5),
                 (QStringList{QStringLiteral("FT_Write dev0 2 = 0 2"), QStringLiteral("FT_Write dev0 2 = 4 0"),
                              QStringLiteral("FT_SetRts dev0 = 0"), QStringLiteral("FT_ClrRts dev0 = 0"),
                              QStringLiteral("FT_SetBaudRate dev0 1000000 = 0")}));
        QCOMPARE(messages, QStringList());
    }
};

QTEST_GUILESS_MAIN(TestDeviceLibrary)
#include "tst_devicelibrary.moc"
