// libzelvar71_ftdi.so: the D2XX entry points the USB transfer tool resolves, on libftdi1.
// Handles are numbers never handed out twice; every call on a handle that is not open
// answers FT_INVALID_HANDLE. Ports still open when the library is unloaded or the process
// ends are closed then, so the kernel's serial driver gets its interfaces back.
#include "ftdidriver/ftdichips.h"
#include "ftdidriver/ftdiport.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#define FTDI_EXPORT extern "C" __attribute__((visibility("default")))

using namespace d2xx;
using zelvar::ftdi::FtdiPort;
using zelvar::ftdi::Port;

namespace {

constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;
constexpr DWORD FT_LIST_ALL = 0x20000000u;

struct OpenPort
{
    // Held for the length of each call; a close takes it after asking a running call to end.
    std::timed_mutex lock;
    std::unique_ptr<FtdiPort> port;
};

struct Registry
{
    std::mutex lock;
    std::map<std::uintptr_t, std::shared_ptr<OpenPort>> ports;
    std::uintptr_t lastHandle = 0;
    std::string lastProblem;
};

// Never destroyed: the close at unload runs after the library's static objects are gone.
Registry &registry()
{
    static Registry &r = *new Registry;
    return r;
}

void noteProblem(const std::string &problem)
{
    if (problem.empty())
        return;
    std::lock_guard<std::mutex> guard(registry().lock);
    registry().lastProblem = problem;
}

// The open port behind `handle`, taken out of the registry when `remove`; null when none.
std::shared_ptr<OpenPort> portOf(FT_HANDLE handle, bool remove)
{
    std::lock_guard<std::mutex> guard(registry().lock);
    const auto found = registry().ports.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == registry().ports.end())
        return nullptr;
    std::shared_ptr<OpenPort> entry = found->second;
    if (remove)
        registry().ports.erase(found);
    return entry;
}

// Runs `call` on the open port behind `handle`.
template <typename Call>
FT_STATUS onPort(FT_HANDLE handle, Call call)
{
    const std::shared_ptr<OpenPort> entry = portOf(handle, false);
    if (!entry)
        return FT_INVALID_HANDLE;
    std::lock_guard<std::timed_mutex> guard(entry->lock);
    if (!entry->port)
        return FT_INVALID_HANDLE;
    const FT_STATUS status = call(*entry->port);
    if (status != FT_OK)
        noteProblem(entry->port->problem());
    return status;
}

bool isOpen(const Port &port)
{
    std::lock_guard<std::mutex> guard(registry().lock);
    for (const auto &entry : registry().ports) {
        // Read without the port's lock: a port's identity never changes once open.
        const FtdiPort *open = entry.second->port.get();
        if (open && open->port().chip.bus == port.chip.bus && open->port().chip.address == port.chip.address
            && open->port().interfaceIndex == port.interfaceIndex)
            return true;
    }
    return false;
}

FT_STATUS openPort(const Port &port, FT_HANDLE *handle)
{
    std::unique_ptr<FtdiPort> opened;
    std::string problem;
    const FT_STATUS status = FtdiPort::open(port, opened, problem);
    if (status != FT_OK) {
        noteProblem(problem);
        return status;
    }
    auto entry = std::make_shared<OpenPort>();
    entry->port = std::move(opened);
    std::lock_guard<std::mutex> guard(registry().lock);
    const std::uintptr_t id = ++registry().lastHandle;
    registry().ports[id] = entry;
    *handle = reinterpret_cast<FT_HANDLE>(id);
    return FT_OK;
}

// The text FT_ListDevices stores for `port`, by description or by serial number.
std::string listedText(const Port &port, DWORD flags)
{
    return (flags & FT_OPEN_BY_DESCRIPTION) ? port.description : port.chip.serialText.substr(0, 15);
}

void storeText(const std::string &text, void *buffer)
{
    const std::size_t length = std::min(text.size(), zelvar::ftdi::DescriptionLimit);
    std::memcpy(buffer, text.data(), length);
    static_cast<char *>(buffer)[length] = '\0';
}

