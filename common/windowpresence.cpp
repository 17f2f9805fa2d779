// Window presence through a per-user local server.
#include "common/windowpresence.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <unistd.h>

namespace zelvar {

QString presenceServerName(const QString &caption)
{
    QString name = caption;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("zelvar71-%1-%2").arg(uint(getuid())).arg(name);
}

bool FindWindowA(const QString &caption)
{
    QLocalSocket socket;
    socket.connectToServer(presenceServerName(caption));
    // A local connection is made or refused at once; the short wait only covers a busy
    // listener and never blocks the window noticeably.
    const bool found = socket.waitForConnected(200);
    socket.abort();
    return found;
}

WindowPresence::WindowPresence(const QString &caption, QObject *parent)
    : QObject(parent), m_server(new QLocalServer(this))
{
    const QString name = presenceServerName(caption);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name)) {
        // A socket file left by a program that crashed: remove it, unless its owner lives.
        if (!FindWindowA(caption)) {
            QLocalServer::removeServer(name);
            m_server->listen(name);
        }
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *s = m_server->nextPendingConnection())
            s->deleteLater();
    });
}

WindowPresence::~WindowPresence() = default;

bool WindowPresence::isListening() const
{
    return m_server->isListening();
}

SingleInstance::SingleInstance(const QString &program, const QString &dataFolder, QObject *parent)
    : QObject(parent), m_name(serverName(program, dataFolder)), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *s = m_server->nextPendingConnection())
            s->deleteLater();
        emit frontRequested();
    });
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(const QString &program, const QString &dataFolder)
{
    const QString folder = QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath());
    const QByteArray hash = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("zelvar71-%1-%2-%3").arg(uint(getuid())).arg(program, QString::fromLatin1(hash));
}

bool SingleInstance::claim()
{
    // Two copies started at once take turns here, so that only one of them listens; a lock
    // left by a copy that crashed is taken over.
    QLockFile lock(QDir(QDir::tempPath()).filePath(m_name + QStringLiteral(".lock")));
    lock.tryLock(5000);
    QLocalSocket first;
    first.connectToServer(m_name);
    // A local connection is made or refused at once.
    if (first.waitForConnected(1000)) {
        first.disconnectFromServer();
        return false;
    }
    // Nobody answers: a socket file left there belongs to a copy that has gone.
    QLocalServer::removeServer(m_name);
    // A copy that cannot announce itself still runs: better two copies than none.
    if (!m_server->listen(m_name))
        qWarning("Another copy started now would not find this one: %s", qPrintable(m_server->errorString()));
    return true;
}

} // namespace zelvar
