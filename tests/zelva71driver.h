// Drives the fixture editor window in tests as a user would: clicks on cells, choices
// from drop-down lists, typing, menu shortcuts. The window reads its channel names from a
// scratch program folder written here, and keeps unsaved work in a data folder of its own.
#pragma once

#include "common/programfolder.h"
#include "fixture/zelva71.h"
#include "scriptedprompts.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <utility>
#include <vector>

namespace zelva71test {

struct NameRecord
{
    int entryIndex;
    int nameId;
    const char *name; // up to 8 characters; blank-padded in the file
};

// A "ChNameSet.fix" of 256 ten-byte records: the given ones, every other record NUL.
inline QByteArray namesFile(const std::vector<NameRecord> &records)
{
    QByteArray bytes(2560, '\0');
    for (const NameRecord &r : records) {
        char *record = bytes.data() + r.entryIndex * 10;
        record[0] = char(r.entryIndex);
        record[1] = char(r.nameId);
        const QByteArray name = testsupport::padded(r.name, 8);
        memcpy(record + 2, name.constData(), 8);
    }
    return bytes;
}

// The names most tests use; identifier 33 is "Special", as in the built-in table.
inline QByteArray standardNames()
{
    return namesFile({{0, 0, "Dimmer"},
                      {1, 1, "Shutter"},
                      {2, 2, "Pan"},
                      {3, 3, "Tilt"},
                      {5, 5, "Gobo"},
                      {6, 6, "Colour"},
                      {33, 33, "Special"},
                      {60, 60, "X"}});
}

struct StepBytes
{
    const char *name;
    int fromDmx;
    int toDmx;
    int stepDmx;
};

struct ChannelBytes
{
    int nameId = 33;
    int fadeMode = 1;
    std::vector<StepBytes> steps; // stepCount is their number unless `count` says otherwise
    int count = -1;
};

// A .zff file put together byte by byte from its layout: 16 bytes of header, 27 of setup,
// 16 channel entries of 3 bytes, then the steps of each channel, 11 bytes each.
struct ZffFile
{
    QByteArray reserved = QByteArray(4, '\0');
    int duplicateFlag = 1; // the default channels all share name 33
    int channelCount = 8;
    const char *fixtureName = "Test Fixture";
    int blackChannel = 255;
    int blackValue = 0;
    int masterMask = 0xFFFF;
    int panCoarse = 0, panFine = 0, tiltCoarse = 0, tiltFine = 0;
    std::vector<ChannelBytes> channels = std::vector<ChannelBytes>(8); // channels 1, 2, ...

