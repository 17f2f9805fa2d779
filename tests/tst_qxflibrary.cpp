// The whole installed QLC+ fixture library (Debian package qlcplus-data) converted: every
// profile written reads back with the duplicate flag clear and goes into a download set,
// the modes of one fixture keep told-apart names, and the summary accounts for every mode.
// Skipped when the library is not installed.
#include "channames/channelnamefiles.h"
#include "downloadset/downloadsetfile.h"
#include "fixture/zfffile.h"
#include "qxfimport/qxflibrary.h"

#include <QDirIterator>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvar;

class TestQxfLibrary : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // What QSKIP does; the macro's empty variadic part fails clang's pedantic warnings.
        if (!QFileInfo(installedQxfLibrary()).isDir()) {
            QTest::qSkip("the QLC+ fixture library (Debian package qlcplus-data) is not installed", __FILE__, __LINE__);
            return;
        }
    }

    void wholeLibrary()
    {
        QTemporaryDir out;
        QxfLibraryConversion conversion;
        int lastDone = -1;
        int total = -1;
        QVERIFY(ConvertQxfLibrary(installedQxfLibrary(), out.path(), conversion, [&](int done, int all) {
            QVERIFY(done >= lastDone);
            lastDone = done;
            total = all;
        }));
        QCOMPARE(lastDone, total);
        QCOMPARE(conversion.definitions, total);
        QVERIFY2(conversion.unreadable.isEmpty(), qPrintable(conversion.unreadable.join(QLatin1Char('\n'))));
        QVERIFY2(conversion.notWritten.isEmpty(), qPrintable(conversion.notWritten.join(QLatin1Char('\n'))));
        QVERIFY(conversion.converted > 0);
        int refused = 0;
        for (auto it = conversion.refused.cbegin(); it != conversion.refused.cend(); ++it) {
            if (it.key() != QxfModeProblem::NoModes)
                refused += it.value();
        }
        QCOMPARE(conversion.converted + refused, conversion.modes);
        QCOMPARE(conversion.written.size(), conversion.converted);
        QCOMPARE(QSet<QString>(conversion.written.cbegin(), conversion.written.cend()).size(), conversion.converted);

        const QString summary = QxfLibrarySummary(conversion);
        QVERIFY(summary.contains(QStringLiteral("  converted: %1 ").arg(conversion.converted)));
        qInfo("%s", qPrintable(summary));

        for (const QString &file : std::as_const(conversion.written)) {
            FixtureProfile p;
            const Outcome read = ReadProfile(file, p);
            QVERIFY2(read, qPrintable(file + QLatin1String(": ") + read.reason()));
            QVERIFY2(p.header.duplicateFlag == 0, qPrintable(file));
            QCOMPARE(p.header.marker.text(), QStringLiteral("!Zelvar71!"));
            QVERIFY(p.setup.channelCount >= 1 && p.setup.channelCount <= MaxChannels);
            QSet<int> ids;
            for (int c = 0; c < p.setup.channelCount; ++c) {
                const ChannelEntry &e = p.channels[size_t(c)];
                QVERIFY2(e.nameId < BuiltInNameCount, qPrintable(file));
                ids.insert(e.nameId);
                QVERIFY(e.stepCount >= 1 && e.stepCount <= StepsPerChannel);
                QVERIFY(e.fadeMode <= 1);
            }
            QCOMPARE(ids.size(), int(p.setup.channelCount));
            for (quint8 ref : {p.setup.panCoarse, p.setup.panFine, p.setup.tiltCoarse, p.setup.tiltFine})
                QVERIFY(ref <= p.setup.channelCount);
            QVERIFY(p.setup.blackChannel == AllChannels
                    || (p.setup.blackChannel >= 1 && p.setup.blackChannel <= p.setup.channelCount));
            QCOMPARE(p.setup.masterMask >> p.setup.channelCount, 0);
        }

        // Every profile goes into a download set, 255 at a time.
        ChannelNameTable names;
        names.LoadDefaultNames();
        QVERIFY(SaveChannelNames(out.path(), names));
        const QString namesFile = out.filePath(channelNameDownFileName());
        for (int first = 0; first < conversion.written.size(); first += MaxFixturesInSet) {
            const QStringList set = conversion.written.mid(first, MaxFixturesInSet);
            ComposedSet composed;
            const Outcome done = ComposeDownloadSet(set, namesFile, composed);
            QVERIFY2(done, qPrintable(done.reason()));
            QVERIFY(composed.namesWritten);
            QCOMPARE(int(quint8(composed.image.at(FixtureCountOffset))), int(set.size()));
        }
    }

    void modesOfOneFixtureKeepTheirNamesApart()
    {
        QDirIterator it(installedQxfLibrary(), {QStringLiteral("*.qxf")}, QDir::Files, QDirIterator::Subdirectories);
        int definitions = 0;
        while (it.hasNext()) {
            const QString path = it.next();
            QxfDefinition d;
            QVERIFY2(ReadQxf(path, d), qPrintable(path));
            QSet<QString> namesSeen;
            for (int m = 0; m < d.modes.size(); ++m) {
                const QString name = ImportedFixtureName(d, m);
                QVERIFY2(!name.isEmpty() && name.size() <= FixtureNameLength, qPrintable(path));
                namesSeen.insert(name);
            }
            QVERIFY2(namesSeen.size() == d.modes.size(), qPrintable(path));
            ++definitions;
        }
        QVERIFY(definitions > 0);
    }
};

QTEST_GUILESS_MAIN(TestQxfLibrary)
#include "tst_qxflibrary.moc"
