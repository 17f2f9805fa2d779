// Times the QLC+ import on the installed library (or the folder given): listing it as the
// import dialog does, converting every mode in memory, and converting it into files.
//   bench_qxfimport [FOLDER]
#include "qxfimport/qxflibrary.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
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
    const QVector<QxfLibraryEntry> listing = ScanQxfLibrary({folder}, &unreadable);
    out << QStringLiteral("listing (manufacturer and model of every definition): %1 definitions in %2 ms wall, "
                          "%3 ms CPU\n")
               .arg(listing.size())
               .arg(double(timer.nsecsElapsed()) / 1e6, 0, 'f', 1)
               .arg(cpuMs() - cpu, 0, 'f', 1);

    // Reading and converting alone, without writing files.
    timer.restart();
    cpu = cpuMs();
    int modes = 0;
    int fits = 0;
    for (const QxfLibraryEntry &entry : listing) {
        QxfDefinition definition;
        if (!ReadQxf(entry.path, definition))
            continue;
        for (int mode = 0; mode < definition.modes.size(); ++mode) {
            ++modes;
            ImportedFixture fixture;
            fits += ConvertQxfMode(definition, mode, fixture) ? 1 : 0;
        }
    }
    out << QStringLiteral("reading and converting every mode, nothing written: %1 modes (%2 fit) in %3 ms wall, "
                          "%4 ms CPU\n")
               .arg(modes)
               .arg(fits)
               .arg(double(timer.nsecsElapsed()) / 1e6, 0, 'f', 1)
               .arg(cpuMs() - cpu, 0, 'f', 1);

    QTemporaryDir target;
    QxfLibraryConversion conversion;
    timer.restart();
    cpu = cpuMs();
    if (Outcome done = ConvertQxfLibrary(folder, target.path(), conversion); !done) {
        out << "conversion failed: " << done.reason() << "\n";
        return 1;
    }
    const double wallMs = double(timer.nsecsElapsed()) / 1e6;
    out << QStringLiteral("whole-library conversion (read, convert, write every mode that fits): %1 ms wall, "
                          "%2 ms CPU, %3 ms per definition\n")
               .arg(wallMs, 0, 'f', 1)
               .arg(cpuMs() - cpu, 0, 'f', 1)
               .arg(conversion.definitions ? wallMs / conversion.definitions : 0.0, 0, 'f', 3);
    out << QxfLibrarySummary(conversion);
    out << "peak memory " << peakKiB() << " KiB\n";
    return 0;
}
