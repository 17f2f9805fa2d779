// Measures a link transfer through the transfer dialog against the simulated Kiron link,
// paced at 38,400 bit/s 8N2 (11 bits a byte): the rate as a share of that line rate and
// the process's CPU time as a share of the wall-clock time.
//   bench_link [SEND_BYTES [RECEIVE_BYTES]]     defaults 1048576 and 65280 (255 reads of 256)
#include "common/prompts.h"
#include "usbtool/zelvar71savedialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>

using namespace zelvar;

namespace {

constexpr double LineBitRate = 38400;
constexpr double BitsPerByte = 11; // start bit, 8 data bits, 2 stop bits

class BenchPrompts : public Prompts
{
public:
    QString path;
    PromptAnswer message(QWidget *, const QString &text, const QString &, PromptButtons) override
    {
        QTextStream(stderr) << text << "\n";
        return PromptAnswer::Ok;
    }
    QString openFile(QWidget *, const FileDialogRequest &) override { return path; }
    QString saveFile(QWidget *, const FileDialogRequest &) override { return path; }
};

// User and system time of every thread of the process, the simulator's included.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QByteArray pattern(qint64 size)
{
    QByteArray bytes(size, '\0');
    quint32 x = 12345;
    for (qint64 i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = char(x >> 16);
    }
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void report(QTextStream &out, const QString &what, qint64 bytes, double seconds, double cpu, bool exact)
{
    const double lineSeconds = double(bytes) * BitsPerByte / LineBitRate;
    out << QStringLiteral("%1 %2 bytes: %3 s (line time %4 s), %5 % of the line rate, CPU %6 s = %7 %%8\n")
               .arg(what)
               .arg(bytes)
               .arg(seconds, 0, 'f', 2)
               .arg(lineSeconds, 0, 'f', 2)
               .arg(100.0 * lineSeconds / seconds, 0, 'f', 2)
               .arg(cpu, 0, 'f', 3)
               .arg(100.0 * cpu / seconds, 0, 'f', 2)
               .arg(exact ? QString() : QStringLiteral("  BYTES DIFFER"));
    out.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 sendBytes = args.value(1, QStringLiteral("1048576")).toLongLong();
    const qint64 receiveBytes = args.value(2, QStringLiteral("65280")).toLongLong();
    QTextStream out(stdout);

    QTemporaryDir dir;
    const QString toController = dir.filePath(QStringLiteral("to-controller.bin"));
    const QString fromController = dir.filePath(QStringLiteral("from-controller.bin"));
    qputenv("ZELVAR71_D2XX", ZELVAR71_D2XX_SIM);
    qputenv("ZELVAR71_SIM_DEVICES", "kzt_usb_dmx");
    qputenv("ZELVAR71_SIM_LINK_PACE", "1");
    qputenv("ZELVAR71_SIM_LINK_OUT", QFile::encodeName(toController));
    qputenv("ZELVAR71_SIM_LINK_IN", QFile::encodeName(fromController));

    BenchPrompts prompts;
    Zelvar71SaveDialog dialog(prompts);
    dialog.show();
    dialog.findChild<QPushButton *>(QStringLiteral("1025"))->click();
    LinkCommands &link = dialog.linkCommands();
    QEventLoop loop;
    QObject::connect(&link, &LinkCommands::transferFinished, &loop, &QEventLoop::quit);
    bool ok = true;

    if (sendBytes > 0) {
        const QByteArray content = pattern(sendBytes);
        prompts.path = dir.filePath(QStringLiteral("show.tzk"));
        if (!writeFile(prompts.path, content))
            return 1;
        QElapsedTimer wall;
        wall.start();
        const double cpu = cpuSeconds();
        dialog.findChild<QPushButton *>(QStringLiteral("1013"))->click();
        loop.exec();
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        const bool exact = readFile(toController) == content;
        ok = ok && exact;
        report(out, QStringLiteral("send   "), sendBytes, seconds, cpuSeconds() - cpu, exact);
    }

    if (receiveBytes > 0) {
        // The link hands out its bytes at the line rate from the moment it is opened;
        // each read of 256 bytes is one step of the bar (of 256: no wrap below 65,536 bytes).
        const QByteArray content = pattern(receiveBytes);
        if (!writeFile(fromController, content))
            return 1;
        prompts.path = dir.filePath(QStringLiteral("received.bin"));
        const qint64 reads = (receiveBytes + 255) / 256;
        auto *bar = dialog.findChild<QProgressBar *>(QStringLiteral("1005"));
        qint64 steps = 0;
        QElapsedTimer wall;
        double cpuAtLastByte = 0;
        double secondsAtLastByte = 0;
        QObject::connect(bar, &QProgressBar::valueChanged, &dialog, [&](int value) {
            if (value > 0 && ++steps == reads) {
                secondsAtLastByte = double(wall.nsecsElapsed()) / 1e9;
                cpuAtLastByte = cpuSeconds();
                dialog.findChild<QPushButton *>(QStringLiteral("1014"))->click();
            }
        });
        wall.start();
        const double cpu = cpuSeconds();
        dialog.findChild<QPushButton *>(QStringLiteral("1012"))->click();
        loop.exec();
        const bool exact = readFile(prompts.path) == content;
        ok = ok && exact;
        // A size that is not a multiple of 256 ends with a short read, which returns only
        // when its 500 ms timeout ends.
        report(out, QStringLiteral("receive"), receiveBytes, secondsAtLastByte, cpuAtLastByte - cpu, exact);
    }

    // An idle dialog with the link open, for comparison.
    QElapsedTimer idle;
    idle.start();
    const double cpu = cpuSeconds();
    QTimer::singleShot(3000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    out << QStringLiteral("idle dialog: CPU %1 % over %2 s\n")
               .arg(100.0 * (cpuSeconds() - cpu) / (double(idle.nsecsElapsed()) / 1e9), 0, 'f', 2)
               .arg(double(idle.nsecsElapsed()) / 1e9, 0, 'f', 1);
    dialog.deviceLibrary().CloseInterface();
    return ok ? 0 : 1;
}
