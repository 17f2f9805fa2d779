// zelvar71-cli import: fixture profiles (.zff) from QLC+ fixture definitions (.qxf) and
// GDTF fixture types (.gdtf), one mode at a time or a whole library at once; and the modes
// of the libraries whose channels match a fixture's DMX chart.
#include "commands.h"

#include "channames/channelnamestore.h"
#include "common/labels.h"
#include "fixture/zfffile.h"
#include "fixtureimport/channelindex.h"
#include "fixtureimport/importlibrary.h"
#include "gdtfimport/gdtfkind.h"
#include "qxfimport/qxfkind.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include <unistd.h>

namespace zelvar::cli {

const char *const ImportUsage =
    "usage: zelvar71-cli import FILE                          list the modes (FILE.qxf or FILE.gdtf)\n"
    "       zelvar71-cli import FILE --mode NAME -o OUT.zff [--names DIR]\n"
    "       zelvar71-cli import --all LIBDIR -o OUTDIR [--names DIR]   every .qxf and .gdtf under LIBDIR\n"
    "       zelvar71-cli import --find \"NAME,NAME,...\" [--max-distance N] [--names DIR]\n"
    "            the library modes whose channels are within N (0 to 3, default 2) of the chart;\n"
    "            exit 0 with matches, 3 without\n";

namespace {

const ImportKinds &kinds()
{
    static const ImportKinds all{&QxfImportKind(), &GdtfImportKind()};
    return all;
}

// The mode of that name: exactly, else the one whose name matches without regard to case.
int findMode(const QStringList &modes, const QString &name)
{
    for (int i = 0; i < modes.size(); ++i) {
        if (modes.at(i) == name)
            return i;
    }
    int found = -1;
    for (int i = 0; i < modes.size(); ++i) {
        if (modes.at(i).compare(name, Qt::CaseInsensitive) == 0) {
            if (found >= 0)
                return -1;
            found = i;
        }
    }
    return found;
}

void listModes(const ImportDefinition &definition, QTextStream &out)
{
    const QStringList modes = definition.modeNames();
    out << definition.title() << ": " << modes.size() << (modes.size() == 1 ? " mode\n" : " modes\n");
    for (int i = 0; i < modes.size(); ++i) {
        const ImportModeFit fit = definition.checkMode(i);
        out << "  \"" << modes.at(i) << "\"  " << fit.channelCount
            << (fit.channelCount == 1 ? " channel" : " channels");
        if (!fit.fits())
            out << "  cannot be imported: " << fit.problem;
        out << "\n";
    }
}

int importAll(const QString &folder, const QString &target, const QString &namesFolder, QTextStream &out,
              QTextStream &err)
{
    if (!QFileInfo(folder).isDir()) {
        err << "zelvar71-cli: " << folder << " is not a folder\n";
        return ExitFailure;
    }
    ChannelNameFiles start;
    if (namesFolder.isEmpty()) {
        start.table.LoadDefaultNames();
    } else if (Outcome read = ReadChannelNameFiles(namesFolder, start); !read) {
        err << "zelvar71-cli: " << read.reason() << "\n";
        return ExitFailure;
    }
    const ChannelNameTable &names = start.table;
    // On a terminal one line tells how far the run is; nothing otherwise.
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    ImportLibraryProgress progress;
    if (terminal) {
        progress = [&err](int done, int total) {
            err << "\rimporting: " << done << " of " << total << " definitions";
            err.flush();
        };
    }
    ImportLibraryConversion conversion;
    const Outcome done = ConvertImportLibrary(folder, target, names, kinds(), conversion, progress);
    if (terminal)
        err << "\n";
    if (!done) {
        err << "zelvar71-cli: " << done.reason() << "\n";
        return ExitFailure;
    }
    for (const QString &line : std::as_const(conversion.unreadable))
        err << "zelvar71-cli: unreadable: " << line << "\n";
    for (const QString &line : std::as_const(conversion.notWritten))
        err << "zelvar71-cli: not written: " << line << "\n";
    out << ImportLibrarySummary(conversion);
    out << "profiles, " << channelNameSetFileName() << ", " << channelNameDownFileName() << " and "
        << importReportFileName() << " in " << QDir::toNativeSeparators(target) << "\n";
    return conversion.unreadable.isEmpty() && conversion.notWritten.isEmpty() ? 0 : ExitFailure;
}

int importMode(const ImportDefinition &definition, const QString &modeName, QString target,
               const QString &namesFolder, QTextStream &out, QTextStream &err)
{
    const int mode = findMode(definition.modeNames(), modeName);
    if (mode < 0) {
        err << "zelvar71-cli: the definition has no mode \"" << modeName << "\"\n";
        listModes(definition, err);
        return ExitFailure;
    }
    if (target.right(4).toLower() != QLatin1String(".zff"))
        target += QStringLiteral(".zff");
    // Named against the files as they are just before the write, and written with the
    // names it adds, all or nothing: a profile never refers to names its table lacks, and
    // names never wait for a profile that could not be written.
    ImportedFixture fixture;
    bool planned = false;
    Outcome converted = Outcome::success();
    const Outcome written = ChannelNameStore::forFolder(namesFolder).update(
        [&](const ChannelNameTable &, NameFilesUpdate &update) {
            planned = true;
            converted = definition.convert(mode, update.table, fixture);
            if (!converted)
                return converted;
            PrepareForSave(fixture.profile);
            QByteArray bytes;
            if (Outcome encoded = EncodeProfile(fixture.profile, bytes); !encoded)
                return encoded;
            update.alongside.append(FileReplacement{target, bytes});
            return Outcome::success();
        });
    if (planned && !converted) {
        err << "zelvar71-cli: mode \"" << modeName << "\" cannot be imported: " << converted.reason() << "\n";
        return ExitFailure;
    }
    if (!written) {
        err << "zelvar71-cli: " << written.reason() << "\n";
        if (planned)
            err << "zelvar71-cli: neither the profile nor the channel names it needs were written\n";
        return ExitFailure;
    }
    out << "wrote " << target << ": \"" << withoutTrailingBlanks(fixture.profile.setup.fixtureName.text()) << "\", "
        << fixture.channels.size() << (fixture.channels.size() == 1 ? " channel\n" : " channels\n");
    for (int i = 0; i < fixture.channels.size(); ++i) {
        const ImportedChannel &c = fixture.channels.at(i);
        out << "  " << channelLabel(i + 1) << "  " << c.sourceName << " -> " << c.name << " ("
            << FadeModeText(int(c.fadeMode)) << ", " << c.stepCount << (c.stepCount == 1 ? " step" : " steps")
            << (c.nameAdded ? ", name added)\n" : ")\n");
    }
    if (!fixture.addedNames.isEmpty())
        out << "added to the channel names in " << QDir::toNativeSeparators(namesFolder) << ": "
            << fixture.addedNames.join(QStringLiteral(", ")) << "\n";
    for (const QString &warning : std::as_const(fixture.warnings))
        err << "zelvar71-cli: warning: " << warning << "\n";
    return 0;
}

// The chart of --find: names parted by commas, each trimmed; empty when one is empty.
QStringList chartNames(const QString &text)
{
    QStringList names;
    for (const QString &part : text.split(QLatin1Char(',')))
        names << part.trimmed();
    const bool anyEmpty = std::any_of(names.cbegin(), names.cend(), [](const QString &n) { return n.isEmpty(); });
    return anyEmpty ? QStringList() : names;
}

constexpr int ExitNoMatch = 3;

int findByChannels(const QStringList &chart, int maxDistance, const QString &namesFolder, QTextStream &out,
                   QTextStream &err)
{
    ChannelNameFiles files;
    if (Outcome read = ReadChannelNameFiles(namesFolder, files); !read) {
        err << "zelvar71-cli: " << read.reason() << "\n";
        return ExitFailure;
    }
    const ChannelNameTable &names = files.table;
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    ChannelIndexProgress progress;
    if (terminal) {
        progress = [&err](int done, int total) {
            if (total == 0)
                return; // nothing changed since the cache
            err << "\rreading the libraries' channels: " << done << " of " << total << " files";
            err.flush();
        };
    }
    ChannelIndex index;
    ChannelIndexUpdate update;
    const QVector<ImportLibrary> libraries = ImportLibraries(kinds());
    UpdateChannelIndex(index, libraries, channelIndexCacheFile(), update, progress);
    if (terminal && update.read > 0)
        err << "\n";
    if (!update.cacheProblem.isEmpty())
        err << "zelvar71-cli: warning: " << update.cacheProblem << "\n";
    if (index.files().isEmpty()) {
        // Nothing to match is not a match, but the user should know why.
        QStringList where;
        for (const ImportLibrary &library : libraries) {
            QStringList folders;
            for (const QString &folder : library.folders)
                folders << QDir::toNativeSeparators(folder);
            QString none = library.kind->noLibraryText();
            if (none.endsWith(QLatin1Char('.')))
                none.chop(1);
            where << (folders.isEmpty() ? none
                                        : QStringLiteral("%1: %2").arg(library.kind->name(),
                                                                       folders.join(QStringLiteral(", "))));
        }
        err << "zelvar71-cli: no fixture definition to search: " << where.join(QStringLiteral("; ")) << "\n";
    }
    const QVector<ChannelMatch> matches = index.find(chart, maxDistance, names);
    for (const ChannelMatch &m : matches)
        out << m.distance << '\t' << m.kind << '\t' << QDir::toNativeSeparators(m.path) << '\t' << m.modeName << '\t'
            << ChannelDifferencesText(m.differences) << '\n';
    return matches.isEmpty() ? ExitNoMatch : 0;
}

} // namespace

int importFixtures(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QString source;
    QString modeName;
    QString target;
    QString namesFolder;
    QString chart;
    QString distance;
    bool all = false;
    bool hasMode = false;
    bool hasNames = false;
    bool find = false;
    bool hasDistance = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--find") || arg == QLatin1String("--max-distance")) {
            if (i + 1 >= args.size()) {
                err << "zelvar71-cli: " << arg << " needs a value\n" << ImportUsage;
                return ExitUsage;
            }
            (arg == QLatin1String("--find") ? chart : distance) = args.at(++i);
            (arg == QLatin1String("--find") ? find : hasDistance) = true;
        } else if (arg == QLatin1String("-o") || arg == QLatin1String("--mode") || arg == QLatin1String("--names")) {
            if (i + 1 >= args.size()) {
                err << "zelvar71-cli: " << arg << " needs a value\n" << ImportUsage;
                return ExitUsage;
            }
            const QString &value = args.at(++i);
            if (arg == QLatin1String("-o")) {
                target = value;
            } else if (arg == QLatin1String("--mode")) {
                modeName = value;
                hasMode = true;
            } else {
                namesFolder = value;
                hasNames = true;
            }
        } else if (arg == QLatin1String("--all")) {
            all = true;
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            err << "zelvar71-cli: unknown option " << arg << "\n" << ImportUsage;
            return ExitUsage;
        } else if (source.isEmpty()) {
            source = arg;
        } else {
            err << "zelvar71-cli: one definition or folder at a time; " << arg << " is one too many\n"
                << ImportUsage;
            return ExitUsage;
        }
    }
    if (find) {
        if (!source.isEmpty() || all || hasMode || !target.isEmpty()) {
            err << "zelvar71-cli: --find searches the libraries; it takes no file, --all, --mode or -o\n"
                << ImportUsage;
            return ExitUsage;
        }
        const QStringList names = chartNames(chart);
        if (names.isEmpty()) {
            err << "zelvar71-cli: --find takes the chart's channel names parted by commas, none of them empty, not \""
                << chart << "\"\n"
                << ImportUsage;
            return ExitUsage;
        }
        bool number = true;
        const int maxDistance = hasDistance ? distance.toInt(&number) : 2;
        if (!number || maxDistance < 0 || maxDistance > MaxChartDistance) {
            err << "zelvar71-cli: --max-distance takes 0 to " << MaxChartDistance << ", not " << distance << "\n"
                << ImportUsage;
            return ExitUsage;
        }
        if (hasNames && !QFileInfo(namesFolder).isDir()) {
            err << "zelvar71-cli: " << namesFolder << " is not a folder\n";
            return ExitFailure;
        }
        return findByChannels(names, maxDistance, hasNames ? namesFolder : channelNameFolder(), out, err);
    }
    if (hasDistance) {
        err << "zelvar71-cli: --max-distance goes with --find\n" << ImportUsage;
        return ExitUsage;
    }
    if (source.isEmpty() || (all && (hasMode || target.isEmpty())) || (!all && hasMode != !target.isEmpty())
        || (hasNames && !all && !hasMode)) {
        err << ImportUsage;
        return ExitUsage;
    }
    if (hasNames && !QFileInfo(namesFolder).isDir()) {
        err << "zelvar71-cli: " << namesFolder << " is not a folder\n";
        return ExitFailure;
    }
    if (all)
        return importAll(source, target, namesFolder, out, err);

    std::unique_ptr<ImportDefinition> definition;
    if (Outcome read = KindOfFile(source, kinds())->read(source, definition); !read) {
        err << "zelvar71-cli: " << read.reason() << "\n";
        return ExitFailure;
    }
    if (!hasMode) {
        listModes(*definition, out);
        return 0;
    }
    return importMode(*definition, modeName, target, hasNames ? namesFolder : channelNameFolder(), out, err);
}

} // namespace zelvar::cli
