// zelvar71-cli names init [DIR] [--force]: the default channel-name files, as a first Save
// writes them, unless the files there hold names of the user's;
// zelvar71-cli names path: the folder where the programs keep the channel-name files (made
// ready there on first use, as the programs do).
#include "commands.h"

#include "channames/channelnamestore.h"

#include <QDir>
#include <QFileInfo>

namespace zelvar::cli {

const char *const NamesInitUsage = "usage: zelvar71-cli names init [DIR] [--force]\n";
const char *const NamesPathUsage = "usage: zelvar71-cli names path\n";

int namesInit(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QStringList folders;
    bool force = false;
    for (const QString &arg : args) {
        if (arg == QLatin1String("--force")) {
            force = true;
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            err << "zelvar71-cli: unknown option " << arg << "\n" << NamesInitUsage;
            return ExitUsage;
        } else {
            folders << arg;
        }
    }
    if (folders.size() > 1) {
        err << NamesInitUsage;
        return ExitUsage;
    }
    const QString folder = folders.isEmpty() ? channelNameFolder() : folders.first();
    if (!QFileInfo(folder).isDir()) {
        err << "zelvar71-cli: " << folder << ": no such folder\n";
        return ExitFailure;
    }
    if (!force && !HoldsOnlyDefaultNames(folder)) {
        err << "zelvar71-cli: the channel-name files in " << QDir::toNativeSeparators(folder)
            << " hold names other than the defaults; they are left as they are (--force writes the defaults over "
               "them)\n";
        return ExitFailure;
    }
    const Outcome saved = ChannelNameStore::forFolder(folder).update([](const ChannelNameTable &, NameFilesUpdate &update) {
        update.table = ChannelNameTable();
        update.table.LoadDefaultNames();
        update.writeNames = true;
        return Outcome::success();
    });
    if (!saved) {
        err << "zelvar71-cli: " << saved.reason() << "\n";
        return ExitFailure;
    }
    out << "wrote " << channelNameSetFileName() << " and " << channelNameDownFileName() << " in " << folder << "\n";
    return 0;
}

int namesPath(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (!args.isEmpty()) {
        err << NamesPathUsage;
        return ExitUsage;
    }
    out << channelNameFolder() << "\n";
    return 0;
}

} // namespace zelvar::cli
