// The shared file dialog of the link window.
#include "common/sharedfiledialog.h"

#include "common/userfolders.h"

namespace zelvar {

QString SharedFileDialog::ShowOpen(QWidget *parent)
{
    const QString path = m_prompts.openFile(parent, FileDialogRequest{QString(), Filter, dialogStartPath(FileName)});
    if (!path.isEmpty())
        FileName = path;
    return path;
}

QString SharedFileDialog::ShowSave(QWidget *parent)
{
    const QString path = m_prompts.saveFile(parent, FileDialogRequest{QString(), Filter, dialogStartPath(FileName)});
    if (!path.isEmpty())
        FileName = path;
    return path;
}

} // namespace zelvar
