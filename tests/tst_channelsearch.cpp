// Finding library modes by their channels: the bounded search against a plain edit distance
// over random name sequences, the channels that differ, and the index over real definition
// files: named as the import names them whatever room the table has, kept in its cache
// file, read again only where a file changed, and rebuilt from a cache it cannot use.
#include "gdtfsamples.h"
#include "qxfsamples.h"
#include "testsupport.h"

#include "fixtureimport/channelindex.h"
#include "gdtfimport/gdtfkind.h"
#include "qxfimport/qxfkind.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QtTest>

using namespace zelvar;

namespace {

// The edit distance over names as the search defines it, cell by cell.
int plainDistance(const QStringList &chart, const QStringList &names)
{
    QStringList a;
    QStringList b;
    for (const QString &n : chart)
        a << n.trimmed().toLower();
    for (const QString &n : names)
        b << n.trimmed().toLower();
    std::vector<std::vector<int>> d(size_t(a.size() + 1), std::vector<int>(size_t(b.size() + 1)));
    for (int i = 0; i <= a.size(); ++i)
        d[size_t(i)][0] = i;
    for (int j = 0; j <= b.size(); ++j)
        d[0][size_t(j)] = j;
    for (size_t i = 1; i <= size_t(a.size()); ++i) {
        for (size_t j = 1; j <= size_t(b.size()); ++j) {
            const bool same = a.at(qsizetype(i - 1)) == b.at(qsizetype(j - 1));
            d[i][j] = std::min({d[i - 1][j - 1] + (same ? 0 : 1), d[i - 1][j] + 1, d[i][j - 1] + 1});
        }
    }
    return d[size_t(a.size())][size_t(b.size())];
}

ChannelNameTable builtInTable()
{
    ChannelNameTable t;
    t.LoadDefaultNames();
    return t;
}

// The built-in names and user names in every entry but the last `free`.
ChannelNameTable tableWithRoom(int free)
{
    ChannelNameTable t = builtInTable();
    for (int i = BuiltInNameCount; i < ChannelNameCount - free; ++i)
        t.setName(i, QStringLiteral("User%1").arg(i));
    return t;
}

QVector<ImportLibrary> librariesIn(const QString &folder)
{
    return {{&QxfImportKind(), {folder}}, {&GdtfImportKind(), {folder}}};
}

} // namespace

class TestChannelSearch : public QObject
{
    Q_OBJECT

private:
    testsupport::ScratchFolder m_files;

    // A library of the samples, in a folder of its own.
    QString writeLibrary(const QString &name) const
    {
        m_files.write(name + QStringLiteral("/Acme/spot.qxf"), qxfsamples::movingHead());
        m_files.write(name + QStringLiteral("/Acme/dimmer.qxf"), qxfsamples::dimmer());
        m_files.write(name + QStringLiteral("/Beta/bar.qxf"), qxfsamples::rgbBar());
        m_files.write(name + QStringLiteral("/Gamma/scanner.qxf"), qxfsamples::scanner());
        m_files.write(name + QStringLiteral("/Beta/broken.qxf"), qxfsamples::broken());
        m_files.write(name + QStringLiteral("/Acme/spot.gdtf"), gdtfsamples::gdtf(gdtfsamples::spotDescription()));
        return m_files.file(name);
    }

private slots:
    // Random sequences from a few names (case and blanks varied), charts a few edits from
    // some of them: the search finds what a scan with the plain distance finds, in order.
    void searchAgreesWithAPlainScan()
    {
        const QStringList vocabulary{"Dimmer", "DIMMER", " red", "Red ", "Green", "Blue", "Strobe", "P/T Spd",
                                     "Gobo", "Gobo 2", "Mode", "Speed"};
        QRandomGenerator random(29);
        const auto name = [&] { return vocabulary.at(random.bounded(int(vocabulary.size()))); };
        QVector<QStringList> library;
        NameSequenceSearch search;
        for (int s = 0; s < 400; ++s) {
            QStringList names;
            for (int n = random.bounded(0, 19); n > 0; --n)
                names << name();
            library << names;
            QCOMPARE(search.add(names), s);
        }
        for (int q = 0; q < 300; ++q) {
            QStringList chart = library.at(random.bounded(int(library.size())));
            for (int edits = random.bounded(0, 4); edits > 0; --edits) {
                const int at = random.bounded(int(chart.size()) + 1);
                switch (chart.isEmpty() ? 0 : random.bounded(3)) {
                case 0:
                    chart.insert(at, name());
                    break;
                case 1:
                    chart.removeAt(std::min(at, int(chart.size()) - 1));
                    break;
                default:
                    chart[std::min(at, int(chart.size()) - 1)] = name();
                }
            }
            const int maxDistance = random.bounded(0, MaxChartDistance + 1);
            QVector<QVector<NameSequenceSearch::Hit>> byDistance(maxDistance + 1);
            for (int s = 0; s < library.size(); ++s) {
                if (const int d = plainDistance(chart, library.at(s)); d <= maxDistance)
                    byDistance[d].append({s, d});
            }
            QVector<NameSequenceSearch::Hit> scanned;
            for (const auto &hits : byDistance)
                scanned += hits;
            const QVector<NameSequenceSearch::Hit> found = search.find(chart, maxDistance);
            QCOMPARE(found, scanned);
            // A cheapest way differs in as many channels as the distance.
            for (const NameSequenceSearch::Hit &hit : found)
                QCOMPARE(int(ChannelDifferences(chart, library.at(hit.sequence)).size()), hit.distance);
        }
    }

