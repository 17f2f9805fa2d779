// zelvar71-cli names init [DIR]: the default channel-name files, as a first Save writes them;
// zelvar71-cli names path: the folder where the programs keep the channel-name files (made
// ready there on first use, as the programs do).
#include "commands.h"

#include "channames/channelnamefiles.h"

#include <QFileInfo>

namespace zelvar::cli {

const char *const NamesInitUsage = "usage: zelvar71-cli names init [DIR]\n";
const char *const NamesPathUsage = "usage: zelvar71-cli names path\n";

int namesInit(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() > 1) {
        err << NamesInitUsage;
        return ExitUsage;
    }
    const QString folder = args.isEmpty() ? channelNameFolder() : args.first();
    if (!QFileInfo(folder).isDir()) {
        err << "zelvar71-cli: " << folder << ": no such folder\n";
        return ExitFailure;
    }
    ChannelNameTable table;
    table.LoadDefaultNames();
    if (Outcome saved = SaveChannelNames(folder, table); !saved) {
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
