// The Kiron link's file transfer, run once on a worker thread: a file's bytes to the link
// in blocks of 510, or the link's bytes into a file, read by 256, until cancelled. It
// touches no window; what the window shows goes out as signals.
#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

namespace zelvar {

class CancelEvent;
class DeviceLibrary;
struct DeviceStatus;

// How a transfer ended.
struct LinkResult
{
    enum class End {
        Sent,       // every byte of the file went to the link
        Cancelled,  // stopped by the cancel event after the block in hand
        LinkFailed, // a read or write of the interface failed or went only part way
        FileFailed, // the file could not be opened, read or written
    };
    End end = End::Sent;
    qint64 bytes = 0;    // bytes that went to the link, or came from it into the file
    qint64 fileSize = 0; // sending: the file's length
    QString reason;      // LinkFailed, FileFailed: what went wrong
    QString kept;        // a receive cut short: where its bytes are (StreamedFile::keptNote)
};

class LinkTransfer : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 ReceiveMode = 1;
    static constexpr quint16 SendMode = 2;
    static constexpr int ReceiveBlockSize = 256;
    static constexpr int SendBlockSize = 510;
    // A receive, whose length nobody knows, steps once per read on a bar of this range,
    // starting over at its end. A send's bar has one step per block of its file.
    static constexpr int ReceiveProgressRange = 256;
    // The range of a send of `fileSize` bytes: its number of blocks, and 1 for an empty
    // file, which fills it in one step at its end.
    static int sendProgressRange(qint64 fileSize);

    // `transferMode` and `transferPath` are read once; `cancelEvent` is tested after every
    // block and must outlive the transfer.
    LinkTransfer(DeviceLibrary &device, quint16 transferMode, const QString &transferPath,
                 CancelEvent &cancelEvent);

    // The whole transfer; `finished` comes last, once the file is closed.
    void run();

signals:
    void pathShown(const QString &path);
    void progressRangeSet(int maximum);
    void progressPositionSet(int position);
    void progressStepSet(int step);
    void progressStepped();
    // A message of the device library, for the window to show before the transfer goes on.
    void messageShown(const QString &text);
    void finished(const zelvar::LinkResult &result);

private:
    LinkResult receive();
    LinkResult send();
    // Raise RTS, read up to one block, lower RTS: the bytes that came, or false when the
    // interface failed.
    bool readBlock(QByteArray &block);
    // Hands a library call's messages to the window; true when the call ended with FT_OK.
    bool report(const DeviceStatus &done);

    DeviceLibrary &m_device;
    const quint16 m_mode;
    const QString m_path;
    CancelEvent &m_cancel;
};

} // namespace zelvar

Q_DECLARE_METATYPE(zelvar::LinkResult)
