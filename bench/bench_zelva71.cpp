// Measures how long the fixture editor window takes for its heaviest user actions, on
// the offscreen platform: creating and loading the window, opening a largest profile
// (16 channels of 50 steps), showing each channel's 50 steps, and saving.
#include "channames/channelnamefiles.h"
#include "common/programfolder.h"
#include "common/prompts.h"
#include "fixture/zelva71.h"
#include "fixture/zfffile.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>


#include "benchsupport.h"

using namespace zelvar;

namespace {

// Answers every file dialog with one path and every question with OK.
class FixedPrompts : public Prompts
{
public:
    QString path;
    PromptAnswer message(QWidget *, const QString &, const QString &, PromptButtons) override { return PromptAnswer::Ok; }
    QString openFile(QWidget *, const FileDialogRequest &) override { return path; }
    QString saveFile(QWidget *, const FileDialogRequest &) override { return path; }
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    ChannelNameTable names;
    names.LoadDefaultNames();
    SaveChannelNames(dir.path(), names);
    setProgramFolder(dir.path());

    FixtureProfile full;
    ResetProfileValues(full, MaxChannels, QStringLiteral("Bench Fixture"));
    for (int k = 0; k < MaxChannels; ++k) {
        full.channels[size_t(k)] = ChannelEntry{quint8(k), 1, quint8(StepsPerChannel)};
        for (int s = 0; s < StepsPerChannel; ++s)
            full.steps[size_t(k * StepsPerChannel + s)].name.assign(QStringLiteral("St%1").arg(s));
    }
    const QString largest = dir.filePath(QStringLiteral("largest.zff"));
    WriteProfile(full, largest);

    FixedPrompts prompts;
    measure(out, "create and load the window", 50, [&] { delete new Zelva71(nullptr, prompts); });

    Zelva71 window(nullptr, prompts);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    QCoreApplication::processEvents();
    auto *open = window.findChild<QAction *>(QStringLiteral("mnuOpenFixture"));
    auto *save = window.findChild<QAction *>(QStringLiteral("mnuSaveFixture"));
    auto *newFixture = window.findChild<QAction *>(QStringLiteral("mnuNewFixture"));
    auto *selector = window.findChild<QComboBox *>(QStringLiteral("Combo9"));

    prompts.path = largest;
    measure(out, "open a largest profile over 8 channels", 50, [&] {
        newFixture->trigger();
        open->trigger();
    });
    measure(out, "show the 50 steps of a channel", 800, [&] {
        static int channel = 0;
        channel = (channel + 1) % MaxChannels;
        selector->setCurrentIndex(channel);
    });
    auto *steps = window.findChild<QTableWidget *>(QStringLiteral("MSFlexGrid2"));
    out << "after the runs: " << window.profile().setup.channelCount << " channels, " << steps->rowCount()
        << " step rows shown\n";
    prompts.path = dir.filePath(QStringLiteral("saved.zff"));
    measure(out, "save a largest profile", 200, [&] { save->trigger(); });
    out << "saved: " << QFileInfo(prompts.path).size() << " bytes\n";
    return 0;
}
