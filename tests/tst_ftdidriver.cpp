// libzelvar71_ftdi.so through the real USB stack: libftdi1 and libusb talk to FTDI chips that
// umockdev emulates, with the simulator's stick and link behind them. Listing, line state,
// timeouts, the read-ahead, closed handles, the kernel driver's return, and zelvar71-cli's
// stick, link and usb commands end to end. Runs under umockdev-wrapper.
#include "clirun.h"
#include "emulatedusb/emulatedftdi.h"
#include "testsupport.h"
#include "usbtool/devicelibrary.h"
#include "usbtool/stickprotocol.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <dlfcn.h>
#include <thread>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace d2xx;
using testsupport::ChipOptions;
using testsupport::EmulatedFtdiChip;
using testsupport::EmulatedUsb;
using testsupport::LineState;

extern "C" {
FT_STATUS FT_ListDevices(void *arg1, void *arg2, DWORD flags);
FT_STATUS FT_OpenEx(void *arg1, DWORD flags, FT_HANDLE *handle);
FT_STATUS FT_Close(FT_HANDLE handle);
FT_STATUS FT_Write(FT_HANDLE handle, void *buffer, DWORD count, DWORD *written);
FT_STATUS FT_Read(FT_HANDLE handle, void *buffer, DWORD count, DWORD *received);
FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs);
FT_STATUS FT_SetRts(FT_HANDLE handle);
FT_STATUS FT_ClrRts(FT_HANDLE handle);
FT_STATUS FT_GetStatus(FT_HANDLE handle, DWORD *rxBytes, DWORD *txBytes, DWORD *eventWord);
}

namespace {

constexpr DWORD ByIndexAndDescription = FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION;

QByteArray pattern(int size, int seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * seed + i / 256);
    return bytes;
}

QString description(DWORD index, FT_STATUS *status = nullptr)
{
    char text[DescriptionBufferSize + 1] = {};
    const FT_STATUS s = FT_ListDevices(reinterpret_cast<void *>(std::uintptr_t(index)), text, ByIndexAndDescription);
    if (status)
        *status = s;
    return QString::fromLatin1(text);
}

FT_HANDLE openByDescription(const char *text)
{
    FT_HANDLE handle = nullptr;
    QByteArray copy(text);
    return FT_OpenEx(copy.data(), FT_OPEN_BY_DESCRIPTION, &handle) == FT_OK ? handle : nullptr;
}

// The control requests that set the line: bit rate (03), data format (04), flow control (02).
int lineRequests(const EmulatedFtdiChip &chip)
{
    int n = 0;
    for (const std::string &r : chip.controlRequests())
        n += (r.rfind("02 ", 0) == 0 || r.rfind("03 ", 0) == 0 || r.rfind("04 ", 0) == 0) ? 1 : 0;
    return n;
}

CliRun cli(const QStringList &args)
{
    return runCli(args);
}

// Without CAP_DAC_OVERRIDE even root honours a device node's mode, as a user would.
class WithoutFileOverride
{
public:
    WithoutFileOverride() { change(false); }
    ~WithoutFileOverride() { change(true); }

private:
    void change(bool on)
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        if (syscall(SYS_capget, &header, data) != 0)
            return;
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
            if (on)
                data[cap / 32].effective |= data[cap / 32].permitted & (1u << (cap % 32));
            else
                data[cap / 32].effective &= ~(1u << (cap % 32));
        }
        syscall(SYS_capset, &header, data);
    }
};

} // namespace

class TestFtdiDriver : public QObject
{
    Q_OBJECT

private:
    EmulatedUsb *m_usb = nullptr;
    QTemporaryDir m_dir;

