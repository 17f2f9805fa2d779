// The stick's five commands against the simulated "kzt_dmx20" stick: every byte on the wire,
// RTS around each read, what the window is told, and files that come back byte for byte.
#include "recordingpanel.h"
#include "testsupport.h"
#include "usbsimulator.h"
#include "usbtool/devicelibrary.h"
#include "usbtool/stickcommands.h"
#include "usbtool/stickpanel.h"

#include <QQueue>
#include <QtTest>

using namespace zelvar;
using testsupport::hex;
using testsupport::UsbSimulator;

namespace {

// Stands in for the dialog, keeping the file list as well.
class StickRecordingPanel : public RecordingPanel<StickPanel>
{
public:
    QStringList items;
    std::optional<QString> selected;
    bool buttonsEnabled = true;

    void SetStickButtons(bool enabled) override
    {
        buttonsEnabled = enabled;
        note(enabled ? QStringLiteral("buttons on") : QStringLiteral("buttons off"));
    }
    void clearFileList() override
    {
        items.clear();
        note(QStringLiteral("clear list"));
    }
    void addFileListItem(const QString &text) override
    {
        items << text;
        note(QStringLiteral("item ") + text);
    }
    std::optional<QString> selectedFileListItem() const override { return selected; }
    // The questions before DEL and Format are the window's (tested with it).
    bool confirm(const QString &) override { return true; }
    // The question before a write replaces a file: noted, and answered by `replace`.
    bool replace = true;
    bool confirmReplace(const QString &question) override
    {
        note(QStringLiteral("ask ") + question);
        return replace;
    }
};

// A tool session: the simulator, the bound library and the commands.
struct Session
{
    explicit Session(const char *library = ZELVAR71_D2XX_SIM) : sim(library), commands(device, panel)
    {
        sim.setDevices("kzt_dmx20");
        bound = device.BindDeviceLibrary();
    }

    // The binding's messages and every message the window was given, texts only.
    QStringList toolMessages() const
    {
        QStringList texts = bound;
        for (const QString &m : panel.messages())
            texts << m.mid(int(std::strlen("message ")));
        return texts;
    }

    void putOnStick(const QString &name, const QByteArray &content)
    {
        QVERIFY(testsupport::writeAll(sim.stickFile(name), content));
    }

    // The simulated stick opens once at a time, and these tests share one simulator.
    ~Session() { device.CloseInterface(); }

    UsbSimulator sim;
    DeviceLibrary device;
    QStringList bound;
    StickRecordingPanel panel;
    StickCommands commands;
};

QByteArray pattern(int size, int seed = 7)
{
    QByteArray bytes(size, '\0');
    quint32 x = quint32(seed) * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = char(x >> 16);
    }
    return bytes;
}

const QByteArray DirectoryBlock = hex("0a a1 0000000000000000 55 000000000000000000000000000000000000");
const QString NoDevice = QStringLiteral("No USB Device Connected or Device Error!");

// The calls of one listing on the stick dev0: the block, the reply and, unless `listed` is
// 0, one read of `listed` bytes that hands back `received`.
QStringList listingCalls(int listed, int received)
{
    QStringList calls{QStringLiteral("FT_Write dev0 29 = 0 29"), QStringLiteral("FT_SetRts dev0 = 0"),
                      QStringLiteral("FT_Read dev0 4 = 0 4")};
    if (listed > 0)
        calls << QStringLiteral("FT_Read dev0 %1 = 0 %2").arg(listed).arg(received);
    calls << QStringLiteral("FT_ClrRts dev0 = 0");
    return calls;
}

QStringList afterOpen(const QStringList &calls)
{
    const qsizetype at = calls.indexOf(QStringLiteral("FT_SetTimeouts dev0 500 150 = 0"));
    return at < 0 ? QStringList() : calls.mid(at + 1);
}

} // namespace

