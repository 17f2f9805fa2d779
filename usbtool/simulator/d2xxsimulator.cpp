// The device simulator: a stand-in for the D2XX library that exports its 17 entry points
// with the same signatures, serves the devices named in the environment and journals
// every call. Built a second time without FT_GetStatus (ZELVAR71_SIM_NO_GETSTATUS).
#include "usbtool/simulator/simulatedevices.h"

#include <cstring>
#include <map>
#include <set>

#define SIM_EXPORT extern "C" __attribute__((visibility("default")))

using namespace d2xx;
using namespace d2xxsim;

namespace {

std::mutex &simulatorLock()
{
    static std::mutex lock;
    return lock;
}

std::map<FT_HANDLE, std::shared_ptr<Device>> &openHandles()
{
    static std::map<FT_HANDLE, std::shared_ptr<Device>> handles;
    return handles;
}

std::shared_ptr<Device> deviceOf(FT_HANDLE handle)
{
    const auto found = openHandles().find(handle);
    return found == openHandles().end() ? nullptr : found->second;
}

std::string nameOf(const std::shared_ptr<Device> &device)
{
    return device ? device->name() : std::string("-");
}

std::string result(FT_STATUS status)
{
    return " = " + std::to_string(status);
}

std::string flagText(DWORD flags)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08x", unsigned(flags));
    return text;
}

bool isOpen(int index)
{
    for (const auto &entry : openHandles())
        if (entry.second->index() == index)
            return true;
    return false;
}

FT_STATUS openDevice(int index, const Config &config, FT_HANDLE *handle)
{
    if (index < 0 || std::size_t(index) >= config.descriptions.size() || isOpen(index)
        || config.fails(FaultKind::Open, index))
        return FT_DEVICE_NOT_FOUND;
    std::shared_ptr<Device> device = makeDevice(index, config.descriptions[std::size_t(index)], config);
    openHandles()[device.get()] = device;
    if (handle)
        *handle = device.get();
    return FT_OK;
}

// Runs `action` on the device behind `handle`, or answers FT_INVALID_HANDLE; journals
// "<call> <device> <details> = <status>".
template <typename Action>
FT_STATUS onDevice(const char *call, FT_HANDLE handle, const std::string &details, Action action)
{
    std::lock_guard<std::mutex> guard(simulatorLock());
    const std::shared_ptr<Device> device = deviceOf(handle);
    const FT_STATUS status = device ? action(*device) : FT_INVALID_HANDLE;
    journal(std::string(call) + " " + nameOf(device) + details + result(status));
    return status;
}

} // namespace

SIM_EXPORT FT_STATUS FT_ListDevices(void *arg1, void *arg2, DWORD flags)
{
    std::lock_guard<std::mutex> guard(simulatorLock());
    const Config config = Config::fromEnvironment();
    if (flags & FT_LIST_NUMBER_ONLY) {
        if (config.fails(FaultKind::Count, -1)) {
            journal("FT_ListDevices number" + result(FT_IO_ERROR));
            return FT_IO_ERROR;
        }
        if (arg1)
            *static_cast<DWORD *>(arg1) = DWORD(config.descriptions.size());
        journal("FT_ListDevices number" + result(FT_OK) + " " + std::to_string(config.descriptions.size()));
        return FT_OK;
    }
    if ((flags & FT_LIST_BY_INDEX) && (flags & FT_OPEN_BY_DESCRIPTION)) {
        const auto index = reinterpret_cast<std::uintptr_t>(arg1);
        const std::string call = "FT_ListDevices index " + std::to_string(index) + " " + flagText(flags);
        FT_STATUS status = FT_OK;
        if (index >= config.descriptions.size())
            status = FT_DEVICE_NOT_FOUND;
        else if (!arg2 || config.fails(FaultKind::List, int(index)))
            status = FT_IO_ERROR;
        if (status != FT_OK) {
            journal(call + result(status));
            return status;
        }
        const std::string &description = config.descriptions[index];
        const std::size_t length = std::min<std::size_t>(description.size(), DescriptionBufferSize - 1);
        std::memcpy(arg2, description.data(), length);
        static_cast<char *>(arg2)[length] = '\0';
        journal(call + result(FT_OK) + " \"" + description.substr(0, length) + "\"");
        return FT_OK;
    }
    journal("FT_ListDevices flags " + flagText(flags) + result(FT_IO_ERROR));
    return FT_IO_ERROR;
}

SIM_EXPORT FT_STATUS FT_Open(int deviceNumber, FT_HANDLE *handle)
{
    std::lock_guard<std::mutex> guard(simulatorLock());
    const FT_STATUS status = openDevice(deviceNumber, Config::fromEnvironment(), handle);
    journal("FT_Open " + std::to_string(deviceNumber) + result(status)
            + (status == FT_OK ? " dev" + std::to_string(deviceNumber) : std::string()));
    return status;
}

SIM_EXPORT FT_STATUS FT_OpenEx(void *arg1, DWORD flags, FT_HANDLE *handle)
{
    std::lock_guard<std::mutex> guard(simulatorLock());
    const Config config = Config::fromEnvironment();
    std::string description;
    if (arg1)
        description.assign(static_cast<const char *>(arg1), strnlen(static_cast<const char *>(arg1), 64));
    int index = -1;
    if (flags & FT_OPEN_BY_DESCRIPTION) {
        // The first device of that description that is not open yet.
        for (std::size_t i = 0; i < config.descriptions.size() && index < 0; ++i)
            if (config.descriptions[i] == description && !isOpen(int(i)))
                index = int(i);
    }
    const FT_STATUS status = index < 0 ? FT_DEVICE_NOT_FOUND : openDevice(index, config, handle);
    journal("FT_OpenEx \"" + description + "\" " + flagText(flags) + result(status)
            + (status == FT_OK ? " dev" + std::to_string(index) : std::string()));
    return status;
}

