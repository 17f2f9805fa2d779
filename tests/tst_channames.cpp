// The channel-name table and its two files: a missing set file, the 580-byte rule, the
// download names, tails kept beyond the files' own length, the pair read together and made
// whole at a start, the fixture editor's choices, and the channel-name editor's recovery
// file.
#include "channames/channelnamefiles.h"
#include "channames/namerecovery.h"
#include "testsupport.h"

#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvar;
using testsupport::hex;
using testsupport::padded;

namespace {

// Collects what the table reports for showing, by entry.
struct Shown
{
    QMap<int, QString> rows;
    NameShown callback()
    {
        return [this](int entry, const QString &text) { rows[entry] = text; };
    }
};

QByteArray setRecord(int entryIndex, int nameId, const QByteArray &name)
{
    QByteArray r;
    r.append(char(entryIndex));
    r.append(char(nameId));
    r.append(name);
    return r;
}

QString setPath(const QTemporaryDir &dir)
{
    return dir.filePath(QStringLiteral("ChNameSet.fix"));
}
QString downPath(const QTemporaryDir &dir)
{
    return dir.filePath(QStringLiteral("ChNameDown.fix"));
}

} // namespace

class TestChannelNames : public QObject
{
    Q_OBJECT

private slots:
    // The program's start writes the default files first (tst_editchname); the reader on
    // its own still copes with a folder that has none.
    void aMissingSetFileIsCreatedEmptyAndShowsTheDefaults()
    {
        QTemporaryDir dir;
        ChannelNameTable table;
        Shown shown;
        QVERIFY(ReadChannelNameSet(dir.path(), table, shown.callback()).ok());
        QVERIFY(QFileInfo::exists(setPath(dir)));
        QCOMPARE(QFileInfo(setPath(dir)).size(), qint64(0));
        QVERIFY(!QFileInfo::exists(downPath(dir)));

        QCOMPARE(shown.rows.size(), 59);
        QCOMPARE(shown.rows.value(0), QStringLiteral("Pan"));
        QCOMPARE(shown.rows.value(33), QStringLiteral("Special"));
        QCOMPARE(shown.rows.value(40), QStringLiteral("Mir. Fine"));
        QCOMPARE(shown.rows.value(58), QStringLiteral("Not Used"));
        QCOMPARE(table.entries[40].name.bytes(), QByteArray("Mir. Fin"));
        QCOMPARE(table.entries[59], ChannelNameEntry{});
    }

    void saveStraightAfterAnEmptySetFile()
    {
        QTemporaryDir dir;
        ChannelNameTable table;
        ReadChannelNameSet(dir.path(), table);
        QVERIFY(SaveChannelNames(dir.path(), table).ok());

        const QByteArray set = testsupport::readAll(setPath(dir));
        QCOMPARE(set.size(), 2560);
        QCOMPARE(set.left(10), setRecord(0, 0, "Pan     "));
        QCOMPARE(set.mid(10 * 3, 10), setRecord(3, 3, "Tlt Fine"));
        QCOMPARE(set.mid(10 * 40, 10), setRecord(40, 40, "Mir. Fin"));
        QCOMPARE(set.mid(10 * 58, 10), setRecord(58, 58, "Not Used"));
        QCOMPARE(set.mid(590), QByteArray(2560 - 590, '\0'));

        const QByteArray down = testsupport::readAll(downPath(dir));
        QCOMPARE(down.size(), 2048);
        QCOMPARE(down.left(16), QByteArray("Pan     Pan Fine"));
        QCOMPARE(down.mid(8 * 17, 24), QByteArray("Color 1 Color 2 St.Gobo "));
        QCOMPARE(down.mid(8 * 29, 8), QByteArray("Prism Ro"));
        QCOMPARE(down.mid(8 * 40, 8), QByteArray("Mir. Fin"));
        QCOMPARE(down.mid(8 * 58, 8), QByteArray("Not Used"));
        QCOMPARE(down.mid(8 * 59), QByteArray(2048 - 8 * 59, '\0'));
    }

