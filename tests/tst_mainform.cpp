// The main window with stand-in working windows: start-up order and placement, each window
// at most once, "show" from every caller, closing and re-creating, and the two ways out.
#include "shell/mainform.h"
#include "scriptedprompts.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>
#include <QtTest>

using namespace zelvar;

namespace {

struct Counts
{
    int loads = 0;
    int unloads = 0;
};

// Counts its load (construction) and unload (close) as a working window does.
class StandIn : public QMainWindow, public DeferredClose
{
public:
    // The first close is refused (a send still unwinding); the window closes itself soon after.
    bool refuseFirstClose = false;
    // Every close is refused: the user chose to go on with a transfer.
    bool refuseEveryClose = false;

    bool closesSoon() const override { return m_closingLater; }

    StandIn(const QString &caption, QSize size, Counts &counts) : m_counts(counts)
    {
        setWindowTitle(caption);
        setObjectName(caption);
        resize(size);
        ++m_counts.loads;
    }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (refuseEveryClose) {
            event->ignore();
            return;
        }
        if (refuseFirstClose) {
            refuseFirstClose = false;
            m_closingLater = true;
            event->ignore();
            QTimer::singleShot(50, this, [this] {
                if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
                    frame->close();
            });
            return;
        }
        ++m_counts.unloads;
        event->accept();
    }

private:
    Counts &m_counts;
    bool m_closingLater = false;
};

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

    Counts kiron, zelva, names;
    int ends = 0;
    ScriptedPrompts prompts;

    std::unique_ptr<MainForm> makeForm()
    {
        kiron = zelva = names = Counts{};
        ends = 0;
        MainForm::Windows windows{
            [this](WindowNavigator *, Prompts &) -> QWidget * { return new StandIn(QStringLiteral("Kiron"), {792, 576}, kiron); },
            [this](WindowNavigator *, Prompts &) -> QWidget * { return new StandIn(QStringLiteral("Zelva71"), {792, 580}, zelva); },
            [this](WindowNavigator *, Prompts &) -> QWidget * {
                return new StandIn(QStringLiteral("EditChName"), {640, 700}, names);
            },
        };
        auto form = std::make_unique<MainForm>(windows, prompts, [this] { ++ends; });
        form->resize(1000, 760);
        return form;
    }

    static void trigger(MainForm &form, const char *action)
    {
        QAction *a = form.findChild<QAction *>(QLatin1String(action));
        QVERIFY2(a, action);
        a->trigger();
    }