    EmulatedFtdiChip &plug(const char *text, const char *model = nullptr, std::uint16_t product = 0x6001)
    {
        ChipOptions options;
        options.description = text;
        options.model = model ? model : "";
        options.product = product;
        return m_usb->plug(options);
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // The five stick commands from the command line against `chip`, whose stick keeps its
    // files in `folder`, byte for byte.
    void runStickCommands(const EmulatedFtdiChip &chip, const QString &folder)
    {
        const QString source = path(QStringLiteral("SHOW1.tzk"));
        const QByteArray content = pattern(1234, 7);
        QVERIFY(testsupport::writeAll(source, content));
        QVERIFY(testsupport::writeAll(folder + QStringLiteral("/Alpha"), QByteArray("a")));

        CliRun run = cli({QStringLiteral("stick"), QStringLiteral("write"), source});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(testsupport::readAll(folder + QStringLiteral("/SHOW1.tzk")), content);

        run = cli({QStringLiteral("stick"), QStringLiteral("list")});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(run.out, QByteArray("Alpha\nSHOW1.tzk\n"));

        const QString copy = path(QStringLiteral("copy.tzk"));
        run = cli({QStringLiteral("stick"), QStringLiteral("read"), QStringLiteral("SHOW1.tzk"), copy});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(testsupport::readAll(copy), content);

        run = cli({QStringLiteral("stick"), QStringLiteral("del"), QStringLiteral("Alpha")});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(!QFile::exists(folder + QStringLiteral("/Alpha")));

        run = cli({QStringLiteral("stick"), QStringLiteral("format")});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(QDir(folder).isEmpty());

        // The blocks went out whole, each in its own transfer.
        const std::vector<d2xxsim::Bytes> writes = chip.writes();
        const QByteArray directory = zelvar::StickCommand::directory().bytes();
        QVERIFY(std::any_of(writes.begin(), writes.end(), [&](const d2xxsim::Bytes &w) {
            return QByteArray(reinterpret_cast<const char *>(w.data()), int(w.size())) == directory;
        }));
        // Every command ended without closing; the serial driver got the chip back all the same.
        QVERIFY(chip.kernelDriverBound());
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(EmulatedUsb::preloaded(), "run this test under umockdev-wrapper");
        if (void *vendor = dlopen("libftd2xx.so", RTLD_NOW | RTLD_LOCAL)) {
            dlclose(vendor);
            // What QSKIP does; the macro's empty variadic part fails clang's pedantic warnings.
            QTest::qSkip("the chip maker's libftd2xx.so is installed: the tool would use it, not ours", __FILE__,
                         __LINE__);
            return;
        }
        qunsetenv("ZELVAR71_D2XX");
        m_usb = new EmulatedUsb;
    }

    void cleanup() { m_usb->unplugAll(); }

    void cleanupTestCase() { delete m_usb; }

    void listingNamesEveryChipAndTheToolOpensOnlyItsOwn()
    {
        EmulatedFtdiChip &foreign = plug("USB <-> Serial Cable", nullptr, 0x6015);
        EmulatedFtdiChip &link = plug("kzt_usb_dmx");
        plug("kzt_dmx20", nullptr, 0x6014);
        DWORD count = 0;
        QCOMPARE(FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
        QCOMPARE(count, DWORD(3));
        QCOMPARE(description(0), QStringLiteral("USB <-> Serial Cable"));
        QCOMPARE(description(1), QStringLiteral("kzt_usb_dmx"));
        QCOMPARE(description(2), QStringLiteral("kzt_dmx20"));
        FT_STATUS status = FT_OK;
        description(3, &status);
        QCOMPARE(status, FT_DEVICE_NOT_FOUND);

        // Found without configuration: the bundled library, beside the programs.
        zelvar::DeviceLibrary lib;
        QCOMPARE(lib.BindDeviceLibrary(), QStringList());
        QCOMPARE(lib.libraryDescription(),
                 zelvar::DeviceLibrary::bundledLibraryPath()
                     + QStringLiteral(", bundled with Zelvar71 (libftd2xx.so is not installed)"));
        QCOMPARE(lib.CloseInterface().messages, QStringList());
        QCOMPARE(lib.OpenInterface(zelvar::InterfaceModel::Link, zelvar::LinkBitRate).messages, QStringList());
        QVERIFY(link.claimed());
        QVERIFY(!link.kernelDriverBound());
        // The foreign chip was only read about: never opened, its line untouched.
        QVERIFY(foreign.controlRequests().empty());
        QVERIFY(foreign.kernelDriverBound());
        QVERIFY(!foreign.claimed());

        lib.CloseInterface();
        QVERIFY(!link.claimed());
        QVERIFY(link.kernelDriverBound());
    }

    void aTransferThatCannotEndEndsAtItsTimeoutWithAShortCount_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<int>("count"); // what the call reports done
        QTest::newRow("read of a chip with nothing to send") << false << 500 << 0;
        QTest::newRow("write to a chip that stops taking bytes") << true << 150 << 256;
    }
    void aTransferThatCannotEndEndsAtItsTimeoutWithAShortCount()
    {
        QFETCH(bool, write);
        QFETCH(int, timeoutMs);
        QFETCH(int, count);
        ChipOptions options;
        options.description = "kzt_dmx20";
        options.statusOnly = true;
        options.takesBytes = 256;
        EmulatedFtdiChip &chip = m_usb->plug(options);
        FT_HANDLE h = openByDescription("kzt_dmx20");
        QVERIFY(h);
        QCOMPARE(FT_SetTimeouts(h, 500, 150), FT_OK);
        QByteArray buffer(1000, 'w');
        DWORD got = 99;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(write ? FT_Write(h, buffer.data(), DWORD(buffer.size()), &got) : FT_Read(h, buffer.data(), 4, &got),
                 FT_OK);
        const qint64 ms = clock.elapsed();
        QCOMPARE(got, DWORD(count));
        QVERIFY2(ms >= timeoutMs - 20 && ms < timeoutMs + 1000, qPrintable(QString::number(ms)));
        std::size_t taken = 0;
        for (const d2xxsim::Bytes &w : chip.writes())
            taken += w.size();
        QCOMPARE(taken, std::size_t(write ? count : 0));
        QCOMPARE(FT_Close(h), FT_OK);
    }

    void readWaitsForALateAnswerAndKeepsWhatCameBeyondItsCount_data()
    {
        // The chip's packets carry 62 bytes each: reply and listing of two files take two.
        QTest::addColumn<int>("files");
        QTest::addColumn<bool>("countedFirst"); // FT_GetStatus, not the read, fetches the answer
        QTest::newRow("in one packet") << 1 << false;
        QTest::newRow("in two packets") << 2 << false;
        QTest::newRow("in two packets, counted first") << 2 << true;
    }
    void readWaitsForALateAnswerAndKeepsWhatCameBeyondItsCount()
    {
        QFETCH(int, files);
        QFETCH(bool, countedFirst);
        const QString folder = path(QStringLiteral("late%1").arg(files));
        QVERIFY(QDir().mkpath(folder));
        for (int i = 1; i <= files; ++i)
            QVERIFY(testsupport::writeAll(folder + QStringLiteral("/SHOW%1.DAT").arg(i), QByteArray("x")));
        ChipOptions options;
        options.description = "kzt_dmx20";
        options.answerDelayMs = 40;
        options.config.stickFolder = folder.toStdString();
        m_usb->plug(options);
        FT_HANDLE h = openByDescription("kzt_dmx20");
        QVERIFY(h);
        QCOMPARE(FT_SetTimeouts(h, 500, 150), FT_OK);
        QByteArray block = zelvar::StickCommand::directory().bytes();
        DWORD done = 0;
        QCOMPARE(FT_Write(h, block.data(), DWORD(block.size()), &done), FT_OK);
        QCOMPARE(done, DWORD(block.size()));

        // The reply comes 40 ms late, after status-only packets; the listing comes with it.
        QCOMPARE(FT_SetRts(h), FT_OK);
        DWORD waiting = 0, sending = 9, events = 9;
        if (countedFirst) {
            // Each look waits for the chip; the first that sees the answer counts all of it.
            for (int look = 0; waiting == 0 && look < 50; ++look)
                QCOMPARE(FT_GetStatus(h, &waiting, &sending, &events), FT_OK);
            QCOMPARE(waiting, DWORD(4 + 32 * files));
        }
        char reply[4];
        QCOMPARE(FT_Read(h, reply, 4, &done), FT_OK);
        QCOMPARE(QByteArray(reply, int(done)), testsupport::hex("a1 00 00") + char(32 * files));
        QCOMPARE(FT_ClrRts(h), FT_OK);
        QCOMPARE(FT_GetStatus(h, &waiting, &sending, &events), FT_OK);
        QCOMPARE(waiting, DWORD(32 * files));
        QCOMPARE(sending, DWORD(0));
        // With RTS low the stick sends nothing; what came before is still there.
        char entry[64];
        QCOMPARE(FT_Read(h, entry, DWORD(32 * files), &done), FT_OK);
        QCOMPARE(done, DWORD(32 * files));
        // The entries in the folder's order.
        QSet<QByteArray> listed, expected;
        for (int i = 0; i < files; ++i) {
            listed << QByteArray(entry + 32 * i, 16);
            expected << QByteArray("DAT\0\0\0\0\0SHOW", 12) + char('1' + i) + QByteArray(3, '\0');
        }
        QCOMPARE(listed, expected);
        QCOMPARE(FT_Close(h), FT_OK);
    }

    void callsOnAHandleThatIsNotOpenFail()
    {
        plug("kzt_dmx20");
        FT_HANDLE h = openByDescription("kzt_dmx20");
        QVERIFY(h);
        QCOMPARE(FT_Close(h), FT_OK);
        char byte = 0;
        DWORD done = 7;
        for (FT_HANDLE handle : {h, FT_HANDLE(nullptr)}) {
            QCOMPARE(FT_Write(handle, &byte, 1, &done), FT_INVALID_HANDLE);
            QCOMPARE(done, DWORD(0));
            QCOMPARE(FT_Read(handle, &byte, 1, &done), FT_INVALID_HANDLE);
            QCOMPARE(FT_SetRts(handle), FT_INVALID_HANDLE);
            QCOMPARE(FT_Close(handle), FT_INVALID_HANDLE);
        }
    }

    void aCloseFromTheOtherThreadEndsARunningRead()
    {
        ChipOptions options;
        options.description = "kzt_dmx20";
        options.statusOnly = true;
        EmulatedFtdiChip &chip = m_usb->plug(options);
        FT_HANDLE h = openByDescription("kzt_dmx20");
        QVERIFY(h);
        // Timeouts of 0: the read would wait without end.
        QCOMPARE(FT_SetTimeouts(h, 0, 0), FT_OK);
        std::atomic<bool> ended{false};
        std::atomic<FT_STATUS> status{FT_OK};
        std::thread reader([&] {
            char buffer[4];
            DWORD got = 0;
            status = FT_Read(h, buffer, 4, &got);
            ended = true;
        });
        QTest::qWait(300);
        QVERIFY(!ended);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(FT_Close(h), FT_OK);
        QTRY_VERIFY_WITH_TIMEOUT(ended, 3000);
        reader.join();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(status.load(), FT_IO_ERROR);
        QVERIFY(chip.kernelDriverBound());
    }

    void aChipThisUserMayNotOpenIsNamed()
    {
        EmulatedFtdiChip &stick = plug("kzt_dmx20");
        const QByteArray node = qgetenv("UMOCKDEV_DIR") + QByteArray::fromStdString(stick.devicePath());
        QCOMPARE(::chmod(node.constData(), 0), 0);
        zelvar::DeviceLibrary lib;
        lib.BindDeviceLibrary();
        QStringList messages;
        {
            WithoutFileOverride asAUser;
            messages = lib.OpenInterface(zelvar::InterfaceModel::Stick, zelvar::StickBitRate).messages;
        }
        ::chmod(node.constData(), 0644);
        QCOMPARE(messages,
                 QStringList{QStringLiteral("No USB Device Connected or Device Error!\nkzt_dmx20 on bus 1 device %1: "
                                            "no permission; install 60-zelvar71.rules")
                                 .arg(stick.address())});
        QVERIFY(stick.kernelDriverBound());
    }

    // A Kiron link is never taken for a stick, whatever it would answer.
    void stickCommandsLeaveALinkInterfaceAlone()
    {
        const QString folder = path(QStringLiteral("stick-on-link"));
        QVERIFY(QDir().mkpath(folder));
        ChipOptions options;
        options.description = "kzt_usb_dmx";
        options.model = "kzt_dmx20";
        options.config.stickFolder = folder.toStdString();
        EmulatedFtdiChip &chip = m_usb->plug(options);
        const CliRun run = cli({QStringLiteral("stick"), QStringLiteral("list")});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QByteArray("No Pelkom stick is connected (a Kiron link interface is).\n"
                                     "zelvar71-cli: stick list: no USB interface is open\n"));
        QVERIFY(chip.writes().empty());
        QVERIFY(chip.controlRequests().empty());
        QVERIFY(chip.kernelDriverBound());
    }