    void setFilesShorterThan580AreIgnored()
    {
        QTemporaryDir dir;
        QVERIFY(testsupport::writeAll(setPath(dir), QByteArray(579, 'Q')));
        ChannelNameTable table;
        table.setName(100, QStringLiteral("Keep"));
        Shown shown;
        QVERIFY(ReadChannelNameSet(dir.path(), table, shown.callback()).ok());
        QCOMPARE(shown.rows.size(), 59);
        QCOMPARE(table.entries[5].name.bytes(), QByteArray("Shutter "));
        QCOMPARE(table.entries[100].name.bytes(), QByteArray("Keep    "));
        QCOMPARE(testsupport::readAll(setPath(dir)), QByteArray(579, 'Q'));
    }

    void setFilesOf580BytesAreRead()
    {
        QTemporaryDir dir;
        QByteArray file;
        for (int i = 0; i < 58; ++i)
            file.append(setRecord(i, i, padded(qPrintable(QStringLiteral("N%1").arg(i)), 8)));
        file[10 * 7 + 2] = ' '; // record 7's name becomes " 7      " with a leading blank
        file[10 * 7 + 3] = '7';
        file.replace(10 * 8 + 2, 8, QByteArray(8, ' ')); // all blanks: not shown
        file.replace(10 * 9, 10, setRecord(200, 77, "Odd     ")); // taken as stored
        QCOMPARE(file.size(), 580);
        QVERIFY(testsupport::writeAll(setPath(dir), file));

        ChannelNameTable table;
        table.setName(100, QStringLiteral("Lost"));
        Shown shown;
        QVERIFY(ReadChannelNameSet(dir.path(), table, shown.callback()).ok());
        QCOMPARE(shown.rows.value(0), QStringLiteral("N0"));
        QCOMPARE(shown.rows.value(7), QStringLiteral(" 7"));
        QVERIFY(!shown.rows.contains(8));
        QCOMPARE(table.entries[9].entryIndex, quint8(200));
        QCOMPARE(table.entries[9].nameId, quint8(77));
        // Entries the file does not reach read as never set, and show as eight NULs.
        QCOMPARE(table.entries[58], ChannelNameEntry{});
        QCOMPARE(table.entries[100], ChannelNameEntry{});
        QCOMPARE(shown.rows.value(255), QString(8, QChar(0)));
    }

    void partlyReachedRecordIsNulWhereTheFileEnds()
    {
        QByteArray file(580, '\0');
        file.append(setRecord(58, 58, "Ab"));
        QCOMPARE(file.size(), 584);
        ChannelNameTable table;
        DecodeChannelNameSet(file, table);
        QCOMPARE(table.entries[58].entryIndex, quint8(58));
        QCOMPARE(table.entries[58].name.bytes(), QByteArray("Ab") + QByteArray(6, '\0'));
    }

    void initAndSaveRestoresTheBuiltInNames()
    {
        QTemporaryDir dir;
        QByteArray file;
        for (int i = 0; i < 256; ++i)
            file.append(setRecord(i, i, padded(qPrintable(QStringLiteral("U%1").arg(i)), 8)));
        QVERIFY(testsupport::writeAll(setPath(dir), file));
        ChannelNameTable table;
        ReadChannelNameSet(dir.path(), table);
        QCOMPARE(table.entries[40].name.bytes(), QByteArray("U40     "));

        Shown shown;
        table.LoadDefaultNames(shown.callback());
        QCOMPARE(shown.rows.value(40), QStringLiteral("Mir. Fine"));
        QCOMPARE(shown.rows.size(), 59);
        QCOMPARE(testsupport::readAll(setPath(dir)), file); // nothing written before Save

        QVERIFY(SaveChannelNames(dir.path(), table).ok());
        const QByteArray set = testsupport::readAll(setPath(dir));
        QCOMPARE(set.mid(400, 10), setRecord(40, 40, "Mir. Fin"));
        QCOMPARE(set.mid(580, 10), setRecord(58, 58, "Not Used"));
        QCOMPARE(set.mid(590, 10), setRecord(59, 59, "U59     "));
    }