    QByteArray bytes() const
    {
        QByteArray b = reserved;
        b.append(char(duplicateFlag & 0xFF)).append(char((duplicateFlag >> 8) & 0xFF));
        b.append("!Zelvar71!");
        b.append(char(channelCount));
        b.append(testsupport::padded(fixtureName, 18));
        b.append(char(blackChannel)).append(char(blackValue));
        b.append(char(masterMask & 0xFF)).append(char((masterMask >> 8) & 0xFF));
        b.append(char(panCoarse)).append(char(panFine)).append(char(tiltCoarse)).append(char(tiltFine));
        for (size_t i = 0; i < 16; ++i) {
            if (i < channels.size()) {
                const ChannelBytes &c = channels[i];
                b.append(char(c.nameId)).append(char(c.fadeMode));
                b.append(char(c.count >= 0 ? c.count : int(c.steps.size())));
            } else {
                b.append(3, '\0');
            }
        }
        for (const ChannelBytes &c : channels) {
            for (const StepBytes &s : c.steps) {
                b.append(testsupport::padded(s.name, 8));
                b.append(char(s.fromDmx)).append(char(s.toDmx)).append(char(s.stepDmx));
            }
        }
        return b;
    }
};

class Editor
{
public:
    explicit Editor(const QByteArray &names = standardNames(), bool writeNames = true,
                    zelvar::WindowNavigator *navigator = nullptr)
    {
        if (writeNames)
            testsupport::writeAll(path(QStringLiteral("ChNameSet.fix")), names);
        zelvar::setProgramFolder(m_folder.path());
        m_dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("data"))));
        window = new zelvar::Zelva71(navigator, prompts);
        window->show();
        if (!QTest::qWaitForWindowActive(window))
            qWarning("the editor window did not become active");
    }
    ~Editor()
    {
        delete window;
        zelvar::setProgramFolder(QString());
        qputenv("XDG_DATA_HOME", m_dataHome);
    }
    Editor(const Editor &) = delete;
    Editor &operator=(const Editor &) = delete;

    QString path(const QString &fileName) const { return m_folder.filePath(fileName); }

    // Opens `file` through "&Open Fixture" (Ctrl+O), as the user picks it in the dialog.
    void open(const ZffFile &file, const QString &fileName = QStringLiteral("open.zff"))
    {
        testsupport::writeAll(path(fileName), file.bytes());
        openPath(path(fileName));
    }
    void openPath(const QString &filePath)
    {
        prompts.paths.enqueue(filePath);
        shortcut(Qt::Key_O);
    }
    // Saves through "&Save Fixture" (Ctrl+S) under `fileName` in the scratch folder and
    // returns the bytes of the file written (".zff" appended as the command does).
    QByteArray save(const QString &fileName = QStringLiteral("saved"))
    {
        prompts.paths.enqueue(path(fileName));
        shortcut(Qt::Key_S);
        QString written = path(fileName);
        if (!written.endsWith(QLatin1String(".zff"), Qt::CaseInsensitive))
            written += QStringLiteral(".zff");
        return testsupport::readAll(written);
    }
    const zelvar::FixtureProfile &profile() const { return window->profile(); }

    template <class T>
    T *child(const char *name) const
    {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QComboBox *combo(const char *name) const { return child<QComboBox>(name); }
    QLineEdit *edit(const char *name) const { return child<QLineEdit>(name); }
    QTableWidget *grid(const char *name) const { return child<QTableWidget>(name); }
    QListWidget *masterList() const { return child<QListWidget>("List1"); }

    // Clicks the cell in `row` (1 = the first row below the header) and `column`.
    void clickCell(const char *gridName, int row, int column) const
    {
        QTableWidget *g = grid(gridName);
        const QModelIndex index = g->model()->index(row - 1, column);
        g->scrollTo(index);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(index).center());
    }

    // Opens the list's drop-down and clicks the entry `text`.
    void choose(const char *comboName, const QString &text) const { choose(combo(comboName), text); }
    static void choose(QComboBox *box, const QString &text)
    {
        const int index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index < 0)
            qFatal("no entry '%s' in %s", qPrintable(text), qPrintable(box->objectName()));
        // Opened from the keyboard: a drop-down opened by a mouse press ignores a release
        // that follows it within a double-click interval.
        box->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(box, Qt::Key_F4);
        QAbstractItemView *view = box->view();
        if (!view->isVisible())
            qFatal("the drop-down of %s did not open", qPrintable(box->objectName()));
        const QModelIndex item = view->model()->index(index, box->modelColumn());
        view->scrollTo(item);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
        if (view->isVisible())
            qFatal("the drop-down of %s did not close", qPrintable(box->objectName()));
    }

    // Clicks into the box, takes away what it holds and types `text`.
    void retype(const char *editName, const QString &text) const
    {
        QLineEdit *e = edit(editName);
        QTest::mouseClick(e, Qt::LeftButton);
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(e, Qt::Key_Delete);
        QTest::keyClicks(e, text);
    }

    void click(const char *buttonName) const { QTest::mouseClick(child<QPushButton>(buttonName), Qt::LeftButton); }

    // Clicks entry `row` of the master check list and presses the space bar on it.
    void toggleMaster(int row) const
    {
        QListWidget *list = masterList();
        QListWidgetItem *item = list->item(row);
        list->scrollToItem(item);
        const QRect rect = list->visualItemRect(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(rect.right() - 4, rect.center().y()));
        QTest::keyClick(list, Qt::Key_Space);
    }
    QStringList checkedMasters() const
    {
        QStringList checked;
        for (int i = 0; i < masterList()->count(); ++i) {
            if (masterList()->item(i)->checkState() == Qt::Checked)
                checked << masterList()->item(i)->text();
        }
        return checked;
    }

    // A menu command through its shortcut, typed where the focus is.
    void shortcut(Qt::Key key) const
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : window.data();
        QTest::keyClick(target, key, Qt::ControlModifier);
    }

    QString cell(const char *gridName, int row, int column) const
    {
        const QTableWidgetItem *item = grid(gridName)->item(row - 1, column);
        return item ? item->text() : QString();
    }
    QStringList rowTexts(const char *gridName, int row) const
    {
        QStringList texts;
        for (int c = 0; c < grid(gridName)->columnCount(); ++c)
            texts << cell(gridName, row, c);
        return texts;
    }
    // Rows counted with the header row.
    int rows(const char *gridName) const { return grid(gridName)->rowCount() + 1; }

    static QStringList entries(const QComboBox *box)
    {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
        return texts;
    }

    QPointer<zelvar::Zelva71> window;
    ScriptedPrompts prompts;

private:
    QTemporaryDir m_folder;
    QByteArray m_dataHome;
};

// Channel labels "Chan 1" to "Chan n".
inline QStringList channelLabels(int from, int to, const QString &suffix = QString())
{
    QStringList labels;
    for (int c = from; c <= to; ++c)
        labels << QStringLiteral("Chan %1").arg(c) + suffix;
    return labels;
}

} // namespace zelva71test
