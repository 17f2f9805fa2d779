// Closing a working window from its own commands: inside the main window it is the frame
// around it that closes (running the window's unload), so that no empty frame stays behind.
#pragma once

class QWidget;

namespace zelvar {

void closeHostedWindow(QWidget *window);

} // namespace zelvar