void closeEntry(const std::shared_ptr<OpenPort> &entry, std::chrono::milliseconds patience)
{
    if (FtdiPort *port = entry->port.get())
        port->interrupt();
    // A call still running on another thread ends after its current USB transfer.
    if (!entry->lock.try_lock_for(patience))
        return;
    entry->port.reset();
    entry->lock.unlock();
}

__attribute__((destructor)) void closeEverythingAtUnload()
{
    std::map<std::uintptr_t, std::shared_ptr<OpenPort>> ports;
    {
        std::lock_guard<std::mutex> guard(registry().lock);
        ports.swap(registry().ports);
    }
    for (const auto &entry : ports)
        closeEntry(entry.second, std::chrono::seconds(1));
}

} // namespace

FTDI_EXPORT FT_STATUS FT_ListDevices(void *arg1, void *arg2, DWORD flags)
{
    if (flags & FT_LIST_NUMBER_ONLY) {
        if (!arg1)
            return FT_INVALID_PARAMETER;
        {
            // A new search: what went wrong in the last one no longer counts.
            std::lock_guard<std::mutex> guard(registry().lock);
            registry().lastProblem.clear();
        }
        *static_cast<DWORD *>(arg1) = DWORD(zelvar::ftdi::scanPorts().size());
        return FT_OK;
    }
    if (!(flags & (FT_OPEN_BY_DESCRIPTION | FT_OPEN_BY_SERIAL_NUMBER)))
        return FT_INVALID_PARAMETER;
    const std::vector<Port> ports = zelvar::ftdi::scanPorts();
    if (flags & FT_LIST_BY_INDEX) {
        const auto index = reinterpret_cast<std::uintptr_t>(arg1);
        if (!arg2)
            return FT_INVALID_PARAMETER;
        if (index >= ports.size())
            return FT_DEVICE_NOT_FOUND;
        storeText(listedText(ports[index], flags), arg2);
        return FT_OK;
    }
    if (flags & FT_LIST_ALL) {
        // arg1: buffers, one per device, the list ended by a null pointer; arg2: the count.
        if (!arg1 || !arg2)
            return FT_INVALID_PARAMETER;
        char **buffers = static_cast<char **>(arg1);
        DWORD stored = 0;
        for (const Port &port : ports) {
            if (!buffers[stored])
                break;
            storeText(listedText(port, flags), buffers[stored++]);
        }
        *static_cast<DWORD *>(arg2) = stored;
        return FT_OK;
    }
    return FT_INVALID_PARAMETER;
}

FTDI_EXPORT FT_STATUS FT_Open(int deviceNumber, FT_HANDLE *handle)
{
    if (!handle)
        return FT_INVALID_PARAMETER;
    const std::vector<Port> ports = zelvar::ftdi::scanPorts();
    if (deviceNumber < 0 || std::size_t(deviceNumber) >= ports.size())
        return FT_DEVICE_NOT_FOUND;
    if (isOpen(ports[std::size_t(deviceNumber)]))
        return FT_DEVICE_NOT_OPENED;
    return openPort(ports[std::size_t(deviceNumber)], handle);
}

FTDI_EXPORT FT_STATUS FT_OpenEx(void *arg1, DWORD flags, FT_HANDLE *handle)
{
    if (!handle || !arg1)
        return FT_INVALID_PARAMETER;
    *handle = nullptr;
    if (!(flags & (FT_OPEN_BY_DESCRIPTION | FT_OPEN_BY_SERIAL_NUMBER)))
        return FT_INVALID_PARAMETER;
    const std::string wanted(static_cast<const char *>(arg1),
                             strnlen(static_cast<const char *>(arg1), zelvar::ftdi::DescriptionLimit + 1));
    FT_STATUS status = FT_DEVICE_NOT_FOUND;
    // The first device of that text that is not open already; one that cannot be opened
    // (no permission, in use) leaves the next a chance.
    for (const Port &port : zelvar::ftdi::scanPorts()) {
        if (listedText(port, flags) != wanted || isOpen(port))
            continue;
        status = openPort(port, handle);
        if (status == FT_OK)
            return FT_OK;
    }
    return status;
}

