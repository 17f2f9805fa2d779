// Starts the main program as Zelvar71 does, for screenshots; with "--names" the channel-name
// editor is open too. Not installed.
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
    QApplication::setWindowIcon(programIcon());
    MainForm::Windows windows{
        [](WindowNavigator *n, Prompts &p) -> QWidget * { return new Kiron(n, p); },
        [](WindowNavigator *n, Prompts &p) -> QWidget * { return new Zelva71(n, p); },
        [](WindowNavigator *n, Prompts &p) -> QWidget * { return new EditChName(n, p); },
    };
    MainForm form(windows, appPrompts());
    form.StartUp();
    if (app.arguments().contains(QStringLiteral("--names")))
        form.showChannelNameEditor();
    return app.exec();
}
