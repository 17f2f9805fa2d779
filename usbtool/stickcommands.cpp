// The stick's file commands on top of DeviceLibrary, with the window behind StickPanel.
#include "usbtool/stickcommands.h"

#include "common/bytes.h"
#include "common/filestore.h"
#include "common/streamedfile.h"
#include "usbtool/devicelibrary.h"
#include "usbtool/stickpanel.h"
#include "usbtool/stickprotocol.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

namespace zelvar {

using namespace d2xx;

namespace {

const QString SendFileTitle = QStringLiteral("Send file");

QString fileError(const QString &action, const QString &path, const QString &error)
{
    return QStringLiteral("Cannot %1 %2: %3").arg(action, QFileInfo(path).fileName(), error);
}

// The stick keeps lengths as 32 bits and hands back only those below 2^31.
constexpr qint64 MaxStickFileSize = 0x7FFFFFFF;

Outcome noDriver()
{
    return Outcome::failure(QStringLiteral("no USB driver is loaded"));
}

} // namespace

StickCommands::StickCommands(DeviceLibrary &device, StickPanel &panel) : m_device(device), m_panel(panel) {}

Outcome StickCommands::notTaken(const QString &command) const
{
    // With no interface open the stick never saw the command; the open already said why.
    if (!m_device.handle())
        return Outcome::failure(QStringLiteral("no USB interface is open"));
    return Outcome::failure(QStringLiteral("the stick did not take the %1 command").arg(command));
}

bool StickCommands::send(const QByteArray &bytes)
{
    DWORD written = 0;
    const bool ok = m_panel.report(m_device.write(bytes.constData(), DWORD(bytes.size()), &written));
    // A write that times out part-way leaves the stick with half a block: as good as failed.
    return ok && written == DWORD(bytes.size());
}

std::optional<QByteArray> StickCommands::receive(int count)
{
    QByteArray buffer(count, '\0');
    DWORD received = 0;
    if (!m_panel.report(m_device.read(buffer.data(), DWORD(count), &received)))
        return std::nullopt;
    // Never trust a count beyond what was asked for.
    buffer.truncate(qsizetype(std::min<DWORD>(received, DWORD(count))));
    return buffer;
}

std::optional<QByteArray> StickCommands::receiveWithRts(int count)
{
    m_panel.report(m_device.raiseRts());
    std::optional<QByteArray> bytes = receive(count);
    m_panel.report(m_device.lowerRts());
    return bytes;
}

Outcome StickCommands::listFiles()
{
    if (!m_panel.report(m_device.requireLibrary()))
        return noDriver();
    return listInto(nullptr);
}

Outcome StickCommands::listInto(QStringList *names)
{
    m_panel.report(m_device.CloseInterface());
    m_panel.SetStickButtons(false);
    m_panel.report(m_device.OpenInterface(InterfaceModel::Stick, StickBitRate));
    m_panel.clearFileList();
    const Outcome listed = runListing(names);
    m_panel.report(m_device.lowerRts());
    m_panel.SetStickButtons(true);
    return listed;
}

Outcome StickCommands::runListing(QStringList *names)
{
    if (!send(StickCommand::directory().bytes()))
        return notTaken(QStringLiteral("listing"));
    // RTS stays raised from the reply through the listing.
    m_panel.report(m_device.raiseRts());
    const std::optional<QByteArray> reply = receive(StickReplySize);
    if (!reply || reply->size() < StickReplySize)
        return Outcome::failure(QStringLiteral("the stick did not answer the listing command"));
    const std::optional<int> entries = listingEntryCount(*reply);
    if (!entries) {
        const quint32 length = loadU32be(reply->constData()) & 0x00FFFFFFu;
        if (length / DirectoryEntrySize == 0)
            return Outcome::success(); // an empty stick
        return Outcome::failure(QStringLiteral("the stick reports %1 files; at most %2 can be listed")
                                    .arg(length / DirectoryEntrySize)
                                    .arg(MaxDirectoryEntries));
    }
    const std::optional<QByteArray> listing = receive(*entries * DirectoryEntrySize);
    if (!listing)
        return Outcome::failure(QStringLiteral("the listing could not be read"));
    // Only entries that arrived in full.
    const int complete = int(listing->size() / DirectoryEntrySize);
    for (int i = 0; i < complete; ++i) {
        const QString text = DirectoryEntry::decode(listing->constData() + i * DirectoryEntrySize).listText();
        m_panel.addFileListItem(text);
        if (names)
            *names << text;
    }
    if (complete < *entries)
        return Outcome::failure(QStringLiteral("the listing ended after %1 of %2 files").arg(complete).arg(*entries));
    return Outcome::success();
}

void StickCommands::settleAndList()
{
    QThread::msleep(m_settleMs);
    listFiles();
}

Outcome StickCommands::readFile()
{
    if (!m_panel.report(m_device.requireLibrary()))
        return noDriver();
    m_panel.report(m_device.CloseInterface());
    const std::optional<QString> selected = m_panel.selectedFileListItem();
    if (!selected) {
        m_panel.SetStickButtons(true);
        return Outcome::failure(QStringLiteral("no file is selected"));
    }
    const QByteArray block = StickCommand::read(splitStickFileName(*selected)).bytes();
    const QString path = m_panel.chooseFile(FileChoice::Save, SendFileTitle, *selected);
    if (path.isEmpty()) {
        m_panel.SetStickButtons(true);
        return Outcome::failure(QStringLiteral("no file was chosen"));
    }
    m_panel.SetStickButtons(false);
    m_panel.report(m_device.OpenInterface(InterfaceModel::Stick, StickBitRate));
    const Outcome copied = copyFromStick(block, *selected, path);
    m_panel.SetStickButtons(true);
    return copied;
}

Outcome StickCommands::copyFromStick(const QByteArray &block, const QString &stickName, const QString &path)
{
    if (!send(block))
        return notTaken(QStringLiteral("read"));
    m_panel.showPath(path);

    // The old file stays until the stick has answered with a length and its bytes are in.
    StreamedFile file;
    if (Outcome opened = file.open(path); !opened) {
        m_panel.showMessage(opened.reason());
        return opened;
    }
    const std::optional<QByteArray> reply = receiveWithRts(StickReplySize);
    if (!reply) {
        file.abandon();
        return Outcome::failure(QStringLiteral("the stick did not answer the read command"));
    }
    const std::optional<quint32> length = readReplyLength(*reply);
    if (!length) {
        // An empty file on the stick is copied as an empty file.
        const bool empty = reply->size() == StickReplySize && loadU32be(reply->constData()) == 0;
        if (!empty) {
            file.abandon();
            return Outcome::failure(QStringLiteral("the stick refused to read %1").arg(stickName));
        }
    }
    const quint32 size = length.value_or(0);

    m_panel.setProgressRange(int(size));
    m_panel.setProgressPosition(0);
    m_panel.setProgressStep(StickReadBlockSize);
    quint32 total = 0;
    quint32 kept = 0;
    while (total < size) {
        const std::optional<QByteArray> bytes = receiveWithRts(StickReadBlockSize);
        if (!bytes)
            break;
        // Bytes past the announced length are padding, not part of the file.
        const qsizetype keep = std::min<qsizetype>(bytes->size(), qsizetype(size - kept));
        if (Outcome written = file.append(bytes->left(keep)); !written) {
            file.keepPartial();
            const QString reason = QStringLiteral("%1. %2").arg(written.reason(), file.keptNote(kept + keep));
            m_panel.showMessage(reason);
            return Outcome::failure(reason);
        }
        kept += quint32(keep);
        if (bytes->size() == StickReadBlockSize) {
            m_panel.stepProgress();
            total += StickReadBlockSize;
        } else {
            total += quint32(bytes->size());
            m_panel.setProgressPosition(0);
            break;
        }
    }
    if (kept < size) {
        // Cut short: a copy of part of the file is no copy of it.
        file.keepPartial();
        const QString reason = QStringLiteral("Read is incomplete: %1 of %2 bytes received! %3!")
                                   .arg(kept)
                                   .arg(size)
                                   .arg(file.keptNote(kept));
        m_panel.showMessage(reason);
        return Outcome::failure(reason);
    }
    if (Outcome placed = file.finish(StreamedFile::NothingCame::EmptiesTarget); !placed) {
        const QString reason = QStringLiteral("%1. %2").arg(placed.reason(), file.keptNote(kept));
        m_panel.showMessage(reason);
        return Outcome::failure(reason);
    }
    return Outcome::success();
}

Outcome StickCommands::writeFile()
{
    if (!m_panel.report(m_device.requireLibrary()))
        return noDriver();
    const QString path = m_panel.chooseFile(FileChoice::Open, SendFileTitle, QString());
    if (path.isEmpty())
        return Outcome::failure(QStringLiteral("no file was chosen"));
    m_panel.showPath(path);
    return copyToStick(path);
}

Outcome StickCommands::copyToStick(const QString &path)
{
    // A file without a name on the stick could be neither read nor deleted by name.
    if (splitStickFileName(QFileInfo(path).fileName()).name.isEmpty()) {
        const QString reason = QStringLiteral("%1 cannot go to the stick: the stick keeps a file by the name before "
                                              "its last point, and here that is empty. Rename the file first!")
                                   .arg(QFileInfo(path).fileName());
        m_panel.showMessage(reason);
        return Outcome::failure(reason);
    }
    if (const Outcome created = createIfMissing(path); !created) {
        m_panel.showMessage(created.reason());
        return created;
    }
    // A pipe or a device would hold the dialog in its open.
    if (const Outcome usable = checkFileToRead(path, AnyFile); !usable) {
        m_panel.showMessage(usable.reason());
        return usable;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const QString reason = fileError(QStringLiteral("open"), path, file.errorString());
        m_panel.showMessage(reason);
        return Outcome::failure(reason);
    }
    const qint64 size = file.size();
    if (size > MaxStickFileSize) {
        const QString reason = QStringLiteral("File is too large for the stick!");
        m_panel.showMessage(reason);
        return Outcome::failure(reason);
    }

    if (const Outcome named = checkStickName(path); !named)
        return named;

    m_panel.report(m_device.CloseInterface());
    m_panel.SetStickButtons(false);
    const QByteArray block
        = StickCommand::write(splitStickFileName(QFileInfo(path).fileName()), quint32(size)).bytes();
    m_panel.report(m_device.OpenInterface(InterfaceModel::Stick, StickBitRate));
    Outcome result = Outcome::success();
    if (!send(block)) {
        result = notTaken(QStringLiteral("write"));
        if (!m_device.handle()) {
            // No interface: the listing would only say so a second time.
            file.close();
            m_panel.SetStickButtons(true);
            return result;
        }
        // An interface that is there lists what the stick holds now, as after any write.
    } else if (const std::optional<QByteArray> reply = receiveWithRts(StickReplySize);
               reply && writeReplyAccepted(*reply)) {
        m_panel.setProgressRange(100);
        m_panel.setProgressPosition(0);
        m_panel.setProgressStep(1);
        for (qint64 sent = 0; sent < size;) {
            const qint64 blockSize = std::min<qint64>(StickWriteBlockSize, size - sent);
            QByteArray bytes;
            if (file.seek(sent))
                bytes = file.read(blockSize);
            if (bytes.size() != blockSize) {
                result = Outcome::failure(fileError(QStringLiteral("read"), path, file.errorString()));
                m_panel.showMessage(result.reason());
                break;
            }
            if (!send(bytes)) {
                result = Outcome::failure(
                    QStringLiteral("the stick stopped taking data after %1 of %2 bytes").arg(sent).arg(size));
                break;
            }
            m_panel.stepProgress();
            sent += blockSize;
        }
    } else {
        result = Outcome::failure(QStringLiteral("the stick refused to store %1").arg(QFileInfo(path).fileName()));
    }

    m_panel.setProgressPosition(0);
    file.close();
    settleAndList();
    return result;
}

Outcome StickCommands::checkStickName(const QString &path)
{
    const QString fileName = QFileInfo(path).fileName();
    const StickFileName stickName = splitStickFileName(fileName);

    // What the stick holds now, so that nothing there is replaced unasked.
    QStringList listed;
    if (const Outcome was = listInto(&listed); !was) {
        // Without an interface the open has said so; there is nothing to add.
        if (!m_device.handle())
            return was;
        const QString reason = QStringLiteral("%1 was not written: %2, so it is not known whether the stick "
                                              "holds a file of that name already")
                                   .arg(fileName, was.reason());
        m_panel.showMessage(reason + QLatin1Char('!'));
        return Outcome::failure(reason);
    }

    const QString stored = DirectoryEntry{stickName.extension, stickName.name}.listText();
    if (stored != fileName) {
        const bool latin1 = QString::fromLatin1(fileName.toLatin1()) == fileName;
        m_panel.showMessage(QStringLiteral("%1 will be stored on the stick as %2: the stick keeps %3at most 8 "
                                           "characters before the point and 8 after it.")
                                .arg(fileName, stored,
                                     latin1 ? QString() : QStringLiteral("only Latin-1 characters, ")));
    }
    const auto same = std::find_if(listed.cbegin(), listed.cend(), [&stored](const QString &name) {
        return name.compare(stored, Qt::CaseInsensitive) == 0;
    });
    if (same != listed.cend()
        && !m_panel.confirmReplace(QStringLiteral("%1 is already on the stick. Replace it?").arg(*same)))
        return Outcome::failure(QStringLiteral("%1 is already on the stick and was not replaced").arg(*same));
    return Outcome::success();
}

Outcome StickCommands::deleteFile()
{
    if (!m_panel.report(m_device.requireLibrary()))
        return noDriver();
    m_panel.report(m_device.CloseInterface());
    const std::optional<QString> selected = m_panel.selectedFileListItem();
    if (!selected)
        return Outcome::failure(QStringLiteral("no file is selected"));
    if (!m_panel.confirm(QStringLiteral("Delete %1 from the stick?").arg(*selected)))
        return Outcome::failure(QStringLiteral("the delete was cancelled"));
    return deleteWith(StickCommand::remove(splitStickFileName(*selected)).bytes(), false);
}

Outcome StickCommands::formatStick()
{
    if (!m_panel.report(m_device.requireLibrary()))
        return noDriver();
    if (!m_panel.confirm(QStringLiteral("Every file on the stick will be erased. Format the stick?")))
        return Outcome::failure(QStringLiteral("the format was cancelled"));
    m_panel.report(m_device.CloseInterface());
    return deleteWith(StickCommand::format().bytes(), true);
}

Outcome StickCommands::deleteWith(const QByteArray &block, bool exactReply)
{
    m_panel.SetStickButtons(false);
    m_panel.report(m_device.OpenInterface(InterfaceModel::Stick, StickBitRate));
    Outcome result = Outcome::success();
    if (!send(block)) {
        result = notTaken(QStringLiteral("delete"));
    } else if (const std::optional<QByteArray> reply = receiveWithRts(StickReplySize); !reply) {
        result = Outcome::failure(QStringLiteral("the stick did not answer the delete command"));
    } else if (reply->size() < StickReplySize) {
        // A delete that is not confirmed still refreshes the list; a format does not.
        m_panel.showMessage(QStringLiteral("Error!"));
        result = Outcome::failure(QStringLiteral("the stick did not confirm the delete"));
        if (!exactReply)
            settleAndList();
    } else {
        settleAndList();
    }
    m_panel.SetStickButtons(true);
    return result;
}

} // namespace zelvar
