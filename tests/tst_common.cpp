// Shared helpers: fixed-length text fields, labels, program-folder paths, the user's folders,
// byte records, the bounded reads, the complete-or-nothing file writes, the files receives
// stream into, and the recovery files of unsaved work.
#include "common/bytes.h"
#include "common/filestore.h"
#include "common/fixedtext.h"
#include "common/labels.h"
#include "common/programfolder.h"
#include "common/recovery.h"
#include "common/streamedfile.h"
#include "common/userfolders.h"
#include "filefaults.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvar;
using testsupport::hex;

// The ways a receive ends.
enum class End { Normal, CompleteCopy, CutShort };

class TestCommon : public QObject
{
    Q_OBJECT

private slots:
    void fixedTextAssign_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("shorter is blank-padded") << "Open" << QByteArray("Open    ");
        QTest::newRow("exact") << "12345678" << QByteArray("12345678");
        QTest::newRow("longer is cut") << "Mir. Fine" << QByteArray("Mir. Fin");
        QTest::newRow("empty is all blanks") << "" << QByteArray("        ");
        QTest::newRow("leading blanks stay") << "  Pan" << QByteArray("  Pan   ");
        QTest::newRow("latin-1 is one byte") << QString::fromUtf8("Gr\xc3\xbcn") << QByteArray("Gr\xfcn    ");
        QTest::newRow("outside latin-1 becomes ?") << QString::fromUtf8("\xe2\x82\xac") << QByteArray("?       ");
    }
    void fixedTextAssign()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, stored);
        FixedText<8> field;
        field.assign(text);
        QCOMPARE(field.bytes(), stored);
    }

    void fixedTextReadKeepsEverything()
    {
        FixedText<18> name;
        name.assign("New Fixture");
        QCOMPARE(name.text(), QStringLiteral("New Fixture       "));
        QCOMPARE(name.text().size(), 18);

        const FixedText<8> unset;
        QCOMPARE(unset.bytes(), QByteArray(8, '\0'));
        QCOMPARE(unset.text(), QString(8, QChar(0)));
        QCOMPARE(withoutTrailingBlanks(QStringLiteral("Pan     ")), QStringLiteral("Pan"));
        QCOMPARE(withoutTrailingBlanks(QStringLiteral("        ")), QString());
        QCOMPARE(withoutTrailingBlanks(QString(8, QChar(0))), QString(8, QChar(0)));
    }

    void labels()
    {
        QCOMPARE(channelLabel(1), QStringLiteral("Chan 1"));
        QCOMPARE(channelLabel(16), QStringLiteral("Chan 16"));
        QCOMPARE(stepLabel(1), QStringLiteral("Step 1"));
        QCOMPARE(stepLabel(50), QStringLiteral("Step 50"));
        QCOMPARE(numberWithSign(-3), QStringLiteral("-3"));
    }

    void folderPaths()
    {
        QCOMPARE(joinFolderPath(QStringLiteral("/opt/zelvar"), QStringLiteral("ChNameSet.fix")),
                 QStringLiteral("/opt/zelvar/ChNameSet.fix"));
        QCOMPARE(joinFolderPath(QStringLiteral("/opt/zelvar/"), QStringLiteral("a.zff")),
                 QStringLiteral("/opt/zelvar/a.zff"));
        QCOMPARE(joinFolderPath(QStringLiteral("/"), QStringLiteral("KZTFIX4.zff")), QStringLiteral("/KZTFIX4.zff"));

        QCOMPARE(programFolder(), QCoreApplication::applicationDirPath());
        setProgramFolder(QStringLiteral("/srv/show"));
        QCOMPARE(programFilePath(QStringLiteral("ChNameDown.fix")), QStringLiteral("/srv/show/ChNameDown.fix"));
        setProgramFolder(QString());
        QCOMPARE(programFolder(), QCoreApplication::applicationDirPath());
    }

    // Where the files a user changes go: whether the programs' folder may be written is
    // given, so that the rows hold for root too.
    void userFilesGoWhereTheUserMayWrite_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("inProgramFolder");
        QTest::newRow("writable, the user's own") << "/home/tech/zelvar71" << true << true;
        QTest::newRow("read-only") << "/opt/zelvar71" << false << false;
        QTest::newRow("a package's, writable as root") << "/usr/lib/zelvar71" << true << false;
        QTest::newRow("under /usr/local") << "/usr/local/lib/zelvar71" << true << false;
        QTest::newRow("/usr itself") << "/usr" << true << false;
        QTest::newRow("/usr spelt with dots") << "/opt/../usr/lib/zelvar71/" << true << false;
        QTest::newRow("a name that only starts like /usr") << "/usrdata/zelvar71" << true << true;
    }
    void userFilesGoWhereTheUserMayWrite()
    {
        QFETCH(QString, program);
        QFETCH(bool, writable);
        QFETCH(bool, inProgramFolder);
        const QString data = QStringLiteral("/home/tech/.local/share/Zelvar71");
        QCOMPARE(userFileFolder(program, writable, data), inProgramFolder ? program : data);
    }

    void theProgramsShareOneDataFolder()
    {
        QTemporaryDir home;
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        const QString oldName = QCoreApplication::applicationName();
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
        setProgramIdentity();
        const QString data = userDataFolder();
        const QString recovery = recoveryFolder();
        qputenv("XDG_DATA_HOME", oldData);
        QCoreApplication::setApplicationName(oldName);
        QCOMPARE(data, home.filePath(QStringLiteral("Zelvar71")));
        QCOMPARE(recovery, data);
    }

    // File dialogs with nothing to go by start in the documents folder, or at home when the
    // user has none.
    void fileDialogsStartInTheDocuments_data()
    {
        QTest::addColumn<bool>("documents"); // whether ~/Documents exists
        QTest::addColumn<QString>("previous");
        QTest::addColumn<QString>("start"); // "~" stands for the home folder
        QTest::newRow("nothing") << true << "" << "~/Documents";
        QTest::newRow("nothing, no documents folder") << false << "" << "~";
        QTest::newRow("a bare name") << true << "SHOW1.TZK" << "~/Documents/SHOW1.TZK";
        QTest::newRow("a path") << true << "/shows/a.tzk" << "/shows/a.tzk";
        QTest::newRow("a relative path") << true << "shows/a.tzk" << "shows/a.tzk";
    }
    void fileDialogsStartInTheDocuments()
    {
        QFETCH(bool, documents);
        QFETCH(QString, previous);
        QFETCH(QString, start);
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
        if (documents)
            QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Documents")));
        const QString got = dialogStartPath(previous);
        qputenv("HOME", oldHome);
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(got, start.replace(QLatin1Char('~'), home.path()));
    }

    void byteRecords()
    {
        QByteArray out;
        ByteWriter w(out);
        w.u8(0x08);
        w.i16le(-2);
        w.u16le(0x0101);
        w.u32le(0x12345678);
        w.text(fixedText<4>("ab"));
        w.zeros(2);
        QCOMPARE(out, hex("08 feff 0101 78563412 61622020 0000"));
        QCOMPARE(loadU32be(hex("000003e8").constData()), quint32(1000));

        ByteReader r(out);
        QCOMPARE(r.u8(), quint8(8));
        QCOMPARE(r.i16le(), qint16(-2));
        QCOMPARE(r.u16le(), quint16(0x0101));
        QCOMPARE(r.u32le(), quint32(0x12345678));
        QCOMPARE(r.text<4>().bytes(), QByteArray("ab  "));
        QCOMPARE(r.remaining(), qsizetype(2));
        QVERIFY(!r.overrun());
        QCOMPARE(r.u32le(), quint32(0)); // past the end: zeros, and the reader says so
        QVERIFY(r.overrun());
    }

    void replaceFileWritesExactlyTheContent()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lamp.zff"));
        QVERIFY(testsupport::writeAll(path, QByteArray(500, 'x')));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QVERIFY(replaceFile(path, QByteArray("new")).ok());
        QCOMPARE(testsupport::readAll(path), QByteArray("new"));
        QCOMPARE(testsupport::filesIn(dir.path()), QStringList{QStringLiteral("lamp.zff")});
        // The file keeps who may read it; a link to it stays a link.
        QCOMPARE(QFile::permissions(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser
                                               | QFile::ReadGroup);
        const QString link = dir.filePath(QStringLiteral("current.zff"));
        QVERIFY(QFile::link(path, link));
        QVERIFY(replaceFile(link, QByteArray("via link")).ok());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(testsupport::readAll(path), QByteArray("via link"));
    }

    void overwriteFromStartKeepsTheTail()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("names.fix"));
        const FileKind kind{"a test file", 16};
        QVERIFY(overwriteFromStart(path, QByteArray("abc"), kind).ok()); // new file
        QCOMPARE(testsupport::readAll(path), QByteArray("abc"));
        QVERIFY(testsupport::writeAll(path, QByteArray("0123456789")));
        QVERIFY(overwriteFromStart(path, QByteArray("abc"), kind).ok());
        QCOMPARE(testsupport::readAll(path), QByteArray("abc3456789"));
        QVERIFY(overwriteFromStart(path, QByteArray("ABCDEFGHIJKL"), kind).ok());
        QCOMPARE(testsupport::readAll(path), QByteArray("ABCDEFGHIJKL"));
    }

    void failedWritesSayWhyAndChangeNothing_data()
    {
        QTest::addColumn<QString>("standing"); // what stands at the target's path
        QTest::addColumn<QString>("reason");
        QTest::newRow("inside a plain file") << "file/inside.zff" << "Cannot write inside.zff: Not a directory";
        QTest::newRow("a folder") << "folder" << "folder is a folder, not a file";
        QTest::newRow("a pipe") << "pipe" << "pipe is a pipe, not a file";
        QTest::newRow("a device") << "/dev/null" << "null is a device, not a file";
    }
    void failedWritesSayWhyAndChangeNothing()
    {
        QFETCH(QString, standing);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(testsupport::writeAll(dir.filePath(QStringLiteral("file")), QByteArray("keep")));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        QVERIFY(testsupport::makePipe(dir.filePath(QStringLiteral("pipe"))));
        const QStringList before = testsupport::filesIn(dir.path());
        const QString path = standing.startsWith(QLatin1Char('/')) ? standing : dir.filePath(standing);
        const Outcome o = replaceFile(path, QByteArray("x"));
        QCOMPARE(o.reason(), reason);
        QCOMPARE(testsupport::filesIn(dir.path()), before);
        QCOMPARE(testsupport::readAll(dir.filePath(QStringLiteral("file"))), QByteArray("keep"));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
        QCOMPARE(QFileInfo(QStringLiteral("/dev/null")).isFile(), false);
    }

    // Files replaced together: all of them, or none, whichever of them fails and however.
    void filesAreReplacedTogetherOrNotAtAll_data()
    {
        QTest::addColumn<QString>("blocked"); // "" or which file is in the way, and when
        QTest::addColumn<QString>("reason");
        QTest::newRow("nothing in the way") << "" << "";
        QTest::newRow("the first cannot be written") << "a before" << "a is a folder, not a file";
        QTest::newRow("the last cannot be written") << "c before" << "c is a folder, not a file";
        QTest::newRow("the second cannot be placed") << "b placing" << "b is a folder, not a file";
        QTest::newRow("the last cannot be placed") << "c placing" << "c is a folder, not a file";
    }
    void filesAreReplacedTogetherOrNotAtAll()
    {
        QFETCH(QString, blocked);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        // a and b are there, c is new.
        QVERIFY(testsupport::writeAll(dir.filePath(QStringLiteral("a")), QByteArray("old a")));
        QVERIFY(testsupport::writeAll(dir.filePath(QStringLiteral("b")), QByteArray("old b")));
        const QString file = blocked.left(1);
        const bool placing = blocked.endsWith(QLatin1String("placing"));
        const auto block = [&] {
            QFile::remove(dir.filePath(file));
            QVERIFY(QDir(dir.path()).mkdir(file));
        };
        if (!blocked.isEmpty() && !placing)
            block();
        const QVector<FileReplacement> files{{dir.filePath(QStringLiteral("a")), QByteArray("new a")},
                                             {dir.filePath(QStringLiteral("b")), QByteArray("new b")},
                                             {dir.filePath(QStringLiteral("c")), QByteArray("new c")}};
        const Outcome o = replaceFilesTogether(files, [&](int i) {
            if (placing && i == file.at(0).unicode() - 'a')
                block();
        });
        QCOMPARE(o.reason(), reason);
        if (blocked.isEmpty()) {
            for (const QString name : {"a", "b", "c"})
                QCOMPARE(testsupport::readAll(dir.filePath(name)), "new " + name.toLatin1());
            QCOMPARE(testsupport::filesIn(dir.path()), (QStringList{"a", "b", "c"}));
            return;
        }
        // Every file as it was (the one blocked aside): no new one placed, none left beside.
        for (const QString name : {"a", "b"}) {
            if (name != file)
                QCOMPARE(testsupport::readAll(dir.filePath(name)), "old " + name.toLatin1());
        }
        QStringList left{QStringLiteral("a"), QStringLiteral("b")};
        left.removeAll(file);
        QCOMPARE(testsupport::filesIn(dir.path()), left);
        QVERIFY(QFileInfo(dir.filePath(file)).isDir());
    }

    // A file of the limit is read; one byte more is refused, even for its first bytes.
    void readsStopAtTheLimit_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<qint64>("prefix"); // bytes asked for, -1 for all
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << 0 << qint64(-1) << QString();
        QTest::newRow("the limit") << 16 << qint64(-1) << QString();
        QTest::newRow("the start of one at the limit") << 16 << qint64(4) << QString();
        const char *past = "t.bin is 17 bytes long; a test file has at most 16 bytes";
        QTest::newRow("one past the limit") << 17 << qint64(-1) << past;
        QTest::newRow("the start of one past the limit") << 17 << qint64(4) << past;
        QTest::newRow("missing") << -1 << qint64(-1) << "t.bin does not exist";
    }
    void readsStopAtTheLimit()
    {
        QFETCH(int, size);
        QFETCH(qint64, prefix);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.bin"));
        const QByteArray content = QByteArray("0123456789abcdefg").left(size);
        if (size >= 0)
            QVERIFY(testsupport::writeAll(path, content));
        QByteArray out("unchanged");
        const Outcome o = readFilePrefix(path, FileKind{"a test file", 16}, out, prefix);
        QCOMPARE(o.reason(), reason);
        QCOMPARE(out, reason.isEmpty() ? content.left(prefix < 0 ? size : int(prefix)) : QByteArray("unchanged"));
    }

    void createIfMissingLeavesExistingFiles()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ChNameSet.fix"));
        QVERIFY(createIfMissing(path).ok());
        QCOMPARE(QFileInfo(path).size(), qint64(0));
        QVERIFY(testsupport::writeAll(path, QByteArray("abc")));
        QVERIFY(createIfMissing(path).ok());
        QCOMPARE(testsupport::readAll(path), QByteArray("abc"));
        // A pipe standing there is left alone, and never opened.
        const QString pipe = dir.filePath(QStringLiteral("ChNameDown.fix"));
        QVERIFY(testsupport::makePipe(pipe));
        QVERIFY(createIfMissing(pipe).ok());
        QVERIFY(!QFileInfo(pipe).isFile());
    }

    // How a receive's end leaves its target and "TARGET.partial".
    void aReceiveEndsAsItsEndSays_data()
    {
        QTest::addColumn<QByteArray>("old"); // null: no target before
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<int>("end");
        QTest::addColumn<QByteArray>("target"); // null: no target after
        QTest::addColumn<QByteArray>("partial"); // null: no partial file after
        const QByteArray none, old("old"), bytes("new"), empty("");
        QTest::newRow("normal end replaces") << old << bytes << int(End::Normal) << bytes << none;
        QTest::newRow("normal end with nothing keeps") << old << empty << int(End::Normal) << old << none;
        QTest::newRow("normal end with nothing makes a new one") << none << empty << int(End::Normal) << empty << none;
        QTest::newRow("a whole copy of nothing empties") << old << empty << int(End::CompleteCopy) << empty << none;
        QTest::newRow("cut short keeps both") << old << bytes << int(End::CutShort) << old << bytes;
        QTest::newRow("cut short with nothing leaves nothing") << old << empty << int(End::CutShort) << old << none;
        QTest::newRow("cut short makes no target") << none << bytes << int(End::CutShort) << none << bytes;
    }
    void aReceiveEndsAsItsEndSays()
    {
        QFETCH(QByteArray, old);
        QFETCH(QByteArray, received);
        QFETCH(int, end);
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, partial);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.bin"));
        const QString partialPath = dir.filePath(QStringLiteral("t.bin.partial"));
        if (!old.isNull())
            QVERIFY(testsupport::writeAll(path, old));
        QVERIFY(testsupport::writeAll(partialPath, QByteArray("an earlier receive's"))); // replaced
        StreamedFile file;
        QVERIFY(file.open(path));
        QVERIFY(file.append(received));
        // While it runs the target is as it was, and the bytes are on disk beside it.
        QCOMPARE(testsupport::readAll(path), old);
        QCOMPARE(testsupport::readAll(partialPath), received);
        if (End(end) == End::CutShort)
            file.keepPartial();
        else
            QVERIFY(file.finish(End(end) == End::Normal ? StreamedFile::NothingCame::KeepsTarget
                                                         : StreamedFile::NothingCame::EmptiesTarget));
        QCOMPARE(QFileInfo::exists(path), !target.isNull());
        QCOMPARE(testsupport::readAll(path), target);
        QCOMPARE(QFileInfo::exists(partialPath), !partial.isNull());
        QCOMPARE(testsupport::readAll(partialPath), partial);
    }

    void recoveryFilesAreWrittenOnATimer()
    {
        QTemporaryDir data;
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        std::optional<QByteArray> work = QByteArray("one");
        int asked = 0;
        RecoveryWriter writer(QStringLiteral("kind.recovery"), [&] {
            ++asked;
            return work;
        });
        QCOMPARE(writer.path(), data.path() + QStringLiteral("/tst_common/kind.recovery"));

        // A burst of changes is one write, a moment later.
        for (int change = 0; change < 100; ++change)
            writer.schedule();
        QVERIFY(!QFile::exists(writer.path()));
        QTRY_VERIFY(QFile::exists(writer.path()));
        QCOMPARE(asked, 1);
        QCOMPARE(testsupport::readAll(writer.path()), QByteArray("one"));

        // A flush writes a waiting change at once, and only a waiting one.
        work = QByteArray("two");
        writer.schedule();
        writer.flush();
        QCOMPARE(testsupport::readAll(writer.path()), QByteArray("two"));
        writer.flush();
        QCOMPARE(asked, 2);

        // No unsaved work left: the file goes.
        work.reset();
        writer.schedule();
        RecoveryWriter::flushAll();
        QVERIFY(!QFile::exists(writer.path()));
        qputenv("XDG_DATA_HOME", dataHome);
    }
};

QTEST_GUILESS_MAIN(TestCommon)
#include "tst_common.moc"
