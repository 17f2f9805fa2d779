// zelvar71-cli stick ...: the Pelkom stick's file commands from a terminal, through the
// same commands as the transfer dialog; the tool's messages go to stderr.
#include "commands.h"
#include "terminalpanel.h"

#include "usbtool/devicelibrary.h"
#include "usbtool/stickcommands.h"
#include "usbtool/stickpanel.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace zelvar::cli {

const char *const StickUsage = "usage: zelvar71-cli stick list\n"
                               "       zelvar71-cli stick read NAME FILE\n"
                               "       zelvar71-cli stick write [--replace] FILE\n"
                               "       zelvar71-cli stick del NAME\n"
                               "       zelvar71-cli stick format\n";

namespace {

// The dialog's part, played by the command line: the selection is an argument and the
// file list is kept to be printed.
class TerminalStickPanel : public TerminalPanel<StickPanel>
{
public:
    TerminalStickPanel(QTextStream &err, std::optional<QString> selected, QString path, bool replace)
        : TerminalPanel(err, std::move(path)), m_selected(std::move(selected)), m_replace(replace)
    {
    }

    QStringList items;
    bool replaceRefused = false;

    void SetStickButtons(bool) override {}
    void clearFileList() override { items.clear(); }
    void addFileListItem(const QString &text) override { items << text; }
    std::optional<QString> selectedFileListItem() const override { return m_selected; }
    // The command line says what it wants: nothing is asked.
    bool confirm(const QString &) override { return true; }
    // A file on the stick is replaced only when the command line says so.
    bool confirmReplace(const QString &) override
    {
        replaceRefused = !m_replace;
        return m_replace;
    }

private:
    std::optional<QString> m_selected;
    bool m_replace;
};

} // namespace

int stick(const QStringList &commandLine, QTextStream &out, QTextStream &err)
{
    QStringList args = commandLine;
    const QString command = args.value(0);
    // "--replace" belongs to write alone, before or after its file.
    const bool replace = command == QLatin1String("write") && args.removeAll(QStringLiteral("--replace")) > 0;
    // Each command and the number of arguments it takes.
    const QHash<QString, int> operandCounts{{QStringLiteral("list"), 0},
                                            {QStringLiteral("read"), 2},
                                            {QStringLiteral("write"), 1},
                                            {QStringLiteral("del"), 1},
                                            {QStringLiteral("format"), 0}};
    const int operands = operandCounts.value(command, -1);
    if (operands < 0)
        return notUnderstood(err, args.isEmpty() ? QStringLiteral("stick needs a command")
                                                 : QStringLiteral("unknown command stick ") + command,
                             StickUsage);
    if (args.size() > operands + 1)
        return notUnderstood(
            err, QStringLiteral("stick %1: unexpected argument %2").arg(command, args.at(operands + 1)), StickUsage);
    if (args.size() < operands + 1)
        return notUnderstood(err, QStringLiteral("stick %1: missing argument").arg(command), StickUsage);

    std::optional<QString> selected;
    QString path;
    if (command == QLatin1String("read") || command == QLatin1String("del"))
        selected = args.at(1);
    if (command == QLatin1String("read"))
        path = args.at(2);
    if (command == QLatin1String("write")) {
        path = args.at(1);
        // The dialog's chooser names only files that are there (or creates one it is given);
        // a typing error here must not empty a file on the stick.
        if (!QFileInfo(path).isFile()) {
            err << "zelvar71-cli: stick write: no such file: " << path << "\n";
            return ExitFailure;
        }
    }

    DeviceLibrary device;
    if (!bindDriver(device, QStringLiteral("stick ") + command, err))
        return ExitFailure;
    TerminalStickPanel panel(err, selected, path, replace);
    StickCommands commands(device, panel);

    Outcome result;
    if (command == QLatin1String("list"))
        result = commands.listFiles();
    else if (command == QLatin1String("read"))
        result = commands.readFile();
    else if (command == QLatin1String("write"))
        result = commands.writeFile();
    else if (command == QLatin1String("del"))
        result = commands.deleteFile();
    else
        result = commands.formatStick();

    if (command == QLatin1String("list")) {
        // In the order the dialog's sorted list shows them; a listing that arrived short
        // still shows every entry that came whole, as the dialog does.
        std::sort(panel.items.begin(), panel.items.end(), [](const QString &a, const QString &b) {
            const int c = a.compare(b, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a < b;
        });
        for (const QString &item : panel.items)
            out << item << "\n";
        out.flush();
    }
    if (!result) {
        err << "zelvar71-cli: stick " << command << ": " << result.reason()
            << (panel.replaceRefused ? " (--replace replaces it)" : "") << "\n";
        return ExitFailure;
    }
    return 0;
}

} // namespace zelvar::cli
