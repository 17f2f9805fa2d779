// One copy of each program for one data folder: a second copy asks the first to come to the
// front and ends, having read and written nothing; a copy for another data folder runs. The
// built programs are started as a user starts them.
#include "common/windowpresence.h"
#include "testsupport.h"

#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvar;

namespace {

// A program started with its own data folder, from a programs' folder of its own.
struct Copy
{
    QProcess process;

    Copy(const QString &program, const QString &dataHome)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("ZELVAR71_D2XX"), QStringLiteral(ZELVAR71_D2XX_SIM));
        env.insert(QStringLiteral("ZELVAR71_SIM_DEVICES"), QString());
        process.setProcessEnvironment(env);
        process.start(program, {});
    }
    ~Copy()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
};

// Whether a copy of `program` holds the name for the data folder under `dataHome`.
bool running(const QString &program, const QString &dataHome)
{
    QLocalSocket socket;
    socket.connectToServer(
        SingleInstance::serverName(QFileInfo(program).fileName(), dataHome + QStringLiteral("/Zelvar71")));
    return socket.waitForConnected(200);
}

} // namespace

class TestSecondCopy : public QObject
{
    Q_OBJECT

private slots:
    void theFirstClaimHoldsUntilItGoes()
    {
        QTemporaryDir dir;
        auto first = std::make_unique<SingleInstance>(QStringLiteral("Tool"), dir.filePath(QStringLiteral("a")));
        QVERIFY(first->claim());
        QSignalSpy asked(first.get(), &SingleInstance::frontRequested);
        SingleInstance second(QStringLiteral("Tool"), dir.filePath(QStringLiteral("a")));
        QVERIFY(!second.claim());
        QVERIFY(asked.wait(2000));
        SingleInstance other(QStringLiteral("Other"), dir.filePath(QStringLiteral("a")));
        QVERIFY(other.claim());
        first.reset();
        SingleInstance after(QStringLiteral("Tool"), dir.filePath(QStringLiteral("a")));
        QVERIFY(after.claim());
    }

    void aSecondProgramGivesWay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("said");
        QTest::newRow("Zelvar71") << QStringLiteral(ZELVAR71) << "its window is brought to the front";
        QTest::newRow("Zelvar71Save") << QStringLiteral(ZELVAR71SAVE) << "its dialog is brought to the front";
    }
    void aSecondProgramGivesWay()
    {
        QFETCH(QString, program);
        QFETCH(QString, said);
        QTemporaryDir dir;
        // In a programs' folder of its own, where the first copy writes its start's files.
        const QString copied = dir.filePath(QFileInfo(program).fileName());
        QVERIFY(QFile::copy(program, copied));
        const QString data = dir.filePath(QStringLiteral("data"));
        Copy first(copied, data);
        QTRY_VERIFY_WITH_TIMEOUT(running(copied, data), 20000);
        // Zelvar71 makes its start's files ready once it holds the name.
        if (QFileInfo(program).fileName() == QLatin1String("Zelvar71"))
            QTRY_COMPARE_WITH_TIMEOUT(QDir(dir.path()).entryList({"*.fix", "KZTFIX*.zff"}, QDir::Files).size(), 6, 20000);
        QTest::qWait(300);
        const QStringList before = QDir(dir.path()).entryList(QDir::Files);
        const QStringList dataBefore = QDir(data + QStringLiteral("/Zelvar71")).entryList(QDir::Files);
        for (const QString &name : before) {
            if (name.endsWith(QLatin1String(".fix")))
                QVERIFY(QFile::remove(dir.filePath(name))); // a second start would write them again
        }

        Copy second(copied, data);
        QVERIFY(second.process.waitForFinished(20000));
        QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process.exitCode(), 0);
        // (Qt may have said something of its own first.)
        const QStringList told =
            QString::fromLocal8Bit(second.process.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(told.value(told.size() - 1), QStringLiteral("%1 is already running for %2/Zelvar71; %3.")
                                                  .arg(QFileInfo(program).fileName(), data, said));
        QCOMPARE(first.process.state(), QProcess::Running);
        QStringList left = before;
        left.removeIf([](const QString &name) { return name.endsWith(QLatin1String(".fix")); });
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), left);
        QCOMPARE(QDir(data + QStringLiteral("/Zelvar71")).entryList(QDir::Files), dataBefore);

        // A copy for another data folder is a program of its own.
        const QString otherData = dir.filePath(QStringLiteral("other"));
        Copy third(copied, otherData);
        QTRY_VERIFY_WITH_TIMEOUT(running(copied, otherData), 20000);
        QCOMPARE(third.process.state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TestSecondCopy)
#include "tst_secondcopy.moc"
