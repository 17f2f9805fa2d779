// Window layouts are given in twips: 15 to a pixel at normal resolution.
#pragma once

#include <QRect>

namespace zelvar {

constexpr int TwipsPerPixel = 15;

constexpr int twips(int value)
{
    return value / TwipsPerPixel;
}

// A rectangle given as left, top, width, height in twips.
inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

} // namespace zelvar
