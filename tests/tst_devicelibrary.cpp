// DeviceLibrary against the project's D2XX simulator: binding and its messages, the
// wrappers with an empty entry point, and which interface OpenInterface opens and how.
#include "scriptedprompts.h"
#include "usbsimulator.h"
#include "usbtool/devicelibrary.h"

#include <QThread>
#include <QtTest>

#include <functional>

using namespace zelvar;
using testsupport::UsbSimulator;

namespace {

// The tool's side: its prompts and library. The simulated devices open once at a time and
// these tests share one simulator, so whatever is left open is closed at the end.
struct Tool
{
    ~Tool()
    {
        if (lib.handle())
            lib.close();
    }
    ScriptedPrompts prompts;
    DeviceLibrary lib{prompts};
};

using WrapperCall = std::function<d2xx::FT_STATUS(DeviceLibrary &)>;

const QString NoDevice = QStringLiteral("No USB Device Connected or Device Error!");

QStringList messages(const ScriptedPrompts &prompts)
{
    QStringList texts;
    for (const PromptCall &c : prompts.calls) {
        if (c.kind == PromptCall::Message && c.title.isEmpty() && c.buttons == PromptButtons::Ok)
            texts << c.text;
        else
            texts << QStringLiteral("unexpected prompt: ") + c.text + QLatin1Char('/') + c.title;
    }
    return texts;
}

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
        ScriptedPrompts &prompts = tool.prompts;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        QVERIFY(!lib.isLoaded());
        const QString lookedFor = QStringLiteral("Looked for the file named by ZELVAR71_D2XX: %1.").arg(library);
        QCOMPARE(messages(prompts),
                 QStringList{QStringLiteral("Error:Can't Load ft8u245.dll,Please Install Driver\n") + lookedFor});

