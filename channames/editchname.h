// The channel-name editor window: shows the 256 channel-function names, lets the user
// rename entries 59 to 255, restore the built-in names and save both name files through the
// channel-name store. Rows without unsaved edits follow the files as others write them.
// Rows changed and not saved are kept in a recovery file and offered again when it next
// opens.
#pragma once

#include "channames/channelnametable.h"
#include "channames/namecommands.h"
#include "common/editmenu.h"
#include "common/navigation.h"

#include <QMainWindow>

class QLineEdit;
class QPushButton;
class QTableWidget;
class QUndoStack;

namespace zelvar {

class ChannelNameStore;
class Prompts;
class RecoveryWriter;
class WindowNavigator;

class EditChName : public QMainWindow, private NameRowsView
{
    Q_OBJECT
public:
    // `navigator` may be null (the window shown alone); the "&Windows" menu then does nothing.
    EditChName(WindowNavigator *navigator, Prompts &prompts, QWidget *parent = nullptr);
    ~EditChName() override;

    const ChannelNameTable &table() const { return m_table; }
    // Where the unsaved rows are kept until they are saved.
    QString recoveryFilePath() const;

    // The entries this window holds as unsaved edits (the row being edited included): no
    // import takes them.
    HeldEntries heldEntries() const;

    // The "&Edit" menu commands: an open edit is committed first. Each committed row is
    // one step, and so is "Init".
    void undo();
    void redo();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void ChMSFlexGrid_Click();
    void ChMSFlexGrid_LeaveCell();
    void ChTextEdit_LostFocus();
    void ChSave_Click();
    void Command1_Click();
    void Init_Click();
    void eSu_Click();
    void eSM_Click();
    void eExit_Click();

    void showName(int entry, const QString &text);
    void openEditor();
    void commitEdit();
    void closeEditor();
    void placeEditor();
    void offerRecovery();
    // Rows without unsaved edits take what the files hold now; an edited row that the files
    // now hold as edited is no longer an edit. Nothing is written.
    void followFiles();
    bool keepMineInConflict(int entry, const ChannelNameEntry &inFiles, const ChannelNameEntry &mine);

    NameRow nameRow(int entry) const override;
    void setNameRow(int entry, const NameRow &row) override;
    void commitOpenEdit();
    void moveInHistory(bool back);

    WindowNavigator *m_navigator;
    Prompts &m_prompts;
    ChannelNameStore &m_store;
    ChannelNameTable m_table;
    // Each entry as this window last took it from the files: what its edit replaces, and
    // what a Save checks the files against.
    ChannelNameTable m_saved;
    bool m_saving = false; // the store is writing this window's Save
    RecoveryWriter *m_recovery;
    QUndoStack *m_history;
    EditMenu m_edit;
    QTableWidget *m_grid;
    QLineEdit *m_editor;
    QPushButton *m_save;
    QPushButton *m_exit;
    QPushButton *m_init;
    int m_editRow = -1; // the row the cell editor is open on; -1 while browsing
};

} // namespace zelvar
