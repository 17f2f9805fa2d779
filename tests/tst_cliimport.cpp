// zelvar71-cli import run as a user runs it: the mode listing, one mode written as a
// profile naming its channels from the table in --names, which grows, a folder of QLC+
// definitions and GDTF fixture types converted with its table, report and summary,
// progress on a terminal only, the library modes found by their channels, refusals and
// exit statuses.
#include "clirun.h"
#include "gdtfsamples.h"
#include "pseudoterminal.h"
#include "qxfsamples.h"
#include "testsupport.h"

#include "channames/channelnamefiles.h"
#include "fixture/zfffile.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
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
    QString m_gdtf;

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
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("library/Gamma")));
        m_gdtf = path(QStringLiteral("library/Gamma/Acme@Spot_300.gdtf"));
        QVERIFY(testsupport::writeAll(m_gdtf, gdtfsamples::gdtf(gdtfsamples::spotDescription())));
        QVERIFY(testsupport::writeAll(path(QStringLiteral("library/Gamma/broken.gdtf")), qxfsamples::dimmer()));
        // A user's table that a failed import must leave as it is.
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("names-kept")));
        ChannelNameTable kept;
        kept.LoadDefaultNames();
        kept.setName(59, QStringLiteral("Laser"));
        QVERIFY(SaveChannelNames(path(QStringLiteral("names-kept")), kept));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("afolder.zff")));
        QVERIFY(testsupport::writeAll(path(QStringLiteral("scanner.qxf")), qxfsamples::scanner()));
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
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("names-spot")));
        const QString names = path(QStringLiteral("names-spot"));
        const Run r = cli({m_head, QStringLiteral("--mode"), QStringLiteral("standard"), QStringLiteral("-o"), target,
                           QStringLiteral("--names"), names});
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
        // Every name is built in: the names folder is left as it was.
        QCOMPARE(QDir(names).entryList(QDir::Files), QStringList());
    }

    // A channel whose function has no built-in name takes a free entry of the table in
    // --names, and both name files there are written before the profile.
    void growsTheNamesTable()
    {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("names-scan")));
        const QString names = path(QStringLiteral("names-scan"));
        const QString scanner = path(QStringLiteral("scanner.qxf"));
        QVERIFY(testsupport::writeAll(scanner, qxfsamples::scanner()));
        const QStringList args{scanner, QStringLiteral("--mode"), QStringLiteral("7 Channel"), QStringLiteral("-o"),
                               path(QStringLiteral("scan.zff")), QStringLiteral("--names"), names};
        const Run r = cli(args);
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split(QLatin1Char('\n'));
        QCOMPARE(lines.at(6), QStringLiteral("  Chan 6  Dimmer fine -> Dim Fine (Fade, 1 step, name added)"));
        QCOMPARE(lines.at(8), QStringLiteral("added to the channel names in %1: Dim Fine").arg(names));
        QCOMPARE(testsupport::readAll(path(QStringLiteral("scan.zff"))).mid(43 + 5 * 3, 1), testsupport::hex("3b"));
        const QByteArray set = testsupport::readAll(names + QStringLiteral("/ChNameSet.fix"));
        QCOMPARE(set.size(), 2560);
        QCOMPARE(set.mid(58 * 10, 20), testsupport::hex("3a 3a") + "Not Used" + testsupport::hex("3b 3b") + "Dim Fine");
        QCOMPARE(set.mid(60 * 10), QByteArray(196 * 10, '\0'));
        const QByteArray down = testsupport::readAll(names + QStringLiteral("/ChNameDown.fix"));
        QCOMPARE(down.size(), 2048);
        QCOMPARE(down.mid(59 * 8, 8), QByteArray("Dim Fine"));

        // Again: the name is found in the table, nothing is added, the files stay.
        const Run again = cli(args);
        QCOMPARE(again.exitCode, 0);
        QVERIFY(!again.out.contains(QStringLiteral("added")));
        QCOMPARE(testsupport::readAll(names + QStringLiteral("/ChNameSet.fix")), set);
    }

    // A table that cannot be read is not written over, and no profile is written without it.
    void unreadableNamesTable()
    {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("names-bad/ChNameSet.fix")));
        const QString scanner = path(QStringLiteral("scanner.qxf"));
        QVERIFY(testsupport::writeAll(scanner, qxfsamples::scanner()));
        const Run r = cli({scanner, QStringLiteral("--mode"), QStringLiteral("7 Channel"), QStringLiteral("-o"),
                           path(QStringLiteral("bad.zff")), QStringLiteral("--names"),
                           path(QStringLiteral("names-bad"))});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, QStringLiteral("zelvar71-cli: ChNameSet.fix is a folder, not a file\n"));
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("bad.zff"))));
        QVERIFY(QFileInfo(path(QStringLiteral("names-bad/ChNameSet.fix"))).isDir());
    }

    void refusesModes_data()
    {
        QTest::addColumn<QStringList>("args"); // after the definition, the moving head unless "scanner" leads
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("firstError"); // how stderr begins
        QTest::newRow("no such mode") << QStringList{"--mode", "Nope", "-o", "x.zff"} << 1
                                      << QStringLiteral("zelvar71-cli: the definition has no mode \"Nope\"");
        QTest::newRow("17 channels") << QStringList{"--mode", "Extended", "-o", "x.zff"} << 1
                                     << QStringLiteral("zelvar71-cli: mode \"Extended\" cannot be imported: 17 "
                                                       "channels; a profile holds at most 16");
        QTest::newRow("no mode chosen") << QStringList{"-o", "x.zff"} << 2
                                        << QStringLiteral("usage: zelvar71-cli import FILE ");
        QTest::newRow("no target") << QStringList{"--mode", "Standard"} << 2
                                   << QStringLiteral("usage: zelvar71-cli import FILE ");
        QTest::newRow("unknown option") << QStringList{"--fast"} << 2
                                        << QStringLiteral("zelvar71-cli: unknown option --fast");
        QTest::newRow("names without a mode") << QStringList{"--names", "."} << 2
                                              << QStringLiteral("usage: zelvar71-cli import FILE ");
        QTest::newRow("names missing") << QStringList{"--mode", "Standard", "-o", "x.zff", "--names"} << 2
                                       << QStringLiteral("zelvar71-cli: --names needs a value");
        QTest::newRow("names not a folder")
            << QStringList{"--mode", "Standard", "-o", "x.zff", "--names", "/nonexistent/names"} << 1
            << QStringLiteral("zelvar71-cli: /nonexistent/names is not a folder");
        // The scanner's mode adds a name: neither it nor the profile is written when one of
        // them cannot be.
        const QString kept = path(QStringLiteral("names-kept"));
        QTest::newRow("the profile's folder missing")
            << QStringList{"scanner", "--mode", "7 Channel", "-o", "/nonexistent/x.zff", "--names", kept} << 1
            << QStringLiteral("zelvar71-cli: Cannot write x.zff: No such file or directory\n"
                              "zelvar71-cli: neither the profile nor the channel names it needs were written\n");
        QTest::newRow("a folder where the profile goes")
            << QStringList{"scanner", "--mode", "7 Channel", "-o", path(QStringLiteral("afolder.zff")), "--names", kept}
            << 1 << QStringLiteral("zelvar71-cli: afolder.zff is a folder, not a file\n");
    }
    void refusesModes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, firstError);
        const QString names = path(QStringLiteral("names-kept"));
        const QByteArray set = testsupport::readAll(names + QStringLiteral("/ChNameSet.fix"));
        const QByteArray down = testsupport::readAll(names + QStringLiteral("/ChNameDown.fix"));
        const QString source = args.value(0) == QLatin1String("scanner") ? path(args.takeFirst() + ".qxf") : m_head;
        const Run r = cli(QStringList{source} + args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.startsWith(firstError), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(QStringLiteral("x.zff")));
        QCOMPARE(testsupport::readAll(names + QStringLiteral("/ChNameSet.fix")), set);
        QCOMPARE(testsupport::readAll(names + QStringLiteral("/ChNameDown.fix")), down);
        QCOMPARE(QDir(names).entryList(QDir::Files), (QStringList{"ChNameDown.fix", "ChNameSet.fix"}));
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
        // A .gdtf that is no zip archive, and a zip archive under another name.
        const Run notZip = cli({path(QStringLiteral("library/Gamma/broken.gdtf"))});
        QCOMPARE(notZip.exitCode, 1);
        QCOMPARE(notZip.err, QStringLiteral("zelvar71-cli: broken.gdtf: it is not a zip archive, as a .gdtf file is\n"));
        const QString renamed = path(QStringLiteral("spot.zip"));
        QVERIFY(QFile::copy(m_gdtf, renamed));
        QCOMPARE(cli({renamed}).out.section(QLatin1Char('\n'), 0, 0),
                 QStringLiteral("Acme Spot 300 (Acme Spot 300 Profile): 4 modes"));
    }

    // A GDTF fixture type: its DMX modes, and one written as a profile with the name it
    // adds to the table in --names.
    void gdtfFile()
    {
        const Run listed = cli({m_gdtf});
        QCOMPARE(listed.exitCode, 0);
        QCOMPARE(listed.out, QStringLiteral("Acme Spot 300 (Acme Spot 300 Profile): 4 modes\n"
                                            "  \"Standard\"  14 channels\n"
                                            "  \"Extended\"  17 channels  cannot be imported: 17 channels; a profile "
                                            "holds at most 16\n"
                                            "  \"Two Breaks\"  1 channel  cannot be imported: its channel "
                                            "\"Beam_Zoom\" is on DMX break 2; a profile has one DMX address\n"
                                            "  \"Virtual\"  1 channel\n"));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("names-gdtf")));
        const QString names = path(QStringLiteral("names-gdtf"));
        const QString target = path(QStringLiteral("gdtf-spot.zff"));
        const Run r = cli({m_gdtf, QStringLiteral("--mode"), QStringLiteral("Standard"), QStringLiteral("-o"), target,
                           QStringLiteral("--names"), names});
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split(QLatin1Char('\n'));
        QCOMPARE(lines.at(0), QStringLiteral("wrote %1: \"Spot 300 Standard\", 14 channels").arg(target));
        QCOMPARE(lines.at(5), QStringLiteral("  Chan 5  Beam_Dimmer -> Dimmer (Fade, 2 steps)"));
        QCOMPARE(lines.at(10), QStringLiteral("  Chan 10  Beam_Gobo1Pos (fine) -> GRotFine (Fade, 1 step, name added)"));
        QCOMPARE(lines.at(15), QStringLiteral("added to the channel names in %1: GRotFine").arg(names));
        QVERIFY(r.err.startsWith(QStringLiteral("zelvar71-cli: warning: Physical data (emitters, filters, models, "
                                                "geometries) is not kept.\n")));
        const QByteArray bytes = testsupport::readAll(target);
        QCOMPARE(bytes.mid(16, 27), testsupport::hex("0e") + testsupport::padded("Spot 300 Standard", 18)
                                        + testsupport::hex("06 0f 10 00 01 02 03 04"));
        QCOMPARE(testsupport::readAll(names + QStringLiteral("/ChNameDown.fix")).mid(59 * 8, 8), QByteArray("GRotFine"));
    }

    // The whole folder: every mode into a profile, the grown table and the report beside
    // them, exit status 1 because one definition could not be read.
    void convertsAFolder()
    {
        const QString out = path(QStringLiteral("out"));
        const Run r = cli({QStringLiteral("--all"), path(QStringLiteral("library")), QStringLiteral("-o"), out});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QStringLiteral("Definitions: 7 (GDTF 2, QLC+ 5; unreadable: 2, without modes: 1)\n"
                                       "Modes: 9\n"
                                       "  converted: 6 (warnings: 17)\n"
                                       "  not converted, a second DMX break: 1\n"
                                       "  not converted, more than 16 channels: 2\n"
                                       "Channel names added to the table: 4 (entries 59 to 255 in use: 4 of 197)\n"
                                       "profiles, ChNameSet.fix, ChNameDown.fix and import-report.tsv in %1\n")
                            .arg(out));
        QCOMPARE(r.err, QStringLiteral("zelvar71-cli: unreadable: %1: broken.qxf: not well-formed XML at line 5, "
                                       "column 1: Premature end of document.\n"
                                       "zelvar71-cli: unreadable: %2: broken.gdtf: it is not a zip archive, as a .gdtf "
                                       "file is\n")
                            .arg(path(QStringLiteral("library/Beta/broken.qxf")),
                                 path(QStringLiteral("library/Gamma/broken.gdtf"))));
        QStringList written;
        QDirIterator it(out, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            written << QDir(out).relativeFilePath(it.next());
        written.sort();
        QCOMPARE(written, QStringList({"Acme/Dimmer_Pack-1_Channel.zff", "Acme/Spot_300-Standard.zff",
                                       "Acme/Spot_300-Virtual.zff", "Acme/Spot_300_Profile_Deluxe-Standard.zff",
                                       "Beta/LED_Bar_2-3_Channel.zff", "Beta/LED_Bar_2-6_Channel.zff",
                                       "ChNameDown.fix", "ChNameSet.fix", "import-report.tsv"}));
        QCOMPARE(testsupport::readAll(out + QStringLiteral("/import-report.tsv")),
                 QByteArray("source\tmode\tprofile\tnote\tkind\n"
                            "Acme/Acme-Dimmer-Pack.qxf\t1 Channel\tAcme/Dimmer_Pack-1_Channel.zff\t\tQLC+\n"
                            "Acme/Acme-Spot-300.qxf\tStandard\tAcme/Spot_300_Profile_Deluxe-Standard.zff\tPhysical "
                            "data (lamp, size, weight, lens, power) is not kept.; The colours and pictures of 5 "
                            "capabilities are not kept.; Default values are not kept: Chan 1 at 128, Chan 3 at 128."
                            "\tQLC+\n"
                            "Acme/Acme-Spot-300.qxf\tExtended\t\t17 channels; a profile holds at most 16\tQLC+\n"
                            "Beta/Beta-LED-Bar.qxf\t3 Channel\tBeta/LED_Bar_2-3_Channel.zff\tNo dimmer: the master "
                            "channels are the colour channels Chan 1, Chan 2, Chan 3.; No shutter with a closed "
                            "position and no single dimmer: black sets all channels to 0.\tQLC+\n"
                            "Beta/Beta-LED-Bar.qxf\t6 Channel\tBeta/LED_Bar_2-6_Channel.zff\tThe mode drives 2 heads; "
                            "the profile holds them as one fixture.; No dimmer: the master channels are the colour "
                            "channels Chan 1, Chan 2, Chan 3, Chan 4, Chan 5, Chan 6.; No shutter with a closed "
                            "position and no single dimmer: black sets all channels to 0.\tQLC+\n"
                            "Beta/broken.qxf\t\t\tbroken.qxf: not well-formed XML at line 5, column 1: Premature end "
                            "of document.\tQLC+\n"
                            "Beta/nomodes.qxf\t\t\tthe definition has no modes\tQLC+\n"
                            "Gamma/Acme@Spot_300.gdtf\tStandard\tAcme/Spot_300-Standard.zff\tPhysical data "
                            "(emitters, filters, models, geometries) is not kept.; 1 relation between channels "
                            "(multiply, override) is not kept.; Chan 8 \"Beam_Gobo1\": 1 function depends on the "
                            "value of another channel (ModeMaster); the profile cannot switch, so it is left out.; "
                            "Chan 9 \"Beam_Gobo1Pos\": the channel set \"Stop\" has no DMX value of its own at 8 bits; "
                            "it is dropped.; The pictures and colours of 5 wheel slots are not kept.\tGDTF\n"
                            "Gamma/Acme@Spot_300.gdtf\tExtended\t\t17 channels; a profile holds at most 16\tGDTF\n"
                            "Gamma/Acme@Spot_300.gdtf\tTwo Breaks\t\tits channel \"Beam_Zoom\" is on DMX break 2; a "
                            "profile has one DMX address\tGDTF\n"
                            "Gamma/Acme@Spot_300.gdtf\tVirtual\tAcme/Spot_300-Virtual.zff\tPhysical data (emitters, "
                            "filters, models, geometries) is not kept.; The virtual channel \"Beam_Dimmer\" has no "
                            "DMX address (Offset \"None\"); it is left out.; No dimmer or colour channel: no master "
                            "channel is set.; No shutter with a closed position and no single dimmer: black sets all "
                            "channels to 0.\tGDTF\n"
                            "Gamma/broken.gdtf\t\t\tbroken.gdtf: it is not a zip archive, as a .gdtf file is\tGDTF\n"));
        // The GDTF spot's fixture names give way to the QLC+ spot of the same manufacturer.
        QCOMPARE(testsupport::readAll(out + QStringLiteral("/Acme/Spot_300-Standard.zff")).mid(17, 18),
                 testsupport::padded("Spot 300 M1", 18));
        // The profiles refer to the table written beside them.
        ChannelNameFiles files;
        QVERIFY(ReadChannelNameFiles(out, files));
        const ChannelNameTable &names = files.table;
        QCOMPARE(withoutTrailingBlanks(names.entries[59].name.text()), QStringLiteral("Red 2"));
        QCOMPARE(testsupport::readAll(out + QStringLiteral("/Beta/LED_Bar_2-6_Channel.zff")).mid(43, 18),
                 testsupport::hex("0e 01 01 0f 01 01 10 01 01 3b 01 01 3c 01 01 3d 01 01"));
        QCOMPARE(testsupport::readAll(out + QStringLiteral("/ChNameDown.fix")).mid(59 * 8, 24),
                 QByteArray("Red 2   Green 2 Blue 2  "));
    }

    // The report's paths are relative to the library and output folders however they were
    // given: folders named relative to the working folder give the same report.
    void theReportIsTheSameForRelativeFolders()
    {
        QProcess relative;
        relative.setWorkingDirectory(m_dir.path());
        relative.start(QStringLiteral(ZELVAR71_CLI), {QStringLiteral("import"), QStringLiteral("--all"),
                                                       QStringLiteral("library"), QStringLiteral("-o"),
                                                       QStringLiteral("./reports/../out-relative")});
        QVERIFY(relative.waitForFinished(60000));
        QCOMPARE(relative.exitCode(), 1); // the broken definitions
        QCOMPARE(cli({QStringLiteral("--all"), path(QStringLiteral("library")), QStringLiteral("-o"),
                      path(QStringLiteral("out-absolute"))})
                     .exitCode,
                 1);
        const QByteArray report = testsupport::readAll(path(QStringLiteral("out-relative/import-report.tsv")));
        QCOMPARE(report.split('\n').value(1),
                 QByteArray("Acme/Acme-Dimmer-Pack.qxf\t1 Channel\tAcme/Dimmer_Pack-1_Channel.zff\t\tQLC+"));
        QCOMPARE(report, testsupport::readAll(path(QStringLiteral("out-absolute/import-report.tsv"))));
    }

    // --names gives the table to start from; every definition read gives exit status 0.
    void startsFromAGivenTable()
    {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("bars/Beta")));
        QVERIFY(QFile::copy(path(QStringLiteral("library/Beta/Beta-LED-Bar.qxf")),
                            path(QStringLiteral("bars/Beta/Beta-LED-Bar.qxf"))));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("start")));
        ChannelNameTable start;
        start.LoadDefaultNames();
        start.setName(59, QStringLiteral("Green 2"));
        start.setName(60, QStringLiteral("Laser"));
        QVERIFY(SaveChannelNames(path(QStringLiteral("start")), start));
        const QString out = path(QStringLiteral("bars-out"));
        const Run r = cli({QStringLiteral("--all"), path(QStringLiteral("bars")), QStringLiteral("-o"), out,
                           QStringLiteral("--names"), path(QStringLiteral("start"))});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QString());
        QVERIFY(r.out.contains(QStringLiteral("Channel names added to the table: 2 (entries 59 to 255 in use: 4 of "
                                              "197)\n")));
        QCOMPARE(testsupport::readAll(out + QStringLiteral("/ChNameDown.fix")).mid(59 * 8, 32),
                 QByteArray("Green 2 Laser   Red 2   Blue 2  "));
        QCOMPARE(testsupport::readAll(out + QStringLiteral("/Beta/LED_Bar_2-6_Channel.zff")).mid(43 + 9, 9),
                 testsupport::hex("3d 01 01 3b 01 01 3e 01 01"));
        // The starting table is only read.
        ChannelNameFiles after;
        QVERIFY(ReadChannelNameFiles(path(QStringLiteral("start")), after));
        QCOMPARE(after.table, start);
    }

    // On a terminal, one line of progress on stderr, rewritten in place; none otherwise
    // (convertsAFolder shows stderr without it).
    void progressOnATerminal()
    {
        PseudoTerminal terminal;
        QProcess p;
        p.setStandardErrorFile(terminal.devicePath());
        p.start(QStringLiteral(ZELVAR71_CLI), {QStringLiteral("import"), QStringLiteral("--all"),
                                                path(QStringLiteral("library")), QStringLiteral("-o"),
                                                path(QStringLiteral("out-terminal"))});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QTRY_VERIFY(terminal.received.contains("not well-formed XML"));
        const QByteArray shown = terminal.received;
        QVERIFY2(shown.startsWith("\rimporting: 0 of 7 definitions\rimporting: 1 of 7 definitions"), shown.constData());
        QVERIFY2(shown.contains("\rimporting: 7 of 7 definitions\n"), shown.constData());
        QCOMPARE(shown.count('\n'), 3);
    }

    // --find over the libraries the environment names: one line per mode, nearest first.
    void findsByChannels_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // "LIB" stands for the library folder
        QTest::addColumn<QString>("firstError");
        const QString bar = QStringLiteral("QLC+\tLIB/Beta/Beta-LED-Bar.qxf\t");
        const QString dimmer = QStringLiteral("QLC+\tLIB/Acme/Acme-Dimmer-Pack.qxf\t1 Channel\t");
        QTest::newRow("exact") << QStringList{"--find", "Red,Green,Blue"} << 0
                               << QStringLiteral("0\t") + bar + QStringLiteral("3 Channel\t\n") << QString();
        QTest::newRow("case and blanks aside") << QStringList{"--find", " red , GREEN,blue "} << 0
                                               << QStringLiteral("0\t") + bar + QStringLiteral("3 Channel\t\n")
                                               << QString();
        QTest::newRow("distance 3")
            << QStringList{"--find", "Red,Green,Blue", "--max-distance", "3"} << 0
            << QStringLiteral("0\t") + bar + QStringLiteral("3 Channel\t\n") + QStringLiteral("3\t") + dimmer
                   + QStringLiteral("Red missing; Green missing; Chan 1 Dimmer for Blue\n")
                   + QStringLiteral("3\tGDTF\tLIB/Gamma/Acme@Spot_300.gdtf\tVirtual\tRed missing; Green missing; "
                                    "Chan 1 Pan for Blue\n")
                   + QStringLiteral("3\t") + bar
                   + QStringLiteral("6 Channel\tChan 4 Red 2 extra; Chan 5 Green 2 extra; Chan 6 Blue 2 extra\n")
            << QString();
        QTest::newRow("a channel replaced, one missing")
            << QStringList{"--find", "Red,Amber,Blue,Green 2", "--max-distance", "2"} << 0
            << QStringLiteral("2\t") + bar + QStringLiteral("3 Channel\tChan 2 Green for Amber; Green 2 missing\n")
            << QString();
        QTest::newRow("distance 0, none") << QStringList{"--find", "Red,Green", "--max-distance", "0"} << 3 << QString()
                                          << QString();
        QTest::newRow("distance 4") << QStringList{"--find", "Red", "--max-distance", "4"} << 2 << QString()
                                    << QStringLiteral("zelvar71-cli: --max-distance takes 0 to 3, not 4\n");
        QTest::newRow("distance no number") << QStringList{"--find", "Red", "--max-distance", "two"} << 2 << QString()
                                            << QStringLiteral("zelvar71-cli: --max-distance takes 0 to 3, not two\n");
        QTest::newRow("empty name") << QStringList{"--find", "Red,,Blue"} << 2 << QString()
                                    << QStringLiteral("zelvar71-cli: --find takes the chart's channel names parted by "
                                                      "commas, none of them empty, not \"Red,,Blue\"\n");
        QTest::newRow("no chart") << QStringList{"--find"} << 2 << QString()
                                  << QStringLiteral("zelvar71-cli: --find needs a value\n");
        QTest::newRow("with a file") << QStringList{"--find", "Red", "x.qxf"} << 2 << QString()
                                     << QStringLiteral("zelvar71-cli: --find searches the libraries; it takes no "
                                                       "file, --all, --mode or -o\n");
        QTest::newRow("distance alone") << QStringList{"x.qxf", "--max-distance", "1"} << 2 << QString()
                                        << QStringLiteral("zelvar71-cli: --max-distance goes with --find\n");
    }
    void findsByChannels()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, firstError);
        const QString library = path(QStringLiteral("library"));
        qputenv("ZELVAR71_QLCPLUS_FIXTURES", QFile::encodeName(library));
        qputenv("ZELVAR71_GDTF_FIXTURES", QFile::encodeName(path(QStringLiteral("library/Gamma"))));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(path(QStringLiteral("cache"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("data"))));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("names-find")));
        const Run r = cli(QStringList{QStringLiteral("--names"), path(QStringLiteral("names-find"))} + args);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out, QString(out).replace(QStringLiteral("LIB"), library));
        if (firstError.isEmpty())
            QCOMPARE(r.err, QString());
        else
            QVERIFY2(r.err.startsWith(firstError), qPrintable(r.err));
        // Every search after the first reads the cache the first one left.
        QVERIFY(exitCode == 2 || QFileInfo::exists(path(QStringLiteral("cache/Zelvar71/channel-index"))));
    }

    // Libraries without a definition: no match, and stderr says where it looked.
    void findsInEmptyLibraries()
    {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("empty-gdtf")));
        qputenv("ZELVAR71_QLCPLUS_FIXTURES", "/nonexistent/qlcplus");
        qputenv("ZELVAR71_GDTF_FIXTURES", QFile::encodeName(path(QStringLiteral("empty-gdtf"))));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(path(QStringLiteral("cache-empty"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("data-empty"))));
        const Run r = cli({QStringLiteral("--find"), QStringLiteral("Dimmer"), QStringLiteral("--names"), m_dir.path()});
        QCOMPARE(r.exitCode, 3);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, QStringLiteral("zelvar71-cli: no fixture definition to search: No QLC+ fixture library is "
                                       "installed (Debian package qlcplus-data); GDTF: %1, %2\n")
                            .arg(path(QStringLiteral("data-empty/Zelvar71/gdtf")), path(QStringLiteral("empty-gdtf"))));
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
