// Closing and resizing a working window from its own commands: inside the main window it
// is the frame around it that closes (running the window's unload), so that no empty frame
// stays behind, and the frame that takes the new size, so that the window inside follows.
#pragma once

class QSize;
class QWidget;

namespace zelvar {

void closeHostedWindow(QWidget *window);

// Gives `window` the size `size`, its frame growing or shrinking around it when it lies
// in one.
void resizeHostedWindow(QWidget *window, const QSize &size);

} // namespace zelvar
