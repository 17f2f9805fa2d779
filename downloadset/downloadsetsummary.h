// What a download set holds, in a few lines a technician reads before sending it: one line
// per fixture, whether the channel names go along, the size and how long the send takes.
#pragma once

#include "downloadset/downloadsetreader.h"

#include <QString>

namespace zelvar {

// The serial line to the controller: 38,400 bit/s, 11 bits a byte (start bit, 8 data bits,
// 2 stop bits).
constexpr int LineBitRate = 38400;
constexpr int LineBitsPerByte = 11;

// Seconds the line takes to carry `bytes` bytes.
double LineSeconds(qint64 bytes);
// The same rounded to whole seconds: "25 s", "1 min 05 s"; "under 1 s" below half a second.
QString LineTimeText(qint64 bytes);

// A fixture name as a line of text shows it: trailing blanks and NULs dropped, other
// control characters as a middle dot.
QString shownFixtureName(const FixtureSetup &setup);

QString DownloadSetSummary(const DownloadSet &set);

} // namespace zelvar
