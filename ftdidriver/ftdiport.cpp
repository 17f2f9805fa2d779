// The D2XX calls on one FTDI interface: control requests through libftdi1, bulk data through
// libusb on libftdi1's handle (with D2XX's timeouts and counts), the read-ahead, and giving
// the interface back to the kernel's serial driver.
#include "ftdidriver/ftdiport.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <chrono>

namespace zelvar::ftdi {

using namespace d2xx;

namespace {

using Clock = std::chrono::steady_clock;

// One IN transfer asks for up to this many packets; what a read does not take waits in the
// read-ahead for the next.
constexpr unsigned PacketsPerTransfer = 64;
// The read-ahead FT_GetStatus fills is kept small.
constexpr std::size_t ReadAheadLimit = 64 * 1024;
// A transfer never waits longer than this, so that a close from another thread is never
// kept waiting long.
constexpr unsigned TransferSliceMs = 250;
// FT_GetStatus looks at the chip this long: past the chip's usual 16 ms latency timer.
constexpr unsigned StatusLookMs = 40;
// Each packet from the chip starts with its two modem and line status bytes.
constexpr int StatusBytes = 2;

ftdi_chip_type chipType(std::uint16_t bcdDevice, std::uint8_t serialIndex)
{
    switch (bcdDevice) {
    case 0x200:
        return serialIndex == 0 ? TYPE_BM : TYPE_AM;
    case 0x400:
        return TYPE_BM;
    case 0x500:
        return TYPE_2232C;
    case 0x600:
        return TYPE_R;
    case 0x700:
        return TYPE_2232H;
    case 0x800:
        return TYPE_4232H;
    case 0x900:
        return TYPE_232H;
    case 0x1000:
        return TYPE_230X;
    default:
        return TYPE_R;
    }
}

unsigned packetSize(libusb_device *device, int interfaceIndex)
{
    libusb_config_descriptor *config = nullptr;
    unsigned size = 64;
    if (libusb_get_config_descriptor(device, 0, &config) != 0)
        return size;
    if (interfaceIndex < config->bNumInterfaces && config->interface[interfaceIndex].num_altsetting > 0) {
        const libusb_interface_descriptor &alt = config->interface[interfaceIndex].altsetting[0];
        if (alt.bNumEndpoints > 0 && alt.endpoint[0].wMaxPacketSize > StatusBytes)
            size = alt.endpoint[0].wMaxPacketSize;
    }
    libusb_free_config_descriptor(config);
    return size;
}

unsigned remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? unsigned(left) : 0;
}

} // namespace

FT_STATUS FtdiPort::open(const Port &port, std::unique_ptr<FtdiPort> &opened, std::string &problem)
{
    const std::string who = describe(port);
    ftdi_context *ftdi = ftdi_new();
    if (!ftdi) {
        problem = who + ": the USB library could not start";
        return FT_DEVICE_NOT_OPENED;
    }
    ftdi_set_interface(ftdi, ftdi_interface(INTERFACE_A + port.interfaceIndex));

    libusb_device **list = nullptr;
    const ssize_t count = libusb_get_device_list(ftdi->usb_ctx, &list);
    libusb_device *device = nullptr;
    for (ssize_t i = 0; i < count; ++i) {
        if (libusb_get_bus_number(list[i]) == port.chip.bus && libusb_get_device_address(list[i]) == port.chip.address)
            device = libusb_ref_device(list[i]);
    }
    if (list)
        libusb_free_device_list(list, 1);
    if (!device) {
        ftdi_free(ftdi);
        problem = who + ": unplugged";
        return FT_DEVICE_NOT_FOUND;
    }

    libusb_device_handle *handle = nullptr;
    // Undoes what was done so far and says why.
    const auto giveUp = [&](FT_STATUS status, const std::string &why) {
        if (handle)
            libusb_close(handle);
        libusb_unref_device(device);
        ftdi_free(ftdi);
        problem = who + why;
        return status;
    };
    const int openResult = libusb_open(device, &handle);
    if (openResult == LIBUSB_ERROR_ACCESS)
        return giveUp(FT_DEVICE_NOT_OPENED, ": no permission; install 60-zelvar71.rules");
    if (openResult != LIBUSB_SUCCESS)
        return giveUp(openResult == LIBUSB_ERROR_NO_DEVICE ? FT_DEVICE_NOT_FOUND : FT_DEVICE_NOT_OPENED,
                      std::string(": cannot be opened (") + libusb_strerror(openResult) + ")");

    // The kernel's serial driver gives way while the port is open, and gets it back after.
    const int interfaceIndex = port.interfaceIndex;
    const bool kernelHadIt = libusb_kernel_driver_active(handle, interfaceIndex) == 1;
    if (kernelHadIt && libusb_detach_kernel_driver(handle, interfaceIndex) != LIBUSB_SUCCESS)
        return giveUp(FT_DEVICE_NOT_OPENED, ": its serial driver (/dev/ttyUSB) would not let go of it");
    const int claim = libusb_claim_interface(handle, interfaceIndex);
    if (claim != LIBUSB_SUCCESS) {
        if (kernelHadIt)
            libusb_attach_kernel_driver(handle, interfaceIndex);
        return giveUp(FT_DEVICE_NOT_OPENED,
                      claim == LIBUSB_ERROR_BUSY ? ": in use by another program" : ": cannot be claimed");
    }

    libusb_device_descriptor descriptor{};
    libusb_get_device_descriptor(device, &descriptor);
    ftdi_set_usbdev(ftdi, handle);
    ftdi->type = chipType(descriptor.bcdDevice, descriptor.iSerialNumber);
    ftdi->max_packet_size = packetSize(device, interfaceIndex);
    libusb_unref_device(device);

    opened.reset(new FtdiPort(port, ftdi, kernelHadIt));
    return FT_OK;
}

