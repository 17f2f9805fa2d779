// Zelvar71: the main program. Its start-up window is the fixture editor, which brings up the
// main window with the link window filling it first.
#include "channames/channelnamefiles.h"
#include "channames/editchname.h"
#include "common/programfolder.h"
#include "common/prompts.h"
#include "downloadset/libraryfixtures.h"
#include "fixture/zelva71.h"
#include "seriallink/kiron.h"
#include "shell/appicon.h"
#include "shell/mainform.h"

#include <QApplication>

using namespace zelvar;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelvar71"));
    QApplication::setWindowIcon(programIcon());

    // Before any window reads them: the channel-name files of a first start, and library
    // profiles that have gone from the programs' folder. A folder the program cannot write
    // keeps what it has; the reason goes to the terminal.
    const QString folder = programFolder();
    for (const Outcome &prepared : {CreateMissingChannelNameFiles(folder), RestoreMissingLibraryFixtures(folder)}) {
        if (!prepared)
            qWarning("%s", qPrintable(prepared.reason()));
    }

    MainForm::Windows windows{
        [](WindowNavigator *navigator, Prompts &prompts) -> QWidget * { return new Kiron(navigator, prompts); },
        [](WindowNavigator *navigator, Prompts &prompts) -> QWidget * { return new Zelva71(navigator, prompts); },
        [](WindowNavigator *navigator, Prompts &prompts) -> QWidget * { return new EditChName(navigator, prompts); },
    };
    MainForm form(windows, appPrompts());
    form.StartUp();
    return app.exec();
}
