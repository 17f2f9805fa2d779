// The "Select Fixture" panel driven as a user drives it: browsing drives, folders and
// files, adding and removing entries, and saving the download set through the shared
// file dialog, with every message box checked.
#include "common/programfolder.h"
#include "common/sharedfiledialog.h"
#include "common/twips.h"
#include "downloadset/drivelist.h"
#include "downloadset/filelist.h"
#include "downloadset/fixtureselectionpanel.h"
#include "downloadset/folderlist.h"
#include "downloadset/libraryfixtures.h"
#include "handmadezff.h"
#include "scriptedprompts.h"
#include "testsupport.h"

#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include <memory>

using namespace zelvar;
using testsupport::HandChannel;
using testsupport::HandZff;
using testsupport::hex;

namespace {

const QString DownloadFilter = QStringLiteral("Zelva71 DownLoad File(*.tzk)|*.tzk");

// A profile named `name` whose channels have distinct names (flag 0) unless `flag` is set.
QByteArray profile(const QByteArray &name, qint16 flag = 0)
{
    HandZff z;
    z.duplicateFlag = flag;
    z.fixtureName = name;
    z.channelCount = 2;
    z.channels = {HandChannel{6, 1, {{"Open", 0, 255, 127}}, -1}, HandChannel{9, 0, {}, -1}};
    if (flag)
        z.channels[1].nameId = 6;
    return z.bytes();
}

struct Panel
{
    ScriptedPrompts prompts;
    SharedFileDialog dialog{prompts};
    FixtureSelectionPanel panel{dialog, prompts};

    QListWidget *list() const { return panel.findChild<QListWidget *>(QStringLiteral("List1")); }
    FileList *files() const { return panel.findChild<FileList *>(QStringLiteral("File1")); }
    FolderList *folders() const { return panel.findChild<FolderList *>(QStringLiteral("Dir1")); }
    DriveList *drives() const { return panel.findChild<DriveList *>(QStringLiteral("Drive1")); }
    QPushButton *button(const char *name) const { return panel.findChild<QPushButton *>(QLatin1String(name)); }

    QStringList entries() const { return panel.SelectedPaths(); }
    int selectedRow() const
    {
        const QList<QListWidgetItem *> selected = list()->selectedItems();
        return selected.isEmpty() ? -1 : list()->row(selected.first());
    }

    void click(const char *name) { QTest::mouseClick(button(name), Qt::LeftButton); }

    // A click on the file of that name in the file list.
    bool chooseFile(const QString &name)
    {
        const QList<QListWidgetItem *> found = files()->findItems(name, Qt::MatchExactly);
        if (found.size() != 1)
            return false;
        QTest::mouseClick(files()->viewport(), Qt::LeftButton, {}, files()->visualItemRect(found.first()).center());
        return files()->fileName() == name;
    }
    bool doubleClickFile(const QString &name)
    {
        const QList<QListWidgetItem *> found = files()->findItems(name, Qt::MatchExactly);
        if (found.size() != 1)
            return false;
        const QPoint at = files()->visualItemRect(found.first()).center();
        QTest::mouseClick(files()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(files()->viewport(), Qt::LeftButton, {}, at);
        return true;
    }
    void clickEntry(int row)
    {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(list()->item(row)).center());
    }
    // Chooses `name` in the folder `folder` by setting the path, and adds it with ">>".
    void add(const QString &folder, const QString &name)
    {
        folders()->setPath(folder);
        QVERIFY(chooseFile(name));
        click("Command7");
    }
    QStringList messages() const
    {
        QStringList texts;
        for (const PromptCall &call : prompts.calls) {
            if (call.kind == PromptCall::Message)
                texts << call.title + QStringLiteral(" | ") + call.text;
        }
        return texts;
    }
};

} // namespace

