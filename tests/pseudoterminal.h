// A pseudo-terminal for the serial tests: the port under test opens its slave end
// (devicePath()); the test plays the controller on the master end, reading everything that
// arrives and writing bytes back. Nothing is simulated: the kernel carries the bytes.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QSocketNotifier>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

class PseudoTerminal
{
public:
    PseudoTerminal()
    {
        char name[256] = {};
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            qFatal("openpty failed");
        m_path = QString::fromLocal8Bit(name);
        // Raw, so that bytes written before the port opens are neither held for a line end
        // nor echoed. This end of the slave stays open so that the master never sees a
        // hang-up between two opens of the port.
        termios raw{};
        tcgetattr(m_slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(m_slave, TCSANOW, &raw);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        // Programs the test starts must not hold the line open: a hang-up is a close here.
        ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
        m_reader = new QSocketNotifier(m_master, QSocketNotifier::Read);
        QObject::connect(m_reader, &QSocketNotifier::activated, [this] { readAvailable(); });
        m_writer = new QSocketNotifier(m_master, QSocketNotifier::Write);
        m_writer->setEnabled(false);
        QObject::connect(m_writer, &QSocketNotifier::activated, [this] { writePending(); });
    }
    ~PseudoTerminal()
    {
        delete m_reader;
        delete m_writer;
        if (m_master >= 0)
            ::close(m_master);
        ::close(m_slave);
    }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    QString devicePath() const { return m_path; }
    int slaveFd() const { return m_slave; }

    // Everything that arrived at the far end, and the size of each read there.
    QByteArray received;
    QList<int> reads;
    // Called after each read at the far end (inside the port's wait during a send).
    std::function<void()> onRead;

    // Sends bytes towards the port, as fast as the pseudo-terminal takes them.
    void write(const QByteArray &bytes)
    {
        m_pending.append(bytes);
        writePending();
    }
    bool allWritten() const { return m_pending.isEmpty(); }

    // The controller disappears: the master end closes and the port sees a hang-up.
    void hangUp()
    {
        // Possibly called from the reader's own notification: delete it later.
        for (QSocketNotifier *notifier : {m_reader, m_writer}) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
        m_reader = m_writer = nullptr;
        ::close(m_master);
        m_master = -1;
    }

    // The far end's queue as a USB serial driver reports it: bytes handed to the device and
    // not yet read here. With it a sender waits until the far end has read each block.
    std::function<qint64(qint64)> farEndQueue() const
    {
        return [this](qint64 handedToDevice) { return handedToDevice - received.size(); };
    }

    // Reads what has arrived without waiting for the event loop.
    void readNow() { readAvailable(); }

private:
    void readAvailable()
    {
        if (m_master < 0 || !m_reader)
            return;
        int total = 0;
        char buffer[8192];
        for (;;) {
            const ssize_t got = ::read(m_master, buffer, sizeof buffer);
            if (got <= 0)
                break;
            received.append(buffer, got);
            total += int(got);
        }
        if (total > 0) {
            reads.append(total);
            if (onRead)
                onRead();
        }
    }
    void writePending()
    {
        while (m_master >= 0 && !m_pending.isEmpty()) {
            const ssize_t put = ::write(m_master, m_pending.constData(), size_t(m_pending.size()));
            if (put <= 0)
                break;
            m_pending.remove(0, put);
        }
        if (m_writer)
            m_writer->setEnabled(!m_pending.isEmpty());
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    QByteArray m_pending;
    QSocketNotifier *m_reader = nullptr;
    QSocketNotifier *m_writer = nullptr;
};

// Waits, without running the event loop, until `ready` holds (at most 10 s). For bytes that
// must be waiting in a driver's queue when the next user action comes.
inline bool waitWithoutEvents(const std::function<bool()> &ready)
{
    QElapsedTimer timer;
    timer.start();
    while (!ready()) {
        if (timer.elapsed() > 10000)
            return false;
        ::usleep(1000);
    }
    return true;
}

// Sets the port map for the rest of the test.
inline void mapPorts(const QString &map)
{
    qputenv("ZELVAR71_PORTS", map.toLocal8Bit());
}
