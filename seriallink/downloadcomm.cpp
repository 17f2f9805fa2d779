// The link's serial port on QSerialPort, with the kernel's queue counts and line-error
// counters that QSerialPort does not report.
#include "seriallink/downloadcomm.h"

#include "seriallink/portmap.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QStringList>

#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace zelvar {

namespace {

struct LineSettings
{
    qint32 bitRate = 0;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    double frameBits = 10; // start bit, data bits, parity bit, stop bits
};

Outcome parseSettings(const QString &text, LineSettings &out)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4)
        return Outcome::failure(QStringLiteral("line settings \"%1\" need four fields").arg(text));
    LineSettings s;
    bool ok = false;
    s.bitRate = fields.at(0).trimmed().toInt(&ok);
    if (!ok || s.bitRate <= 0)
        return Outcome::failure(QStringLiteral("bad bit rate \"%1\"").arg(fields.at(0)));

    const QString parity = fields.at(1).trimmed().toUpper();
    if (parity == QLatin1String("N"))
        s.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("E"))
        s.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("O"))
        s.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("M"))
        s.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("S"))
        s.parity = QSerialPort::SpaceParity;
    else
        return Outcome::failure(QStringLiteral("bad parity \"%1\"").arg(fields.at(1)));

    const int data = fields.at(2).trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8)
        return Outcome::failure(QStringLiteral("bad data bits \"%1\"").arg(fields.at(2)));
    s.dataBits = QSerialPort::DataBits(data);

    const QString stop = fields.at(3).trimmed();
    double stopBits = 0;
    if (stop == QLatin1String("1")) {
        s.stopBits = QSerialPort::OneStop;
        stopBits = 1;
    } else if (stop == QLatin1String("1.5")) {
        s.stopBits = QSerialPort::OneAndHalfStop;
        stopBits = 1.5;
    } else if (stop == QLatin1String("2")) {
        s.stopBits = QSerialPort::TwoStop;
        stopBits = 2;
    } else {
        return Outcome::failure(QStringLiteral("bad stop bits \"%1\"").arg(fields.at(3)));
    }
    s.frameBits = 1 + data + (s.parity == QSerialPort::NoParity ? 0 : 1) + stopBits;
    out = s;
    return Outcome::success();
}

void applySettings(QSerialPort &port, const LineSettings &s)
{
    port.setBaudRate(s.bitRate);
    port.setParity(s.parity);
    port.setDataBits(s.dataBits);
    port.setStopBits(s.stopBits);
    port.setFlowControl(QSerialPort::NoFlowControl);
}

// QSerialPort reports a device that refuses the user and one that another program holds
// with the same error; the file's permissions tell them apart.
bool refusesUser(const QString &device)
{
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES;
}

} // namespace

DownLoadComm::DownLoadComm(QObject *parent) : QObject(parent), m_port(new QSerialPort(this))
{
    setSettings(m_settings);
    connect(m_port, &QSerialPort::readyRead, this, &DownLoadComm::inputReady);
    connect(m_port, &QSerialPort::bytesWritten, this, &DownLoadComm::outputMoved);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { serialError(int(error)); });
}

DownLoadComm::~DownLoadComm()
{
    // Quietly: whoever listened may be half destroyed by now (the window that owns the port).
    blockSignals(true);
    m_port->disconnect(this);
    m_lineQueue = nullptr; // its owner may be gone too; the driver answers for itself
    if (m_port->isOpen())
        closePort();
}

void DownLoadComm::setCommPort(int number)
{
    m_commPort = number;
}

Outcome DownLoadComm::setSettings(const QString &settings)
{
    LineSettings parsed;
    if (Outcome valid = parseSettings(settings, parsed); !valid)
        return valid;
    m_settings = settings;
    m_bitRate = parsed.bitRate;
    m_frameBits = parsed.frameBits;
    applySettings(*m_port, parsed);
    return Outcome::success();
}

