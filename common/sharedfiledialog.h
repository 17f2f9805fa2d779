// The link window's one file dialog, shared by Send File, Receive File and the download-set
// save: it keeps its filter and file name from one use to the next.
#pragma once

#include "common/prompts.h"

#include <QString>

class QWidget;

namespace zelvar {

class SharedFileDialog
{
public:
    explicit SharedFileDialog(Prompts &prompts) : m_prompts(prompts) {}

    QString Filter;   // "Description|pattern"; empty lists all files
    QString FileName; // the last chosen path, preset at the next use

    // Shows the dialog; on a choice FileName takes it and it is returned. Cancel returns an
    // empty string and leaves FileName as it was.
    QString ShowOpen(QWidget *parent);
    QString ShowSave(QWidget *parent);

private:
    Prompts &m_prompts;
};

} // namespace zelvar