    void differences_data()
    {
        QTest::addColumn<QStringList>("chart");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("text");
        QTest::newRow("same, case and blanks aside") << QStringList{"red", " Green "} << QStringList{"Red", "GREEN"}
                                                     << QString();
        QTest::newRow("nothing typed") << QStringList() << QStringList{"Dimmer"}
                                       << QStringLiteral("Chan 1 Dimmer extra");
        QTest::newRow("no channel") << QStringList{"Dimmer"} << QStringList() << QStringLiteral("Dimmer missing");
        QTest::newRow("replaced") << QStringList{"Dimmer", "Strobe", "Mode"} << QStringList{"Dimmer", "Shutter", "Mode"}
                                  << QStringLiteral("Chan 2 Shutter for Strobe");
        QTest::newRow("one more at the end") << QStringList{"Red", "Green"} << QStringList{"Red", "Green", "Blue"}
                                             << QStringLiteral("Chan 3 Blue extra");
        QTest::newRow("first one missing") << QStringList{"Dimmer", "Red", "Green"} << QStringList{"Red", "Green"}
                                           << QStringLiteral("Dimmer missing");
        QTest::newRow("inserted in between") << QStringList{"Dimmer", "Red", "Strobe"}
                                             << QStringList{"Dimmer", "Red", "White", "Strobe"}
                                             << QStringLiteral("Chan 3 White extra");
        QTest::newRow("three apart") << QStringList{"Pan", "Tilt", "Dimmer", "Gobo"}
                                     << QStringList{"Tilt", "Pan", "Dimmer", "Gobo", "Prism"}
                                     << QStringLiteral("Chan 1 Tilt for Pan; Chan 2 Pan for Tilt; Chan 5 Prism extra");
    }
    void differences()
    {
        QFETCH(QStringList, chart);
        QFETCH(QStringList, names);
        QFETCH(QString, text);
        QCOMPARE(ChannelDifferencesText(ChannelDifferences(chart, names)), text);
    }

    // Whatever room the table has, each mode is found, at distance 0, by the names the
    // import gives its channels from that table.
    void findsEveryModeByItsImportedNames_data()
    {
        QTest::addColumn<int>("free");
        QTest::addColumn<int>("held"); // of the free entries, the last ones an editor holds
        QTest::newRow("no free entry") << 0 << 0;
        QTest::newRow("1 free") << 1 << 0;
        QTest::newRow("15 free") << 15 << 0;
        QTest::newRow("16 free") << 16 << 0;
        QTest::newRow("16 free, 15 of them held") << 16 << 15;
        QTest::newRow("all free") << ChannelNameCount - BuiltInNameCount << 0;
    }
    void findsEveryModeByItsImportedNames()
    {
        QFETCH(int, free);
        QFETCH(int, held);
        const QString library = writeLibrary(QStringLiteral("all-%1-%2").arg(free).arg(held));
        ChannelIndex index;
        QCOMPARE(index.refresh(librariesIn(library)), 6);
        QCOMPARE(index.unreadableCount(), 1);
        ChannelNameTable names = tableWithRoom(free);
        // A name the table holds in other letters is found there, and takes no room.
        if (free < 16)
            names.setName(ChannelNameCount - free - 1, QStringLiteral("RED 2"));
        for (int i = ChannelNameCount - held; i < ChannelNameCount; ++i)
            names.held.set(size_t(i));
        int modes = 0;
        for (const IndexedFile &file : index.files()) {
            std::unique_ptr<ImportDefinition> definition;
            const ImportKind *kind = file.kind == QLatin1String("GDTF") ? &GdtfImportKind() : &QxfImportKind();
            if (!kind->read(file.path, definition))
                continue;
            for (int mode = 0; mode < definition->modeNames().size(); ++mode) {
                const QStringList imported = definition->channelNames(mode, names);
                if (imported.isEmpty())
                    continue;
                ++modes;
                const QVector<ChannelMatch> found = index.find(imported, 0, names);
                const bool listed = std::any_of(found.cbegin(), found.cend(), [&](const ChannelMatch &m) {
                    return m.path == file.path && m.mode == mode && m.distance == 0;
                });
                QVERIFY2(listed, qPrintable(QStringLiteral("%1 mode %2: %3")
                                                .arg(file.path)
                                                .arg(mode)
                                                .arg(imported.join(QStringLiteral(", ")))));
            }
        }
        QCOMPARE(modes, index.modeCount());
        QCOMPARE(modes, 7);
    }

