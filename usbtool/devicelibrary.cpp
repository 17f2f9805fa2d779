// Binding of the D2XX library with dlopen/dlsym, its wrappers, and the interface search.
#include "usbtool/devicelibrary.h"

#include "common/prompts.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <link.h>

namespace zelvar {

using namespace d2xx;

DeviceLibrary::DeviceLibrary(Prompts &prompts) : m_prompts(prompts) {}

namespace {

const char BundledLibraryName[] = "libzelvar71_ftdi.so";

// The missing-driver message: its first line as the tool has always shown it, then what
// was looked for.
QString missingDriverMessage(const QString &lookedFor)
{
    return QStringLiteral("Error:Can't Load ft8u245.dll,Please Install Driver\n") + lookedFor;
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
                                         : QStringLiteral("ZELVAR71_D2XX names %1, which does not load (%2).")
                                               .arg(named, QString::fromLocal8Bit(dlerror()));
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
    // The file is there but does not load: most likely libftdi1 is missing.
    const QString why =
        QFileInfo::exists(bundled) ? QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(dlerror())) : QString();
    m_libraryDescription = QStringLiteral("Looked for libftd2xx.so on the library path and for %1%2; "
                                          "ZELVAR71_D2XX may name another library file.")
                               .arg(bundled, why);
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

void DeviceLibrary::showMessage(const QString &text)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(
            app, [this, text] { m_prompts.message(m_parent, text, QString(), PromptButtons::Ok); },
            Qt::BlockingQueuedConnection);
        return;
    }
    m_prompts.message(m_parent, text, QString(), PromptButtons::Ok);
}

template <typename Fn>
bool DeviceLibrary::resolve(const char *name, Fn &slot)
{
    void *symbol = dlsym(m_library, name);
    if (!symbol) {
        showMessage(QStringLiteral("Error:Can't Find ") + QLatin1String(name));
        return false;
    }
    static_assert(sizeof(Fn) == sizeof(symbol));
    std::memcpy(&slot, &symbol, sizeof(slot));
    return true;
}

void DeviceLibrary::BindDeviceLibrary()
{
    if (m_library)
        return;
    // Never unloaded: a link transfer may still be inside the library when the dialog ends.
    loadLibrary();
    if (!m_library) {
        showMessage(missingDriverMessage(m_libraryDescription));
        return;
    }
    if (void *lastProblem = dlsym(m_library, "ZelvarFtdi_LastProblem"))
        std::memcpy(&m_lastProblem, &lastProblem, sizeof m_lastProblem);
    // In this order; the names after the first missing one stay unresolved.
    resolve("FT_ListDevices", m_fn.listDevices) && resolve("FT_Write", m_fn.write)
        && resolve("FT_Read", m_fn.read) && resolve("FT_Open", m_fn.open) && resolve("FT_OpenEx", m_fn.openEx)
        && resolve("FT_Close", m_fn.close) && resolve("FT_SetTimeouts", m_fn.setTimeouts)
        && resolve("FT_SetBaudRate", m_fn.setBaudRate)
        && resolve("FT_SetDataCharacteristics", m_fn.setDataCharacteristics)
        && resolve("FT_SetFlowControl", m_fn.setFlowControl) && resolve("FT_ResetDevice", m_fn.resetDevice)
        && resolve("FT_SetRts", m_fn.setRts) && resolve("FT_ClrRts", m_fn.clrRts)
        && resolve("FT_SetDtr", m_fn.setDtr) && resolve("FT_ClrDtr", m_fn.clrDtr)
        && resolve("FT_Purge", m_fn.purge) && resolve("FT_GetStatus", m_fn.getStatus);
}

void DeviceLibrary::OpenInterface(ULONG bitRate)
{
    DWORD count = 0;
    listDevices(&count, nullptr, FT_LIST_NUMBER_ONLY);
    for (DWORD i = 0; i < count; ++i) {
        // One byte more than the library may store, so the text always ends.
        char description[DescriptionBufferSize + 1] = {};
        if (listDevices(reinterpret_cast<void *>(std::uintptr_t(i)), description,
                        FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION)
            != FT_OK)
            continue;
        if (std::strcmp(description, LinkDescription) == 0) {
            open(description, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION);
            setBitRate(bitRate);
            setDataFormat(FT_BITS_8, FT_STOP_BITS_2, FT_PARITY_NONE);
            if (setFlowControl(FT_FLOW_NONE, 0, 0) != FT_OK) {
                // Skipped: not left open behind the next device's back.
                close();
                continue;
            }
            if (setTimeouts(500, 3000) != FT_OK)
                showMessage(QStringLiteral("SetFlowControl is Error"));
            return;
        }
        if (std::strcmp(description, StickDescription) == 0) {
            if (open(description, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION) != FT_OK)
                continue;
            setTimeouts(500, 150);
            return;
        }
    }
    showMessage(noDeviceMessage());
}

