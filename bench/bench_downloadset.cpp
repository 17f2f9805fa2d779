// Measures the download-set composition at its limit: 255 fixtures of 16 channels with
// 50 steps each, composed from their files and written, then read back, summarised and
// taken apart into profiles again, with the times and peak memory.
#include "common/filestore.h"
#include "downloadset/downloadsetextract.h"
#include "downloadset/downloadsetfile.h"
#include "downloadset/downloadsetreader.h"
#include "downloadset/downloadsetsummary.h"
#include "fixture/zfffile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

using namespace zelvar;

namespace {

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // KiB on Linux
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;

    QStringList paths;
    for (int k = 0; k < MaxFixturesInSet; ++k) {
        FixtureProfile p;
        ResetProfileValues(p, MaxChannels, QStringLiteral("Bench %1").arg(k));
        for (int c = 0; c < MaxChannels; ++c) {
            p.channels[size_t(c)].nameId = quint8(c);
            p.channels[size_t(c)].stepCount = StepsPerChannel;
            for (int s = 0; s < StepsPerChannel; ++s) {
                StepRecord &step = p.steps[size_t(FixtureProfile::slotOf(c + 1, s + 1))];
                step.name.assign(QStringLiteral("S%1").arg(s));
                step.fromDmx = quint8(s * 5);
                step.toDmx = quint8(s * 5 + 4);
                step.stepDmx = quint8(s * 5 + 2);
            }
        }
        PrepareForSave(p);
        paths << dir.filePath(QStringLiteral("fixture%1.zff").arg(k));
        if (Outcome written = WriteProfile(p, paths.last()); !written) {
            out << "cannot write the profiles: " << written.reason() << "\n";
            return 1;
        }
    }
    const QString names = dir.filePath(QStringLiteral("ChNameDown.fix"));
    replaceFile(names, QByteArray(2048, 'N'));
    const long before = peakKiB();

    const int rounds = 20;
    ComposedSet set;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i) {
        if (Outcome composed = ComposeDownloadSet(paths, names, set); !composed) {
            out << "compose failed: " << composed.reason() << "\n";
            return 1;
        }
    }
    const double composeMs = double(timer.nsecsElapsed()) / 1e6 / rounds;

    const QString target = dir.filePath(QStringLiteral("bench.tzk"));
    timer.restart();
    for (int i = 0; i < rounds; ++i)
        replaceFile(target, set.image);
    const double writeMs = double(timer.nsecsElapsed()) / 1e6 / rounds;

    out << "set of " << paths.size() << " fixtures, 16 channels x 50 steps each: " << set.image.size()
        << " bytes\n";
    out << QStringLiteral("compose (read 255 profiles and build the image) %1 ms per run (%2 runs)\n")
               .arg(composeMs, 0, 'f', 2)
               .arg(rounds);
    out << QStringLiteral("write the image beside the target and rename   %1 ms per run (%2 runs)\n")
               .arg(writeMs, 0, 'f', 2)
               .arg(rounds);

    DownloadSet readBack;
    timer.restart();
    for (int i = 0; i < rounds; ++i) {
        if (Outcome read = ReadDownloadSet(target, readBack); !read) {
            out << "read back failed: " << read.reason() << "\n";
            return 1;
        }
    }
    const double readMs = double(timer.nsecsElapsed()) / 1e6 / rounds;
    timer.restart();
    qsizetype summaryLength = 0;
    for (int i = 0; i < rounds; ++i)
        summaryLength += DownloadSetSummary(readBack).size();
    const double summaryMs = double(timer.nsecsElapsed()) / 1e6 / rounds;
    QStringList written;
    QStringList notes;
    timer.restart();
    for (int i = 0; i < rounds; ++i) {
        if (Outcome extracted = ExtractDownloadSet(readBack, dir.filePath(QStringLiteral("out")), written, notes);
            !extracted) {
            out << "extract failed: " << extracted.reason() << "\n";
            return 1;
        }
    }
    const double extractMs = double(timer.nsecsElapsed()) / 1e6 / rounds;
    const auto line = [&out](const QString &what, double ms) {
        out << what.leftJustified(47) << QStringLiteral("%1 ms per run\n").arg(ms, 0, 'f', 2);
    };
    line(QStringLiteral("read the set back and check it"), readMs);
    line(QStringLiteral("its summary (%1 characters)").arg(summaryLength / rounds), summaryMs);
    line(QStringLiteral("extract %1 files (profiles and name files)").arg(written.size()), extractMs);
    out << "peak memory: " << peakKiB() << " KiB (" << before << " KiB before composing)\n";
    return 0;
}