    // A match names where it comes from; the nearest come first, then by manufacturer.
    void matchesInOrder()
    {
        const QString library = writeLibrary(QStringLiteral("order"));
        ChannelIndex index;
        index.refresh(librariesIn(library));
        const QVector<ChannelMatch> found = index.find({"Red", "Green", "Blue", "Red 2"}, 2, builtInTable());
        QCOMPARE(found.size(), 2);
        QCOMPARE(found.at(0).path, library + QStringLiteral("/Beta/bar.qxf"));
        QCOMPARE(found.at(0).kind, QStringLiteral("QLC+"));
        QCOMPARE(found.at(0).manufacturer, QStringLiteral("Beta"));
        QCOMPARE(found.at(0).model, QStringLiteral("LED Bar 2"));
        QCOMPARE(found.at(0).modeName, QStringLiteral("3 Channel"));
        QCOMPARE(found.at(0).mode, 0);
        QCOMPARE(found.at(0).distance, 1);
        QCOMPARE(found.at(1).modeName, QStringLiteral("6 Channel"));
        QCOMPARE(found.at(1).mode, 1);
        QCOMPARE(found.at(1).distance, 2);
        QCOMPARE(found.at(1).channels, (QStringList{"Red", "Green", "Blue", "Red 2", "Green 2", "Blue 2"}));
        QCOMPARE(ChannelDifferencesText(found.at(1).differences),
                 QStringLiteral("Chan 5 Green 2 extra; Chan 6 Blue 2 extra"));
    }

    // The cache holds what was read; only a file that changed is read again, one that went
    // is dropped, one that came is read.
    void cacheKeepsWhatWasRead()
    {
        const QString library = writeLibrary(QStringLiteral("cached"));
        const QString cache = m_files.file(QStringLiteral("cache-a/Zelvar71/channel-index"));
        ChannelIndexUpdate update;
        ChannelIndex first;
        UpdateChannelIndex(first, librariesIn(library), cache, update);
        QCOMPARE(update.fromCache, false);
        QCOMPARE(update.read, 6);
        QCOMPARE(update.cacheProblem, QString());
        const QByteArray written = testsupport::readAll(cache);
        QVERIFY(!written.isEmpty());

        ChannelIndex second;
        UpdateChannelIndex(second, librariesIn(library), cache, update);
        QCOMPARE(update.fromCache, true);
        QCOMPARE(update.read, 0);
        QCOMPARE(second.modeCount(), first.modeCount());
        QCOMPARE(second.files().at(0).path, first.files().at(0).path);
        QCOMPARE(second.files().at(0).modes.at(0).channels, first.files().at(0).modes.at(0).channels);
        // Nothing changed, nothing written.
        QCOMPARE(testsupport::readAll(cache), written);

        // The dimmer becomes a bar, the scanner goes, a new definition comes.
        m_files.write(QStringLiteral("cached/Acme/dimmer.qxf"), qxfsamples::rgbBar());
        QVERIFY(QFile::remove(library + QStringLiteral("/Gamma/scanner.qxf")));
        m_files.write(QStringLiteral("cached/Zeta/dimmer.qxf"), qxfsamples::dimmer());
        ChannelIndex third;
        UpdateChannelIndex(third, librariesIn(library), cache, update);
        QCOMPARE(update.fromCache, true);
        QCOMPARE(update.read, 2);
        QCOMPARE(third.files().size(), 6);
        const QVector<ChannelMatch> bars = third.find({"Red", "Green", "Blue"}, 0, builtInTable());
        QCOMPARE(bars.size(), 2);
        QCOMPARE(bars.at(0).path, library + QStringLiteral("/Acme/dimmer.qxf"));
        QVERIFY(std::none_of(third.files().cbegin(), third.files().cend(),
                             [](const IndexedFile &f) { return f.path.endsWith(QLatin1String("scanner.qxf")); }));
        QCOMPARE(third.find({"Dimmer"}, 0, builtInTable()).at(0).path, library + QStringLiteral("/Zeta/dimmer.qxf"));
        QVERIFY(testsupport::readAll(cache) != written);
    }

