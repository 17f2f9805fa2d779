// Channel and step labels of the lists and tables: "Chan 1", "Step 12".
#pragma once

#include <QString>

namespace zelvar {

// A number as text with room for its sign: a leading blank when it is not negative.
QString numberWithSign(int value);

QString channelLabel(int channel); // "Chan" + numberWithSign(channel)
QString stepLabel(int step);       // "Step" + numberWithSign(step)

} // namespace zelvar
