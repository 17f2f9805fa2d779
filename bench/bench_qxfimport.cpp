// Runs the QLC+ import over the installed library (or the folder given) as
// `zelvar71-cli import --all` does, and prints how long it takes and how readable its names
// are: profiles written, channels left with a generic "CHAN.nn" name, channels whose QLC+
// name states one function and whose profile name says it, fixture names shared by two
// models of one manufacturer, profiles that keep every number of their model, and step
// names that had to be made distinct and whether they kept their numbers.
//   bench_qxfimport [FOLDER [OUTDIR]]    (OUTDIR keeps what the import wrote)
#include "fixture/zfffile.h"
#include "fixtureimport/importlibrary.h"
#include "fixtureimport/importtext.h"
#include "qxfimport/qxfconversion.h"
#include "qxfimport/qxfkind.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

#include <ctime>

using namespace zelvar;

namespace {

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // KiB on Linux
}

double cpuMs()
{
    return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
}

// A function as the words of a QLC+ channel name state it, and the ways a profile's
// channel name may say it. Written apart from the import's own vocabulary, so that the
// figure checks the import rather than repeating it.
struct Said
{
    const char *function;
    QRegularExpression stated;
    QRegularExpression says;
};

QVector<Said> functions()
{
    const char *const table[][3] = {
        {"white", R"(\bwhite|\bww\b)", "white|wht"},
        {"amber", R"(\bamber)", "amber|amb"},
        {"UV", R"(\buv\b|ultra.?violet)", "uv"},
        {"lime", R"(\blime\b)", "lime"},
        {"cyan", R"(\bcyan)", "cyan|cyn"},
        {"magenta", R"(\bmagenta)", "magenta|mag"},
        {"yellow", R"(\byellow)", "yellow|yel"},
        {"red", R"(\bred\b)", "red"},
        {"green", R"(\bgreen)", "green|grn"},
        {"blue", R"(\bblue)", "blue|blu"},
        {"colour temperature", R"(\bcto\b|\bctc\b|\bcct\b|temperature)", "cto|ctc|temp"},
        {"colour", R"(\bcolou?rs?\b)", "colou?r|col"},
        {"iris", R"(\biris)", "iris"},
        {"frost", R"(\bfrost)", "frost"},
        {"zoom", R"(\bzoom)", "zoom"},
        {"focus", R"(\bfocus)", "focus|foc"},
        {"prism", R"(\bprism)", "prism|prsm"},
        {"gobo", R"(\bgobo)", "gobo"},
        {"dimmer", R"(\bdimmer|\bintensity\b)", "dimmer|dim"},
        {"strobe", R"(\bstrob)", "strobe|strb|shutter"},
        {"shutter", R"(\bshutter)", "shutter|shut"},
        {"macro", R"(\bmacro)", "macro|mac"},
        {"reset", R"(\breset)", "reset"},
        {"pan", R"(\bpan\b)", "pan|p/t"},
        {"tilt", R"(\btilt)", "tilt|tlt|p/t"},
        {"speed", R"(\bspeed)", "speed|spd"},
        {"effect", R"(\beffect)", "effect|fx"},
        {"program", R"(\bprogram)", "program|prg|prog"},
        {"sound", R"(\bsound)", "sound|snd"},
        {"rotation", R"(\brotat)", "rot"},
        {"fan", R"(\bfans?\b)", "fan"},
        {"fog", R"(\bfog\b|\bsmoke)", "fog|smoke"},
        {"haze", R"(\bhaze)", "haze"},
        {"lamp", R"(\blamp)", "lamp"},
    };
    QVector<Said> list;
    for (const auto &row : table)
        list.append({row[0], QRegularExpression(QString::fromLatin1(row[1]), QRegularExpression::CaseInsensitiveOption),
                     QRegularExpression(QString::fromLatin1(row[2]), QRegularExpression::CaseInsensitiveOption)});
    return list;
}