void DeviceLibrary::CloseInterface()
{
    close();
}

FT_STATUS DeviceLibrary::listDevices(void *arg1, void *arg2, DWORD flags)
{
    if (!m_fn.listDevices) {
        showMessage(QStringLiteral("FT_ListDevices is not valid!"));
        return EntryPointMissing;
    }
    return m_fn.listDevices(arg1, arg2, flags);
}

FT_STATUS DeviceLibrary::open(char *description, DWORD flags)
{
    if (!m_fn.openEx) {
        showMessage(QStringLiteral("FT_OpenEx is not valid!"));
        return EntryPointMissing;
    }
    FT_HANDLE opened = nullptr;
    const FT_STATUS status = m_fn.openEx(description, flags, &opened);
    m_handle = opened;
    return status;
}

FT_STATUS DeviceLibrary::close()
{
    if (!m_fn.close) {
        showMessage(QStringLiteral("FT_Close is not valid!"));
        return EntryPointMissing;
    }
    const FT_STATUS status = m_fn.close(m_handle);
    // A closed handle is never handed to the library again.
    if (status == FT_OK)
        m_handle = nullptr;
    return status;
}

FT_STATUS DeviceLibrary::write(const char *buffer, DWORD count, DWORD *written)
{
    if (!m_fn.write) {
        showMessage(QStringLiteral("FT_Write is not valid!"));
        return EntryPointMissing;
    }
    return m_fn.write(m_handle, const_cast<char *>(buffer), count, written);
}

FT_STATUS DeviceLibrary::read(char *buffer, DWORD count, DWORD *received)
{
    if (!m_fn.read) {
        showMessage(QStringLiteral("FT_Read is not valid!"));
        return EntryPointMissing;
    }
    return m_fn.read(m_handle, buffer, count, received);
}

FT_STATUS DeviceLibrary::setTimeouts(ULONG readMs, ULONG writeMs)
{
    if (!m_fn.setTimeouts) {
        showMessage(QStringLiteral("FT_SetTimeouts is not valid!"));
        return EntryPointMissing;
    }
    return m_fn.setTimeouts(m_handle, readMs, writeMs);
}

FT_STATUS DeviceLibrary::setBitRate(ULONG bitRate)
{
    if (!m_fn.setBaudRate) {
        showMessage(QStringLiteral("FT_SetBaudRate is not valid!"));
        return EntryPointMissing;
    }
    return m_fn.setBaudRate(m_handle, bitRate);
}

FT_STATUS DeviceLibrary::setDataFormat(UCHAR wordLength, UCHAR stopBits, UCHAR parity)
{
    if (!m_fn.setDataCharacteristics) {
        showMessage(QStringLiteral("FT_SetDataCharacteristics is not valid!"));
        return EntryPointMissing;
    }
    return m_fn.setDataCharacteristics(m_handle, wordLength, stopBits, parity);
}

FT_STATUS DeviceLibrary::setFlowControl(USHORT flow, UCHAR xon, UCHAR xoff)
{
    if (!m_fn.setFlowControl) {
        showMessage(QStringLiteral("FT_SetFlowControl is not valid!"));
        return EntryPointMissing;
    }
    return m_fn.setFlowControl(m_handle, flow, xon, xoff);
}

FT_STATUS DeviceLibrary::raiseRts()
{
    if (!m_fn.setRts) {
        showMessage(QStringLiteral("FT_SetRts is not valid!"));
        return EntryPointMissing;
    }
    return m_fn.setRts(m_handle);
}

FT_STATUS DeviceLibrary::lowerRts()
{
    if (!m_fn.clrRts) {
        showMessage(QStringLiteral("FT_ClrRts is not valid!"));
        return EntryPointMissing;
    }
    return m_fn.clrRts(m_handle);
}

} // namespace zelvar
