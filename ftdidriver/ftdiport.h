// One open D2XX device on libftdi1: a chip's interface claimed from the kernel's serial
// driver, its timeouts and read-ahead, and the D2XX calls on it with their status values.
#pragma once

#include "ftdidriver/ftdichips.h"
#include "common/d2xx.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <string>

struct ftdi_context;

namespace zelvar::ftdi {

class FtdiPort
{
public:
    // Opens `port` without touching the chip: no reset, no purge, no bit rate, data format,
    // flow control or modem lines. On failure `problem` says why, naming the chip.
    static d2xx::FT_STATUS open(const Port &port, std::unique_ptr<FtdiPort> &opened, std::string &problem);
    // Releases the interface and gives it back to the kernel's serial driver if that had it.
    ~FtdiPort();
    FtdiPort(const FtdiPort &) = delete;
    FtdiPort &operator=(const FtdiPort &) = delete;

    const Port &port() const { return m_port; }
    // Set when the chip went away; names it.
    const std::string &problem() const { return m_problem; }

    // Until `count` bytes or the read timeout; FT_OK with a short count at the timeout.
    d2xx::FT_STATUS read(std::uint8_t *buffer, d2xx::DWORD count, d2xx::DWORD *received);
    // Until every byte went or the write timeout; FT_OK with a short count at the timeout.
    d2xx::FT_STATUS write(const std::uint8_t *buffer, d2xx::DWORD count, d2xx::DWORD *written);
    // 0 waits without end.
    d2xx::FT_STATUS setTimeouts(d2xx::ULONG readMs, d2xx::ULONG writeMs);
    d2xx::FT_STATUS setBitRate(d2xx::ULONG bitRate);
    d2xx::FT_STATUS setDataCharacteristics(d2xx::UCHAR wordLength, d2xx::UCHAR stopBits, d2xx::UCHAR parity);
    d2xx::FT_STATUS setFlowControl(d2xx::USHORT flow, d2xx::UCHAR xon, d2xx::UCHAR xoff);
    d2xx::FT_STATUS setRts(bool raised);
    d2xx::FT_STATUS setDtr(bool raised);
    d2xx::FT_STATUS purge(d2xx::ULONG mask);
    d2xx::FT_STATUS resetDevice();
    // Bytes waiting: the read-ahead after one short look at the chip.
    d2xx::FT_STATUS getStatus(d2xx::DWORD *rxBytes, d2xx::DWORD *txBytes, d2xx::DWORD *eventWord);

    // Asks a read or write running on another thread to end after its current USB transfer.
    void interrupt() { m_interrupted = true; }

private:
    FtdiPort(const Port &port, ftdi_context *ftdi, bool reattach);

    // One bulk IN transfer of at most `waitMs` into the read-ahead, status bytes dropped.
    // Returns a libusb result.
    int fetch(unsigned waitMs);
    // The next transfer's wait: what is left of the timeout (`endless`: none), at most one
    // slice; 0 to stop, when the time ran out or a close asked for it (then `status` says so).
    unsigned nextWait(bool endless, std::chrono::steady_clock::time_point deadline, d2xx::FT_STATUS &status) const;
    // Moves up to `most` bytes from the read-ahead to `out`.
    d2xx::DWORD takeReadAhead(std::uint8_t *out, d2xx::DWORD most);
    d2xx::FT_STATUS failed(int libusbResult);

    Port m_port;
    ftdi_context *m_ftdi;
    bool m_reattach;
    unsigned m_readTimeoutMs = 0;
    unsigned m_writeTimeoutMs = 0;
    std::deque<std::uint8_t> m_readAhead;
    std::string m_problem;
    std::atomic<bool> m_interrupted{false};
};

} // namespace zelvar::ftdi
