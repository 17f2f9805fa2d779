// "Link Device" across the two programs: while the USB transfer tool is up, its dialog or
// already its first message, the link window starts nothing; once it has gone, the tool
// starts again from the programs' folder. The real Zelvar71Save runs, on the device
// simulator or without a driver library.
#include "common/programfolder.h"
#include "common/windowpresence.h"
#include "scriptedprompts.h"
#include "seriallink/kiron.h"
#include "testsupport.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace zelvar;

class TestLinkDevice : public QObject
{
    Q_OBJECT

    QTemporaryDir m_temp;

    static QStringList starts(const QString &log)
    {
        return QString::fromLocal8Bit(testsupport::readAll(log)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        // Both programs find each other's window through sockets under the temporary folder.
        qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
        qputenv("ZELVAR71_D2XX", ZELVAR71_D2XX_SIM);
        qputenv("ZELVAR71_SIM_DEVICES", QByteArray());
    }

    void startsTheToolOnlyWhenItsWindowIsNotOpen_data()
    {
        QTest::addColumn<bool>("driver");
        QTest::newRow("the tool's dialog up") << true;
        // Without its driver library the tool stops at its first message, before its dialog
        // appears, and waits there for the user.
        QTest::newRow("the tool's first message up") << false;
    }
    void startsTheToolOnlyWhenItsWindowIsNotOpen()
    {
        QFETCH(bool, driver);
        QTemporaryDir folder;
        const QString log = folder.filePath(QStringLiteral("starts.log"));
        // The programs' folder holds a stand-in that notes each start and becomes the tool.
        const QString tool = folder.filePath(QStringLiteral("Zelvar71Save"));
        QVERIFY(testsupport::writeAll(tool, QStringLiteral("#!/bin/sh\necho $$ >> '%1'\nexec '%2'\n")
                                                .arg(log, QStringLiteral(ZELVAR71SAVE))
                                                .toLocal8Bit()));
        QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        setProgramFolder(folder.path());
        qputenv("ZELVAR71_D2XX", driver ? QByteArray(ZELVAR71_D2XX_SIM)
                                        : QFile::encodeName(folder.filePath(QStringLiteral("missing.so"))));

        ScriptedPrompts prompts;
        Kiron window(nullptr, prompts);
        QPushButton *linkDevice = window.findChild<QPushButton *>(QStringLiteral("Command10"));
        const QString caption = QStringLiteral("Zelvar71 Save Rev1.02");
        QTRY_VERIFY_WITH_TIMEOUT(!FindWindowA(caption), 20000); // an earlier case's tool has gone

        QTest::mouseClick(linkDevice, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(FindWindowA(caption), 20000);
        QCOMPARE(starts(log).size(), 1);

        QTest::mouseClick(linkDevice, Qt::LeftButton);
        QTest::qWait(500);
        QCOMPARE(starts(log).size(), 1);

        // The tool goes (even without closing its window properly): it is started anew.
        ::kill(starts(log).first().toInt(), SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(!FindWindowA(caption), 20000);
        QTest::mouseClick(linkDevice, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(FindWindowA(caption), 20000);
        QCOMPARE(starts(log).size(), 2);
        QCOMPARE(prompts.calls.size(), 0);

        ::kill(starts(log).last().toInt(), SIGKILL);
        setProgramFolder(QString());
    }
};

QTEST_MAIN(TestLinkDevice)
#include "tst_linkdevice.moc"
