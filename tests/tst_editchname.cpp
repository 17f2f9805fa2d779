// The channel-name editor driven as a user drives it: clicks on cells and buttons, typing
// into the cell editor, the "&Windows" menu; both name files checked byte for byte after
// every Save.
#include "channames/channelnamefiles.h"
#include "channames/channelnamestore.h"
#include "channames/editchname.h"
#include "common/navigation.h"
#include "common/programfolder.h"
#include "scriptedprompts.h"
#include "testsupport.h"

#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvar;
using testsupport::padded;
using testsupport::readAll;
using testsupport::writeAll;

namespace {

// The built-in names as the editor shows them, entries 0 to 58.
const char *const Defaults[59] = {
    "Pan",      "Pan Fine", "Tilt",     "Tlt Fine", "P/T Spd",  "Shutter",  "Dimmer",   "Focus",    "Zoom",
    "Color",    "Cyan",     "Magenta",  "Yellow",   "CMY Spd.", "Red",      "Green",    "Blue",     "Color1",
    "Color2",   "St. Gobo", "Gobo",     "Gobo Rot", "Gobo1",    "Gobo1Rot", "Gobo2",    "Gobo2Rot", "Rotation",
    "Rot Gobo", "Prism",    "Prsm Rot", "Macros",   "Iris",     "Effect",   "Special",  "Fan Spd.", "Function",
    "Head",     "HeadFine", "Head Spd", "Mirror",   "Mir. Fine", "Mir. Spd", "CHAN.01", "CHAN.02",  "CHAN.03",
    "CHAN.04",  "CHAN.05",  "CHAN.06",  "CHAN.07",  "CHAN.08",  "CHAN.09",  "CHAN.10",  "CHAN.11",  "CHAN.12",
    "CHAN.13",  "CHAN.14",  "CHAN.15",  "CHAN.16",  "Not Used",
};

// `text` cut or blank-padded to a name field of 8 bytes.
QByteArray field(const QByteArray &text)
{
    return padded(text.left(8).constData(), 8);
}

QByteArray record(int entryIndex, int nameId, const QByteArray &name8)
{
    return QByteArray(1, char(entryIndex)) + QByteArray(1, char(nameId)) + name8;
}

// "ChNameSet.fix" as a Save writes it with the built-in names and nothing else set.
QByteArray defaultSet()
{
    QByteArray set;
    for (int i = 0; i < 59; ++i)
        set += record(i, i, field(Defaults[i]));
    return set + QByteArray(197 * 10, '\0');
}

// "ChNameDown.fix" likewise: the controller's spellings of five built-in names.
QByteArray defaultDown()
{
    QByteArray down;
    for (int i = 0; i < 59; ++i)
        down += field(Defaults[i]);
    down.replace(8 * 17, 8, "Color 1 ");
    down.replace(8 * 18, 8, "Color 2 ");
    down.replace(8 * 19, 8, "St.Gobo ");
    down.replace(8 * 29, 8, "Prism Ro");
    return down + QByteArray(197 * 8, '\0');
}

// Entry `i` set to `name` in both files' images.
void setEntry(QByteArray &set, QByteArray &down, int i, const QByteArray &name)
{
    set.replace(10 * i, 10, record(i, i, field(name)));
    down.replace(8 * i, 8, field(name));
}

// A full "ChNameSet.fix" whose 256 entries all differ from the built-in names.
QByteArray userSet()
{
    QByteArray set;
    for (int i = 0; i < 256; ++i)
        set += record(i, i, field(QByteArray("Old") + QByteArray::number(i)));
    return set;
}

class RecordingNavigator : public WindowNavigator
{
public:
    QStringList calls;
    void showLinkWindow() override { calls << QStringLiteral("showLinkWindow"); }
    void showFixtureEditor() override { calls << QStringLiteral("showFixtureEditor"); }
    void showChannelNameEditor() override { calls << QStringLiteral("showChannelNameEditor"); }
    void endProgram() override { calls << QStringLiteral("endProgram"); }
};

QTableWidget *grid(QWidget *w)
{
    return w->findChild<QTableWidget *>(QStringLiteral("ChMSFlexGrid"));
}
QLineEdit *editor(QWidget *w)
{
    return w->findChild<QLineEdit *>(QStringLiteral("ChTextEdit"));
}
QPushButton *button(QWidget *w, const char *name)
{
    return w->findChild<QPushButton *>(QLatin1String(name));
}

// The text of grid row `row` (1 to 256) in column `column`.
QString cell(QWidget *w, int row, int column = 1)
{
    return grid(w)->item(row - 1, column)->text();
}

// Clicks grid row `row` (1 to 256), column `column`, scrolling it into view first.
void clickCell(QWidget *w, int row, int column = 1)
{
    QTableWidget *g = grid(w);
    QTableWidgetItem *item = g->item(row - 1, column);
    g->scrollToItem(item);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualItemRect(item).center());
}

