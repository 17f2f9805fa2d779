// Zelvar71: the main program. Its start-up window is the fixture editor, which brings up the
// main window with the link window filling it first.
#include "channames/editchname.h"
#include "common/prompts.h"
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

    MainForm::Windows windows{
        [](WindowNavigator *navigator, Prompts &prompts) -> QWidget * { return new Kiron(navigator, prompts); },
        [](WindowNavigator *navigator, Prompts &prompts) -> QWidget * { return new Zelva71(navigator, prompts); },
        [](WindowNavigator *navigator, Prompts &prompts) -> QWidget * { return new EditChName(navigator, prompts); },
    };
    MainForm form(windows, appPrompts());
    form.StartUp();
    return app.exec();
}
