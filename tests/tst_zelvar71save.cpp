// The transfer dialog "Zelvar71 Save Rev1.02" driven as a user would, against the device
// simulator: its controls and layout, the three option states, link transfers with their
// buttons, status line and progress bar, the stick's list, closing, and its presence.
#include "common/userfolders.h"
#include "common/windowpresence.h"
#include "scriptedprompts.h"
#include "testsupport.h"
#include "usbsimulator.h"
#include "usbtool/zelvar71savedialog.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <dlfcn.h>

#include <memory>

using namespace zelvar;
using testsupport::UsbSimulator;

namespace {

const QString Caption = QStringLiteral("Zelvar71 Save Rev1.02");
const QString Complete = QStringLiteral("File Option is Complete ");
const char *const StickIds[] = {"1000", "1001", "1002", "1003", "1004"};

QByteArray pattern(int size, int seed = 11)
{
    QByteArray bytes(size, '\0');
    quint32 x = quint32(seed) * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = char(x >> 16);
    }
    return bytes;
}

// The tool with its dialog open on one simulated interface.
struct Tool
{
    explicit Tool(const QByteArray &devices = "kzt_usb_dmx")
    {
        sim.setDevices(devices);
        out = sim.path(QStringLiteral("to-controller.bin"));
        in = sim.path(QStringLiteral("from-controller.bin"));
        sim.setLinkFiles(out, in);
        dialog = std::make_unique<Zelvar71SaveDialog>(prompts);
        dialog->show();
    }
    ~Tool()
    {
        if (dialog)
            dialog->deviceLibrary().CloseInterface();
        dialog.reset();
    }

    template <typename T>
    T *child(const char *name) const
    {
        return dialog->findChild<T *>(QLatin1String(name));
    }
    QPushButton *button(const char *id) const { return child<QPushButton>(id); }
    QAction *action(const char *name) const { return child<QAction>(name); }
    void click(const char *id) const { QTest::mouseClick(button(id), Qt::LeftButton); }
    QString status() const { return child<QLabel>("1026")->text(); }
    QString path() const { return child<QLineEdit>("1010")->text(); }
    QProgressBar *progress() const { return child<QProgressBar>("1005"); }

    // Which of the given controls can be used, as a string of 0 and 1.
    QString enabled(std::initializer_list<const char *> ids) const
    {
        QString states;
        for (const char *id : ids)
            states += button(id)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return states;
    }
    QString stickButtons() const { return enabled({"1000", "1001", "1002", "1003", "1004"}); }
    // "Receive File", "Cancel Receive", "Send File", "Cancel Send".
    QString linkButtons() const { return enabled({"1012", "1014", "1013", "1015"}); }
    // "Select Pelkom", "Select Kiron".
    QString options() const { return enabled({"1021", "1025"}); }
    QString optionItems() const
    {
        return QString(action("Pelkom")->isEnabled() ? QLatin1Char('1') : QLatin1Char('0'))
            + (action("Kiron")->isEnabled() ? QLatin1Char('1') : QLatin1Char('0'));
    }

    bool waitForFinish()
    {
        QSignalSpy finished(&dialog->linkCommands(), &LinkCommands::transferFinished);
        return !dialog->linkCommands().isRunning() || finished.wait(60000);
    }

    QStringList messages() const
    {
        QStringList texts;
        for (const PromptCall &c : prompts.calls)
            if (c.kind == PromptCall::Message)
                texts << c.text;
        return texts;
    }

    QList<int> writeSizes() const
    {
        QList<int> sizes;
        for (const QByteArray &w : sim.writes())
            sizes << int(w.size());
        return sizes;
    }

    UsbSimulator sim;
    ScriptedPrompts prompts;
    std::unique_ptr<Zelvar71SaveDialog> dialog;
    QString out;
    QString in;
};

// Answers every question with OK and every file dialog with a file of the session's own,
// and records all of them in one list, in the order they came.
struct SessionPrompts : ScriptedPrompts
{
    QString folder;
    QStringList seen;

    zelvar::PromptAnswer message(QWidget *parent, const QString &text, const QString &title,
                                 zelvar::PromptButtons buttons) override
    {
        ScriptedPrompts::message(parent, text, title, buttons);
        seen << (buttons == PromptButtons::Ok ? QStringLiteral("box ") : QStringLiteral("ask ")) + text;
        return PromptAnswer::Ok;
    }
    QString openFile(QWidget *, const zelvar::FileDialogRequest &request) override
    {
        seen << QStringLiteral("open ") + request.title;
        return folder + QStringLiteral("/outgoing.bin");
    }
    QString saveFile(QWidget *, const zelvar::FileDialogRequest &request) override
    {
        seen << QStringLiteral("save ") + request.title;
        return folder + (request.title == QLatin1String("Receive file") ? QStringLiteral("/received.bin")
                                                                           : QStringLiteral("/from-stick.bin"));
    }
};

