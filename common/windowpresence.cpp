// Window presence through a per-user local server.
#include "common/windowpresence.h"

#include <QLocalServer>
#include <QLocalSocket>

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

} // namespace zelvar
