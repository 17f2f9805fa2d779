// The USB transfer tool's icon, drawn rather than shipped: the window's large and small
// icons and the about box's picture.
#pragma once

#include <QIcon>

namespace zelvar {

QIcon toolIcon();

} // namespace zelvar