// The short forms of everyCommandTellsWhatWentWrongInOrder's rows, spelled out as
// SessionPrompts records them; "[text]" is a box with that text.
QStringList spelledOut(const QString &told)
{
    static const QHash<QString, QString> words{
        {QStringLiteral("nodevice"), QStringLiteral("box No USB Device Connected or Device Error!")},
        {QStringLiteral("save"), QStringLiteral("save Send file")},
        {QStringLiteral("open"), QStringLiteral("open Send file")},
        {QStringLiteral("receive"), QStringLiteral("save Receive file")},
        {QStringLiteral("delete?"), QStringLiteral("ask Delete outgoing.bin from the stick?")},
        {QStringLiteral("format?"), QStringLiteral("ask Every file on the stick will be erased. Format the stick?")},
        {QStringLiteral("unlisted"),
         QStringLiteral("box outgoing.bin was not written: the stick did not answer the listing command, so it is "
                        "not known whether the stick holds a file of that name already!")},
    };
    QStringList out;
    static const QRegularExpression item(QStringLiteral(R"(\[[^\]]*\]|\S+)"));
    for (auto it = item.globalMatch(told); it.hasNext();) {
        const QString w = it.next().captured();
        if (w.startsWith(QLatin1Char('[')))
            out << QStringLiteral("box ") + w.mid(1, w.size() - 2);
        else if (w.startsWith(QLatin1String("find:")))
            out << QStringLiteral("box Error:Can't Find FT_") + w.mid(5);
        else if (w.endsWith(QLatin1Char('!')))
            out << QStringLiteral("box FT_%1 is not valid!").arg(w.chopped(1));
        else
            out << words.value(w, QStringLiteral("unknown word ") + w);
    }
    return out;
}

QRect placeIn(const QWidget *widget, const QWidget *dialog)
{
    return QRect(widget->mapTo(dialog, QPoint(0, 0)), widget->size());
}

} // namespace

