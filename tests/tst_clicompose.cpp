// zelvar71-cli compose run as a user runs it: the set it writes, the names file beside the
// program or given with --names, the warnings, refusals and exit statuses.
#include "handmadezff.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include "clirun.h"
#include <QTemporaryDir>
#include <QtTest>

using testsupport::HandChannel;
using testsupport::HandZff;
using testsupport::hex;

namespace {

CliRun cli(const QStringList &args)
{
    return runCli(QStringList(QStringLiteral("compose")) + args);
}

QByteArray profile(const QByteArray &name)
{
    HandZff z;
    z.fixtureName = name;
    z.channelCount = 3;
    z.channels = {HandChannel{0, 1, {}, -1}, HandChannel{2, 1, {{"Slow", 0, 99, 49}, {"Fast", 100, 255, 177}}, -1},
                  HandChannel{6, 0, {}, -1}};
    return z.bytes();
}

QByteArray namesFile()
{
    QByteArray names(2048, ' ');
    names.replace(8 * 7, 8, QByteArray("Focus   "));
    return names;
}

} // namespace

class TestCliCompose : public QObject
{
    Q_OBJECT

private:
    testsupport::ScratchFolder m_dir;

    QString write(const QString &name, const QByteArray &bytes) { return m_dir.write(name, bytes); }
    QString file(const QString &name) const { return m_dir.file(name); }

private slots:
    void composesTheSet()
    {
        const QString a = write(QStringLiteral("a.zff"), profile("Alpha"));
        const QString b = write(QStringLiteral("b.zff"), profile("Bravo"));
        const QString names = write(QStringLiteral("names/ChNameDown.fix"), namesFile());
        const CliRun r = cli({QStringLiteral("-o"), file(QStringLiteral("set.tzk")), QStringLiteral("--names"), names, a, b});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.isEmpty(), r.err.constData());
        QVERIFY(r.out.contains("2 fixtures, 86529 bytes"));

