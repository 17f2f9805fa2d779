// zelvar71-cli tzk run as a user runs it: random sets composed from profiles made here,
// taken apart by `tzk extract` and composed again give the same bytes, and `tzk show` says
// what went in; refusals, warnings and the command line.
#include "clirun.h"
#include "handmadezff.h"
#include "testsupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <numeric>

using testsupport::HandChannel;
using testsupport::HandStep;
using testsupport::HandZff;

namespace {

CliRun tzk(const QStringList &args)
{
    return runCli(QStringList(QStringLiteral("tzk")) + args);
}

QByteArray randomText(QRandomGenerator &rng, int minLength, int maxLength)
{
    static const QByteArray alphabet("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -./*%\xe9\xfc");
    QByteArray text;
    const int length = rng.bounded(minLength, maxLength + 1);
    for (int i = 0; i < length; ++i)
        text += alphabet.at(rng.bounded(int(alphabet.size())));
    return text;
}

// A profile as the editor might have saved it, with everything a set carries drawn at
// random: distinct names on the used channels, or in one profile of four two channels that
// share a name, as a hand-made or received profile may (its duplicate flag still 0); any
// fade-mode byte; and now and then name ids, fade modes and steps on entries beyond the
// channel count.
HandZff randomProfile(QRandomGenerator &rng, int maxSteps)
{
    HandZff z;
    z.channelCount = quint8(rng.bounded(1, 17));
    z.fixtureName = randomText(rng, 1, 18);
    z.blackChannel = quint8(rng.bounded(256));
    z.blackValue = quint8(rng.bounded(256));
    z.masterMask = quint16(rng.bounded(65536));
    z.panCoarse = quint8(rng.bounded(17));
    z.panFine = quint8(rng.bounded(17));
    z.tiltCoarse = quint8(rng.bounded(17));
    z.tiltFine = quint8(rng.bounded(17));
    QVector<int> ids(256);
    std::iota(ids.begin(), ids.end(), 0);
    std::shuffle(ids.begin(), ids.end(), rng);
    for (int j = 0; j < 16; ++j) {
        const bool used = j < z.channelCount;
        HandChannel c;
        c.nameId = quint8(used ? ids[j] : (rng.bounded(4) == 0 ? rng.bounded(256) : 0));
        c.fadeMode = quint8(rng.bounded(5) == 0 ? rng.bounded(256) : rng.bounded(3));
        int steps = 0;
        if (used)
            steps = rng.bounded(10) == 0 ? 50 : rng.bounded(maxSteps + 1);
        else if (rng.bounded(6) == 0)
            steps = rng.bounded(1, 4);
        for (int s = 0; s < steps; ++s)
            c.steps.append(HandStep{randomText(rng, 1, 8), quint8(rng.bounded(256)), quint8(rng.bounded(256)),
                                    quint8(rng.bounded(256))});
        z.channels.append(c);
    }
    if (z.channelCount >= 2 && rng.bounded(4) == 0)
        z.channels[z.channelCount - 1].nameId = z.channels[0].nameId;
    return z;
}

bool sharesANameId(const HandZff &z)
{
    for (int a = 0; a < z.channelCount; ++a) {
        for (int b = a + 1; b < z.channelCount; ++b) {
            if (z.channels[a].nameId == z.channels[b].nameId)
                return true;
        }
    }
    return false;
}

// A "ChNameDown.fix" of every kind of field: zero, blank-padded names, names followed by
// control bytes, names with a NUL inside.
QByteArray randomNames(QRandomGenerator &rng)
{
    QByteArray names(2048, '\0');
    for (int i = 0; i < 256; ++i) {
        QByteArray field;
        switch (rng.bounded(4)) {
        case 0:
            break;
        case 1:
            field = randomText(rng, 1, 8);
            break;
        case 2:
            field = randomText(rng, 1, 6) + QByteArray(1, char(rng.bounded(1, 32)));
            break;
        default:
            field = randomText(rng, 1, 3) + QByteArray(1, '\0') + randomText(rng, 1, 3);
            break;
        }
        names.replace(8 * i, 8, field.leftJustified(8, rng.bounded(2) ? ' ' : '\0'));
    }
    return names;
}

// What a set's name field holds for a names-file field: trailing codes up to 32 cut.
QString storedName(const QByteArray &names, int i)
{
    QByteArray field = names.mid(8 * i, 8);
    while (!field.isEmpty() && quint8(field.back()) <= 32)
        field.chop(1);
    return QString::fromLatin1(field);
}

QString text(const QByteArray &bytes, int length)
{
    return QString::fromLatin1(bytes.left(length).leftJustified(length, ' '));
}

// What `tzk show` is to say of profile `z` in slot `slot`, written from the profile.
QJsonObject shownFixture(const HandZff &z, int slot, const QByteArray &names)
{
    QJsonArray fades;
    QJsonArray channels;
    for (int j = 0; j < 16; ++j)
        fades.append(z.channels[j].fadeMode);
    for (int j = 0; j < z.channelCount; ++j) {
        const HandChannel &c = z.channels[j];
        QJsonArray steps;
        for (const HandStep &step : c.steps)
            steps.append(QJsonObject{{"name", text(step.name, 8)}, {"fromDmx", step.fromDmx}, {"toDmx", step.toDmx},
                                     {"stepDmx", step.stepDmx}});
        QJsonObject channel{{"channel", j + 1}, {"nameId", c.nameId}, {"stepCount", int(c.steps.size())}, {"steps", steps}};
        if (!names.isEmpty())
            channel.insert("name", storedName(names, c.nameId));
        channels.append(channel);
    }
    return QJsonObject{{"slot", slot}, {"channelCount", z.channelCount}, {"fixtureName", text(z.fixtureName, 18)},
                       {"blackChannel", z.blackChannel}, {"blackValue", z.blackValue}, {"masterMask", z.masterMask},
                       {"panCoarse", z.panCoarse}, {"panFine", z.panFine}, {"tiltCoarse", z.tiltCoarse},
                       {"tiltFine", z.tiltFine}, {"fadeModes", fades}, {"channels", channels}};
}

} // namespace

