// "&Import Fixture..." in the fixture editor, driven as a user drives it: the QLC+ library
// and the GDTF folders listed together with one search, the modes with the ones a profile
// cannot hold greyed, the preview with the names it adds to the channel-name table, the
// editor filled as Open fills it, unsaved until the user saves, and the name files written
// with its new choices; "Find by channels" typed with completion or taken from the editor.
#include "gdtfsamples.h"
#include "qxfsamples.h"
#include "zelva71driver.h"

#include "channames/channelnamestore.h"
#include "common/navigation.h"
#include "common/userfolders.h"
#include "fixtureimport/fixtureimportdialog.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QAbstractItemView>
#include <QCompleter>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

using namespace zelvar;
using namespace zelva71test;

namespace {

QByteArray builtInNames()
{
    ChannelNameTable table;
    table.LoadDefaultNames();
    return EncodeChannelNameSet(table);
}

QStringList texts(const QTreeWidgetItem *item, int columns)
{
    QStringList t;
    for (int c = 0; c < columns; ++c)
        t << item->text(c);
    return t;
}

// The texts of the shown models, "Manufacturer/Model (Kind)".
QStringList shownModels(const QTreeWidget *tree)
{
    QStringList shown;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *maker = tree->topLevelItem(i);
        for (int j = 0; !maker->isHidden() && j < maker->childCount(); ++j) {
            const QTreeWidgetItem *model = maker->child(j);
            if (!model->isHidden())
                shown << QStringLiteral("%1/%2 (%3)").arg(maker->text(0), model->text(0), model->text(1));
        }
    }
    return shown;
}

void clickItem(QTreeWidget *tree, QTreeWidgetItem *item)
{
    tree->scrollToItem(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
}

const QString NoLibrary = QStringLiteral("/nonexistent/qlcplus/fixtures");

} // namespace

