// The emulated FTDI chip's answers to libusb's usbdevfs ioctls, and its testbed.
#include "emulatedftdi.h"

#include <umockdev.h>

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int PacketSize = 64;
constexpr int StatusBytes = 2;
constexpr int SetupSize = 8;
// Modem status (CTS, DSR clear; the low nibble the chips always set) and line status
// (transmitter empty), as the first two bytes of every IN packet.
constexpr std::uint8_t ModemStatus = 0x01;
constexpr std::uint8_t LineStatus = 0x60;

// The FTDI vendor requests.
enum : std::uint8_t {
    SioReset = 0x00,
    SioModemCtrl = 0x01,
    SioSetFlowCtrl = 0x02,
    SioSetBaudRate = 0x03,
    SioSetData = 0x04,
    SioPollModemStatus = 0x05,
    SioSetLatencyTimer = 0x09,
    SioGetLatencyTimer = 0x0A,
};

std::uint16_t bcdDeviceOf(std::uint16_t product)
{
    switch (product) {
    case 0x6010:
        return 0x0700;
    case 0x6014:
        return 0x0900;
    case 0x6015:
        return 0x1000;
    default:
        return 0x0600;
    }
}

std::string hexByte(unsigned value)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02x", value & 0xFF);
    return text;
}

// The device and configuration descriptors, as sysfs's "descriptors" attribute holds them:
// one interface, bulk IN 0x81 and bulk OUT 0x02 of 64 bytes.
std::string descriptorsHex(std::uint16_t product)
{
    const std::uint16_t bcd = bcdDeviceOf(product);
    const unsigned bytes[] = {
        0x12, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x08, 0x03, 0x04, unsigned(product & 0xFF), unsigned(product >> 8),
        unsigned(bcd & 0xFF), unsigned(bcd >> 8), 0x01, 0x02, 0x03, 0x01,
        0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, 0xA0, 0x2D,
        0x09, 0x04, 0x00, 0x00, 0x02, 0xFF, 0xFF, 0xFF, 0x02,
        0x07, 0x05, 0x81, 0x02, 0x40, 0x00, 0x00,
        0x07, 0x05, 0x02, 0x02, 0x40, 0x00, 0x00,
    };
    std::string hex;
    for (unsigned b : bytes)
        hex += hexByte(b);
    return hex;
}

std::string hex4(unsigned value)
{
    return hexByte(value >> 8) + hexByte(value);
}

gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer chip)
{
    return static_cast<EmulatedFtdiChip *>(chip)->handleIoctl(client) ? TRUE : FALSE;
}

} // namespace

double LineState::bitRate() const
{
    // Bits 0-13: the divisor's whole part; bits 14-15 with index bit 0: its eighths, coded.
    static const double eighths[8] = {0.0, 0.5, 0.25, 0.125, 0.375, 0.625, 0.75, 0.875};
    const unsigned whole = divisorValue & 0x3FFF;
    const unsigned code = unsigned(divisorValue >> 14) | unsigned(divisorIndex & 1) << 2;
    if (whole == 0 && code == 0)
        return 3000000.0;
    if (whole == 1 && code == 0)
        return 2000000.0;
    return 3000000.0 / (whole + eighths[code]);
}

// --- EmulatedFtdiChip -------------------------------------------------------------------

EmulatedFtdiChip::EmulatedFtdiChip(int bus, int address, ChipOptions options)
    : m_bus(bus), m_address(address), m_options(std::move(options)), m_kernelBound(m_options.kernelDriverBound)
{
    startModel();
    m_handler = umockdev_ioctl_base_new();
    g_signal_connect(m_handler, "handle-ioctl", G_CALLBACK(onIoctl), this);
}

EmulatedFtdiChip::~EmulatedFtdiChip()
{
    g_signal_handlers_disconnect_by_data(m_handler, this);
    for (Urb &urb : m_waitingIn)
        g_object_unref(urb.data);
    for (Urb &urb : m_finished)
        g_object_unref(urb.data);
    g_object_unref(m_handler);
}

void EmulatedFtdiChip::startModel()
{
    // Like the simulator's devices, the model starts afresh whenever the chip is claimed (the
    // link's stream runs from then); the chip keeps its line.
    m_model = d2xxsim::makeModel(m_address, m_options.model.empty() ? m_options.description : m_options.model,
                                 m_options.config);
    if (m_line.bitRateSet)
        m_model->setBitRate(d2xx::ULONG(m_line.bitRate() + 0.5));
    m_model->setDataFormat(d2xx::UCHAR(m_line.dataBits), d2xx::UCHAR(m_line.stopBits == 2 ? 2 : 0),
                           d2xx::UCHAR(m_line.parity));
    m_model->setRts(m_line.rts);
}