bool DownLoadComm::PortOpen() const
{
    return m_port->isOpen();
}

Outcome DownLoadComm::setPortOpen(bool open)
{
    if (!open) {
        if (m_port->isOpen())
            closePort();
        return Outcome::success();
    }
    if (m_port->isOpen())
        return Outcome::success();

    m_openFailure = PortOpenFailure();
    const QString configured = m_devicePath.isEmpty() ? portDevicePath(m_commPort) : m_devicePath;
    if (configured.isEmpty()) {
        m_openFailure = {PortOpenFailure::NoDevice, QString(), QStringLiteral("port %1 names no device").arg(m_commPort)};
        return Outcome::failure(m_openFailure.reason);
    }
    // Qt's lock file is named after the path it is given: resolving the links makes every
    // spelling of one device share one lock.
    const QString device = resolveDevicePath(configured);
    m_port->setPortName(device);
    LineSettings parsed;
    parseSettings(m_settings, parsed);
    applySettings(*m_port, parsed);

    if (!m_port->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port->error();
        PortOpenFailure::Kind kind = PortOpenFailure::Other;
        QString reason = m_port->errorString();
        if (error == QSerialPort::DeviceNotFoundError || !QFileInfo::exists(device)) {
            kind = PortOpenFailure::Missing;
            reason = QStringLiteral("no such device");
        } else if (error == QSerialPort::PermissionError) {
            kind = refusesUser(device) ? PortOpenFailure::PermissionDenied : PortOpenFailure::Busy;
            reason = kind == PortOpenFailure::Busy ? QStringLiteral("in use by another program")
                                                   : QStringLiteral("permission denied");
        } else if (error == QSerialPort::UnsupportedOperationError) {
            kind = PortOpenFailure::NotSerial;
            reason = QStringLiteral("not a serial port");
        }
        m_port->clearError();
        m_openFailure = {kind, device, reason};
        return Outcome::failure(QStringLiteral("%1: %2").arg(device, reason));
    }
    m_openDevice = device;
    readLineErrorCounters(false);
    return Outcome::success();
}

void DownLoadComm::closePort()
{
    // What has not yet left is dropped, so that closing never waits for the line to drain
    // and nothing goes out after a cancel.
    // A device that is gone fails the flush too; that error must not close it again.
    m_closing = true;
    qint64 queued = 0;
    const bool known = lineQueue(queued);
    m_unsentAtClose = known ? m_port->bytesToWrite() + queued : -1;
    m_acceptedBytes -= m_port->bytesToWrite(); // dropped here, never handed over
    // Only a queue the driver reports is flushed: a pseudo-terminal reports none and would
    // drop bytes that have long left (its far end simply has not read them yet).
    if (!known || queued > 0)
        m_port->clear(QSerialPort::Output);
    m_port->close();
    m_port->clearError();
    m_closing = false;
    emit closed();
}

int DownLoadComm::driverInputCount() const
{
    int waiting = 0;
    if (!m_port->isOpen() || ::ioctl(m_port->handle(), TIOCINQ, &waiting) != 0)
        return 0;
    return std::max(waiting, 0);
}

int DownLoadComm::InBufferCount() const
{
    if (!m_port->isOpen())
        return 0;
    const qint64 waiting = m_port->bytesAvailable() + driverInputCount();
    return int(std::min<qint64>(waiting, 65535));
}

void DownLoadComm::setInBufferCount(int count)
{
    if (count != 0 || !m_port->isOpen())
        return;
    m_port->clear(QSerialPort::Input);
    m_port->readAll();
}

QByteArray DownLoadComm::Input()
{
    if (!m_port->isOpen())
        return QByteArray();
    const int wanted = m_inputLen > 0 ? std::min(m_inputLen, InBufferCount()) : InBufferCount();
    QByteArray bytes = m_port->read(wanted);
    while (bytes.size() < wanted) {
        char chunk[4096];
        const qsizetype room = std::min<qsizetype>(qsizetype(sizeof chunk), wanted - bytes.size());
        const ssize_t got = ::read(m_port->handle(), chunk, size_t(room));
        if (got <= 0)
            break;
        bytes.append(chunk, got);
    }
    return bytes;
}

