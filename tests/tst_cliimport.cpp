// zelvar71-cli import run as a user runs it: the mode listing, one mode written as a
// profile, a folder of definitions converted with its summary, refusals and exit statuses.
#include "clirun.h"
#include "qxfsamples.h"
#include "testsupport.h"

#include "fixture/zfffile.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvar;

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run cli(const QStringList &args)
{
    const CliRun r = runCli(QStringList(QStringLiteral("import")) + args);
    return Run{r.exitCode, QString::fromUtf8(r.out), QString::fromUtf8(r.err)};
}

} // namespace

class TestCliImport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_head;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("library/Acme")));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("library/Beta")));
        m_head = path(QStringLiteral("library/Acme/Acme-Spot-300.qxf"));
        QVERIFY(testsupport::writeAll(m_head, qxfsamples::movingHead()));
        QVERIFY(testsupport::writeAll(path(QStringLiteral("library/Acme/Acme-Dimmer-Pack.qxf")), qxfsamples::dimmer()));
        QVERIFY(testsupport::writeAll(path(QStringLiteral("library/Beta/Beta-LED-Bar.qxf")), qxfsamples::rgbBar()));
        QVERIFY(testsupport::writeAll(path(QStringLiteral("library/Beta/broken.qxf")), qxfsamples::broken()));
        QVERIFY(testsupport::writeAll(path(QStringLiteral("library/Beta/nomodes.qxf")), qxfsamples::withoutModes()));
    }

    void listsModes()
    {
        const Run r = cli({m_head});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("Acme Spot 300 Profile Deluxe (Moving Head): 2 modes\n"
                                       "  \"Standard\"  16 channels\n"
                                       "  \"Extended\"  17 channels  cannot be imported: 17 channels; a profile "
                                       "holds at most 16\n"));
        QCOMPARE(r.err, QString());
    }

    void writesOneMode()
    {
        const QString target = path(QStringLiteral("spot"));
        const Run r = cli({m_head, QStringLiteral("--mode"), QStringLiteral("standard"), QStringLiteral("-o"), target});
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split(QLatin1Char('\n'));
        QCOMPARE(lines.at(0), QStringLiteral("wrote %1.zff: \"Spot 300 Standard\", 16 channels").arg(target));
        QCOMPARE(lines.at(1), QStringLiteral("  Chan 1  Pan -> Pan (Fade, 1 step)"));
        QCOMPARE(lines.at(7), QStringLiteral("  Chan 7  Shutter -> Shutter (Snap Before, 3 steps)"));
        QCOMPARE(lines.at(16), QStringLiteral("  Chan 16  Control -> Function (Snap Before, 2 steps)"));
        QCOMPARE(r.err, QStringLiteral("zelvar71-cli: warning: Physical data (lamp, size, weight, lens, power) is not "
                                       "kept.\n"
                                       "zelvar71-cli: warning: The colours and pictures of 5 capabilities are not "
                                       "kept.\n"
                                       "zelvar71-cli: warning: Default values are not kept: Chan 1 at 128, Chan 3 at "
                                       "128.\n"));
        const QByteArray bytes = testsupport::readAll(target + QStringLiteral(".zff"));
        QCOMPARE(bytes.size(), 91 + 11 * 32);
        QCOMPARE(bytes.mid(4, 2), testsupport::hex("00 00"));
        QCOMPARE(bytes.mid(16, 27), testsupport::hex("10") + testsupport::padded("Spot 300 Standard", 18)
                                        + testsupport::hex("07 0f 20 00 01 02 03 04"));
    }

    void refusesModes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("firstError"); // how stderr begins
        QTest::newRow("no such mode") << QStringList{"--mode", "Nope", "-o", "x.zff"} << 1
                                      << QStringLiteral("zelvar71-cli: the definition has no mode \"Nope\"");
        QTest::newRow("17 channels") << QStringList{"--mode", "Extended", "-o", "x.zff"} << 1
                                     << QStringLiteral("zelvar71-cli: mode \"Extended\" cannot be imported: 17 "
                                                       "channels; a profile holds at most 16");
        QTest::newRow("no mode chosen") << QStringList{"-o", "x.zff"} << 2
                                        << QStringLiteral("usage: zelvar71-cli import FILE.qxf ");
        QTest::newRow("no target") << QStringList{"--mode", "Standard"} << 2
                                   << QStringLiteral("usage: zelvar71-cli import FILE.qxf ");
        QTest::newRow("unknown option") << QStringList{"--fast"} << 2
                                        << QStringLiteral("zelvar71-cli: unknown option --fast");
    }
    void refusesModes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, firstError);
        const Run r = cli(QStringList{m_head} + args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.startsWith(firstError), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(QStringLiteral("x.zff")));
    }

    void refusesFiles()
    {
        const Run broken = cli({path(QStringLiteral("library/Beta/broken.qxf"))});
        QCOMPARE(broken.exitCode, 1);
        QCOMPARE(broken.err, QStringLiteral("zelvar71-cli: broken.qxf: not well-formed XML at line 5, column 1: "
                                            "Premature end of document.\n"));
        const Run none = cli({path(QStringLiteral("library/Beta/nomodes.qxf"))});
        QCOMPARE(none.exitCode, 0);
        QCOMPARE(none.out, QStringLiteral("Acme No Mode (Other): 0 modes\n"));
        QCOMPARE(cli({}).exitCode, 2);
    }

    void convertsAFolder()
    {
        const QString out = path(QStringLiteral("out"));
        const Run r = cli({QStringLiteral("--all"), path(QStringLiteral("library")), QStringLiteral("-o"), out});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("Definitions: 5 (unreadable: 1, without modes: 1)\n"
                                       "Modes: 5\n"
                                       "  converted: 4 (warnings: 8)\n"
                                       "  not converted, more than 16 channels: 1\n"
                                       "profiles in %1\n")
                            .arg(out));
        QVERIFY(r.err.startsWith(QStringLiteral("zelvar71-cli: unreadable: %1: broken.qxf: not well-formed XML")
                                     .arg(path(QStringLiteral("library/Beta/broken.qxf")))));
        QStringList written;
        QDirIterator it(out, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            written << QDir(out).relativeFilePath(it.next());
        written.sort();
        QCOMPARE(written, QStringList({"Acme/Dimmer_Pack-1_Channel.zff", "Acme/Spot_300_Profile_Deluxe-Standard.zff",
                                       "Beta/LED_Bar_2-3_Channel.zff", "Beta/LED_Bar_2-6_Channel.zff"}));
    }

    void folderUsage()
    {
        QCOMPARE(cli({QStringLiteral("--all"), path(QStringLiteral("library"))}).exitCode, 2);
        const Run missing = cli({QStringLiteral("--all"), path(QStringLiteral("none")), QStringLiteral("-o"),
                                 path(QStringLiteral("o2"))});
        QCOMPARE(missing.exitCode, 1);
        QCOMPARE(missing.err, QStringLiteral("zelvar71-cli: %1 is not a folder\n").arg(path(QStringLiteral("none"))));
    }
};

QTEST_GUILESS_MAIN(TestCliImport)
#include "tst_cliimport.moc"
