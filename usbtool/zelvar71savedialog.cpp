// The transfer dialog: its controls and layout, the three option states, and the handlers
// that hand each command to the stick or link commands.
#include "usbtool/zelvar71savedialog.h"

#include "common/prompts.h"
#include "common/userfolders.h"
#include "common/windowpresence.h"
#include "usbtool/aboutbox.h"
#include "usbtool/toolicon.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace zelvar {

const QString Zelvar71SaveDialog::Caption = QStringLiteral("Zelvar71 Save Rev1.02");

namespace {

// The dialog's inner area below the menu bar, in pixels.
constexpr int InnerWidth = 500;
constexpr int InnerHeight = 330;

// A list entry of the stick's files: sorted by name whatever the letter case, as a sorted
// list box sorts, and by case only between names that differ in nothing else.
class FileListItem : public QListWidgetItem
{
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem &other) const override
    {
        const int c = text().compare(other.text(), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : text() < other.text();
    }
};

QPushButton *newButton(const QString &text, const char *id, const QRect &place, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(id));
    button->setGeometry(place);
    return button;
}

} // namespace

Zelvar71SaveDialog::Zelvar71SaveDialog(Prompts &prompts, QWidget *parent)
    : QDialog(parent), m_prompts(prompts), m_stick(m_device, *this)
{
    setObjectName(QStringLiteral("Zelvar71Save"));
    setWindowTitle(Caption);

    auto *inner = new QWidget(this);
    inner->setObjectName(QStringLiteral("Inner"));
    inner->setFixedSize(InnerWidth, InnerHeight);

    m_selectPelkom = newButton(QStringLiteral("Select Pelkom"), "1021", QRect(12, 10, 130, 28), inner);
    m_selectKiron = newButton(QStringLiteral("Select Kiron"), "1025", QRect(358, 10, 130, 28), inner);

    m_path = new QLineEdit(inner);
    m_path->setObjectName(QStringLiteral("1010"));
    m_path->setGeometry(12, 48, 386, 26);
    // The box shows what a command chose; typing into it would choose nothing.
    m_path->setReadOnly(true);
    m_exit = newButton(QStringLiteral("Exit"), "2", QRect(410, 47, 78, 28), inner);

    auto *pelkom = new QGroupBox(QStringLiteral("Pelkom Option"), inner);
    pelkom->setObjectName(QStringLiteral("PelkomOption"));
    pelkom->setGeometry(12, 86, 222, 204);
    const char *const stickIds[5] = {"1000", "1001", "1002", "1003", "1004"};
    const QString stickTexts[5] = {QStringLiteral("Dirtory"), QStringLiteral("Read"), QStringLiteral("Writ"),
                                   QStringLiteral("DEL"), QStringLiteral("Format")};
    for (int i = 0; i < 5; ++i)
        m_stickButtons[i] = newButton(stickTexts[i], stickIds[i], QRect(12, 26 + i * 34, 76, 28), pelkom);
    m_fileList = new QListWidget(pelkom);
    m_fileList->setObjectName(QStringLiteral("1008"));
    m_fileList->setGeometry(98, 26, 112, 164);
    m_fileList->setSortingEnabled(true);
    m_fileList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_fileList->setSelectionMode(QAbstractItemView::SingleSelection);

    auto *kiron = new QGroupBox(QStringLiteral("Kiron Option"), inner);
    kiron->setObjectName(QStringLiteral("KironOption"));
    kiron->setGeometry(246, 86, 242, 204);
    m_receive = newButton(QStringLiteral("Receive File"), "1012", QRect(12, 26, 106, 28), kiron);
    m_cancelReceive = newButton(QStringLiteral("Cancel Receive"), "1014", QRect(12, 60, 106, 28), kiron);
    m_send = newButton(QStringLiteral("Send File"), "1013", QRect(124, 26, 106, 28), kiron);
    m_cancelSend = newButton(QStringLiteral("Cancel Send"), "1015", QRect(124, 60, 106, 28), kiron);
    m_status = new QLabel(kiron);
    m_status->setObjectName(QStringLiteral("1026"));
    m_status->setGeometry(12, 104, 218, 24);

    m_progress = new QProgressBar(inner);
    m_progress->setObjectName(QStringLiteral("1005"));
    m_progress->setGeometry(12, 300, 476, 18);
    m_progress->setTextVisible(false);
    m_progress->setRange(0, m_progressMaximum);
    m_progress->setValue(0);

    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("MenuBar"));
    QMenu *option = m_menuBar->addMenu(QStringLiteral("&Option"));
    option->setObjectName(QStringLiteral("Option"));
    m_menuPelkom = option->addAction(QStringLiteral("P&elkom"));
    m_menuPelkom->setObjectName(QStringLiteral("Pelkom"));
    m_menuKiron = option->addAction(QStringLiteral("K&iron"));
    m_menuKiron->setObjectName(QStringLiteral("Kiron"));
    QAction *exitItem = option->addAction(QStringLiteral("&Exit"));
    exitItem->setObjectName(QStringLiteral("Exit"));
    // Where a system menu would hold the about entry, a menu of its own holds it.
    QMenu *help = m_menuBar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help"));
    QAction *about = help->addAction(QStringLiteral("?? Ducto(&A)..."));
    about->setObjectName(QStringLiteral("About"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(inner);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_link = std::make_unique<LinkCommands>(m_device, *this);
    connect(m_link.get(), &LinkCommands::transferFinished, this, [this] { linkTransferFinished(); });

    connect(m_selectPelkom, &QPushButton::clicked, this, [this] { OnSelectPelkom(); });
    connect(m_selectKiron, &QPushButton::clicked, this, [this] { OnSelectKiron(); });
    connect(m_menuPelkom, &QAction::triggered, this, [this] { OnSelectPelkom(); });
    connect(m_menuKiron, &QAction::triggered, this, [this] { OnSelectKiron(); });
    connect(m_exit, &QPushButton::clicked, this, [this] { reject(); });
    connect(exitItem, &QAction::triggered, this, [this] { reject(); });
    connect(about, &QAction::triggered, this, [this] { OnAbout(); });
    connect(m_stickButtons[0], &QPushButton::clicked, this, [this] { OnDirtory(); });
    connect(m_stickButtons[1], &QPushButton::clicked, this, [this] { OnRead(); });
    connect(m_stickButtons[2], &QPushButton::clicked, this, [this] { OnWrit(); });
    connect(m_stickButtons[3], &QPushButton::clicked, this, [this] { OnDel(); });
    connect(m_stickButtons[4], &QPushButton::clicked, this, [this] { OnFormat(); });
    connect(m_receive, &QPushButton::clicked, this, [this] { OnReceiveFile(); });
    connect(m_cancelReceive, &QPushButton::clicked, this, [this] { OnCancelReceive(); });
    connect(m_send, &QPushButton::clicked, this, [this] { OnSendFile(); });
    connect(m_cancelSend, &QPushButton::clicked, this, [this] { OnCancelSend(); });

    OnInitDialog();
}

Zelvar71SaveDialog::~Zelvar71SaveDialog()
{
    // The worker reports to this dialog until its finish step: let it get there first.
    m_link->cancelAndWait();
}

void Zelvar71SaveDialog::OnInitDialog()
{
    setWindowIcon(toolIcon());
    m_path->setText(QStringLiteral("Select Pelkom or Kiron Option"));
    for (const QString &message : m_device.BindDeviceLibrary())
        showMessage(message);
    m_link->cancelEvent.reset();
    // No option chosen yet: only the two options, the path box and "Exit" can be used.
    SetStickButtons(false);
    setLinkButtons(false, false, false, false);
    m_selectPelkom->setFocus(Qt::OtherFocusReason);
}

void Zelvar71SaveDialog::OnSelectPelkom()
{
    setLinkButtons(false, false, false, false);
    m_selectPelkom->setEnabled(false);
    m_selectKiron->setEnabled(true);
    SetStickButtons(true);
}

void Zelvar71SaveDialog::OnSelectKiron()
{
    SetStickButtons(false);
    setLinkButtons(true, false, true, false);
    m_selectPelkom->setEnabled(true);
    m_selectKiron->setEnabled(false);
}

void Zelvar71SaveDialog::OnDirtory()
{
    m_stick.listFiles();
}

void Zelvar71SaveDialog::OnRead()
{
    m_stick.readFile();
}

void Zelvar71SaveDialog::OnWrit()
{
    m_stick.writeFile();
}

void Zelvar71SaveDialog::OnDel()
{
    m_stick.deleteFile();
}

void Zelvar71SaveDialog::OnFormat()
{
    m_stick.formatStick();
}

void Zelvar71SaveDialog::OnReceiveFile()
{
    m_link->receiveFile();
    if (m_link->isRunning())
        setOptionsEnabled(false);
}

void Zelvar71SaveDialog::OnSendFile()
{
    m_link->sendFile();
    if (m_link->isRunning())
        setOptionsEnabled(false);
}

void Zelvar71SaveDialog::OnCancelReceive()
{
    m_link->cancelReceive();
}

void Zelvar71SaveDialog::OnCancelSend()
{
    m_link->cancelSend();
}

void Zelvar71SaveDialog::OnAbout()
{
    AboutBox box(m_device.libraryDescription(), this);
    box.exec();
}

// While the worker uses the interface, nothing else may close and reopen it: the options
// (and with them the stick commands) wait for the finish step.
void Zelvar71SaveDialog::setOptionsEnabled(bool enabled)
{
    m_menuPelkom->setEnabled(enabled);
    m_menuKiron->setEnabled(enabled);
    // In the link option "Select Kiron" stays off either way.
    m_selectPelkom->setEnabled(enabled);
}

void Zelvar71SaveDialog::linkTransferFinished()
{
    setOptionsEnabled(true);
    if (m_closePending) {
        m_closePending = false;
        const bool closeBox = m_closeBoxPending;
        m_closeBoxPending = false;
        closeNow(closeBox);
    }
}

void Zelvar71SaveDialog::closeAfterTransfer(bool closeBox)
{
    // Asked once: a second close while the transfer winds down only adds the close box's part.
    if (m_askingToStop)
        return;
    if (!m_closePending) {
        // A slip of the hand must not cut a show short: Enter, say, with no button focused.
        m_askingToStop = true;
        const PromptAnswer answer = m_prompts.message(this, QStringLiteral("A transfer is running. Stop it?"),
                                                      QString(), PromptButtons::OkCancelDefaultCancel);
        m_askingToStop = false;
        // The transfer may have ended while the question was open; then the close goes on.
        if (answer != PromptAnswer::Ok)
            return;
        if (!m_link->isRunning()) {
            closeNow(closeBox);
            return;
        }
        m_closePending = true;
        m_link->stop();
    }
    m_closeBoxPending = m_closeBoxPending || closeBox;
}

void Zelvar71SaveDialog::closeNow(bool closeBox)
{
    if (closeBox)
        close();
    else
        reject();
}

void Zelvar71SaveDialog::reject()
{
    if (m_link->isRunning()) {
        closeAfterTransfer(false);
        return;
    }
    QDialog::reject();
}

void Zelvar71SaveDialog::done(int result)
{
    m_presence.reset();
    QDialog::done(result);
}

void Zelvar71SaveDialog::showEvent(QShowEvent *event)
{
    // Announced while open, so the main program's "Link Device" starts no second copy.
    if (!m_presence)
        m_presence = std::make_unique<WindowPresence>(Caption);
    QDialog::showEvent(event);
}

void Zelvar71SaveDialog::closeEvent(QCloseEvent *event)
{
    if (m_link->isRunning()) {
        closeAfterTransfer(true);
        event->ignore();
        return;
    }
    StickPanel::report(m_device.CloseInterface());
    QDialog::closeEvent(event);
}

void Zelvar71SaveDialog::keyPressEvent(QKeyEvent *event)
{
    // Enter on a button clicks it; anywhere else it closes the dialog.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier && !qobject_cast<QPushButton *>(focusWidget())) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Zelvar71SaveDialog::SetStickButtons(bool enabled)
{
    for (QPushButton *button : m_stickButtons)
        button->setEnabled(enabled);
}

void Zelvar71SaveDialog::clearFileList()
{
    m_fileList->clear();
}

void Zelvar71SaveDialog::addFileListItem(const QString &text)
{
    m_fileList->addItem(new FileListItem(text));
}

std::optional<QString> Zelvar71SaveDialog::selectedFileListItem() const
{
    const QList<QListWidgetItem *> selected = m_fileList->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return selected.first()->text();
}

bool Zelvar71SaveDialog::confirm(const QString &question)
{
    // Enter pressed without reading keeps the files.
    return m_prompts.message(this, question, QString(), PromptButtons::OkCancelDefaultCancel) == PromptAnswer::Ok;
}

bool Zelvar71SaveDialog::confirmReplace(const QString &question)
{
    return confirm(question);
}

void Zelvar71SaveDialog::setLinkButtons(bool receive, bool cancelReceive, bool send, bool cancelSend)
{
    m_receive->setEnabled(receive);
    m_cancelReceive->setEnabled(cancelReceive);
    m_send->setEnabled(send);
    m_cancelSend->setEnabled(cancelSend);
}

void Zelvar71SaveDialog::showStatus(const QString &text)
{
    m_status->setText(text);
}

void Zelvar71SaveDialog::showPath(const QString &path)
{
    m_path->setText(path);
    // The end of a long path, where the file's name is, stays in view.
    m_path->setCursorPosition(int(path.size()));
}

void Zelvar71SaveDialog::setProgressRange(int maximum)
{
    m_progressMaximum = std::max(0, maximum);
    m_progressPosition = std::min(m_progressPosition, m_progressMaximum);
    // An empty range shows an empty bar, not Qt's busy bar.
    m_progress->setRange(0, std::max(1, m_progressMaximum));
    m_progress->setValue(m_progressPosition);
}

void Zelvar71SaveDialog::setProgressPosition(int position)
{
    m_progressPosition = std::clamp(position, 0, m_progressMaximum);
    m_progress->setValue(m_progressPosition);
}

void Zelvar71SaveDialog::setProgressStep(int step)
{
    m_progressStep = step;
}

void Zelvar71SaveDialog::stepProgress()
{
    const qint64 next = qint64(m_progressPosition) + m_progressStep;
    // Past the end the bar starts over, so a long transfer still shows it moves.
    m_progressPosition = next > m_progressMaximum ? 0 : int(std::max<qint64>(0, next));
    m_progress->setValue(m_progressPosition);
}

QString Zelvar71SaveDialog::chooseFile(FileChoice choice, const QString &title, const QString &presetName)
{
    const FileDialogRequest request{title, QString(), dialogStartPath(presetName)};
    return choice == FileChoice::Save ? m_prompts.saveFile(this, request) : m_prompts.openFile(this, request);
}

void Zelvar71SaveDialog::showMessage(const QString &text)
{
    m_prompts.message(this, text, QString(), PromptButtons::Ok);
}

} // namespace zelvar
