// The target file of a receive: bytes are appended in arrival order and handed to the
// operating system at once, so that none is lost if the program ends during a receive.
#pragma once

#include "common/outcome.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace zelvar {

class FileReceiver
{
public:
    // Opens the file for reading and writing, creating it empty when it does not exist.
    Outcome open(const QString &path);
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }
    qint64 existingSize() const { return m_existingSize; }

    // Cuts the file to nothing, so that it afterwards holds only the bytes received.
    Outcome discardOldContent();

    // Appends `chunk` at the current position.
    Outcome store(const QByteArray &chunk);
    qint64 storedBytes() const { return m_stored; }

    void close() { m_file.close(); }

private:
    QFile m_file;
    qint64 m_existingSize = 0;
    qint64 m_stored = 0;
};

} // namespace zelvar
