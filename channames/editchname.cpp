// The channel-name editor window.
#include "channames/editchname.h"

#include "channames/channelnamefiles.h"
#include "channames/channelnamestore.h"
#include "channames/namerecovery.h"
#include "common/navigation.h"
#include "common/windowclose.h"
#include "common/prompts.h"
#include "common/recovery.h"
#include "common/twips.h"

#include <QCloseEvent>
#include <QDir>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QTableWidget>
#include <QUndoStack>

namespace zelvar {

namespace {

constexpr int GridWidth = 5655; // twips
constexpr int HeaderRowHeight = 500;
constexpr int NameColumn = 1;
// The window's inner area: the controls' places plus a margin like the grid's top one.
constexpr int InnerWidth = 9360;
constexpr int InnerHeight = 9735;

const QString Caption = QStringLiteral("Edit Channel Name Rev1.09");
const QString BoxTitle = QStringLiteral("Edit Channel Name");

// A name read from a file may hold NUL characters; a cell shows the text up to the first
// one, so an entry never set looks empty and never reaches the cell editor as NULs.
QString cellText(const QString &name)
{
    const qsizetype nul = name.indexOf(QChar(u'\0'));
    return nul < 0 ? name : name.left(nul);
}

// An entry as its row shows it.
QString shownEntry(const ChannelNameEntry &entry)
{
    return cellText(withoutTrailingBlanks(entry.name.text()));
}

QTableWidgetItem *newCell(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

EditChName::EditChName(WindowNavigator *navigator, Prompts &prompts, QWidget *parent)
    : QMainWindow(parent), m_navigator(navigator), m_prompts(prompts), m_store(ChannelNameStore::live())
{
    setObjectName(QStringLiteral("EditChName"));
    setWindowTitle(Caption);
    setAttribute(Qt::WA_DeleteOnClose);

    auto *central = new QWidget(this);
    central->setMinimumSize(twips(InnerWidth), twips(InnerHeight));
    setCentralWidget(central);

    m_grid = new QTableWidget(ChannelNameCount, 2, central);
    m_grid->setObjectName(QStringLiteral("ChMSFlexGrid"));
    m_grid->setGeometry(twipsRect(2040, 240, GridWidth, 9255));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setTabKeyNavigation(false);
    m_grid->verticalHeader()->hide();
    // Rows as tight as a grid's, so that a screenful shows as many names as it can.
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setSectionsClickable(false);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    // Laid over a cell of the grid's viewport, so it scrolls and clips with the cells.
    m_editor = new QLineEdit(m_grid->viewport());
    m_editor->setObjectName(QStringLiteral("ChTextEdit"));
    m_editor->setFrame(false);
    // A thin highlight line tells the edited cell from the others; a full frame would not
    // fit a row's height.
    m_editor->setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid palette(highlight); padding-left: 1px; }"));
    // The files hold one Latin-1 byte per character: anything else could not be stored.
    m_editor->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\x{20}-\\x{7E}\\x{A0}-\\x{FF}]*")), m_editor));

    m_save = new QPushButton(QStringLiteral("Save"), central);
    m_save->setObjectName(QStringLiteral("ChSave"));
    m_save->setGeometry(twipsRect(8160, 600, 975, 495));
    m_exit = new QPushButton(QStringLiteral("Exit"), central);
    m_exit->setObjectName(QStringLiteral("Command1"));
    m_exit->setGeometry(twipsRect(8160, 1200, 975, 495));
    m_init = new QPushButton(QStringLiteral("Init"), central);
    m_init->setObjectName(QStringLiteral("Init"));
    m_init->setGeometry(twipsRect(8040, 6240, 975, 495));

    QMenu *windows = menuBar()->addMenu(QStringLiteral("&Windows"));
    windows->setObjectName(QStringLiteral("mainWi"));
    QAction *showLink = windows->addAction(QStringLiteral("Show &Kiron"));
    showLink->setObjectName(QStringLiteral("eSu"));
    QAction *showEditor = windows->addAction(QStringLiteral("Show &Zelvar71"));
    showEditor->setObjectName(QStringLiteral("eSM"));
    windows->addSeparator()->setObjectName(QStringLiteral("eNULL"));
    QAction *exitProgram = windows->addAction(QStringLiteral("&Exit"));
    exitProgram->setObjectName(QStringLiteral("eExit"));
    m_history = new QUndoStack(this);
    m_edit = addEditMenu(this, m_history, [this] { undo(); }, [this] { redo(); });

