// The paced far end of a pseudo-terminal.
#include "seriallink/pacedline.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace zelvar {

namespace {
// Bytes a line's transmitter holds ahead of the wire: a small FIFO, as UARTs have.
constexpr double FifoBytes = 16;

double seconds()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}
} // namespace

PacedLine::PacedLine(double bytesPerSecond) : m_rate(bytesPerSecond)
{
    // Shared with a child process when the line drains there.
    void *memory = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    m_shared = new (memory) Shared;
}

PacedLine::~PacedLine()
{
    stop();
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_shared->~Shared();
    munmap(m_shared, sizeof(Shared));
}

bool PacedLine::create()
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        return false;
    // The slave stays open here too, so that the far end never sees a hang-up between two
    // opens of the port.
    termios raw{};
    tcgetattr(m_slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(m_slave, TCSANOW, &raw);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_devicePath = QString::fromLocal8Bit(name);
    return true;
}

void PacedLine::startThread()
{
    m_thread = std::thread([this] { drain(); });
}

bool PacedLine::startProcess()
{
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        drain();
        _exit(0);
    }
    m_child = int(child);
    return true;
}

void PacedLine::stop()
{
    m_shared->stop.store(true);
    if (m_thread.joinable())
        m_thread.join();
    if (m_child > 0) {
        waitpid(pid_t(m_child), nullptr, 0);
        m_child = -1;
    }
}

quint64 PacedLine::hashOf(const QByteArray &bytes, quint64 hash)
{
    for (const char c : bytes) {
        hash ^= quint8(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

DownLoadComm::LineQueueSource PacedLine::queueSource() const
{
    const Shared *shared = m_shared;
    const qint64 base = shared->carried.load();
    return [shared, base](qint64 handedToDevice) { return handedToDevice - (shared->carried.load() - base); };
}

// Takes bytes off the master end at the line's pace, a millisecond at a time.
void PacedLine::drain()
{
    double last = seconds();
    double allowance = 0;
    char buffer[256];
    while (!m_shared->stop.load()) {
        const timespec tick{0, 1000000};
        nanosleep(&tick, nullptr);
        const double now = seconds();
        allowance = std::min(allowance + (now - last) * m_rate, FifoBytes);
        last = now;
        const int whole = int(std::floor(allowance));
        if (whole <= 0)
            continue;
        const ssize_t got = ::read(m_master, buffer, size_t(std::min<int>(whole, int(sizeof buffer))));
        if (got <= 0)
            continue;
        allowance -= double(got);
        quint64 hash = m_shared->hash.load();
        for (ssize_t i = 0; i < got; ++i) {
            hash ^= quint8(buffer[i]);
            hash *= 1099511628211ull;
        }
        m_shared->hash.store(hash);
        m_shared->carried.fetch_add(got);
    }
}

} // namespace zelvar
