// The on-screen prompts: filters as the file dialogs take them, and message boxes with the
// text, title and buttons the windows ask for.
#include "common/prompts.h"
#include "common/twips.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace zelvar;

class TestPrompts : public QObject
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

    void twipsArePixelsTimesFifteen()
    {
        QCOMPARE(twipsRect(120, 120, 10935, 8415), QRect(8, 8, 729, 561));
        QCOMPARE(twips(11880), 792);
    }
};

QTEST_MAIN(TestPrompts)
#include "tst_prompts.moc"
