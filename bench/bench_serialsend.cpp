// Measures a send of a download set (86,529 bytes) over a line that carries 38,400 bit/s with
// 11 bits a byte (3,490.9 bytes a second) and reports its queue as a USB serial driver does:
// the rate achieved as a share of the line rate, and this process's CPU time as a share of
// the wall time. Once through the send loop alone (as zelvar71-cli runs it) and once through
// the link window (offscreen). The line's far end runs in child processes, so its work is
// not counted. Targets: rate at least 97 %, CPU at most 3 %.
#include "common/prompts.h"
#include "seriallink/downloadcomm.h"
#include "seriallink/filesender.h"
#include "seriallink/kiron.h"
#include "seriallink/pacedline.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <ctime>

using namespace zelvar;

namespace {

constexpr int DownloadSetBytes = 86529;

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Answers the window's open dialog with the file to send; any message is printed.
class BenchPrompts : public Prompts
{
public:
    QString file;
    PromptAnswer message(QWidget *, const QString &text, const QString &title, PromptButtons) override
    {
        QTextStream(stderr) << "message box \"" << title << "\": " << text << "\n";
        return PromptAnswer::Ok;
    }
    QString openFile(QWidget *, const FileDialogRequest &) override { return file; }
    QString saveFile(QWidget *, const FileDialogRequest &) override { return QString(); }
};

struct Measure
{
    QElapsedTimer wall;
    double cpuStart = 0;
    void start()
    {
        cpuStart = processCpuSeconds();
        wall.start();
    }
    void report(QTextStream &out, const char *what, const PacedLine &line, const QByteArray &content) const
    {
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        const double cpu = processCpuSeconds() - cpuStart;
        const double rate = double(content.size()) / seconds;
        const bool exact = line.carried() == content.size() && line.carriedHash() == PacedLine::hashOf(content);
        out << what << "\n"
            << QStringLiteral("  %1 bytes in %2 s: %3 bytes/s = %4 % of the line rate (target >= 97 %)\n")
                   .arg(content.size())
                   .arg(seconds, 0, 'f', 3)
                   .arg(rate, 0, 'f', 1)
                   .arg(100.0 * rate / PacedLine::LinkBytesPerSecond, 0, 'f', 2)
            << QStringLiteral("  CPU %1 s = %2 % of the wall time (target <= 3 %)\n")
                   .arg(cpu, 0, 'f', 3)
                   .arg(100.0 * cpu / seconds, 0, 'f', 2)
            << "  bytes at the far end: " << (exact ? "identical to the file" : "DIFFERENT") << "\n";
        out.flush();
    }
};

} // namespace

int main(int argc, char *argv[])
{
    // The far ends start before any thread of this process does.
    PacedLine loopLine, windowLine;
    if (!loopLine.create() || !windowLine.create() || !loopLine.startProcess() || !windowLine.startProcess()) {
        QTextStream(stderr) << "bench_serialsend: no pseudo-terminal\n";
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);

    QTemporaryDir dir;
    QByteArray content("ZELVAR71");
    while (content.size() < DownloadSetBytes)
        content.append(char(QRandomGenerator::global()->bounded(256)));
    const QString file = dir.filePath(QStringLiteral("Show.tzk"));
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        return 1;
    f.close();

    out << QStringLiteral("line: 38400 bit/s, 11 bits a byte = %1 bytes/s; file: %2 bytes; ideal time %3 s\n")
               .arg(PacedLine::LinkBytesPerSecond, 0, 'f', 1)
               .arg(content.size())
               .arg(content.size() / PacedLine::LinkBytesPerSecond, 0, 'f', 3);
    out.flush();

    {
        DownLoadComm port;
        port.setDevicePath(loopLine.devicePath());
        port.setSettings(QStringLiteral("38400,N,8,2"));
        if (!port.setPortOpen(true))
            return 1;
        port.setLineQueueSource(loopLine.queueSource());
        FileSender sender;
        if (!sender.open(file))
            return 1;
        Measure m;
        m.start();
        const FileSender::Result result = sender.run(port);
        m.report(out, "send loop (zelvar71-cli send):", loopLine, content);
        if (result.end != FileSender::End::Completed)
            return 1;
    }
    {
        qputenv("ZELVAR71_PORTS", QStringLiteral("3=%1").arg(windowLine.devicePath()).toLocal8Bit());
        BenchPrompts prompts;
        prompts.file = file;
        Kiron window(nullptr, prompts);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.show();
        window.port().setLineQueueSource(windowLine.queueSource());
        Measure m;
        m.start();
        window.Command1_Click();
        m.report(out, "link window (Send File, offscreen):", windowLine, content);
    }
    loopLine.stop();
    windowLine.stop();
    return 0;
}