FTDI_EXPORT FT_STATUS FT_Close(FT_HANDLE handle)
{
    const std::shared_ptr<OpenPort> entry = portOf(handle, true);
    if (!entry)
        return FT_INVALID_HANDLE;
    closeEntry(entry, std::chrono::hours(1));
    return FT_OK;
}

FTDI_EXPORT FT_STATUS FT_Write(FT_HANDLE handle, void *buffer, DWORD count, DWORD *written)
{
    if (written)
        *written = 0;
    if (!buffer && count > 0)
        return FT_INVALID_PARAMETER;
    return onPort(handle, [&](FtdiPort &port) {
        return port.write(static_cast<const std::uint8_t *>(buffer), count, written);
    });
}

FTDI_EXPORT FT_STATUS FT_Read(FT_HANDLE handle, void *buffer, DWORD count, DWORD *received)
{
    if (received)
        *received = 0;
    if (!buffer && count > 0)
        return FT_INVALID_PARAMETER;
    return onPort(handle,
                  [&](FtdiPort &port) { return port.read(static_cast<std::uint8_t *>(buffer), count, received); });
}

FTDI_EXPORT FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs)
{
    return onPort(handle, [&](FtdiPort &port) { return port.setTimeouts(readMs, writeMs); });
}

FTDI_EXPORT FT_STATUS FT_SetBaudRate(FT_HANDLE handle, ULONG bitRate)
{
    return onPort(handle, [&](FtdiPort &port) { return port.setBitRate(bitRate); });
}

FTDI_EXPORT FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, UCHAR wordLength, UCHAR stopBits, UCHAR parity)
{
    return onPort(handle, [&](FtdiPort &port) { return port.setDataCharacteristics(wordLength, stopBits, parity); });
}

FTDI_EXPORT FT_STATUS FT_SetFlowControl(FT_HANDLE handle, USHORT flow, UCHAR xon, UCHAR xoff)
{
    return onPort(handle, [&](FtdiPort &port) { return port.setFlowControl(flow, xon, xoff); });
}

FTDI_EXPORT FT_STATUS FT_ResetDevice(FT_HANDLE handle)
{
    return onPort(handle, [](FtdiPort &port) { return port.resetDevice(); });
}

FTDI_EXPORT FT_STATUS FT_SetRts(FT_HANDLE handle)
{
    return onPort(handle, [](FtdiPort &port) { return port.setRts(true); });
}

FTDI_EXPORT FT_STATUS FT_ClrRts(FT_HANDLE handle)
{
    return onPort(handle, [](FtdiPort &port) { return port.setRts(false); });
}

FTDI_EXPORT FT_STATUS FT_SetDtr(FT_HANDLE handle)
{
    return onPort(handle, [](FtdiPort &port) { return port.setDtr(true); });
}

FTDI_EXPORT FT_STATUS FT_ClrDtr(FT_HANDLE handle)
{
    return onPort(handle, [](FtdiPort &port) { return port.setDtr(false); });
}

FTDI_EXPORT FT_STATUS FT_Purge(FT_HANDLE handle, ULONG mask)
{
    return onPort(handle, [mask](FtdiPort &port) { return port.purge(mask); });
}

FTDI_EXPORT FT_STATUS FT_GetStatus(FT_HANDLE handle, DWORD *rxBytes, DWORD *txBytes, DWORD *eventWord)
{
    return onPort(handle, [&](FtdiPort &port) { return port.getStatus(rxBytes, txBytes, eventWord); });
}

// Beyond D2XX: what kept the last search from opening a device, as a sentence naming the
// chip ("kzt_usb_dmx on bus 1 device 5: no permission; install 60-zelvar71.rules"), or an
// empty text. The text stays valid until the same thread calls again.
FTDI_EXPORT const char *ZelvarFtdi_LastProblem()
{
    thread_local std::string copy;
    std::lock_guard<std::mutex> guard(registry().lock);
    copy = registry().lastProblem;
    return copy.c_str();
}
