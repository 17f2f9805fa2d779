// The channel index that finds a fixture by its DMX chart, over the installed QLC+ library
// and 5,000 made-up GDTF files (those of bench_gdtfimport): the time to build it from the
// files, to write and read its cache, to bring it up to date when nothing changed, and to
// search it for a few charts at each distance, with a table that has room and a full one.
//   bench_channelsearch [COUNT [FOLDER]]    (5,000 GDTF files; FOLDER keeps them)
#include "benchsupport.h"
#include "gdtfbenchfiles.h"

#include "fixtureimport/channelindex.h"
#include "gdtfimport/gdtfkind.h"
#include "qxfimport/qxfkind.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sys/resource.h>

using namespace zelvar;

namespace {

double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 5000;
    QTemporaryDir temporary;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    const QString library = QDir(folder).filePath(QStringLiteral("gdtf"));
    if (!QFileInfo(library).isDir() && !benchgdtf::writeFiles(library, count, out))
        return 1;
    const QVector<ImportLibrary> libraries{{&QxfImportKind(), {installedQxfLibrary()}},
                                           {&GdtfImportKind(), {library}}};

    QElapsedTimer timer;
    timer.start();
    ChannelIndex index;
    const int read = index.refresh(libraries);
    out << QStringLiteral("index built from the files: %1 files (%2 unreadable), %3 modes in %4 s; peak memory "
                          "%5 MB\n")
               .arg(read)
               .arg(index.unreadableCount())
               .arg(index.modeCount())
               .arg(seconds(timer), 0, 'f', 2)
               .arg(double(peakKiB()) / 1024.0, 0, 'f', 1);

    timer.restart();
    const QByteArray cache = index.encode();
    const double encoded = seconds(timer);
    timer.restart();
    ChannelIndex decoded;
    const Outcome back = ChannelIndex::decode(cache, decoded);
    out << QStringLiteral("cache: %1 MB, encoded in %2 ms, decoded in %3 ms (%4)\n")
               .arg(double(cache.size()) / 1e6, 0, 'f', 2)
               .arg(encoded * 1000, 0, 'f', 1)
               .arg(seconds(timer) * 1000, 0, 'f', 1)
               .arg(back ? QStringLiteral("same modes: %1").arg(decoded.modeCount() == index.modeCount() ? "yes" : "NO")
                         : back.reason());

    timer.restart();
    const int again = decoded.refresh(libraries);
    out << QStringLiteral("brought up to date, nothing changed: %1 files read in %2 ms\n")
               .arg(again)
               .arg(seconds(timer) * 1000, 0, 'f', 1);

    // As the command line gets it: the cache file read, the libraries looked at.
    const QString cacheFile = QDir(temporary.path()).filePath(QStringLiteral("channel-index"));
    ChannelIndexUpdate update;
    ChannelIndex first;
    UpdateChannelIndex(first, libraries, cacheFile, update);
    timer.restart();
    ChannelIndex fromCache;
    UpdateChannelIndex(fromCache, libraries, cacheFile, update);
    out << QStringLiteral("from the cache file and up to date (as zelvar71-cli starts): %1 ms, %2 files read\n")
               .arg(seconds(timer) * 1000, 0, 'f', 1)
               .arg(update.read);

    ChannelNameTable roomy;
    roomy.LoadDefaultNames();
    ChannelNameTable full = roomy;
    for (int i = BuiltInNameCount; i < ChannelNameCount; ++i)
        full.setName(i, QStringLiteral("N%1").arg(i));
    const QVector<QStringList> charts{
        QStringList{"Dimmer", "Red", "Green", "Blue", "Strobe", "Mode", "Speed"},
        QStringList{"Pan", "Tilt", "P/T Spd", "Dimmer", "Shutter", "Color1", "Gobo1"},
        QStringList{"Red", "Green", "Blue"},
        QStringList{"Pan", "Pan Fine", "Tilt", "Tlt Fine", "P/T Spd", "Dimmer", "Shutter", "Color", "Gobo",
                    "Gobo Rot", "Prism", "Focus", "Zoom", "Frost", "Function", "Reset"},
    };
    for (const QStringList &chart : charts) {
        QStringList counts;
        for (int k = 0; k <= MaxChartDistance; ++k)
            counts << QString::number(index.find(chart, k, roomy).size());
        out << "chart \"" << chart.join(QStringLiteral(", ")) << "\": matches within 0, 1, 2, 3: "
            << counts.join(QStringLiteral(", ")) << "\n";
        for (int k : {0, 2, 3}) {
            const QByteArray what =
                QStringLiteral("  search, %1 channels, distance %2").arg(chart.size()).arg(k).toUtf8();
            measure(out, what.constData(), 20, [&] { index.find(chart, k, roomy); });
        }
        // A full table: the modes that lack names are named again, once per table (in an
        // index read afresh, which has named none yet).
        ChannelIndex fresh;
        ChannelIndex::decode(cache, fresh);
        timer.restart();
        const int matches = int(fresh.find(chart, 2, full).size());
        out << QStringLiteral("  search, %1 channels, distance 2, full table, first: %2 ms, %3 matches\n")
                   .arg(chart.size())
                   .arg(seconds(timer) * 1000, 0, 'f', 1)
                   .arg(matches);
        measure(out, "  the same again", 5, [&] { fresh.find(chart, 2, full); });
    }
    return 0;
}