    void stickCommandsOnAStickLeaveItsLineAlone()
    {
        const QString folder = path(QStringLiteral("stick"));
        QVERIFY(QDir().mkpath(folder));
        ChipOptions options;
        options.description = "kzt_dmx20";
        options.config.stickFolder = folder.toStdString();
        EmulatedFtdiChip &chip = m_usb->plug(options);
        runStickCommands(chip, folder);
        QCOMPARE(lineRequests(chip), 0);
    }

    void linkSendAndReceiveAt38400()
    {
        const QString toController = path(QStringLiteral("to-controller.bin"));
        const QString fromController = path(QStringLiteral("from-controller.bin"));
        QVERIFY(testsupport::writeAll(fromController, pattern(700, 13)));
        ChipOptions options;
        options.description = "kzt_usb_dmx";
        options.config.linkOut = toController.toStdString();
        options.config.linkIn = fromController.toStdString();
        EmulatedFtdiChip &chip = m_usb->plug(options);

        const QString show = path(QStringLiteral("show.tzk"));
        QVERIFY(testsupport::writeAll(show, pattern(1021, 11)));
        CliRun run = cli({QStringLiteral("link"), QStringLiteral("send"), show});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(testsupport::readAll(toController), pattern(1021, 11));
        std::vector<std::size_t> sizes;
        for (const d2xxsim::Bytes &w : chip.writes())
            sizes.push_back(w.size());
        QCOMPARE(sizes, (std::vector<std::size_t>{510, 510, 1}));
        const std::optional<LineState> line = chip.lineAtFirstWrite();
        QVERIFY(line && line->bitRateSet && line->dataFormatSet && line->flowSet && line->rtsSet);
        QVERIFY2(std::abs(line->bitRate() - 38400.0) <= 38400.0 * 0.03, qPrintable(QString::number(line->bitRate())));
        QCOMPARE(line->dataBits, 8);
        QCOMPARE(line->stopBits, 2);
        QCOMPARE(line->parity, 0);
        QCOMPARE(line->flow, std::uint16_t(0));
        QVERIFY(!line->rts);

        const QString back = path(QStringLiteral("back.bin"));
        run = cli({QStringLiteral("link"), QStringLiteral("receive"), back, QStringLiteral("2")});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(run.out, QByteArray("700 bytes received\n"));
        QCOMPARE(testsupport::readAll(back), pattern(700, 13));
        QVERIFY(chip.kernelDriverBound());
    }

