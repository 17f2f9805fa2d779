// Shows the fixture import dialog alone, for a look at its layout:
//   zelvar71-preview-fixtureimport [SEARCH [MODE]]
//   zelvar71-preview-fixtureimport --find CHART [MATCH]
// The installed QLC+ library (or the folders of ZELVAR71_QLCPLUS_FIXTURES) and the GDTF
// folders are listed; SEARCH goes into the search box, the first fixture it finds is
// chosen, and then the mode named MODE, or the first that fits. With --find, "Find by
// channels" shows the matches of CHART ("Dimmer, Red, ..."), also given as the editor's
// channels, and chooses match number MATCH (1 for the first, the default).
#include "channames/channelnamefiles.h"
#include "common/prompts.h"
#include "common/userfolders.h"
#include "fixtureimport/fixtureimportdialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>

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
    if (args.value(0) == QLatin1String("--find") && args.size() > 1) {
        QStringList editorChannels;
        for (const QString &name : args.at(1).split(QLatin1Char(',')))
            editorChannels << name.trimmed();
        dialog.setEditorChannels(editorChannels);
        QObject::connect(&dialog, &zelvar::FixtureImportDialog::indexReady, &dialog, [&] {
            dialog.findChild<QLineEdit *>(QStringLiteral("chartBox"))->deselect();
            auto *matches = dialog.findChild<QTreeWidget *>(QStringLiteral("matchList"));
            int wanted = args.value(2, QStringLiteral("1")).toInt();
            for (int i = 0; i < matches->topLevelItemCount(); ++i) {
                QTreeWidgetItem *group = matches->topLevelItem(i);
                if (wanted <= group->childCount()) {
                    matches->setCurrentItem(group->child(std::max(wanted, 1) - 1));
                    return;
                }
                wanted -= group->childCount();
            }
        });
        dialog.findChild<QTabWidget *>(QStringLiteral("sourceTabs"))->setCurrentIndex(1);
        dialog.findChild<QLineEdit *>(QStringLiteral("chartBox"))->setText(args.at(1));
    }
    QObject::connect(&dialog, &zelvar::FixtureImportDialog::listingDone, &dialog, [&] {
        if (args.isEmpty() || args.at(0) == QLatin1String("--find"))
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
