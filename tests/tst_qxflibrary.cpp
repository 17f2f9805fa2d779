// The whole installed QLC+ fixture library (Debian package qlcplus-data) converted as
// `zelvar71-cli import --all` converts it: every profile written reads back with the duplicate
// flag clear, every name it refers to is in the channel-name table written beside it, every
// profile goes into a download set with those names, no two models of one manufacturer
// share a fixture name, and the report accounts for every mode. Skipped when the library is
// not installed.
#include "channames/channelnamefiles.h"
#include "downloadset/downloadsetfile.h"
#include "fixture/zfffile.h"
#include "fixtureimport/importlibrary.h"
#include "qxfimport/qxfconversion.h"
#include "qxfimport/qxfkind.h"

#include <QDirIterator>
#include <QHash>
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
        ImportLibraryConversion conversion;
        ChannelNameTable start;
        start.LoadDefaultNames();
        int lastDone = -1;
        int total = -1;
        QVERIFY(ConvertImportLibrary(installedQxfLibrary(), out.path(), start, {&QxfImportKind()}, conversion,
                                     [&](int done, int all) {
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
        for (const int count : std::as_const(conversion.refused))
            refused += count;
        QCOMPARE(conversion.converted + refused, conversion.modes);
        QCOMPARE(conversion.written.size(), conversion.converted);
        QCOMPARE(QSet<QString>(conversion.written.cbegin(), conversion.written.cend()).size(), conversion.converted);
        qInfo("%s", qPrintable(ImportLibrarySummary(conversion)));

        // The table written beside the profiles: the built-in names untouched, the added
        // names in the entries from 59 on.
        ChannelNameFiles files;
        QVERIFY(ReadChannelNameFiles(out.path(), files));
        const ChannelNameTable &written = files.table;
        QCOMPARE(written, conversion.names);
        QVERIFY(std::equal(start.entries.cbegin(), start.entries.cbegin() + BuiltInNameCount,
                           written.entries.cbegin()));
        for (const QString &added : std::as_const(conversion.addedNames))
            QVERIFY2(written.findName(added) >= BuiltInNameCount, qPrintable(added));

        QHash<QString, QString> modelOfName; // manufacturer and fixture name -> model
        for (const ImportLibraryProfile &made : std::as_const(conversion.profiles)) {
            FixtureProfile p;
            const Outcome read = ReadProfile(made.path, p);
            QVERIFY2(read, qPrintable(made.path + QLatin1String(": ") + read.reason()));
            QVERIFY2(p.header.duplicateFlag == 0, qPrintable(made.path));
            QCOMPARE(p.header.marker.text(), QStringLiteral("!Zelvar71!"));
            QVERIFY(p.setup.channelCount >= 1 && p.setup.channelCount <= MaxChannels);
            QCOMPARE(withoutTrailingBlanks(p.setup.fixtureName.text()), made.fixtureName);
            QSet<int> ids;
            for (int c = 0; c < p.setup.channelCount; ++c) {
                const ChannelEntry &e = p.channels[size_t(c)];
                // Every name the channel refers to is in the written table, as the import named it.
                QVERIFY2(e.nameId < BuiltInNameCount || !written.isFree(e.nameId), qPrintable(made.path));
                QCOMPARE(written.findName(made.channels.at(c).name), int(e.nameId));
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

            const QString key = made.manufacturer.simplified().toLower() + QLatin1Char('\n')
                + made.fixtureName.toLower();
            const QString model = made.model.simplified().toLower();
            QVERIFY2(modelOfName.value(key, model) == model,
                     qPrintable(made.fixtureName + QLatin1String(": ") + made.model + QLatin1String(", ")
                                + modelOfName.value(key)));
            modelOfName.insert(key, model);
        }

        // Every profile goes into a download set, 255 at a time, with the written names.
        const QString namesFile = out.filePath(channelNameDownFileName());
        for (int first = 0; first < conversion.written.size(); first += MaxFixturesInSet) {
            const QStringList set = conversion.written.mid(first, MaxFixturesInSet);
            ComposedSet composed;
            const Outcome done = ComposeDownloadSet(set, namesFile, composed);
            QVERIFY2(done, qPrintable(done.reason()));
            QVERIFY(composed.namesWritten);
            QCOMPARE(int(quint8(composed.image.at(FixtureCountOffset))), int(set.size()));
        }

        // The report: a header and a row a mode, with the profile where one was written.
        QFile report(out.filePath(importReportFileName()));
        QVERIFY(report.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(report.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), QStringLiteral("source\tmode\tprofile\tnote\tkind"));
        QCOMPARE(lines.size() - 1, conversion.modes);
        int withProfile = 0;
        for (const QString &line : lines.mid(1)) {
            const QStringList cells = line.split(QLatin1Char('\t'));
            QCOMPARE(cells.size(), 5);
            QCOMPARE(cells.at(4), QStringLiteral("QLC+"));
            if (!cells.at(2).isEmpty()) {
                QVERIFY2(QFileInfo::exists(out.filePath(cells.at(2))), qPrintable(line));
                ++withProfile;
            } else {
                QVERIFY2(!cells.at(3).isEmpty(), qPrintable(line));
            }
        }
        QCOMPARE(withProfile, conversion.converted);
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