class TestSelectionPanel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_startFolder;
    QString m_bin;   // the program folder, with the library profiles and the names file
    QString m_shows; // where the browser starts

    QString path(const QString &relative) const { return m_dir->filePath(relative); }
    QString write(const QString &relative, const QByteArray &bytes) const
    {
        const QString p = path(relative);
        QDir().mkpath(QFileInfo(p).path());
        if (!testsupport::writeAll(p, bytes))
            qFatal("cannot write %s", qPrintable(p));
        return p;
    }
    QString library(int index) const
    {
        return m_bin + QLatin1Char('/') + QString::fromLatin1(LibraryFixtureFileNames[size_t(index)]);
    }

    // A shown panel, initialised in the shows folder.
    std::unique_ptr<Panel> open()
    {
        auto p = std::make_unique<Panel>();
        p->panel.resize(twips(10935), twips(8415));
        p->panel.show();
        if (!QTest::qWaitForWindowExposed(&p->panel))
            qWarning("panel not exposed");
        p->panel.Initialise();
        return p;
    }

private slots:
    void initTestCase() { m_startFolder = QDir::currentPath(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_bin = path(QStringLiteral("bin"));
        m_shows = path(QStringLiteral("shows"));
        QDir().mkpath(m_bin);
        QVERIFY(WriteLibraryFixtures(m_bin).ok());
        QByteArray names(2048, '\0');
        names.replace(0, 8, QByteArray("Pan     "));
        write(QStringLiteral("bin/ChNameDown.fix"), names);
        setProgramFolder(m_bin);

        write(QStringLiteral("shows/wash.zff"), profile("Wash"));
        write(QStringLiteral("shows/Spot.ZFF"), profile("Spot"));
        write(QStringLiteral("shows/beam.zff"), profile("Beam"));
        write(QStringLiteral("shows/twins.zff"), profile("Twins", 1));
        write(QStringLiteral("shows/notes.txt"), "not a profile");
        write(QStringLiteral("shows/stub.zff"), "tiny");
        write(QStringLiteral("shows/sub/inner.zff"), profile("Inner"));
        QDir().mkpath(path(QStringLiteral("shows/folder.zff")));
        QDir::setCurrent(m_shows);
    }

    void cleanup()
    {
        QDir::setCurrent(m_startFolder);
        setProgramFolder(QString());
        m_dir.reset();
    }

    void controlsAtTheirPlaces()
    {
        auto p = open();
        QCOMPARE(p->panel.objectName(), QStringLiteral("Frame3"));
        QCOMPARE(p->panel.title(), QStringLiteral("Select Fixture"));
        QCOMPARE(p->drives()->geometry(), twipsRect(120, 360, 3015, 345));
        QCOMPARE(p->folders()->geometry(), twipsRect(120, 840, 3015, 2640));
        QCOMPARE(p->files()->geometry(), twipsRect(120, 3600, 3015, 4590));
        QCOMPARE(p->files()->pattern(), QStringLiteral("*.zff"));
        QCOMPARE(p->list()->geometry(), twipsRect(3840, 960, 6975, 7260));
        QCOMPARE(p->list(), p->panel.SelectedList());
        const struct
        {
            const char *name;
            const char *caption;
            QRect place;
        } buttons[] = {
            {"Command7", ">>", twipsRect(3240, 5160, 495, 615)},
            {"Command8", "<<", twipsRect(3240, 6120, 495, 615)},
            {"Command9", "Save", twipsRect(4320, 240, 1335, 615)},
            {"Command10", "Link Device", twipsRect(6240, 240, 1575, 615)},
            {"Command11", "Fixture Edit", twipsRect(8400, 240, 1815, 615)},
        };
        for (const auto &b : buttons) {
            QVERIFY2(p->button(b.name), b.name);
            QCOMPARE(p->button(b.name)->text(), QLatin1String(b.caption));
            QCOMPARE(p->button(b.name)->geometry(), b.place);
        }
    }

    void linkWindowButtonsOnlySignal()
    {
        auto p = open();
        QSignalSpy link(&p->panel, &FixtureSelectionPanel::linkDeviceRequested);
        QSignalSpy edit(&p->panel, &FixtureSelectionPanel::fixtureEditRequested);
        p->click("Command10");
        QCOMPARE(link.count(), 1);
        QCOMPARE(edit.count(), 0);
        p->click("Command11");
        QCOMPARE(edit.count(), 1);
        QVERIFY(p->prompts.calls.isEmpty());
    }

    void startsWithTheLibraryEntries()
    {
        auto p = open();
        QCOMPARE(p->entries(), QStringList({m_bin + QStringLiteral("/KZTFIX16.zff"), m_bin + QStringLiteral("/KZTFIX8.zff"),
                                            m_bin + QStringLiteral("/KZTFIX6.zff"), m_bin + QStringLiteral("/KZTFIX4.zff")}));
        const QStringList library = p->entries();
        p->click("Command8"); // nothing selected
        for (int row = 0; row < 4; ++row) {
            p->clickEntry(row);
            QCOMPARE(p->selectedRow(), row);
            p->click("Command8");
            QCOMPARE(p->entries(), library);
        }
        QVERIFY(p->prompts.calls.isEmpty());
    }

    // In a programs' folder the program may write, the library entries do not need their
    // files (the start writes them again there).
    void libraryEntriesDoNotNeedTheirFiles()
    {
        QVERIFY(QDir().mkpath(path(QStringLiteral("empty"))));
        setProgramFolder(path(QStringLiteral("empty/")));
        auto p = open();
        QCOMPARE(p->entries().first(), path(QStringLiteral("empty/KZTFIX16.zff")));
        QCOMPARE(p->entries().size(), 4);
    }

    // In one it may not, a profile gone from it is listed as the user's own copy.
    void aReadOnlyFolderListsTheUsersCopy()
    {
        QVERIFY(QFile::remove(m_bin + QStringLiteral("/KZTFIX8.zff")));
        setProgramFolder(m_bin, FolderAccess::ReadOnly);
        auto p = open();
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QCOMPARE(p->entries(), QStringList({m_bin + QStringLiteral("/KZTFIX16.zff"), data + QStringLiteral("/KZTFIX8.zff"),
                                            m_bin + QStringLiteral("/KZTFIX6.zff"), m_bin + QStringLiteral("/KZTFIX4.zff")}));
    }

    void browserStartsInTheCurrentFolder()
    {
        auto p = open();
        QCOMPARE(p->folders()->path(), m_shows);
        QCOMPARE(p->files()->path(), m_shows);
        QStringList shown;
        for (int i = 0; i < p->files()->count(); ++i)
            shown << p->files()->item(i)->text();
        // Only files, any letter case of the extension, in name order regardless of case.
        QCOMPARE(shown, QStringList({"beam.zff", "Spot.ZFF", "stub.zff", "twins.zff", "wash.zff"}));
        QCOMPARE(p->files()->fileName(), QString());

        QVERIFY(p->folders()->itemFor(m_shows));
        QVERIFY(p->folders()->itemFor(m_shows + QStringLiteral("/sub")));
        QVERIFY(p->folders()->itemFor(QStringLiteral("/")));
        QCOMPARE(p->folders()->currentItem(), p->folders()->itemFor(m_shows));

        QVERIFY(p->drives()->count() >= 1);
        QCOMPARE(p->drives()->itemText(0), QStringLiteral("/"));
        QVERIFY(m_shows.startsWith(p->drives()->rootPath()));
    }

    void foldersOpenByDoubleClickOrEnter()
    {
        auto p = open();
        FolderList *folders = p->folders();
        QTreeWidgetItem *sub = folders->itemFor(m_shows + QStringLiteral("/sub"));
        QVERIFY(sub);
        const QPoint at = folders->visualItemRect(sub).center();
        QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(folders->path(), m_shows); // one click only selects
        QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(folders->path(), m_shows + QStringLiteral("/sub"));
        QCOMPARE(p->files()->path(), m_shows + QStringLiteral("/sub"));
        QCOMPARE(p->files()->count(), 1);
        QCOMPARE(p->files()->item(0)->text(), QStringLiteral("inner.zff"));

        folders->setFocus();
        folders->setCurrentItem(folders->itemFor(m_dir->path()));
        QTest::keyClick(folders, Qt::Key_Return);
        QCOMPARE(folders->path(), QDir::cleanPath(m_dir->path()));
        QCOMPARE(p->files()->path(), QDir::cleanPath(m_dir->path()));
        QCOMPARE(p->files()->count(), 0);

        QVERIFY(!folders->setPath(path(QStringLiteral("shows/wash.zff")))); // not a folder
        QCOMPARE(folders->path(), QDir::cleanPath(m_dir->path()));
    }

    void driveChangeOpensItsRoot()
    {
        auto p = open();
        p->drives()->setCurrentIndex(-1);
        p->drives()->setCurrentIndex(0);
        QCOMPARE(p->folders()->path(), QStringLiteral("/"));
        QCOMPARE(p->files()->path(), QStringLiteral("/"));
        // Back down into a folder: the drive list shows the volume that holds it.
        p->folders()->setPath(m_shows);
        QVERIFY(m_shows.startsWith(p->drives()->rootPath()));
        QCOMPARE(p->files()->path(), m_shows);
    }

    void aWheelOverTheDriveListWithoutFocusChangesNothing()
    {
        auto p = open();
        DriveList *drives = p->drives();
        drives->addItem(QStringLiteral("/other"), QStringLiteral("/other")); // a second volume to turn to
        const QString folder = p->folders()->path();
        const int before = drives->currentIndex();
        for (int delta : {-120, 120}) {
            QWheelEvent wheel(QPointF(5, 5), drives->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(drives, &wheel);
            QVERIFY(!wheel.isAccepted());
            QCOMPARE(drives->currentIndex(), before);
        }
        QCOMPARE(p->folders()->path(), folder);
    }

    void addWithTheButtonOrADoubleClick()
    {
        auto p = open();
        QVERIFY(p->chooseFile(QStringLiteral("wash.zff")));
        p->click("Command7");
        QCOMPARE(p->entries().size(), 5);
        QCOMPARE(p->entries().last(), m_shows + QStringLiteral("/wash.zff"));
        // The scan for duplicates leaves the selection on the entry that was last before.
        QCOMPARE(p->selectedRow(), 3);

        QVERIFY(p->doubleClickFile(QStringLiteral("Spot.ZFF")));
        QCOMPARE(p->entries().size(), 6);
        QCOMPARE(p->entries().last(), m_shows + QStringLiteral("/Spot.ZFF"));
        QCOMPARE(p->selectedRow(), 4);
        QVERIFY(p->prompts.calls.isEmpty());
    }

    void addWithNothingChosenDoesNothing()
    {
        auto p = open();
        p->click("Command7");
        QCOMPARE(p->entries().size(), 4);
        // A folder without profiles offers nothing to choose either.
        p->folders()->setPath(m_bin + QStringLiteral("/.."));
        p->files()->setFocus();
        p->click("Command7");
        QCOMPARE(p->entries().size(), 4);
        QVERIFY(p->prompts.calls.isEmpty());
    }

    void duplicatesInAnyLetterCaseAreNotAdded()
    {
        write(QStringLiteral("Shows2/lamp.zff"), profile("Lamp"));
        write(QStringLiteral("shows2/LAMP.ZFF"), profile("Lamp"));
        auto p = open();
        p->add(m_shows, QStringLiteral("wash.zff"));
        p->add(path(QStringLiteral("Shows2")), QStringLiteral("lamp.zff"));
        p->add(m_shows, QStringLiteral("beam.zff"));
        QCOMPARE(p->entries().size(), 7);

        p->add(m_shows, QStringLiteral("wash.zff"));
        QCOMPARE(p->entries().size(), 7);
        QCOMPARE(p->selectedRow(), 4); // the first copy
        // The same path in other letter case counts as the same file.
        p->add(path(QStringLiteral("shows2")), QStringLiteral("LAMP.ZFF"));
        QCOMPARE(p->entries().size(), 7);
        QCOMPARE(p->selectedRow(), 5);
        QVERIFY(p->prompts.calls.isEmpty());
    }

    void libraryFileThroughTheBrowserIsADuplicate()
    {
        // The program folder as the program spells it, the browser in other letter case
        // (a folder of that spelling is not there, so the program is told it may write it).
        setProgramFolder(m_bin.toUpper(), FolderAccess::Writable);
        auto p = open();
        p->add(m_bin, QStringLiteral("KZTFIX8.zff"));
        QCOMPARE(p->entries().size(), 4);
        QCOMPARE(p->selectedRow(), 1);
        QVERIFY(p->prompts.calls.isEmpty());
    }

    void flaggedProfileIsRefusedWithFormatError()
    {
        auto p = open();
        p->add(m_shows, QStringLiteral("twins.zff"));
        QCOMPARE(p->entries().size(), 4);
        QCOMPARE(p->prompts.calls.size(), 1);
        // The old text stays the first line; the second says why and what to do.
        QCOMPARE(p->prompts.last().text, QStringLiteral("Format Error \ntwins.zff: Chan 1 and Chan 2 share one channel "
                                                        "name; give every channel a name of its own in the fixture "
                                                        "editor and save it again"));
        QCOMPARE(p->prompts.last().title, QStringLiteral("Zelva71 Fixture"));
        QCOMPARE(p->prompts.last().buttons, PromptButtons::Ok);

        // A file too short for a header is taken; the Save tells what is wrong with it.
        p->add(m_shows, QStringLiteral("stub.zff"));
        QCOMPARE(p->entries().size(), 5);
        QCOMPARE(p->prompts.calls.size(), 1);
    }

    void removeTheFifthEntry()
    {
        auto p = open();
        p->add(m_shows, QStringLiteral("beam.zff"));
        p->add(m_shows, QStringLiteral("Spot.ZFF"));
        p->add(m_shows, QStringLiteral("wash.zff"));
        const QStringList before = p->entries();
        p->clickEntry(4);
        p->click("Command8");
        QStringList after = before;
        after.removeAt(4);
        QCOMPARE(p->entries(), after);
        QCOMPARE(p->entries().at(4), m_shows + QStringLiteral("/Spot.ZFF"));
        // Nothing stays selected: a second click removes nothing more.
        QCOMPARE(p->selectedRow(), -1);
        p->click("Command8");
        QCOMPARE(p->entries(), after);

        p->clickEntry(5);
        p->click("Command8");
        after.removeAt(5);
        QCOMPARE(p->entries(), after);
        QVERIFY(p->prompts.calls.isEmpty());
    }

    void saveWritesTheSetThroughTheSharedDialog()
    {
        auto p = open();
        p->add(m_shows, QStringLiteral("wash.zff"));
        p->dialog.Filter = QStringLiteral("All|*.*");
        p->prompts.paths << path(QStringLiteral("Show"));
        p->click("Command9");

        QCOMPARE(p->prompts.calls.size(), 1);
        QCOMPARE(p->prompts.calls[0].kind, PromptCall::SaveFile);
        QCOMPARE(p->prompts.calls[0].filter, DownloadFilter);
        QCOMPARE(p->dialog.Filter, DownloadFilter); // stays for Send File and Receive File
        QCOMPARE(p->dialog.FileName, path(QStringLiteral("Show")));
        QVERIFY(!QFile::exists(path(QStringLiteral("Show"))));

        const QByteArray set = testsupport::readAll(path(QStringLiteral("Show.tzk")));
        QCOMPARE(set.size(), 86529);
        QCOMPARE(set.left(14), QByteArray("ZELVAR71") + hex("01 52 00 00 50 00"));
        QCOMPARE(quint8(set[14080]), quint8(5));
        QCOMPARE(quint8(set[14082]), quint8(1));
        QCOMPARE(set.mid(14592, 16), QByteArray("Pan\0\0\0\0\0\0\0\0\0\0\0\0\0", 16));
        const char *names[] = {"Generic 16Ch", "Generic 8Ch", "Generic 6Ch", "Generic 4Ch", "Wash"};
        for (int k = 1; k <= 5; ++k)
            QCOMPARE(set.mid(512 + 53 * k + 1, 18), testsupport::padded(names[k - 1], 18));
        QCOMPARE(set.mid(512 + 53 * 5, 53), testsupport::expectedSlot(profile("Wash")));
        QCOMPARE(set.mid(512 + 53 * 6, 53), QByteArray(53, '\0'));
        // The selection went through the list and rests on its last entry.
        QCOMPARE(p->selectedRow(), 4);
    }

    void saveSuffix_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("appended") << "Show" << "Show.tzk";
        QTest::newRow("capitals stay") << "Show.TZK" << "Show.TZK";
        QTest::newRow("other extension") << "Show.zff" << "Show.zff.tzk";
    }

    void saveSuffix()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        auto p = open();
        p->prompts.paths << path(chosen);
        p->click("Command9");
        QVERIFY(QFile::exists(path(written)));
        QCOMPARE(QDir(m_dir->path()).entryList({QStringLiteral("Show*")}, QDir::Files), QStringList(written));
    }

    void saveCancelledWritesNothing()
    {
        const QString old = write(QStringLiteral("Show.tzk"), "old set");
        auto p = open();
        p->click("Command9"); // no path scripted: the dialog is cancelled
        QCOMPARE(p->prompts.calls.size(), 1);
        QCOMPARE(p->prompts.unscripted, 1);
        QCOMPARE(testsupport::readAll(old), QByteArray("old set"));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList({"Show.tzk"}));
    }

    void namesFileMissingOrWrongSize_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<int>("size");
        QTest::newRow("missing") << false << 0;
        QTest::newRow("2047 bytes") << true << 2047;
        QTest::newRow("2049 bytes") << true << 2049;
    }

    void namesFileMissingOrWrongSize()
    {
        QFETCH(bool, present);
        QFETCH(int, size);
        const QString names = m_bin + QStringLiteral("/ChNameDown.fix");
        QFile::remove(names);
        if (present)
            write(QStringLiteral("bin/ChNameDown.fix"), QByteArray(size, 'N'));
        auto p = open();
        p->prompts.paths << path(QStringLiteral("Show.tzk"));
        p->click("Command9");

        QCOMPARE(p->messages(), QStringList(QStringLiteral("File is error! | ChNameDown.fix is error")));
        QCOMPARE(p->prompts.last().buttons, PromptButtons::Ok);
        // The set is written all the same, without names.
        const QByteArray set = testsupport::readAll(path(QStringLiteral("Show.tzk")));
        QCOMPARE(set.size(), 86529);
        QCOMPARE(quint8(set[14080]), quint8(4));
        QCOMPARE(quint8(set[14082]), quint8(0));
        QCOMPARE(set.mid(14592, 2048), QByteArray(2048, '\0'));
        // A missing names file is left behind empty; a wrong one is left as it was.
        QVERIFY(QFile::exists(names));
        QCOMPARE(QFileInfo(names).size(), qint64(size));
    }

    void oldLargerSetIsReplaced()
    {
        const QString old = write(QStringLiteral("Show.tzk"), QByteArray(200000, char(0xAA)));
        auto p = open();
        p->prompts.paths << old;
        p->click("Command9");
        const QByteArray set = testsupport::readAll(old);
        QCOMPARE(set.size(), 86529);
        QVERIFY(!set.contains(char(0xAA)));
        QCOMPARE(quint8(set[14080]), quint8(4));
        QCOMPARE(set.mid(512 + 53 * 5, 53 * 251), QByteArray(53 * 251, '\0'));
        QCOMPARE(QDir(m_dir->path()).entryList({QStringLiteral("*.tzk*")}, QDir::Files | QDir::Hidden),
                 QStringList({"Show.tzk"}));
    }

    void moreThan255FixturesAreRefused()
    {
        for (int i = 0; i < 252; ++i)
            write(QStringLiteral("many/f%1.zff").arg(i, 3, 10, QLatin1Char('0')), profile("Many"));
        auto p = open();
        p->folders()->setPath(path(QStringLiteral("many")));
        for (int i = 0; i < 251; ++i) {
            QVERIFY(p->files()->setFileName(QStringLiteral("f%1.zff").arg(i, 3, 10, QLatin1Char('0'))));
            p->panel.AddFixtureFile();
        }
        QCOMPARE(p->entries().size(), 255);

        // 255 fixtures fit.
        p->prompts.paths << path(QStringLiteral("Full.tzk"));
        p->click("Command9");
        QVERIFY(p->messages().isEmpty());
        QCOMPARE(quint8(testsupport::readAll(path(QStringLiteral("Full.tzk")))[14080]), quint8(255));

        QVERIFY(p->files()->setFileName(QStringLiteral("f251.zff")));
        p->panel.AddFixtureFile();
        QCOMPARE(p->entries().size(), 256);
        p->prompts.paths << path(QStringLiteral("Over.tzk"));
        p->click("Command9");
        QCOMPARE(p->messages().size(), 1);
        QCOMPARE(p->prompts.last().title, QStringLiteral("Zelva71 Fixture"));
        QVERIFY2(p->prompts.last().text.contains(QStringLiteral("at most 255 fixtures")), qPrintable(p->prompts.last().text));
        QCOMPARE(p->prompts.last().buttons, PromptButtons::Ok);
        // Refused before a name is asked for; nothing is written.
        QCOMPARE(p->prompts.paths.size(), 1);
        QVERIFY(!QFile::exists(path(QStringLiteral("Over.tzk"))));
    }

    void unusableFixtureRefusesTheSet_data()
    {
        QTest::addColumn<QString>("remove"); // a library file taken away, or empty
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("reason");
        QTest::newRow("library file missing")
            << "KZTFIX8.zff" << 1 << "KZTFIX8.zff is missing from the program folder; start Zelvar71 again to restore it";
        QTest::newRow("file too short") << "" << 4 << "4 bytes long";
    }

    void unusableFixtureRefusesTheSet()
    {
        QFETCH(QString, remove);
        QFETCH(int, row);
        QFETCH(QString, reason);
        if (!remove.isEmpty())
            QVERIFY(QFile::remove(m_bin + QLatin1Char('/') + remove));
        const QString old = write(QStringLiteral("Show.tzk"), "old set");
        auto p = open();
        p->add(m_shows, QStringLiteral("stub.zff"));
        p->prompts.paths << old;
        p->click("Command9");

        QCOMPARE(p->messages().size(), 1);
        const QString text = p->prompts.last().text;
        QCOMPARE(p->prompts.last().title, QStringLiteral("Zelva71 Fixture"));
        if (row >= LibraryFixtureCount)
            QVERIFY2(text.contains(p->entries().at(row)), qPrintable(text));
        QVERIFY2(text.contains(reason), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("not written")), qPrintable(text));
        QCOMPARE(testsupport::readAll(old), QByteArray("old set"));
        // The selection rests on the fixture that refused the set.
        QCOMPARE(p->selectedRow(), row);
    }

    void writeFailureIsReported()
    {
        auto p = open();
        p->prompts.paths << path(QStringLiteral("no/such/folder/Show"));
        p->click("Command9");
        QCOMPARE(p->messages().size(), 1);
        QCOMPARE(p->prompts.last().title, QStringLiteral("Zelva71 Fixture"));
        QVERIFY2(p->prompts.last().text.contains(QStringLiteral("not written")), qPrintable(p->prompts.last().text));
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("no"))));
    }
};

QTEST_MAIN(TestSelectionPanel)
#include "tst_selectionpanel.moc"
