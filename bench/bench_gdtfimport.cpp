// Makes a folder of GDTF fixture types (description.xml of 3 to 30 KB each, deflated, no
// models) and runs `zelvar71-cli import --all` over it, printing the wall and CPU time and
// the peak memory of that run; then the listing the import dialog reads, in this process.
//   bench_gdtfimport [COUNT [FOLDER]]    (5,000 files; FOLDER keeps them and the output)
#include "gdtfbenchfiles.h"

#include "fixtureimport/importlibrary.h"
#include "gdtfimport/gdtfkind.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

using namespace zelvar;

namespace {

long childPeakKiB(const rusage &usage)
{
    return usage.ru_maxrss; // KiB on Linux
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
    const QString target = QDir(folder).filePath(QStringLiteral("out"));
    QDir(target).removeRecursively();
    if (!QDir().mkpath(library)) {
        out << "cannot make " << library << "\n";
        return 1;
    }

    if (!benchgdtf::writeFiles(library, count, out))
        return 1;
    QElapsedTimer timer;

    // zelvar71-cli import --all, as a user runs it, in a process of its own.
    const QByteArray cli = QFile::encodeName(QStringLiteral(ZELVAR71_CLI));
    const QByteArray libraryArg = QFile::encodeName(library);
    const QByteArray targetArg = QFile::encodeName(target);
    std::vector<char *> args{const_cast<char *>(cli.constData()), const_cast<char *>("import"),
                             const_cast<char *>("--all"),         const_cast<char *>(libraryArg.constData()),
                             const_cast<char *>("-o"),            const_cast<char *>(targetArg.constData()),
                             nullptr};
    timer.restart();
    const pid_t child = fork();
    if (child == 0) {
        execv(args.front(), args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) {
        out << "cannot run " << cli << "\n";
        return 1;
    }
    const double wall = double(timer.nsecsElapsed()) / 1e9;
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    out << QStringLiteral("zelvar71-cli import --all: exit %1, %2 s wall, %3 s CPU, peak memory %4 MB\n")
               .arg(WIFEXITED(status) ? WEXITSTATUS(status) : -1)
               .arg(wall, 0, 'f', 2)
               .arg(cpu, 0, 'f', 2)
               .arg(double(childPeakKiB(usage)) / 1024.0, 0, 'f', 1);
    const QStringList written = QDir(target).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    out << "  " << written.size() << " manufacturer folders in " << target << "\n";

    // The listing the import dialog reads on its worker thread.
    timer.restart();
    QStringList unreadable;
    const QVector<ImportListing> listing = ScanImportLibraries({{&GdtfImportKind(), {library}}}, &unreadable);
    out << QStringLiteral("listing (manufacturer and model of every file): %1 files in %2 ms, %3 unreadable\n")
               .arg(listing.size())
               .arg(timer.elapsed())
               .arg(unreadable.size());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
