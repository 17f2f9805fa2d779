// Closing a window together with its MDI frame.
#include "common/windowclose.h"

#include <QMdiSubWindow>

namespace zelvar {

void closeHostedWindow(QWidget *window)
{
    if (auto *frame = qobject_cast<QMdiSubWindow *>(window->parentWidget()))
        frame->close();
    else
        window->close();
}

} // namespace zelvar
