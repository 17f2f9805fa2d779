// The window's part of a tool command, played by the command line: the chosen file is the
// one named on the command line, messages go to stderr, progress is not shown.
#pragma once

#include "usbtool/devicelibrary.h"
#include "usbtool/transferpanel.h"

#include <QTextStream>

namespace zelvar::cli {

// Messages of the device library on stderr, a line each.
inline void printMessages(const QStringList &messages, QTextStream &err)
{
    for (const QString &message : messages)
        err << message << "\n";
    err.flush();
}

// Binds the driver library, its messages on stderr. Without a library the command cannot
// run: one line says so, rather than the reasons each of its steps would give.
inline bool bindDriver(DeviceLibrary &device, const QString &command, QTextStream &err)
{
    printMessages(device.BindDeviceLibrary(), err);
    if (device.isLoaded())
        return true;
    err << "zelvar71-cli: " << command << ": no USB driver is loaded\n";
    return false;
}

template <class Panel>
class TerminalPanel : public Panel
{
public:
    TerminalPanel(QTextStream &err, QString path) : m_err(err), m_path(std::move(path)) {}

    void showPath(const QString &) override {}
    void setProgressRange(int) override {}
    void setProgressPosition(int) override {}
    void setProgressStep(int) override {}
    void stepProgress() override {}
    QString chooseFile(FileChoice, const QString &, const QString &) override { return m_path; }
    void showMessage(const QString &text) override { printMessages({text}, m_err); }

private:
    QTextStream &m_err;
    QString m_path;
};

} // namespace zelvar::cli
