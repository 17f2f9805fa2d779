// How the link window's log box shows a file or a received chunk: as plain text, one
// character per byte, with control bytes as visible symbols.
#pragma once

#include "common/filestore.h"
#include "common/outcome.h"

#include <QByteArray>
#include <QString>

namespace zelvar {

// Files below this size are shown in the log box; from this size up they are not.
constexpr qint64 PreviewLimitBytes = 3500000;
inline constexpr FileKind PreviewFileKind{"a file the log box shows", PreviewLimitBytes - 1};

// Bytes as text: printable Latin-1 as it stands; line feed, carriage return + line feed and
// tab as line breaks and tabs; every other control byte (NUL included, DEL, 0x80 to 0x9F)
// as a middle dot "·", which every font has, so that nothing is hidden or cut short. Lines
// longer than LogLineLength characters continue on the next line, which keeps the box quick
// to lay out.
constexpr int LogLineLength = 1024;
QString logText(const QByteArray &bytes);

// The file as logText. Anything but a plain file (a device, a pipe) is refused, as is a file
// of PreviewLimitBytes or more.
Outcome readLogText(const QString &path, QString &text);

} // namespace zelvar
