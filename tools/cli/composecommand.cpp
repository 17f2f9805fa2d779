// zelvar71-cli compose: a download set (.tzk) from fixture profiles, as the link window's
// Save writes it for the same list.
#include "commands.h"

#include "channames/channelnamefiles.h"
#include "common/filestore.h"
#include "common/programfolder.h"
#include "downloadset/downloadsetfile.h"

namespace zelvar::cli {

const char *const ComposeUsage =
    "usage: zelvar71-cli compose -o SET.tzk [--names ChNameDown.fix | --no-names] A.zff B.zff ...\n";

int compose(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QString target;
    QString namesPath;
    QStringList fixtures;
    bool noNames = false;
    bool optionsDone = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (!optionsDone && (arg == QLatin1String("-o") || arg == QLatin1String("--names"))) {
            if (i + 1 >= args.size()) {
                err << ComposeUsage;
                return ExitUsage;
            }
            (arg == QLatin1String("-o") ? target : namesPath) = args.at(++i);
        } else if (!optionsDone && arg == QLatin1String("--no-names")) {
            noNames = true;
        } else if (!optionsDone && arg == QLatin1String("--")) {
            optionsDone = true;
        } else if (!optionsDone && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            err << "zelvar71-cli: unknown option " << arg << "\n" << ComposeUsage;
            return ExitUsage;
        } else {
            fixtures << arg;
        }
    }
    if (target.isEmpty() || fixtures.isEmpty()) {
        err << ComposeUsage;
        return ExitUsage;
    }
    if (noNames && !namesPath.isEmpty()) {
        err << "zelvar71-cli: --names and --no-names exclude each other\n" << ComposeUsage;
        return ExitUsage;
    }
    target = DownloadSetFileName(target);
    if (namesPath.isEmpty() && !noNames)
        namesPath = joinFolderPath(channelNameFolder(), channelNameDownFileName());

    // The panel keeps such a profile out of its list; the set is refused as a whole here.
    for (const QString &fixture : fixtures) {
        if (Outcome checked = CheckSharedNamesFlag(fixture); !checked) {
            err << "zelvar71-cli: " << fixture << ": " << checked.reason() << "; nothing was written\n";
            return ExitFailure;
        }
    }

    ComposedSet set;
    if (Outcome composed = ComposeDownloadSet(fixtures, namesPath, set); !composed) {
        err << "zelvar71-cli: " << composed.reason() << "; nothing was written\n";
        return ExitFailure;
    }
    if (!set.namesWritten && !noNames)
        err << "zelvar71-cli: warning: ChNameDown.fix is error (" << set.namesProblem
            << "); the set is written without channel names\n";
    if (Outcome written = replaceFile(target, set.image); !written) {
        err << "zelvar71-cli: " << written.reason() << "\n";
        return ExitFailure;
    }
    out << "wrote " << target << ": " << fixtures.size() << (fixtures.size() == 1 ? " fixture, " : " fixtures, ")
        << set.image.size() << " bytes\n";
    return 0;
}

} // namespace zelvar::cli