private slots:
    void startUpShowsTheFixtureEditorInFrontOfTheLinkWindow()
    {
        auto form = makeForm();
        form->StartUp();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(form->windowTitle(), QStringLiteral("Zelvar71Rev1.09"));
        QVERIFY(form->linkWindow());
        QVERIFY(form->fixtureEditor());
        QVERIFY(!form->channelNameEditor());
        QCOMPARE(form->mdiArea()->activeSubWindow(), form->frameOf(form->fixtureEditor()));
        QCOMPARE(form->frameOf(form->linkWindow())->size(), form->mdiArea()->viewport()->size());
        QCOMPARE(form->frameOf(form->fixtureEditor())->pos(), QPoint(0, 0));
        const QList<QMdiSubWindow *> order = form->mdiArea()->subWindowList(QMdiArea::StackingOrder);
        QCOMPARE(order.last(), form->frameOf(form->fixtureEditor()));
        QCOMPARE(kiron.loads, 1);
        QCOMPARE(zelva.loads, 1);
    }

    // What a second copy of the program asks of the first: its window back in front.
    void bringToFrontUndoesAMinimise()
    {
        auto form = makeForm();
        form->StartUp();
        form->showMinimized();
        QVERIFY(form->isMinimized());
        form->bringToFront();
        QVERIFY(!form->isMinimized());
        QVERIFY(form->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }

    void eachWindowExistsOnceAndIsCreatedAnewAfterClosing()
    {
        auto form = makeForm();
        form->StartUp();
        trigger(*form, "numChname");
        QWidget *first = form->channelNameEditor();
        QVERIFY(first);
        form->frameOf(first)->move(40, 30);
        trigger(*form, "numChname");
        QCOMPARE(form->channelNameEditor(), first);
        QCOMPARE(names.loads, 1);
        QCOMPARE(form->frameOf(first)->pos(), QPoint(0, 0));
        QCOMPARE(form->mdiArea()->activeSubWindow(), form->frameOf(first));

        // The window closes itself (its own Exit button): its frame goes with it.
        first->close();
        QTRY_VERIFY(!form->channelNameEditor());
        QTRY_COMPARE(form->mdiArea()->subWindowList().size(), 2);
        QCOMPARE(names.unloads, 1);
        trigger(*form, "numChname");
        QVERIFY(form->channelNameEditor());
        QCOMPARE(names.loads, 2);

        // Closed and called up again before the event loop has come round (a command run
        // inside a transfer's wait): a new window, not the closing one's frame.
        QPointer<QMdiSubWindow> closing = form->frameOf(form->channelNameEditor());
        closing->close();
        form->showChannelNameEditor();
        QVERIFY(form->channelNameEditor());
        QVERIFY(form->frameOf(form->channelNameEditor()) != closing);
        QCOMPARE(names.loads, 3);
        QTRY_VERIFY(!closing);

        // Closed through its frame's close box: unload runs, and it comes back anew.
        form->frameOf(form->fixtureEditor())->close();
        QTRY_VERIFY(!form->fixtureEditor());
        QCOMPARE(zelva.unloads, 1);
        form->showFixtureEditor();
        QCOMPARE(zelva.loads, 2);
    }

    void showKeepsTheSizeAndReturnsToTheCorner()
    {
        auto form = makeForm();
        form->StartUp();
        QMdiSubWindow *frame = form->frameOf(form->linkWindow());
        frame->setGeometry(50, 60, 400, 300);
        trigger(*form, "numUF");
        QCOMPARE(frame->geometry(), QRect(0, 0, 400, 300));
        QCOMPARE(form->mdiArea()->activeSubWindow(), frame);
        trigger(*form, "numMF");
        QCOMPARE(form->mdiArea()->activeSubWindow(), form->frameOf(form->fixtureEditor()));
        QCOMPARE(kiron.loads, 1);
    }

    void exitEndsAtOnceWithoutUnloads()
    {
        auto form = makeForm();
        form->StartUp();
        trigger(*form, "numExit");
        QCOMPARE(ends, 1);
        QCOMPARE(kiron.unloads + zelva.unloads + names.unloads, 0);
    }

    void closingTheMainWindowUnloadsEveryChild()
    {
        auto form = makeForm();
        form->StartUp();
        form->showChannelNameEditor();
        QVERIFY(form->close());
        QCOMPARE(kiron.unloads, 1);
        QCOMPARE(zelva.unloads, 1);
        QCOMPARE(names.unloads, 1);
        QCOMPARE(ends, 0);
    }

    void theMainWindowWaitsForAWindowThatClosesLater()
    {
        auto form = makeForm();
        form->StartUp();
        static_cast<StandIn *>(form->linkWindow())->refuseFirstClose = true;
        QVERIFY(!form->close());
        QVERIFY(form->isVisible());
        QCOMPARE(zelva.unloads, 1);
        QTRY_COMPARE(kiron.unloads, 1);
        QTRY_VERIFY(!form->isVisible());
    }

    // The link window, asked first, keeps its transfer: nothing closes, and closing the link
    // window later leaves the main window open.
    void aWindowThatStaysKeepsEveryWindowOpen()
    {
        auto form = makeForm();
        form->StartUp();
        form->showChannelNameEditor();
        auto *link = static_cast<StandIn *>(form->linkWindow());
        link->refuseEveryClose = true;
        QVERIFY(!form->close());
        QCOMPARE(kiron.unloads + zelva.unloads + names.unloads, 0);
        QVERIFY(form->fixtureEditor() && form->channelNameEditor());
        link->refuseEveryClose = false;
        form->frameOf(link)->close();
        QTRY_COMPARE(form->mdiArea()->subWindowList().size(), 2);
        QTest::qWait(50);
        QVERIFY(form->isVisible());
        QCOMPARE(ends, 0);
    }

    void menuTexts()
    {
        auto form = makeForm();
        const QMenu *menu = form->findChild<QMenu *>(QStringLiteral("numsf"));
        QVERIFY(menu);
        QCOMPARE(menu->title(), QStringLiteral("&Show Forms"));
        QStringList texts;
        for (const QAction *a : menu->actions())
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(texts, (QStringList{QStringLiteral("&Kiron Form"), QStringLiteral("&Zelvar71 From"),
                                     QStringLiteral("&EditChName"), QStringLiteral("-"), QStringLiteral("&Exit")}));
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