SIM_EXPORT FT_STATUS FT_Close(FT_HANDLE handle)
{
    return onDevice("FT_Close", handle, std::string(), [handle](Device &device) {
        device.close();
        openHandles().erase(handle);
        return FT_OK;
    });
}

SIM_EXPORT FT_STATUS FT_Write(FT_HANDLE handle, void *buffer, DWORD count, DWORD *written)
{
    if (!buffer)
        count = 0;
    std::unique_lock<std::mutex> lock(simulatorLock());
    const std::shared_ptr<Device> device = deviceOf(handle);
    DWORD done = 0;
    const FT_STATUS status = device ? device->write(lock, static_cast<const std::uint8_t *>(buffer), count, &done)
                                    : FT_INVALID_HANDLE;
    if (written)
        *written = done;
    journal("FT_Write " + nameOf(device) + " " + std::to_string(count) + " "
            + hexText(static_cast<const std::uint8_t *>(buffer), count) + result(status) + " " + std::to_string(done));
    return status;
}

SIM_EXPORT FT_STATUS FT_Read(FT_HANDLE handle, void *buffer, DWORD count, DWORD *received)
{
    if (!buffer)
        count = 0;
    std::unique_lock<std::mutex> lock(simulatorLock());
    const std::shared_ptr<Device> device = deviceOf(handle);
    DWORD got = 0;
    const FT_STATUS status =
        device ? device->read(lock, static_cast<std::uint8_t *>(buffer), count, &got) : FT_INVALID_HANDLE;
    if (received)
        *received = got;
    journal("FT_Read " + nameOf(device) + " " + std::to_string(count) + result(status) + " " + std::to_string(got)
            + " " + hexText(static_cast<const std::uint8_t *>(buffer), got));
    return status;
}

SIM_EXPORT FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs)
{
    return onDevice("FT_SetTimeouts", handle, " " + std::to_string(readMs) + " " + std::to_string(writeMs),
                    [&](Device &device) {
                        if (device.config().fails(FaultKind::Timeouts, device.index(), device.nextTimeoutCall()))
                            return FT_IO_ERROR;
                        device.setTimeouts(readMs, writeMs);
                        return FT_OK;
                    });
}

SIM_EXPORT FT_STATUS FT_SetBaudRate(FT_HANDLE handle, ULONG bitRate)
{
    return onDevice("FT_SetBaudRate", handle, " " + std::to_string(bitRate), [bitRate](Device &device) {
        device.setBitRate(bitRate);
        return FT_OK;
    });
}

SIM_EXPORT FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, UCHAR wordLength, UCHAR stopBits, UCHAR parity)
{
    return onDevice("FT_SetDataCharacteristics", handle,
                    " " + std::to_string(wordLength) + " " + std::to_string(stopBits) + " " + std::to_string(parity),
                    [=](Device &device) {
                        device.setDataFormat(wordLength, stopBits, parity);
                        return FT_OK;
                    });
}

SIM_EXPORT FT_STATUS FT_SetFlowControl(FT_HANDLE handle, USHORT flow, UCHAR xon, UCHAR xoff)
{
    return onDevice("FT_SetFlowControl", handle,
                    " " + std::to_string(flow) + " " + std::to_string(xon) + " " + std::to_string(xoff),
                    [](Device &device) {
                        return device.config().fails(FaultKind::Flow, device.index(), device.nextFlowCall())
                            ? FT_IO_ERROR
                            : FT_OK;
                    });
}

SIM_EXPORT FT_STATUS FT_ResetDevice(FT_HANDLE handle)
{
    return onDevice("FT_ResetDevice", handle, std::string(), [](Device &device) {
        device.reset();
        return FT_OK;
    });
}

SIM_EXPORT FT_STATUS FT_SetRts(FT_HANDLE handle)
{
    return onDevice("FT_SetRts", handle, std::string(), [](Device &device) {
        device.setRts(true);
        return FT_OK;
    });
}

SIM_EXPORT FT_STATUS FT_ClrRts(FT_HANDLE handle)
{
    return onDevice("FT_ClrRts", handle, std::string(), [](Device &device) {
        device.setRts(false);
        return FT_OK;
    });
}

SIM_EXPORT FT_STATUS FT_SetDtr(FT_HANDLE handle)
{
    return onDevice("FT_SetDtr", handle, std::string(), [](Device &) { return FT_OK; });
}

SIM_EXPORT FT_STATUS FT_ClrDtr(FT_HANDLE handle)
{
    return onDevice("FT_ClrDtr", handle, std::string(), [](Device &) { return FT_OK; });
}

SIM_EXPORT FT_STATUS FT_Purge(FT_HANDLE handle, ULONG mask)
{
    return onDevice("FT_Purge", handle, " " + std::to_string(mask), [mask](Device &device) {
        device.purge(mask);
        return FT_OK;
    });
}

#ifndef ZELVAR71_SIM_NO_GETSTATUS
SIM_EXPORT FT_STATUS FT_GetStatus(FT_HANDLE handle, DWORD *rxBytes, DWORD *txBytes, DWORD *eventWord)
{
    return onDevice("FT_GetStatus", handle, std::string(), [&](Device &device) {
        if (rxBytes)
            *rxBytes = DWORD(device.pending());
        if (txBytes)
            *txBytes = 0;
        if (eventWord)
            *eventWord = 0;
        return FT_OK;
    });
}
#endif
