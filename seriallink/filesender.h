// Sending a file over the link: its bytes exactly as stored, in blocks of the port's output
// buffer size, each block sent only when the previous one has left the computer. The wait
// yields to the event loop, so the window's handlers run meanwhile.
#pragma once

#include "common/outcome.h"

#include <QFile>
#include <QObject>
#include <QString>

class QEventLoop;

namespace zelvar {

class DownLoadComm;

class FileSender : public QObject
{
    Q_OBJECT
public:
    enum class End {
        Completed,  // every byte has left the computer
        Cancelled,  // close() was called, or the program is ending
        ReadFailed, // the file could not be read to its end
        PortFailed  // the port failed or closed under the send
    };
    struct Result
    {
        End end = End::Completed;
        qint64 sentBytes = 0;      // bytes handed to the port
        qint64 confirmedBytes = 0; // bytes known to have left the computer
        QString reason;            // for ReadFailed and PortFailed
    };

    explicit FileSender(QObject *parent = nullptr);
    ~FileSender() override;

    // Opens the file for reading and takes its length once.
    Outcome open(const QString &path);
    bool isOpen() const { return m_file.isOpen(); }
    qint64 fileSize() const { return m_fileSize; }
    QString path() const { return m_file.fileName(); }

    // Sends the open file through `port`, which must be open. Returns when the send has
    // ended; blockSent is emitted after each block has been handed to the port.
    Result run(DownLoadComm &port);
    bool isRunning() const { return m_running; }

    // Closes the file. A running send writes nothing more and ends as Cancelled.
    void close();

signals:
    void blockSent(qint64 sentBytes);

private:
    enum class Wait { Drained, Stopped, PortClosed };
    Wait waitUntilDrained(DownLoadComm &port, QEventLoop &loop);

    QFile m_file;
    qint64 m_fileSize = 0;
    bool m_running = false;
    QEventLoop *m_loop = nullptr;
};

} // namespace zelvar
