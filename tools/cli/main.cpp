// zelvar71-cli: the Zelvar71 file formats and transfers from the command line.
#include "commands.h"

#include "common/userfolders.h"

#include <QCoreApplication>

namespace zelvar::cli {

namespace {

// One command: the words that choose it, its line in the overview, its usage, and what runs
// it with the arguments after its words. A new command is one more row.
struct Command
{
    const char *words;
    const char *synopsis;
    const char *summary;
    const char *const &usage;
    int (*run)(const QStringList &args, QTextStream &out, QTextStream &err);
};

const Command Commands[] = {
    {"zff show", "zff show FILE", "print a fixture profile (.zff) as JSON", ZffShowUsage, zffShow},
    {"names init", "names init [DIR] [--force]",
     "write the default ChNameSet.fix and ChNameDown.fix into DIR (the programs' channel-name folder), unless "
     "they hold other names",
     NamesInitUsage, namesInit},
    {"names path", "names path", "print the folder where the programs keep the channel-name files", NamesPathUsage,
     namesPath},
    {"compose", "compose -o SET.tzk [--names ChNameDown.fix | --no-names] A.zff ...", "write a download set",
     ComposeUsage, compose},
    {"tzk", "tzk show SET.tzk | tzk extract SET.tzk DIR",
     "print a download set as JSON, or take it apart into profiles", TzkUsage, tzk},
    {"stick", "stick list|read NAME FILE|write [--replace] FILE|del NAME|format", "the Pelkom USB stick's file commands",
     StickUsage, stick},
    {"send", "send PORT FILE", "send FILE over the serial link (PORT: a device or 3 to 6)", SendUsage, serialSend},
    {"receive", "receive PORT FILE [--idle SECONDS]", "store what arrives until Ctrl+C or SECONDS without a byte",
     ReceiveUsage, serialReceive},
    {"link", "link send FILE|receive FILE SECONDS", "a file over the Kiron USB link", LinkUsage, link},
    {"usb", "usb", "the FTDI devices seen and the driver library in use", UsbUsage, usb},
    {"import",
     "import FILE.qxf|FILE.gdtf [--mode NAME -o OUT.zff] | import --all LIBDIR -o OUTDIR [--names DIR]\n"
     "  import --find \"NAME,...\" [--max-distance N]",
     "fixture profiles from QLC+ definitions and GDTF fixture types, channel names from DIR's table, which grows; "
     "--find lists the library modes that match a DMX chart",
     ImportUsage, importFixtures},
};

QString firstWord(const Command &c)
{
    return QString::fromLatin1(c.words).section(QLatin1Char(' '), 0, 0);
}

QString overview()
{
    QString text = QStringLiteral("usage: zelvar71-cli COMMAND ...\n"
                                  "       zelvar71-cli COMMAND --help   the usage of one command\n"
                                  "       zelvar71-cli --version\n"
                                  "commands:\n");
    constexpr int Column = 21;
    for (const Command &c : Commands) {
        const QString synopsis = QStringLiteral("  ") + QLatin1String(c.synopsis);
        if (synopsis.size() < Column)
            text += synopsis.leftJustified(Column) + QLatin1String(c.summary) + QLatin1Char('\n');
        else
            text += synopsis + QLatin1Char('\n') + QString(Column, QLatin1Char(' ')) + QLatin1String(c.summary)
                + QLatin1Char('\n');
    }
    return text;
}

// The usage of every command that starts with `word`.
QString usageOf(const QString &word)
{
    QString text;
    for (const Command &c : Commands) {
        if (firstWord(c) == word)
            text += QLatin1String(c.usage) + QStringLiteral("  ") + QLatin1String(c.summary) + QLatin1Char('\n');
    }
    return text;
}

bool isHelp(const QString &arg)
{
    return arg == QLatin1String("--help") || arg == QLatin1String("-h");
}

// Whether a help option comes among the arguments (before a "--" that ends the options).
bool asksForHelp(const QStringList &args)
{
    for (const QString &arg : args) {
        if (arg == QLatin1String("--"))
            return false;
        if (isHelp(arg))
            return true;
    }
    return false;
}

QString unknownWord(const QString &word)
{
    return (word.startsWith(QLatin1Char('-')) ? QStringLiteral("unknown option ") : QStringLiteral("unknown command "))
        + word;
}

int dispatch(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const QString first = args.value(0);
    if (args.isEmpty())
        return notUnderstood(err, QStringLiteral("no command given"), overview());
    if (first == QLatin1String("--version")) {
        out << "zelvar71-cli " << ZELVAR71_VERSION << "\n";
        return 0;
    }
    if (isHelp(first) || first == QLatin1String("help")) {
        // "help COMMAND" is COMMAND --help.
        if (first == QLatin1String("help") && args.size() > 1) {
            const QString usage = usageOf(args.at(1));
            if (usage.isEmpty())
                return notUnderstood(err, unknownWord(args.at(1)), overview());
            out << usage;
            return 0;
        }
        out << overview();
        return 0;
    }
    const QString usage = usageOf(first);
    if (usage.isEmpty())
        return notUnderstood(err, unknownWord(first), overview());
    if (asksForHelp(args.mid(1))) {
        out << usage;
        return 0;
    }
    for (const Command &c : Commands) {
        const QStringList words = QString::fromLatin1(c.words).split(QLatin1Char(' '));
        if (args.mid(0, words.size()) == words)
            return c.run(args.mid(words.size()), out, err);
    }
    // The first word is known, the one after it is not.
    if (args.size() < 2)
        return notUnderstood(err, first + QStringLiteral(" needs a command"), usage);
    const QString second = args.at(1);
    return notUnderstood(err, unknownWord(second.startsWith(QLatin1Char('-')) ? second : first + QLatin1Char(' ') + second),
                         usage);
}

} // namespace

int notUnderstood(QTextStream &err, const QString &what, const QString &usage)
{
    err << "zelvar71-cli: " << what << "\n" << usage;
    return ExitUsage;
}

} // namespace zelvar::cli

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    zelvar::setProgramIdentity();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return zelvar::cli::dispatch(app.arguments().mid(1), out, err);
}