class TestCliTzk : public QObject
{
    Q_OBJECT

private:
    testsupport::ScratchFolder m_dir;

    QString write(const QString &name, const QByteArray &bytes) { return m_dir.write(name, bytes); }
    QString file(const QString &name) const { return m_dir.file(name); }

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("withNames");
        QTest::addColumn<int>("maxSteps"); // on most channels; one in ten has 50
        for (int count : {1, 17, 255}) {
            for (bool withNames : {true, false})
                QTest::addRow("%d fixtures, %s", count, withNames ? "names" : "no names")
                    << count << withNames << (count == 255 ? 4 : 50);
        }
    }
    void roundTrip()
    {
        QFETCH(int, count);
        QFETCH(bool, withNames);
        QFETCH(int, maxSteps);
        QRandomGenerator rng(quint32(count * 2 + (withNames ? 1 : 0)));
        const QString case_ = QStringLiteral("%1-%2").arg(count).arg(withNames);

        QVector<HandZff> profiles;
        QStringList args{QStringLiteral("compose"), QStringLiteral("-o"), file(case_ + QStringLiteral("/set.tzk"))};
        QByteArray names;
        if (withNames) {
            names = randomNames(rng);
            args << QStringLiteral("--names") << write(case_ + QStringLiteral("/in/ChNameDown.fix"), names);
        } else {
            args << QStringLiteral("--no-names");
        }
        for (int k = 0; k < count; ++k) {
            profiles.append(randomProfile(rng, maxSteps));
            args << write(case_ + QStringLiteral("/in/%1.zff").arg(k), profiles.last().bytes());
        }
        CliRun r = runCli(args);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY2(r.err.isEmpty(), r.err.constData());
        const QByteArray set = testsupport::readAll(file(case_ + QStringLiteral("/set.tzk")));

        // Taken apart...
        const QString out = file(case_ + QStringLiteral("/out"));
        r = tzk({QStringLiteral("extract"), file(case_ + QStringLiteral("/set.tzk")), out});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY2(r.err.isEmpty(), r.err.constData());
        const QStringList extracted = QDir(out).entryList({QStringLiteral("*.zff")}, QDir::Files, QDir::Name);
        QCOMPARE(extracted.size(), count);
        // A profile whose channels share a name is noted, and extracted as it was composed.
        const qsizetype shared = std::count_if(profiles.cbegin(), profiles.cend(), sharesANameId);
        QCOMPARE(r.out.count("\nnote: "), shared);
        for (const QString &name : extracted)
            QCOMPARE(testsupport::readAll(out + QLatin1Char('/') + name).mid(4, 2), QByteArray(2, '\0'));
        QCOMPARE(QFile::exists(out + QStringLiteral("/ChNameDown.fix")), withNames);
        QCOMPARE(QFileInfo(out + QStringLiteral("/ChNameSet.fix")).size(), withNames ? 2560 : 0);

        // ...and composed again, in file-name order.
        args = QStringList{QStringLiteral("compose"), QStringLiteral("-o"), file(case_ + QStringLiteral("/again.tzk"))};
        if (withNames)
            args << QStringLiteral("--names") << out + QStringLiteral("/ChNameDown.fix");
        else
            args << QStringLiteral("--no-names");
        for (const QString &name : extracted)
            args << out + QLatin1Char('/') + name;
        r = runCli(args);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QByteArray again = testsupport::readAll(file(case_ + QStringLiteral("/again.tzk")));
        QCOMPARE(again.size(), set.size());
        QVERIFY(again == set);

        r = tzk({QStringLiteral("show"), file(case_ + QStringLiteral("/set.tzk"))});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QJsonParseError error;
        const QJsonObject shown = QJsonDocument::fromJson(r.out, &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        QCOMPARE(shown.value("sendSeconds").toDouble(), std::round(set.size() * 11.0 / 38400 * 100) / 100);
        QJsonArray shownNames;
        for (int i = 0; withNames && i < 256; ++i)
            shownNames.append(storedName(names, i));
        QCOMPARE(shown.value("names").toArray(), shownNames);
        const QJsonArray fixtures = shown.value("fixtures").toArray();
        QCOMPARE(fixtures.size(), count);
        int stepArea = 21504;
        for (int k = 0; k < count; ++k) {
            const QJsonObject expected = shownFixture(profiles[k], k + 1, names);
            QVERIFY2(fixtures.at(k).toObject() == expected,
                     QJsonDocument(fixtures.at(k).toObject()).toJson().left(300).constData());
            for (const QJsonValue &c : expected.value("channels").toArray())
                stepArea += 11 * c.toObject().value("stepCount").toInt();
            stepArea += 16;
        }
        const QJsonObject rest{{"fileSize", int(set.size())}, {"stepAreaEnd", stepArea}, {"paddingBytes", 0},
                               {"fixtureCount", count},       {"namesFlag", withNames ? 1 : 0}};
        for (const QString &key : rest.keys())
            QCOMPARE(shown.value(key), rest.value(key));
    }

    void extractIntoAFolderThatHoldsOtherProfiles()
    {
        HandZff z;
        z.fixtureName = "Par/64";
        z.channelCount = 3;
        z.channels = {HandChannel{6, 1, {}, -1}, HandChannel{7, 1, {}, -1}, HandChannel{6, 1, {}, -1}};
        const QString set = file(QStringLiteral("warn/set.tzk"));
        QCOMPARE(runCli({QStringLiteral("compose"), QStringLiteral("-o"), set, QStringLiteral("--no-names"),
                         write(QStringLiteral("warn/a.zff"), z.bytes())})
                     .exitCode,
                 0);
        const QString out = file(QStringLiteral("warn/out"));
        write(QStringLiteral("warn/out/old.zff"), z.bytes());
        CliRun r = tzk({QStringLiteral("extract"), set, out});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(QFile::exists(out + QStringLiteral("/001-Par_64.zff")));
        QVERIFY2(r.out.contains("\nnote: 001-Par_64.zff: Chan 1 and Chan 3 share the channel name 6\n"),
                 r.out.constData());
        QVERIFY2(r.err.contains("also holds 1 other profile,"), r.err.constData());
        QVERIFY(r.out.contains("--no-names"));
        QFile::remove(out + QStringLiteral("/old.zff"));
        r = tzk({QStringLiteral("extract"), set, out}); // its own files from before are no others
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.isEmpty(), r.err.constData());
    }

    void refusalsAndUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("no command") << QStringList{} << 2 << QByteArray("tzk needs a command");
        QTest::newRow("unknown command") << QStringList{"list", "x.tzk"} << 2 << QByteArray("unknown command tzk list");
        QTest::newRow("show without a file") << QStringList{"show"} << 2 << QByteArray("usage: zelvar71-cli tzk show");
        QTest::newRow("extract without a folder")
            << QStringList{"extract", "x.tzk"} << 2 << QByteArray("usage: zelvar71-cli tzk show");
        QTest::newRow("show a text file") << QStringList{"show", "TEXT"} << 1
                                          << QByteArray("text.tzk: it does not start with \"ZELVAR71\"");
        QTest::newRow("extract a text file") << QStringList{"extract", "TEXT", "OUT"} << 1
                                             << QByteArray("it is not a download set; nothing was written");
    }
    void refusalsAndUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, error);
        const QString textFile = write(QStringLiteral("text.tzk"), "not a set\n");
        const QString out = file(QStringLiteral("refused"));
        args.replaceInStrings(QStringLiteral("TEXT"), textFile).replaceInStrings(QStringLiteral("OUT"), out);
        const CliRun r = tzk(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(error), r.err.constData());
        QVERIFY(r.out.isEmpty());
        QVERIFY(!QFileInfo::exists(out));
    }
};

QTEST_GUILESS_MAIN(TestCliTzk)
#include "tst_clitzk.moc"
