// Binding of the D2XX library with dlopen/dlsym, its wrappers, and the interface search.
#include "usbtool/devicelibrary.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <link.h>

namespace zelvar {

using namespace d2xx;

namespace {

const char BundledLibraryName[] = "libzelvar71_ftdi.so";

// The missing-driver message: its first line as the tool has always shown it, then what
// was looked for.
QString missingDriverMessage(const QString &lookedFor)
{
    return QStringLiteral("Error:Can't Load ft8u245.dll,Please Install Driver\n") + lookedFor;
}

// Why a file that exists did not load (dlerror's words); nothing for a file that is not there.
QString loadError(const QString &file)
{
    if (!QFileInfo::exists(file))
        return QString();
    return QStringLiteral(" It does not load: %1.").arg(QString::fromLocal8Bit(dlerror()));
}

QString loadedFile(void *library, const QString &fallback)
{
    link_map *map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && *map->l_name)
        return QFile::decodeName(map->l_name);
    return fallback;
}

} // namespace

QString DeviceLibrary::bundledLibraryPath()
{
    const QString folder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                        : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return folder + QLatin1Char('/') + QLatin1String(BundledLibraryName);
}

void DeviceLibrary::loadLibrary()
{
    const int mode = RTLD_NOW | RTLD_LOCAL;
    const QString named = qEnvironmentVariable("ZELVAR71_D2XX");
    if (!named.isEmpty()) {
        // Named, it is final: a file that does not load is reported, never replaced.
        m_library = dlopen(QFile::encodeName(named).constData(), mode);
        m_libraryDescription = m_library ? loadedFile(m_library, named) + QStringLiteral(", named by ZELVAR71_D2XX")
                                         : librarySearchText() + loadError(named);
        return;
    }
    if ((m_library = dlopen("libftd2xx.so", mode))) {
        m_libraryDescription = loadedFile(m_library, QStringLiteral("libftd2xx.so"))
            + QStringLiteral(", the chip maker's D2XX library from the library path");
        return;
    }
    const QString bundled = bundledLibraryPath();
    if ((m_library = dlopen(QFile::encodeName(bundled).constData(), mode))) {
        m_libraryDescription = bundled + QStringLiteral(", bundled with Zelvar71 (libftd2xx.so is not installed)");
        return;
    }
    // The bundled file is there but does not load: most likely libftdi1 is missing.
    m_libraryDescription = librarySearchText() + loadError(bundled);
}

QString DeviceLibrary::noDeviceMessage() const
{
    QString text = QStringLiteral("No USB Device Connected or Device Error!");
    if (m_lastProblem) {
        if (const char *problem = m_lastProblem(); problem && *problem)
            text += QLatin1Char('\n') + QString::fromUtf8(problem);
    }
    return text;
}

QString DeviceLibrary::librarySearchText()
{
    const QString named = qEnvironmentVariable("ZELVAR71_D2XX");
    if (!named.isEmpty())
        return QStringLiteral("Looked for the file named by ZELVAR71_D2XX: %1.").arg(named);
    return QStringLiteral("Looked for libftd2xx.so on the library path and for %1 "
                          "(ZELVAR71_D2XX can name another file).")
        .arg(bundledLibraryPath());
}

template <typename Fn>
bool DeviceLibrary::resolve(const SymbolLookup &lookup, const char *name, Fn &slot, QStringList &messages)
{
    void *symbol = lookup(name);
    if (!symbol) {
        messages << QStringLiteral("Error:Can't Find ") + QLatin1String(name);
        return false;
    }
    static_assert(sizeof(Fn) == sizeof(symbol));
    std::memcpy(&slot, &symbol, sizeof(slot));
    return true;
}

QStringList DeviceLibrary::BindDeviceLibrary()
{
    if (m_loaded)
        return {};
    // Never unloaded: a link transfer may still be inside the library when the dialog ends.
    loadLibrary();
    if (!m_library)
        return {missingDriverMessage(m_libraryDescription)};
    if (void *lastProblem = dlsym(m_library, "ZelvarFtdi_LastProblem"))
        std::memcpy(&m_lastProblem, &lastProblem, sizeof m_lastProblem);
    return BindEntryPoints([this](const char *name) { return dlsym(m_library, name); });
}

