// A simulated serial line for benchmarks and previews: the far end of a pseudo-terminal that
// takes bytes off it no faster than a real line carries them, and reports its queue the way
// a USB serial driver does (a pseudo-terminal's own queue always reads 0).
#pragma once

#include "seriallink/downloadcomm.h"

#include <QString>

#include <atomic>
#include <thread>

namespace zelvar {

class PacedLine
{
public:
    // 38,400 bit/s with 11 bits a byte (start, 8 data, 2 stop).
    static constexpr double LinkBytesPerSecond = 38400.0 / 11.0;

    explicit PacedLine(double bytesPerSecond = LinkBytesPerSecond);
    ~PacedLine();
    PacedLine(const PacedLine &) = delete;
    PacedLine &operator=(const PacedLine &) = delete;

    // Creates the pseudo-terminal; devicePath() is the end a port opens.
    bool create();
    QString devicePath() const { return m_devicePath; }

    // Drains on a thread of this process, or in a child process so that its work does not
    // count as this process's CPU time (call before any thread is started).
    void startThread();
    bool startProcess();
    void stop();

    // Bytes the line has carried, and an FNV-1a hash of them in order.
    qint64 carried() const { return m_shared->carried.load(); }
    quint64 carriedHash() const { return m_shared->hash.load(); }
    static quint64 hashOf(const QByteArray &bytes, quint64 hash = HashStart);
    static constexpr quint64 HashStart = 14695981039346656037ull;

    // The queue a driver would report: handed to the device and not yet carried.
    DownLoadComm::LineQueueSource queueSource() const;

private:
    struct Shared
    {
        std::atomic<qint64> carried{0};
        std::atomic<quint64> hash{HashStart};
        std::atomic<bool> stop{false};
    };
    void drain();

    double m_rate;
    int m_master = -1;
    int m_slave = -1;
    QString m_devicePath;
    Shared *m_shared;
    std::thread m_thread;
    int m_child = -1;
};

} // namespace zelvar