std::string EmulatedFtdiChip::devicePath() const
{
    char path[32];
    std::snprintf(path, sizeof path, "/dev/bus/usb/%03d/%03d", m_bus, m_address);
    return path;
}

std::string EmulatedFtdiChip::sysfsName() const
{
    return std::to_string(m_bus) + "-" + std::to_string(m_address);
}

LineState EmulatedFtdiChip::line() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_line;
}

std::optional<LineState> EmulatedFtdiChip::lineAtFirstWrite() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lineAtFirstWrite;
}

bool EmulatedFtdiChip::kernelDriverBound() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_kernelBound;
}

bool EmulatedFtdiChip::unplugged() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_unplugged;
}

bool EmulatedFtdiChip::claimed() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_claimed;
}

std::vector<std::string> EmulatedFtdiChip::controlRequests() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_requests;
}

std::vector<d2xxsim::Bytes> EmulatedFtdiChip::writes() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_writes;
}

void EmulatedFtdiChip::unplug()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_unplugged = true;
    // The host controller ends every transfer in flight.
    for (Urb &urb : m_waitingIn) {
        urb.status = -ESHUTDOWN;
        urb.actualLength = 0;
        m_finished.push_back(urb);
    }
    m_waitingIn.clear();
}

bool EmulatedFtdiChip::handleIoctl(UMockdevIoctlClient *client)
{
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    std::unique_lock<std::mutex> lock(m_lock);
    if (m_unplugged && request != USBDEVFS_REAPURB && request != USBDEVFS_REAPURBNDELAY
        && request != USBDEVFS_DISCARDURB && request != USBDEVFS_RELEASEINTERFACE) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData *caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(std::uint32_t), nullptr);
        *reinterpret_cast<std::uint32_t *>(caps->data) =
            USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_GETDRIVER: {
        UMockdevIoctlData *data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_getdriver), nullptr);
        auto *driver = reinterpret_cast<usbdevfs_getdriver *>(data->data);
        if (!m_kernelBound && !m_claimed) {
            umockdev_ioctl_client_complete(client, -1, ENODATA);
            return true;
        }
        std::snprintf(driver->driver, sizeof driver->driver, "%s", m_kernelBound ? "ftdi_sio" : "usbfs");
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_IOCTL: {
        UMockdevIoctlData *data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_ioctl), nullptr);
        const int code = reinterpret_cast<usbdevfs_ioctl *>(data->data)->ioctl_code;
        if (code == int(USBDEVFS_DISCONNECT)) {
            if (!m_kernelBound) {
                umockdev_ioctl_client_complete(client, -1, ENODATA);
                return true;
            }
            m_kernelBound = false;
        } else if (code == int(USBDEVFS_CONNECT)) {
            if (m_claimed) {
                umockdev_ioctl_client_complete(client, -1, EBUSY);
                return true;
            }
            m_kernelBound = true;
        }
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_CLAIMINTERFACE:
        if (m_kernelBound) {
            umockdev_ioctl_client_complete(client, -1, EBUSY);
            return true;
        }
        m_claimed = true;
        startModel();
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    case USBDEVFS_RELEASEINTERFACE:
        m_claimed = false;
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_RESET:
    case USBDEVFS_RESETEP:
    case USBDEVFS_CLEAR_HALT:
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    case USBDEVFS_SUBMITURB:
        submit(client, arg);
        return true;
    case USBDEVFS_DISCARDURB: {
        const unsigned long address = *reinterpret_cast<unsigned long *>(arg->data);
        const auto found = std::find_if(m_waitingIn.begin(), m_waitingIn.end(),
                                        [&](const Urb &u) { return u.clientAddress == address; });
        if (found == m_waitingIn.end()) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return true;
        }
        found->status = -ENOENT;
        // An OUT URB keeps the count of the bytes that went.
        if (reinterpret_cast<usbdevfs_urb *>(found->data->data)->endpoint & 0x80)
            found->actualLength = 0;
        m_finished.push_back(*found);
        m_waitingIn.erase(found);
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        reap(client, arg);
        return true;
    default:
        return false;
    }
}

