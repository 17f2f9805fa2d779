// The channel-name store: writers interleaved against a plain model of the table, and the
// files watched for writes of other processes without the store's own writes coming back as
// changes. (The pair written whole or not at all: tst_common and tst_cliimport; refused
// files: tst_channames and tst_filefaults.)
#include "channames/channelnamestore.h"
#include "testsupport.h"

#include <QObject>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <array>

using namespace zelvar;

namespace {

// The model: each entry's 10-byte record, as plain bytes.
using Model = std::array<QByteArray, ChannelNameCount>;

QByteArray record(int i, const QByteArray &name)
{
    return QByteArray(1, char(i)) + QByteArray(1, char(i)) + name.leftJustified(8, ' ', true);
}

Model defaultModel()
{
    Model m;
    for (int i = 0; i < ChannelNameCount; ++i)
        m[size_t(i)] = i < BuiltInNameCount ? record(i, QByteArray(DefaultNames[size_t(i)])) : QByteArray(10, '\0');
    return m;
}

bool isFree(const QByteArray &r)
{
    return std::all_of(r.begin() + 2, r.end(), [](char c) { return c == '\0' || c == ' '; });
}

ChannelNameEntry entryOf(const QByteArray &r)
{
    ChannelNameEntry e;
    e.entryIndex = quint8(r.at(0));
    e.nameId = quint8(r.at(1));
    e.name = FixedText<ChannelNameLength>::fromBytes(r.constData() + 2);
    return e;
}

QByteArray recordOf(const ChannelNameEntry &e)
{
    return QByteArray(1, char(e.entryIndex)) + QByteArray(1, char(e.nameId)) + e.name.bytes();
}

ChannelNameTable tableOf(const Model &m)
{
    ChannelNameTable t;
    for (int i = 0; i < ChannelNameCount; ++i)
        t.entries[size_t(i)] = entryOf(m[size_t(i)]);
    return t;
}

// An editor as the store sees it: the rows as it last read them, and its unsaved edits.
struct Editor
{
    Model base;
    QMap<int, QByteArray> edits;
};

} // namespace

class TestChannelNameStore : public QObject
{
    Q_OBJECT

