// Prompts for the command line: every message goes to stderr and is answered with OK; no
// file dialog is ever shown (files come from the command line).
#pragma once

#include "common/prompts.h"

#include <QTextStream>

namespace zelvar::cli {

class StderrPrompts : public Prompts
{
public:
    explicit StderrPrompts(QTextStream &err) : m_err(err) {}
    PromptAnswer message(QWidget *, const QString &text, const QString &, PromptButtons) override
    {
        m_err << text << "\n";
        m_err.flush();
        return PromptAnswer::Ok;
    }
    QString openFile(QWidget *, const FileDialogRequest &) override { return QString(); }
    QString saveFile(QWidget *, const FileDialogRequest &) override { return QString(); }

private:
    QTextStream &m_err;
};

} // namespace zelvar::cli