void EmulatedFtdiChip::submit(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    UMockdevIoctlData *data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    auto *urb = reinterpret_cast<usbdevfs_urb *>(data->data);
    UMockdevIoctlData *buffer =
        umockdev_ioctl_data_resolve(data, offsetof(usbdevfs_urb, buffer), std::size_t(urb->buffer_length), nullptr);
    if (!buffer && urb->buffer_length > 0) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    Urb entry;
    entry.data = data;
    entry.clientAddress = data->client_addr;
    entry.submitted = Clock::now();
    g_object_ref(data);

    if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
        control(entry);
        m_finished.push_back(entry);
    } else if (urb->type == USBDEVFS_URB_TYPE_BULK && (urb->endpoint & 0x80) == 0) {
        const auto *bytes = static_cast<const std::uint8_t *>(urb->buffer);
        if (!m_lineAtFirstWrite)
            m_lineAtFirstWrite = m_line;
        int taken = urb->buffer_length;
        if (m_options.takesBytes >= 0)
            taken = std::min(taken, std::max(0, m_options.takesBytes - int(m_taken)));
        m_taken += std::size_t(taken);
        m_writes.emplace_back(bytes, bytes + taken);
        m_model->receive(bytes, std::size_t(taken));
        m_lastOut = entry.submitted;
        entry.actualLength = taken;
        // Not taken whole, it waits until it is discarded.
        if (taken < urb->buffer_length)
            m_waitingIn.push_back(entry);
        else
            m_finished.push_back(entry);
    } else if (urb->type == USBDEVFS_URB_TYPE_BULK) {
        m_waitingIn.push_back(entry);
    } else {
        g_object_unref(data);
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    umockdev_ioctl_client_complete(client, 0, 0);
}

void EmulatedFtdiChip::control(Urb &entry)
{
    auto *urb = reinterpret_cast<usbdevfs_urb *>(entry.data->data);
    auto *setup = static_cast<std::uint8_t *>(urb->buffer);
    const std::uint8_t type = setup[0];
    const std::uint8_t request = setup[1];
    const std::uint16_t value = std::uint16_t(setup[2] | setup[3] << 8);
    const std::uint16_t index = std::uint16_t(setup[4] | setup[5] << 8);
    m_requests.push_back(hexByte(request) + " " + hex4(value) + " " + hex4(index));
    entry.actualLength = 0;
    if ((type & 0x60) != 0x40)
        return; // standard requests: nothing the chip's line cares about
    std::uint8_t *reply = setup + SetupSize;
    switch (request) {
    case SioReset:
        // 0 resets the port; 1 empties what the chip sends on the line (the computer's
        // bytes), 2 what it holds for the computer.
        if (value == 0)
            m_model->reset();
        else if (value == 1)
            m_model->purge(2);
        else if (value == 2)
            m_model->purge(1);
        break;
    case SioModemCtrl:
        if (value & 0x0100)
            m_line.dtr = value & 0x01;
        if (value & 0x0200) {
            m_line.rtsSet = true;
            m_line.rts = value & 0x02;
            m_model->setRts(m_line.rts);
        }
        break;
    case SioSetFlowCtrl:
        m_line.flowSet = true;
        m_line.flow = std::uint16_t(index & 0xFF00);
        break;
    case SioSetBaudRate:
        m_line.bitRateSet = true;
        m_line.divisorValue = value;
        m_line.divisorIndex = index;
        m_model->setBitRate(d2xx::ULONG(m_line.bitRate() + 0.5));
        break;
    case SioSetData:
        m_line.dataFormatSet = true;
        m_line.dataBits = value & 0xFF;
        m_line.parity = (value >> 8) & 0x07;
        m_line.stopBits = ((value >> 11) & 0x03) == 2 ? 2 : 1;
        m_model->setDataFormat(d2xx::UCHAR(m_line.dataBits), d2xx::UCHAR(m_line.stopBits == 2 ? 2 : 0),
                               d2xx::UCHAR(m_line.parity));
        break;
    case SioPollModemStatus:
        if (urb->buffer_length >= SetupSize + 2) {
            reply[0] = ModemStatus;
            reply[1] = LineStatus;
            entry.actualLength = 2;
        }
        break;
    case SioSetLatencyTimer:
        m_line.latencyMs = std::max(1, value & 0xFF);
        break;
    case SioGetLatencyTimer:
        if (urb->buffer_length >= SetupSize + 1) {
            reply[0] = std::uint8_t(m_line.latencyMs);
            entry.actualLength = 1;
        }
        break;
    default:
        break;
    }
}

bool EmulatedFtdiChip::answerIn(Urb &entry, Clock::time_point now, bool force)
{
    auto *urb = reinterpret_cast<usbdevfs_urb *>(entry.data->data);
    auto *out = static_cast<std::uint8_t *>(urb->buffer);
    const int length = urb->buffer_length;
    const bool held = m_options.answerDelayMs > 0
        && now < m_lastOut + std::chrono::milliseconds(m_options.answerDelayMs);
    int filled = 0;
    if (!m_options.statusOnly && !held) {
        // Packets of two status bytes and up to 62 data bytes, as many as the buffer holds.
        std::uint8_t data[PacketSize - StatusBytes];
        while (length - filled > StatusBytes) {
            const int room = std::min(PacketSize, length - filled) - StatusBytes;
            const std::size_t got = m_model->take(data, std::size_t(room), now);
            if (got == 0)
                break;
            out[filled] = ModemStatus;
            out[filled + 1] = LineStatus;
            std::memcpy(out + filled + StatusBytes, data, got);
            filled += StatusBytes + int(got);
            if (int(got) < room)
                break;
        }
    }
    if (filled == 0) {
        // Nothing to send: the chip answers with its status alone once its latency timer ran.
        if (!force && now < entry.submitted + std::chrono::milliseconds(m_line.latencyMs))
            return false;
        if (length >= StatusBytes) {
            out[0] = ModemStatus;
            out[1] = LineStatus;
            filled = StatusBytes;
        }
    }
    entry.status = 0;
    entry.actualLength = filled;
    return true;
}

