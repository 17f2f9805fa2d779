// The "&Edit" menu of a window that keeps a history of its edits, and the way its keys
// share Ctrl+Z with the window's text boxes: a box undoes its own typing first.
#pragma once

#include <functional>

class QAction;
class QEvent;
class QKeyEvent;
class QLineEdit;
class QMainWindow;
class QMenu;
class QUndoStack;

namespace zelvar {

struct EditMenu
{
    QMenu *menu = nullptr;
    QAction *undo = nullptr;
    QAction *redo = nullptr;

    // Names and enables the entries after `history`. A step dropped by a redo (see
    // QUndoCommand::setObsolete) changes them without a signal of the history.
    void follow(const QUndoStack *history) const;
};

// The steps an editor's history keeps; the oldest goes when one more comes.
constexpr int UndoLimit = 100;

// Appends "&Edit" to the window's menu bar with "&Undo" (Ctrl+Z) and "&Redo" (Ctrl+Y,
// Ctrl+Shift+Z), whose shortcuts work in this window only. Each entry names the step it
// would take back or bring again ("&Undo Delete step 4 of channel 3") and is disabled
// while `history` has none. Choosing an entry runs `undo` or `redo`, which let the window
// commit an open edit before it moves through `history`. `history`, still empty, keeps
// UndoLimit steps.
EditMenu addEditMenu(QMainWindow *window, QUndoStack *history, std::function<void()> undo,
                     std::function<void()> redo);

enum class HistoryKey { None, Undo, Redo };
HistoryKey historyKeyOf(const QKeyEvent *event);

// For a text box's event handling: while the box holds typing of its own to undo (or
// redo), the history keys work inside it, as Qt's text boxes do; otherwise they pass on to
// the window's "&Undo" and "&Redo". True when `event` is dealt with here.
bool routeHistoryKey(QLineEdit *box, QEvent *event);

// Forgets the box's own typing history (its text stays): once an edit is committed, the
// window's history takes over the history keys.
void forgetTyping(QLineEdit *box);

} // namespace zelvar