    // A stop keeps what was read so far; the next run reads only the rest.
    void stoppedRunKeepsItsFiles()
    {
        const QString library = writeLibrary(QStringLiteral("stopped"));
        const QString cache = m_files.file(QStringLiteral("cache-s/channel-index"));
        int asked = 0;
        ChannelIndexUpdate update;
        ChannelIndex partial;
        UpdateChannelIndex(partial, librariesIn(library), cache, update, {}, [&asked] { return ++asked > 2; });
        QCOMPARE(update.stopped, true);
        QCOMPARE(update.read, 2);
        QCOMPARE(partial.files().size(), 2);
        ChannelIndex rest;
        UpdateChannelIndex(rest, librariesIn(library), cache, update);
        QCOMPARE(update.fromCache, true);
        QCOMPARE(update.read, 4);
        QCOMPARE(rest.files().size(), 6);
    }

    // A cache that cannot be used is read anew from the libraries and written again.
    void unusableCache_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << 0 << QStringLiteral("it is not a channel index");
        QTest::newRow("cut short by one byte") << 1 << QStringLiteral("it is damaged or cut short");
        QTest::newRow("a byte changed") << 2 << QStringLiteral("it is damaged or cut short");
        QTest::newRow("another version") << 3 << QStringLiteral("another version of the program made it");
        QTest::newRow("fields past the end") << 4 << QStringLiteral("it is damaged");
    }
    void unusableCache()
    {
        QFETCH(int, damage);
        QFETCH(QString, reason);
        const QString name = QStringLiteral("unusable-%1").arg(damage);
        const QString library = writeLibrary(name);
        const QString cache = m_files.file(name + QStringLiteral("-cache/channel-index"));
        ChannelIndexUpdate update;
        ChannelIndex made;
        UpdateChannelIndex(made, librariesIn(library), cache, update);
        QByteArray bytes = testsupport::readAll(cache);
        const auto sealed = [](QByteArray content) {
            return content + QCryptographicHash::hash(content, QCryptographicHash::Sha1);
        };
        // The layout: "Z71CHIDX", format (4 bytes), the version as a text (length, bytes).
        switch (damage) {
        case 0:
            bytes.clear();
            break;
        case 1:
            bytes.chop(1);
            break;
        case 2:
            bytes[bytes.size() / 2] = char(bytes.at(bytes.size() / 2) ^ 0x20);
            break;
        case 3:
            bytes = sealed(bytes.left(12) + testsupport::hex("04 00 00 00") + "0.99" + bytes.mid(20).chopped(20));
            break;
        default:
            bytes = sealed(bytes.chopped(20) + testsupport::hex("01"));
        }
        QVERIFY(testsupport::writeAll(cache, bytes));
        ChannelIndex again;
        UpdateChannelIndex(again, librariesIn(library), cache, update);
        QCOMPARE(update.fromCache, false);
        QCOMPARE(update.read, 6);
        QCOMPARE(update.cacheProblem,
                 QStringLiteral("The channel index could not be used, so the libraries are read again: %1: %2")
                     .arg(cache, reason));
        QCOMPARE(again.modeCount(), made.modeCount());
        // Written again: the next run reads it.
        ChannelIndex next;
        UpdateChannelIndex(next, librariesIn(library), cache, update);
        QCOMPARE(update.fromCache, true);
        QCOMPARE(update.cacheProblem, QString());
    }

    // A cache that cannot be kept is said, and the index works all the same.
    void cacheThatCannotBeWritten()
    {
        const QString library = writeLibrary(QStringLiteral("unwritten"));
        m_files.write(QStringLiteral("blocked"), "a file where the cache folder would be");
        const QString cache = m_files.file(QStringLiteral("blocked/channel-index"));
        ChannelIndexUpdate update;
        ChannelIndex index;
        UpdateChannelIndex(index, librariesIn(library), cache, update);
        QCOMPARE(update.read, 6);
        QCOMPARE(update.cacheProblem,
                 QStringLiteral("The channel index could not be kept in %1: the folder cannot be made").arg(cache));
        QCOMPARE(index.find({"Dimmer"}, 0, builtInTable()).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestChannelSearch)
#include "tst_channelsearch.moc"
