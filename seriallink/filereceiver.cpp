// The receive's target file.
#include "seriallink/filereceiver.h"

namespace zelvar {

Outcome FileReceiver::open(const QString &path)
{
    close();
    m_file.setFileName(path);
    m_stored = 0;
    // Unbuffered: every chunk is written through when it is stored.
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return Outcome::failure(m_file.errorString());
    m_existingSize = m_file.size();
    return Outcome::success();
}

Outcome FileReceiver::discardOldContent()
{
    if (!m_file.resize(0) || !m_file.seek(0))
        return Outcome::failure(m_file.errorString());
    m_existingSize = 0;
    return Outcome::success();
}

Outcome FileReceiver::store(const QByteArray &chunk)
{
    if (!m_file.isOpen())
        return Outcome::failure(QStringLiteral("the file is not open"));
    qsizetype done = 0;
    while (done < chunk.size()) {
        const qint64 written = m_file.write(chunk.constData() + done, chunk.size() - done);
        if (written <= 0)
            return Outcome::failure(m_file.errorString());
        done += qsizetype(written);
        m_stored += written;
    }
    return Outcome::success();
}

} // namespace zelvar
