// An FTDI chip emulated behind the real USB stack for the tests: a umockdev testbed holds its
// sysfs entry and device node, and answers libusb's usbdevfs ioctls (capabilities, claim and
// release, the kernel driver's detach and attach, control and bulk URBs, reaping). Control
// requests change its line state; bulk OUT bytes go to one of the simulator's device models
// (the stick, the link); bulk IN answers are 64-byte packets led by two status bytes.
// The test program must run under umockdev-wrapper; one EmulatedUsb per process.
#pragma once

#include "usbtool/simulator/devicemodels.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace testsupport {

// The chip's line as the computer set it through control requests.
struct LineState
{
    bool bitRateSet = false;
    std::uint16_t divisorValue = 0;
    std::uint16_t divisorIndex = 0;
    bool dataFormatSet = false;
    int dataBits = 8;
    int stopBits = 1;
    int parity = 0; // 0 none, 1 odd, 2 even, 3 mark, 4 space
    bool flowSet = false;
    std::uint16_t flow = 0; // 0 none, 0x0100 RTS/CTS, 0x0200 DTR/DSR, 0x0400 XON/XOFF
    bool rtsSet = false;
    bool rts = false;
    bool dtr = false;
    int latencyMs = 16;

    // The bit rate the divisor gives on an FT232R/FT-X (3 MHz base clock, eighths).
    double bitRate() const;
};

struct ChipOptions
{
    std::string description;          // the USB product string
    std::string model;                // the device model behind it: "kzt_dmx20" (stick),
                                      // "kzt_usb_dmx" (link), else silent; the description
                                      // when empty
    std::uint16_t product = 0x6001;   // FT232R
    bool kernelDriverBound = true;    // ftdi_sio has it when it is plugged in
    bool statusOnly = false;          // answers every IN request with a status-only packet
    int answerDelayMs = 0;            // holds its answers back this long after the last OUT
    int takesBytes = -1;              // bulk OUT bytes it takes before it takes no more, as
                                      // a chip whose line is held; -1: no end
    d2xxsim::Config config;           // the device model's folders and files
};

class EmulatedFtdiChip
{
public:
    EmulatedFtdiChip(int bus, int address, ChipOptions options);
    ~EmulatedFtdiChip();
    EmulatedFtdiChip(const EmulatedFtdiChip &) = delete;
    EmulatedFtdiChip &operator=(const EmulatedFtdiChip &) = delete;

    int bus() const { return m_bus; }
    int address() const { return m_address; }
    std::string devicePath() const;
    std::string sysfsName() const;
    const ChipOptions &options() const { return m_options; }

    LineState line() const;
    // The line as it was when the first bulk OUT bytes came.
    std::optional<LineState> lineAtFirstWrite() const;
    bool kernelDriverBound() const;
    bool claimed() const;
    // Every control request as "request value index", in order ("03 4002 0000").
    std::vector<std::string> controlRequests() const;
    // Every bulk OUT transfer's bytes, in order.
    std::vector<d2xxsim::Bytes> writes() const;

    // Pulled out: every transfer in flight ends with an error, every later request fails.
    void unplug();
    bool unplugged() const;

    // umockdev's handler calls (on its own thread).
    bool handleIoctl(UMockdevIoctlClient *client);
    UMockdevIoctlBase *handler() const { return m_handler; }

private:
    struct Urb
    {
        UMockdevIoctlData *data = nullptr; // the client's struct usbdevfs_urb, kept referenced
        unsigned long clientAddress = 0;
        std::chrono::steady_clock::time_point submitted;
        int status = 0;
        int actualLength = 0;
    };

    void startModel();
    void submit(UMockdevIoctlClient *client, UMockdevIoctlData *arg);
    void control(Urb &urb);
    bool answerIn(Urb &urb, std::chrono::steady_clock::time_point now, bool force);
    void reap(UMockdevIoctlClient *client, UMockdevIoctlData *arg);

    int m_bus;
    int m_address;
    ChipOptions m_options;
    UMockdevIoctlBase *m_handler = nullptr;

    mutable std::mutex m_lock;
    std::unique_ptr<d2xxsim::DeviceModel> m_model;
    LineState m_line;
    std::optional<LineState> m_lineAtFirstWrite;
    bool m_kernelBound;
    bool m_claimed = false;
    bool m_unplugged = false;
    std::chrono::steady_clock::time_point m_lastOut{};
    std::vector<std::string> m_requests;
    std::vector<d2xxsim::Bytes> m_writes;
    std::size_t m_taken = 0; // bulk OUT bytes taken
    // URBs the chip has not finished yet: IN ones it has not answered, an OUT one it takes
    // no more bytes of.
    std::vector<Urb> m_waitingIn;
    std::vector<Urb> m_finished;  // URBs ready to be reaped, in order
};

// The emulated USB bus of the test process: one umockdev testbed.
class EmulatedUsb
{
public:
    EmulatedUsb();
    ~EmulatedUsb();
    EmulatedUsb(const EmulatedUsb &) = delete;
    EmulatedUsb &operator=(const EmulatedUsb &) = delete;

    // Whether the process runs under umockdev-wrapper, as these tests must.
    static bool preloaded();

    EmulatedFtdiChip &plug(ChipOptions options);
    // Pulls `chip` out: gone from sysfs, failing every request of whoever still holds it.
    void unplug(EmulatedFtdiChip &chip);
    // Pulls every chip out.
    void unplugAll();

private:
    UMockdevTestbed *m_testbed = nullptr;
    std::vector<std::unique_ptr<EmulatedFtdiChip>> m_chips;
    int m_nextAddress = 5;
};

} // namespace testsupport
