// The "&Edit" menu and the history keys.
#include "common/editmenu.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QUndoStack>

namespace zelvar {

namespace {

const QKeySequence UndoKey(Qt::CTRL | Qt::Key_Z);
const QKeySequence RedoKey(Qt::CTRL | Qt::Key_Y);
const QKeySequence RedoKeyShifted(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);

// "&Undo" alone, or followed by what it takes back; an ampersand of that text (a fixture
// named "R&B") is shown, not taken for a mnemonic.
QString entryText(const QString &verb, const QString &step)
{
    if (step.isEmpty())
        return verb;
    return verb + QLatin1Char(' ') + QString(step).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QAction *addEntry(QMainWindow *window, QMenu *menu, const char *name, const QList<QKeySequence> &keys,
                  std::function<void()> command)
{
    QAction *action = menu->addAction(QString());
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcuts(keys);
    // Both programs' windows live in one main window: a shortcut works in its own window.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    window->addAction(action);
    QObject::connect(action, &QAction::triggered, window, std::move(command));
    return action;
}

} // namespace

EditMenu addEditMenu(QMainWindow *window, QUndoStack *history, std::function<void()> undo,
                     std::function<void()> redo)
{
    EditMenu edit;
    history->setUndoLimit(UndoLimit);
    edit.menu = window->menuBar()->addMenu(QStringLiteral("&Edit"));
    edit.menu->setObjectName(QStringLiteral("mnuEdit"));
    edit.undo = addEntry(window, edit.menu, "mnuUndo", {UndoKey}, std::move(undo));
    edit.redo = addEntry(window, edit.menu, "mnuRedo", {RedoKey, RedoKeyShifted}, std::move(redo));

    const auto update = [edit, history] { edit.follow(history); };
    QObject::connect(history, &QUndoStack::indexChanged, edit.menu, update);
    QObject::connect(history, &QUndoStack::undoTextChanged, edit.menu, update);
    QObject::connect(history, &QUndoStack::redoTextChanged, edit.menu, update);
    QObject::connect(history, &QUndoStack::canUndoChanged, edit.menu, update);
    QObject::connect(history, &QUndoStack::canRedoChanged, edit.menu, update);
    update();
    return edit;
}

void EditMenu::follow(const QUndoStack *history) const
{
    undo->setText(entryText(QStringLiteral("&Undo"), history->undoText()));
    undo->setEnabled(history->canUndo());
    redo->setText(entryText(QStringLiteral("&Redo"), history->redoText()));
    redo->setEnabled(history->canRedo());
}

HistoryKey historyKeyOf(const QKeyEvent *event)
{
    const QKeySequence pressed(event->keyCombination());
    if (pressed == UndoKey || event->matches(QKeySequence::Undo))
        return HistoryKey::Undo;
    if (pressed == RedoKey || pressed == RedoKeyShifted || event->matches(QKeySequence::Redo))
        return HistoryKey::Redo;
    return HistoryKey::None;
}

bool routeHistoryKey(QLineEdit *box, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    const HistoryKey key = historyKeyOf(static_cast<QKeyEvent *>(event));
    if (key == HistoryKey::None)
        return false;
    const bool own = key == HistoryKey::Undo ? box->isUndoAvailable() : box->isRedoAvailable();
    if (event->type() == QEvent::ShortcutOverride) {
        // Taken, the key reaches the box; left, the window's shortcut gets it.
        event->setAccepted(own);
        return true;
    }
    if (own) {
        if (key == HistoryKey::Undo)
            box->undo();
        else
            box->redo();
    }
    event->accept();
    return true;
}

void forgetTyping(QLineEdit *box)
{
    if (!box->isUndoAvailable() && !box->isRedoAvailable())
        return;
    const QSignalBlocker blocker(box);
    const int caret = box->cursorPosition();
    // Setting the text starts the box's own history anew.
    box->setText(box->text());
    box->setCursorPosition(caret);
}

} // namespace zelvar
