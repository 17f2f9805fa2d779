// The main window, its menu, start-up and the showing of the working windows.
#include "shell/mainform.h"

#include "common/prompts.h"
#include "common/recovery.h"
#include "common/streamedfile.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace zelvar {

MainForm::MainForm(Windows windows, Prompts &prompts, EndProgram endProgram, QWidget *parent)
    : QMainWindow(parent), m_prompts(prompts), m_endProgram(std::move(endProgram)), m_mdiArea(new QMdiArea(this)),
      m_kiron{std::move(windows.kiron), {}}, m_zelva71{std::move(windows.zelva71), {}},
      m_editChName{std::move(windows.editChName), {}}
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Zelvar71Rev1.09"));
    m_mdiArea->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(m_mdiArea);

    QMenu *numsf = menuBar()->addMenu(QStringLiteral("&Show Forms"));
    numsf->setObjectName(QStringLiteral("numsf"));
    const auto item = [this, numsf](const char *name, const QString &text, void (MainForm::*slot)()) {
        QAction *a = numsf->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
    };
    item("numUF", QStringLiteral("&Kiron Form"), &MainForm::showLinkWindow);
    item("numMF", QStringLiteral("&Zelvar71 From"), &MainForm::showFixtureEditor);
    item("numChname", QStringLiteral("&EditChName"), &MainForm::showChannelNameEditor);
    numsf->addSeparator()->setObjectName(QStringLiteral("numNull"));
    item("numExit", QStringLiteral("&Exit"), &MainForm::endProgram);
}

MainForm::~MainForm() = default;

void MainForm::StartUp()
{
    // Room for the largest working window with its frame, as far as the screen allows.
    if (!testAttribute(Qt::WA_Resized)) {
        QSize wanted(880, 780);
        if (const QScreen *s = screen())
            wanted = wanted.boundedTo(s->availableGeometry().size());
        resize(wanted);
    }
    show();
    MDIForm_Load();
    showFixtureEditor();
}

void MainForm::MDIForm_Load()
{
    QMdiSubWindow *frame = showChild(m_kiron);
    frame->resize(m_mdiArea->viewport()->size());
}

void MainForm::showLinkWindow()
{
    showChild(m_kiron);
}

void MainForm::showFixtureEditor()
{
    showChild(m_zelva71);
}

void MainForm::showChannelNameEditor()
{
    showChild(m_editChName);
}

void MainForm::endProgram()
{
    // No window's unload runs, but unsaved work still reaches its recovery file, and what
    // a receive has stored becomes its file.
    RecoveryWriter::flushAll();
    StreamedFile::placeAll();
    if (m_endProgram) {
        m_endProgram();
        return;
    }
    // All windows go at once, without any window's unload handling: what the windows
    // must keep is on disk already.
    std::fflush(nullptr);
    std::_Exit(0);
}

void MainForm::bringToFront()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

QMdiSubWindow *MainForm::showChild(Child &child)
{
    // A closed frame, or one whose window has gone, is on its way out (deleted once the
    // event loop comes round): the window is created anew.
    if (child.frame && (child.frame->isHidden() || !child.frame->widget())) {
        child.frame->close();
        child.frame = nullptr;
    }
    if (!child.frame) {
        QWidget *window = child.factory(this, m_prompts);
        window->setAttribute(Qt::WA_DeleteOnClose);
        QMdiSubWindow *frame = m_mdiArea->addSubWindow(window);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        frame->setWindowIcon(window->windowIcon());
        child.frame = frame;
        // A window that closes itself leaves its frame empty: the frame goes too, once the
        // window is gone.
        QPointer<QMdiSubWindow> guard(frame);
        connect(window, &QObject::destroyed, this, [guard] {
            if (guard)
                guard->close();
        }, Qt::QueuedConnection);
        // When a frame goes, the area may be left without an active window: the one in
        // front takes over, as the user sees it.
        connect(frame, &QObject::destroyed, this, &MainForm::activateFrontWindow, Qt::QueuedConnection);
    }
    QMdiSubWindow *frame = child.frame;
    frame->show();
    frame->raise();
    m_mdiArea->setActiveSubWindow(frame);
    frame->move(0, 0);
    return frame;
}

void MainForm::activateFrontWindow()
{
    if (m_closing && !hasOpenWindows()) {
        close();
        return;
    }
    if (m_mdiArea->activeSubWindow())
        return;
    const QList<QMdiSubWindow *> frames = m_mdiArea->subWindowList(QMdiArea::StackingOrder);
    for (auto it = frames.crbegin(); it != frames.crend(); ++it) {
        if (!(*it)->isHidden()) {
            m_mdiArea->setActiveSubWindow(*it);
            return;
        }
    }
}

QWidget *MainForm::windowIn(const Child &child)
{
    return child.frame && !child.frame->isHidden() ? child.frame->widget() : nullptr;
}

QWidget *MainForm::linkWindow() const
{
    return windowIn(m_kiron);
}

QWidget *MainForm::fixtureEditor() const
{
    return windowIn(m_zelva71);
}

QWidget *MainForm::channelNameEditor() const
{
    return windowIn(m_editChName);
}

QMdiSubWindow *MainForm::frameOf(const QWidget *window) const
{
    for (const Child *c : {&m_kiron, &m_zelva71, &m_editChName}) {
        if (window && windowIn(*c) == window)
            return c->frame;
    }
    return nullptr;
}

bool MainForm::hasOpenWindows() const
{
    const QList<QMdiSubWindow *> frames = m_mdiArea->subWindowList();
    return std::any_of(frames.begin(), frames.end(), [](const QMdiSubWindow *f) { return !f->isHidden(); });
}

void MainForm::closeEvent(QCloseEvent *event)
{
    // Each open working window closes first, running its unload handling, the link window
    // first: it may ask whether to stop a transfer, and when the user goes on with it
    // everything stays open. A window that must finish something first (a send unwinding)
    // closes a moment later; the main window follows it then.
    m_closing = true;
    for (const Child *c : {&m_kiron, &m_zelva71, &m_editChName}) {
        QMdiSubWindow *frame = c->frame;
        if (!frame || frame->isHidden() || frame->close())
            continue;
        const auto *deferred = dynamic_cast<const DeferredClose *>(frame->widget());
        if (!deferred || !deferred->closesSoon()) {
            m_closing = false;
            event->ignore();
            return;
        }
    }
    if (hasOpenWindows()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace zelvar