FtdiPort::FtdiPort(const Port &port, ftdi_context *ftdi, bool reattach)
    : m_port(port), m_ftdi(ftdi), m_reattach(reattach)
{
}

FtdiPort::~FtdiPort()
{
    if (libusb_device_handle *handle = m_ftdi->usb_dev) {
        libusb_release_interface(handle, m_port.interfaceIndex);
        if (m_reattach)
            libusb_attach_kernel_driver(handle, m_port.interfaceIndex);
    }
    // Closes the handle and ends the context.
    ftdi_free(m_ftdi);
}

FT_STATUS FtdiPort::failed(int libusbResult)
{
    if (libusbResult == LIBUSB_ERROR_NO_DEVICE)
        m_problem = describe(m_port) + ": unplugged";
    return FT_IO_ERROR;
}

int FtdiPort::fetch(unsigned waitMs)
{
    const unsigned packet = m_ftdi->max_packet_size;
    std::uint8_t buffer[PacketsPerTransfer * 512];
    const int length = int(std::min<std::size_t>(sizeof buffer, std::size_t(packet) * PacketsPerTransfer));
    int actual = 0;
    // The chip's IN endpoint is libftdi1's out_ep: named from the chip's side.
    const int result = libusb_bulk_transfer(m_ftdi->usb_dev, std::uint8_t(m_ftdi->out_ep), buffer, length, &actual,
                                            std::max(1u, waitMs));
    // Even a transfer that timed out may have brought packets.
    for (int offset = 0; offset < actual; offset += int(packet)) {
        const int end = std::min(actual, offset + int(packet));
        if (end - offset > StatusBytes)
            m_readAhead.insert(m_readAhead.end(), buffer + offset + StatusBytes, buffer + end);
    }
    return result;
}

unsigned FtdiPort::nextWait(bool endless, Clock::time_point deadline, FT_STATUS &status) const
{
    if (m_interrupted) {
        status = FT_IO_ERROR;
        return 0;
    }
    return endless ? TransferSliceMs : std::min(remainingMs(deadline), TransferSliceMs);
}

DWORD FtdiPort::takeReadAhead(std::uint8_t *out, DWORD most)
{
    const DWORD n = DWORD(std::min<std::size_t>(most, m_readAhead.size()));
    std::copy_n(m_readAhead.begin(), n, out);
    m_readAhead.erase(m_readAhead.begin(), m_readAhead.begin() + n);
    return n;
}

FT_STATUS FtdiPort::read(std::uint8_t *buffer, DWORD count, DWORD *received)
{
    DWORD got = 0;
    const bool endless = m_readTimeoutMs == 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(m_readTimeoutMs);
    FT_STATUS status = FT_OK;
    for (;;) {
        got += takeReadAhead(buffer + got, count - got);
        if (got == count)
            break;
        const unsigned wait = nextWait(endless, deadline, status);
        if (wait == 0)
            break;
        // The chip answers each request within its latency timer, with a status-only packet
        // when it has nothing: the wait is in the USB stack, never a spin.
        const int result = fetch(wait);
        if (result != LIBUSB_SUCCESS && result != LIBUSB_ERROR_TIMEOUT) {
            // Bytes that came with the failing transfer still reach the caller.
            got += takeReadAhead(buffer + got, count - got);
            status = failed(result);
            break;
        }
    }
    if (received)
        *received = got;
    return status;
}

FT_STATUS FtdiPort::write(const std::uint8_t *buffer, DWORD count, DWORD *written)
{
    DWORD sent = 0;
    FT_STATUS status = FT_OK;
    const bool endless = m_writeTimeoutMs == 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(m_writeTimeoutMs);
    // Each call goes out on its own: nothing is held back to be joined with the next.
    while (sent < count) {
        const unsigned wait = nextWait(endless, deadline, status);
        if (wait == 0)
            break;
        int actual = 0;
        // The chip's OUT endpoint is libftdi1's in_ep.
        const int result = libusb_bulk_transfer(m_ftdi->usb_dev, std::uint8_t(m_ftdi->in_ep),
                                                const_cast<std::uint8_t *>(buffer + sent), int(count - sent), &actual,
                                                wait);
        sent += DWORD(std::max(actual, 0));
        if (result != LIBUSB_SUCCESS && result != LIBUSB_ERROR_TIMEOUT) {
            status = failed(result);
            break;
        }
    }
    if (written)
        *written = sent;
    return status;
}

