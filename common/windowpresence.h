// Finding a program's top-level window by its caption. A program announces its window by
// holding a local server named after the caption (and the user) while the window is open;
// another program looks for that server. And one copy of a program at a time for one
// user's data folder.
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

// One copy of a program for one user and one data folder, so that the files kept there
// (recovery files, the channel names) have one writer. The first copy holds a local server
// named after the program and the data folder; a copy started later reaches it, which asks
// the first to come to the front, and gives way. Each test, with a data folder of its own,
// meets no other.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    SingleInstance(const QString &program, const QString &dataFolder, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when no other copy runs: this one holds the name from now on (or cannot, and runs
    // all the same). False when one does; it has been asked to come to the front.
    bool claim();

    // The server's name: the program, the user, and a hash of the data folder's path.
    static QString serverName(const QString &program, const QString &dataFolder);

signals:
    // A copy started later asks this one to bring its window to the front.
    void frontRequested();

private:
    QString m_name;
    QLocalServer *m_server;
};

} // namespace zelvar