Outcome DownLoadComm::setOutput(const QByteArray &bytes)
{
    if (!m_port->isOpen())
        return Outcome::failure(QStringLiteral("the port is not open"));
    const qint64 queued = m_port->write(bytes);
    if (queued > 0)
        m_acceptedBytes += queued;
    if (queued != bytes.size())
        return Outcome::failure(m_port->errorString());
    return Outcome::success();
}

bool DownLoadComm::lineQueue(qint64 &queued) const
{
    if (m_lineQueue) {
        queued = std::max<qint64>(m_lineQueue(m_acceptedBytes - m_port->bytesToWrite()), 0);
        return true;
    }
    int count = 0;
    if (::ioctl(m_port->handle(), TIOCOUTQ, &count) != 0)
        return false;
    queued = std::max(count, 0);
    return true;
}

qint64 DownLoadComm::OutBufferCount() const
{
    if (!m_port->isOpen())
        return 0;
    qint64 queued = 0;
    lineQueue(queued);
    return m_port->bytesToWrite() + queued;
}

void DownLoadComm::raiseCommEvent(int code)
{
    m_commEvent = code;
    emit OnComm();
}

void DownLoadComm::setLineQueueSource(LineQueueSource source)
{
    m_lineQueue = std::move(source);
}

double DownLoadComm::lineMilliseconds(qint64 bytes) const
{
    return double(bytes) * m_frameBits * 1000.0 / double(m_bitRate);
}

void DownLoadComm::inputReady()
{
    raiseCommEvent(CommEventCode::BytesReceived);
    if (m_port->isOpen())
        readLineErrorCounters(true);
}

// Qt reports no framing, parity or overrun errors; drivers that keep the kernel's error
// counters (TIOCGICOUNT) tell them, and a rise in a counter raises its code.
void DownLoadComm::readLineErrorCounters(bool raise)
{
    serial_icounter_struct counters{};
    m_countersKept = m_port->isOpen() && ::ioctl(m_port->handle(), TIOCGICOUNT, &counters) == 0;
    if (!m_countersKept)
        return;
    const struct
    {
        int now;
        int *last;
        int code;
    } checks[] = {
        {counters.brk, &m_breakCount, CommEventCode::BreakReceived},
        {counters.frame, &m_frameCount, CommEventCode::FramingError},
        {counters.overrun, &m_overrunCount, CommEventCode::Overrun},
        {counters.buf_overrun, &m_overflowCount, CommEventCode::InputOverflow},
        {counters.parity, &m_parityCount, CommEventCode::ParityError},
    };
    for (const auto &check : checks) {
        const bool rose = check.now != *check.last;
        *check.last = check.now;
        if (raise && rose && m_port->isOpen())
            raiseCommEvent(check.code);
    }
}

void DownLoadComm::serialError(int error)
{
    if (m_closing || !m_port->isOpen())
        return;
    switch (QSerialPort::SerialPortError(error)) {
    case QSerialPort::ResourceError:
        lose(QStringLiteral("the device is gone (cable pulled or line hung up)"));
        break;
    case QSerialPort::ReadError:
        lose(QStringLiteral("reading from the device failed (cable pulled or line hung up)"));
        break;
    case QSerialPort::WriteError:
        lose(QStringLiteral("writing to the device failed: %1").arg(m_port->errorString()));
        break;
    default:
        break;
    }
}

// On a hang-up QSerialPort stays open and repeats its error at once, again and again:
// the first one closes the port.
void DownLoadComm::lose(const QString &reason)
{
    const QString device = m_openDevice;
    closePort();
    emit portLost(QStringLiteral("%1: %2").arg(device, reason));
}

} // namespace zelvar