        // A command asks first and is told once; the calls it makes say nothing more.
        prompts.calls.clear();
        QVERIFY(!lib.requireLibrary());
        lib.CloseInterface();
        lib.OpenInterface(StickBitRate);
        d2xx::DWORD written = 0;
        QCOMPARE(lib.write("ab", 2, &written), d2xx::FT_STATUS(1));
        QCOMPARE(messages(prompts),
                 QStringList{QStringLiteral("No USB driver is loaded: install it, then start Zelvar71Save again!\n")
                             + lookedFor});
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
        ScriptedPrompts &prompts = tool.prompts;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        QVERIFY(lib.isLoaded());
        // Resolution stops at the first name.
        QCOMPARE(messages(prompts), QStringList{QStringLiteral("Error:Can't Find FT_ListDevices")});
        prompts.calls.clear();
        QCOMPARE(call(lib), d2xx::FT_STATUS(1));
        QCOMPARE(messages(prompts), QStringList{message});
    }

    void libraryWithoutGetStatusIsReportedOnceAndStillWorks()
    {
        UsbSimulator sim(ZELVAR71_D2XX_SIM_NOSTATUS);
        sim.setDevices("kzt_dmx20");
        Tool tool;
        ScriptedPrompts &prompts = tool.prompts;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        QCOMPARE(messages(prompts), QStringList{QStringLiteral("Error:Can't Find FT_GetStatus")});
        prompts.calls.clear();
        lib.CloseInterface();
        lib.OpenInterface(StickBitRate);
        d2xx::DWORD written = 0;
        QCOMPARE(lib.write("\x0a\xa1", 2, &written), d2xx::FT_OK);
        QCOMPARE(written, d2xx::DWORD(2));
        QVERIFY(prompts.calls.isEmpty());
    }

    void completeLibraryBindsSilently()
    {
        UsbSimulator sim;
        Tool tool;
        ScriptedPrompts &prompts = tool.prompts;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        QVERIFY(lib.isLoaded());
        QVERIFY(prompts.calls.isEmpty());
        QVERIFY(sim.journal().isEmpty()); // binding calls nothing
    }

    void noDeviceIsReportedOnce()
    {
        UsbSimulator sim;
        Tool tool;
        ScriptedPrompts &prompts = tool.prompts;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        lib.OpenInterface(LinkBitRate);
        QCOMPARE(messages(prompts), QStringList{NoDevice});
        QCOMPARE(sim.calls(), QStringList{QStringLiteral("FT_ListDevices number = 0 0")});
        QCOMPARE(lib.handle(), nullptr);

        // A count that cannot be had counts as none.
        sim.clearJournal();
        prompts.calls.clear();
        sim.setDevices("kzt_dmx20");
        sim.setFaults("count");
        lib.OpenInterface(StickBitRate);
        QCOMPARE(messages(prompts), QStringList{NoDevice});
        QCOMPARE(sim.calls(), QStringList{QStringLiteral("FT_ListDevices number = 4")});
    }

    void foreignDescriptionsAreNeverOpened()
    {
        UsbSimulator sim;
        sim.setDevices("FT232R USB UART,kzt_dmx2,KZT_DMX20,kzt_usb_dmx ");
        Tool tool;
        ScriptedPrompts &prompts = tool.prompts;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        lib.OpenInterface(StickBitRate);
        QCOMPARE(messages(prompts), QStringList{NoDevice});
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
        ScriptedPrompts &prompts = tool.prompts;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        lib.OpenInterface(bitRate);
        QVERIFY(prompts.calls.isEmpty());
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
        ScriptedPrompts &prompts = tool.prompts;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        lib.OpenInterface(LinkBitRate);
        QVERIFY(prompts.calls.isEmpty());
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
        QTest::addColumn<QString>("opened");
        QTest::addColumn<int>("descriptionsAsked");
        QTest::newRow("link before stick") << QByteArray("kzt_usb_dmx,kzt_dmx20") << QByteArray() << "dev0" << 1;
        QTest::newRow("stick before link") << QByteArray("kzt_dmx20,kzt_usb_dmx") << QByteArray() << "dev0" << 1;
        QTest::newRow("two sticks") << QByteArray("kzt_dmx20,kzt_dmx20") << QByteArray() << "dev0" << 1;
        QTest::newRow("after a foreign one") << QByteArray("other,kzt_dmx20,kzt_usb_dmx") << QByteArray() << "dev1"
                                             << 2;
        QTest::newRow("description not had") << QByteArray("kzt_dmx20,kzt_usb_dmx") << QByteArray("0:list")
                                             << "dev1" << 2;
        QTest::newRow("stick does not open") << QByteArray("kzt_dmx20,kzt_usb_dmx") << QByteArray("0:open")
                                             << "dev1" << 2;
    }

    void firstMatchingDeviceWins()
    {
        QFETCH(QByteArray, devices);
        QFETCH(QByteArray, faults);
        QFETCH(QString, opened);
        QFETCH(int, descriptionsAsked);
        UsbSimulator sim;
        sim.setDevices(devices);
        sim.setFaults(faults);
        Tool tool;
        ScriptedPrompts &prompts = tool.prompts;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        lib.OpenInterface(LinkBitRate);
        QVERIFY(prompts.calls.isEmpty());
        const QStringList opens = sim.calls().filter(QStringLiteral("FT_OpenEx")).filter(QStringLiteral("= 0"));
        QCOMPARE(opens.size(), 1);
        QVERIFY2(opens.first().endsWith(opened), qPrintable(opens.first()));
        QCOMPARE(sim.count(QStringLiteral("FT_ListDevices index")), descriptionsAsked);
        QCOMPARE(sim.count(QStringLiteral("FT_Close")), 0);
    }

    void linkWhoseFlowControlFailsIsClosedAndSkipped()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_usb_dmx,kzt_dmx20");
        sim.setFaults("0:flow");
        Tool tool;
        ScriptedPrompts &prompts = tool.prompts;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        lib.OpenInterface(LinkBitRate);
        QVERIFY(prompts.calls.isEmpty());
        QCOMPARE(sim.calls(), (QStringList{
                                  QStringLiteral("FT_ListDevices number = 0 2"),
                                  QStringLiteral("FT_ListDevices index 0 40000002 = 0 \"kzt_usb_dmx\""),
                                  QStringLiteral("FT_OpenEx \"kzt_usb_dmx\" 40000002 = 0 dev0"),
                                  QStringLiteral("FT_SetBaudRate dev0 38400 = 0"),
                                  QStringLiteral("FT_SetDataCharacteristics dev0 8 2 0 = 0"),
                                  QStringLiteral("FT_SetFlowControl dev0 0 0 0 = 4"),
                                  QStringLiteral("FT_Close dev0 = 0"),
                                  QStringLiteral("FT_ListDevices index 1 40000002 = 0 \"kzt_dmx20\""),
                                  QStringLiteral("FT_OpenEx \"kzt_dmx20\" 40000002 = 0 dev1"),
                                  QStringLiteral("FT_SetTimeouts dev1 500 150 = 0"),
                              }));

        // The only device skipped: nothing stays open, and the user hears of it once.
        sim.clearJournal();
        sim.setDevices("kzt_usb_dmx");
        sim.setFaults("flow");
        lib.CloseInterface();
        lib.OpenInterface(LinkBitRate);
        QCOMPARE(messages(prompts), QStringList{NoDevice});
        QCOMPARE(sim.count(QStringLiteral("FT_Close dev0 = 0")), 1);
        QCOMPARE(lib.handle(), nullptr);
    }

    void linkWhoseTimeoutsFailCountsAsOpen()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_usb_dmx");
        sim.setFaults("timeouts");
        Tool tool;
        ScriptedPrompts &prompts = tool.prompts;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        lib.OpenInterface(LinkBitRate);
        QCOMPARE(messages(prompts), QStringList{QStringLiteral("SetFlowControl is Error")});
        d2xx::DWORD written = 0;
        QCOMPARE(lib.write("\x01\x02\x03", 3, &written), d2xx::FT_OK);
        QCOMPARE(sim.calls().last(), QStringLiteral("FT_Write dev0 3 = 0 3"));
        QCOMPARE(sim.writes().last(), QByteArray("\x01\x02\x03"));
    }

    void closingWhatIsNotOpenIsHarmless()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_dmx20");
        Tool tool;
        ScriptedPrompts &prompts = tool.prompts;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        lib.CloseInterface();
        lib.OpenInterface(StickBitRate);
        lib.CloseInterface();
        lib.CloseInterface();
        QVERIFY(prompts.calls.isEmpty());
        const QStringList closes = sim.calls().filter(QStringLiteral("FT_Close"));
        QCOMPARE(closes, (QStringList{QStringLiteral("FT_Close - = 1"), QStringLiteral("FT_Close dev0 = 0"),
                                      QStringLiteral("FT_Close - = 1")}));
        // Every command closes first: the device opens again.
        lib.OpenInterface(StickBitRate);
        QCOMPARE(sim.calls().filter(QStringLiteral("FT_OpenEx")).size(), 2);
    }

    void wrappersPassTheHandleAndTheStatusUnchanged()
    {
        UsbSimulator sim;
        sim.setDevices("kzt_usb_dmx");
        sim.setFaults("write@2");
        Tool tool;
        ScriptedPrompts &prompts = tool.prompts;
        DeviceLibrary &lib = tool.lib;
        lib.BindDeviceLibrary();
        lib.OpenInterface(LinkBitRate);
        d2xx::DWORD written = 0;
        QCOMPARE(lib.write("ab", 2, &written), d2xx::FT_OK);
        QCOMPARE(lib.write("cd", 2, &written), d2xx::FT_IO_ERROR);
        QCOMPARE(written, d2xx::DWORD(0));
        QCOMPARE(lib.raiseRts(), d2xx::FT_OK);
        QCOMPARE(lib.lowerRts(), d2xx::FT_OK);
        QCOMPARE(lib.setBitRate(1000000), d2xx::FT_OK);
        const QStringList calls = sim.calls();
        QCOMPARE(calls.mid(calls.size() - 5),
                 (QStringList{QStringLiteral("FT_Write dev0 2 = 0 2"), QStringLiteral("FT_Write dev0 2 = 4 0"),
                              QStringLiteral("FT_SetRts dev0 = 0"), QStringLiteral("FT_ClrRts dev0 = 0"),
                              QStringLiteral("FT_SetBaudRate dev0 1000000 = 0")}));
        QVERIFY(prompts.calls.isEmpty());
    }

    void messageFromAWorkerThreadOpensOnTheApplicationThread()
    {
        UsbSimulator sim;
        // A library that loads but has none of the names: its wrappers have their messages.
        qputenv("ZELVAR71_D2XX", "libm.so.6");
        QThread *shownOn = nullptr;
        struct ThreadRecorder : ScriptedPrompts
        {
            QThread **shownOn;
            zelvar::PromptAnswer message(QWidget *w, const QString &t, const QString &ti,
                                         zelvar::PromptButtons b) override
            {
                *shownOn = QThread::currentThread();
                return ScriptedPrompts::message(w, t, ti, b);
            }
        } recorder;
        recorder.shownOn = &shownOn;
        DeviceLibrary workerLib(recorder);
        workerLib.BindDeviceLibrary();
        recorder.calls.clear();

        d2xx::FT_STATUS status = 0;
        QThread *worker = QThread::create([&] {
            char buffer[4];
            d2xx::DWORD received = 0;
            status = workerLib.read(buffer, 4, &received);
        });
        worker->start();
        QVERIFY(QTest::qWaitFor([&] { return worker->isFinished(); }, 10000));
        delete worker;
        QCOMPARE(status, d2xx::FT_STATUS(1));
        QCOMPARE(messages(recorder), QStringList{QStringLiteral("FT_Read is not valid!")});
        QCOMPARE(shownOn, QThread::currentThread());
    }
};

QTEST_GUILESS_MAIN(TestDeviceLibrary)
#include "tst_devicelibrary.moc"
