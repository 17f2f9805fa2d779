// Finding a program's top-level window by its caption. A program announces its window by
// holding a local server named after the caption (and the user) while the window is open;
// another program looks for that server.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace zelvar {

// The local server name for `caption`, private to the current user.
QString presenceServerName(const QString &caption);

// True when some program of this user holds a window captioned exactly `caption`.
bool FindWindowA(const QString &caption);

// The same under the name the main program's windows call it by.
namespace Zelva71Module {
inline bool FindWindowA(const QString &caption)
{
    return zelvar::FindWindowA(caption);
}
} // namespace Zelva71Module

// Held by a window for as long as it is open.
class WindowPresence : public QObject
{
    Q_OBJECT
public:
    explicit WindowPresence(const QString &caption, QObject *parent = nullptr);
    ~WindowPresence() override;

    bool isListening() const;

private:
    QLocalServer *m_server;
};

} // namespace zelvar
