// What the stick commands need of the window that runs them: the five stick buttons and
// the file list, besides what every tool command needs (TransferPanel).
#pragma once

#include "usbtool/transferpanel.h"

#include <optional>

namespace zelvar {

class StickPanel : public TransferPanel
{
public:
    // The five stick buttons, together.
    virtual void SetStickButtons(bool enabled) = 0;

    virtual void clearFileList() = 0;
    virtual void addFileListItem(const QString &text) = 0;
    // The selected item's text, or nothing when no item is selected.
    virtual std::optional<QString> selectedFileListItem() const = 0;

    // Asked before a command destroys files on the stick: true to go on. The window asks
    // with OK and Cancel, Cancel the default; the command line asks nothing.
    virtual bool confirm(const QString &question) = 0;
    // Asked before a write replaces a file of the same name on the stick: true to go on.
    // The window asks as above; the command line goes on only when told to replace.
    virtual bool confirmReplace(const QString &question) = 0;
};

} // namespace zelvar
