// The program's icon, drawn in code so that one drawing serves the windows and the
// desktop entry: a moving-head fixture throwing a beam.
#pragma once

#include <QIcon>
#include <QImage>

namespace zelvar {

QImage drawProgramIcon(int size);
QIcon programIcon();

} // namespace zelvar
