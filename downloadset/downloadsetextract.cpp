// Profiles and channel-name files out of a download set.
#include "downloadset/downloadsetextract.h"

#include "channames/channelnamefiles.h"
#include "common/filestore.h"
#include "common/labels.h"
#include "common/programfolder.h"
#include "fixture/zfffile.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>

#include <algorithm>
#include <memory>

namespace zelvar {

namespace {

bool unsafeInFileName(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u < 0xA0) || QStringLiteral("/\\:*?\"<>|").contains(c);
}

} // namespace

void ProfileFromSetFixture(const SetFixture &fixture, FixtureProfile &profile)
{
    profile = FixtureProfile();
    profile.header.marker.assign(ProfileMarker);
    profile.setup = fixture.setup;
    profile.channels = fixture.channels;
    int next = 0;
    for (int channel = 1; channel <= fixture.setup.channelCount; ++channel) {
        const int count = fixture.channels[size_t(channel - 1)].stepCount;
        for (int s = 1; s <= count; ++s)
            profile.steps[size_t(FixtureProfile::slotOf(channel, s))] = fixture.steps.at(next++);
    }
    // The editor's own preparation clears the entries beyond the channel count; their fade
    // modes are the set's and go back in. The flag it sets for a shared name goes: the
    // profile was composed into the set, so it had none, and a compose of the extracted
    // files must take it again.
    PrepareForSave(profile);
    profile.header.duplicateFlag = 0;
    for (int j = fixture.setup.channelCount; j < MaxChannels; ++j)
        profile.channels[size_t(j)].fadeMode = fixture.channels[size_t(j)].fadeMode;
}

QString SharedChannelNamesNote(const SetFixture &fixture, const DownloadSet &set)
{
    QMap<int, QVector<int>> channelsOf; // by name id, in channel order
    for (int channel = 1; channel <= std::min<int>(fixture.setup.channelCount, MaxChannels); ++channel)
        channelsOf[fixture.channels[size_t(channel - 1)].nameId].append(channel);
    QStringList clauses;
    for (auto it = channelsOf.cbegin(); it != channelsOf.cend(); ++it) {
        if (it.value().size() < 2)
            continue;
        QStringList labels;
        for (int channel : it.value())
            labels << channelLabel(channel).trimmed();
        const QString last = labels.takeLast();
        const QString name = setNameText(set.names[size_t(it.key())]);
        clauses << QStringLiteral("%1 and %2 share the channel name %3%4")
                       .arg(labels.join(QStringLiteral(", ")), last)
                       .arg(it.key())
                       .arg(name.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(name.trimmed()));
    }
    return clauses.join(QStringLiteral("; "));
}

QString ExtractedProfileFileName(const SetFixture &fixture)
{
    QString name = fixture.setup.fixtureName.text();
    while (!name.isEmpty() && (name.back() == QLatin1Char(' ') || name.back() == QChar(0)))
        name.chop(1);
    for (QChar &c : name) {
        if (unsafeInFileName(c))
            c = QLatin1Char('_');
    }
    // Some file systems drop trailing dots and blanks, and leading blanks are easily lost.
    while (!name.isEmpty() && (name.back() == QLatin1Char(' ') || name.back() == QLatin1Char('.')))
        name.chop(1);
    while (!name.isEmpty() && name.front() == QLatin1Char(' '))
        name.remove(0, 1);
    if (name.isEmpty())
        name = QStringLiteral("unnamed");
    return QStringLiteral("%1-%2.zff").arg(fixture.slot, 3, 10, QLatin1Char('0')).arg(name);
}

QByteArray ExtractedNameDownFile(const DownloadSet &set)
{
    QByteArray out(DownFileSize, '\0');
    for (int i = 0; i < NameFieldCount; ++i) {
        const QByteArray name = setNameBytes(set.names[size_t(i)]);
        if (!name.isEmpty())
            assignPadded(out.data() + NameFieldSize * i, NameFieldSize, name);
    }
    return out;
}

QByteArray ExtractedNameSetFile(const DownloadSet &set)
{
    ChannelNameTable table;
    table.LoadDefaultNames();
    for (int i = BuiltInNameCount; i < ChannelNameCount; ++i) {
        const QByteArray name = setNameBytes(set.names[size_t(i)]);
        if (name.isEmpty())
            continue;
        ChannelNameEntry &e = table.entries[size_t(i)];
        e.entryIndex = quint8(i);
        e.nameId = quint8(i);
        e.name.assign(name);
    }
    return EncodeChannelNameSet(table);
}

Outcome ExtractDownloadSet(const DownloadSet &set, const QString &folder, QStringList &written, QStringList &notes)
{
    written.clear();
    notes.clear();
    if (QFileInfo(folder).exists() && !QFileInfo(folder).isDir())
        return Outcome::failure(QStringLiteral("%1 is a file, not a folder; name a folder to extract into").arg(folder));
    if (!QDir().mkpath(folder))
        return Outcome::failure(QStringLiteral("Cannot create the folder %1").arg(folder));
    auto profile = std::make_unique<FixtureProfile>();
    for (const SetFixture &fixture : set.fixtures) {
        ProfileFromSetFixture(fixture, *profile);
        const QString path = joinFolderPath(folder, ExtractedProfileFileName(fixture));
        if (Outcome saved = WriteProfile(*profile, path); !saved)
            return saved;
        written << path;
        if (const QString shared = SharedChannelNamesNote(fixture, set); !shared.isEmpty())
            notes << QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), shared);
    }
    if (!set.holdsNames())
        return Outcome::success();
    const struct
    {
        QString name;
        QByteArray content;
    } nameFiles[] = {{channelNameDownFileName(), ExtractedNameDownFile(set)},
                     {channelNameSetFileName(), ExtractedNameSetFile(set)}};
    for (const auto &file : nameFiles) {
        const QString path = joinFolderPath(folder, file.name);
        if (Outcome saved = replaceFile(path, file.content); !saved)
            return saved;
        written << path;
    }
    return Outcome::success();
}

} // namespace zelvar