    void downloadNamesDoNotFollowTheTable()
    {
        QTemporaryDir dir;
        ChannelNameTable table;
        for (int i = 0; i < 256; ++i)
            table.setName(i, QStringLiteral("X%1").arg(i));
        table.setName(59, QStringLiteral("Laser"));
        QVERIFY(SaveChannelNames(dir.path(), table).ok());
        const QByteArray set = testsupport::readAll(setPath(dir));
        const QByteArray down = testsupport::readAll(downPath(dir));
        QCOMPARE(down.mid(8 * 17, 8), QByteArray("Color 1 "));
        QCOMPARE(down.mid(8 * 19, 8), QByteArray("St.Gobo "));
        QCOMPARE(down.mid(8 * 29, 8), QByteArray("Prism Ro"));
        QCOMPARE(down.mid(8 * 58, 8), QByteArray("Not Used"));
        QCOMPARE(set.mid(10 * 17 + 2, 8), QByteArray("X17     "));
        QCOMPARE(table.entries[17].name.bytes(), QByteArray("X17     "));
        for (int i = 59; i < 256; ++i)
            QCOMPARE(down.mid(8 * i, 8), set.mid(10 * i + 2, 8));
        QCOMPARE(down.mid(8 * 59, 8), QByteArray("Laser   "));
    }

    void savingTwiceWritesTheSameFiles()
    {
        QTemporaryDir dir;
        ChannelNameTable table;
        ReadChannelNameSet(dir.path(), table);
        table.setName(60, QStringLiteral("Frost"));
        QVERIFY(SaveChannelNames(dir.path(), table).ok());
        const QByteArray set = testsupport::readAll(setPath(dir));
        const QByteArray down = testsupport::readAll(downPath(dir));
        QVERIFY(SaveChannelNames(dir.path(), table).ok());
        QCOMPARE(testsupport::readAll(setPath(dir)), set);
        QCOMPARE(testsupport::readAll(downPath(dir)), down);

        ChannelNameTable again;
        ReadChannelNameSet(dir.path(), again);
        QVERIFY(again == table);
    }

    void longerFilesKeepTheirTails()
    {
        QTemporaryDir dir;
        QVERIFY(testsupport::writeAll(setPath(dir), QByteArray(2560, 'a') + QByteArray("set tail")));
        QVERIFY(testsupport::writeAll(downPath(dir), QByteArray(2048, 'b') + QByteArray("down tail")));
        ChannelNameTable table;
        table.LoadDefaultNames();
        QVERIFY(SaveChannelNames(dir.path(), table).ok());
        const QByteArray set = testsupport::readAll(setPath(dir));
        const QByteArray down = testsupport::readAll(downPath(dir));
        QCOMPARE(set.size(), 2568);
        QCOMPARE(set.mid(2560), QByteArray("set tail"));
        QCOMPARE(set.left(10), setRecord(0, 0, "Pan     "));
        QCOMPARE(down.size(), 2057);
        QCOMPARE(down.mid(2048), QByteArray("down tail"));
        QCOMPARE(down.left(8), QByteArray("Pan     "));
    }

    void failedSaveNamesTheFile()
    {
        QTemporaryDir dir;
        ChannelNameTable table;
        table.LoadDefaultNames();
        const Outcome o = SaveChannelNames(dir.filePath(QStringLiteral("missing")), table);
        QVERIFY(!o.ok());
        QVERIFY2(o.reason().contains(QStringLiteral("ChNameSet.fix")), qPrintable(o.reason()));

        // The files are a pair: one refused, neither is written.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ChNameDown.fix")));
        const Outcome half = SaveChannelNames(dir.path(), table);
        QCOMPARE(half.reason(), QStringLiteral("ChNameDown.fix is a folder, not a file"));
        QVERIFY(!QFileInfo::exists(setPath(dir)));
    }

