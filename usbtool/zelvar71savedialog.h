// Zelvar71Save's one dialog, "Zelvar71 Save Rev1.02": the choice between the Pelkom stick
// and the Kiron link, the stick's file list and commands, the link's transfer buttons, the
// path box, the status line and the progress bar.
#pragma once

#include "usbtool/devicelibrary.h"
#include "usbtool/linkcommands.h"
#include "usbtool/linkpanel.h"
#include "usbtool/stickcommands.h"
#include "usbtool/stickpanel.h"

#include <QDialog>

#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenuBar;
class QProgressBar;
class QPushButton;

namespace zelvar {

class Prompts;
class WindowPresence;

class Zelvar71SaveDialog : public QDialog, public StickPanel, public LinkPanel
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit Zelvar71SaveDialog(Prompts &prompts, QWidget *parent = nullptr);
    ~Zelvar71SaveDialog() override;

    DeviceLibrary &deviceLibrary() { return m_device; }
    LinkCommands &linkCommands() { return *m_link; }

    // StickPanel and LinkPanel: what the commands show and ask.
    void SetStickButtons(bool enabled) override;
    void clearFileList() override;
    void addFileListItem(const QString &text) override;
    std::optional<QString> selectedFileListItem() const override;
    bool confirm(const QString &question) override;
    bool confirmReplace(const QString &question) override;
    void setLinkButtons(bool receive, bool cancelReceive, bool send, bool cancelSend) override;
    void showStatus(const QString &text) override;
    void showPath(const QString &path) override;
    void setProgressRange(int maximum) override;
    void setProgressPosition(int position) override;
    void setProgressStep(int step) override;
    void stepProgress() override;
    QString chooseFile(FileChoice choice, const QString &title, const QString &presetName) override;
    void showMessage(const QString &text) override;

    // "Exit", "&Exit", the Escape key and Enter with no button focused. During a link
    // transfer the dialog asks first, and closes once the transfer has stopped.
    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void OnInitDialog();
    void OnSelectPelkom();
    void OnSelectKiron();
    void OnDirtory();
    void OnRead();
    void OnWrit();
    void OnDel();
    void OnFormat();
    void OnReceiveFile();
    void OnCancelReceive();
    void OnSendFile();
    void OnCancelSend();
    void OnAbout();

    void setOptionsEnabled(bool enabled);
    void linkTransferFinished();
    // A close during a link transfer: asks whether to stop it, and if so closes after its
    // finish step.
    void closeAfterTransfer(bool closeBox);
    void closeNow(bool closeBox);

    Prompts &m_prompts;
    DeviceLibrary m_device;
    StickCommands m_stick;
    std::unique_ptr<LinkCommands> m_link;
    std::unique_ptr<WindowPresence> m_presence;

    QMenuBar *m_menuBar;
    QAction *m_menuPelkom;
    QAction *m_menuKiron;
    QPushButton *m_selectPelkom;
    QPushButton *m_selectKiron;
    QLineEdit *m_path;
    QPushButton *m_exit;
    QListWidget *m_fileList;
    QPushButton *m_stickButtons[5];
    QPushButton *m_receive;
    QPushButton *m_cancelReceive;
    QPushButton *m_send;
    QPushButton *m_cancelSend;
    QLabel *m_status;
    QProgressBar *m_progress;

    // The progress bar as the platform's: a range from 0, a step, and a position that
    // starts over from 0 when a step passes the end.
    int m_progressMaximum = 100;
    int m_progressStep = 10;
    int m_progressPosition = 0;

    // A close the user confirmed while a transfer runs waits for its finish step; through
    // the close box it also closes the interface then.
    bool m_closePending = false;
    bool m_closeBoxPending = false;
    bool m_askingToStop = false; // the question is open: a second close asks nothing more
};

} // namespace zelvar