    connect(m_grid, &QTableWidget::cellClicked, this, [this] { ChMSFlexGrid_Click(); });
    connect(m_grid, &QTableWidget::currentCellChanged, this, [this] { ChMSFlexGrid_LeaveCell(); });
    connect(m_grid->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { placeEditor(); });
    connect(m_grid->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { placeEditor(); });
    connect(m_save, &QPushButton::clicked, this, [this] { ChSave_Click(); });
    connect(m_exit, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(m_init, &QPushButton::clicked, this, [this] { Init_Click(); });
    connect(showLink, &QAction::triggered, this, [this] { eSu_Click(); });
    connect(showEditor, &QAction::triggered, this, [this] { eSM_Click(); });
    connect(exitProgram, &QAction::triggered, this, [this] { eExit_Click(); });
    m_editor->installEventFilter(this);
    m_grid->installEventFilter(this);

    m_recovery = new RecoveryWriter(
        nameRecoveryFileName(),
        [this]() -> std::optional<QByteArray> {
            const QVector<ChangedNameRow> rows = ChangedNameRows(m_table, m_saved);
            if (rows.isEmpty())
                return std::nullopt;
            return EncodeNameRecovery(rows);
        },
        this);
    connect(m_recovery, &RecoveryWriter::writeFailed, this, [this](const QString &reason) {
        m_prompts.message(this, QStringLiteral("Unsaved work cannot be kept: %1").arg(reason), BoxTitle,
                          PromptButtons::Ok);
    });

    resize(twips(InnerWidth), twips(InnerHeight) + menuBar()->sizeHint().height());
    Form_Load();
    connect(&m_store, &ChannelNameStore::namesChanged, this, [this] {
        // This window's own Save takes what it wrote once the store is done.
        if (!m_saving)
            followFiles();
    });
    m_store.addHolder(this, [this] { return heldEntries(); });
}

EditChName::~EditChName()
{
    // The editor may still hold the focus while the children go: no handler runs then.
    m_editor->removeEventFilter(this);
    m_grid->removeEventFilter(this);
    m_recovery->flush();
}

QString EditChName::recoveryFilePath() const
{
    return m_recovery->path();
}

void EditChName::closeEvent(QCloseEvent *event)
{
    m_recovery->flush();
    QMainWindow::closeEvent(event);
}

void EditChName::Form_Load()
{
    const int columnWidth = (GridWidth - 100) / 2;
    m_grid->setColumnWidth(0, twips(columnWidth - 230));
    m_grid->setColumnWidth(NameColumn, twips(columnWidth));
    m_grid->horizontalHeader()->setFixedHeight(twips(HeaderRowHeight));
    m_grid->setHorizontalHeaderLabels({QStringLiteral("Channel ID"), QStringLiteral("Channel Name")});
    for (int row = 0; row < ChannelNameCount; ++row) {
        m_grid->setItem(row, 0, newCell(QString::number(row + 1)));
        m_grid->setItem(row, NameColumn, newCell(QString()));
    }
    m_editor->hide();
    m_grid->setCurrentCell(0, NameColumn);

    // Read again now, and from now on whenever the files change.
    m_store.watch();
    const Outcome read = m_store.refresh();
    const ChannelNameFiles &files = m_store.files();
    const NameShown show = [this](int entry, const QString &text) { showName(entry, text); };
    if (read && !files.set.isEmpty()) {
        DecodeChannelNameSet(files.set, m_table, show);
    } else if (read && !files.down.isEmpty()) {
        m_table = files.table;
        for (int entry = 0; entry < ChannelNameCount; ++entry)
            showName(entry, shownEntry(m_table.entries[size_t(entry)]));
    } else {
        m_table.LoadDefaultNames(show);
    }
    m_saved = m_table;
    if (!read) {
        // The built-in names now stand in for whatever the file holds, and no Save can
        // replace it, so the user has to know.
        m_prompts.message(this,
                          read.reason() + QStringLiteral("\n\nThe built-in names are shown instead.\nFolder: ") +
                              m_store.folder(),
                          BoxTitle, PromptButtons::Ok);
    }
    offerRecovery();
}

void EditChName::offerRecovery()
{
    const std::optional<RecoveryFile> kept = readRecoveryFile(m_recovery->path());
    if (!kept)
        return;
    QVector<ChangedNameRow> rows;
    if (Outcome decoded = kept->read ? DecodeNameRecovery(kept->bytes, rows) : kept->read; !decoded) {
        m_prompts.message(this,
                          QStringLiteral("Unsaved channel names were kept in %1, but they cannot be restored: "
                                         "%2.\nThe file is removed.")
                              .arg(QDir::toNativeSeparators(m_recovery->path()), decoded.reason()),
                          BoxTitle, PromptButtons::Ok);
        m_recovery->discard();
        return;
    }
    constexpr int ListedRows = 8;
    QStringList listed;
    for (int i = 0; i < rows.size() && i < ListedRows; ++i) {
        listed << QStringLiteral("Row %1: %2")
                      .arg(rows[i].entry + 1)
                      .arg(cellText(withoutTrailingBlanks(rows[i].value.name.text())));
    }
    if (rows.size() > ListedRows)
        listed << QStringLiteral("and %1 more").arg(rows.size() - ListedRows);
    const QString question = QStringLiteral("Restore the unsaved channel names from %1?\n\n%2")
                                 .arg(QLocale().toString(kept->written, QLocale::ShortFormat),
                                      listed.join(QLatin1Char('\n')));
    if (m_prompts.message(this, question, BoxTitle, PromptButtons::OkCancel) != PromptAnswer::Ok) {
        m_recovery->discard();
        return;
    }
    // Back as unsaved edits of what they replaced (an older file does not say: of the files
    // as they were read now): the name files change only on "Save", which asks about a row
    // the files have changed meanwhile.
    for (const ChangedNameRow &row : rows) {
        m_table.entries[size_t(row.entry)] = row.value;
        if (row.replaced)
            m_saved.entries[size_t(row.entry)] = *row.replaced;
        showName(row.entry, withoutTrailingBlanks(row.value.name.text()));
    }
    followFiles();
}

void EditChName::followFiles()
{
    const ChannelNameTable &files = m_store.names();
    bool changed = false;
    for (int i = 0; i < ChannelNameCount; ++i) {
        ChannelNameEntry &mine = m_table.entries[size_t(i)];
        ChannelNameEntry &base = m_saved.entries[size_t(i)];
        const ChannelNameEntry &inFiles = files.entries[size_t(i)];
        if (inFiles == base)
            continue;
        const bool edited = i == m_editRow || !(mine == base);
        if (!edited) {
            mine = inFiles;
            showName(i, shownEntry(inFiles));
        } else if (!(mine == inFiles)) {
            continue; // still an edit of what this window read: a Save asks
        }
        base = inFiles;
        changed = true;
    }
    if (changed)
        m_recovery->schedule();
}

HeldEntries EditChName::heldEntries() const
{
    HeldEntries held;
    for (int i = BuiltInNameCount; i < ChannelNameCount; ++i) {
        if (i == m_editRow || !(m_table.entries[size_t(i)] == m_saved.entries[size_t(i)]))
            held.set(size_t(i));
    }
    return held;
}

void EditChName::showName(int entry, const QString &text)
{
    m_grid->item(entry, NameColumn)->setText(cellText(text));
}

void EditChName::ChMSFlexGrid_Click()
{
    openEditor();
}

void EditChName::openEditor()
{
    const int row = m_grid->currentRow();
    if (m_grid->currentColumn() < NameColumn || row < BuiltInNameCount)
        return;
    m_editRow = row;
    m_editor->setMaxLength(ChannelNameLength);
    m_editor->setText(m_grid->item(row, NameColumn)->text());
    m_editor->setCursorPosition(int(m_editor->text().size()));
    placeEditor();
    m_editor->show();
    m_editor->raise();
    m_editor->setFocus(Qt::OtherFocusReason);
}

void EditChName::placeEditor()
{
    if (m_editRow >= 0)
        m_editor->setGeometry(m_grid->visualItemRect(m_grid->item(m_editRow, NameColumn)));
}

void EditChName::commitEdit()
{
    const NameRow before = nameRow(m_editRow);
    const QString text = m_editor->text();
    m_grid->item(m_editRow, NameColumn)->setText(text);
    m_table.setName(m_editRow, text);
    m_recovery->schedule();
    const NameRow after = nameRow(m_editRow);
    if (after != before)
        m_history->push(new RenameRowCommand(*this, m_editRow, before, after));
}

NameRow EditChName::nameRow(int entry) const
{
    return NameRow{m_table.entries[size_t(entry)], m_grid->item(entry, NameColumn)->text()};
}

void EditChName::setNameRow(int entry, const NameRow &row)
{
    m_table.entries[size_t(entry)] = row.entry;
    showName(entry, row.cell);
}

void EditChName::commitOpenEdit()
{
    ChTextEdit_LostFocus();
}

void EditChName::undo()
{
    moveInHistory(true);
}

void EditChName::redo()
{
    moveInHistory(false);
}

void EditChName::moveInHistory(bool back)
{
    commitOpenEdit();
    // A step dropped because its row took names another window wrote made no change: the
    // next one is taken instead.
    for (int steps = m_history->count(); back ? m_history->canUndo() : m_history->canRedo();
         steps = m_history->count()) {
        if (back)
            m_history->undo();
        else
            m_history->redo();
        if (m_history->count() == steps)
            break;
    }
    m_edit.follow(m_history);
    followFiles();
    m_recovery->schedule();
}

void EditChName::closeEditor()
{
    m_editRow = -1;
    // Hiding the focused editor would pass the focus on to the next button.
    if (m_editor->hasFocus())
        m_grid->setFocus(Qt::OtherFocusReason);
    m_editor->hide();
    m_editor->clear();
    // A row left without an edit takes what the files got meanwhile.
    followFiles();
}

void EditChName::ChTextEdit_LostFocus()
{
    if (m_editRow < 0)
        return;
    if (!m_editor->text().isEmpty())
        commitEdit();
    closeEditor();
}

void EditChName::ChMSFlexGrid_LeaveCell()
{
    if (m_editRow < 0)
        return;
    commitEdit();
    closeEditor();
}

bool EditChName::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor) {
        if (routeHistoryKey(m_editor, event))
            return true;
        if (event->type() == QEvent::FocusOut) {
            // Opening a menu or switching to another program keeps the edit open.
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
                ChTextEdit_LostFocus();
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_grid->setFocus(Qt::OtherFocusReason); // commits as any loss of focus does
                return true;
            }
            if (key == Qt::Key_Escape) {
                closeEditor();
                return true;
            }
        }
    } else if (watched == m_grid && event->type() == QEvent::KeyPress && m_editRow < 0) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2) {
            openEditor();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void EditChName::ChSave_Click()
{
    commitOpenEdit();
    QVector<NameRowChange> rows;
    for (int i = 0; i < ChannelNameCount; ++i) {
        if (!(m_table.entries[size_t(i)] == m_saved.entries[size_t(i)]))
            rows.append(NameRowChange{i, m_saved.entries[size_t(i)], m_table.entries[size_t(i)]});
    }
    ChannelNameTable written;
    m_saving = true;
    const Outcome saved = m_store.save(
        rows,
        [this](int entry, const ChannelNameEntry &inFiles, const ChannelNameEntry &mine) {
            return keepMineInConflict(entry, inFiles, mine);
        },
        &written);
    m_saving = false;
    if (!saved) {
        m_prompts.message(this,
                          QStringLiteral("The channel names were not saved.\n\n") + saved.reason() +
                              QStringLiteral("\n\nFolder: ") + m_store.folder(),
                          BoxTitle, PromptButtons::Ok);
        followFiles();
        return;
    }
    // The files now hold this window's rows, the names others wrote, and for each conflict
    // what the user chose.
    for (int i = 0; i < ChannelNameCount; ++i) {
        ChannelNameEntry &mine = m_table.entries[size_t(i)];
        if (!(mine == written.entries[size_t(i)])) {
            mine = written.entries[size_t(i)];
            showName(i, shownEntry(mine));
        }
    }
    m_saved = written;
    m_recovery->discard();
}

bool EditChName::keepMineInConflict(int entry, const ChannelNameEntry &inFiles, const ChannelNameEntry &mine)
{
    const QString question = QStringLiteral("Entry %1 is now \"%2\" in the channel-name files; keep your \"%3\"?")
                                 .arg(entry)
                                 .arg(shownEntry(inFiles), shownEntry(mine));
    return m_prompts.message(this, question, BoxTitle, PromptButtons::OkCancel) == PromptAnswer::Ok;
}

void EditChName::Command1_Click()
{
    closeHostedWindow(this);
}

void EditChName::Init_Click()
{
    QVector<NameRow> before, after;
    for (int entry = 0; entry < BuiltInNameCount; ++entry)
        before << nameRow(entry);
    m_table.LoadDefaultNames([this](int entry, const QString &text) { showName(entry, text); });
    m_recovery->schedule();
    for (int entry = 0; entry < BuiltInNameCount; ++entry)
        after << nameRow(entry);
    if (after != before)
        m_history->push(new InitNamesCommand(*this, before, after));
}

void EditChName::eSu_Click()
{
    if (m_navigator)
        m_navigator->showLinkWindow();
}

void EditChName::eSM_Click()
{
    if (m_navigator)
        m_navigator->showFixtureEditor();
}

void EditChName::eExit_Click()
{
    if (m_navigator)
        m_navigator->endProgram();
}

} // namespace zelvar