    void unreadableSetFileStillFillsTheTable()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ChNameSet.fix")));
        ChannelNameTable table;
        Shown shown;
        QVERIFY(!ReadChannelNameSet(dir.path(), table, shown.callback()).ok());
        QCOMPARE(shown.rows.size(), 59);
        QCOMPARE(table.entries[0].name.bytes(), QByteArray("Pan     "));
    }

    void fixtureEditorChoices()
    {
        QCOMPARE(DecodeChannelNameChoices(QByteArray(399, 'A')).size(), 0);

        QByteArray file;
        for (int i = 0; i < 59; ++i)
            file.append(setRecord(i, i, padded(qPrintable(QStringLiteral("C%1").arg(i)), 8)));
        file.replace(0, 10, setRecord(0, 0, "Pan     "));
        file.replace(10, 10, setRecord(1, 1, "  Fine  "));
        for (int i = 59; i < 256; ++i)
            file.append(setRecord(0, 0, i % 2 ? QByteArray(8, ' ') : QByteArray(8, '\0')));
        file.replace(10 * 200, 10, setRecord(7, 123, "Laser   "));
        file.replace(10 * 201, 10, setRecord(0, 9, QByteArray("\0Hidden ", 8)));
        QCOMPARE(file.size(), 2560);

        const QVector<ChannelNameChoice> choices = DecodeChannelNameChoices(file);
        QCOMPARE(choices.size(), 60);
        QCOMPARE(choices[0].text, QStringLiteral("Pan"));
        QCOMPARE(choices[1].text, QStringLiteral("  Fine"));
        QCOMPARE(choices[58].nameId, quint8(58));
        QCOMPARE(choices[59].text, QStringLiteral("Laser"));
        QCOMPARE(choices[59].nameId, quint8(123));

    }

    // A second writer adds names to the table: a built-in name by its index, a name already
    // held is found again, else the first free entry from 59 on takes it.
    void addingNames_data()
    {
        QTest::addColumn<QByteArrayList>("held"); // names of entries 59, 60, ... before
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("entry"); // -1: none
        QTest::addColumn<bool>("added");
        QTest::addColumn<int>("edited"); // an entry an open editor holds as an unsaved edit; -1: none

        const QByteArray nul(8, '\0');
        const QByteArray blanks(8, ' ');
        QTest::newRow("built in") << QByteArrayList{} << QStringLiteral("Dimmer") << 6 << false << -1;
        QTest::newRow("built in, other case") << QByteArrayList{} << QStringLiteral("DIMMER") << 6 << false << -1;
        QTest::newRow("built in, cut to 8") << QByteArrayList{} << QStringLiteral("Mir. Fine") << 40 << false << -1;
        QTest::newRow("first free is 59") << QByteArrayList{} << QStringLiteral("White") << 59 << true << -1;
        QTest::newRow("blanks are free") << QByteArrayList{blanks} << QStringLiteral("White") << 59 << true << -1;
        QTest::newRow("NUL and blanks are free")
            << QByteArrayList{QByteArray("  \0\0\0\0\0\0", 8)} << QStringLiteral("White") << 59 << true << -1;
        QTest::newRow("held name reused") << QByteArrayList{"Amber   ", "White   "} << QStringLiteral("White") << 60
                                          << false << -1;
        QTest::newRow("held in other case") << QByteArrayList{"WHITE   "} << QStringLiteral("White") << 59 << false << -1;
        QTest::newRow("held up to a NUL") << QByteArrayList{QByteArray("White\0\0\0", 8)}
                                          << QStringLiteral("White") << 59 << false << -1;
        QTest::newRow("held name skipped")
            << QByteArrayList{"Amber   ", nul, "White   "} << QStringLiteral("Frost") << 60 << true << -1;
        QTest::newRow("name after a NUL is held")
            << QByteArrayList{QByteArray("\0Frost  ", 8)} << QStringLiteral("Frost") << 60 << true << -1;
        QTest::newRow("only 255 free") << QByteArrayList(196, "Taken   ") << QStringLiteral("White") << 255 << true << -1;
        QTest::newRow("full") << QByteArrayList(197, "Taken   ") << QStringLiteral("White") << -1 << false << -1;
        QTest::newRow("full, but held") << QByteArrayList(197, "Taken   ") << QStringLiteral("taken") << 59 << false << -1;
        QTest::newRow("blank name") << QByteArrayList{} << QStringLiteral("   ") << -1 << false << -1;
        QTest::newRow("an edited free entry is not taken")
            << QByteArrayList{} << QStringLiteral("White") << 60 << true << 59;
        QTest::newRow("an edited entry's name is not found")
            << QByteArrayList{"White   "} << QStringLiteral("White") << 60 << true << 59;
        QTest::newRow("only the edited entry is free")
            << (QByteArrayList(196, "Taken   ") << nul) << QStringLiteral("White") << -1 << false << 255;
    }
    void addingNames()
    {
        QFETCH(QByteArrayList, held);
        QFETCH(QString, name);
        QFETCH(int, entry);
        QFETCH(bool, added);
        QFETCH(int, edited);
        ChannelNameTable table;
        table.LoadDefaultNames();
        for (int i = 0; i < held.size(); ++i) {
            ChannelNameEntry &e = table.entries[size_t(59 + i)];
            e.entryIndex = e.nameId = quint8(59 + i);
            e.name = FixedText<8>::fromBytes(held.at(i).constData());
        }
        if (edited >= 0)
            table.held.set(size_t(edited));
        const ChannelNameTable before = table;
        bool wasAdded = !added;
        QCOMPARE(table.findOrAddName(name, &wasAdded), entry);
        QCOMPARE(wasAdded, added);
        for (int i = 0; i < 256; ++i) {
            if (!added || i != entry)
                QCOMPARE(table.entries[size_t(i)], before.entries[size_t(i)]);
        }
        if (added) {
            QCOMPARE(table.entries[size_t(entry)].name.text(), name.leftJustified(8, QLatin1Char(' ')));
            QCOMPARE(int(table.entries[size_t(entry)].nameId), entry);
            QCOMPARE(int(table.entries[size_t(entry)].entryIndex), entry);
            QCOMPARE(table.findName(name), entry);
        }
    }

    // An entry whose nameId is not its own index is a name no channel can refer to by it.
    void heldNameMustReferToItself()
    {
        ChannelNameTable table;
        table.setName(59, QStringLiteral("White"));
        table.entries[59].nameId = 7;
        QCOMPARE(table.findName(QStringLiteral("White")), -1);
        QCOMPARE(table.findOrAddName(QStringLiteral("White")), 60);
    }

    // Both files read for a writer: the set file as the editor takes it, a missing set file
    // made from the download file, nothing there the built-in names. Nothing is created. (A
    // file that cannot be read fails the read: tst_filefaults.)
    void readingThePair_data()
    {
        QTest::addColumn<QByteArray>("set"); // "-": no such file
        QTest::addColumn<QByteArray>("down");
        QTest::addColumn<QByteArray>("entry59"); // the name entry 59 is read as; "" never set
        ChannelNameTable table;
        table.LoadDefaultNames();
        table.setName(59, QStringLiteral("White"));
        const QByteArray set = EncodeChannelNameSet(table);
        table.setName(59, QStringLiteral("Amber"));
        table.entries[0].name.assign("Tilt"); // a download file's entries 0 to 58 are not the table's
        const QByteArray down = EncodeChannelNameDown(table);
        QTest::newRow("neither") << QByteArray("-") << QByteArray("-") << QByteArray();
        QTest::newRow("both empty") << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("the set file wins") << set << down << QByteArray("White   ");
        QTest::newRow("the download file alone") << QByteArray("-") << down << QByteArray("Amber   ");
        QTest::newRow("an empty set file") << QByteArray() << down << QByteArray("Amber   ");
        QTest::newRow("a set file of 579 bytes") << set.left(579) << down << QByteArray();
    }
    void readingThePair()
    {
        QFETCH(QByteArray, set);
        QFETCH(QByteArray, down);
        QFETCH(QByteArray, entry59);
        QTemporaryDir dir;
        if (set != "-")
            QVERIFY(testsupport::writeAll(setPath(dir), set));
        if (down != "-")
            QVERIFY(testsupport::writeAll(downPath(dir), down));
        ChannelNameFiles files;
        QVERIFY(ReadChannelNameFiles(dir.path(), files));
        QCOMPARE(files.table.entries[0].name.bytes(), QByteArray("Pan     "));
        if (entry59.isEmpty()) {
            QCOMPARE(files.table.entries[59], ChannelNameEntry{});
        } else {
            QCOMPARE(files.table.entries[59].name.bytes(), entry59);
            QCOMPARE(files.table.entries[59].nameId, quint8(59));
        }
        QCOMPARE(files.set, set == "-" ? QByteArray() : set);
        QCOMPARE(QFileInfo::exists(setPath(dir)), set != "-");
        QCOMPARE(QFileInfo::exists(downPath(dir)), down != "-");
    }

    // Each start makes the pair whole: a file missing or empty is made from the other; only
    // when both are, they come from the programs' folder or the defaults. A file of 1 byte
    // or more stays as it is; nothing is written beside a file the readers refuse.
    void missingFilesAreMadeFromTheOther_data()
    {
        QTest::addColumn<QByteArray>("set"); // "-": no such file, "dir": a folder there
        QTest::addColumn<QByteArray>("down");
        QTest::addColumn<QByteArray>("given"); // the programs' folder: "pair" of its own, 0-byte files, "-" none
        QTest::addColumn<QByteArray>("setAfter"); // "-": still missing
        QTest::addColumn<QByteArray>("downAfter");
        ChannelNameTable defaults;
        defaults.LoadDefaultNames();
        ChannelNameTable user = defaults;
        user.setName(59, QStringLiteral("Haze"));
        const QByteArray set = EncodeChannelNameSet(user);
        const QByteArray down = EncodeChannelNameDown(user);
        const QByteArray givenSet = EncodeChannelNameSet(defaults) + "given";
        const QByteArray givenDown = EncodeChannelNameDown(defaults) + "given";
        const QByteArray pair("pair");
        QTest::newRow("1 byte each: the user's") << QByteArray("x") << QByteArray("y") << pair << QByteArray("x")
                                                 << QByteArray("y");
        QTest::newRow("the download file made") << set << QByteArray("-") << pair << set << down;
        QTest::newRow("an empty download file made") << set << QByteArray() << pair << set << down;
        QTest::newRow("the set file made") << QByteArray("-") << down << pair << set << down;
        QTest::newRow("both from the programs' folder") << QByteArray("-") << QByteArray() << pair << givenSet
                                                        << givenDown;
        QTest::newRow("the programs' 0-byte files: the defaults")
            << QByteArray() << QByteArray() << QByteArray() << EncodeChannelNameSet(defaults)
            << EncodeChannelNameDown(defaults);
        QTest::newRow("both the defaults") << QByteArray("-") << QByteArray("-") << QByteArray("-")
                                           << EncodeChannelNameSet(defaults) << EncodeChannelNameDown(defaults);
        QTest::newRow("nothing beside a folder") << QByteArray("dir") << QByteArray("-") << pair << QByteArray("dir")
                                                 << QByteArray("-");
    }
    void missingFilesAreMadeFromTheOther()
    {
        QFETCH(QByteArray, set);
        QFETCH(QByteArray, down);
        QFETCH(QByteArray, given);
        QFETCH(QByteArray, setAfter);
        QFETCH(QByteArray, downAfter);
        QTemporaryDir dir;
        QTemporaryDir programs;
        for (const auto &[path, bytes] : {std::pair{setPath(dir), set}, {downPath(dir), down}}) {
            if (bytes == "dir")
                QVERIFY(QDir().mkdir(path));
            else if (bytes != "-")
                QVERIFY(testsupport::writeAll(path, bytes));
        }
        if (given != "-") {
            ChannelNameTable defaults;
            defaults.LoadDefaultNames();
            const bool pair = given == "pair";
            QVERIFY(testsupport::writeAll(setPath(programs), pair ? EncodeChannelNameSet(defaults) + "given" : ""));
            QVERIFY(testsupport::writeAll(downPath(programs), pair ? EncodeChannelNameDown(defaults) + "given" : ""));
        }
        const Outcome made = CreateMissingChannelNameFiles(dir.path(), programs.path());
        QCOMPARE(made.ok(), set != "dir");
        for (const auto &[path, bytes] : {std::pair{setPath(dir), setAfter}, {downPath(dir), downAfter}}) {
            if (bytes == "dir")
                QVERIFY(QFileInfo(path).isDir());
            else if (bytes == "-")
                QVERIFY(!QFileInfo::exists(path));
            else
                QCOMPARE(testsupport::readAll(path), bytes);
        }
    }

    void recoveryKeepsTheChangedRowsOnly()
    {
        ChannelNameTable saved;
        saved.LoadDefaultNames();
        ChannelNameTable now = saved;
        now.setName(5, QStringLiteral("Shut"));
        now.setName(59, QStringLiteral("Haze"));
        now.setName(255, QStringLiteral("Last"));
        now.setName(6, QStringLiteral("Dimmer")); // set again as it was: no change
        const QVector<ChangedNameRow> rows = ChangedNameRows(now, saved);
        const QByteArray file = EncodeNameRecovery(rows);
        QCOMPARE(file, QByteArray("Zelvar71 unsaved channel names v2\n") + hex("03 00") + hex("05 05 05") + "Shut    "
                           + hex("05 05") + "Shutter " + hex("3b 3b 3b") + "Haze    " + QByteArray(10, '\0')
                           + hex("ff ff ff") + "Last    " + QByteArray(10, '\0'));
        QVector<ChangedNameRow> read;
        QVERIFY(DecodeNameRecovery(file, read));
        QCOMPARE(read, rows);
        QCOMPARE(read.at(0).replaced->name.bytes(), QByteArray("Shutter "));
        QVERIFY(ChangedNameRows(saved, saved).isEmpty());

        // A file of the first layout says nothing of the names the rows replaced.
        QVERIFY(DecodeNameRecovery(QByteArray("Zelvar71 unsaved channel names\n") + hex("01 00") + hex("3b 3b 3b")
                                       + "Haze    ",
                                   read));
        QCOMPARE(read, (QVector<ChangedNameRow>{{59, rows.at(1).value, std::nullopt}}));
    }

    void damagedNameRecoveryIsRefused_data()
    {
        ChannelNameTable saved;
        ChannelNameTable now;
        now.setName(59, QStringLiteral("Haze"));
        const QByteArray one = EncodeNameRecovery(ChangedNameRows(now, saved));
        QByteArray all = QByteArray("Zelvar71 unsaved channel names v2\n") + hex("01 01");
        all.append(257 * 21, 'x');
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("another file") << QByteArray(44, 'x');
        QTest::newRow("no rows") << QByteArray("Zelvar71 unsaved channel names v2\n") + hex("00 00");
        QTest::newRow("a first-layout row cut short")
            << QByteArray("Zelvar71 unsaved channel names\n") + hex("01 00 3b 3b 3b") + "Haze   ";
        QTest::newRow("257 rows") << all;
        QTest::newRow("a row cut short") << one.left(one.size() - 1);
        QTest::newRow("a byte too many") << one + "x";
    }
    void damagedNameRecoveryIsRefused()
    {
        QFETCH(QByteArray, file);
        QVector<ChangedNameRow> rows(1);
        QVERIFY(!DecodeNameRecovery(file, rows));
        QCOMPARE(rows, QVector<ChangedNameRow>(1));
    }
};

QTEST_GUILESS_MAIN(TestChannelNames)
#include "tst_channames.moc"
