// What the link commands need of the window that runs them: the four link buttons, the
// status line, the path box, the progress bar, a file chooser and message boxes. Called
// on the window's own thread only: the worker's reports reach it as queued signals.
#pragma once

#include "usbtool/stickpanel.h"

#include <QString>

namespace zelvar {

class LinkPanel
{
public:
    virtual ~LinkPanel() = default;

    // "Receive File", "Cancel Receive", "Send File", "Cancel Send".
    virtual void setLinkButtons(bool receive, bool cancelReceive, bool send, bool cancelSend) = 0;
    virtual void showStatus(const QString &text) = 0;
    virtual void showPath(const QString &path) = 0;

    virtual void setProgressRange(int maximum) = 0; // from 0
    virtual void setProgressPosition(int position) = 0;
    virtual void setProgressStep(int step) = 0;
    virtual void stepProgress() = 0;

    // The chosen file's full path, or an empty text when none was chosen.
    virtual QString chooseFile(FileChoice choice, const QString &title, const QString &presetName) = 0;

    // A message box with the text, no title and an OK button.
    virtual void showMessage(const QString &text) = 0;
};

} // namespace zelvar
