// Every writer of the programs with its writes failing part-way, as on a full disk, and every
// reader given a pipe, a folder and a huge sparse file: the old files stay byte for byte, a
// reason is given, nothing is left beside them but a cut-short receive's bytes, and no read
// waits or fills the memory.
#include "filefaults.h"
#include "pseudoterminal.h"
#include "qxfsamples.h"
#include "testsupport.h"
#include "usbsimulator.h"

#include "channames/channelnamefiles.h"
#include "common/programfolder.h"
#include "common/recovery.h"
#include "downloadset/downloadsetfile.h"
#include "downloadset/downloadsetreader.h"
#include "fixture/zfffile.h"
#include "qxfimport/qxfdefinition.h"
#include "seriallink/filesender.h"
#include "seriallink/logtext.h"

#include <QDirIterator>
#include <QProcess>
#include <QtTest>

#include <fcntl.h>
#include <functional>
#include <future>
#include <sys/resource.h>
#include <thread>

using namespace zelvar;
using testsupport::readAll;

namespace {

// Writes past this many bytes of any file fail: less than any file a writer makes.
constexpr rlim_t WriteLimit = 64;

QByteArray pattern(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + i / 256);
    return bytes;
}

// Every file under `folder` with its bytes, by relative path.
QMap<QString, QByteArray> filesUnder(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), readAll(path));
    }
    return files;
}

FixtureProfile profileNamed(const char *name)
{
    FixtureProfile profile;
    ResetProfileValues(profile, 4, QString::fromLatin1(name));
    for (int k = 0; k < 4; ++k)
        profile.channels[size_t(k)].nameId = quint8(k); // a name of its own for each
    PrepareForSave(profile);
    return profile;
}

// What a writer said: whether it reported success, and its words.
struct Said
{
    bool ok = false;
    QString reason;
};

// A program of the project with writes limited as above; its error output is the reason.
Said cliUnderLimit(const QStringList &args, const std::function<void(QProcess &)> &whileRunning = {},
                   rlim_t limit = WriteLimit)
{
    QProcess p;
    testsupport::FileSizeLimit::applyTo(p, limit);
    p.start(QStringLiteral(ZELVAR71_CLI), args);
    if (!p.waitForStarted())
        return Said{false, QStringLiteral("(did not start)")};
    if (whileRunning)
        whileRunning(p);
    if (!p.waitForFinished(60000))
        p.kill();
    return Said{p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
                QString::fromLocal8Bit(p.readAllStandardError())};
}

// One writer: the old files it finds, how it runs, what a cut-short receive leaves.
struct Writer
{
    const char *name;
    std::function<void(const QString &dir)> prepare; // runs without the limit
    std::function<Said(const QString &dir)> write;    // runs with it
    QString partial = QString();
    rlim_t limit = WriteLimit;
};

void oldNames(const QString &dir)
{
    QDir().mkpath(dir);
    testsupport::writeAll(joinFolderPath(dir, channelNameSetFileName()), pattern(SetFileSize));
    testsupport::writeAll(joinFolderPath(dir, channelNameDownFileName()), pattern(DownFileSize));
}

Said said(const Outcome &o)
{
    return Said{o.ok(), o.reason()};
}

// The USB tool's command line against the simulated device `device`.
Said usbUnderLimit(const char *device, const QStringList &args, const char *stickFile = nullptr)
{
    testsupport::UsbSimulator sim;
    sim.setDevices(device);
    const QString in = sim.path(QStringLiteral("from-controller.bin"));
    testsupport::writeAll(stickFile ? sim.stickFile(QLatin1String(stickFile)) : in, pattern(1000));
    sim.setLinkFiles(sim.path(QStringLiteral("to-controller.bin")), in);
    return cliUnderLimit(args);
}