class TestStickCommands : public QObject
{
    Q_OBJECT

private slots:
    void listingOfAnEmptyStick()
    {
        Session s;
        QVERIFY(s.commands.listFiles().ok());
        QCOMPARE(s.sim.writes(), QList<QByteArray>{DirectoryBlock});
        const QStringList calls = s.sim.calls();
        QCOMPARE(calls.first(), QStringLiteral("FT_Close - = 1"));
        QCOMPARE(calls.mid(1, 4), (QStringList{QStringLiteral("FT_ListDevices number = 0 1"),
                                               QStringLiteral("FT_ListDevices index 0 40000002 = 0 \"kzt_dmx20\""),
                                               QStringLiteral("FT_OpenEx \"kzt_dmx20\" 40000002 = 0 dev0"),
                                               QStringLiteral("FT_SetTimeouts dev0 500 150 = 0")}));
        // A length of 0 lists nothing, and no listing is asked for.
        QCOMPARE(afterOpen(calls), listingCalls(0, 0));
        QCOMPARE(s.sim.reads().first(), hex("a1000000"));
        QCOMPARE(s.panel.events, (QStringList{QStringLiteral("buttons off"), QStringLiteral("clear list"),
                                              QStringLiteral("buttons on")}));
        QVERIFY(s.toolMessages().isEmpty());
    }

    void listingShowsEachEntry()
    {
        Session s;
        s.putOnStick(QStringLiteral("SHOW1.DAT"), pattern(600));
        s.putOnStick(QStringLiteral("readme"), QByteArray("x"));
        s.putOnStick(QStringLiteral("Mixed.Case"), QByteArray());
        s.panel.items << QStringLiteral("stale");
        QVERIFY(s.commands.listFiles().ok());
        // As the stick sends them (the window's list sorts them).
        QCOMPARE(s.panel.items, (QStringList{QStringLiteral("readme"), QStringLiteral("SHOW1.DAT"),
                                             QStringLiteral("Mixed.Case")}));
        // RTS stays raised from the reply through the listing.
        QCOMPARE(afterOpen(s.sim.calls()), listingCalls(96, 96));
        QCOMPARE(s.sim.reads().first(), hex("a1000060"));
    }

