// The Kiron link's commands ("Receive File", "Send File" and their cancel buttons): each
// opens the interface, asks for the file and starts the transfer on the worker thread;
// the worker's reports reach the window through queued signals, and the finish step puts
// the buttons back.
#pragma once

#include "usbtool/cancelevent.h"
#include "usbtool/linktransfer.h"

#include <QObject>
#include <QString>
#include <QThread>

namespace zelvar {

class DeviceLibrary;
class LinkPanel;

class LinkCommands : public QObject
{
    Q_OBJECT
public:
    LinkCommands(DeviceLibrary &device, LinkPanel &panel, QObject *parent = nullptr);
    // A transfer still running is cancelled and waited for.
    ~LinkCommands() override;

    void receiveFile(); // "Receive File"
    void sendFile();    // "Send File"
    void cancelReceive() { cancelEvent.set(); } // "Cancel Receive"
    void cancelSend() { cancelEvent.set(); }    // "Cancel Send"

    bool isRunning() const { return m_running; }

    // Stops the running transfer as the cancel buttons do, for a window that is closing:
    // the finish step's status line then says how many bytes went or came.
    void stop();

    // Cancels a running transfer and returns once its finish step is done. The window's
    // events keep flowing meanwhile (the worker may be showing a message through it).
    void cancelAndWait();

    // Set by a command before it starts the worker, which reads them once.
    quint16 transferMode = 0;
    QString transferPath;
    // The only signal from the window to the worker; cleared when a transfer starts, so a
    // cancel that came too late for one transfer never stops the next.
    CancelEvent cancelEvent;

signals:
    void transferStarted();
    // After the finish step: buttons, status line and progress bar are back.
    void transferFinished(const zelvar::LinkResult &result);

private:
    void start();
    void finishStep(const LinkResult &result);

    DeviceLibrary &m_device;
    LinkPanel &m_panel;
    QThread m_thread;
    bool m_running = false;
    // Whether the interface was open when the transfer started: if not, the user has been
    // told already and the transfer's failure says nothing new.
    bool m_interfaceOpen = false;
    bool m_stopAsked = false;
};

} // namespace zelvar
