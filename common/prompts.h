// Every message box and file dialog of the windows goes through this interface, so that
// tests answer them without a screen. The windows get QtPrompts; tests a scripted one.
#pragma once

#include <QString>

class QWidget;

namespace zelvar {

// OkCancel has OK as its default button; OkCancelDefaultCancel is for questions whose OK
// destroys something, so that Enter pressed without reading keeps it.
enum class PromptButtons { Ok, OkCancel, OkCancelDefaultCancel };
enum class PromptAnswer { Ok, Cancel };

struct FileDialogRequest
{
    QString title;    // empty: the platform's default title
    QString filter;   // "Description|pattern", pairs joined by "|"; empty lists all files
    QString fileName; // preset file name or path
};

class Prompts
{
public:
    virtual ~Prompts() = default;

    virtual PromptAnswer message(QWidget *parent, const QString &text, const QString &title,
                                 PromptButtons buttons) = 0;
    // The chosen path, or an empty string when the dialog was cancelled.
    virtual QString openFile(QWidget *parent, const FileDialogRequest &request) = 0;
    virtual QString saveFile(QWidget *parent, const FileDialogRequest &request) = 0;
};

// "Zelva71 Setup File(*.zff)|*.zff" as a Qt name filter list.
QString qtNameFilters(const QString &filter);

// Message boxes and file dialogs on the screen; a message box is never narrower than its
// title needs.
class QtPrompts : public Prompts
{
public:
    PromptAnswer message(QWidget *parent, const QString &text, const QString &title, PromptButtons buttons) override;
    QString openFile(QWidget *parent, const FileDialogRequest &request) override;
    QString saveFile(QWidget *parent, const FileDialogRequest &request) override;
};

// The program's prompts: QtPrompts unless replaced (tests).
Prompts &appPrompts();
void setAppPrompts(Prompts *prompts);

} // namespace zelvar
