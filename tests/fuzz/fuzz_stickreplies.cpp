// Feeds arbitrary bytes to the stick commands as everything the stick answers: the 4-byte
// replies, listings of any length and the data of a copy to the computer. The commands run
// as the dialog runs them, on a D2XX stand-in linked in here whose reads hand out the input
// at once, so that no timeout slows a run. A copy must keep exactly the bytes that came, no
// more than the stick announced (in the file when all came, beside it when the copy was cut
// short), and a refused copy must leave no file behind.
#include "usbtool/devicelibrary.h"
#include "usbtool/stickcommands.h"
#include "usbtool/stickpanel.h"
#include "usbtool/stickprotocol.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

using namespace zelvar;
using namespace d2xx;

namespace {

// The input after its first byte: each read takes two bytes, big-endian, for how many bytes
// it hands out (at most what was asked; 0xFFFF makes the read fail), then those bytes.
struct Input
{
    const uint8_t *data = nullptr;
    size_t size = 0;
    size_t at = 0;
    int reads = 0;
    QByteArray firstRead; // the reply to the command block
    QByteArray dataPhase; // what every later read handed out, in order
} input;

FT_STATUS listDevices(void *arg1, void *arg2, DWORD flags)
{
    if (flags & FT_LIST_NUMBER_ONLY)
        *static_cast<DWORD *>(arg1) = 1;
    else
        std::strcpy(static_cast<char *>(arg2), StickDescription);
    return FT_OK;
}

FT_STATUS openEx(void *, DWORD, FT_HANDLE *handle)
{
    *handle = &input;
    return FT_OK;
}

FT_STATUS writeBytes(FT_HANDLE, void *, DWORD count, DWORD *written)
{
    *written = count;
    return FT_OK;
}

FT_STATUS readBytes(FT_HANDLE, void *buffer, DWORD count, DWORD *received)
{
    *received = 0;
    if (input.size - input.at < 2)
        return FT_OK; // nothing more comes: the read times out empty
    const unsigned wanted = unsigned(input.data[input.at]) << 8 | input.data[input.at + 1];
    input.at += 2;
    if (wanted == 0xFFFF)
        return FT_IO_ERROR;
    const size_t given = std::min<size_t>({wanted, count, input.size - input.at});
    std::memcpy(buffer, input.data + input.at, given);
    (input.reads++ == 0 ? input.firstRead : input.dataPhase)
        .append(reinterpret_cast<const char *>(input.data + input.at), qsizetype(given));
    input.at += given;
    *received = DWORD(given);
    return FT_OK;
}

FT_STATUS onHandle(FT_HANDLE)
{
    return FT_OK;
}
FT_STATUS open(int, FT_HANDLE *)
{
    return FT_DEVICE_NOT_FOUND;
}
FT_STATUS setTimeouts(FT_HANDLE, ULONG, ULONG)
{
    return FT_OK;
}
FT_STATUS setBaudRate(FT_HANDLE, ULONG)
{
    return FT_OK;
}
FT_STATUS setDataCharacteristics(FT_HANDLE, UCHAR, UCHAR, UCHAR)
{
    return FT_OK;
}
FT_STATUS setFlowControl(FT_HANDLE, USHORT, UCHAR, UCHAR)
{
    return FT_OK;
}
FT_STATUS purge(FT_HANDLE, ULONG)
{
    return FT_OK;
}
FT_STATUS getStatus(FT_HANDLE, DWORD *, DWORD *, DWORD *)
{
    return FT_OK;
}

template <typename Fn>
void *symbol(Fn fn)
{
    void *address = nullptr;
    static_assert(sizeof fn == sizeof address);
    std::memcpy(&address, &fn, sizeof address);
    return address;
}

void *lookup(const char *name)
{
    static const std::map<std::string, void *> entries{
        {"FT_ListDevices", symbol(&listDevices)},
        {"FT_Write", symbol(&writeBytes)},
        {"FT_Read", symbol(&readBytes)},
        {"FT_Open", symbol(&open)},
        {"FT_OpenEx", symbol(&openEx)},
        {"FT_Close", symbol(&onHandle)},
        {"FT_SetTimeouts", symbol(&setTimeouts)},
        {"FT_SetBaudRate", symbol(&setBaudRate)},
        {"FT_SetDataCharacteristics", symbol(&setDataCharacteristics)},
        {"FT_SetFlowControl", symbol(&setFlowControl)},
        {"FT_ResetDevice", symbol(&onHandle)},
        {"FT_SetRts", symbol(&onHandle)},
        {"FT_ClrRts", symbol(&onHandle)},
        {"FT_SetDtr", symbol(&onHandle)},
        {"FT_ClrDtr", symbol(&onHandle)},
        {"FT_Purge", symbol(&purge)},
        {"FT_GetStatus", symbol(&getStatus)},
    };
    const auto found = entries.find(name);
    return found == entries.end() ? nullptr : found->second;
}

class Panel : public StickPanel
{
public:
    QString path;
    QStringList items;
    void SetStickButtons(bool) override {}
    void clearFileList() override { items.clear(); }
    void addFileListItem(const QString &text) override { items << text; }
    std::optional<QString> selectedFileListItem() const override { return QStringLiteral("SHOW1.DAT"); }
    bool confirm(const QString &) override { return true; }
    bool confirmReplace(const QString &) override { return true; }
    void showPath(const QString &) override {}
    void setProgressRange(int) override {}
    void setProgressPosition(int) override {}
    void setProgressStep(int) override {}
    void stepProgress() override {}
    QString chooseFile(FileChoice, const QString &, const QString &) override { return path; }
    void showMessage(const QString &) override {}
};

const QTemporaryDir &folder()
{
    static const QTemporaryDir dir;
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    input = Input{data, size, 1, 0, QByteArray(), QByteArray()};

    DeviceLibrary device;
    device.BindEntryPoints(lookup);
    Panel panel;
    StickCommands commands(device, panel);
    commands.setSettleTime(0);

    const QString copy = folder().filePath(QStringLiteral("copy.dat"));
    const QString partial = copy + QStringLiteral(".partial");
    QFile::remove(copy);
    QFile::remove(partial);
    switch (data[0] % 5) {
    case 0:
        commands.listFiles();
        break;
    case 1: {
        panel.path = copy;
        const bool ok = commands.readFile().ok();
        // A length is announced by four bytes below 2^31, most significant first.
        const QByteArray &reply = input.firstRead;
        const bool announced = reply.size() == 4 && quint8(reply[0]) < 0x80;
        qint64 length = 0;
        for (qsizetype i = 0; announced && i < 4; ++i)
            length = length << 8 | quint8(reply[i]);
        // A whole copy becomes the file; one cut short stays beside it, and nothing comes of
        // a read the stick refused.
        QFile file(ok ? copy : partial);
        if (QFile::exists(ok ? partial : copy) || (!announced && file.exists()) || (ok && !announced))
            std::abort();
        if (!file.exists()) {
            if (ok)
                std::abort();
            break;
        }
        if (!file.open(QIODevice::ReadOnly))
            std::abort();
        // The bytes that came, in order, and none past the announced length.
        const QByteArray kept = file.readAll();
        if (kept != input.dataPhase.left(kept.size()) || kept.size() > length || (ok && kept.size() != length))
            std::abort();
        break;
    }
    case 2: {
        const QString local = folder().filePath(QStringLiteral("SHOW1.DAT"));
        if (!QFile::exists(local)) {
            QFile file(local);
            if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(1021, 'x')) != 1021)
                std::abort();
        }
        panel.path = local;
        commands.writeFile();
        break;
    }
    case 3:
        commands.deleteFile();
        break;
    default:
        commands.formatStick();
        break;
    }
    if (panel.items.size() > MaxDirectoryEntries)
        std::abort();
    device.CloseInterface();
    return 0;
}