FT_STATUS FtdiPort::setTimeouts(ULONG readMs, ULONG writeMs)
{
    m_readTimeoutMs = unsigned(readMs);
    m_writeTimeoutMs = unsigned(writeMs);
    return FT_OK;
}

FT_STATUS FtdiPort::setBitRate(ULONG bitRate)
{
    if (bitRate == 0 || bitRate > 12000000)
        return FT_INVALID_BAUD_RATE;
    // libftdi1 picks the divisor and refuses a rate the chip would miss by more than 5 %.
    const int result = ftdi_set_baudrate(m_ftdi, int(bitRate));
    if (result == -1)
        return FT_INVALID_BAUD_RATE;
    return result == 0 ? FT_OK : failed(LIBUSB_ERROR_IO);
}

FT_STATUS FtdiPort::setDataCharacteristics(UCHAR wordLength, UCHAR stopBits, UCHAR parity)
{
    const bool knownLength = wordLength == FT_BITS_7 || wordLength == FT_BITS_8;
    const bool knownStopBits = stopBits == FT_STOP_BITS_1 || stopBits == FT_STOP_BITS_2;
    if (!knownLength || !knownStopBits || parity > FT_PARITY_SPACE)
        return FT_INVALID_PARAMETER;
    // The D2XX values are libftdi1's: 7 or 8 bits, stop bits 0 (one) or 2 (two), parity 0 to 4.
    return ftdi_set_line_property(m_ftdi, ftdi_bits_type(wordLength), ftdi_stopbits_type(stopBits),
                                  ftdi_parity_type(parity))
            == 0
        ? FT_OK
        : FT_IO_ERROR;
}

FT_STATUS FtdiPort::setFlowControl(USHORT flow, UCHAR xon, UCHAR xoff)
{
    int result = 0;
    switch (flow) {
    case FT_FLOW_NONE:
        result = ftdi_setflowctrl(m_ftdi, SIO_DISABLE_FLOW_CTRL);
        break;
    case FT_FLOW_RTS_CTS:
        result = ftdi_setflowctrl(m_ftdi, SIO_RTS_CTS_HS);
        break;
    case FT_FLOW_DTR_DSR:
        result = ftdi_setflowctrl(m_ftdi, SIO_DTR_DSR_HS);
        break;
    case FT_FLOW_XON_XOFF:
        result = ftdi_setflowctrl_xonxoff(m_ftdi, xon, xoff);
        break;
    default:
        return FT_INVALID_PARAMETER;
    }
    return result == 0 ? FT_OK : FT_IO_ERROR;
}

FT_STATUS FtdiPort::setRts(bool raised)
{
    return ftdi_setrts(m_ftdi, raised ? 1 : 0) == 0 ? FT_OK : FT_IO_ERROR;
}

FT_STATUS FtdiPort::setDtr(bool raised)
{
    return ftdi_setdtr(m_ftdi, raised ? 1 : 0) == 0 ? FT_OK : FT_IO_ERROR;
}

FT_STATUS FtdiPort::purge(ULONG mask)
{
    if (mask & ~(FT_PURGE_RX | FT_PURGE_TX))
        return FT_INVALID_PARAMETER;
    if (mask & FT_PURGE_RX) {
        m_readAhead.clear();
        if (ftdi_tciflush(m_ftdi) != 0)
            return FT_IO_ERROR;
    }
    if ((mask & FT_PURGE_TX) && ftdi_tcoflush(m_ftdi) != 0)
        return FT_IO_ERROR;
    return FT_OK;
}

FT_STATUS FtdiPort::resetDevice()
{
    m_readAhead.clear();
    return ftdi_usb_reset(m_ftdi) == 0 ? FT_OK : FT_IO_ERROR;
}

FT_STATUS FtdiPort::getStatus(DWORD *rxBytes, DWORD *txBytes, DWORD *eventWord)
{
    if (m_readAhead.size() < ReadAheadLimit) {
        const int result = fetch(StatusLookMs);
        if (result != LIBUSB_SUCCESS && result != LIBUSB_ERROR_TIMEOUT)
            return failed(result);
    }
    if (rxBytes)
        *rxBytes = DWORD(m_readAhead.size());
    // Writes return only once their bytes went: nothing waits to be sent.
    if (txBytes)
        *txBytes = 0;
    if (eventWord)
        *eventWord = 0;
    return FT_OK;
}

} // namespace zelvar::ftdi
