// The simulator's call layer: faults, timeouts and blocking reads and writes in front of a
// device model.
#include "usbtool/simulator/simulatedevices.h"

namespace d2xxsim {

using namespace d2xx;

Device::Device(std::unique_ptr<DeviceModel> model) : m_model(std::move(model)) {}

FT_STATUS Device::write(std::unique_lock<std::mutex> &lock, const std::uint8_t *bytes, DWORD count, DWORD *written)
{
    const int call = nextWriteCall();
    if (config().fails(FaultKind::Write, index(), call)) {
        if (written)
            *written = 0;
        return FT_IO_ERROR;
    }
    DWORD accepted = count;
    if (config().fails(FaultKind::Short, index(), call)) {
        // Half goes through; the rest waits out the write timeout.
        accepted = count / 2;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(m_writeTimeoutMs);
        changed.wait_until(lock, deadline, [&] { return m_closed || Clock::now() >= deadline; });
    } else if (const Clock::duration busy = m_model->transmitTime(count); busy > Clock::duration::zero()) {
        // The write returns once its last character has left on the line; when the write
        // timeout ends first, with the characters that went out by then.
        const Clock::duration timeout = std::chrono::milliseconds(m_writeTimeoutMs);
        Clock::duration wait = busy;
        if (busy > timeout) {
            accepted = DWORD(timeout / m_model->characterTime());
            wait = timeout;
        }
        const Clock::time_point done = Clock::now() + wait;
        changed.wait_until(lock, done, [&] { return m_closed || Clock::now() >= done; });
        if (m_closed) {
            if (written)
                *written = 0;
            return FT_IO_ERROR;
        }
    }
    m_model->receive(bytes, accepted);
    changed.notify_all();
    if (written)
        *written = accepted;
    return FT_OK;
}

FT_STATUS Device::read(std::unique_lock<std::mutex> &lock, std::uint8_t *buffer, DWORD count, DWORD *received)
{
    if (config().fails(FaultKind::Read, index(), nextReadCall())) {
        if (received)
            *received = 0;
        return FT_IO_ERROR;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(m_readTimeoutMs);
    std::size_t got = 0;
    for (;;) {
        const Clock::time_point now = Clock::now();
        got += m_model->take(buffer + got, count - got, now);
        if (got == count || now >= deadline || m_closed)
            break;
        // Sleeps until the timeout, the moment the rest of the read is ready, or anything the
        // tool does to the device.
        changed.wait_until(lock, std::min(deadline, m_model->readyBy(count - got)));
    }
    if (received)
        *received = DWORD(got);
    return m_closed ? FT_IO_ERROR : FT_OK;
}

void Device::setRts(bool raised)
{
    m_model->setRts(raised);
    changed.notify_all();
}

void Device::setTimeouts(ULONG readMs, ULONG writeMs)
{
    m_readTimeoutMs = long(readMs);
    m_writeTimeoutMs = long(writeMs);
}

void Device::close()
{
    m_closed = true;
    changed.notify_all();
}

std::shared_ptr<Device> makeDevice(int index, const std::string &description, const Config &config)
{
    return std::make_shared<Device>(makeModel(index, description, config));
}

} // namespace d2xxsim
