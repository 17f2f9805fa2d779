// Zelvar71: the main program. Its start-up window is the fixture editor, which brings up the
// main window with the link window filling it first.
#include "channames/channelnamefiles.h"
#include "channames/editchname.h"
#include "common/programfolder.h"
#include "common/prompts.h"
#include "common/userfolders.h"
#include "common/windowpresence.h"
#include "downloadset/libraryfixtures.h"
#include "fixture/zelva71.h"
#include "seriallink/kiron.h"
#include "shell/appicon.h"
#include "shell/mainform.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

using namespace zelvar;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setProgramIdentity();
    QGuiApplication::setDesktopFileName(QStringLiteral(ZELVAR71_APP_ID));
    QApplication::setWindowIcon(programIcon());

    // One copy for the user's data folder: a second one brings the first to the front and
    // ends before it reads or writes anything.
    SingleInstance instance(QStringLiteral("Zelvar71"), userDataFolder());
    if (!instance.claim()) {
        std::fprintf(stderr, "Zelvar71 is already running for %s; its window is brought to the front.\n",
                     qPrintable(QDir::toNativeSeparators(userDataFolder())));
        return 0;
    }

    // Before any window reads them: the channel-name files of a first start, and library
    // profiles that have gone from the programs' folder. Both go to the user's data folder
    // when the programs' folder is not the user's to write; a folder that cannot be written
    // keeps what it has, and the reason goes to the terminal.
    for (const Outcome &prepared :
         {PrepareChannelNameFiles(), RestoreMissingLibraryFixtures(programFolder(), userFileFolder())}) {
        if (!prepared)
            qWarning("%s", qPrintable(prepared.reason()));
    }

    // The link window's size and selection outlive its closing, as long as the program runs.
    KironMemory linkWindowMemory;
    MainForm::Windows windows{
        [&linkWindowMemory](WindowNavigator *navigator, Prompts &prompts) -> QWidget * {
            return new Kiron(navigator, prompts, &linkWindowMemory);
        },
        [](WindowNavigator *navigator, Prompts &prompts) -> QWidget * { return new Zelva71(navigator, prompts); },
        [](WindowNavigator *navigator, Prompts &prompts) -> QWidget * { return new EditChName(navigator, prompts); },
    };
    MainForm form(windows, appPrompts());
    QObject::connect(&instance, &SingleInstance::frontRequested, &form, &MainForm::bringToFront);
    form.StartUp();
    return app.exec();
}
