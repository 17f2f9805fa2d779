// zelvar71-cli: the Zelvar71 file formats from the command line.
#include "commands.h"

#include <QCoreApplication>

namespace {

const char *const Usage =
    "usage: zelvar71-cli COMMAND ...\n"
    "  zff show FILE      print a fixture profile (.zff) as JSON\n"
    "  names init DIR     write the default ChNameSet.fix and ChNameDown.fix into DIR\n"
    "  compose -o SET.tzk [--names ChNameDown.fix] A.zff ...  write a download set\n"
    "  stick list|read NAME FILE|write FILE|del NAME|format\n"
    "                     the Pelkom USB stick's file commands\n"
    "  send PORT FILE     send FILE over the serial link (PORT: a device or 3 to 6)\n"
    "  receive PORT FILE [--idle SECONDS]\n"
    "                     store what arrives until Ctrl+C or SECONDS without a byte\n"
    "  link send FILE|receive FILE SECONDS\n"
    "                     a file over the Kiron USB link\n"
    "  usb                the FTDI USB devices, who may open them, and the driver library\n"
    "  import FILE.qxf [--mode NAME -o OUT.zff] | import --all DIR -o OUTDIR\n"
    "                     fixture profiles from QLC+ fixture definitions\n";

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList args = app.arguments().mid(1);
    const QString command = args.value(0) + QLatin1Char(' ') + args.value(1);
    const QStringList rest = args.mid(2);

    if (command == QLatin1String("zff show"))
        return zelvar::cli::zffShow(rest, out, err);
    if (command == QLatin1String("names init"))
        return zelvar::cli::namesInit(rest, out, err);
    if (args.value(0) == QLatin1String("compose"))
        return zelvar::cli::compose(args.mid(1), out, err);
    if (args.value(0) == QLatin1String("import"))
        return zelvar::cli::importQxf(args.mid(1), out, err);
    if (args.value(0) == QLatin1String("stick"))
        return zelvar::cli::stick(args.mid(1), out, err);
    if (args.value(0) == QLatin1String("send"))
        return zelvar::cli::serialSend(args.mid(1), out, err);
    if (args.value(0) == QLatin1String("receive"))
        return zelvar::cli::serialReceive(args.mid(1), out, err);
    if (args.value(0) == QLatin1String("link"))
        return zelvar::cli::link(args.mid(1), out, err);
    if (args.value(0) == QLatin1String("usb"))
        return zelvar::cli::usb(args.mid(1), out, err);
    if (args.value(0) == QLatin1String("--help") || args.value(0) == QLatin1String("help")) {
        out << Usage;
        return 0;
    }
    err << Usage;
    return zelvar::cli::ExitUsage;
}
