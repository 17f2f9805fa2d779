// The Pelkom stick's five file commands ("Dirtory", "Read", "Writ", "DEL", "Format"), each
// one exchange of a command block, a reply and a data phase with the interface.
#pragma once

#include "common/outcome.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace zelvar {

class DeviceLibrary;
class StickPanel;

class StickCommands
{
public:
    // Pause between a change on the stick and the listing that shows it.
    static constexpr unsigned long SettleMs = 500;

    StickCommands(DeviceLibrary &device, StickPanel &panel);

    // The pause above, shorter where no real stick has to settle (the fuzz target).
    void setSettleTime(unsigned long ms) { m_settleMs = ms; }

    // Every command blocks until its exchange is over, tells the user through the panel
    // what the window shows, and returns whether it did its job (with the reason if not).
    Outcome listFiles();   // "Dirtory"
    Outcome readFile();    // "Read": the selected file to a computer file
    Outcome writeFile();   // "Writ": a computer file to the stick
    Outcome deleteFile();  // "DEL": the selected file
    Outcome formatStick(); // "Format": every file

private:
    // The listing, its entries also into `names` when given.
    Outcome listInto(QStringList *names);
    Outcome runListing(QStringList *names);
    // Before a write: the listing, what the stick will call the file, and whether it may
    // replace one there.
    Outcome checkStickName(const QString &path);
    void settleAndList();
    Outcome copyFromStick(const QByteArray &block, const QString &stickName, const QString &path);
    Outcome copyToStick(const QString &path);
    Outcome deleteWith(const QByteArray &block, bool exactReply);

    Outcome notTaken(const QString &command) const;
    bool send(const QByteArray &bytes);
    // One read of up to `count` bytes; nothing when the read fails.
    std::optional<QByteArray> receive(int count);
    // Raise RTS, read, lower RTS.
    std::optional<QByteArray> receiveWithRts(int count);

    DeviceLibrary &m_device;
    StickPanel &m_panel;
    unsigned long m_settleMs = SettleMs;
};

} // namespace zelvar