class TestZelvar71Save : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Window presence lives in the temporary folder: a folder of this run's own keeps
        // other programs' dialogs out of these tests.
        QVERIFY(m_temp.isValid());
        qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
        QCOMPARE(QDir::tempPath(), QDir(m_temp.path()).canonicalPath());
    }

    void startState()
    {
        Tool t;
        QCOMPARE(t.dialog->windowTitle(), Caption);
        QVERIFY(!t.dialog->windowIcon().isNull());
        const QList<QPair<const char *, QString>> texts{
            {"1021", QStringLiteral("Select Pelkom")}, {"1025", QStringLiteral("Select Kiron")},
            {"2", QStringLiteral("Exit")},             {"1000", QStringLiteral("Dirtory")},
            {"1001", QStringLiteral("Read")},          {"1002", QStringLiteral("Writ")},
            {"1003", QStringLiteral("DEL")},           {"1004", QStringLiteral("Format")},
            {"1012", QStringLiteral("Receive File")},  {"1014", QStringLiteral("Cancel Receive")},
            {"1013", QStringLiteral("Send File")},     {"1015", QStringLiteral("Cancel Send")},
        };
        for (const auto &[id, text] : texts) {
            QVERIFY2(t.button(id), id);
            QCOMPARE(t.button(id)->text(), text);
        }
        // Only the two options, "Exit" and the path box can be used.
        QCOMPARE(t.options(), QStringLiteral("11"));
        QVERIFY(t.button("2")->isEnabled());
        QCOMPARE(t.stickButtons(), QStringLiteral("00000"));
        QCOMPARE(t.linkButtons(), QStringLiteral("0000"));
        QVERIFY(t.child<QLineEdit>("1010")->isEnabled());
        QCOMPARE(t.path(), QStringLiteral("Select Pelkom or Kiron Option"));
        QVERIFY(t.child<QListWidget>("1008")->isSortingEnabled());
        QCOMPARE(t.child<QListWidget>("1008")->count(), 0);
        QCOMPARE(t.status(), QString());
        QCOMPARE(t.progress()->value(), 0);
        // The library bound silently; nothing was asked of the interface.
        QVERIFY(t.prompts.calls.isEmpty());
        QCOMPARE(t.sim.count(QStringLiteral("FT_ListDevices")), 0);
    }

    void menus()
    {
        Tool t;
        const QList<QMenu *> menus = t.child<QMenuBar>("MenuBar")->findChildren<QMenu *>(QString(), Qt::FindDirectChildrenOnly);
        QStringList titles;
        for (QMenu *m : menus)
            titles << m->title();
        QCOMPARE(titles, (QStringList{QStringLiteral("&Option"), QStringLiteral("&Help")}));
        QStringList items;
        for (QAction *a : t.child<QMenu>("Option")->actions())
            items << a->text();
        QCOMPARE(items, (QStringList{QStringLiteral("P&elkom"), QStringLiteral("K&iron"), QStringLiteral("&Exit")}));
        QCOMPARE(t.action("About")->text(), QStringLiteral("?? Ducto(&A)..."));
    }

    void layout()
    {
        Tool t;
        QWidget *d = t.dialog.get();
        const QRect pelkom = placeIn(t.button("1021"), d);
        const QRect kiron = placeIn(t.button("1025"), d);
        const QRect pathBox = placeIn(t.child<QLineEdit>("1010"), d);
        const QRect exit = placeIn(t.button("2"), d);
        const QRect stickGroup = placeIn(t.child<QGroupBox>("PelkomOption"), d);
        const QRect linkGroup = placeIn(t.child<QGroupBox>("KironOption"), d);
        const QRect bar = placeIn(t.progress(), d);
        QCOMPARE(t.child<QGroupBox>("PelkomOption")->title(), QStringLiteral("Pelkom Option"));
        QCOMPARE(t.child<QGroupBox>("KironOption")->title(), QStringLiteral("Kiron Option"));

        // The options on top, the stick's left and the link's right.
        QCOMPARE(pelkom.top(), kiron.top());
        QVERIFY(pelkom.right() < kiron.left());
        // The path box across below them, "Exit" at its right end.
        QVERIFY(pathBox.top() > pelkom.bottom());
        QVERIFY(qAbs(exit.center().y() - pathBox.center().y()) <= 2);
        QVERIFY(exit.left() > pathBox.right());
        QVERIFY(pathBox.width() > d->width() / 2);
        // The two groups below, side by side, and the progress bar across the bottom.
        QVERIFY(stickGroup.top() > pathBox.bottom());
        QCOMPARE(stickGroup.top(), linkGroup.top());
        QVERIFY(stickGroup.right() < linkGroup.left());
        QVERIFY(bar.top() > stickGroup.bottom());
        QVERIFY(bar.width() > d->width() * 9 / 10);
        // Each control lies whole in the dialog; group contents in their group.
        for (QWidget *w : d->findChildren<QWidget *>()) {
            if (!w->isVisible() || w->parentWidget() == nullptr || qobject_cast<QMenu *>(w))
                continue;
            const QRect place = placeIn(w, d);
            QVERIFY2(d->rect().contains(place), qPrintable(w->objectName()));
        }
        // The stick buttons in a column beside the file list.
        const QRect list = placeIn(t.child<QListWidget>("1008"), d);
        QVERIFY(stickGroup.contains(list));
        for (int i = 0; i < 5; ++i) {
            const QRect b = placeIn(t.button(StickIds[i]), d);
            QVERIFY(stickGroup.contains(b));
            QVERIFY(b.right() < list.left());
            if (i > 0)
                QVERIFY(b.top() > placeIn(t.button(StickIds[i - 1]), d).bottom());
        }
        // "Receive File" over "Cancel Receive", "Send File" over "Cancel Send", status below.
        const QRect receive = placeIn(t.button("1012"), d);
        const QRect cancelReceive = placeIn(t.button("1014"), d);
        const QRect send = placeIn(t.button("1013"), d);
        const QRect cancelSend = placeIn(t.button("1015"), d);
        const QRect statusLine = placeIn(t.child<QLabel>("1026"), d);
        for (const QRect &r : {receive, cancelReceive, send, cancelSend, statusLine})
            QVERIFY(linkGroup.contains(r));
        QCOMPARE(receive.left(), cancelReceive.left());
        QVERIFY(cancelReceive.top() > receive.bottom());
        QCOMPARE(send.left(), cancelSend.left());
        QVERIFY(cancelSend.top() > send.bottom());
        QVERIFY(send.left() > receive.right());
        QVERIFY(statusLine.top() > cancelSend.bottom());
        // Every caption fits its button.
        for (QPushButton *b : d->findChildren<QPushButton *>())
            QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) + 8 <= b->width(), qPrintable(b->text()));
    }

    void optionsSwitchTheButtonsInAnyOrder()
    {
        Tool t;
        t.click("1021");
        QCOMPARE(t.options(), QStringLiteral("01"));
        QCOMPARE(t.stickButtons(), QStringLiteral("11111"));
        QCOMPARE(t.linkButtons(), QStringLiteral("0000"));
        t.click("1025");
        QCOMPARE(t.options(), QStringLiteral("10"));
        QCOMPARE(t.stickButtons(), QStringLiteral("00000"));
        QCOMPARE(t.linkButtons(), QStringLiteral("1010"));
        t.action("Pelkom")->trigger();
        QCOMPARE(t.options(), QStringLiteral("01"));
        QCOMPARE(t.stickButtons(), QStringLiteral("11111"));
        QCOMPARE(t.linkButtons(), QStringLiteral("0000"));
        t.action("Kiron")->trigger();
        QCOMPARE(t.options(), QStringLiteral("10"));
        QCOMPARE(t.linkButtons(), QStringLiteral("1010"));
        // The menu's items stay usable in every state.
        QCOMPARE(t.optionItems(), QStringLiteral("11"));
        // Choosing an option touches neither the interface nor the path box.
        QVERIFY(t.sim.journal().isEmpty());
        QCOMPARE(t.path(), QStringLiteral("Select Pelkom or Kiron Option"));
    }

    void sendOf1021BytesGoesInThreeBlocksWithThreeSteps()
    {
        Tool t;
        const QString file = t.sim.path(QStringLiteral("show.tzk"));
        const QByteArray content = pattern(1021);
        QVERIFY(testsupport::writeAll(file, content));
        t.prompts.paths << file;
        QSignalSpy bar(t.progress(), &QProgressBar::valueChanged);
        t.click("1025");
        t.click("1013");

        // Running: only "Cancel Send"; the options and the stick commands wait.
        QCOMPARE(t.linkButtons(), QStringLiteral("0001"));
        QCOMPARE(t.status(), QStringLiteral("Sending"));
        QCOMPARE(t.options(), QStringLiteral("00"));
        QCOMPARE(t.optionItems(), QStringLiteral("00"));
        QCOMPARE(t.stickButtons(), QStringLiteral("00000"));
        QVERIFY(t.waitForFinish());

        QCOMPARE(t.prompts.calls.size(), 1);
        QCOMPARE(t.prompts.calls.first().kind, PromptCall::OpenFile);
        QCOMPARE(t.prompts.calls.first().title, QStringLiteral("Send file"));
        QCOMPARE(t.writeSizes(), (QList<int>{510, 510, 1}));
        QCOMPARE(testsupport::readAll(t.out), content);
        QList<int> values;
        for (const QList<QVariant> &v : bar)
            values << v.first().toInt();
        QCOMPARE(values, (QList<int>{1, 2, 3, 0}));
        QCOMPARE(t.path(), file);
        QCOMPARE(t.status(), Complete);
        QCOMPARE(t.linkButtons(), QStringLiteral("1010"));
        QCOMPARE(t.options(), QStringLiteral("10"));
        QCOMPARE(t.optionItems(), QStringLiteral("11"));
        QCOMPARE(t.progress()->value(), 0);
    }

    void sendOfAnEmptyFileFinishesAtOnce()
    {
        Tool t;
        const QString file = t.sim.path(QStringLiteral("empty.tzk"));
        QVERIFY(testsupport::writeAll(file, QByteArray()));
        t.prompts.paths << file;
        t.click("1025");
        t.click("1013");
        QVERIFY(t.waitForFinish());
        QVERIFY(t.sim.writes().isEmpty());
        QCOMPARE(t.status(), Complete);
        QCOMPARE(t.linkButtons(), QStringLiteral("1010"));
        QVERIFY(t.messages().isEmpty());
    }

    void longSendFillsItsBarOnce()
    {
        Tool t;
        // 118 blocks: a bar of 118 steps, so that a bar at a third means a third.
        const QString file = t.sim.path(QStringLiteral("big.tzk"));
        QVERIFY(testsupport::writeAll(file, pattern(117 * 510 + 7)));
        t.prompts.paths << file;
        QSignalSpy bar(t.progress(), &QProgressBar::valueChanged);
        t.click("1025");
        t.click("1013");
        QVERIFY(t.waitForFinish());
        QList<int> values;
        for (const QList<QVariant> &v : bar)
            values << v.first().toInt();
        // One step per block up to the end; the finish step sets it to 0.
        QList<int> expected;
        for (int i = 1; i <= 118; ++i)
            expected << i;
        expected << 0;
        QCOMPARE(values, expected);
        QCOMPARE(t.progress()->maximum(), 118);
        QCOMPARE(testsupport::readAll(t.out).size(), 117 * 510 + 7);
    }

    void receiveStoresSeveralChunksInOrderAndEndsByCancel()
    {
        Tool t;
        const QByteArray content = pattern(1000, 21);
        QVERIFY(testsupport::writeAll(t.in, content));
        const QString file = t.sim.path(QStringLiteral("from-desk.bin"));
        t.prompts.paths << file;
        QSignalSpy bar(t.progress(), &QProgressBar::valueChanged);
        t.click("1025");
        t.click("1012");

        QCOMPARE(t.prompts.calls.first().kind, PromptCall::SaveFile);
        QCOMPARE(t.prompts.calls.first().title, QStringLiteral("Receive file"));
        QCOMPARE(t.linkButtons(), QStringLiteral("0100"));
        QCOMPARE(t.status(), QStringLiteral("Waiting Receive Data ......"));
        QCOMPARE(t.options(), QStringLiteral("00"));
        // Four reads bring the 1,000 bytes: four steps on a bar of 256.
        QTRY_COMPARE_WITH_TIMEOUT(t.progress()->value(), 4, 30000);
        QCOMPARE(t.progress()->maximum(), 256);
        QCOMPARE(t.path(), file);
        t.click("1014");
        QVERIFY(t.waitForFinish());

        QCOMPARE(testsupport::readAll(file), content);
        QCOMPARE(t.status(), Complete);
        QCOMPARE(t.linkButtons(), QStringLiteral("1010"));
        QCOMPARE(t.options(), QStringLiteral("10"));
        QCOMPARE(t.progress()->value(), 0);
        QVERIFY(t.messages().isEmpty());
    }

    void receiveWithNothingArrivingLeavesAnEmptyFile()
    {
        Tool t;
        const QString file = t.sim.path(QStringLiteral("silence.bin"));
        t.prompts.paths << file;
        t.click("1025");
        t.click("1012");
        QTRY_VERIFY_WITH_TIMEOUT(t.sim.count(QStringLiteral("FT_Read dev0 256 = 0 0")) >= 1, 30000);
        t.click("1014");
        QVERIFY(t.waitForFinish());
        QVERIFY(QFile::exists(file));
        QCOMPARE(QFileInfo(file).size(), qint64(0));
        QCOMPARE(t.status(), Complete);
        // Its polls come every 500 ms: the link's read timeout.
        QVERIFY(t.sim.calls().contains(QStringLiteral("FT_SetTimeouts dev0 500 3000 = 0")));
    }

    void cancelDuringALongSendStopsAfterTheBlockInHand()
    {
        Tool t;
        t.sim.setLinkPaced(true);
        const QString file = t.sim.path(QStringLiteral("long.tzk"));
        const QByteArray content = pattern(200 * 510, 8);
        QVERIFY(testsupport::writeAll(file, content));
        t.prompts.paths << file;
        t.click("1025");
        t.click("1013");
        QTRY_VERIFY_WITH_TIMEOUT(t.progress()->value() >= 1, 30000);
        // The stick commands cannot cut in while the link is in use.
        t.action("Pelkom")->trigger();
        t.click("1021");
        QCOMPARE(t.stickButtons(), QStringLiteral("00000"));
        t.click("1015");
        QVERIFY(t.waitForFinish());

        const QByteArray sent = testsupport::readAll(t.out);
        QVERIFY(sent.size() > 0);
        QVERIFY(sent.size() < content.size());
        QCOMPARE(sent.size() % 510, 0);
        QCOMPARE(sent, content.left(sent.size()));
        QCOMPARE(t.status(), Complete);
        QCOMPARE(t.linkButtons(), QStringLiteral("1010"));
        QCOMPARE(t.options(), QStringLiteral("10"));
        QVERIFY(t.messages().isEmpty());
    }

    void closingTheChooserWithoutAFileChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("Send File") << QByteArray("1013");
        QTest::newRow("Receive File") << QByteArray("1012");
    }

    void closingTheChooserWithoutAFileChangesNothing()
    {
        QFETCH(QByteArray, command);
        Tool t;
        t.click("1025");
        t.click(command.constData());
        QCOMPARE(t.prompts.calls.size(), 1);
        QVERIFY(!t.dialog->linkCommands().isRunning());
        QCOMPARE(t.linkButtons(), QStringLiteral("1010"));
        QCOMPARE(t.options(), QStringLiteral("10"));
        QCOMPARE(t.status(), QString());
        QCOMPARE(t.path(), QStringLiteral("Select Pelkom or Kiron Option"));
        QCOMPARE(t.sim.count(QStringLiteral("FT_Write")) + t.sim.count(QStringLiteral("FT_Read")), 0);
    }

    void closeBoxClosesTheInterfaceAndExitDoesNot_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("close box") << true;
        QTest::newRow("Exit") << false;
    }

    void closeBoxClosesTheInterfaceAndExitDoesNot()
    {
        QFETCH(bool, closeBox);
        Tool t("kzt_dmx20");
        t.click("1021");
        t.click("1000"); // opens the stick and leaves it open
        t.sim.clearJournal();
        if (closeBox)
            t.dialog->close();
        else
            t.click("2");
        QVERIFY(!t.dialog->isVisible());
        QCOMPARE(t.dialog->result(), int(QDialog::Rejected));
        QCOMPARE(t.sim.calls(), closeBox ? QStringList{QStringLiteral("FT_Close dev0 = 0")} : QStringList());
    }

    void escapeAndEnterOutsideAButtonClose()
    {
        {
            Tool t;
            QTest::keyClick(t.dialog.get(), Qt::Key_Escape);
            QVERIFY(!t.dialog->isVisible());
        }
        {
            Tool t;
            t.child<QLineEdit>("1010")->setFocus();
            QTest::keyClick(t.child<QLineEdit>("1010"), Qt::Key_Return);
            QVERIFY(!t.dialog->isVisible());
        }
        {
            // Enter on a button clicks it.
            Tool t;
            t.button("1021")->setFocus();
            QTest::keyClick(t.button("1021"), Qt::Key_Return);
            QVERIFY(t.dialog->isVisible());
            QCOMPARE(t.options(), QStringLiteral("01"));
        }
    }

    // Every way of closing asks first during a transfer; only OK stops it.
    void closingDuringATransferAsksFirst_data()
    {
        QTest::addColumn<QByteArray>("way");
        QTest::addColumn<bool>("ok");
        QTest::newRow("close box, OK") << QByteArray("close box") << true;
        QTest::newRow("close box, Cancel") << QByteArray("close box") << false;
        QTest::newRow("Exit, OK") << QByteArray("Exit") << true;
        QTest::newRow("&Exit, Cancel") << QByteArray("&Exit") << false;
        QTest::newRow("Escape, OK") << QByteArray("Escape") << true;
        QTest::newRow("Enter, Cancel") << QByteArray("Enter") << false;
    }

    void closingDuringATransferAsksFirst()
    {
        QFETCH(QByteArray, way);
        QFETCH(bool, ok);
        Tool t;
        t.sim.setLinkPaced(true);
        const QString file = t.sim.path(QStringLiteral("long.tzk"));
        const QByteArray content = pattern(100 * 510, 6);
        QVERIFY(testsupport::writeAll(file, content));
        t.prompts.paths << file;
        t.click("1025");
        t.click("1013");
        QTRY_VERIFY_WITH_TIMEOUT(t.progress()->value() >= 1, 30000);
        QSignalSpy finished(t.dialog.get(), &QDialog::finished);
        t.prompts.answers << (ok ? PromptAnswer::Ok : PromptAnswer::Cancel);
        if (way == "close box") {
            t.dialog->close();
        } else if (way == "Exit") {
            t.click("2");
        } else if (way == "&Exit") {
            t.action("Exit")->trigger();
        } else if (way == "Escape") {
            QTest::keyClick(t.dialog.get(), Qt::Key_Escape);
        } else {
            t.child<QLineEdit>("1010")->setFocus();
            QTest::keyClick(t.child<QLineEdit>("1010"), Qt::Key_Return);
        }
        QCOMPARE(t.messages(), QStringList{QStringLiteral("A transfer is running. Stop it?")});
        QCOMPARE(t.prompts.last().title, QString());
        QCOMPARE(t.prompts.last().buttons, PromptButtons::OkCancelDefaultCancel);
        if (!ok) {
            // Nothing stopped: the send goes on, and the dialog with it.
            QTest::qWait(300);
            QVERIFY(t.dialog->isVisible());
            QVERIFY(t.dialog->linkCommands().isRunning());
            QCOMPARE(t.linkButtons(), QStringLiteral("0001"));
            QCOMPARE(t.status(), QStringLiteral("Sending"));
            t.click("1015");
            QVERIFY(t.waitForFinish());
            QCOMPARE(t.status(), Complete);
            QVERIFY(t.dialog->isVisible());
            return;
        }
        QVERIFY(finished.wait(30000));
        QVERIFY(!t.dialog->isVisible());
        // The send stopped at a block's end, and the status line says how far it got.
        const QByteArray sent = testsupport::readAll(t.out);
        QCOMPARE(sent.size() % 510, 0);
        QVERIFY(sent.size() < content.size());
        QCOMPARE(sent, content.left(sent.size()));
        QCOMPARE(t.status(), QStringLiteral("Send stopped: %1 of 51000 bytes sent").arg(sent.size()));
        QCOMPARE(t.messages().size(), 1);
        // Then only the close box closes the interface.
        const QStringList calls = t.sim.calls();
        const QString lastWrite = calls.filter(QStringLiteral("FT_Write dev0")).last();
        QVERIFY(lastWrite.startsWith(QLatin1String("FT_Write dev0 510")));
        QCOMPARE(calls.last(), way == "close box" ? QStringLiteral("FT_Close dev0 = 0") : lastWrite);
    }

    void presenceIsFoundWhileTheDialogIsOpen()
    {
        QVERIFY(!FindWindowA(Caption));
        Tool t;
        QVERIFY(FindWindowA(Caption));
        QVERIFY(QFileInfo::exists(QDir::tempPath() + QLatin1Char('/') + presenceServerName(Caption)));
        t.click("2");
        QVERIFY(!FindWindowA(Caption));
    }

    void aboutBox()
    {
        Tool t;
        QString caption;
        QString version;
        QString driver;
        QString okText;
        bool hasIcon = false;
        QTimer::singleShot(0, [&] {
            QWidget *box = QApplication::activeModalWidget();
            QVERIFY(box);
            caption = box->windowTitle();
            version = box->findChild<QLabel *>(QStringLiteral("Version"))->text();
            driver = box->findChild<QLabel *>(QStringLiteral("Driver"))->text();
            hasIcon = !box->findChild<QLabel *>(QStringLiteral("Icon"))->pixmap().isNull();
            auto *ok = box->findChild<QPushButton *>(QStringLiteral("1"));
            okText = ok->text();
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        t.action("About")->trigger();
        QCOMPARE(caption, QStringLiteral("?? Ducto"));
        QCOMPARE(version, QStringLiteral("Ducto Version 1.0"));
        QCOMPARE(driver, QStringLiteral("USB driver: " ZELVAR71_D2XX_SIM ", named by ZELVAR71_D2XX"));
        QCOMPARE(okText, QStringLiteral("??"));
        QVERIFY(hasIcon);
        QVERIFY(t.dialog->isVisible());
    }

    void stickListIsSortedAndItsCommandsUseTheDialog()
    {
        Tool t("kzt_dmx20");
        for (const char *name : {"SHOW1.TZK", "ALPHA.TZK", "ZULU", "MID.ZFF", "lamp.dat", "Show1.tzk"})
            QVERIFY(testsupport::writeAll(t.sim.stickFile(QLatin1String(name)), pattern(300)));
        t.click("1021");
        t.click("1000");
        auto *list = t.child<QListWidget>("1008");
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        // By name whatever the letter case, as the stick's listing never comes.
        QCOMPARE(items, (QStringList{QStringLiteral("ALPHA.TZK"), QStringLiteral("lamp.dat"), QStringLiteral("MID.ZFF"),
                                     QStringLiteral("SHOW1.TZK"), QStringLiteral("Show1.tzk"), QStringLiteral("ZULU")}));
        QCOMPARE(t.stickButtons(), QStringLiteral("11111"));

        // "Read" with nothing selected sends nothing.
        t.sim.clearJournal();
        t.click("1001");
        QCOMPARE(t.sim.count(QStringLiteral("FT_Write")), 0);

        // "Read" of the selected file: the chooser preset with its name, the path shown.
        list->setCurrentRow(3);
        const QString target = t.sim.path(QStringLiteral("copy.tzk"));
        t.prompts.paths << target;
        t.click("1001");
        const PromptCall &chooser = t.prompts.last();
        QCOMPARE(chooser.kind, PromptCall::SaveFile);
        QCOMPARE(chooser.title, QStringLiteral("Send file"));
        QCOMPARE(chooser.text, documentsFolder() + QStringLiteral("/SHOW1.TZK"));
        QCOMPARE(t.path(), target);
        QCOMPARE(testsupport::readAll(target), pattern(300));
        QCOMPARE(t.stickButtons(), QStringLiteral("11111"));
    }

    void formatAndDelAskFirstWithCancelTheDefault_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("ok");
        const QString format = QStringLiteral("Every file on the stick will be erased. Format the stick?");
        const QString del = QStringLiteral("Delete SHOW1.TZK from the stick?");
        QTest::newRow("Format, Cancel") << QByteArray("1004") << format << false;
        QTest::newRow("Format, OK") << QByteArray("1004") << format << true;
        QTest::newRow("DEL, Cancel") << QByteArray("1003") << del << false;
        QTest::newRow("DEL, OK") << QByteArray("1003") << del << true;
    }

    void formatAndDelAskFirstWithCancelTheDefault()
    {
        QFETCH(QByteArray, command);
        QFETCH(QString, question);
        QFETCH(bool, ok);
        Tool t("kzt_dmx20");
        for (const char *name : {"KEEP.TZK", "SHOW1.TZK"})
            QVERIFY(testsupport::writeAll(t.sim.stickFile(QLatin1String(name)), pattern(30)));
        t.click("1021");
        t.click("1000");
        t.child<QListWidget>("1008")->setCurrentRow(1);
        t.sim.clearJournal();
        t.prompts.answers << (ok ? PromptAnswer::Ok : PromptAnswer::Cancel);
        t.click(command.constData());

        QCOMPARE(t.prompts.calls.size(), 1);
        QCOMPARE(t.prompts.last().text, question);
        QCOMPARE(t.prompts.last().title, QString());
        QCOMPARE(t.prompts.last().buttons, PromptButtons::OkCancelDefaultCancel);
        QCOMPARE(QFile::exists(t.sim.stickFile(QStringLiteral("SHOW1.TZK"))), !ok);
        // Cancelled: not a byte to the stick.
        QCOMPARE(t.sim.count(QStringLiteral("FT_Write")) > 0, ok);
        QCOMPARE(t.stickButtons(), QStringLiteral("11111"));
    }

    void writOverAListedFileAsksWithCancelTheDefault_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("Cancel") << false;
        QTest::newRow("OK") << true;
    }

    void writOverAListedFileAsksWithCancelTheDefault()
    {
        QFETCH(bool, ok);
        Tool t("kzt_dmx20");
        QVERIFY(testsupport::writeAll(t.sim.stickFile(QStringLiteral("showfile.tzk")), QByteArray("old")));
        const QString file = t.sim.path(QStringLiteral("showfile2.tzk"));
        QVERIFY(testsupport::writeAll(file, pattern(30)));
        t.prompts.paths << file;
        t.prompts.answers << PromptAnswer::Ok << (ok ? PromptAnswer::Ok : PromptAnswer::Cancel);
        t.click("1021");
        t.click("1002");
        QCOMPARE(t.messages().last(), QStringLiteral("showfile.tzk is already on the stick. Replace it?"));
        QCOMPARE(t.prompts.last().title, QString());
        QCOMPARE(t.prompts.last().buttons, PromptButtons::OkCancelDefaultCancel);
        QCOMPARE(t.sim.writes().size(), ok ? 4 : 1);
        QCOMPARE(testsupport::readAll(t.sim.stickFile(QStringLiteral("showfile.tzk"))),
                 ok ? pattern(30) : QByteArray("old"));
        QCOMPARE(t.child<QListWidget>("1008")->count(), 1);
        QCOMPARE(t.stickButtons(), QStringLiteral("11111"));
    }

    void missingLibraryIsToldWithoutATitleAndOnceByEachCommand()
    {
        UsbSimulator sim;
        const QString library = sim.path(QStringLiteral("no-such-library.so"));
        qputenv("ZELVAR71_D2XX", QFile::encodeName(library));
        ScriptedPrompts prompts;
        Zelvar71SaveDialog dialog(prompts);
        dialog.show();
        const QString lookedFor = QStringLiteral("Looked for the file named by ZELVAR71_D2XX: %1.").arg(library);
        QCOMPARE(prompts.calls.size(), 1);
        QCOMPARE(prompts.calls.first().text,
                 QStringLiteral("Error:Can't Load ft8u245.dll,Please Install Driver\n") + lookedFor);
        QCOMPARE(prompts.calls.first().title, QString());
        QCOMPARE(prompts.calls.first().buttons, PromptButtons::Ok);

        // The dialog is there all the same; each command says once that no driver is loaded
        // and goes no further, and closing says nothing.
        prompts.calls.clear();
        const auto click = [&dialog](const char *id) {
            QTest::mouseClick(dialog.findChild<QPushButton *>(QLatin1String(id)), Qt::LeftButton);
        };
        click("1021");
        for (const char *id : StickIds)
            click(id);
        click("1025");
        click("1012");
        click("1013");
        dialog.close();
        QCOMPARE(prompts.calls.size(), 7);
        for (const PromptCall &call : prompts.calls) {
            QCOMPARE(call.kind, PromptCall::Message);
            QCOMPARE(call.text,
                     QStringLiteral("No USB driver is loaded: install it, then start Zelvar71Save again!\n") + lookedFor);
            QCOMPARE(call.title, QString());
        }
        QVERIFY(!dialog.linkCommands().isRunning());
    }

    // What the user is told, and asked, in one session of every command: the library's
    // messages and the dialog's own, in the order they come. In `told`, "Close!" stands for
    // "FT_Close is not valid!", "find:Read" for "Error:Can't Find FT_Read", "nodevice" for
    // "No USB Device Connected or Device Error!", "save", "open" and "receive" for the file
    // dialogs "Send file" and "Receive file", "delete?" and "format?" for the questions.
    void everyCommandTellsWhatWentWrongInOrder_data()
    {
        QTest::addColumn<QByteArray>("firstMissing"); // the first entry point the library lacks
        QTest::addColumn<QByteArray>("faults");
        QTest::addColumn<bool>("devices");
        QTest::addColumn<QString>("told");
        QTest::newRow("complete") << QByteArray() << QByteArray() << true
                                  << "save open delete? format? open receive";
        QTest::newRow("no devices") << QByteArray() << QByteArray() << false
                                    << "nodevice open nodevice format? nodevice nodevice open nodevice receive";
        QTest::newRow("timeouts fail") << QByteArray() << QByteArray("timeouts") << true
                                       << "save open delete? format? [SetFlowControl is Error] open "
                                          "[SetFlowControl is Error] receive";
        QTest::newRow("no FT_ListDevices")
            << QByteArray("FT_ListDevices") << QByteArray() << true
            << "find:ListDevices Close! ListDevices! nodevice Write! ClrRts! Close! open Close! ListDevices! nodevice "
               "Write! ClrRts! Close! format? Close! ListDevices! nodevice Write! Close! ListDevices! nodevice open ClrRts! "
               "Write! Close! ListDevices! nodevice receive SetRts! Close!";
        QTest::newRow("no FT_Read")
            << QByteArray("FT_Read") << QByteArray() << true
            << "find:Read Close! OpenEx! nodevice ClrRts! Close! open Close! OpenEx! nodevice ClrRts! Close! format? Close! "
               "OpenEx! nodevice Close! OpenEx! SetBaudRate! SetDataCharacteristics! SetFlowControl! Close! nodevice "
               "open ClrRts! Close! OpenEx! SetBaudRate! SetDataCharacteristics! SetFlowControl! Close! nodevice "
               "receive SetRts! Close!";
        QTest::newRow("no FT_SetTimeouts")
            << QByteArray("FT_SetTimeouts") << QByteArray() << true
            << "find:SetTimeouts SetTimeouts! SetRts! ClrRts! open SetTimeouts! SetRts! ClrRts! unlisted "
               "format? SetTimeouts! SetRts! ClrRts! [Error!] SetBaudRate! SetDataCharacteristics! "
               "SetFlowControl! nodevice open ClrRts! SetBaudRate! SetDataCharacteristics! SetFlowControl! nodevice "
               "receive SetRts!";
        QTest::newRow("no FT_SetFlowControl")
            << QByteArray("FT_SetFlowControl") << QByteArray() << true
            << "find:SetFlowControl SetRts! ClrRts! open SetRts! ClrRts! unlisted format? SetRts! ClrRts! "
               "[Error!] SetFlowControl! nodevice open ClrRts! SetFlowControl! nodevice receive SetRts!";
        QTest::newRow("no FT_SetRts")
            << QByteArray("FT_SetRts") << QByteArray() << true
            << "find:SetRts SetRts! ClrRts! open SetRts! ClrRts! unlisted format? SetRts! ClrRts! [Error!] "
               "open ClrRts! receive SetRts! "
               "[Receive stopped: the interface failed before any data came. received.bin is unchanged!]";
        QTest::newRow("no FT_ClrRts") << QByteArray("FT_ClrRts") << QByteArray() << true
                                      << "find:ClrRts ClrRts! save ClrRts! ClrRts! open ClrRts! ClrRts! ClrRts! delete? "
                                         "ClrRts! ClrRts! format? ClrRts! ClrRts! open ClrRts! receive ClrRts!";
    }

    void everyCommandTellsWhatWentWrongInOrder()
    {
        QFETCH(QByteArray, firstMissing);
        QFETCH(QByteArray, faults);
        QFETCH(bool, devices);
        QFETCH(QString, told);
        UsbSimulator sim;
        const QByteArray stick = devices ? QByteArray("kzt_dmx20") : QByteArray();
        const QByteArray link = devices ? QByteArray("kzt_usb_dmx") : QByteArray();
        sim.setDevices(stick);
        sim.setFaults(faults);
        sim.setLinkFiles(sim.path(QStringLiteral("to-controller.bin")), sim.path(QStringLiteral("from-controller.bin")));
        QVERIFY(testsupport::writeAll(sim.path(QStringLiteral("from-controller.bin")), pattern(300)));
        QVERIFY(testsupport::writeAll(sim.path(QStringLiteral("outgoing.bin")), pattern(600)));
        QVERIFY(testsupport::writeAll(sim.stickFile(QStringLiteral("SHOW1.TZK")), pattern(40)));
        SessionPrompts prompts;
        prompts.folder = sim.folder();
        std::unique_ptr<Zelvar71SaveDialog> dialog;
        if (firstMissing.isEmpty()) {
            dialog = std::make_unique<Zelvar71SaveDialog>(prompts);
        } else {
            // The simulator without `firstMissing`: binding stops there.
            qputenv("ZELVAR71_D2XX", QFile::encodeName(sim.path(QStringLiteral("no-such-library.so"))));
            dialog = std::make_unique<Zelvar71SaveDialog>(prompts);
            void *library = dlopen(ZELVAR71_D2XX_SIM, RTLD_NOW | RTLD_LOCAL);
            QVERIFY(library);
            prompts.seen.clear();
            const QStringList bound
                = dialog->deviceLibrary().BindEntryPoints([library, firstMissing](const char *name) -> void * {
                      return firstMissing == name ? nullptr : dlsym(library, name);
                  });
            for (const QString &message : bound)
                dialog->showMessage(message);
        }
        dialog->show();
        const auto click = [&dialog](const char *id) {
            QTest::mouseClick(dialog->findChild<QPushButton *>(QLatin1String(id)), Qt::LeftButton);
        };
        const auto selectFirst = [&dialog] {
            auto *list = dialog->findChild<QListWidget *>(QStringLiteral("1008"));
            if (list->count() > 0)
                list->setCurrentRow(0);
        };
        const auto waitForFinish = [&dialog] {
            QSignalSpy finished(&dialog->linkCommands(), &LinkCommands::transferFinished);
            return !dialog->linkCommands().isRunning() || finished.wait(60000);
        };

        click("1021"); // Select Pelkom
        click("1000"); // Dirtory
        selectFirst();
        click("1001"); // Read
        click("1002"); // Writ
        selectFirst();
        click("1003"); // DEL
        click("1004"); // Format
        sim.setDevices(link);
        click("1025"); // Select Kiron
        click("1013"); // Send File
        QVERIFY(waitForFinish());
        click("1012"); // Receive File
        click("1014"); // Cancel Receive
        QVERIFY(waitForFinish());
        dialog->close(); // the close box: closes the interface
        dialog.reset();
        QCOMPARE(prompts.seen, spelledOut(told));
    }

private:
    QTemporaryDir m_temp;
};

QTEST_MAIN(TestZelvar71Save)
#include "tst_zelvar71save.moc"