    void unplugDuringAReceiveEndsTheCommand()
    {
        ChipOptions options;
        options.description = "kzt_usb_dmx";
        EmulatedFtdiChip &chip = m_usb->plug(options);
        QProcess receive;
        receive.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        const QString cut = path(QStringLiteral("cut.bin"));
        receive.start(QStringLiteral(ZELVAR71_CLI),
                      {QStringLiteral("link"), QStringLiteral("receive"), cut, QStringLiteral("60")});
        QVERIFY(receive.waitForStarted());
        // Pulled once the receive reads: it raises RTS (01 0202) before every read.
        const auto reading = [&chip] {
            const std::vector<std::string> requests = chip.controlRequests();
            return std::any_of(requests.begin(), requests.end(),
                               [](const std::string &r) { return r.rfind("01 0202 ", 0) == 0; });
        };
        QTRY_VERIFY_WITH_TIMEOUT(reading(), 10000);
        QElapsedTimer clock;
        clock.start();
        m_usb->unplug(chip);
        QVERIFY(receive.waitForFinished(10000));
        QCOMPARE(receive.exitCode(), 1);
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY2(receive.readAllStandardError().contains("the interface failed"), "no failure reported");
    }

    void usbCommandListsTheChipsAndNamesTheLibrary()
    {
        EmulatedFtdiChip &link = plug("kzt_usb_dmx");
        EmulatedFtdiChip &other = plug("FT230X Basic UART", nullptr, 0x6015);
        const CliRun run = cli({QStringLiteral("usb")});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QString expected =
            QStringLiteral("bus 1 device %1  0403:6001  \"kzt_usb_dmx\"  may be opened\n"
                           "bus 1 device %2  0403:6015  \"FT230X Basic UART\"  may be opened\n"
                           "driver library: %3/libzelvar71_ftdi.so, bundled with Zelvar71 "
                           "(libftd2xx.so is not installed)\n")
                .arg(link.address())
                .arg(other.address())
                .arg(QFileInfo(QStringLiteral(ZELVAR71_CLI)).absolutePath());
        QCOMPARE(QString::fromUtf8(run.out), expected);

        // A program without the bundled library beside it, and no other: nothing loads.
        const QString alone = path(QStringLiteral("alone/zelvar71-cli"));
        QVERIFY(QDir().mkpath(path(QStringLiteral("alone"))));
        QVERIFY(QFile::copy(QStringLiteral(ZELVAR71_CLI), alone));
        const CliRun bare = runProgram(alone, {QStringLiteral("usb")});
        QCOMPARE(bare.exitCode, 1);
        const QString lookedFor = QStringLiteral("driver library: Looked for libftd2xx.so on the library path and "
                                                 "for %1/libzelvar71_ftdi.so (ZELVAR71_D2XX can name another "
                                                 "file).\n")
                                      .arg(QFileInfo(alone).absolutePath());
        QVERIFY2(bare.out.endsWith(lookedFor.toUtf8()), bare.out.constData());
        QVERIFY(bare.err.startsWith("Error:Can't Load ft8u245.dll,Please Install Driver\nLooked for libftd2xx.so"));
    }
};

QTEST_GUILESS_MAIN(TestFtdiDriver)
#include "tst_ftdidriver.moc"
