// Which serial device each port number of the link names: numbers 3 to 6 are the first four
// USB serial adapters unless the environment variable ZELVAR71_PORTS says otherwise.
#pragma once

#include <QMap>
#include <QString>

namespace zelvar {

constexpr int FirstCandidatePort = 3;
constexpr int LastCandidatePort = 6;

// "3=/dev/serial/by-id/usb-X,4=/dev/ttyACM0" -> {3: ..., 4: ...}. Entries for numbers
// outside 3 to 6, without "=" or without a path are left out.
QMap<int, QString> parsePortMap(const QString &text);

// The port map in force: ZELVAR71_PORTS when it is set and not empty (ports it does not list
// have no device), otherwise 3 -> /dev/ttyUSB0 up to 6 -> /dev/ttyUSB3.
QMap<int, QString> currentPortMap();

// The device of port `number`, as configured; empty when the number has none.
QString portDevicePath(int number);

// `path` with every symbolic link resolved, so that two spellings of one device are one
// device; unchanged when it does not exist.
QString resolveDevicePath(const QString &path);

} // namespace zelvar
