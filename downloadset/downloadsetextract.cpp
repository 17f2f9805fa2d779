// Profiles and channel-name files out of a download set.
#include "downloadset/downloadsetextract.h"

#include "channames/channelnamefiles.h"
#include "common/filestore.h"
#include "common/programfolder.h"
#include "fixture/zfffile.h"

#include <QDir>
#include <QFileInfo>

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
    // The editor's own preparation sets the flag; the fade modes it clears beyond the
    // channel count are the set's and go back in.
    PrepareForSave(profile);
    for (int j = fixture.setup.channelCount; j < MaxChannels; ++j)
        profile.channels[size_t(j)].fadeMode = fixture.channels[size_t(j)].fadeMode;
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

Outcome ExtractDownloadSet(const DownloadSet &set, const QString &folder, QStringList &written)
{
    written.clear();
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
