// The channel-name editor window: shows the 256 channel-function names, lets the user
// rename entries 59 to 255, restore the built-in names and save both name files. Rows
// changed and not saved are kept in a recovery file and offered again when it next opens.
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

class Prompts;
class RecoveryWriter;
class WindowNavigator;

class EditChName : public QMainWindow, public ChannelNamesListener, private NameRowsView
{
    Q_OBJECT
public:
    // `navigator` may be null (the window shown alone); the "&Windows" menu then does nothing.
    EditChName(WindowNavigator *navigator, Prompts &prompts, QWidget *parent = nullptr);
    ~EditChName() override;

    const ChannelNameTable &table() const { return m_table; }
    // Where the unsaved rows are kept until they are saved.
    QString recoveryFilePath() const;

    // Takes the rows from 60 on that another window wrote into "ChNameSet.fix" (an import
    // that added names), so that the next Save keeps them; rows with edits not yet saved
    // stay as edited.
    void takeWrittenChannelNames() override;

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

    NameRow nameRow(int entry) const override;
    void setNameRow(int entry, const NameRow &row) override;
    void commitOpenEdit();
    void moveInHistory(bool back);

    WindowNavigator *m_navigator;
    Prompts &m_prompts;
    ChannelNameTable m_table;
    ChannelNameTable m_saved; // the table as last read or saved
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
