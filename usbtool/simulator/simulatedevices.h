// The device simulator's inner parts: its configuration from the environment, its journal,
// and the two simulated interfaces (the Pelkom stick and the Kiron link).
#pragma once

#include "usbtool/d2xx.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace d2xxsim {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

enum class FaultKind { Count, List, Open, Flow, Timeouts, Read, Write, Short };

struct Fault
{
    FaultKind kind;
    int device = -1; // -1: every device
    int call = 0;    // 0: every call; n: only the n-th call on an open handle
};

struct Config
{
    std::vector<std::string> descriptions;
    std::vector<Fault> faults;
    std::string stickFolder;
    Bytes stickReply;
    bool stickReplyOverride = false;
    bool stickPad = false;
    std::string linkOut;
    std::string linkIn;
    std::size_t linkChunk = 64;
    long linkIntervalMs = 10;
    // The link moves bytes at the line rate the tool set, both ways.
    bool linkPaced = false;

    // Read afresh from the environment (ZELVAR71_SIM_...).
    static Config fromEnvironment();

    // True when `kind` is to fail for `device` on its `call`-th such call (from 1).
    bool fails(FaultKind kind, int device, int call = 0) const;
};

// One line appended to the journal file named by ZELVAR71_SIM_LOG, if any.
void journal(const std::string &line);
std::string hexText(const std::uint8_t *bytes, std::size_t count);

// An open device, reached through the handle the simulator hands out.
class Device
{
public:
    Device(int index, std::string description, Config config);
    virtual ~Device() = default;

    int index() const { return m_index; }
    std::string name() const { return "dev" + std::to_string(m_index); }
    const Config &config() const { return m_config; }

    // All of these run with the simulator's lock held; `lock` may be released to wait.
    virtual d2xx::FT_STATUS write(std::unique_lock<std::mutex> &lock, const std::uint8_t *bytes, d2xx::DWORD count,
                                  d2xx::DWORD *written);
    d2xx::FT_STATUS read(std::unique_lock<std::mutex> &lock, std::uint8_t *buffer, d2xx::DWORD count,
                         d2xx::DWORD *received);
    void setRts(bool raised);
    void setTimeouts(d2xx::ULONG readMs, d2xx::ULONG writeMs);
    void setBitRate(d2xx::ULONG bitRate);
    void setDataFormat(d2xx::UCHAR wordLength, d2xx::UCHAR stopBits, d2xx::UCHAR parity);
    void close();
    bool closed() const { return m_closed; }
    virtual void reset() {}
    virtual void purge(d2xx::ULONG mask);
    // Bytes waiting to be read.
    virtual std::size_t pending() const;

    int nextReadCall() { return ++m_reads; }
    int nextWriteCall() { return ++m_writes; }
    int nextFlowCall() { return ++m_flowCalls; }
    int nextTimeoutCall() { return ++m_timeoutCalls; }

    std::condition_variable changed;

protected:
    // Takes up to `count` bytes that are ready now into `out`.
    virtual std::size_t take(std::uint8_t *out, std::size_t count, Clock::time_point now) = 0;
    // When `wanted` more bytes will have become ready without anything the tool does (or
    // the last byte there is to come, if sooner); max() when no more are coming.
    virtual Clock::time_point readyBy(std::size_t) const { return Clock::time_point::max(); }
    // How long `count` bytes take on the line; zero for a device that takes them at once.
    virtual Clock::duration transmitTime(std::size_t) const { return Clock::duration::zero(); }
    // One character on the line: start bit, data bits, parity bit, stop bits.
    Clock::duration characterTime() const;
    // Consumes bytes the tool sent.
    virtual void receive(const std::uint8_t *bytes, std::size_t count) = 0;

    bool m_rts = false;
    long m_readTimeoutMs = 1000;
    long m_writeTimeoutMs = 1000;
    // As a freshly opened FTDI device: 9600 bit/s, 8 data bits, 1 stop bit, no parity.
    d2xx::ULONG m_bitRate = 9600;
    int m_bitsPerCharacter = 10;
    Clock::time_point m_opened = Clock::now();

private:
    int m_index;
    std::string m_description;
    Config m_config;
    bool m_closed = false;
    int m_reads = 0;
    int m_writes = 0;
    int m_flowCalls = 0;
    int m_timeoutCalls = 0;
};

// "kzt_dmx20": keeps its files in a folder and answers 29-byte command blocks. It hands out
// bytes only while RTS is raised.
class StickDevice : public Device
{
public:
    using Device::Device;
    void reset() override;
    void purge(d2xx::ULONG mask) override;
    std::size_t pending() const override { return m_outbox.size(); }

protected:
    std::size_t take(std::uint8_t *out, std::size_t count, Clock::time_point now) override;
    void receive(const std::uint8_t *bytes, std::size_t count) override;

private:
    void runCommand(const std::uint8_t *block);
    void answer(Bytes reply, const Bytes &data = Bytes());
    void storeIncoming();

    Bytes m_command;
    std::deque<std::uint8_t> m_outbox;
    bool m_receiving = false;
    std::string m_incomingName;
    std::uint32_t m_incomingLength = 0;
    Bytes m_incoming;
};

// "kzt_usb_dmx": what the tool writes is appended to one file; the bytes of another become
// ready in chunks at a steady pace from the moment it is opened. Paced, it takes and hands
// out bytes at the line rate instead, as a real line would.
class LinkDevice : public Device
{
public:
    LinkDevice(int index, std::string description, Config config);
    void purge(d2xx::ULONG mask) override;
    std::size_t pending() const override;

protected:
    std::size_t take(std::uint8_t *out, std::size_t count, Clock::time_point now) override;
    Clock::time_point readyBy(std::size_t wanted) const override;
    Clock::duration transmitTime(std::size_t count) const override;
    void receive(const std::uint8_t *bytes, std::size_t count) override;

private:
    std::size_t released(Clock::time_point now) const;

    Bytes m_source;
    std::size_t m_position = 0;
};

std::shared_ptr<Device> makeDevice(int index, const std::string &description, const Config &config);

} // namespace d2xxsim