void EmulatedFtdiChip::reap(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    const Clock::time_point now = Clock::now();
    for (auto it = m_waitingIn.begin(); m_finished.empty() && it != m_waitingIn.end(); ++it) {
        const bool in = reinterpret_cast<usbdevfs_urb *>(it->data->data)->endpoint & 0x80;
        if (in && answerIn(*it, now, false)) {
            m_finished.push_back(*it);
            m_waitingIn.erase(it);
            break;
        }
    }
    if (m_finished.empty()) {
        umockdev_ioctl_client_complete(client, -1, m_unplugged ? ENODEV : EAGAIN);
        return;
    }
    Urb done = m_finished.front();
    m_finished.erase(m_finished.begin());
    auto *urb = reinterpret_cast<usbdevfs_urb *>(done.data->data);
    urb->status = done.status;
    urb->actual_length = done.actualLength;
    UMockdevIoctlData *pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(void *), nullptr);
    umockdev_ioctl_data_set_ptr(pointer, 0, done.data);
    g_object_unref(done.data);
    umockdev_ioctl_client_complete(client, 0, 0);
}

// --- EmulatedUsb ------------------------------------------------------------------------

EmulatedUsb::EmulatedUsb()
{
    m_testbed = umockdev_testbed_new();
}

EmulatedUsb::~EmulatedUsb()
{
    unplugAll();
    g_object_unref(m_testbed);
}

bool EmulatedUsb::preloaded()
{
    const char *preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "libumockdev-preload");
}

EmulatedFtdiChip &EmulatedUsb::plug(ChipOptions options)
{
    // A new address for every chip, as the kernel gives one at every plug.
    auto chip = std::make_unique<EmulatedFtdiChip>(1, m_nextAddress++, std::move(options));
    const std::string node = chip->devicePath();
    // The handler first, so that libusb never sees the device without it.
    umockdev_testbed_attach_ioctl(m_testbed, node.c_str(), chip->handler(), nullptr);
    char number[8];
    std::snprintf(number, sizeof number, "%03d", chip->address());
    const ChipOptions &o = chip->options();
    std::string record = "P: /devices/pci0000:00/0000:00:14.0/usb1/" + chip->sysfsName() + "\n";
    record += "N: " + node.substr(5) + "\n";
    record += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: BUSNUM=001\n";
    record += std::string("E: DEVNUM=") + number + "\nE: DEVNAME=" + node + "\n";
    record += "A: busnum=1\\n\nA: devnum=" + std::to_string(chip->address()) + "\\n\n";
    record += "A: speed=12\\n\nA: bConfigurationValue=1\\n\nA: bNumInterfaces= 1\\n\n";
    record += "A: idVendor=0403\\n\nA: idProduct=" + hex4(o.product) + "\\n\n";
    record += "A: manufacturer=FTDI\\n\n";
    if (!o.description.empty())
        record += "A: product=" + o.description + "\\n\n";
    record += "A: serial=ZL" + std::to_string(chip->address()) + "\\n\n";
    record += "H: descriptors=" + descriptorsHex(o.product) + "\n";
    GError *error = nullptr;
    if (!umockdev_testbed_add_from_string(m_testbed, record.c_str(), &error)) {
        std::fprintf(stderr, "cannot add the emulated chip: %s\n", error ? error->message : "?");
        std::abort();
    }
    m_chips.push_back(std::move(chip));
    return *m_chips.back();
}

void EmulatedUsb::unplug(EmulatedFtdiChip &chip)
{
    if (chip.unplugged())
        return;
    chip.unplug();
    const std::string syspath = "/sys/devices/pci0000:00/0000:00:14.0/usb1/" + chip.sysfsName();
    umockdev_testbed_remove_device(m_testbed, syspath.c_str());
}

void EmulatedUsb::unplugAll()
{
    for (const auto &chip : m_chips)
        unplug(*chip);
    // The chips stay: a handle on one may still be closed later, and fail.
}

} // namespace testsupport