// The numbers standing in a name, as digit runs: "Blue 104" gives {"104"}.
QStringList numbersIn(const QString &name)
{
    static const QRegularExpression number(QStringLiteral("\\d+"));
    QStringList numbers;
    for (auto it = number.globalMatch(name); it.hasNext();)
        numbers << it.next().captured();
    return numbers;
}

struct StepFigures
{
    qint64 all = 0;         // step names of every profile
    qint64 names = 0;       // step names of channels whose steps are their capabilities one to one
    qint64 suffixed = 0;    // names that differ from their capability's own, to be distinct
    qint64 numberCut = 0;   // of those, names in which a number of the capability's name lost a digit
};

// Every profile's step names against the names their capabilities' texts give alone.
StepFigures stepFigures(const ImportLibraryConversion &conversion)
{
    StepFigures figures;
    QHash<QString, QxfDefinition> definitions;
    for (const ImportLibraryProfile &p : conversion.profiles) {
        auto it = definitions.find(p.source);
        if (it == definitions.end()) {
            QxfDefinition d;
            if (!ReadQxf(p.source, d))
                continue;
            it = definitions.insert(p.source, d);
        }
        FixtureProfile profile;
        if (!ReadProfile(p.path, profile))
            continue;
        const QxfMode &mode = it->modes.at(p.mode);
        for (int c = 0; c < mode.channels.size(); ++c) {
            const QxfChannel *channel = it->channel(mode.channels.at(c));
            const int steps = profile.channels[size_t(c)].stepCount;
            figures.all += steps;
            if (!channel || channel->capabilities.size() != steps)
                continue;
            for (int s = 0; s < steps; ++s) {
                const QxfCapability &capability = channel->capabilities.at(s);
                const StepRecord &r = profile.steps[size_t(FixtureProfile::slotOf(c + 1, s + 1))];
                const QString made = withoutTrailingBlanks(r.name.text());
                QString own = StepName(capability.text);
                if (own.isEmpty())
                    own = QStringLiteral("%1-%2").arg(r.fromDmx).arg(r.toDmx);
                ++figures.names;
                if (made == own)
                    continue;
                ++figures.suffixed;
                const QStringList kept = numbersIn(made);
                for (const QString &n : numbersIn(own)) {
                    if (!kept.contains(n)) {
                        ++figures.numberCut;
                        break;
                    }
                }
            }
        }
    }
    return figures;
}

