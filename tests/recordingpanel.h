// Stands in for the transfer dialog in the tool-command tests: records every call it gets,
// in order, and answers the file chooser from a script.
#pragma once

#include "usbtool/transferpanel.h"

#include <QQueue>
#include <QRegularExpression>
#include <QStringList>

template <class Panel>
class RecordingPanel : public Panel
{
public:
    QStringList events;
    QQueue<QString> chosenPaths;

    void showPath(const QString &path) override { note(QStringLiteral("path ") + path); }
    void setProgressRange(int maximum) override { note(QStringLiteral("range %1").arg(maximum)); }
    void setProgressPosition(int position) override { note(QStringLiteral("position %1").arg(position)); }
    void setProgressStep(int step) override { note(QStringLiteral("step %1").arg(step)); }
    void stepProgress() override { note(QStringLiteral("advance")); }
    QString chooseFile(zelvar::FileChoice choice, const QString &title, const QString &presetName) override
    {
        note(QStringLiteral("choose %1 \"%2\" \"%3\"")
                 .arg(choice == zelvar::FileChoice::Save ? QStringLiteral("save") : QStringLiteral("open"), title,
                      presetName));
        return chosenPaths.isEmpty() ? QString() : chosenPaths.dequeue();
    }
    void showMessage(const QString &text) override { note(QStringLiteral("message ") + text); }

    QStringList messages() const { return events.filter(QRegularExpression(QStringLiteral("^message "))); }

protected:
    virtual void note(const QString &event) { events << event; }
};
