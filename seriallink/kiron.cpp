// The link window.
#include "seriallink/kiron.h"

#include "common/navigation.h"
#include "common/windowclose.h"
#include "common/programfolder.h"
#include "common/prompts.h"
#include "common/twips.h"
#include "common/windowpresence.h"
#include "downloadset/downloadsetreader.h"
#include "downloadset/downloadsetsummary.h"
#include "downloadset/fixtureselectionpanel.h"
#include "seriallink/devicecheck.h"
#include "seriallink/downloadcomm.h"
#include "seriallink/logtext.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>

#include <climits>
#include <utility>

namespace zelvar {

const QString Kiron::Caption = QStringLiteral("Kiron  Ver 1.09");
const QString Kiron::UsbToolCaption = QStringLiteral("Zelvar71 Save Rev1.02");
const QString Kiron::UsbToolProgram = QStringLiteral("Zelvar71Save");

namespace {

const QString LineSettingsText = QStringLiteral("38400,N,8,2");
const QString NoDeviceText = QStringLiteral("Device Don't Find,Please Cheak Device");
const QString NoDeviceTitle = QStringLiteral("Usb Device Is Error");

// The layout was made for Arial's metrics; where Arial itself is missing, fontconfig gives
// its metric twin Liberation Sans. The transfer page's buttons and labels use it plain.
QFont plainFont(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(false);
    return font;
}

// What the log box shows of a file: a download set as its summary, since its bytes as
// text are a screen of dots; any other file as its text.
bool readLogView(const QString &path, QString &text)
{
    DownloadSet set;
    if (ReadDownloadSet(path, set)) {
        text = DownloadSetSummary(set);
        return true;
    }
    return bool(readLogText(path, text));
}

void setTextColour(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

Kiron::Kiron(WindowNavigator *navigator, Prompts &prompts, KironMemory *memory, QWidget *parent)
    : QMainWindow(parent), m_navigator(navigator), m_prompts(prompts), m_memory(memory), m_dialog(prompts),
      m_port(new DownLoadComm(this))
{
    setObjectName(QStringLiteral("Kiron"));
    setWindowTitle(Caption);
    setAttribute(Qt::WA_DeleteOnClose);
    QFont windowFont(QStringLiteral("Arial"), 9);
    windowFont.setStyleHint(QFont::SansSerif);
    windowFont.setBold(true);
    setFont(windowFont);

    m_port->setObjectName(QStringLiteral("DownLoadComm"));
    connect(m_port, &DownLoadComm::OnComm, this, &Kiron::DownLoadComm_OnComm);
    connect(m_port, &DownLoadComm::portLost, this, &Kiron::portLost);
    connect(&m_sender, &FileSender::blockSent, this, &Kiron::showSentBytes);

    buildMenus();
    auto *page = new QWidget(this);
    page->setObjectName(QStringLiteral("transferPage"));
    setCentralWidget(page);
    buildTransferPage(page);

    m_panel = new FixtureSelectionPanel(m_dialog, m_prompts, page);
    m_panel->setGeometry(twipsRect(120, 120, 10935, 8415));
    // The panel covers the transfer page, so it paints its whole area.
    m_panel->setAutoFillBackground(true);
    m_panel->raise();
    connect(m_panel, &FixtureSelectionPanel::linkDeviceRequested, this, &Kiron::Command10_Click);
    connect(m_panel, &FixtureSelectionPanel::fixtureEditRequested, this, &Kiron::Command11_Click);

    m_openingSize = QSize(twips(11880), twips(8640) + menuBar()->sizeHint().height());
    if (m_memory && m_memory->size)
        m_openingSize = *m_memory->size;
    resize(m_openingSize);
    Form_Load();
    if (m_memory && m_memory->selection)
        m_panel->setSelectedPaths(*m_memory->selection);
}

Kiron::~Kiron() = default;

void Kiron::buildMenus()
{
    const auto item = [this](QMenu *menu, const char *text, const char *name, auto handler) {
        QAction *action = menu->addAction(QString::fromLatin1(text));
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    item(file, "&Send File", "mnuSendFile", &Kiron::Command1_Click);
    item(file, "&Receive File", "mnuReceiveFile", &Kiron::Command3_Click);
    file->addSeparator()->setObjectName(QStringLiteral("mnuNull"));
    item(file, "&Exit", "mnuExit", &Kiron::mnuExit_Click);

    QMenu *fixture = menuBar()->addMenu(QStringLiteral("&Fixture"));
    fixture->setObjectName(QStringLiteral("MnueFixture"));
    QAction *edit = item(fixture, "Fixture &Edit", "MnueEdit", &Kiron::Command11_Click);
    QAction *download = item(fixture, "&DownLoad Edit", "MnuDownLoad", &Kiron::MnuDownLoad_Click);
    edit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    download->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    // Scoped to this window: the fixture editor has its own Ctrl+E.
    for (QAction *action : {edit, download}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    item(help, "&Baud Set", "mnuContents", &Kiron::mnuContents_Click);
}

void Kiron::buildTransferPage(QWidget *page)
{
    const auto label = [page](const char *name, QRect place, double points) {
        auto *l = new QLabel(page);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(place);
        l->setFont(plainFont(points));
        return l;
    };
    const auto button = [page](const char *name, const char *text, QRect place) {
        auto *b = new QPushButton(QString::fromLatin1(text), page);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(place);
        b->setFont(plainFont(8.25));
        return b;
    };

    m_operationLabel = label("Label6", twipsRect(0, 360, 1095, 375), 12);
    m_pathLabel = label("Label3", twipsRect(1320, 360, 9615, 375), 12);
    m_sizeLabel = label("Label5", twipsRect(240, 840, 1575, 375), 9.75);
    setTextColour(m_sizeLabel, Qt::blue);
    m_progressBar = new QProgressBar(page);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar"));
    m_progressBar->setGeometry(twipsRect(2040, 840, 7455, 375));
    m_progressBar->setTextVisible(false);
    m_sentLabel = label("Label4", twipsRect(9600, 840, 1215, 375), 9.75);
    setTextColour(m_sentLabel, Qt::red);

    m_logBox = new QPlainTextEdit(page);
    m_logBox->setObjectName(QStringLiteral("text1"));
    m_logBox->setGeometry(twipsRect(1800, 1440, 9015, 6255));
    m_logBox->setReadOnly(true);
    m_logBox->setFont(plainFont(8.25));

    m_sendButton = button("Command1", "Send File", twipsRect(240, 1920, 1455, 615));
    m_sendCancelButton = button("Command2", "Send Cancel", twipsRect(240, 2640, 1455, 615));
    m_receiveButton = button("Command3", "Receive File", twipsRect(240, 3720, 1455, 615));
    m_stopReceiveButton = button("Command4", "Stop Receive ", twipsRect(240, 4440, 1455, 615));
    m_receivedLabel = label("Label7", twipsRect(120, 5280, 1575, 615), 8.25);
    setTextColour(m_receivedLabel, Qt::red);

    connect(m_sendButton, &QPushButton::clicked, this, &Kiron::Command1_Click);
    connect(m_sendCancelButton, &QPushButton::clicked, this, &Kiron::Command2_Click);
    connect(m_receiveButton, &QPushButton::clicked, this, &Kiron::Command3_Click);
    connect(m_stopReceiveButton, &QPushButton::clicked, this, &Kiron::Command4_Click);
}

void Kiron::Form_Load()
{
    m_logBox->hide();
    m_progressBar->hide();
    m_sendButton->setEnabled(true);
    m_sendCancelButton->hide();
    m_receiveButton->setEnabled(true);
    m_stopReceiveButton->hide();
    m_port->setCommPort(3);
    m_port->setSettings(LineSettingsText);
    m_isReceiving = false;
    m_panel->Initialise();
}

void Kiron::closeEvent(QCloseEvent *event)
{
    // Fixture Edit ends a receive by its own design; any other close (the close box, the
    // main window's) would end a transfer by a slip, and asks first.
    const bool commanded = std::exchange(m_closingByCommand, false);
    const bool transferring = (m_sender.isRunning() && !m_closeAfterSend) || m_isReceiving;
    if (!commanded && transferring
        && m_prompts.message(this, QStringLiteral("A transfer is running. Stop it?"), Caption,
                             PromptButtons::OkCancelDefaultCancel)
            != PromptAnswer::Ok) {
        event->ignore();
        return;
    }
    if (m_sender.isRunning()) {
        // The send runs inside one of this window's handlers, further down the stack: end it
        // and close once it has unwound, so that the window is never deleted under it.
        Command2_Click();
        m_closeAfterSend = true;
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void Kiron::Form_Unload()
{
    Command4_Click();
    if (m_port->PortOpen())
        m_port->setPortOpen(false);
    if (m_memory) {
        m_memory->size = size();
        m_memory->selection = m_panel->SelectedPaths();
    }
}

bool Kiron::closesSoon() const
{
    return m_closeAfterSend;
}

void Kiron::closeWindowFrame()
{
    closeHostedWindow(this);
}

bool Kiron::OpenDevicePort()
{
    const DeviceCheckResult check = openFirstCandidatePort(*m_port);
    if (check.open)
        return true;
    QString text = NoDeviceText;
    const QString hint = permissionHint(check);
    if (!hint.isEmpty())
        text += QLatin1Char('\n') + hint;
    m_prompts.message(this, text, NoDeviceTitle, PromptButtons::Ok);
    return false;
}

// ---- Send File ----

void Kiron::Command1_Click()
{
    // The window sends one file at a time.
    if (m_sender.isRunning())
        return;
    if (!OpenDevicePort())
        return;
    m_panel->hide();
    if (m_isReceiving) {
        // The receive ends here: its file keeps what it holds so far. Both transfer
        // buttons come back, so that a send that goes no further leaves them usable.
        m_isReceiving = false;
        if (Outcome placed = m_receiver.finish(); !placed)
            m_prompts.message(this,
                              QStringLiteral("The receive stopped. %1.\n%2.")
                                  .arg(placed.reason(), m_receiver.keptNote(m_receivedBytes)),
                              Caption, PromptButtons::Ok);
        m_stopReceiveButton->hide();
        m_sendButton->setEnabled(true);
        m_receiveButton->setEnabled(true);
    }

    const QString path = m_dialog.ShowOpen(this);
    if (path.isEmpty())
        return;
    m_operationLabel->setText(QStringLiteral("Open File:"));
    m_pathLabel->setText(path);
    m_logBox->show();
    m_progressBar->show();
    m_sentLabel->show();
    m_sizeLabel->show();
    m_receivedLabel->hide();
    if (Outcome opened = m_sender.open(path); !opened) {
        m_prompts.message(this, QStringLiteral("%1 could not be opened: %2").arg(path, opened.reason()), Caption,
                          PromptButtons::Ok);
        return;
    }
    const qint64 fileSize = m_sender.fileSize();
    m_logBox->hide();
    if (fileSize < PreviewLimitBytes) {
        QString text;
        if (readLogView(path, text))
            m_logBox->setPlainText(text);
        m_logBox->show();
    }
    m_sizeLabel->setText(QStringLiteral("Sum:") + QString::number(fileSize));
    m_progressShift = 0;
    while ((fileSize >> m_progressShift) > INT_MAX)
        ++m_progressShift;
    m_progressBar->setRange(0, int(fileSize >> m_progressShift));
    m_progressBar->setValue(0);
    m_sendButton->setEnabled(false);
    m_sendCancelButton->show();
    m_receiveButton->setEnabled(false);

    const FileSender::Result result = m_sender.run(*m_port);
    if (result.end == FileSender::End::ReadFailed || result.end == FileSender::End::PortFailed)
        reportSendFailure(result);
    Command2_Click();

    if (m_closeAfterSend) {
        m_closeAfterSend = false;
        QMetaObject::invokeMethod(this, &Kiron::closeWindowFrame, Qt::QueuedConnection);
    }
}

void Kiron::showSentBytes(qint64 sentBytes)
{
    m_sentLabel->setText(QString::number(sentBytes));
    m_progressBar->setValue(int(sentBytes >> m_progressShift));
}

void Kiron::reportSendFailure(const FileSender::Result &result)
{
    const QString what = result.end == FileSender::End::ReadFailed
        ? QStringLiteral("%1 could not be read: %2").arg(m_sender.path(), result.reason)
        : result.reason;
    const QString text = QStringLiteral("The send stopped. %1.\n%2 of %3 bytes were sent.")
                             .arg(what)
                             .arg(result.confirmedBytes)
                             .arg(m_sender.fileSize());
    m_prompts.message(this, text, Caption, PromptButtons::Ok);
}

void Kiron::Command2_Click()
{
    m_sender.close();
    if (m_port->PortOpen())
        m_port->setPortOpen(false);
    m_sendButton->setEnabled(true);
    m_sendCancelButton->hide();
    m_receiveButton->setEnabled(true);
    m_progressBar->hide();
    m_sentLabel->hide();
    m_sizeLabel->hide();
}

// ---- Receive File ----

void Kiron::Command3_Click()
{
    // One transfer at a time: a receive never starts over a send or another receive.
    if (m_sender.isRunning() || m_isReceiving)
        return;
    if (!OpenDevicePort())
        return;
    m_panel->hide();

    const QString path = m_dialog.ShowSave(this);
    if (path.isEmpty())
        return;
    m_operationLabel->setText(QStringLiteral(" Save File:"));
    if (Outcome opened = m_receiver.open(path); !opened) {
        m_prompts.message(this, QStringLiteral("%1 could not be opened: %2").arg(path, opened.reason()), Caption,
                          PromptButtons::Ok);
        return;
    }
    if (m_receiver.existingSize() > 0) {
        const PromptAnswer answer = m_prompts.message(this, QStringLiteral("OverFile:") + path + QLatin1Char('?'),
                                                      QStringLiteral("OverFile"), PromptButtons::OkCancel);
        if (answer != PromptAnswer::Ok) {
            m_receiver.abandon();
            return;
        }
        // The old content goes once the receive has ended with bytes to take its place.
    }
    m_pathLabel->setText(path);
    m_receiveButton->setEnabled(false);
    m_stopReceiveButton->show();
    m_sendButton->setEnabled(false);
    m_logBox->show();
    m_receivedLabel->show();
    m_progressBar->hide();
    m_receivedBytes = 0;
    m_port->setInBufferCount(0);
    m_receivedLabel->setText(QString::number(m_receivedBytes));
    m_logBox->setPlainText(QStringLiteral("Waitting Receive..."));
    m_receivePath = path;
    m_isReceiving = true;
}

void Kiron::DownLoadComm_OnComm()
{
    switch (m_port->CommEvent()) {
    case CommEventCode::BytesReceived:
        if (m_isReceiving)
            storeWaitingInput();
        break;
    case CommEventCode::FramingError:
        Command4_Click();
        break;
    default:
        break;
    }
}

void Kiron::storeWaitingInput()
{
    const int count = m_port->InBufferCount();
    if (count <= 0)
        return;
    m_port->setInputLen(count);
    const QByteArray chunk = m_port->Input();
    if (chunk.isEmpty())
        return;
    if (Outcome stored = m_receiver.append(chunk); !stored) {
        const qint64 arrived = m_receivedBytes + chunk.size();
        m_receivedBytes = m_receiver.size();
        m_receivedLabel->setText(QString::number(m_receivedBytes));
        endReceive(stored.reason(), arrived);
        return;
    }
    m_receivedBytes += chunk.size();
    m_receivedLabel->setText(QString::number(m_receivedBytes));
    m_logBox->setPlainText(logText(chunk));
}

void Kiron::Command4_Click()
{
    if (!m_isReceiving)
        return;
    if (m_port->PortOpen() && m_port->InBufferCount() > 0)
        storeWaitingInput();
    if (m_isReceiving) // still running unless storing failed and ended it
        endReceive();
}

void Kiron::endReceive(const QString &failure, qint64 arrived)
{
    QString stopped = failure;
    if (stopped.isEmpty()) {
        arrived = m_receivedBytes;
        if (Outcome placed = m_receiver.finish(); !placed)
            stopped = placed.reason();
    } else {
        m_receiver.keepPartial();
    }
    m_isReceiving = false;
    if (m_port->PortOpen())
        m_port->setPortOpen(false);
    // The receive's own file, whatever the shared dialog has been used for since. After a
    // failure the log box keeps the last bytes that came: the file holds its old content.
    if (stopped.isEmpty() && m_receivedBytes < PreviewLimitBytes) {
        QString text;
        if (readLogView(m_receivePath, text))
            m_logBox->setPlainText(text);
    } else if (stopped.isEmpty()) {
        m_logBox->setPlainText(QStringLiteral("Over !"));
    }
    m_receiveButton->setEnabled(true);
    m_stopReceiveButton->hide();
    m_sendButton->setEnabled(true);
    if (!stopped.isEmpty())
        m_prompts.message(this,
                          QStringLiteral("The receive stopped. %1.\n%2.").arg(stopped, m_receiver.keptNote(arrived)),
                          Caption, PromptButtons::Ok);
}

void Kiron::portLost(const QString &reason)
{
    // A send learns of it in its wait and reports it itself.
    if (!m_isReceiving)
        return;
    endReceive(reason, m_receivedBytes);
}

// ---- The commands that leave the serial link ----

void Kiron::Command10_Click()
{
    const QString program = programFilePath(UsbToolProgram);
    if (Zelva71Module::FindWindowA(UsbToolCaption))
        return;
    QProcess tool;
    tool.setProgram(program);
    tool.setWorkingDirectory(programFolder());
    if (!tool.startDetached())
        m_prompts.message(this, QStringLiteral("%1 could not be started: %2").arg(program, tool.errorString()), Caption,
                          PromptButtons::Ok);
}

void Kiron::Command11_Click()
{
    WindowNavigator *navigator = m_navigator;
    m_closingByCommand = true;
    closeWindowFrame();
    m_closingByCommand = false;
    if (navigator)
        navigator->showFixtureEditor();
}

void Kiron::mnuExit_Click()
{
    // The program ends at once: what a receive has stored so far becomes its file first.
    m_receiver.placeNow();
    if (m_navigator)
        m_navigator->endProgram();
    else
        QCoreApplication::quit();
}

void Kiron::MnuDownLoad_Click()
{
    m_panel->show();
    m_panel->raise();
}

void Kiron::mnuContents_Click()
{
    m_logBox->show();
    m_logBox->setPlainText(QStringLiteral("Baud Set: (KTR B5000)=115200bps"));
}

} // namespace zelvar