void click(QWidget *w, const char *buttonName)
{
    QTest::mouseClick(button(w, buttonName), Qt::LeftButton);
}

} // namespace

class TestEditChName : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    ScriptedPrompts *m_prompts = nullptr;
    RecordingNavigator *m_navigator = nullptr;
    QList<QPointer<EditChName>> m_windows;

    QString setPath() const { return m_dir->filePath(QStringLiteral("ChNameSet.fix")); }
    QString downPath() const { return m_dir->filePath(QStringLiteral("ChNameDown.fix")); }

    // Opens a new editor window as the main window's menu does, shown and active.
    EditChName *openWindow()
    {
        auto *w = new EditChName(m_navigator, *m_prompts);
        m_windows << w;
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w))
            qWarning("window not active");
        return w;
    }

    void chooseMenuItem(EditChName *w, const char *actionName)
    {
        auto *menu = w->findChild<QMenu *>(QStringLiteral("mainWi"));
        QMenuBar *bar = w->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        auto *action = w->findChild<QAction *>(QLatin1String(actionName));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        QVERIFY(!menu->isVisible());
    }

    // Editor open over grid row `row`, holding the focus.
    void verifyEditorOn(EditChName *w, int row)
    {
        QLineEdit *e = editor(w);
        QVERIFY(e->isVisible());
        QVERIFY(e->hasFocus());
        QCOMPARE(e->geometry(), grid(w)->visualItemRect(grid(w)->item(row - 1, 1)));
        QCOMPARE(grid(w)->currentRow(), row - 1);
    }

    void verifyDefaultsShown(EditChName *w)
    {
        for (int i = 0; i < 59; ++i)
            QCOMPARE(cell(w, i + 1), QString::fromLatin1(Defaults[i]));
    }

    void verifyFiles(const QByteArray &set, const QByteArray &down)
    {
        QCOMPARE(readAll(setPath()), set);
        QCOMPARE(readAll(downPath()), down);
    }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_prompts = new ScriptedPrompts;
        m_navigator = new RecordingNavigator;
        setProgramFolder(m_dir->path());
        // Rows a case leaves unsaved are kept where the next case does not look.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->filePath(QStringLiteral("data"))));
    }

    void cleanup()
    {
        for (const QPointer<EditChName> &w : std::as_const(m_windows))
            delete w.data();
        m_windows.clear();
        setProgramFolder(QString());
        QCOMPARE(m_prompts->unscripted, 0);
        delete m_navigator;
        delete m_prompts;
        delete m_dir;
    }

    void controlsSitWhereTheLayoutPutsThem()
    {
        EditChName *w = openWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("Edit Channel Name Rev1.09"));
        QCOMPARE(w->objectName(), QStringLiteral("EditChName"));

        QTableWidget *g = grid(w);
        QCOMPARE(g->geometry(), QRect(136, 16, 377, 617));
        QCOMPARE(g->rowCount(), 256);
        QCOMPARE(g->columnCount(), 2);
        QCOMPARE(g->horizontalHeader()->height(), 33); // 500 twips
        QCOMPARE(g->columnWidth(0), 169);              // (5655 - 100) / 2 - 230 = 2547 twips
        QCOMPARE(g->columnWidth(1), 185);              // 2777 twips
        QCOMPARE(g->horizontalHeaderItem(0)->text(), QStringLiteral("Channel ID"));
        QCOMPARE(g->horizontalHeaderItem(1)->text(), QStringLiteral("Channel Name"));
        QCOMPARE(cell(w, 1, 0), QStringLiteral("1"));
        QCOMPARE(cell(w, 60, 0), QStringLiteral("60"));
        QCOMPARE(cell(w, 256, 0), QStringLiteral("256"));
        QCOMPARE(g->currentColumn(), 1);
        QVERIFY(!editor(w)->isVisible());

        QCOMPARE(button(w, "ChSave")->text(), QStringLiteral("Save"));
        QCOMPARE(button(w, "ChSave")->geometry(), QRect(544, 40, 65, 33));
        QCOMPARE(button(w, "Command1")->text(), QStringLiteral("Exit"));
        QCOMPARE(button(w, "Command1")->geometry(), QRect(544, 80, 65, 33));
        QCOMPARE(button(w, "Init")->text(), QStringLiteral("Init"));
        QCOMPARE(button(w, "Init")->geometry(), QRect(536, 416, 65, 33));
        // Nothing hangs over the window's inner area.
        const QRect inner = w->centralWidget()->rect();
        for (QWidget *child : {static_cast<QWidget *>(g), static_cast<QWidget *>(button(w, "ChSave")),
                               static_cast<QWidget *>(button(w, "Command1")), static_cast<QWidget *>(button(w, "Init"))})
            QVERIFY(inner.contains(child->geometry()));

        auto *menu = w->findChild<QMenu *>(QStringLiteral("mainWi"));
        QVERIFY(menu);
        QCOMPARE(menu->title(), QStringLiteral("&Windows"));
        const QList<QAction *> items = menu->actions();
        QCOMPARE(items.size(), 4);
        QCOMPARE(items[0]->objectName(), QStringLiteral("eSu"));
        QCOMPARE(items[0]->text(), QStringLiteral("Show &Kiron"));
        QCOMPARE(items[1]->objectName(), QStringLiteral("eSM"));
        QCOMPARE(items[1]->text(), QStringLiteral("Show &Zelvar71"));
        QCOMPARE(items[2]->objectName(), QStringLiteral("eNULL"));
        QVERIFY(items[2]->isSeparator());
        QCOMPARE(items[3]->objectName(), QStringLiteral("eExit"));
        QCOMPARE(items[3]->text(), QStringLiteral("&Exit"));
    }

    void firstStartShowsTheDefaultsAndSavesThem()
    {
        QVERIFY(CreateMissingChannelNameFiles(m_dir->path()));
        EditChName *w = openWindow();
        verifyFiles(defaultSet(), defaultDown());
        for (int i = 0; i < 59; ++i)
            QCOMPARE(cell(w, i + 1), QString::fromLatin1(Defaults[i]).left(8)); // read from the file
        for (int row = 60; row <= 256; ++row)
            QCOMPARE(cell(w, row), QString());

        click(w, "ChSave");
        verifyFiles(defaultSet(), defaultDown());
        // A second Save writes the same bytes again.
        click(w, "ChSave");
        verifyFiles(defaultSet(), defaultDown());
        QCOMPARE(m_prompts->calls.size(), 0); // a successful Save says nothing
    }

    void setFileOfTheMinimumLength_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("579 bytes: ignored") << 579;
        QTest::newRow("580 bytes: read") << 580;
    }
    void setFileOfTheMinimumLength()
    {
        QFETCH(int, size);
        // 58 whole records, and for 579 bytes the last one a byte short.
        const QByteArray file = userSet().left(size);
        QVERIFY(writeAll(setPath(), file));
        EditChName *w = openWindow();

        QByteArray set, down = defaultDown();
        if (size == 579) {
            verifyDefaultsShown(w);
            set = defaultSet();
        } else {
            for (int row = 1; row <= 58; ++row)
                QCOMPARE(cell(w, row), QStringLiteral("Old%1").arg(row - 1));
            // Entries the file does not reach are never set: their cells look empty.
            QCOMPARE(cell(w, 59), QString());
            QCOMPARE(cell(w, 60), QString());
            set = file + QByteArray(2560 - 580, '\0');
        }
        clickCell(w, 60);
        verifyEditorOn(w, 60);
        QCOMPARE(editor(w)->text(), QString());

        click(w, "ChSave");
        verifyFiles(set, down);
    }

    void builtInRowsAndTheIdColumnOpenNoEditor_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::newRow("row 1 name") << 1 << 1;
        QTest::newRow("row 41 name") << 41 << 1;
        QTest::newRow("row 59 name") << 59 << 1;
        QTest::newRow("row 1 id") << 1 << 0;
        QTest::newRow("row 60 id") << 60 << 0;
        QTest::newRow("row 256 id") << 256 << 0;
    }
    void builtInRowsAndTheIdColumnOpenNoEditor()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        EditChName *w = openWindow();
        clickCell(w, row, column);
        QCOMPARE(grid(w)->currentRow(), row - 1);
        QCOMPARE(grid(w)->currentColumn(), column);
        QVERIFY(!editor(w)->isVisible());
        QVERIFY(grid(w)->hasFocus());
        // Nor does the keyboard.
        QTest::keyClick(grid(w), Qt::Key_F2);
        QVERIFY(!editor(w)->isVisible());
    }

    void editorTakesEightSingleByteCharacters()
    {
        EditChName *w = openWindow();
        clickCell(w, 60);
        verifyEditorOn(w, 60);
        QTest::keyClicks(editor(w), QStringLiteral("Strobe12X"));
        QCOMPARE(editor(w)->text(), QStringLiteral("Strobe12"));

        clickCell(w, 61);
        for (const QChar c : QStringLiteral("Ré€d"))
            QTest::sendKeyEvent(QTest::Click, editor(w), Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCOMPARE(editor(w)->text(), QStringLiteral("Réd")); // no byte for the euro sign
        clickCell(w, 62);

        QByteArray set = defaultSet(), down = defaultDown();
        setEntry(set, down, 59, "Strobe12");
        setEntry(set, down, 60, "R\xe9" "d");
        click(w, "ChSave");
        verifyFiles(set, down);
    }

    void typingANameAndClickingTheNextRow()
    {
        EditChName *w = openWindow();
        clickCell(w, 60);
        verifyEditorOn(w, 60);
        QTest::keyClicks(editor(w), QStringLiteral("Spot 1"));
        clickCell(w, 61);

        QCOMPARE(cell(w, 60), QStringLiteral("Spot 1"));
        const ChannelNameEntry &e = w->table().entries[59];
        QCOMPARE(e.entryIndex, quint8(59));
        QCOMPARE(e.nameId, quint8(59));
        QCOMPARE(e.name.bytes(), QByteArray("Spot 1  "));
        verifyEditorOn(w, 61);
        QCOMPARE(editor(w)->text(), QString());

        QTest::keyClicks(editor(w), QStringLiteral("Wash"));
        click(w, "ChSave"); // the click takes the focus, which commits "Wash" first
        QVERIFY(!editor(w)->isVisible());
        QCOMPARE(cell(w, 61), QStringLiteral("Wash"));

        QByteArray set = defaultSet(), down = defaultDown();
        setEntry(set, down, 59, "Spot 1");
        setEntry(set, down, 60, "Wash");
        verifyFiles(set, down);
    }

    void editorOpensWithTheCellTextAndTheCaretAtItsEnd()
    {
        QByteArray file = userSet();
        QVERIFY(writeAll(setPath(), file));
        EditChName *w = openWindow();
        clickCell(w, 200);
        verifyEditorOn(w, 200);
        QCOMPARE(editor(w)->text(), QStringLiteral("Old199"));
        QCOMPARE(editor(w)->cursorPosition(), 6);
        QTest::keyClicks(editor(w), QStringLiteral("b"));
        QCOMPARE(editor(w)->text(), QStringLiteral("Old199b"));

        // Scrolling keeps the editor over its cell.
        grid(w)->verticalScrollBar()->setValue(grid(w)->verticalScrollBar()->value() - 3);
        QCOMPARE(editor(w)->geometry(), grid(w)->visualItemRect(grid(w)->item(199, 1)));

        clickCell(w, 1);
        QVERIFY(!editor(w)->isVisible());
        QCOMPARE(cell(w, 200), QStringLiteral("Old199b"));
        click(w, "ChSave");
        QByteArray down = defaultDown();
        for (int i = 59; i < 256; ++i)
            down.replace(8 * i, 8, file.mid(10 * i + 2, 8));
        file.replace(10 * 199, 10, record(199, 199, "Old199b "));
        down.replace(8 * 199, 8, "Old199b ");
        verifyFiles(file, down);
    }

    void emptiedTextLeavesThePreviousName()
    {
        const QByteArray file = userSet();
        QVERIFY(writeAll(setPath(), file));
        EditChName *w = openWindow();
        clickCell(w, 60);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(editor(w), Qt::Key_Backspace);
        QCOMPARE(editor(w)->text(), QString());
        clickCell(w, 62);
        QCOMPARE(cell(w, 60), QStringLiteral("Old59"));
        QCOMPARE(w->table().entries[59].name.bytes(), QByteArray("Old59   "));
        verifyEditorOn(w, 62);

        // Likewise when the click lands on a button.
        QTest::keyClick(editor(w), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(editor(w), Qt::Key_Delete);
        click(w, "ChSave");
        QVERIFY(!editor(w)->isVisible());
        QCOMPARE(cell(w, 62), QStringLiteral("Old61"));

        QByteArray down = defaultDown();
        for (int i = 59; i < 256; ++i)
            down.replace(8 * i, 8, file.mid(10 * i + 2, 8));
        verifyFiles(file, down);
    }

    // When the current cell changes while the editor still holds the focus, the empty
    // text is committed: the name becomes eight blanks. A click always moves the focus
    // first, so the cell is changed the way the keyboard would change it.
    void cellChangeCommitsEvenAnEmptyText()
    {
        QVERIFY(writeAll(setPath(), userSet()));
        EditChName *w = openWindow();
        clickCell(w, 60);
        QTest::keyClick(editor(w), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(editor(w), Qt::Key_Backspace);
        QVERIFY(editor(w)->hasFocus());
        grid(w)->setCurrentCell(60, 1);

        QVERIFY(!editor(w)->isVisible());
        QCOMPARE(editor(w)->text(), QString());
        QVERIFY(grid(w)->hasFocus()); // not passed on to a button
        QCOMPARE(cell(w, 60), QString());
        const ChannelNameEntry &e = w->table().entries[59];
        QCOMPARE(e.entryIndex, quint8(59));
        QCOMPARE(e.nameId, quint8(59));
        QCOMPARE(e.name.bytes(), QByteArray(8, ' '));

        click(w, "ChSave");
        QByteArray set = userSet(), down = defaultDown();
        for (int i = 59; i < 256; ++i)
            down.replace(8 * i, 8, set.mid(10 * i + 2, 8));
        setEntry(set, down, 59, "");
        verifyFiles(set, down);
    }

    void enterCommitsAndEscapeAbandons()
    {
        EditChName *w = openWindow();
        clickCell(w, 70);
        QTest::keyClicks(editor(w), QStringLiteral("Laser"));
        QTest::keyClick(editor(w), Qt::Key_Return);
        QVERIFY(!editor(w)->isVisible());
        QVERIFY(grid(w)->hasFocus());
        QCOMPARE(cell(w, 70), QStringLiteral("Laser"));

        QTest::keyClick(grid(w), Qt::Key_F2); // reopens on the current cell
        verifyEditorOn(w, 70);
        QCOMPARE(editor(w)->text(), QStringLiteral("Laser"));
        QTest::keyClicks(editor(w), QStringLiteral("XY"));
        QTest::keyClick(editor(w), Qt::Key_Escape);
        QVERIFY(!editor(w)->isVisible());
        QCOMPARE(cell(w, 70), QStringLiteral("Laser"));

        click(w, "ChSave");
        QByteArray set = defaultSet(), down = defaultDown();
        setEntry(set, down, 69, "Laser");
        verifyFiles(set, down);
    }

    void initRestoresTheBuiltInNamesOnly()
    {
        const QByteArray file = userSet();
        QVERIFY(writeAll(setPath(), file));
        EditChName *w = openWindow();
        QCOMPARE(cell(w, 41), QStringLiteral("Old40"));
        click(w, "Init");

        verifyDefaultsShown(w);
        QCOMPARE(cell(w, 41), QStringLiteral("Mir. Fine"));
        QCOMPARE(w->table().entries[40].name.bytes(), QByteArray("Mir. Fin"));
        for (int row = 60; row <= 256; ++row)
            QCOMPARE(cell(w, row), QStringLiteral("Old%1").arg(row - 1));
        QCOMPARE(readAll(setPath()), file); // nothing written before Save
        QVERIFY(!QFileInfo::exists(downPath()));

        click(w, "ChSave");
        QByteArray set = defaultSet().left(590) + file.mid(590);
        QCOMPARE(set.mid(10 * 40, 10), record(40, 40, "Mir. Fin"));
        QCOMPARE(set.mid(10 * 58, 10), record(58, 58, "Not Used"));
        QByteArray down = defaultDown();
        for (int i = 59; i < 256; ++i)
            down.replace(8 * i, 8, file.mid(10 * i + 2, 8));
        verifyFiles(set, down);

        // Reopened, the window shows what the file holds: the cut name.
        click(w, "Command1");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        w = openWindow();
        QCOMPARE(cell(w, 41), QStringLiteral("Mir. Fin"));
        QCOMPARE(cell(w, 59), QStringLiteral("Not Used"));
    }

    void downloadNamesStayWhateverTheTableHolds()
    {
        const QByteArray file = userSet();
        QVERIFY(writeAll(setPath(), file));
        EditChName *w = openWindow();
        click(w, "ChSave");
        const QByteArray down = readAll(downPath());
        QCOMPARE(down.size(), 2048);
        QCOMPARE(down.left(8 * 59), defaultDown().left(8 * 59));
        QCOMPARE(down.mid(8 * 17, 8), QByteArray("Color 1 "));
        QCOMPARE(down.mid(8 * 19, 8), QByteArray("St.Gobo "));
        QCOMPARE(down.mid(8 * 29, 8), QByteArray("Prism Ro"));
        QCOMPARE(down.mid(8 * 58, 8), QByteArray("Not Used"));
        const QByteArray set = readAll(setPath());
        QCOMPARE(set, file);
        for (int i = 59; i < 256; ++i)
            QCOMPARE(down.mid(8 * i, 8), set.mid(10 * i + 2, 8));
        QCOMPARE(cell(w, 18), QStringLiteral("Old17")); // the table keeps its names
    }

    void longerFilesKeepTheirTails()
    {
        const QByteArray setTail("set file tail beyond 2560");
        const QByteArray downTail("down file tail");
        QVERIFY(writeAll(setPath(), defaultSet() + setTail));
        QVERIFY(writeAll(downPath(), QByteArray(2048, 'x') + downTail));
        EditChName *w = openWindow();
        clickCell(w, 256);
        QTest::keyClicks(editor(w), QStringLiteral("Last"));
        clickCell(w, 255);
        click(w, "ChSave");

        QByteArray set = defaultSet(), down = defaultDown();
        setEntry(set, down, 255, "Last");
        verifyFiles(set + setTail, down + downTail);
    }

    void exitClosesThisWindowOnlyAndSetsUnsavedEditsAside()
    {
        EditChName *w = openWindow();
        clickCell(w, 60);
        QTest::keyClicks(editor(w), QStringLiteral("Kept"));
        clickCell(w, 61);
        QTest::keyClicks(editor(w), QStringLiteral("Unsaved"));
        click(w, "ChSave");
        clickCell(w, 62);
        QTest::keyClicks(editor(w), QStringLiteral("Lost"));
        clickCell(w, 63);

        QPointer<EditChName> closing(w);
        click(w, "Command1");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(closing.isNull());
        QVERIFY(m_navigator->calls.isEmpty());

        QByteArray set = defaultSet(), down = defaultDown();
        setEntry(set, down, 59, "Kept");
        setEntry(set, down, 60, "Unsaved");
        verifyFiles(set, down);

        // The unsaved row is offered once more; given up, the last saved names show.
        m_prompts->answers << PromptAnswer::Cancel;
        w = openWindow();
        QCOMPARE(m_prompts->calls.size(), 1);
        QVERIFY2(m_prompts->last().text.endsWith(QStringLiteral("\n\nRow 62: Lost")), qPrintable(m_prompts->last().text));
        QCOMPARE(cell(w, 60), QStringLiteral("Kept"));
        QCOMPARE(cell(w, 61), QStringLiteral("Unsaved"));
        QCOMPARE(cell(w, 62), QString());
        QCOMPARE(cell(w, 41), QStringLiteral("Mir. Fin"));
    }

    void windowsMenuCallsUpTheOtherWindows()
    {
        EditChName *w = openWindow();
        chooseMenuItem(w, "eSu");
        chooseMenuItem(w, "eSM");
        QCOMPARE(m_navigator->calls, QStringList({QStringLiteral("showLinkWindow"), QStringLiteral("showFixtureEditor")}));
        QVERIFY(w->isVisible());
        chooseMenuItem(w, "eExit");
        QCOMPARE(m_navigator->calls.last(), QStringLiteral("endProgram"));
        QVERIFY(!QFileInfo::exists(downPath())); // ending the program saves nothing

        // Shown alone, the window has no one to call.
        auto *alone = new EditChName(nullptr, *m_prompts);
        m_windows << alone;
        alone->findChild<QAction *>(QStringLiteral("eSu"))->trigger();
        alone->findChild<QAction *>(QStringLiteral("eExit"))->trigger();
        QCOMPARE(m_navigator->calls.size(), 3);
    }

    void openingTheMenuKeepsTheEdit()
    {
        EditChName *w = openWindow();
        clickCell(w, 80);
        QTest::keyClicks(editor(w), QStringLiteral("Fog"));
        auto *menu = w->findChild<QMenu *>(QStringLiteral("mainWi"));
        QMenuBar *bar = w->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        menu->close();
        QVERIFY(editor(w)->isVisible());
        QCOMPARE(editor(w)->text(), QStringLiteral("Fog"));
        clickCell(w, 81);
        QCOMPARE(cell(w, 80), QStringLiteral("Fog"));
    }

    // The two files are one pair: when one cannot be replaced, neither is written, and the
    // edit stays unsaved.
    void failedSaveNamesTheFile()
    {
        QVERIFY(writeAll(setPath(), defaultSet()));
        QVERIFY(writeAll(downPath(), defaultDown()));
        EditChName *w = openWindow();
        clickCell(w, 60);
        QTest::keyClicks(editor(w), QStringLiteral("Beam"));
        // A folder comes to stand where the file should be.
        QVERIFY(QFile::remove(downPath()));
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("ChNameDown.fix")));
        click(w, "ChSave");

        QCOMPARE(m_prompts->calls.size(), 1);
        const PromptCall &box = m_prompts->last();
        QCOMPARE(box.kind, PromptCall::Message);
        QCOMPARE(box.title, QStringLiteral("Edit Channel Name"));
        QCOMPARE(box.buttons, PromptButtons::Ok);
        QCOMPARE(box.text, QStringLiteral("The channel names were not saved.\n\nChNameDown.fix is a folder, not a "
                                          "file\n\nFolder: %1")
                               .arg(m_dir->path()));
        QCOMPARE(readAll(setPath()), defaultSet());
        QVERIFY(QFileInfo(downPath()).isDir());
        QCOMPARE(w->heldEntries(), HeldEntries().set(59));
    }

    void unreadableSetFileIsReported()
    {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("ChNameSet.fix")));
        EditChName *w = openWindow();
        QCOMPARE(m_prompts->calls.size(), 1);
        QCOMPARE(m_prompts->last().title, QStringLiteral("Edit Channel Name"));
        QVERIFY2(m_prompts->last().text.contains(QStringLiteral("ChNameSet.fix")), qPrintable(m_prompts->last().text));
        verifyDefaultsShown(w);

        // The pair is written whole or not at all: the download file is not written either.
        click(w, "ChSave");
        QCOMPARE(m_prompts->calls.size(), 2);
        QVERIFY(m_prompts->last().text.contains(QStringLiteral("ChNameSet.fix")));
        QVERIFY(QFileInfo(setPath()).isDir());
        QVERIFY(!QFileInfo::exists(downPath()));
    }

    // The fixture editor offers the saved names, with their identifiers.
    void savedNamesBecomeChoices()
    {
        EditChName *w = openWindow();
        clickCell(w, 60);
        QTest::keyClicks(editor(w), QStringLiteral(" Spot"));
        clickCell(w, 256);
        QTest::keyClicks(editor(w), QStringLiteral("Hazer"));
        clickCell(w, 200);
        QTest::keyClicks(editor(w), QStringLiteral("Unsaved"));
        clickCell(w, 256); // commits "Unsaved" and reopens on row 256
        QTest::keyClick(editor(w), Qt::Key_Escape);
        click(w, "ChSave");
        clickCell(w, 201);
        QTest::keyClicks(editor(w), QStringLiteral("After"));
        clickCell(w, 202); // not saved: no choice

        ChannelNameStore &store = ChannelNameStore::forFolder(programFolder());
        QVERIFY(store.refresh());
        const QVector<ChannelNameChoice> choices = store.choices();
        QCOMPARE(choices.size(), 62);
        for (int i = 0; i < 59; ++i) {
            QCOMPARE(choices[i].text, QString::fromLatin1(field(Defaults[i])).trimmed());
            QCOMPARE(choices[i].nameId, quint8(i));
        }
        QCOMPARE(choices[59].text, QStringLiteral(" Spot"));
        QCOMPARE(choices[59].nameId, quint8(59));
        QCOMPARE(choices[60].text, QStringLiteral("Unsaved"));
        QCOMPARE(choices[60].nameId, quint8(199));
        QCOMPARE(choices[61].text, QStringLiteral("Hazer"));
        QCOMPARE(choices[61].nameId, quint8(255));

        QByteArray set = defaultSet(), down = defaultDown();
        setEntry(set, down, 59, " Spot");
        setEntry(set, down, 199, "Unsaved");
        setEntry(set, down, 255, "Hazer");
        verifyFiles(set, down);
    }

    // Names others write while the window is open: an import of this program (at once) and
    // another process (within a second). Rows without unsaved edits take them; an import
    // takes neither an edited row nor the row being edited; at Save each row that both
    // changed is asked about, in entry order, and the rest is written with what others wrote.
    void takesNamesAnotherWindowWrote()
    {
        QByteArray set = defaultSet();
        QByteArray down = defaultDown();
        setEntry(set, down, 59, "Laser");
        writeAll(setPath(), set);
        writeAll(downPath(), down);
        EditChName *w = openWindow();
        clickCell(w, 61);
        QTest::keyClicks(editor(w), QStringLiteral("Mine"));
        clickCell(w, 63);
        QTest::keyClicks(editor(w), QStringLiteral("Typing"));

        ChannelNameStore &store = ChannelNameStore::forFolder(m_dir->path());
        QVERIFY(store.update([](const ChannelNameTable &, NameFilesUpdate &update) {
            for (const char *name : {"White", "Amber", "UV"})
                update.table.findOrAddName(QString::fromLatin1(name));
            return Outcome::success();
        }));
        QCOMPARE(cell(w, 60), QStringLiteral("Laser"));
        QCOMPARE(cell(w, 61), QStringLiteral("Mine"));
        QCOMPARE(cell(w, 62), QStringLiteral("White"));
        QCOMPARE(cell(w, 63), QString());
        QCOMPARE(cell(w, 64), QStringLiteral("Amber"));
        QCOMPARE(cell(w, 65), QStringLiteral("UV"));
        verifyEditorOn(w, 63);
        QCOMPARE(editor(w)->text(), QStringLiteral("Typing"));

        // Another process renames two rows the user has changed, and fills one more.
        ChannelNameTable outside = store.names();
        outside.setName(60, QStringLiteral("Fog"));
        outside.setName(62, QStringLiteral("Strobe"));
        outside.setName(69, QStringLiteral("Haze"));
        QVERIFY(SaveChannelNames(m_dir->path(), outside));
        QTRY_COMPARE_WITH_TIMEOUT(cell(w, 70), QStringLiteral("Haze"), 1000);
        QCOMPARE(cell(w, 61), QStringLiteral("Mine"));
        QCOMPARE(editor(w)->text(), QStringLiteral("Typing"));

        m_prompts->answers << PromptAnswer::Cancel << PromptAnswer::Ok;
        click(w, "ChSave");
        QCOMPARE(m_prompts->calls.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(m_prompts->calls.at(i).title, QStringLiteral("Edit Channel Name"));
            QCOMPARE(m_prompts->calls.at(i).buttons, PromptButtons::OkCancel);
        }
        QCOMPARE(m_prompts->calls.at(0).text,
                 QStringLiteral("Entry 60 is now \"Fog\" in the channel-name files; keep your \"Mine\"?"));
        QCOMPARE(m_prompts->calls.at(1).text,
                 QStringLiteral("Entry 62 is now \"Strobe\" in the channel-name files; keep your \"Typing\"?"));
        setEntry(set, down, 60, "Fog"); // Cancel: the files' name
        setEntry(set, down, 61, "White");
        setEntry(set, down, 62, "Typing"); // OK: the user's
        setEntry(set, down, 63, "Amber");
        setEntry(set, down, 64, "UV");
        setEntry(set, down, 69, "Haze");
        verifyFiles(set, down);
        QCOMPARE(cell(w, 61), QStringLiteral("Fog"));
        QCOMPARE(cell(w, 63), QStringLiteral("Typing"));
        QCOMPARE(w->heldEntries(), HeldEntries());

        // Saved: the rows are no longer edited, and the next names written are taken.
        outside = store.names();
        outside.setName(62, QStringLiteral("Frost"));
        QVERIFY(SaveChannelNames(m_dir->path(), outside));
        QTRY_COMPARE_WITH_TIMEOUT(cell(w, 63), QStringLiteral("Frost"), 1000);
        QCOMPARE(m_prompts->calls.size(), 2);
    }

    // Each committed row is one step and so is "Init"; the cell editor undoes its own
    // typing first.
    void undoAndRedo()
    {
        QVERIFY(writeAll(setPath(), userSet()));
        EditChName *w = openWindow();
        auto *undo = w->findChild<QAction *>(QStringLiteral("mnuUndo"));
        auto *redo = w->findChild<QAction *>(QStringLiteral("mnuRedo"));
        QCOMPARE(w->menuBar()->actions().size(), 2);
        QCOMPARE(w->menuBar()->actions().at(1)->text(), QStringLiteral("&Edit"));
        QCOMPARE(undo->text(), QStringLiteral("&Undo"));
        QVERIFY(!undo->isEnabled());
        QVERIFY(!redo->isEnabled());

        clickCell(w, 60);
        QTest::keyClick(editor(w), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor(w), QStringLiteral("Haze"));
        clickCell(w, 61);
        QCOMPARE(undo->text(), QStringLiteral("&Undo Name in row 60"));
        QTest::keyClicks(editor(w), QStringLiteral("Fog"));
        QTest::keyClick(editor(w), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(editor(w)->text(), QStringLiteral("Old60"));
        QCOMPARE(cell(w, 60), QStringLiteral("Haze"));
        QTest::keyClick(editor(w), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!editor(w)->isVisible());
        QCOMPARE(cell(w, 60), QStringLiteral("Old59"));
        QCOMPARE(w->table().entries[59].name.bytes(), QByteArray("Old59   "));
        QCOMPARE(redo->text(), QStringLiteral("&Redo Name in row 60"));

        // A new step drops the one to redo.
        click(w, "Init");
        QCOMPARE(undo->text(), QStringLiteral("&Undo Init"));
        QVERIFY(!redo->isEnabled());
        QCOMPARE(cell(w, 41), QStringLiteral("Mir. Fine"));
        QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
        for (int row : {1, 41, 59})
            QCOMPARE(cell(w, row), QStringLiteral("Old%1").arg(row - 1));
        QCOMPARE(w->table().entries[40].name.bytes(), QByteArray("Old40   "));
        QTest::keyClick(w, Qt::Key_Z, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(cell(w, 41), QStringLiteral("Mir. Fine"));
        click(w, "ChSave");
        QByteArray set = userSet();
        set.replace(0, 590, defaultSet().left(590));
        QCOMPARE(readAll(setPath()), set);
    }

    // A row that took a name another window wrote keeps it: the step that would change
    // it is dropped.
    void aNameAnotherWindowWroteIsNotUndone_data()
    {
        QTest::addColumn<bool>("undoIt");
        QTest::newRow("redo") << false;
        QTest::newRow("undo") << true;
    }
    void aNameAnotherWindowWroteIsNotUndone()
    {
        QFETCH(bool, undoIt);
        QVERIFY(writeAll(setPath(), defaultSet()));
        QVERIFY(writeAll(downPath(), defaultDown()));
        {
            EditChName *w = openWindow();
            auto *undo = w->findChild<QAction *>(QStringLiteral("mnuUndo"));
            auto *redo = w->findChild<QAction *>(QStringLiteral("mnuRedo"));
            clickCell(w, 70);
            QTest::keyClicks(editor(w), QStringLiteral("Mine"));
            clickCell(w, 60);
            QTest::keyClicks(editor(w), QStringLiteral("Haze"));
            clickCell(w, 61);
            QTest::keyClick(editor(w), Qt::Key_Escape);
            if (undoIt)
                click(w, "ChSave"); // row 60 is no longer an edit: it takes what is written
            else
                undo->trigger(); // row 60 is back as saved
            QVERIFY(ChannelNameStore::forFolder(m_dir->path()).update([](const ChannelNameTable &, NameFilesUpdate &u) {
                u.table.setName(59, QStringLiteral("Laser"));
                return Outcome::success();
            }));
            QCOMPARE(cell(w, 60), QStringLiteral("Laser"));

            (undoIt ? undo : redo)->trigger();
            QCOMPARE(cell(w, 60), QStringLiteral("Laser"));
            QCOMPARE(w->table().entries[59].name.bytes(), QByteArray("Laser   "));
            // Undo goes on to the step before, which still applies.
            QCOMPARE(cell(w, 70), undoIt ? QString() : QStringLiteral("Mine"));
            QVERIFY(!redo->isEnabled() || undoIt);
            QCOMPARE(undo->isEnabled(), !undoIt);
        }
    }
};

QTEST_MAIN(TestEditChName)
#include "tst_editchname.moc"