const std::vector<Writer> &writers()
{
    using D = const QString &;
    static const std::vector<Writer> all = {
        {"profile save", [](D dir) { testsupport::writeAll(dir + "/spot.zff", pattern(500)); },
         [](D dir) {
             const testsupport::FileSizeLimit full(WriteLimit);
             return said(WriteProfile(profileNamed("Spot"), dir + "/spot.zff"));
         }},
        {"both name files", [](D dir) { oldNames(dir); },
         [](D dir) {
             ChannelNameTable table;
             table.LoadDefaultNames();
             const testsupport::FileSizeLimit full(WriteLimit);
             return said(SaveChannelNames(dir, table));
         }},
        {"recovery file",
         [](D dir) {
             qputenv("XDG_DATA_HOME", QFile::encodeName(dir));
             QDir().mkpath(recoveryFolder());
             testsupport::writeAll(joinFolderPath(recoveryFolder(), "kind.recovery"), pattern(300));
         },
         [](D) {
             RecoveryWriter writer(QStringLiteral("kind.recovery"), [] { return std::optional(pattern(200)); });
             QSignalSpy failed(&writer, &RecoveryWriter::writeFailed);
             const testsupport::FileSizeLimit full(WriteLimit);
             writer.schedule();
             writer.flush();
             return Said{failed.isEmpty(), failed.isEmpty() ? QString() : failed.first().first().toString()};
         }},
        {"compose",
         [](D dir) {
             WriteProfile(profileNamed("Wash"), dir + "/wash.zff");
             testsupport::writeAll(dir + "/show.tzk", pattern(90000));
         },
         [](D dir) { return cliUnderLimit({"compose", "-o", dir + "/show.tzk", "--no-names", dir + "/wash.zff"}); }},
        {"extract over an earlier extract",
         [](D dir) {
             WriteProfile(profileNamed("Spot"), dir + "/spot.zff");
             ComposedSet set;
             ComposeDownloadSet({dir + "/spot.zff"}, QString(), set);
             testsupport::writeAll(dir + "/show.tzk", set.image);
             QDir().mkpath(dir + "/out");
             testsupport::writeAll(dir + "/out/001-Spot.zff", pattern(300));
         },
         [](D dir) { return cliUnderLimit({"tzk", "extract", dir + "/show.tzk", dir + "/out"}); }},
        {"one-mode import",
         [](D dir) {
             testsupport::writeAll(dir + "/scanner.qxf", qxfsamples::scanner());
             testsupport::writeAll(dir + "/scan.zff", pattern(400));
             oldNames(dir + "/names");
         },
         [](D dir) {
             return cliUnderLimit({"import", dir + "/scanner.qxf", "--mode", "7 Channel", "-o", dir + "/scan.zff",
                                   "--names", dir + "/names"});
         }},
        {"whole-library import",
         [](D dir) {
             QDir().mkpath(dir + "/lib");
             testsupport::writeAll(dir + "/lib/scanner.qxf", qxfsamples::scanner());
             oldNames(dir + "/out");
         },
         [](D dir) { return cliUnderLimit({"import", "--all", dir + "/lib", "-o", dir + "/out"}); }},
        {"names init", [](D dir) { oldNames(dir); },
         [](D dir) { return cliUnderLimit({"names", "init", dir, "--force"}); }},
        // The serial port's lock file is larger than the usual limit.
        {"serial receive", [](D dir) { testsupport::writeAll(dir + "/back.bin", pattern(100)); },
         [](D dir) {
             PseudoTerminal line;
             const auto send = [&](QProcess &p) {
                 QTRY_VERIFY_WITH_TIMEOUT(p.canReadLine(), 30000); // it listens
                 line.write(pattern(1000));
             };
             return cliUnderLimit({"receive", line.devicePath(), dir + "/back.bin", "--idle", "5"}, send, 512);
         },
         "back.bin.partial", 512},
        {"link receive", [](D dir) { testsupport::writeAll(dir + "/back.bin", pattern(100)); },
         [](D dir) { return usbUnderLimit("kzt_usb_dmx", {"link", "receive", dir + "/back.bin", "5"}); },
         "back.bin.partial"},
        {"stick read", [](D dir) { testsupport::writeAll(dir + "/SHOW1.DAT", pattern(100)); },
         [](D dir) {
             return usbUnderLimit("kzt_dmx20", {"stick", "read", "SHOW1.DAT", dir + "/SHOW1.DAT"}, "SHOW1.DAT");
         },
         "SHOW1.DAT.partial"},
    };
    return all;
}

// The kinds of thing that stand where a reader expects a file.
enum class Standing { Pipe, Folder, Huge };

// One reader: the file it reads, and whether it refuses it when called with its path (or
// with its folder, when the reader finds its file by name).
struct Reader
{
    const char *name;
    const char *fileName;
    bool byFolder;
    std::function<bool(const QString &)> refuses;
    bool sized = true; // false: streamed from the file, of any size
};

const std::vector<Reader> &readers()
{
    using P = const QString &;
    static const std::vector<Reader> all = {
        {"profile", "spot.zff", false, [](P path) { FixtureProfile p; return !ReadProfile(path, p); }},
        {"profile header", "spot.zff", false, [](P path) { ProfileHeader h; return !ReadProfileHeader(path, h); }},
        {"name set for the editor", "ChNameSet.fix", true,
         [](P folder) {
             ChannelNameTable t;
             return !ReadChannelNameSet(folder, t) && t.entries[0].name.bytes() == "Pan     "; // the built-in names
         }},
        {"name pair for a writer, the set file", "ChNameSet.fix", true,
         [](P folder) { ChannelNameFiles f; return !ReadChannelNameFiles(folder, f); }},
        {"name pair for a writer, the download file", "ChNameDown.fix", true,
         [](P folder) { ChannelNameFiles f; return !ReadChannelNameFiles(folder, f); }},
        {"name set under a Save", "ChNameSet.fix", true,
         [](P folder) { ChannelNameTable t; t.LoadDefaultNames(); return !SaveChannelNames(folder, t); }},
        {"names of a download set", "ChNameDown.fix", false,
         [](P path) {
             const QString profile = QFileInfo(path).path() + QStringLiteral("/../spot.zff");
             WriteProfile(profileNamed("Spot"), profile);
             ComposedSet set;
             return ComposeDownloadSet({profile}, path, set) && !set.namesWritten;
         }},
        {"name files of a first start", "ChNameSet.fix", true,
         [](P from) {
             QTemporaryDir to; // given the defaults instead
             CreateMissingChannelNameFiles(to.path(), from);
             return readAll(joinFolderPath(to.path(), channelNameSetFileName())).size() == SetFileSize;
         }},
        {"download set", "show.tzk", false, [](P path) { DownloadSet set; return !ReadDownloadSet(path, set); }},
        {"recovery file", "kind.recovery", false,
         [](P path) {
             const std::optional<RecoveryFile> kept = readRecoveryFile(path);
             return kept && !kept->read && kept->bytes.isEmpty();
         }},
        {"QLC+ definition", "spot.qxf", false, [](P path) { QxfDefinition d; return !ReadQxf(path, d); }},
        {"QLC+ summary", "spot.qxf", false, [](P path) { QxfSummary s; return !ReadQxfSummary(path, s); }},
        {"log box preview", "back.bin", false, [](P path) { QString text; return !readLogText(path, text); }},
        {"file to send", "show.tzk", false, [](P path) { FileSender sender; return !sender.open(path); }, false},
    };
    return all;
}