QStringList DeviceLibrary::BindEntryPoints(const SymbolLookup &lookup)
{
    m_loaded = true;
    QStringList missing; // the first name the library lacks
    // In this order; the names after the first missing one stay unresolved.
    resolve(lookup, "FT_ListDevices", m_fn.listDevices, missing)
        && resolve(lookup, "FT_Write", m_fn.write, missing)
        && resolve(lookup, "FT_Read", m_fn.read, missing)
        && resolve(lookup, "FT_Open", m_fn.open, missing)
        && resolve(lookup, "FT_OpenEx", m_fn.openEx, missing)
        && resolve(lookup, "FT_Close", m_fn.close, missing)
        && resolve(lookup, "FT_SetTimeouts", m_fn.setTimeouts, missing)
        && resolve(lookup, "FT_SetBaudRate", m_fn.setBaudRate, missing)
        && resolve(lookup, "FT_SetDataCharacteristics", m_fn.setDataCharacteristics, missing)
        && resolve(lookup, "FT_SetFlowControl", m_fn.setFlowControl, missing)
        && resolve(lookup, "FT_ResetDevice", m_fn.resetDevice, missing)
        && resolve(lookup, "FT_SetRts", m_fn.setRts, missing)
        && resolve(lookup, "FT_ClrRts", m_fn.clrRts, missing)
        && resolve(lookup, "FT_SetDtr", m_fn.setDtr, missing)
        && resolve(lookup, "FT_ClrDtr", m_fn.clrDtr, missing)
        && resolve(lookup, "FT_Purge", m_fn.purge, missing)
        && resolve(lookup, "FT_GetStatus", m_fn.getStatus, missing);
    return missing;
}

DeviceStatus DeviceLibrary::requireLibrary()
{
    if (m_loaded)
        return {};
    return {EntryPointMissing,
            {QStringLiteral("No USB driver is loaded: install it, then start Zelvar71Save again!\n")
             + (m_libraryDescription.isEmpty() ? librarySearchText() : m_libraryDescription)}};
}

DeviceStatus DeviceLibrary::entryPointMissing(const char *message) const
{
    if (!m_loaded)
        return {EntryPointMissing, {}};
    return {EntryPointMissing, {QLatin1String(message)}};
}

DeviceStatus DeviceLibrary::OpenInterface(InterfaceModel wanted, ULONG bitRate)
{
    DeviceStatus opened;
    // Every call's messages, in order; its status for the decisions here.
    const auto call = [&opened](const DeviceStatus &called) {
        opened.messages << called.messages;
        return called.status;
    };
    const auto done = [this, &opened] {
        opened.status = m_handle ? FT_OK : FT_DEVICE_NOT_FOUND;
        return opened;
    };
    // Without a library there is nothing to look for; the command has said so already.
    if (!m_loaded)
        return done();
    const char *const wantedDescription = wanted == InterfaceModel::Link ? LinkDescription : StickDescription;
    const char *const otherDescription = wanted == InterfaceModel::Link ? StickDescription : LinkDescription;
    bool wantedSeen = false;
    bool otherSeen = false;
    bool unknownSeen = false; // a device whose description could not be had
    DWORD count = 0;
    call(listDevices(&count, nullptr, FT_LIST_NUMBER_ONLY));
    for (DWORD i = 0; i < count; ++i) {
        // One byte more than the library may store, so the text always ends.
        char description[DescriptionBufferSize + 1] = {};
        if (call(listDevices(reinterpret_cast<void *>(std::uintptr_t(i)), description,
                             FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION))
            != FT_OK) {
            unknownSeen = true;
            continue;
        }
        // A show sent into a stick is lost without a word: the other model is left alone.
        if (std::strcmp(description, otherDescription) == 0) {
            otherSeen = true;
            continue;
        }
        if (std::strcmp(description, wantedDescription) != 0)
            continue;
        wantedSeen = true;
        if (wanted == InterfaceModel::Link) {
            call(open(description, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION));
            call(setBitRate(bitRate));
            call(setDataFormat(FT_BITS_8, FT_STOP_BITS_2, FT_PARITY_NONE));
            if (call(setFlowControl(FT_FLOW_NONE, 0, 0)) != FT_OK) {
                // Skipped: not left open behind the next device's back.
                call(close());
                continue;
            }
            if (call(setTimeouts(500, 3000)) != FT_OK)
                opened.messages << QStringLiteral("SetFlowControl is Error");
            return done();
        }
        if (call(open(description, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION)) != FT_OK)
            continue;
        call(setTimeouts(500, 150));
        return done();
    }
    if (otherSeen && !wantedSeen && !unknownSeen)
        opened.messages << (wanted == InterfaceModel::Link
                                ? QStringLiteral("No Kiron link interface is connected (a Pelkom stick is).")
                                : QStringLiteral("No Pelkom stick is connected (a Kiron link interface is)."));
    else
        opened.messages << noDeviceMessage();
    return done();
}

