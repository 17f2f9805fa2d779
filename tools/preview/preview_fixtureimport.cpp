// Shows the fixture import dialog alone, for a look at its layout:
//   zelvar71-preview-fixtureimport [SEARCH [MODE]]
// The installed QLC+ library (or the folders of ZELVAR71_QLCPLUS_FIXTURES) and the GDTF
// folders are listed; SEARCH goes into the search box, the first fixture it finds is
// chosen, and then the mode named MODE, or the first that fits.
#include "channames/channelnamefiles.h"
#include "common/prompts.h"
#include "common/userfolders.h"
#include "fixtureimport/fixtureimportdialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QTreeWidget>

namespace {

QTreeWidgetItem *firstShownModel(QTreeWidget *tree)
{
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *maker = tree->topLevelItem(i);
        for (int j = 0; !maker->isHidden() && j < maker->childCount(); ++j) {
            if (!maker->child(j)->isHidden())
                return maker->child(j);
        }
    }
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    zelvar::setProgramIdentity();
    const QStringList args = app.arguments().mid(1);
    zelvar::QtPrompts prompts;
    zelvar::FixtureImportDialog dialog(prompts, zelvar::FixtureImportDialog::defaultLibraries(),
                                       zelvar::channelNameFolder());
    QObject::connect(&dialog, &zelvar::FixtureImportDialog::listingDone, &dialog, [&] {
        if (args.isEmpty())
            return;
        dialog.findChild<QLineEdit *>(QStringLiteral("searchBox"))->setText(args.at(0));
        auto *tree = dialog.findChild<QTreeWidget *>(QStringLiteral("fixtureTree"));
        if (QTreeWidgetItem *model = firstShownModel(tree))
            tree->setCurrentItem(model);
        if (args.size() < 2)
            return;
        auto *modes = dialog.findChild<QTreeWidget *>(QStringLiteral("modeList"));
        const QList<QTreeWidgetItem *> found = modes->findItems(args.at(1), Qt::MatchExactly, 0);
        if (!found.isEmpty())
            modes->setCurrentItem(found.constFirst());
    });
    dialog.show();
    return app.exec();
}
