// Labels for channel and step lists.
#include "common/labels.h"

namespace zelvar {

QString numberWithSign(int value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

QString channelLabel(int channel)
{
    return QStringLiteral("Chan") + numberWithSign(channel);
}

QString stepLabel(int step)
{
    return QStringLiteral("Step") + numberWithSign(step);
}

} // namespace zelvar
