// Measures the stick's file copies against the device simulator: wall-clock and CPU time of
// writing a file to the stick and reading it back, to show that waiting costs no CPU.
#include "usbtool/devicelibrary.h"
#include "usbtool/stickcommands.h"
#include "usbtool/stickpanel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <ctime>
#include <functional>

using namespace zelvar;

namespace {

class QuietPanel : public StickPanel
{
public:
    QString selected;
    QString path;
    void SetStickButtons(bool) override {}
    void clearFileList() override {}
    void addFileListItem(const QString &) override {}
    std::optional<QString> selectedFileListItem() const override { return selected; }
    bool confirm(const QString &) override { return true; }
    bool confirmReplace(const QString &) override { return true; }
    void showPath(const QString &) override {}
    void setProgressRange(int) override {}
    void setProgressPosition(int) override {}
    void setProgressStep(int) override {}
    void stepProgress() override {}
    QString chooseFile(FileChoice, const QString &, const QString &) override { return path; }
    void showMessage(const QString &text) override { QTextStream(stderr) << text << "\n"; }
};

void measure(QTextStream &out, const QString &what, const std::function<bool()> &body)
{
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpu = std::clock();
    const bool ok = body();
    const double cpuMs = double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC;
    out << QStringLiteral("%1 %2 ms wall, %3 ms CPU%4\n")
               .arg(what, -36)
               .arg(timer.elapsed(), 6)
               .arg(cpuMs, 8, 'f', 1)
               .arg(ok ? QString() : QStringLiteral("  FAILED"));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("stick")));
    qputenv("ZELVAR71_D2XX", ZELVAR71_D2XX_SIM);
    qputenv("ZELVAR71_SIM_DEVICES", "kzt_dmx20");
    qputenv("ZELVAR71_SIM_STICK_DIR", QFile::encodeName(dir.filePath(QStringLiteral("stick"))));

    DeviceLibrary device;
    QuietPanel panel;
    for (const QString &message : device.BindDeviceLibrary())
        panel.showMessage(message);
    StickCommands commands(device, panel);

    for (int size : {100000, 1000000}) {
        QByteArray content(size, '\0');
        for (int i = 0; i < size; ++i)
            content[i] = char(i * 31 + i / 256);
        panel.path = dir.filePath(QStringLiteral("BENCH.BIN"));
        QFile f(panel.path);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != size)
            return 1;
        f.close();
        // Both include the interface's waits: 500 ms before the listing after a write, and
        // one 500 ms read timeout at the end of a copy that is not a multiple of 256.
        measure(out, QStringLiteral("write %1 bytes to the stick").arg(size), [&] { return commands.writeFile().ok(); });
        panel.selected = QStringLiteral("BENCH.BIN");
        panel.path = dir.filePath(QStringLiteral("back.bin"));
        measure(out, QStringLiteral("read %1 bytes from the stick").arg(size), [&] { return commands.readFile().ok(); });
        QFile back(panel.path);
        if (!back.open(QIODevice::ReadOnly) || back.readAll() != content) {
            out << "copy differs\n";
            return 1;
        }
    }
    panel.report(device.CloseInterface());
    return 0;
}
