// What the stick commands need of the window that runs them: the five stick buttons, the
// file list, the path box, the progress bar, a file chooser and message boxes.
#pragma once

#include <QString>

#include <optional>

namespace zelvar {

enum class FileChoice {
    Save, // where a file from the stick goes
    Open, // a computer file to copy to the stick
};

class StickPanel
{
public:
    virtual ~StickPanel() = default;

    // The five stick buttons, together.
    virtual void SetStickButtons(bool enabled) = 0;

    virtual void clearFileList() = 0;
    virtual void addFileListItem(const QString &text) = 0;
    // The selected item's text, or nothing when no item is selected.
    virtual std::optional<QString> selectedFileListItem() const = 0;

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
