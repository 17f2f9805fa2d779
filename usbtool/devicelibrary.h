// The D2XX driver library bound at run time: its 17 entry points resolved into typed
// pointers, one wrapper per function the tool calls, and the search that opens the interface.
// What the user must hear comes back from each call; the caller shows it.
#pragma once

#include "common/d2xx.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace zelvar {

// The two interface models, told apart by the description the library reports.
inline constexpr char LinkDescription[] = "kzt_usb_dmx";
inline constexpr char StickDescription[] = "kzt_dmx20";

// Which of the two a command talks to: the link's commands never open a stick, nor the
// stick's commands a link.
enum class InterfaceModel {
    Link,  // "kzt_usb_dmx"
    Stick, // "kzt_dmx20"
};

inline constexpr d2xx::ULONG LinkBitRate = 38400;
inline constexpr d2xx::ULONG StickBitRate = 1000000;

// Status the wrappers return when their entry point was never resolved.
inline constexpr d2xx::FT_STATUS EntryPointMissing = 1;

// What a call of the library ended with: the library's status, and what the user is to be
// told about it, in order. The caller shows each message as a box with no title and an OK
// button (the dialog), or a line on stderr (the command line).
struct DeviceStatus
{
    d2xx::FT_STATUS status = d2xx::FT_OK;
    QStringList messages;
};

class DeviceLibrary
{
public:
    DeviceLibrary() = default;
    DeviceLibrary(const DeviceLibrary &) = delete;
    DeviceLibrary &operator=(const DeviceLibrary &) = delete;

    // The project's own driver library, beside the programs.
    static QString bundledLibraryPath();
    // Where the library is looked for: the second line of the messages that say it could
    // not be loaded.
    static QString librarySearchText();

    // Loads the library and resolves the entry points in their fixed order, stopping with
    // a message at the first that fails; returns the messages. Meant to run once per run.
    // The library is the file named by ZELVAR71_D2XX when that is set (and then no other),
    // else the chip maker's libftd2xx.so from the library path, else the bundled one.
    QStringList BindDeviceLibrary();
    // The same with entry points that are already in this process, found by `lookup`
    // (nullptr for a name it lacks): a stand-in library linked into a test or fuzz target.
    using SymbolLookup = std::function<void *(const char *name)>;
    QStringList BindEntryPoints(const SymbolLookup &lookup);
    bool isLoaded() const { return m_loaded; }

    // Every command asks this first. Without a library it answers EntryPointMissing with
    // the one message that no driver is loaded: the command then does nothing, rather than
    // report each entry point that is missing.
    DeviceStatus requireLibrary();
    // Which library answered and why (".../libzelvar71_ftdi.so, bundled with Zelvar71
    // (libftd2xx.so is not installed)"); after a failed load, what was looked for.
    QString libraryDescription() const { return m_libraryDescription; }

    // Finds the first device of the `wanted` model and opens it: FT_OK when one is open,
    // with the messages of every call on the way; the caller learns whether it answers from
    // its first write. A device of the other model is never opened; when only such a one
    // is there, the message says so.
    DeviceStatus OpenInterface(InterfaceModel wanted, d2xx::ULONG bitRate);
    DeviceStatus CloseInterface();

    d2xx::FT_HANDLE handle() const { return m_handle; }

    // One wrapper per called function: the library's status unchanged, or a message and
    // EntryPointMissing when the entry point is empty.
    DeviceStatus listDevices(void *arg1, void *arg2, d2xx::DWORD flags);
    DeviceStatus open(char *description, d2xx::DWORD flags);
    DeviceStatus close();
    DeviceStatus write(const char *buffer, d2xx::DWORD count, d2xx::DWORD *written);
    DeviceStatus read(char *buffer, d2xx::DWORD count, d2xx::DWORD *received);
    DeviceStatus setTimeouts(d2xx::ULONG readMs, d2xx::ULONG writeMs);
    DeviceStatus setBitRate(d2xx::ULONG bitRate);
    DeviceStatus setDataFormat(d2xx::UCHAR wordLength, d2xx::UCHAR stopBits, d2xx::UCHAR parity);
    DeviceStatus setFlowControl(d2xx::USHORT flow, d2xx::UCHAR xon, d2xx::UCHAR xoff);
    DeviceStatus raiseRts();
    DeviceStatus lowerRts();

private:
    template <typename Fn>
    bool resolve(const SymbolLookup &lookup, const char *name, Fn &slot, QStringList &messages);
    // A wrapper whose entry point is empty: its message (only when a library is loaded;
    // without one, requireLibrary has said so) and EntryPointMissing.
    DeviceStatus entryPointMissing(const char *message) const;
    void loadLibrary();
    // "No USB Device Connected or Device Error!", with what the library knows about why.
    QString noDeviceMessage() const;

    struct EntryPoints
    {
        d2xx::FT_ListDevices_t listDevices = nullptr;
        d2xx::FT_Write_t write = nullptr;
        d2xx::FT_Read_t read = nullptr;
        d2xx::FT_Open_t open = nullptr;
        d2xx::FT_OpenEx_t openEx = nullptr;
        d2xx::FT_Close_t close = nullptr;
        d2xx::FT_SetTimeouts_t setTimeouts = nullptr;
        d2xx::FT_SetBaudRate_t setBaudRate = nullptr;
        d2xx::FT_SetDataCharacteristics_t setDataCharacteristics = nullptr;
        d2xx::FT_SetFlowControl_t setFlowControl = nullptr;
        d2xx::FT_ResetDevice_t resetDevice = nullptr;
        d2xx::FT_SetRts_t setRts = nullptr;
        d2xx::FT_ClrRts_t clrRts = nullptr;
        d2xx::FT_SetDtr_t setDtr = nullptr;
        d2xx::FT_ClrDtr_t clrDtr = nullptr;
        d2xx::FT_Purge_t purge = nullptr;
        d2xx::FT_GetStatus_t getStatus = nullptr;
    };

    void *m_library = nullptr;
    bool m_loaded = false;
    QString m_libraryDescription;
    EntryPoints m_fn;
    // Only the bundled library has it: what kept the last search from opening a device.
    const char *(*m_lastProblem)() = nullptr;
    d2xx::FT_HANDLE m_handle = nullptr;
};

} // namespace zelvar
