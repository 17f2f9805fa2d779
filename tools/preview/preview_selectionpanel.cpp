// Shows the "Select Fixture" panel alone, at its place in a window of the link window's
// inner size, for screenshots:  zelvar71-preview-selectionpanel [FOLDER [FILE]]
// FOLDER is where the browser starts; FILE is chosen in the file list and added.
#include "common/prompts.h"
#include "common/sharedfiledialog.h"
#include "common/twips.h"
#include "downloadset/filelist.h"
#include "downloadset/fixtureselectionpanel.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (!args.isEmpty())
        QDir::setCurrent(args.at(0));

    QWidget window;
    window.setWindowTitle(QStringLiteral("Kiron  Ver 1.09"));
    window.setFixedSize(zelvar::twips(11880), zelvar::twips(8640));
    window.setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));

    zelvar::SharedFileDialog dialog(zelvar::appPrompts());
    auto *panel = new zelvar::FixtureSelectionPanel(dialog, zelvar::appPrompts(), &window);
    panel->setGeometry(zelvar::twipsRect(120, 120, 10935, 8415));
    panel->Initialise();
    if (args.size() > 1) {
        auto *files = panel->findChild<zelvar::FileList *>(QStringLiteral("File1"));
        if (files->setFileName(args.at(1)))
            panel->AddFixtureFile();
    }

    window.move(0, 0);
    window.show();
    return app.exec();
}
