// The device simulator's call layer: an open device as the D2XX entry points reach it, with
// its timeouts, its injected faults and blocking reads and writes in front of a device model.
#pragma once

#include "usbtool/simulator/devicemodels.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace d2xxsim {

// An open device, reached through the handle the simulator hands out.
class Device
{
public:
    explicit Device(std::unique_ptr<DeviceModel> model);

    int index() const { return m_model->index(); }
    std::string name() const { return m_model->name(); }
    const Config &config() const { return m_model->config(); }

    // All of these run with the simulator's lock held; `lock` may be released to wait.
    d2xx::FT_STATUS write(std::unique_lock<std::mutex> &lock, const std::uint8_t *bytes, d2xx::DWORD count,
                          d2xx::DWORD *written);
    d2xx::FT_STATUS read(std::unique_lock<std::mutex> &lock, std::uint8_t *buffer, d2xx::DWORD count,
                         d2xx::DWORD *received);
    void setRts(bool raised);
    void setTimeouts(d2xx::ULONG readMs, d2xx::ULONG writeMs);
    void setBitRate(d2xx::ULONG bitRate) { m_model->setBitRate(bitRate); }
    void setDataFormat(d2xx::UCHAR wordLength, d2xx::UCHAR stopBits, d2xx::UCHAR parity)
    {
        m_model->setDataFormat(wordLength, stopBits, parity);
    }
    void close();
    bool closed() const { return m_closed; }
    void reset() { m_model->reset(); }
    void purge(d2xx::ULONG mask) { m_model->purge(mask); }
    std::size_t pending() const { return m_model->pending(); }

    int nextReadCall() { return ++m_reads; }
    int nextWriteCall() { return ++m_writes; }
    int nextFlowCall() { return ++m_flowCalls; }
    int nextTimeoutCall() { return ++m_timeoutCalls; }

    std::condition_variable changed;

private:
    std::unique_ptr<DeviceModel> m_model;
    long m_readTimeoutMs = 1000;
    long m_writeTimeoutMs = 1000;
    bool m_closed = false;
    int m_reads = 0;
    int m_writes = 0;
    int m_flowCalls = 0;
    int m_timeoutCalls = 0;
};

std::shared_ptr<Device> makeDevice(int index, const std::string &description, const Config &config);

} // namespace d2xxsim
