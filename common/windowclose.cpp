// Closing and resizing a window together with its MDI frame.
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

void resizeHostedWindow(QWidget *window, const QSize &size)
{
    if (auto *frame = qobject_cast<QMdiSubWindow *>(window->parentWidget())) {
        // The frame lays the window out in what its title bar and borders leave.
        frame->resize(frame->size() - window->size() + size);
        return;
    }
    window->resize(size);
}

} // namespace zelvar
