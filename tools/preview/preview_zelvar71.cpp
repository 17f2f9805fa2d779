// Starts the main program as Zelvar71 does, for screenshots; with "--names" the channel-name
// editor is open too; with "--open PROFILE" the fixture editor opens that profile, and with
// "--chooser" as well its name chooser drops down over the first channel's name. Not
// installed.
#include "channames/channelnamefiles.h"
#include "channames/editchname.h"
#include "common/programfolder.h"
#include "common/prompts.h"
#include "common/userfolders.h"
#include "downloadset/libraryfixtures.h"
#include "fixture/zelva71.h"
#include "seriallink/kiron.h"
#include "shell/appicon.h"
#include "shell/mainform.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QTableWidget>
#include <QTimer>

#include <utility>

using namespace zelvar;

namespace {

// The open dialog answers with the profile named on the command line, once.
class PreviewPrompts : public QtPrompts
{
public:
    QString profile;
    QString openFile(QWidget *parent, const FileDialogRequest &request) override
    {
        return profile.isEmpty() ? QtPrompts::openFile(parent, request) : std::exchange(profile, QString());
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(programIcon());
    const QStringList args = app.arguments();
    setProgramIdentity();
    PrepareChannelNameFiles();
    RestoreMissingLibraryFixtures(programFolder(), userFileFolder());

    PreviewPrompts prompts;
    MainForm::Windows windows{
        [](WindowNavigator *n, Prompts &p) -> QWidget * { return new Kiron(n, p); },
        [](WindowNavigator *n, Prompts &p) -> QWidget * { return new Zelva71(n, p); },
        [](WindowNavigator *n, Prompts &p) -> QWidget * { return new EditChName(n, p); },
    };
    MainForm form(windows, prompts);
    form.StartUp();
    if (args.contains(QStringLiteral("--names")))
        form.showChannelNameEditor();
    const qsizetype open = args.indexOf(QStringLiteral("--open"));
    if (open > 0 && open + 1 < args.size()) {
        QWidget *editor = form.fixtureEditor();
        prompts.profile = args.at(open + 1);
        editor->findChild<QAction *>(QStringLiteral("mnuOpenFixture"))->trigger();
        if (args.contains(QStringLiteral("--chooser"))) {
            QTimer::singleShot(500, editor, [editor] {
                auto *grid = editor->findChild<QTableWidget *>(QStringLiteral("MSFlexGrid1"));
                grid->setCurrentCell(0, 1);
                emit grid->cellClicked(0, 1);
                editor->findChild<QComboBox *>(QStringLiteral("Combo10"))->showPopup();
            });
        }
    }
    return app.exec();
}