DeviceStatus DeviceLibrary::CloseInterface()
{
    return close();
}

DeviceStatus DeviceLibrary::listDevices(void *arg1, void *arg2, DWORD flags)
{
    if (!m_fn.listDevices)
        return entryPointMissing("FT_ListDevices is not valid!");
    return {m_fn.listDevices(arg1, arg2, flags), {}};
}

DeviceStatus DeviceLibrary::open(char *description, DWORD flags)
{
    if (!m_fn.openEx)
        return entryPointMissing("FT_OpenEx is not valid!");
    FT_HANDLE opened = nullptr;
    const FT_STATUS status = m_fn.openEx(description, flags, &opened);
    m_handle = opened;
    return {status, {}};
}

DeviceStatus DeviceLibrary::close()
{
    if (!m_fn.close)
        return entryPointMissing("FT_Close is not valid!");
    const FT_STATUS status = m_fn.close(m_handle);
    // A closed handle is never handed to the library again.
    if (status == FT_OK)
        m_handle = nullptr;
    return {status, {}};
}

DeviceStatus DeviceLibrary::write(const char *buffer, DWORD count, DWORD *written)
{
    if (!m_fn.write)
        return entryPointMissing("FT_Write is not valid!");
    return {m_fn.write(m_handle, const_cast<char *>(buffer), count, written), {}};
}

DeviceStatus DeviceLibrary::read(char *buffer, DWORD count, DWORD *received)
{
    if (!m_fn.read)
        return entryPointMissing("FT_Read is not valid!");
    return {m_fn.read(m_handle, buffer, count, received), {}};
}

DeviceStatus DeviceLibrary::setTimeouts(ULONG readMs, ULONG writeMs)
{
    if (!m_fn.setTimeouts)
        return entryPointMissing("FT_SetTimeouts is not valid!");
    return {m_fn.setTimeouts(m_handle, readMs, writeMs), {}};
}

DeviceStatus DeviceLibrary::setBitRate(ULONG bitRate)
{
    if (!m_fn.setBaudRate)
        return entryPointMissing("FT_SetBaudRate is not valid!");
    return {m_fn.setBaudRate(m_handle, bitRate), {}};
}

DeviceStatus DeviceLibrary::setDataFormat(UCHAR wordLength, UCHAR stopBits, UCHAR parity)
{
    if (!m_fn.setDataCharacteristics)
        return entryPointMissing("FT_SetDataCharacteristics is not valid!");
    return {m_fn.setDataCharacteristics(m_handle, wordLength, stopBits, parity), {}};
}

DeviceStatus DeviceLibrary::setFlowControl(USHORT flow, UCHAR xon, UCHAR xoff)
{
    if (!m_fn.setFlowControl)
        return entryPointMissing("FT_SetFlowControl is not valid!");
    return {m_fn.setFlowControl(m_handle, flow, xon, xoff), {}};
}

DeviceStatus DeviceLibrary::raiseRts()
{
    if (!m_fn.setRts)
        return entryPointMissing("FT_SetRts is not valid!");
    return {m_fn.setRts(m_handle), {}};
}

DeviceStatus DeviceLibrary::lowerRts()
{
    if (!m_fn.clrRts)
        return entryPointMissing("FT_ClrRts is not valid!");
    return {m_fn.clrRts(m_handle), {}};
}

} // namespace zelvar