    void listingLimits_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("listed");
        QTest::newRow("one") << 1 << 1;
        QTest::newRow("254") << 254 << 254;
        QTest::newRow("255 is refused") << 255 << 0;
        QTest::newRow("300 is refused") << 300 << 0;
    }

    void listingLimits()
    {
        QFETCH(int, files);
        QFETCH(int, listed);
        Session s;
        for (int i = 0; i < files; ++i)
            s.putOnStick(QStringLiteral("F%1.BIN").arg(i, 3, 10, QLatin1Char('0')), QByteArray());
        const Outcome result = s.commands.listFiles();
        QCOMPARE(result.ok(), listed > 0);
        QCOMPARE(s.panel.items.size(), listed);
        if (listed)
            QCOMPARE(s.panel.items.last(), QStringLiteral("F000.BIN"));
        QCOMPARE(afterOpen(s.sim.calls()), listingCalls(listed * 32, listed * 32));
        QVERIFY(s.panel.buttonsEnabled);
    }

    void listingThatArrivesShortNeverReadsPastIt()
    {
        Session s;
        s.putOnStick(QStringLiteral("ONE.DAT"), QByteArray("1"));
        // The reply announces three entries; one comes.
        s.sim.setStickReply("00000060");
        const Outcome result = s.commands.listFiles();
        QVERIFY(!result.ok());
        QCOMPARE(s.panel.items, QStringList{QStringLiteral("ONE.DAT")});
        QCOMPARE(afterOpen(s.sim.calls()), listingCalls(96, 32));
        QVERIFY(s.panel.messages().isEmpty());
    }

    void listingWithoutReplyEndsQuietly()
    {
        Session s;
        s.sim.setStickReply("");
        QVERIFY(!s.commands.listFiles().ok());
        QCOMPARE(afterOpen(s.sim.calls()),
                 (QStringList{QStringLiteral("FT_Write dev0 29 = 0 29"), QStringLiteral("FT_SetRts dev0 = 0"),
                              QStringLiteral("FT_Read dev0 4 = 0 0"), QStringLiteral("FT_ClrRts dev0 = 0")}));
        QVERIFY(s.panel.messages().isEmpty());
        QVERIFY(s.panel.buttonsEnabled);
    }

    void deleteSendsItsBlockAndRefreshesTheList()
    {
        Session s;
        s.putOnStick(QStringLiteral("SHOW1.DAT"), pattern(10));
        s.putOnStick(QStringLiteral("KEEP.DAT"), pattern(10));
        s.panel.selected = QStringLiteral("SHOW1.DAT");
        QVERIFY(s.commands.deleteFile().ok());
        QCOMPARE(s.sim.writes(),
                 (QList<QByteArray>{hex("12 a4 4441540000000000 53484f5731000000 ff 00000000000000000000"),
                                    DirectoryBlock}));
        const QStringList calls = afterOpen(s.sim.calls());
        QCOMPARE(calls.mid(0, 4),
                 (QStringList{QStringLiteral("FT_Write dev0 29 = 0 29"), QStringLiteral("FT_SetRts dev0 = 0"),
                              QStringLiteral("FT_Read dev0 4 = 0 4"), QStringLiteral("FT_ClrRts dev0 = 0")}));
        QVERIFY(!QFile::exists(s.sim.stickFile(QStringLiteral("SHOW1.DAT"))));
        QCOMPARE(s.panel.items, QStringList{QStringLiteral("KEEP.DAT")});
        QVERIFY(s.panel.messages().isEmpty());
        QCOMPARE(s.panel.events.first(), QStringLiteral("buttons off"));
        QCOMPARE(s.panel.events.last(), QStringLiteral("buttons on"));
    }

    void deleteWithoutConfirmationSaysErrorAndStillRefreshes()
    {
        Session s;
        s.putOnStick(QStringLiteral("KEEP.DAT"), pattern(10));
        s.panel.selected = QStringLiteral("GONE.DAT"); // the stick stays silent about it
        QVERIFY(!s.commands.deleteFile().ok());
        QCOMPARE(s.panel.messages(), QStringList{QStringLiteral("message Error!")});
        QCOMPARE(s.sim.writes().size(), 2);
        QCOMPARE(s.sim.writes().last(), DirectoryBlock);
        const qsizetype message = s.panel.events.indexOf(QStringLiteral("message Error!"));
        QVERIFY(message < s.panel.events.indexOf(QStringLiteral("item KEEP.DAT")));
    }

    void formatSendsItsBlockAndEmptiesTheStick()
    {
        Session s;
        s.putOnStick(QStringLiteral("A.DAT"), pattern(10));
        s.putOnStick(QStringLiteral("B"), pattern(10));
        s.panel.selected = QStringLiteral("A.DAT"); // not used
        QVERIFY(s.commands.formatStick().ok());
        QCOMPARE(s.sim.writes(),
                 (QList<QByteArray>{hex("12 a4 ffffffffffffffff 0000000000000000 52 00000000000000000000"),
                                    DirectoryBlock}));
        QVERIFY(QDir(s.sim.stickFolder()).isEmpty());
        QVERIFY(s.panel.items.isEmpty());
        QVERIFY(s.panel.messages().isEmpty());
    }

    void formatNeedsExactlyFourBytes_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("ok");
        QTest::newRow("four") << QByteArray("00000000") << true;
        QTest::newRow("three") << QByteArray("000000") << false;
        QTest::newRow("none") << QByteArray("") << false;
    }

    void formatNeedsExactlyFourBytes()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, ok);
        Session s;
        s.sim.setStickReply(reply);
        QCOMPARE(s.commands.formatStick().ok(), ok);
        QCOMPARE(s.panel.messages(), ok ? QStringList() : QStringList{QStringLiteral("message Error!")});
        // The list is refreshed only after a confirmed format.
        QCOMPARE(s.sim.writes().size(), ok ? 2 : 1);
        QVERIFY(s.panel.buttonsEnabled);
    }

    void readOrDeleteWithNothingSelectedSendsNothing()
    {
        Session s;
        s.putOnStick(QStringLiteral("SHOW1.DAT"), pattern(10));
        s.panel.chosenPaths << s.sim.path(QStringLiteral("out.dat"));
        QVERIFY(!s.commands.readFile().ok());
        QVERIFY(!s.commands.deleteFile().ok());
        QCOMPARE(s.sim.calls(), (QStringList{QStringLiteral("FT_Close - = 1"), QStringLiteral("FT_Close - = 1")}));
        QVERIFY(s.panel.events.filter(QStringLiteral("choose")).isEmpty());
        QVERIFY(s.panel.buttonsEnabled);
        QVERIFY(QFile::exists(s.sim.stickFile(QStringLiteral("SHOW1.DAT"))));
        QVERIFY(s.toolMessages().isEmpty());
    }

    void readWithoutAChosenFileSendsNothing()
    {
        Session s;
        s.panel.selected = QStringLiteral("SHOW1.DAT");
        QVERIFY(!s.commands.readFile().ok());
        QCOMPARE(s.panel.events.first(), QStringLiteral("choose save \"Send file\" \"SHOW1.DAT\""));
        QCOMPARE(s.sim.count(QStringLiteral("FT_OpenEx")), 0);
        QCOMPARE(s.sim.count(QStringLiteral("FT_Write")), 0);
    }

    void writeSendsNameLengthAndBlocks()
    {
        Session s;
        const QString path = s.sim.path(QStringLiteral("LONGFILENAME.dat"));
        const QByteArray content = pattern(1000);
        QVERIFY(testsupport::writeAll(path, content));
        s.panel.chosenPaths << path;
        QVERIFY(s.commands.writeFile().ok());

        // The listing first, so that nothing on the stick is replaced unseen.
        const QList<QByteArray> writes = s.sim.writes();
        QCOMPARE(writes.size(), 5);
        QCOMPARE(writes[0], DirectoryBlock);
        QCOMPARE(writes[1].toHex(' '), hex("16 a3 6461740000000000 4c4f4e4746494c45 000003e8 d3 000000000000").toHex(' '));
        QCOMPARE(writes[2], content.left(510));
        QCOMPARE(writes[3], content.mid(510));
        QCOMPARE(writes[4], DirectoryBlock);
        const QStringList calls = afterOpen(s.sim.calls());
        QCOMPARE(calls.mid(0, 4), listingCalls(0, 0));
        const QStringList write = afterOpen(calls);
        QCOMPARE(write.mid(0, 6),
                 (QStringList{QStringLiteral("FT_Write dev0 29 = 0 29"), QStringLiteral("FT_SetRts dev0 = 0"),
                              QStringLiteral("FT_Read dev0 4 = 0 4"), QStringLiteral("FT_ClrRts dev0 = 0"),
                              QStringLiteral("FT_Write dev0 510 = 0 510"), QStringLiteral("FT_Write dev0 490 = 0 490")}));
        QCOMPARE(testsupport::readAll(s.sim.stickFile(QStringLiteral("LONGFILE.dat"))), content);
        QCOMPARE(s.panel.items, QStringList{QStringLiteral("LONGFILE.dat")});
        QCOMPARE(s.panel.events.mid(0, 15),
                 (QStringList{QStringLiteral("choose open \"Send file\" \"\""), QStringLiteral("path ") + path,
                              QStringLiteral("buttons off"), QStringLiteral("clear list"),
                              QStringLiteral("buttons on"),
                              QStringLiteral("message LONGFILENAME.dat will be stored on the stick as LONGFILE.dat: "
                                             "the stick keeps at most 8 characters before the point and 8 after it."),
                              QStringLiteral("buttons off"), QStringLiteral("range 100"), QStringLiteral("position 0"),
                              QStringLiteral("step 1"), QStringLiteral("advance"), QStringLiteral("advance"),
                              QStringLiteral("position 0"), QStringLiteral("buttons off"),
                              QStringLiteral("clear list")}));
        QCOMPARE(s.panel.events.last(), QStringLiteral("buttons on"));
    }

    // What the stick calls a computer file, and a file of that name already there.
    void writeNamesTheFileOnTheStick_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("onStick"); // a file there before, or none
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<QString>("stored"); // where the new bytes are, or none
        const auto cut = [](const char *from, const char *to) {
            return QStringLiteral("message %1 will be stored on the stick as %2: the stick keeps at most 8 characters "
                                  "before the point and 8 after it.")
                .arg(QLatin1String(from), QLatin1String(to));
        };
        const auto ask = [](const char *name) {
            return QStringLiteral("ask %1 is already on the stick. Replace it?").arg(QLatin1String(name));
        };
        QTest::newRow("8 and 8 fit") << "ABCDEFGH.12345678" << "" << true << QStringList() << "ABCDEFGH.12345678";
        QTest::newRow("name of 9") << "showfile1.tzk" << "" << true
                                   << QStringList{cut("showfile1.tzk", "showfile.tzk")} << "showfile.tzk";
        QTest::newRow("extension of 9") << "a.123456789" << "" << true << QStringList{cut("a.123456789", "a.12345678")}
                                        << "a.12345678";
        QTest::newRow("no point: all name") << "README" << "" << true << QStringList() << "README";
        QTest::newRow("the second of two cut names, replaced")
            << "showfile2.tzk" << "showfile.tzk" << true
            << QStringList{cut("showfile2.tzk", "showfile.tzk"), ask("showfile.tzk")} << "showfile.tzk";
        QTest::newRow("listed in other case, kept") << "show.tzk" << "SHOW.TZK" << false
                                                    << QStringList{ask("SHOW.TZK")} << "";
        QTest::newRow("a name alone matches no extension") << "SHOW" << "SHOW.TZK" << true << QStringList() << "SHOW";
    }

    void writeNamesTheFileOnTheStick()
    {
        QFETCH(QString, file);
        QFETCH(QString, onStick);
        QFETCH(bool, replace);
        QFETCH(QStringList, told);
        QFETCH(QString, stored);
        Session s;
        if (!onStick.isEmpty())
            s.putOnStick(onStick, QByteArray("old"));
        const QString path = s.sim.path(file);
        QVERIFY(testsupport::writeAll(path, pattern(600)));
        s.panel.chosenPaths << path;
        s.panel.replace = replace;
        QCOMPARE(s.commands.writeFile().ok(), !stored.isEmpty());
        QCOMPARE(s.panel.events.filter(QRegularExpression(QStringLiteral("^(message|ask) "))), told);
        if (!stored.isEmpty())
            QCOMPARE(testsupport::readAll(s.sim.stickFile(stored)), pattern(600));
        if (!onStick.isEmpty() && stored != onStick)
            QCOMPARE(testsupport::readAll(s.sim.stickFile(onStick)), QByteArray("old"));
        // Kept: the listing went, and nothing after it.
        QCOMPARE(s.sim.writes().size(), stored.isEmpty() ? 1 : 5);
        QVERIFY(s.panel.buttonsEnabled);
    }

    void writeOfAFileWithoutANameSendsNothing()
    {
        Session s;
        const QString path = s.sim.path(QStringLiteral(".tzk"));
        QVERIFY(testsupport::writeAll(path, QByteArray("abc")));
        s.panel.chosenPaths << path;
        const Outcome result = s.commands.writeFile();
        QVERIFY(!result.ok());
        QCOMPARE(s.panel.messages(),
                 QStringList{QStringLiteral("message .tzk cannot go to the stick: the stick keeps a file by the name "
                                            "before its last point, and here that is empty. Rename the file first!")});
        QCOMPARE(s.sim.count(QStringLiteral("FT_")), 0);
        QVERIFY(s.panel.buttonsEnabled);
    }

    // Without the listing nobody knows what the write would replace.
    void writeAfterAFailedListingSendsNothing()
    {
        Session s;
        const QString path = s.sim.path(QStringLiteral("SHOW.DAT"));
        QVERIFY(testsupport::writeAll(path, pattern(20)));
        s.panel.chosenPaths << path;
        s.sim.setFaults("short@1"); // the first write on every opened handle
        QVERIFY(!s.commands.writeFile().ok());
        QCOMPARE(s.sim.count(QStringLiteral("FT_Write")), 1);
        QCOMPARE(s.panel.messages(),
                 QStringList{QStringLiteral("message SHOW.DAT was not written: the stick did not take the listing "
                                            "command, so it is not known whether the stick holds a file of that "
                                            "name already!")});
        QVERIFY(s.panel.buttonsEnabled);
    }

    void writeRefusedSendsNoDataButRefreshes()
    {
        Session s;
        const QString path = s.sim.path(QStringLiteral("SHOW.DAT"));
        QVERIFY(testsupport::writeAll(path, pattern(700)));
        // Taken by the listing as an empty stick, by the write as a negative number.
        s.sim.setStickReply("80000000");
        QVERIFY(!s.commands.writeFile().ok());
        s.panel.chosenPaths << path;
        QVERIFY(!s.commands.writeFile().ok());
        const QList<QByteArray> writes = s.sim.writes();
        QCOMPARE(writes.size(), 3);
        QCOMPARE(writes[0], DirectoryBlock);
        QCOMPARE(writes[2], DirectoryBlock);
        QVERIFY(s.panel.events.filter(QStringLiteral("advance")).isEmpty());
        QVERIFY(s.panel.buttonsEnabled);
    }

    void writeStopsAtTheFirstFailedBlock()
    {
        Session s;
        const QString path = s.sim.path(QStringLiteral("BIG.DAT"));
        QVERIFY(testsupport::writeAll(path, pattern(2000)));
        s.panel.chosenPaths << path;
        s.sim.setFaults("write@3"); // on the write's handle: the block, the first 510 bytes, then this
        QVERIFY(!s.commands.writeFile().ok());
        const QStringList writes = s.sim.calls().filter(QStringLiteral("FT_Write"));
        QCOMPARE(writes, (QStringList{QStringLiteral("FT_Write dev0 29 = 0 29"),
                                      QStringLiteral("FT_Write dev0 29 = 0 29"),
                                      QStringLiteral("FT_Write dev0 510 = 0 510"),
                                      QStringLiteral("FT_Write dev0 510 = 4 0"),
                                      QStringLiteral("FT_Write dev0 29 = 0 29")}));
        QCOMPARE(s.panel.events.filter(QStringLiteral("advance")).size(), 1);
        QVERIFY(!QFile::exists(s.sim.stickFile(QStringLiteral("BIG.DAT"))));
    }

    void writeWhoseBlockGoesOnlyHalfThroughStillLists()
    {
        Session s;
        const QString path = s.sim.path(QStringLiteral("SHOW.DAT"));
        QVERIFY(testsupport::writeAll(path, pattern(600)));
        s.panel.chosenPaths << path;
        // On the write's handle: the command block, then the first data block goes half way.
        s.sim.setFaults("short@2");
        QVERIFY(!s.commands.writeFile().ok());
        // No data follows the failed block; the stick is there, so it is listed again.
        QCOMPARE(s.sim.calls().filter(QStringLiteral("FT_Write")),
                 (QStringList{QStringLiteral("FT_Write dev0 29 = 0 29"), QStringLiteral("FT_Write dev0 29 = 0 29"),
                              QStringLiteral("FT_Write dev0 510 = 0 255"),
                              QStringLiteral("FT_Write dev0 29 = 0 29")}));
        QCOMPARE(s.sim.writes().last(), DirectoryBlock);
        QCOMPARE(s.panel.events.filter(QStringLiteral("advance")).size(), 0);
        QCOMPARE(s.panel.events.last(), QStringLiteral("buttons on"));
        QVERIFY(s.panel.buttonsEnabled);
    }

    void writeOfAFileTooLargeForTheStickSendsNothing()
    {
        Session s;
        const QString path = s.sim.path(QStringLiteral("HUGE.BIN"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY2(f.resize(qint64(0x80000000)), "a sparse file of 2 GiB");
        f.close();
        s.panel.chosenPaths << path;
        QVERIFY(!s.commands.writeFile().ok());
        QCOMPARE(s.panel.messages(), QStringList{QStringLiteral("message File is too large for the stick!")});
        QCOMPARE(s.sim.count(QStringLiteral("FT_")), 0);
    }

    void readOf600BytesTakesThreeBlocks()
    {
        Session s;
        const QByteArray content = pattern(600);
        s.putOnStick(QStringLiteral("SHOW1.DAT"), content);
        s.panel.selected = QStringLiteral("SHOW1.DAT");
        const QString out = s.sim.path(QStringLiteral("copy.dat"));
        s.panel.chosenPaths << out;
        QVERIFY(s.commands.readFile().ok());

        QCOMPARE(s.sim.writes(),
                 QList<QByteArray>{hex("12 a2 4441540000000000 53484f5731000000 01 00000000000000000000")});
        QCOMPARE(afterOpen(s.sim.calls()),
                 (QStringList{QStringLiteral("FT_Write dev0 29 = 0 29"),
                              QStringLiteral("FT_SetRts dev0 = 0"), QStringLiteral("FT_Read dev0 4 = 0 4"),
                              QStringLiteral("FT_ClrRts dev0 = 0"),
                              QStringLiteral("FT_SetRts dev0 = 0"), QStringLiteral("FT_Read dev0 256 = 0 256"),
                              QStringLiteral("FT_ClrRts dev0 = 0"),
                              QStringLiteral("FT_SetRts dev0 = 0"), QStringLiteral("FT_Read dev0 256 = 0 256"),
                              QStringLiteral("FT_ClrRts dev0 = 0"),
                              QStringLiteral("FT_SetRts dev0 = 0"), QStringLiteral("FT_Read dev0 256 = 0 88"),
                              QStringLiteral("FT_ClrRts dev0 = 0")}));
        QCOMPARE(s.sim.reads().first(), hex("00000258"));
        QCOMPARE(testsupport::readAll(out), content);
        QCOMPARE(s.panel.events,
                 (QStringList{QStringLiteral("choose save \"Send file\" \"SHOW1.DAT\""), QStringLiteral("buttons off"),
                              QStringLiteral("path ") + out, QStringLiteral("range 600"), QStringLiteral("position 0"),
                              QStringLiteral("step 256"), QStringLiteral("advance"), QStringLiteral("advance"),
                              QStringLiteral("position 0"), QStringLiteral("buttons on")}));
    }

    void readWhoseDataEndsEarlyKeepsTheOldFileAndWhatCame_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("faults");
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("reads");
        QTest::addColumn<QString>("message");
        // Announces 1,024 bytes; 600 come, the last read after its timeout.
        QTest::newRow("short data") << QByteArray("00000400") << QByteArray() << 600 << 4
                                    << "message Read is incomplete: 600 of 1024 bytes received! copy.dat is "
                                       "unchanged; the 600 bytes that arrived are kept in copy.dat.partial!";
        // The reply is read 1; read 3 fails.
        QTest::newRow("failed read") << QByteArray() << QByteArray("read@3") << 256 << 3
                                     << "message Read is incomplete: 256 of 600 bytes received! copy.dat is "
                                        "unchanged; the 256 bytes that arrived are kept in copy.dat.partial!";
    }

    void readWhoseDataEndsEarlyKeepsTheOldFileAndWhatCame()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, faults);
        QFETCH(int, kept);
        QFETCH(int, reads);
        QFETCH(QString, message);
        Session s;
        const QByteArray content = pattern(600);
        s.putOnStick(QStringLiteral("SHOW1.DAT"), content);
        if (!reply.isEmpty())
            s.sim.setStickReply(reply);
        s.sim.setFaults(faults);
        s.panel.selected = QStringLiteral("SHOW1.DAT");
        const QString out = s.sim.path(QStringLiteral("copy.dat"));
        QVERIFY(testsupport::writeAll(out, QByteArray("the good copy")));
        s.panel.chosenPaths << out;
        QVERIFY(!s.commands.readFile().ok());
        // A part is no copy: the good local file stays, the part lies beside it.
        QCOMPARE(testsupport::readAll(out), QByteArray("the good copy"));
        QCOMPARE(testsupport::readAll(out + QStringLiteral(".partial")), content.left(kept));
        QCOMPARE(s.panel.messages(), QStringList{message});
        QCOMPARE(s.sim.count(QStringLiteral("FT_Read")), reads);
        QVERIFY(s.panel.buttonsEnabled);
    }

    void readKeepsNoPaddingPastTheAnnouncedLength()
    {
        Session s;
        const QByteArray content = pattern(600);
        s.putOnStick(QStringLiteral("SHOW1.DAT"), content);
        s.sim.setStickPadding(true); // the stick fills its last block up to 256 bytes
        s.panel.selected = QStringLiteral("SHOW1.DAT");
        const QString out = s.sim.path(QStringLiteral("copy.dat"));
        s.panel.chosenPaths << out;
        QVERIFY(s.commands.readFile().ok());
        QCOMPARE(s.sim.calls().filter(QStringLiteral("FT_Read dev0 256")).size(), 3);
        QCOMPARE(testsupport::readAll(out), content);
    }

    void refusedReadLeavesAnExistingFileAlone()
    {
        Session s;
        s.panel.selected = QStringLiteral("MISSING.DAT"); // answered with ff ff ff ff
        const QString out = s.sim.path(QStringLiteral("keep.dat"));
        QVERIFY(testsupport::writeAll(out, QByteArray("precious")));
        s.panel.chosenPaths << out;
        QVERIFY(!s.commands.readFile().ok());
        QCOMPARE(testsupport::readAll(out), QByteArray("precious"));
        QCOMPARE(s.sim.count(QStringLiteral("FT_Read")), 1);
        QVERIFY(s.panel.messages().isEmpty());
        QCOMPARE(QDir(s.sim.folder()).entryList(QDir::Files), (QStringList{QStringLiteral("journal.txt"),
                                                                          QStringLiteral("keep.dat")}));
    }

    void readReplacesAnExistingFileWhole()
    {
        Session s;
        s.putOnStick(QStringLiteral("S.DAT"), QByteArray("new"));
        s.panel.selected = QStringLiteral("S.DAT");
        const QString out = s.sim.path(QStringLiteral("old.dat"));
        QVERIFY(testsupport::writeAll(out, QByteArray(5000, 'o')));
        s.panel.chosenPaths << out;
        QVERIFY(s.commands.readFile().ok());
        QCOMPARE(testsupport::readAll(out), QByteArray("new"));
    }

    void noDeviceIsReportedOnceByEveryCommand_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("Dirtory") << 0;
        QTest::newRow("Read") << 1;
        QTest::newRow("Writ") << 2;
        QTest::newRow("DEL") << 3;
        QTest::newRow("Format") << 4;
    }

    void noDeviceIsReportedOnceByEveryCommand()
    {
        QFETCH(int, command);
        Session s;
        s.sim.setDevices("");
        const QString file = s.sim.path(QStringLiteral("local.dat"));
        QVERIFY(testsupport::writeAll(file, QByteArray("local")));
        s.panel.selected = QStringLiteral("SHOW1.DAT");
        s.panel.chosenPaths << file;
        Outcome result;
        switch (command) {
        case 0: result = s.commands.listFiles(); break;
        case 1: result = s.commands.readFile(); break;
        case 2: result = s.commands.writeFile(); break;
        case 3: result = s.commands.deleteFile(); break;
        default: result = s.commands.formatStick(); break;
        }
        QVERIFY(!result.ok());
        QCOMPARE(s.toolMessages(), QStringList{NoDevice});
        QCOMPARE(s.sim.count(QStringLiteral("FT_Write - ")), 1);
        QCOMPARE(s.sim.count(QStringLiteral("FT_Read")), 0);
        QCOMPARE(testsupport::readAll(file), QByteArray("local"));
        QVERIFY(s.panel.buttonsEnabled);
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {0, 1, 255, 256, 257, 509, 510, 511, 100000})
            QTest::addRow("%d bytes", size) << size;
    }

    void roundTrip()
    {
        QFETCH(int, size);
        Session s;
        const QString source = s.sim.path(QStringLiteral("rt%1.tzk").arg(size));
        const QByteArray content = pattern(size, size);
        QVERIFY(testsupport::writeAll(source, content));
        s.panel.chosenPaths << source;
        QVERIFY(s.commands.writeFile().ok());
        QCOMPARE(s.sim.writes().size(), 3 + (size + 509) / 510); // listing, block, data, listing

        QVERIFY(s.commands.listFiles().ok());
        const QString listed = QStringLiteral("rt%1.tzk").arg(size);
        QCOMPARE(s.panel.items, QStringList{listed});

        s.panel.selected = listed;
        const QString copy = s.sim.path(QStringLiteral("back.tzk"));
        s.panel.chosenPaths << copy;
        QVERIFY(s.commands.readFile().ok());
        QCOMPARE(QFileInfo(copy).size(), qint64(size));
        QVERIFY(testsupport::readAll(copy) == content);
        QVERIFY(s.panel.messages().isEmpty());
        QVERIFY(s.toolMessages().isEmpty());
    }

    void roundTripWithALibraryLackingGetStatus()
    {
        Session s(ZELVAR71_D2XX_SIM_NOSTATUS);
        QCOMPARE(s.toolMessages(), QStringList{QStringLiteral("Error:Can't Find FT_GetStatus")});
        const QString source = s.sim.path(QStringLiteral("A.B"));
        const QByteArray content = pattern(777);
        QVERIFY(testsupport::writeAll(source, content));
        s.panel.chosenPaths << source;
        QVERIFY(s.commands.writeFile().ok());
        QCOMPARE(s.panel.items, QStringList{QStringLiteral("A.B")});
        s.panel.selected = QStringLiteral("A.B");
        s.panel.chosenPaths << s.sim.path(QStringLiteral("copy"));
        QVERIFY(s.commands.readFile().ok());
        QCOMPARE(testsupport::readAll(s.sim.path(QStringLiteral("copy"))), content);
        s.panel.selected = QStringLiteral("A.B");
        QVERIFY(s.commands.deleteFile().ok());
        QVERIFY(s.panel.items.isEmpty());
        QCOMPARE(s.toolMessages().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestStickCommands)
#include "tst_stickcommands.moc"