    // Both files hold the model: the set file's records, the download file's names from 59
    // on, and the download names below.
    static void verifyFiles(const QString &folder, const Model &model)
    {
        const QByteArray set = testsupport::readAll(folder + QStringLiteral("/ChNameSet.fix"));
        const QByteArray down = testsupport::readAll(folder + QStringLiteral("/ChNameDown.fix"));
        QCOMPARE(set.size(), 2560);
        QCOMPARE(down.size(), 2048);
        for (int i = 0; i < ChannelNameCount; ++i) {
            QCOMPARE(set.mid(10 * i, 10), model[size_t(i)]);
            const QByteArray expected =
                i < BuiltInNameCount ? QByteArray(DownloadNames[size_t(i)]).leftJustified(8, ' ', true)
                                     : model[size_t(i)].mid(2);
            QCOMPARE(down.mid(8 * i, 8), expected);
        }
    }

private slots:
    // Random interleavings of an editor's Save (with conflicts answered at random), an
    // import's added names, an outside write of the files and the editor reading them again,
    // against the model: after each step the files hold the model, and the editor's rows
    // never go to an import.
    void writersInterleaved()
    {
        QTemporaryDir dir;
        QRandomGenerator random(2571);
        ChannelNameStore &store = ChannelNameStore::forFolder(dir.path());
        Model model = defaultModel();
        QVERIFY(SaveChannelNames(dir.path(), tableOf(model)));
        Editor editor{model, {}};
        QObject holder;
        store.addHolder(&holder, [&editor] {
            HeldEntries held;
            for (auto it = editor.edits.cbegin(); it != editor.edits.cend(); ++it)
                held.set(size_t(it.key()));
            return held;
        });
        const auto randomEntry = [&random] { return int(random.bounded(59, 70)); }; // a crowded corner
        int names = 0;
        const auto newName = [&names] { return QByteArray("N") + QByteArray::number(++names); };
        int conflicts = 0;

        for (int step = 0; step < 400; ++step) {
            switch (random.bounded(5)) {
            case 0: { // the editor changes a row
                const int entry = randomEntry();
                editor.edits[entry] = random.bounded(4) == 0 ? QByteArray(8, ' ') : newName();
                break;
            }
            case 1: { // the editor saves
                QVector<NameRowChange> rows;
                for (auto it = editor.edits.cbegin(); it != editor.edits.cend(); ++it) {
                    const int i = it.key();
                    rows.append({i, entryOf(editor.base[size_t(i)]), entryOf(record(i, it.value()))});
                }
                QVector<int> asked;
                QMap<int, bool> kept;
                QVERIFY(store.save(rows, [&](int entry, const ChannelNameEntry &inFiles, const ChannelNameEntry &mine) {
                    asked << entry;
                    [&] {
                        QCOMPARE(recordOf(inFiles), model[size_t(entry)]);
                        QCOMPARE(recordOf(mine), record(entry, editor.edits.value(entry)));
                    }();
                    return kept[entry] = random.bounded(2) == 0;
                }));
                QVector<int> conflicting;
                for (auto it = editor.edits.cbegin(); it != editor.edits.cend(); ++it) {
                    const size_t i = size_t(it.key());
                    const QByteArray mine = record(it.key(), it.value());
                    if (model[i] == editor.base[i] || model[i] == mine) {
                        model[i] = mine;
                    } else {
                        conflicting << it.key();
                        if (kept.value(it.key()))
                            model[i] = mine;
                    }
                }
                QCOMPARE(asked, conflicting);
                conflicts += int(asked.size());
                editor = Editor{model, {}};
                break;
            }
            case 2: { // an import adds names where no name is and no edit waits
                const int count = int(random.bounded(1, 4));
                QVERIFY(store.update([&](const ChannelNameTable &, NameFilesUpdate &update) {
                    for (int n = 0; n < count; ++n)
                        update.table.findOrAddName(QString::fromLatin1(newName()));
                    return Outcome::success();
                }));
                const int last = names;
                for (int n = last - count + 1; n <= last; ++n) {
                    for (int i = BuiltInNameCount; i < ChannelNameCount; ++i) {
                        if (isFree(model[size_t(i)]) && !editor.edits.contains(i)) {
                            model[size_t(i)] = record(i, QByteArray("N") + QByteArray::number(n));
                            break;
                        }
                    }
                }
                break;
            }
            case 3: { // another process writes the files
                Model outside = model;
                // Often a row the editor has changed meanwhile: a conflict at its next Save.
                const QList<int> edited = editor.edits.keys();
                const int entry = !edited.isEmpty() && random.bounded(2) == 0
                    ? edited.at(int(random.bounded(int(edited.size()))))
                    : randomEntry();
                outside[size_t(entry)] = random.bounded(3) == 0 ? QByteArray(10, '\0') : record(entry, newName());
                QVERIFY(SaveChannelNames(dir.path(), tableOf(outside)));
                model = outside;
                break;
            }
            default: // the editor takes the files again as its window does: rows it has not edited
                for (int i = 0; i < ChannelNameCount; ++i) {
                    if (!editor.edits.contains(i) || model[size_t(i)] == record(i, editor.edits.value(i)))
                        editor.base[size_t(i)] = model[size_t(i)];
                }
                break;
            }
            verifyFiles(dir.path(), model);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("after step %1").arg(step)));
        }
        QVERIFY2(conflicts > 10, "the walk asks about conflicts");
    }

    // Another process's write reaches the store within a second; its own writes tell the
    // windows at once and do not come back as a change.
    void theFilesAreWatched()
    {
        QTemporaryDir dir;
        ChannelNameTable table;
        table.LoadDefaultNames();
        QVERIFY(SaveChannelNames(dir.path(), table));
        ChannelNameStore &store = ChannelNameStore::forFolder(dir.path());
        store.watch();
        QSignalSpy changed(&store, &ChannelNameStore::namesChanged);

        for (const char *name : {"UV", "Dim Spd"}) { // a replaced file is watched again
            table.setName(table.findOrAddName(QString::fromLatin1(name)), QString::fromLatin1(name));
            QVERIFY(SaveChannelNames(dir.path(), table)); // not through the store: as another process
            QTRY_COMPARE_WITH_TIMEOUT(store.names(), table, 1000);
        }
        QCOMPARE(changed.count(), 2);

        QVERIFY(store.update([](const ChannelNameTable &, NameFilesUpdate &u) {
            u.table.setName(61, QStringLiteral("Haze"));
            return Outcome::success();
        }));
        QCOMPARE(changed.count(), 3);
        QCOMPARE(store.names().entries[61].name.bytes(), QByteArray("Haze    "));
        QTest::qWait(600);
        QCOMPARE(changed.count(), 3);
        // The choices follow the same read.
        QCOMPARE(store.choices().size(), 62);
        QCOMPARE(store.choices().last().text, QStringLiteral("Haze"));
    }
};

QTEST_GUILESS_MAIN(TestChannelNameStore)
#include "tst_channelnamestore.moc"
