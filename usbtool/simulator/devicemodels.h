// The simulated interfaces' behaviour, apart from how they are reached: the Pelkom stick and
// the Kiron link as models that take the bytes the computer sends and hand out their answers.
// The D2XX simulator puts them behind its entry points; the tests' emulated FTDI chip puts
// them behind the USB stack.
#pragma once

#include "common/d2xx.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
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

// One interface as the computer's end of the cable sees it. Not thread-safe: the layer in
// front of it holds its own lock.
class DeviceModel
{
public:
    DeviceModel(int index, std::string description, Config config);
    virtual ~DeviceModel() = default;
    DeviceModel(const DeviceModel &) = delete;
    DeviceModel &operator=(const DeviceModel &) = delete;

    int index() const { return m_index; }
    std::string name() const { return "dev" + std::to_string(m_index); }
    const std::string &description() const { return m_description; }
    const Config &config() const { return m_config; }

    // The line as the computer set it.
    void setRts(bool raised) { m_rts = raised; }
    bool rts() const { return m_rts; }
    void setBitRate(d2xx::ULONG bitRate);
    // FT_STOP_BITS_1 is 0, FT_STOP_BITS_2 is 2; any parity but none adds one bit.
    void setDataFormat(d2xx::UCHAR wordLength, d2xx::UCHAR stopBits, d2xx::UCHAR parity);
    // One character on the line: start bit, data bits, parity bit, stop bits.
    Clock::duration characterTime() const;

    virtual void reset() {}
    // Bit 0: what the interface has for the computer; bit 1: what it is taking in.
    virtual void purge(d2xx::ULONG) {}
    // Bytes waiting to be read.
    virtual std::size_t pending() const { return 0; }

    // Takes up to `count` bytes that are ready now into `out`.
    virtual std::size_t take(std::uint8_t *out, std::size_t count, Clock::time_point now) = 0;
    // When `wanted` more bytes will have become ready without anything the computer does
    // (or the last byte there is to come, if sooner); max() when no more are coming.
    virtual Clock::time_point readyBy(std::size_t) const { return Clock::time_point::max(); }
    // How long `count` bytes take on the line; zero for an interface that takes them at once.
    virtual Clock::duration transmitTime(std::size_t) const { return Clock::duration::zero(); }
    // Consumes bytes the computer sent.
    virtual void receive(const std::uint8_t *bytes, std::size_t count) = 0;

protected:
    bool m_rts = false;
    // As a freshly opened FTDI device: 9600 bit/s, 8 data bits, 1 stop bit, no parity.
    d2xx::ULONG m_bitRate = 9600;
    int m_bitsPerCharacter = 10;
    Clock::time_point m_opened = Clock::now();

private:
    int m_index;
    std::string m_description;
    Config m_config;
};

// "kzt_dmx20": keeps its files in a folder and answers 29-byte command blocks. It hands out
// bytes only while RTS is raised.
class StickModel : public DeviceModel
{
public:
    using DeviceModel::DeviceModel;
    void reset() override;
    void purge(d2xx::ULONG mask) override;
    std::size_t pending() const override { return m_outbox.size(); }
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

// "kzt_usb_dmx": what the computer writes is appended to one file; the bytes of another
// become ready in chunks at a steady pace from the moment it is opened. Paced, it takes and
// hands out bytes at the line rate instead, as a real line would.
class LinkModel : public DeviceModel
{
public:
    LinkModel(int index, std::string description, Config config);
    void purge(d2xx::ULONG mask) override;
    std::size_t pending() const override;
    std::size_t take(std::uint8_t *out, std::size_t count, Clock::time_point now) override;
    Clock::time_point readyBy(std::size_t wanted) const override;
    Clock::duration transmitTime(std::size_t count) const override;
    void receive(const std::uint8_t *bytes, std::size_t count) override;

private:
    std::size_t released(Clock::time_point now) const;

    Bytes m_source;
    std::size_t m_position = 0;
};

// Any other description: takes what it is sent and never answers.
class SilentModel : public DeviceModel
{
public:
    using DeviceModel::DeviceModel;
    std::size_t take(std::uint8_t *, std::size_t, Clock::time_point) override { return 0; }
    void receive(const std::uint8_t *, std::size_t) override {}
};

// The model for a description: a stick, a link, or a silent interface.
std::unique_ptr<DeviceModel> makeModel(int index, const std::string &description, const Config &config);

} // namespace d2xxsim
