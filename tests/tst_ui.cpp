// Window helpers: on-screen prompts (filters as the file dialogs take them, message boxes
// with the text, title and buttons asked for), the shared file dialog, window presence,
// the "&Edit" menu's history.
#include "common/editmenu.h"
#include "common/prompts.h"
#include "common/sharedfiledialog.h"
#include "common/twips.h"
#include "common/userfolders.h"
#include "common/windowpresence.h"
#include "scriptedprompts.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUndoStack>
#include <QtTest>

using namespace zelvar;

class TestUi : public QObject
{
    Q_OBJECT

private slots:
    void nameFilters()
    {
        QCOMPARE(qtNameFilters(QStringLiteral("Zelva71 Setup File(*.zff)|*.zff")),
                 QStringLiteral("Zelva71 Setup File(*.zff)"));
        QCOMPARE(qtNameFilters(QStringLiteral("Shows|*.tzk;*.bin|All|*.*")),
                 QStringLiteral("Shows (*.tzk *.bin);;All (*.*)"));
        QCOMPARE(qtNameFilters(QString()), QString());
    }

    void messageBoxShowsWhatItIsGiven()
    {
        QString seenText, seenTitle;
        int buttonCount = 0;
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            seenText = box->text();
            seenTitle = box->windowTitle();
            buttonCount = int(box->buttons().size());
            box->button(QMessageBox::Cancel)->click();
        });
        QtPrompts prompts;
        const PromptAnswer answer = prompts.message(nullptr, QStringLiteral("Any current settings will be lost,continue"),
                                                    QStringLiteral("Zelva71 Fixture"), PromptButtons::OkCancel);
        QCOMPARE(answer, PromptAnswer::Cancel);
        QCOMPARE(seenText, QStringLiteral("Any current settings will be lost,continue"));
        QCOMPARE(seenTitle, QStringLiteral("Zelva71 Fixture"));
        QCOMPARE(buttonCount, 2);
    }

    void enterAnswersWithTheDefaultButton_data()
    {
        QTest::addColumn<PromptButtons>("buttons");
        QTest::addColumn<PromptAnswer>("answer");
        QTest::newRow("OK and Cancel") << PromptButtons::OkCancel << PromptAnswer::Ok;
        // A question whose OK destroys something.
        QTest::newRow("Cancel the default") << PromptButtons::OkCancelDefaultCancel << PromptAnswer::Cancel;
    }

    void enterAnswersWithTheDefaultButton()
    {
        QFETCH(PromptButtons, buttons);
        QFETCH(PromptAnswer, answer);
        QTimer::singleShot(0, this, [] {
            QWidget *box = QApplication::activeModalWidget();
            QVERIFY(box);
            QTest::keyClick(box, Qt::Key_Return);
        });
        QtPrompts prompts;
        QCOMPARE(prompts.message(nullptr, QStringLiteral("Format the stick?"), QString(), buttons), answer);
    }

    void messageBoxIsAsWideAsItsTitle_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("short text, title of a refusal") << "Format Error " << "Zelva71 Fixture";
        QTest::newRow("short text, long title")
            << "Format Error " << "A title much longer than the text of its box, which must still show whole";
    }
    void messageBoxIsAsWideAsItsTitle()
    {
        QFETCH(QString, text);
        QFETCH(QString, title);
        int width = 0;
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            width = box->width();
            box->button(QMessageBox::Ok)->click();
        });
        QtPrompts().message(nullptr, text, title, PromptButtons::Ok);
        // The title in the application's font, and the title bar's icon and three buttons.
        QVERIFY2(width >= QFontMetrics(QApplication::font()).horizontalAdvance(title) + 3 * 24 + 24,
                 qPrintable(QString::number(width)));
    }

    void sharedFileDialogKeepsFilterAndName()
    {
        ScriptedPrompts prompts;
        SharedFileDialog dialog(prompts);
        prompts.paths << QStringLiteral("/shows/a.tzk") << QString() << QStringLiteral("/shows/b.bin");
        dialog.Filter = QStringLiteral("Zelva71 DownLoad File(*.tzk)|*.tzk");
        QCOMPARE(dialog.ShowSave(nullptr), QStringLiteral("/shows/a.tzk"));
        QCOMPARE(dialog.ShowOpen(nullptr), QString()); // cancelled: the name stays
        QCOMPARE(dialog.FileName, QStringLiteral("/shows/a.tzk"));
        QCOMPARE(dialog.ShowOpen(nullptr), QStringLiteral("/shows/b.bin"));
        QCOMPARE(prompts.calls.size(), 3);
        QCOMPARE(prompts.calls[0].kind, PromptCall::SaveFile);
        QCOMPARE(prompts.calls[0].text, documentsFolder()); // nothing chosen before
        QCOMPARE(prompts.calls[1].filter, QStringLiteral("Zelva71 DownLoad File(*.tzk)|*.tzk"));
        QCOMPARE(prompts.calls[1].text, QStringLiteral("/shows/a.tzk"));
        QCOMPARE(prompts.calls[2].text, QStringLiteral("/shows/a.tzk"));
    }

    void windowPresenceIsFoundByCaption()
    {
        const QString caption = QStringLiteral("Presence Test %1").arg(QCoreApplication::applicationPid());
        QVERIFY(!FindWindowA(caption));
        {
            WindowPresence presence(caption);
            QVERIFY(presence.isListening());
            QVERIFY(FindWindowA(caption));
            QVERIFY(!FindWindowA(caption + QLatin1Char('x')));
        }
        QVERIFY(!FindWindowA(caption));
    }

    void theEditMenusHistoryKeepsTheLast100Steps_data()
    {
        QTest::addColumn<int>("steps");
        QTest::newRow("one") << 1;
        QTest::newRow("the limit") << 100;
        QTest::newRow("one past it") << 101;
    }
    void theEditMenusHistoryKeepsTheLast100Steps()
    {
        QFETCH(int, steps);
        // Each step sets a number from one value to the next.
        struct Count : QUndoCommand
        {
            Count(int &counted, int next) : value(counted), to(next) {}
            void redo() override { value = to; }
            void undo() override { value = to - 1; }
            int &value;
            const int to;
        };
        QMainWindow window;
        QUndoStack history;
        const EditMenu edit = addEditMenu(&window, &history, [&] { history.undo(); }, [&] { history.redo(); });
        int value = 0;
        for (int to = 1; to <= steps; ++to)
            history.push(new Count(value, to));
        int undone = 0;
        for (; edit.undo->isEnabled() && undone <= steps; ++undone)
            edit.undo->trigger();
        QCOMPARE(undone, std::min(steps, 100));
        QCOMPARE(value, std::max(0, steps - 100));
    }

    void twipsArePixelsTimesFifteen()
    {
        QCOMPARE(twipsRect(120, 120, 10935, 8415), QRect(8, 8, 729, 561));
        QCOMPARE(twips(11880), 792);
    }
};

QTEST_MAIN(TestUi)
#include "tst_ui.moc"
