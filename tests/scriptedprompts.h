// Prompts for widget tests: records every message box and file dialog a window opens and
// answers it from a script, so that no screen is needed.
#pragma once

#include "common/prompts.h"

#include <QQueue>
#include <QString>
#include <QVector>

struct PromptCall
{
    enum Kind { Message, OpenFile, SaveFile } kind = Message;
    QString text;  // message text, or the dialog's preset file name
    QString title; // message title, or the dialog's title
    zelvar::PromptButtons buttons = zelvar::PromptButtons::Ok;
    QString filter; // file dialogs only
};

class ScriptedPrompts : public zelvar::Prompts
{
public:
    // Answers in the order the prompts come; a prompt without a scripted answer is
    // cancelled (a message box answers Ok when it has only that button) and counted.
    QQueue<zelvar::PromptAnswer> answers;
    QQueue<QString> paths;
    QVector<PromptCall> calls;
    int unscripted = 0;

    zelvar::PromptAnswer message(QWidget *, const QString &text, const QString &title,
                                 zelvar::PromptButtons buttons) override
    {
        calls.append(PromptCall{PromptCall::Message, text, title, buttons, QString()});
        if (!answers.isEmpty())
            return answers.dequeue();
        if (buttons == zelvar::PromptButtons::Ok)
            return zelvar::PromptAnswer::Ok;
        ++unscripted;
        return zelvar::PromptAnswer::Cancel;
    }
    QString openFile(QWidget *, const zelvar::FileDialogRequest &request) override
    {
        return file(PromptCall::OpenFile, request);
    }
    QString saveFile(QWidget *, const zelvar::FileDialogRequest &request) override
    {
        return file(PromptCall::SaveFile, request);
    }

    const PromptCall &last() const { return calls.constLast(); }

private:
    QString file(PromptCall::Kind kind, const zelvar::FileDialogRequest &request)
    {
        calls.append(PromptCall{kind, request.fileName, request.title, zelvar::PromptButtons::OkCancel, request.filter});
        if (!paths.isEmpty())
            return paths.dequeue();
        ++unscripted;
        return QString();
    }
};
