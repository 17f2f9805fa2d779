// The link window's serial port to the controller (`DownLoadComm`): port number and line
// settings, open and close, raw byte input and output with their counts, and the OnComm
// notification with its CommEvent code. Built on QSerialPort; used on the GUI thread only,
// never blocking.
#pragma once

#include "common/outcome.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QSerialPort;
class QSocketNotifier;

namespace zelvar {

// Codes that OnComm carries in CommEvent.
namespace CommEventCode {
constexpr int SendThreshold = 1;
constexpr int BytesReceived = 2;
constexpr int CtsChanged = 3;
constexpr int DsrChanged = 4;
constexpr int CdChanged = 5;
constexpr int Ring = 6;
constexpr int EndOfFileCharacter = 7;
constexpr int BreakReceived = 1001;
constexpr int CtsTimeout = 1002;
constexpr int DsrTimeout = 1003;
constexpr int FramingError = 1004;
constexpr int Overrun = 1006;
constexpr int CdTimeout = 1007;
constexpr int InputOverflow = 1008;
constexpr int ParityError = 1009;
constexpr int OutputFull = 1010;
constexpr int SettingsUnreadable = 1011;
} // namespace CommEventCode

// Why the last open failed.
struct PortOpenFailure
{
    enum Kind {
        None,
        NoDevice,         // the port number names no device
        Missing,          // the device does not exist
        Busy,             // another program (or this one) holds it
        PermissionDenied, // the user may not open it
        NotSerial,        // it exists but is no serial port
        Other
    };
    Kind kind = None;
    QString device; // the device path tried (links resolved)
    QString reason;
};

class DownLoadComm : public QObject
{
    Q_OBJECT
public:
    // The output buffer size, which is also the block size of a send.
    static constexpr int OutBufferBytes = 512;

    // How many of the bytes handed to the device have not yet left the line. The default
    // asks the kernel (TIOCOUTQ), which USB serial drivers answer; a simulated line that
    // knows better can stand in for it. `handedToDevice` counts every byte written to the
    // device since this object was made.
    using LineQueueSource = std::function<qint64(qint64 handedToDevice)>;

    explicit DownLoadComm(QObject *parent = nullptr);
    ~DownLoadComm() override;

    int CommPort() const { return m_commPort; }
    void setCommPort(int number); // takes effect at the next open
    // A device opened instead of the one the port number maps to (a path given to
    // zelvar71-cli); empty returns to the port map.
    void setDevicePath(const QString &path) { m_devicePath = path; }

    QString Settings() const { return m_settings; }
    // "38400,N,8,2": bit rate, parity letter (N, E, O, M, S), data bits (5 to 8), stop bits
    // (1, 1.5, 2). Applied at once when the port is open.
    Outcome setSettings(const QString &settings);

    bool PortOpen() const;
    // Opening a port that is missing, in use or refused fails; openFailure() says why.
    // Closing discards what has not yet left, so that nothing more goes out.
    Outcome setPortOpen(bool open);
    const PortOpenFailure &openFailure() const { return m_openFailure; }
    QString deviceName() const { return m_openDevice; } // the device open now, or last open

    // Received bytes not yet read: those the port has fetched plus those the driver still
    // holds (at most 65535).
    int InBufferCount() const;
    void setInBufferCount(int count); // 0 discards everything waiting
    int InputLen() const { return m_inputLen; }
    void setInputLen(int length) { m_inputLen = length; } // 0 reads all that waits
    // Returns up to InputLen waiting bytes and removes them from the input. Bytes the driver
    // still holds are read straight from the device, which is safe inside an OnComm handler
    // (it runs within the port's own read notification) and right before the port closes;
    // those are the only places the link reads.
    QByteArray Input();

    Outcome setOutput(const QByteArray &bytes); // queues the bytes and returns at once
    int OutBufferSize() const { return OutBufferBytes; }
    qint64 OutBufferCount() const; // bytes that have not yet left the computer
    // OutBufferCount as it was when the port last closed (those bytes were dropped); -1 when
    // the driver could not say.
    qint64 unsentAtClose() const { return m_unsentAtClose; }

    int CommEvent() const { return m_commEvent; }
    // Sets CommEvent and raises OnComm, as the port does when something happens on the line.
    void raiseCommEvent(int code);

    void setLineQueueSource(LineQueueSource source);
    // How long the line takes to carry `bytes` at the current settings.
    double lineMilliseconds(qint64 bytes) const;

signals:
    void OnComm();
    void outputMoved();                   // bytes went from the program's buffer to the device
    void closed();                        // by a caller, or after the port failed
    void portLost(const QString &reason); // the device failed while open; it is closed now

private:
    void inputReady();
    void serialError(int error);
    int driverInputCount() const;
    bool lineQueue(qint64 &queued) const;
    void lose(const QString &reason);
    void closePort();
    void readLineErrorCounters(bool raise);

    QSerialPort *m_port;
    QSocketNotifier *m_readNotifier = nullptr;
    int m_commPort = 3;
    QString m_devicePath;
    QString m_settings = QStringLiteral("9600,N,8,1");
    int m_frameBits = 10;
    qint32 m_bitRate = 9600;
    int m_inputLen = 0;
    int m_commEvent = 0;
    PortOpenFailure m_openFailure;
    QString m_openDevice;
    // Every byte the port took for the device. Those it still buffers have not been handed
    // over: counted this way, the count is exact at any moment, even before the port reports
    // a write it has already done.
    qint64 m_acceptedBytes = 0;
    qint64 m_unsentAtClose = 0;
    LineQueueSource m_lineQueue;
    bool m_countersKept = false;
    bool m_closing = false;
    int m_frameCount = 0, m_overrunCount = 0, m_parityCount = 0, m_breakCount = 0, m_overflowCount = 0;
};

} // namespace zelvar