        const QByteArray set = testsupport::readAll(file(QStringLiteral("set.tzk")));
        QCOMPARE(set.size(), 86529);
        QCOMPARE(set.left(14), QByteArray("ZELVAR71") + hex("01 52 00 00 50 00"));
        QCOMPARE(quint8(set[14080]), quint8(2));
        QCOMPARE(quint8(set[14082]), quint8(1));
        QCOMPARE(set.mid(14592, 56), QByteArray(56, '\0')); // names of blanks only stay zero
        QCOMPARE(set.mid(14592 + 56, 8), QByteArray("Focus\0\0\0", 8));
        QCOMPARE(set.mid(512 + 53, 53), testsupport::expectedSlot(profile("Alpha")));
        QCOMPARE(set.mid(512 + 106, 53), testsupport::expectedSlot(profile("Bravo")));
        QCOMPARE(set.mid(16896 + 16, 16), hex("00 02 06 00 00 00 00 00 00 00 00 00 00 00 00 00"));
        const QByteArray block = testsupport::expectedStepBlock(profile("Alpha"));
        QCOMPARE(block.size(), 16 + 22);
        QCOMPARE(set.mid(21504, block.size()), block);
        QCOMPARE(set.mid(21504 + block.size(), block.size()), testsupport::expectedStepBlock(profile("Bravo")));
    }

    void namesFileBesideTheProgram_data()
    {
        QTest::addColumn<int>("size"); // -1: no names file
        QTest::addColumn<bool>("written");
        QTest::newRow("2048 bytes") << 2048 << true;
        QTest::newRow("2047 bytes") << 2047 << false;
        QTest::newRow("missing") << -1 << false;
    }

    void namesFileBesideTheProgram()
    {
        QFETCH(int, size);
        QFETCH(bool, written);
        // A copy of the program in a folder of its own, to put a names file beside it.
        QTemporaryDir programs;
        const QString program = programs.filePath(QStringLiteral("zelvar71-cli"));
        QVERIFY(QFile::copy(QStringLiteral(ZELVAR71_CLI), program));
        const QString names = programs.filePath(QStringLiteral("ChNameDown.fix"));
        if (size >= 0)
            QVERIFY(testsupport::writeAll(names, namesFile().left(size)));

        const QString a = write(QStringLiteral("a.zff"), profile("Alpha"));
        const QString target = file(QStringLiteral("beside.tzk"));
        const CliRun r = runProgram(program, {QStringLiteral("compose"), QStringLiteral("-o"), target, a});
        QCOMPARE(r.exitCode, 0);
        const QByteArray set = testsupport::readAll(target);
        QCOMPARE(set.size(), 86529);
        QCOMPARE(quint8(set[14082]), quint8(written ? 1 : 0));
        QCOMPARE(set.mid(14592 + 56, 8), written ? QByteArray("Focus\0\0\0", 8) : QByteArray(8, '\0'));
        QCOMPARE(quint8(set[14080]), quint8(1));
        if (written) {
            QVERIFY(r.err.isEmpty());
        } else {
            QVERIFY2(r.err.contains("warning: ChNameDown.fix is error"), r.err.constData());
        }
        // The command only reads: a missing names file stays missing.
        QCOMPARE(QFile::exists(names), size >= 0);
    }

    void suffixAndReplacement()
    {
        const QString a = write(QStringLiteral("a.zff"), profile("Alpha"));
        const QString names = write(QStringLiteral("names/ChNameDown.fix"), namesFile());
        write(QStringLiteral("show.tzk"), QByteArray(100000, char(0xEE)));
        CliRun r = cli({QStringLiteral("-o"), file(QStringLiteral("show")), QStringLiteral("--names"), names, a});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(!QFile::exists(file(QStringLiteral("show"))));
        const QByteArray set = testsupport::readAll(file(QStringLiteral("show.tzk")));
        QCOMPARE(set.size(), 86529);
        QVERIFY(!set.contains(char(0xEE)));

        r = cli({QStringLiteral("-o"), file(QStringLiteral("CAPS.TZK")), QStringLiteral("--names"), names, a});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(QFile::exists(file(QStringLiteral("CAPS.TZK"))));
        QVERIFY(!QFile::exists(file(QStringLiteral("CAPS.TZK.tzk"))));
    }

    void refusals()
    {
        const QString a = write(QStringLiteral("a.zff"), profile("Alpha"));
        const QString names = write(QStringLiteral("names/ChNameDown.fix"), namesFile());
        const QString old = write(QStringLiteral("old.tzk"), "old set");
        const QString bad = write(QStringLiteral("bad.zff"), QByteArray(50, '\0'));

        CliRun r = cli({QStringLiteral("-o"), old, QStringLiteral("--names"), names, a, bad});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(bad.toUtf8()), r.err.constData());
        QVERIFY(r.err.contains("50 bytes long"));
        QCOMPARE(testsupport::readAll(old), QByteArray("old set"));

        // A profile carrying the duplicate-name flag, as the selection panel refuses it.
        HandZff twins;
        twins.duplicateFlag = 1;
        twins.channelCount = 2;
        twins.channels = {HandChannel{6, 1, {}, -1}, HandChannel{6, 0, {}, -1}};
        const QString flagged = write(QStringLiteral("twins.zff"), twins.bytes());
        r = cli({QStringLiteral("-o"), old, QStringLiteral("--names"), names, a, flagged});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(flagged.toUtf8() + ": Chan 1 and Chan 2 share one channel name"), r.err.constData());
        QVERIFY2(r.err.contains("nothing was written"), r.err.constData());
        QCOMPARE(testsupport::readAll(old), QByteArray("old set"));

        r = cli({QStringLiteral("-o"), old, QStringLiteral("--names"), names, file(QStringLiteral("none.zff"))});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("none.zff: the file does not exist"));
        QCOMPARE(testsupport::readAll(old), QByteArray("old set"));

        QStringList many{QStringLiteral("-o"), old, QStringLiteral("--names"), names};
        for (int i = 0; i < 256; ++i)
            many << a;
        r = cli(many);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("at most 255 fixtures"), r.err.constData());
        QCOMPARE(testsupport::readAll(old), QByteArray("old set"));

        r = cli({QStringLiteral("-o"), file(QStringLiteral("no/folder/x.tzk")), QStringLiteral("--names"), names, a});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(!r.err.isEmpty());
    }

    void usage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no output") << QStringList({"a.zff"});
        QTest::newRow("no fixtures") << QStringList({"-o", "x.tzk"});
        QTest::newRow("-o without a value") << QStringList({"a.zff", "-o"});
        QTest::newRow("unknown option") << QStringList({"-o", "x.tzk", "--fast", "a.zff"});
        QTest::newRow("names and no names") << QStringList({"-o", "x.tzk", "--names", "n.fix", "--no-names", "a.zff"});
    }

    void usage()
    {
        QFETCH(QStringList, args);
        const CliRun r = cli(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("usage: zelvar71-cli compose"));
        QVERIFY(r.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCliCompose)
#include "tst_clicompose.moc"