qint64 peakMemoryKiB()
{
    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

class TestFileFaults : public QObject
{
    Q_OBJECT

private slots:
    void everyWriterKeepsTheOldFilesOnAFullDisk_data()
    {
        QTest::addColumn<int>("writer");
        for (int i = 0; i < int(writers().size()); ++i)
            QTest::newRow(writers()[size_t(i)].name) << i;
    }
    void everyWriterKeepsTheOldFilesOnAFullDisk()
    {
        QFETCH(int, writer);
        const Writer &w = writers()[size_t(writer)];
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        QTemporaryDir dir;
        w.prepare(dir.path());
        const QMap<QString, QByteArray> before = filesUnder(dir.path());
        QVERIFY(!before.isEmpty());

        const Said said = w.write(dir.path());
        qputenv("XDG_DATA_HOME", dataHome);

        QVERIFY2(!said.ok, qPrintable(said.reason));
        QVERIFY2(said.reason.contains(QLatin1String("File too large")), qPrintable(said.reason));
        QMap<QString, QByteArray> after = filesUnder(dir.path());
        if (!w.partial.isEmpty()) {
            QVERIFY2(said.reason.contains(w.partial), qPrintable(said.reason));
            // What reached it before the disk was full.
            QCOMPARE(after.take(w.partial), pattern(1000).left(int(w.limit)));
        }
        QCOMPARE(after.keys(), before.keys());
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QVERIFY2(after.value(it.key()) == it.value(), qPrintable(it.key()));
    }

    void everyReaderRefusesWhatIsNoFileOfItsKind_data()
    {
        QTest::addColumn<int>("reader");
        QTest::addColumn<int>("standing");
        for (int i = 0; i < int(readers().size()); ++i) {
            const char *name = readers()[size_t(i)].name;
            QTest::addRow("%s, a pipe", name) << i << int(Standing::Pipe);
            QTest::addRow("%s, a folder", name) << i << int(Standing::Folder);
            if (readers()[size_t(i)].sized)
                QTest::addRow("%s, 2 GiB sparse", name) << i << int(Standing::Huge);
        }
    }
    void everyReaderRefusesWhatIsNoFileOfItsKind()
    {
        QFETCH(int, reader);
        QFETCH(int, standing);
        const Reader &r = readers()[size_t(reader)];
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("in"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = joinFolderPath(folder, QString::fromLatin1(r.fileName));
        switch (Standing(standing)) {
        case Standing::Pipe:
            QVERIFY(testsupport::makePipe(path));
            break;
        case Standing::Folder:
            QVERIFY(QDir().mkpath(path));
            break;
        case Standing::Huge:
            QVERIFY(testsupport::makeSparseFile(path, qint64(1) << 31));
            break;
        }

        const qint64 memoryBefore = peakMemoryKiB();
        std::packaged_task<bool()> task([&] { return r.refuses(r.byFolder ? folder : path); });
        std::future<bool> refused = task.get_future();
        std::thread reading(std::move(task));
        const bool answered = refused.wait_for(std::chrono::seconds(1)) == std::future_status::ready;
        if (!answered && Standing(standing) == Standing::Pipe) {
            // A reader waiting for a writer gets one, so that the test can end.
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
        reading.join();
        QVERIFY2(answered, "the reader took more than a second");
        QVERIFY(refused.get());
        QVERIFY2(peakMemoryKiB() - memoryBefore < 32 * 1024,
                 qPrintable(QStringLiteral("%1 KiB more").arg(peakMemoryKiB() - memoryBefore)));
        // Left as it was.
        QFileInfo after(path);
        QCOMPARE(after.isDir(), Standing(standing) == Standing::Folder);
        QCOMPARE(after.isFile(), Standing(standing) == Standing::Huge);
        if (Standing(standing) == Standing::Huge)
            QCOMPARE(after.size(), qint64(1) << 31);
    }
};

QTEST_GUILESS_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