QString percent(qint64 part, qint64 whole)
{
    return QString::number(whole ? 100.0 * double(part) / double(whole) : 0.0, 'f', 2) + QLatin1Char('%');
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : installedQxfLibrary();
    if (!QFileInfo(folder).isDir()) {
        out << folder << " is not a folder; install qlcplus-data or name a folder of .qxf files\n";
        return 1;
    }

    QElapsedTimer timer;
    timer.start();
    double cpu = cpuMs();
    QStringList unreadable;
    const QVector<ImportListing> listing = ScanImportLibraries({{&QxfImportKind(), {folder}}}, &unreadable);
    out << QStringLiteral("listing (manufacturer and model of every definition): %1 definitions in %2 ms wall, "
                          "%3 ms CPU\n")
               .arg(listing.size())
               .arg(double(timer.nsecsElapsed()) / 1e6, 0, 'f', 1)
               .arg(cpuMs() - cpu, 0, 'f', 1);

    QTemporaryDir temporary;
    const QString target = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    ImportLibraryConversion conversion;
    ChannelNameTable names;
    names.LoadDefaultNames();
    timer.restart();
    cpu = cpuMs();
    // The last progress report comes once every profile is written, before the names, the
    // report and the flush.
    double profilesMs = 0;
    const auto progress = [&](int done, int total) {
        if (done == total)
            profilesMs = double(timer.nsecsElapsed()) / 1e6;
    };
    if (Outcome done = ConvertImportLibrary(folder, target, names, {&QxfImportKind()}, conversion, progress); !done) {
        out << "conversion failed: " << done.reason() << "\n";
        return 1;
    }
    const double wallMs = double(timer.nsecsElapsed()) / 1e6;
    out << QStringLiteral("whole-library import (read, convert, write every profile, the names and the report, one "
                          "flush): %1 ms wall, %2 ms CPU; the profiles written after %3 ms\n")
               .arg(wallMs, 0, 'f', 1)
               .arg(cpuMs() - cpu, 0, 'f', 1)
               .arg(profilesMs, 0, 'f', 1);
    out << ImportLibrarySummary(conversion);
    // The figures below read the library once more; the import's own peak comes first.
    const long importPeak = peakKiB();

    const int firstGeneric = NumberedChannelNameId(1);
    const QVector<Said> said = functions();
    qint64 channels = 0;
    qint64 generic = 0;
    qint64 stating = 0;
    qint64 saying = 0;
    QHash<QString, QPair<qint64, qint64>> byFunction; // stating, saying
    QHash<QString, QSet<QString>> modelsByName;        // manufacturer and fixture name -> models
    qint64 keepNumbers = 0;
    static const QRegularExpression number(QStringLiteral("\\d+"));
    for (const ImportLibraryProfile &p : std::as_const(conversion.profiles)) {
        for (const ImportedChannel &c : p.channels) {
            ++channels;
            if (c.nameId >= firstGeneric && c.nameId < firstGeneric + MaxChannels)
                ++generic;
            const Said *only = nullptr;
            int count = 0;
            for (const Said &s : said) {
                if (s.stated.match(c.sourceName).hasMatch()) {
                    only = &s;
                    ++count;
                }
            }
            if (count != 1)
                continue;
            ++stating;
            auto &figures = byFunction[QString::fromLatin1(only->function)];
            ++figures.first;
            if (only->says.match(c.name).hasMatch()) {
                ++saying;
                ++figures.second;
            }
        }
        modelsByName[p.manufacturer.simplified().toLower() + QLatin1Char('\n') + p.fixtureName.toLower()].insert(
            p.model.simplified().toLower());
        QSet<QString> inName;
        for (auto it = number.globalMatch(p.fixtureName); it.hasNext();)
            inName.insert(it.next().captured());
        bool kept = true;
        for (auto it = number.globalMatch(p.model); it.hasNext() && kept;)
            kept = inName.contains(it.next().captured());
        keepNumbers += kept ? 1 : 0;
    }
    int shared = 0;
    for (const QSet<QString> &models : std::as_const(modelsByName))
        shared += models.size() > 1 ? 1 : 0;
    const qint64 profiles = conversion.profiles.size();

    out << "\nprofiles written: " << profiles << "\n";
    out << "channels: " << channels << "; named by a generic CHAN.nn entry: " << generic << " ("
        << percent(generic, channels) << ")\n";
    out << "channels whose QLC+ name states one function: " << stating << "; named so that the name says it: "
        << saying << " (" << percent(saying, stating) << ")\n";
    QStringList keys = byFunction.keys();
    keys.sort();
    for (const QString &k : std::as_const(keys))
        out << "  " << k << ": " << byFunction.value(k).second << " of " << byFunction.value(k).first << "\n";
    out << "fixture names shared by different models of one manufacturer: " << shared << "\n";
    out << "profiles keeping every number of their model name: " << keepNumbers << " ("
        << percent(keepNumbers, profiles) << ")\n";
    const StepFigures steps = stepFigures(conversion);
    out << "step names: " << steps.all << "; of channels whose steps are their capabilities: " << steps.names
        << "; made distinct with a suffix: " << steps.suffixed << "; of those with a number cut short: "
        << steps.numberCut << " (" << percent(steps.numberCut, steps.names) << ")\n";
    out << "peak memory of the import " << importPeak << " KiB\n";
    return 0;
}