class TestFixtureImportDialog : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_library;
    QString m_gdtf;

    // Ctrl+I in the editor and the dialog it opens, once its listing is shown.
    static FixtureImportDialog *openImport(Editor &e)
    {
        e.shortcut(Qt::Key_I);
        auto *dialog = e.window->findChild<FixtureImportDialog *>();
        if (!dialog)
            qFatal("no import dialog");
        QSignalSpy listed(dialog, &FixtureImportDialog::listingDone);
        if (!dialog->libraryListed() && !listed.wait(30000))
            qFatal("the library was not listed");
        return dialog;
    }
    template <class T>
    static T *part(FixtureImportDialog *dialog, const char *name)
    {
        T *found = dialog->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no %s in the dialog", name);
        return found;
    }
    // Searches for `text` and clicks the first model found.
    static void chooseFixture(FixtureImportDialog *dialog, const QString &text)
    {
        QLineEdit *search = part<QLineEdit>(dialog, "searchBox");
        search->selectAll();
        QTest::keyClicks(search, text);
        auto *tree = part<QTreeWidget>(dialog, "fixtureTree");
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            QTreeWidgetItem *maker = tree->topLevelItem(i);
            for (int j = 0; !maker->isHidden() && j < maker->childCount(); ++j) {
                if (!maker->child(j)->isHidden()) {
                    clickItem(tree, maker->child(j));
                    return;
                }
            }
        }
        qFatal("nothing found for %s", qPrintable(text));
    }
    static void click(FixtureImportDialog *dialog, const char *button)
    {
        QTest::mouseClick(part<QPushButton>(dialog, button), Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_library = m_dir.filePath(QStringLiteral("library"));
        QVERIFY(QDir().mkpath(m_library + QStringLiteral("/Acme")));
        QVERIFY(QDir().mkpath(m_library + QStringLiteral("/Beta")));
        QVERIFY(testsupport::writeAll(m_library + QStringLiteral("/Acme/Acme-Spot-300.qxf"), qxfsamples::movingHead()));
        QVERIFY(testsupport::writeAll(m_library + QStringLiteral("/Acme/Acme-Dimmer.qxf"), qxfsamples::dimmer()));
        QVERIFY(testsupport::writeAll(m_library + QStringLiteral("/Acme/Acme-No-Mode.qxf"),
                                      qxfsamples::withoutModes()));
        QVERIFY(testsupport::writeAll(m_library + QStringLiteral("/Beta/Beta-LED-Bar.qxf"), qxfsamples::rgbBar()));
        QVERIFY(testsupport::writeAll(m_library + QStringLiteral("/Beta/broken.qxf"), qxfsamples::broken()));
        QVERIFY(testsupport::writeAll(m_dir.filePath(QStringLiteral("scanner.qxf")), qxfsamples::scanner()));
        QVERIFY(testsupport::writeAll(m_dir.filePath(QStringLiteral("broken.qxf")), qxfsamples::broken()));
        m_gdtf = m_dir.filePath(QStringLiteral("gdtf"));
        QVERIFY(QDir().mkpath(m_gdtf));
        QVERIFY(testsupport::writeAll(m_gdtf + QStringLiteral("/Acme@Spot_300.gdtf"),
                                      gdtfsamples::gdtf(gdtfsamples::spotDescription())));
        QVERIFY(testsupport::writeAll(m_gdtf + QStringLiteral("/Beta@Par_18.gdtf"),
                                      gdtfsamples::gdtf(gdtfsamples::par10Description())));
        QVERIFY(testsupport::writeAll(m_gdtf + QStringLiteral("/not-a-zip.gdtf"), gdtfsamples::par10Description()));
    }
    void init()
    {
        qputenv("ZELVAR71_QLCPLUS_FIXTURES", m_library.toLocal8Bit());
        qputenv("ZELVAR71_GDTF_FIXTURES", m_gdtf.toLocal8Bit());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("cache"))));
    }
    void cleanupTestCase()
    {
        qunsetenv("ZELVAR71_QLCPLUS_FIXTURES");
        qunsetenv("ZELVAR71_GDTF_FIXTURES");
        qunsetenv("XDG_CACHE_HOME");
    }

    void listsAndSearches()
    {
        Editor e(builtInNames());
        FixtureImportDialog *dialog = openImport(e);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Import Fixture"));
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        // The user's GDTF folder is made on first use and named with the others.
        const QString userGdtf = e.path(QStringLiteral("data/tst_fixtureimportdialog/gdtf"));
        QVERIFY(QFileInfo(userGdtf).isDir());
        QCOMPARE(part<QLabel>(dialog, "libraryLabel")->text(),
                 QStringLiteral("5 QLC+ fixtures in %1\n2 GDTF fixtures in %2, %3\n1 file could not be read\n"
                                "Any .qxf or .gdtf file opens with Other File...")
                     .arg(QDir::toNativeSeparators(m_library), QDir::toNativeSeparators(userGdtf),
                          QDir::toNativeSeparators(m_gdtf)));
        auto *tree = part<QTreeWidget>(dialog, "fixtureTree");
        // The broken .qxf names its model before it breaks; its manufacturer is missing.
        // The .gdtf that is no zip archive is not listed.
        QCOMPARE(shownModels(tree),
                 (QStringList{"(no manufacturer)/Broken (QLC+)", "Acme/Dimmer Pack (QLC+)", "Acme/No Mode (QLC+)",
                              "Acme/Spot 300 (GDTF)", "Acme/Spot 300 Profile Deluxe (QLC+)", "Beta/LED Bar 2 (QLC+)",
                              "Beta Lighting/Par_18 (GDTF)"}));
        QTest::keyClicks(part<QLineEdit>(dialog, "searchBox"), QStringLiteral("led"));
        QCOMPARE(shownModels(tree), QStringList{"Beta/LED Bar 2 (QLC+)"});
        QVERIFY(tree->topLevelItem(2)->isExpanded());
        part<QLineEdit>(dialog, "searchBox")->clear();
        QTest::keyClicks(part<QLineEdit>(dialog, "searchBox"), QStringLiteral("ACME  spot"));
        QCOMPARE(shownModels(tree), (QStringList{"Acme/Spot 300 (GDTF)", "Acme/Spot 300 Profile Deluxe (QLC+)"}));
        QVERIFY(!part<QPushButton>(dialog, "importButton")->isEnabled());
    }

    void showsModesAndPreview()
    {
        Editor e(builtInNames());
        FixtureImportDialog *dialog = openImport(e);
        chooseFixture(dialog, QStringLiteral("spot deluxe"));
        QCOMPARE(part<QLabel>(dialog, "fixtureLabel")->text(),
                 QStringLiteral("Acme Spot 300 Profile Deluxe (Moving Head)"));
        auto *modes = part<QTreeWidget>(dialog, "modeList");
        QCOMPARE(modes->topLevelItemCount(), 2);
        QCOMPARE(texts(modes->topLevelItem(0), 3), (QStringList{"Standard", "16", ""}));
        QCOMPARE(texts(modes->topLevelItem(1), 3),
                 (QStringList{"Extended", "17", "17 channels; a profile holds at most 16"}));
        QVERIFY(modes->topLevelItem(0)->flags() & Qt::ItemIsEnabled);
        QVERIFY(!(modes->topLevelItem(1)->flags() & Qt::ItemIsEnabled));
        QCOMPARE(modes->currentItem(), modes->topLevelItem(0));

        // The greyed mode cannot be chosen.
        clickItem(modes, modes->topLevelItem(1));
        QCOMPARE(modes->currentItem(), modes->topLevelItem(0));

        QCOMPARE(part<QLabel>(dialog, "fixtureNameLabel")->text(), QStringLiteral("Fixture name: Spot 300 Standard"));
        auto *preview = part<QTableWidget>(dialog, "channelPreview");
        QCOMPARE(preview->rowCount(), 16);
        auto row = [preview](int r) {
            QStringList t;
            for (int c = 0; c < preview->columnCount(); ++c)
                t << preview->item(r, c)->text();
            return t;
        };
        QCOMPARE(row(0), (QStringList{"Chan 1", "Pan", "Pan", "Fade", "1"}));
        QCOMPARE(row(6), (QStringList{"Chan 7", "Shutter", "Shutter", "Snap Before", "3"}));
        QCOMPARE(row(9), (QStringList{"Chan 10", "Gobo 1 rotation", "Gobo1Rot", "Snap Before", "3"}));
        QCOMPARE(part<QLabel>(dialog, "addedNamesLabel")->text(),
                 QStringLiteral("The channel-name table holds every name the profile needs."));
        QCOMPARE(part<QPlainTextEdit>(dialog, "warningList")->toPlainText(),
                 QStringLiteral("- Physical data (lamp, size, weight, lens, power) is not kept.\n"
                                "- The colours and pictures of 5 capabilities are not kept.\n"
                                "- Default values are not kept: Chan 1 at 128, Chan 3 at 128."));
        QVERIFY(part<QPushButton>(dialog, "importButton")->isEnabled());

        chooseFixture(dialog, QStringLiteral("dimmer"));
        QCOMPARE(part<QPlainTextEdit>(dialog, "warningList")->toPlainText(),
                 QStringLiteral("Nothing: the profile holds the whole mode."));

        // A definition without modes offers none, and says why.
        chooseFixture(dialog, QStringLiteral("no mode"));
        QCOMPARE(modes->topLevelItemCount(), 1);
        QCOMPARE(modes->topLevelItem(0)->text(2), QStringLiteral("the definition has no modes"));
        QVERIFY(!part<QPushButton>(dialog, "importButton")->isEnabled());

        chooseFixture(dialog, QStringLiteral("broken"));
        QCOMPARE(part<QLabel>(dialog, "fixtureLabel")->text(),
                 QStringLiteral("Cannot be read: broken.qxf: not well-formed XML at line 5, column 1: Premature end "
                                "of document."));
        QCOMPARE(modes->topLevelItemCount(), 0);
        QVERIFY(!part<QPushButton>(dialog, "importButton")->isEnabled());
        QCOMPARE(e.prompts.calls.size(), 0);
    }

    void importFillsTheEditor()
    {
        Editor e(builtInNames());
        FixtureImportDialog *dialog = openImport(e);
        QPointer<FixtureImportDialog> alive(dialog);
        chooseFixture(dialog, QStringLiteral("spot deluxe"));
        click(dialog, "importButton");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(alive.isNull());
        // The editor is the active window again, so its shortcuts work.
        QVERIFY(QTest::qWaitForWindowActive(e.window));

        QCOMPARE(e.prompts.calls.size(), 1);
        QCOMPARE(e.prompts.last().title, QStringLiteral("Zelva71 Fixture"));
        QCOMPARE(e.prompts.last().buttons, PromptButtons::Ok);
        QCOMPARE(e.prompts.last().text,
                 QStringLiteral("Spot 300 Standard is imported. Check it and save it.\n\n"
                                "Not kept, or chosen for you:\n"
                                "- Physical data (lamp, size, weight, lens, power) is not kept.\n"
                                "- The colours and pictures of 5 capabilities are not kept.\n"
                                "- Default values are not kept: Chan 1 at 128, Chan 3 at 128."));

        // Never saved: unsaved work from the start, kept against a crash.
        QVERIFY(e.window->hasUnsavedWork());
        QTRY_VERIFY(QFile::exists(e.window->recoveryFilePath()));

        // The panels show the profile as Open shows one.
        QCOMPARE(e.edit("text1")->text(), QStringLiteral("Spot 300 Standard "));
        QCOMPARE(e.combo("Combo1")->currentText(), QStringLiteral("16"));
        QCOMPARE(e.combo("Combo2")->currentText(), QStringLiteral("Chan 7"));
        QCOMPARE(e.edit("Text2")->text(), QStringLiteral("15"));
        QCOMPARE(e.checkedMasters(), QStringList{"Chan 6"});
        QCOMPARE(e.combo("Combo5")->currentText(), QStringLiteral("Chan 1"));
        QCOMPARE(e.combo("Combo6")->currentText(), QStringLiteral("Chan 2"));
        QCOMPARE(e.combo("Combo7")->currentText(), QStringLiteral("Chan 3"));
        QCOMPARE(e.combo("Combo8")->currentText(), QStringLiteral("Chan 4"));
        QCOMPARE(e.rows("MSFlexGrid1"), 17);
        QCOMPARE(e.rowTexts("MSFlexGrid1", 1), (QStringList{"Chan 1", "Pan", "Fade"}));
        QCOMPARE(e.rowTexts("MSFlexGrid1", 8), (QStringList{"Chan 8", "Color", "Snap Before"}));
        QCOMPARE(e.rowTexts("MSFlexGrid1", 16), (QStringList{"Chan 16", "Function", "Snap Before"}));
        QCOMPARE(e.combo("Combo9")->currentText(), QStringLiteral("Chan 1 - Pan"));
        QCOMPARE(e.rowTexts("MSFlexGrid2", 1), (QStringList{"Step 1", "Pan     ", "0", "255", "127"}));
        e.choose("Combo9", QStringLiteral("Chan 7 - Shutter"));
        QCOMPARE(e.rowTexts("MSFlexGrid2", 3), (QStringList{"Step 3", "Strb S-F", "64", "255", "159"}));

        // Unsaved: the save proposes a name of its own and writes a profile the fixture
        // selection takes.
        const QByteArray saved = e.save(QStringLiteral("spot"));
        QCOMPARE(e.prompts.last().kind, PromptCall::SaveFile);
        QCOMPARE(e.prompts.last().text, documentsFolder() + QStringLiteral("/Spot_300_Profile_Deluxe-Standard.zff"));
        QCOMPARE(saved.size(), 91 + 11 * 32);
        QCOMPARE(saved.mid(4, 2), testsupport::hex("00 00"));
        QCOMPARE(saved.mid(43, 6), testsupport::hex("00 01 01 01 01 01"));
    }

    void laterImportProposesTheSaveFolder()
    {
        Editor e(builtInNames());
        e.save(QStringLiteral("first"));
        FixtureImportDialog *dialog = openImport(e);
        chooseFixture(dialog, QStringLiteral("dimmer"));
        click(dialog, "importButton");
        QVERIFY(QTest::qWaitForWindowActive(e.window));
        // The save and its warning of the new profile's shared names; the dimmer brings no notes.
        QCOMPARE(e.prompts.calls.size(), 2);
        e.save(QStringLiteral("second"));
        QCOMPARE(e.prompts.last().text, e.path(QStringLiteral("Dimmer_Pack-1_Channel.zff")));
    }

    void cancelKeepsTheProfile()
    {
        Editor e(builtInNames());
        const FixtureProfile before = e.profile();
        FixtureImportDialog *dialog = openImport(e);
        chooseFixture(dialog, QStringLiteral("spot deluxe"));
        click(dialog, "cancelButton");
        QVERIFY(!dialog->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(e.window));
        QCOMPARE(e.profile(), before);
        QCOMPARE(e.prompts.calls.size(), 0);
    }

    void otherFile()
    {
        Editor e(builtInNames());
        FixtureImportDialog *dialog = openImport(e);
        const QString broken = m_dir.filePath(QStringLiteral("broken.qxf"));
        e.prompts.paths.enqueue(broken);
        click(dialog, "otherFileButton");
        QCOMPARE(e.prompts.calls.size(), 2);
        QCOMPARE(e.prompts.calls.at(0).kind, PromptCall::OpenFile);
        QCOMPARE(e.prompts.calls.at(0).title, QStringLiteral("Open Fixture Definition"));
        QCOMPARE(e.prompts.calls.at(0).filter,
                 QStringLiteral("Fixture Definition|*.qxf;*.gdtf|QLC+ Fixture Definition(*.qxf)|*.qxf|"
                                "GDTF Fixture(*.gdtf)|*.gdtf"));
        QCOMPARE(e.prompts.calls.at(1).title, QStringLiteral("Import Fixture"));
        QCOMPARE(e.prompts.calls.at(1).text,
                 QStringLiteral("%1 cannot be read as a QLC+ fixture definition:\nbroken.qxf: not well-formed XML at "
                                "line 5, column 1: Premature end of document.")
                     .arg(QDir::toNativeSeparators(broken)));
        QCOMPARE(part<QLabel>(dialog, "fixtureLabel")->text(), QStringLiteral("No fixture chosen"));

        // Cancelling the file dialog changes nothing; a good file shows its modes.
        click(dialog, "otherFileButton");
        QCOMPARE(e.prompts.calls.size(), 3);
        e.prompts.paths.enqueue(m_dir.filePath(QStringLiteral("scanner.qxf")));
        click(dialog, "otherFileButton");
        QCOMPARE(part<QLabel>(dialog, "fixtureLabel")->text(), QStringLiteral("Gamma Scan 250 (Scanner)"));
        QCOMPARE(part<QTreeWidget>(dialog, "modeList")->currentItem()->text(0), QStringLiteral("7 Channel"));
        // The fine dimmer needs a name the table does not hold: the preview says so, and
        // nothing is written before Import.
        QCOMPARE(part<QTableWidget>(dialog, "channelPreview")->item(5, 2)->text(), QStringLiteral("Dim Fine (new)"));
        QCOMPARE(part<QLabel>(dialog, "addedNamesLabel")->text(),
                 QStringLiteral("Import adds to the channel-name table: Dim Fine"));
        QCOMPARE(testsupport::readAll(e.path(QStringLiteral("ChNameSet.fix"))), builtInNames());
        QVERIFY(!QFileInfo::exists(e.path(QStringLiteral("ChNameDown.fix"))));

        click(dialog, "importButton");
        QCOMPARE(e.combo("Combo1")->currentText(), QStringLiteral("7"));
        QCOMPARE(e.rowTexts("MSFlexGrid1", 6), (QStringList{"Chan 6", "Dim Fine", "Fade"}));
        // No warnings, no message.
        QCOMPARE(e.prompts.calls.size(), 4);

        // Both name files hold the new name in entry 59, and the editor offers it: the store
        // told every window as it wrote.
        const QByteArray set = testsupport::readAll(e.path(QStringLiteral("ChNameSet.fix")));
        QCOMPARE(set.size(), 2560);
        QCOMPARE(set.mid(590, 10), testsupport::hex("3b 3b") + "Dim Fine");
        QCOMPARE(testsupport::readAll(e.path(QStringLiteral("ChNameDown.fix"))).mid(59 * 8, 8), QByteArray("Dim Fine"));
        QCOMPARE(Editor::entries(e.combo("Combo10")).mid(58), (QStringList{"Not Used", "Dim Fine"}));
        QCOMPARE(e.profile().channels[5].nameId, quint8(59));
    }

    // Names the table cannot take mean no import: the editor keeps its profile, and the
    // name files stay as they were.
    void namesThatCannotBeSaved()
    {
        Editor e(builtInNames());
        const FixtureProfile before = e.profile();
        FixtureImportDialog *dialog = openImport(e);
        e.prompts.paths.enqueue(m_dir.filePath(QStringLiteral("scanner.qxf")));
        click(dialog, "otherFileButton");
        // The download file's place is taken by a folder just as the new files are placed.
        const QString down = e.path(QStringLiteral("ChNameDown.fix"));
        ChannelNameStore &store = ChannelNameStore::forFolder(e.path(QString()));
        store.setBeforePlacing([&down](int file) {
            if (file == 1)
                QDir().mkdir(down);
        });
        click(dialog, "importButton");
        store.setBeforePlacing({});
        QVERIFY(dialog->isVisible());
        QCOMPARE(e.prompts.last().title, QStringLiteral("Import Fixture"));
        QVERIFY2(e.prompts.last().text.startsWith(
                     QStringLiteral("The channel names could not be saved in %1, so nothing is imported:\n")
                         .arg(QDir::toNativeSeparators(e.path(QString())))),
                 qPrintable(e.prompts.last().text));
        QCOMPARE(e.profile(), before);
        QCOMPARE(testsupport::readAll(e.path(QStringLiteral("ChNameSet.fix"))), builtInNames());
        QCOMPARE(Editor::entries(e.combo("Combo10")).size(), 59);
    }

    void withoutLibrary()
    {
        qputenv("ZELVAR71_QLCPLUS_FIXTURES", NoLibrary.toLocal8Bit());
        qunsetenv("ZELVAR71_GDTF_FIXTURES");
        Editor e(builtInNames());
        FixtureImportDialog *dialog = openImport(e);
        QCOMPARE(part<QLabel>(dialog, "libraryLabel")->text(),
                 QStringLiteral("No QLC+ fixture library is installed (Debian package qlcplus-data).\n"
                                "0 GDTF fixtures in %1\nAny .qxf or .gdtf file opens with Other File...")
                     .arg(QDir::toNativeSeparators(e.path(QStringLiteral("data/tst_fixtureimportdialog/gdtf")))));
        QCOMPARE(part<QTreeWidget>(dialog, "fixtureTree")->topLevelItemCount(), 0);
    }

    // "Find by channels": a chart typed with completion, the modes near it by distance, one
    // chosen and imported; the next time the editor's channels are the chart.
    void findsByChannels()
    {
        Editor e(builtInNames());
        FixtureImportDialog *dialog = openImport(e);
        auto *tabs = part<QTabWidget>(dialog, "sourceTabs");
        QCOMPARE(tabs->tabText(1), QStringLiteral("Find by channels"));
        QSignalSpy ready(dialog, &FixtureImportDialog::indexReady);
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
        QVERIFY(ready.wait(30000));
        auto *status = part<QLabel>(dialog, "findStatusLabel");
        QCOMPARE(status->text(), QStringLiteral("7 modes in 8 files (2 could not be read) to search"));

        // Each name completes from the channel-name table; Enter takes the first.
        auto *chart = part<QLineEdit>(dialog, "chartBox");
        QVERIFY(chart->hasFocus());
        QTest::keyClicks(chart, QStringLiteral("Red, gr"));
        auto *completer = part<QCompleter>(dialog, "chartCompleter");
        QVERIFY(completer->popup()->isVisible());
        QCOMPARE(completer->currentCompletion(), QStringLiteral("Green"));
        QTest::keyClick(completer->popup(), Qt::Key_Return);
        QCOMPARE(chart->text(), QStringLiteral("Red, Green"));
        QTest::keyClicks(chart, QStringLiteral(", Blue"));

        auto *matches = part<QTreeWidget>(dialog, "matchList");
        QCOMPARE(matches->topLevelItemCount(), 2);
        QCOMPARE(matches->topLevelItem(0)->text(0), QStringLiteral("Same channels: 1 mode"));
        QCOMPARE(texts(matches->topLevelItem(0)->child(0), 4), (QStringList{"Beta LED Bar 2", "3 Channel", "QLC+", ""}));
        QCOMPARE(matches->topLevelItem(1)->text(0), QStringLiteral("One channel differs: 1 mode"));
        QTreeWidgetItem *par = matches->topLevelItem(1)->child(0);
        QCOMPARE(texts(par, 4), (QStringList{"Beta Lighting Par_18", "4 Channel", "GDTF", "Chan 4 White extra"}));
        QCOMPARE(status->text(),
                 QStringLiteral("3 channels: 2 modes within 2 channels; 7 modes in 8 files (2 could not be read)."));

        // Enter in the chart goes to the first match and imports nothing.
        QTest::keyClick(chart, Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        QCOMPARE(matches->currentItem(), matches->topLevelItem(0)->child(0));
        QCOMPARE(part<QLabel>(dialog, "fixtureLabel")->text(), QStringLiteral("Beta LED Bar 2 (LED Bar (Pixels))"));

        // The chosen match shows its mode as the library does, and imports as usual.
        clickItem(matches, par);
        QCOMPARE(part<QLabel>(dialog, "fixtureLabel")->text(), QStringLiteral("Beta Lighting Par_18 (LED Par 18)"));
        QCOMPARE(part<QTreeWidget>(dialog, "modeList")->currentItem()->text(0), QStringLiteral("4 Channel"));
        QCOMPARE(part<QLabel>(dialog, "matchDifferencesLabel")->text(),
                 QStringLiteral("Differs from the chart: Chan 4 White extra"));
        click(dialog, "importButton");
        QVERIFY(QTest::qWaitForWindowActive(e.window));
        QCOMPARE(e.combo("Combo1")->currentText(), QStringLiteral("4"));
        QCOMPARE(e.rowTexts("MSFlexGrid1", 4), (QStringList{"Chan 4", "White", "Fade"}));

        // The index of this run serves the next dialog at once; the editor's channels are
        // the chart.
        FixtureImportDialog *again = openImport(e);
        QSignalSpy readyAgain(again, &FixtureImportDialog::indexReady);
        part<QTabWidget>(again, "sourceTabs")->setCurrentIndex(1);
        QVERIFY(readyAgain.wait(30000));
        click(again, "takeFromEditorButton");
        QCOMPARE(part<QLineEdit>(again, "chartBox")->text(), QStringLiteral("Red, Green, Blue, White"));
        auto *found = part<QTreeWidget>(again, "matchList");
        QCOMPARE(texts(found->topLevelItem(0)->child(0), 4),
                 (QStringList{"Beta Lighting Par_18", "4 Channel", "GDTF", ""}));
        QCOMPARE(texts(found->topLevelItem(1)->child(0), 4),
                 (QStringList{"Beta LED Bar 2", "3 Channel", "QLC+", "White missing"}));
    }

    // A GDTF fixture type: its DMX modes with the ones a profile cannot hold greyed, the
    // preview, and Import filling the editor and writing the name it adds.
    void importsGdtf()
    {
        Editor e(builtInNames());
        FixtureImportDialog *dialog = openImport(e);
        chooseFixture(dialog, QStringLiteral("acme spot gdtf"));
        QCOMPARE(part<QLabel>(dialog, "fixtureLabel")->text(), QStringLiteral("Acme Spot 300 (Acme Spot 300 Profile)"));
        auto *modes = part<QTreeWidget>(dialog, "modeList");
        QCOMPARE(modes->topLevelItemCount(), 4);
        QCOMPARE(texts(modes->topLevelItem(0), 3), (QStringList{"Standard", "14", ""}));
        QCOMPARE(texts(modes->topLevelItem(1), 3),
                 (QStringList{"Extended", "17", "17 channels; a profile holds at most 16"}));
        QCOMPARE(texts(modes->topLevelItem(2), 3),
                 (QStringList{"Two Breaks", "1",
                              "its channel \"Beam_Zoom\" is on DMX break 2; a profile has one DMX address"}));
        QVERIFY(!(modes->topLevelItem(2)->flags() & Qt::ItemIsEnabled));
        QVERIFY(modes->topLevelItem(3)->flags() & Qt::ItemIsEnabled);
        QCOMPARE(modes->currentItem(), modes->topLevelItem(0));
        auto *preview = part<QTableWidget>(dialog, "channelPreview");
        QCOMPARE(preview->rowCount(), 14);
        const auto row = [preview](int r) {
            QStringList t;
            for (int c = 0; c < preview->columnCount(); ++c)
                t << preview->item(r, c)->text();
            return t;
        };
        QCOMPARE(row(1), (QStringList{"Chan 2", "Yoke_Pan (fine)", "Pan Fine", "Fade", "1"}));
        QCOMPARE(row(9), (QStringList{"Chan 10", "Beam_Gobo1Pos (fine)", "GRotFine (new)", "Fade", "1"}));
        QCOMPARE(part<QLabel>(dialog, "addedNamesLabel")->text(),
                 QStringLiteral("Import adds to the channel-name table: GRotFine"));
        QVERIFY(part<QPlainTextEdit>(dialog, "warningList")
                    ->toPlainText()
                    .startsWith(QStringLiteral("- Physical data (emitters, filters, models, geometries) is not kept.\n"
                                               "- 1 relation between channels (multiply, override) is not kept.\n")));

        click(dialog, "importButton");
        QVERIFY(QTest::qWaitForWindowActive(e.window));
        QCOMPARE(e.edit("text1")->text(), QStringLiteral("Spot 300 Standard "));
        QCOMPARE(e.combo("Combo1")->currentText(), QStringLiteral("14"));
        QCOMPARE(e.rowTexts("MSFlexGrid1", 10), (QStringList{"Chan 10", "GRotFine", "Fade"}));
        QCOMPARE(e.checkedMasters(), QStringList{"Chan 5"});
        QCOMPARE(Editor::entries(e.combo("Combo10")).last(), QStringLiteral("GRotFine"));
        QCOMPARE(testsupport::readAll(e.path(QStringLiteral("ChNameDown.fix"))).mid(59 * 8, 8), QByteArray("GRotFine"));
        QCOMPARE(e.prompts.last().text.section(QLatin1Char('\n'), 0, 0),
                 QStringLiteral("Spot 300 Standard is imported. Check it and save it."));
        e.save(QStringLiteral("spot"));
        QCOMPARE(e.prompts.last().text, documentsFolder() + QStringLiteral("/Spot_300-Standard.zff"));

        // Other File opens a .gdtf too; one that is no zip archive says so.
        FixtureImportDialog *again = openImport(e);
        e.prompts.paths.enqueue(m_gdtf + QStringLiteral("/not-a-zip.gdtf"));
        click(again, "otherFileButton");
        QCOMPARE(e.prompts.last().text,
                 QStringLiteral("%1 cannot be read as a GDTF fixture definition:\nnot-a-zip.gdtf: it is not a zip "
                                "archive, as a .gdtf file is")
                     .arg(QDir::toNativeSeparators(m_gdtf + QStringLiteral("/not-a-zip.gdtf"))));
        e.prompts.paths.enqueue(m_gdtf + QStringLiteral("/Beta@Par_18.gdtf"));
        click(again, "otherFileButton");
        QCOMPARE(part<QLabel>(again, "fixtureLabel")->text(), QStringLiteral("Beta Lighting Par_18 (LED Par 18)"));
        QCOMPARE(part<QTreeWidget>(again, "modeList")->currentItem()->text(0), QStringLiteral("4 Channel"));
    }
};

QTEST_MAIN(TestFixtureImportDialog)
#include "tst_fixtureimportdialog.moc"
