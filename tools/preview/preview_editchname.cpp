// Shows the channel-name editor alone, for looking at it and taking screenshots.
//   zelvar71-preview-editchname [FOLDER]   the name files in FOLDER (a fresh temporary
//                                          folder when none is given)
#include "channames/editchname.h"
#include "common/navigation.h"
#include "common/programfolder.h"
#include "common/prompts.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// Alone, the other windows do not exist: the "&Windows" menu says what it would do.
class PreviewNavigator : public zelvar::WindowNavigator
{
public:
    void showLinkWindow() override { QTextStream(stdout) << "show the link window\n"; }
    void showFixtureEditor() override { QTextStream(stdout) << "show the fixture editor\n"; }
    void showChannelNameEditor() override {}
    void endProgram() override { QApplication::quit(); }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    const QStringList args = app.arguments();
    zelvar::setProgramFolder(args.size() > 1 ? args.at(1) : scratch.path());

    PreviewNavigator navigator;
    auto *window = new zelvar::EditChName(&navigator, zelvar::appPrompts());
    window->show();
    return app.exec();
}
