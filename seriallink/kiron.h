// The link window `Kiron`: the fixture selection panel lies on top; beneath it the transfer
// page sends a file to the controller and receives one from it over the serial port. The
// window also starts the USB transfer tool and switches to the fixture editor.
#pragma once

#include "common/navigation.h"
#include "common/sharedfiledialog.h"
#include "common/streamedfile.h"
#include "seriallink/filesender.h"

#include <QMainWindow>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

class QAction;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace zelvar {

class DownLoadComm;
class FixtureSelectionPanel;
class Prompts;

// What the link window hands on from one opening to the next while the program runs: a
// window closed with unsaved work in its selection, and shown again, is as it was.
struct KironMemory
{
    std::optional<QSize> size;            // the window's own, without its frame
    std::optional<QStringList> selection; // `SelectedList`, every entry
};

class Kiron : public QMainWindow, public DeferredClose
{
    Q_OBJECT
public:
    static const QString Caption;        // "Kiron  Ver 1.09"
    static const QString UsbToolCaption; // the USB transfer tool's window, "Zelvar71 Save Rev1.02"
    static const QString UsbToolProgram; // its program file beside this one

    // `navigator` may be null (the window shown alone). With `memory`, the window opens with
    // the size and selection the last one closed with, and leaves its own there at unload.
    Kiron(WindowNavigator *navigator, Prompts &prompts, KironMemory *memory = nullptr, QWidget *parent = nullptr);
    ~Kiron() override;

    // The one file dialog of the window, shared with the panel's download-set save.
    SharedFileDialog &fileDialog() { return m_dialog; }
    DownLoadComm &port() { return *m_port; }
    bool isReceiving() const { return m_isReceiving; }
    bool isSending() const { return m_sender.isRunning(); }

    // The device check: true when the port is open on return; otherwise the user is told.
    bool OpenDevicePort();

    // True while a refused close waits for the send to unwind.
    bool closesSoon() const override;

    // The size it opens with, so that a frame made around it takes that size.
    QSize sizeHint() const override { return m_openingSize; }

public slots:
    void Command1_Click();  // Send File (also File > Send File); returns when the send has ended
    void Command2_Click();  // Send Cancel; also ends every completed send
    void Command3_Click();  // Receive File (also File > Receive File)
    void Command4_Click();  // Stop Receive
    void Command10_Click(); // Link Device
    void Command11_Click(); // Fixture Edit (also Fixture > Fixture Edit)
    void DownLoadComm_OnComm();
    void mnuExit_Click();
    void MnuDownLoad_Click();
    void mnuContents_Click(); // Help > Baud Set

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildTransferPage(QWidget *page);
    void Form_Load();
    void Form_Unload();
    void showSentBytes(qint64 sentBytes);
    void reportSendFailure(const FileSender::Result &result);
    void storeWaitingInput();
    // `failure` empty: a normal end, the target takes the bytes received. Otherwise the
    // target stays, and the message tells `failure` and where the `arrived` bytes went.
    void endReceive(const QString &failure = QString(), qint64 arrived = 0);
    void portLost(const QString &reason);
    void closeWindowFrame();

    WindowNavigator *m_navigator;
    Prompts &m_prompts;
    KironMemory *m_memory;
    QSize m_openingSize;
    bool m_closingByCommand = false; // Fixture Edit: its own close, asked of nobody
    SharedFileDialog m_dialog;
    DownLoadComm *m_port;
    FileSender m_sender;    // `sendFile`
    StreamedFile m_receiver; // `receiveFile`
    QString m_receivePath;
    bool m_isReceiving = false;
    qint64 m_receivedBytes = 0;
    int m_progressShift = 0;    // a file beyond the bar's range is shown in coarser steps
    bool m_closeAfterSend = false;

    FixtureSelectionPanel *m_panel = nullptr;
    // The transfer page's controls; their object names are the control ids in the comments.
    QLabel *m_operationLabel = nullptr; // Label6: "Open File:" or " Save File:"
    QLabel *m_pathLabel = nullptr;      // Label3
    QLabel *m_sizeLabel = nullptr;      // Label5: "Sum:" and the file size
    QLabel *m_sentLabel = nullptr;      // Label4: bytes sent
    QLabel *m_receivedLabel = nullptr;  // Label7: bytes received
    QProgressBar *m_progressBar = nullptr;
    QPlainTextEdit *m_logBox = nullptr;         // text1
    QPushButton *m_sendButton = nullptr;        // Command1
    QPushButton *m_sendCancelButton = nullptr;  // Command2
    QPushButton *m_receiveButton = nullptr;     // Command3
    QPushButton *m_stopReceiveButton = nullptr; // Command4
};

} // namespace zelvar
