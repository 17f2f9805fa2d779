// What both kinds of tool command (stick and link) need of the window that runs them: the
// path box, the progress bar, a file chooser and message boxes.
#pragma once

#include "usbtool/devicelibrary.h"

#include <QString>

namespace zelvar {

enum class FileChoice {
    Save, // where a file from the interface goes
    Open, // a computer file to send to the interface
};

class TransferPanel
{
public:
    virtual ~TransferPanel() = default;

    virtual void showPath(const QString &path) = 0;

    virtual void setProgressRange(int maximum) = 0; // from 0
    virtual void setProgressPosition(int position) = 0;
    virtual void setProgressStep(int step) = 0;
    virtual void stepProgress() = 0;

    // The chosen file's full path, or an empty text when none was chosen.
    virtual QString chooseFile(FileChoice choice, const QString &title, const QString &presetName) = 0;

    // A message box with the text, no title and an OK button.
    virtual void showMessage(const QString &text) = 0;

    // Shows the messages a call of the device library handed back, in order; true when the
    // call ended with FT_OK.
    bool report(const DeviceStatus &done)
    {
        for (const QString &message : done.messages)
            showMessage(message);
        return done.status == d2xx::FT_OK;
    }
};

} // namespace zelvar
