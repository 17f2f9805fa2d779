// Shows the fixture editor window alone, for a look at its layout:
//   zelvar71-preview-zelva71 [PROFILE.zff]
// The channel names are the built-in ones, written to a scratch folder; a profile named
// on the command line is opened as "&Open Fixture" would open it.
#include "channames/channelnamefiles.h"
#include "common/programfolder.h"
#include "common/prompts.h"
#include "fixture/zelva71.h"

#include <QAction>
#include <QApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <utility>

namespace {

// On-screen prompts, except that the open dialog answers with the profile given.
class PreviewPrompts : public zelvar::QtPrompts
{
public:
    QString profile;

    QString openFile(QWidget *parent, const zelvar::FileDialogRequest &request) override
    {
        return profile.isEmpty() ? zelvar::QtPrompts::openFile(parent, request) : std::exchange(profile, QString());
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        QTextStream(stderr) << "no scratch folder for the channel names\n";
        return 1;
    }
    zelvar::ChannelNameTable names;
    names.LoadDefaultNames();
    zelvar::SaveChannelNames(folder.path(), names);
    zelvar::setProgramFolder(folder.path());

    PreviewPrompts prompts;
    auto *window = new zelvar::Zelva71(nullptr, prompts);
    window->show();
    if (argc > 1) {
        prompts.profile = QString::fromLocal8Bit(argv[1]);
        window->findChild<QAction *>(QStringLiteral("mnuOpenFixture"))->trigger();
    }
    return app.exec();
}
