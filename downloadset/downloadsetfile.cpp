// Composition of the .tzk download-set image from fixture profiles and "ChNameDown.fix".
#include "downloadset/downloadsetfile.h"

#include "channames/channelnamefiles.h"
#include "common/bytes.h"
#include "common/filestore.h"
#include "common/labels.h"
#include "fixture/zfffile.h"

#include <QFileInfo>

#include <cstring>
#include <memory>

namespace zelvar {

namespace {

// Slot 0 is a pseudo-fixture the controller expects in every set.
void writeNoFixtureSlot(char *slot)
{
    slot[SlotChannelCountOffset] = 0;
    assignPadded(slot + SlotFixtureNameOffset, FixtureNameLength, QByteArrayLiteral("NO FIXTURE"));
    const quint8 fixed[18] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 10, 100, 10, 100, 0, 0};
    std::memcpy(slot + SlotPanCoarseOffset, fixed, sizeof fixed);
    // Its fade-mode bytes read 1 and then fifteen 0 in every set the controller knows.
    slot[SlotFadeModesOffset] = 1;
}

void writeSlot(char *slot, const FixtureProfile &p)
{
    const FixtureSetup &s = p.setup;
    slot[SlotChannelCountOffset] = char(s.channelCount);
    std::memcpy(slot + SlotFixtureNameOffset, s.fixtureName.data(), FixtureNameLength);
    slot[SlotPanCoarseOffset] = char(s.panCoarse);
    slot[SlotPanFineOffset] = char(s.panFine);
    slot[SlotTiltCoarseOffset] = char(s.tiltCoarse);
    slot[SlotTiltFineOffset] = char(s.tiltFine);
    slot[SlotBlackChannelOffset] = char(s.blackChannel);
    slot[SlotBlackValueOffset] = char(s.blackValue);
    storeU16le(slot + SlotMasterMaskOffset, s.masterMask);
    for (int j = 0; j < MaxChannels; ++j)
        slot[SlotFadeModesOffset + j] = char(p.channels[size_t(j)].fadeMode);
}

// Trailing characters of code 32 or below are dropped; what is left goes into the field,
// the rest of the field stays zero.
void writeNames(char *block, const QByteArray &names)
{
    for (int i = 0; i < NameFieldCount; ++i) {
        const char *name = names.constData() + NameFieldSize * i;
        int length = NameFieldSize;
        while (length > 0 && quint8(name[length - 1]) <= 32)
            --length;
        std::memcpy(block + NameFieldSize * i, name, size_t(length));
    }
}

QString readNames(const QString &namesPath, QByteArray &names)
{
    const QString fileName = QFileInfo(namesPath).fileName();
    if (Outcome read = readFilePrefix(namesPath, NameFileKind, names, DownFileSize + 1); !read)
        return read.reason();
    if (names.size() > DownFileSize)
        return QStringLiteral("%1 is longer than %2 bytes").arg(fileName).arg(DownFileSize);
    if (names.size() < DownFileSize)
        return QStringLiteral("%1 is %2 bytes long; it must be %3").arg(fileName).arg(names.size()).arg(DownFileSize);
    return QString();
}

Outcome readFixture(const QString &path, FixtureProfile &profile)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Outcome::failure(QStringLiteral("the file does not exist"));
    if (!info.isFile())
        return Outcome::failure(QStringLiteral("it is not a file"));
    return ReadProfile(path, profile);
}

} // namespace

Outcome CheckSharedNamesFlag(const QString &path)
{
    ProfileHeader header;
    if (!ReadProfileHeader(path, header) || header.duplicateFlag == 0)
        return Outcome::success();
    // The channels that share a name, when the whole file can be read and still shows them.
    QStringList shared;
    FixtureProfile profile;
    if (ReadProfile(path, profile)) {
        for (const QVector<int> &group : ChannelsSharingNames(profile)) {
            QStringList channels;
            for (int channel : group)
                channels << channelLabel(channel);
            const QString last = channels.takeLast();
            shared << channels.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last
                    + QStringLiteral(" share one channel name");
        }
    }
    const QString what = shared.isEmpty() ? QStringLiteral("its channels do not all have a name of their own")
                                          : shared.join(QStringLiteral("; "));
    return Outcome::failure(
        what + QStringLiteral("; give every channel a name of its own in the fixture editor and save it again"));
}

QString DownloadSetFileName(const QString &chosen)
{
    if (chosen.right(4).compare(QLatin1String(".tzk"), Qt::CaseInsensitive) == 0)
        return chosen;
    return chosen + QStringLiteral(".tzk");
}

Outcome ComposeDownloadSet(const QStringList &fixturePaths, const QString &namesPath, ComposedSet &set,
                           const FixtureReading &reading)
{
    set = ComposedSet();
    if (fixturePaths.isEmpty())
        return Outcome::failure(QStringLiteral("a download set needs at least one fixture"));
    if (fixturePaths.size() > MaxFixturesInSet)
        return Outcome::failure(QStringLiteral("a download set holds at most %1 fixtures; %2 are selected")
                                    .arg(MaxFixturesInSet)
                                    .arg(fixturePaths.size()));

    QByteArray image(MinDownloadSetSize, '\0');
    char *base = image.data();
    std::memcpy(base, DownloadSetMagic, DownloadSetMagicSize);
    std::memcpy(base + DownloadSetSignatureOffset, DownloadSetSignature, DownloadSetSignatureSize);
    writeNoFixtureSlot(base + SlotTableOffset);

    QByteArray names;
    if (!namesPath.isEmpty()) {
        set.namesProblem = readNames(namesPath, names);
        set.namesWritten = set.namesProblem.isEmpty();
    }
    if (set.namesWritten) {
        base[NamesFlagOffset] = 1;
        writeNames(base + NamesBlockOffset, names);
    }

    base[FixtureCountOffset] = char(fixturePaths.size());

    // One profile for all fixtures: each read replaces every field the set takes from it.
    auto profile = std::make_unique<FixtureProfile>();
    qsizetype stepBlock = StepAreaOffset;
    for (int index = 0; index < fixturePaths.size(); ++index) {
        if (reading)
            reading(index);
        const QString &path = fixturePaths.at(index);
        if (Outcome read = readFixture(path, *profile); !read) {
            set = ComposedSet();
            set.failedFixture = index;
            return Outcome::failure(QStringLiteral("%1: %2").arg(path, read.reason()));
        }
        const int slot = index + 1;
        const int used = profile->setup.channelCount;
        writeSlot(image.data() + SlotTableOffset + FixtureSlotSize * slot, *profile);

        // Only the fixture's own channels go to the controller, and its step block holds
        // exactly the steps its counts announce, so that the next block starts where the
        // controller looks for it.
        int blockSteps = 0;
        for (int j = 0; j < used; ++j)
            blockSteps += profile->channels[size_t(j)].stepCount;
        const qsizetype blockEnd = stepBlock + StepBlockHeadSize + qsizetype(StepRecordSize) * blockSteps;
        if (blockEnd > image.size())
            image.append(blockEnd - image.size(), '\0');
        base = image.data();

        char *nameIds = base + NameIdTableOffset + NameIdRowSize * slot;
        char *counts = base + stepBlock;
        char *record = counts + StepBlockHeadSize;
        for (int j = 0; j < used; ++j) {
            const ChannelEntry &channel = profile->channels[size_t(j)];
            nameIds[j] = char(channel.nameId);
            counts[j] = char(channel.stepCount);
            for (int s = 0; s < channel.stepCount; ++s) {
                const StepRecord &step = profile->steps[size_t(FixtureProfile::slotOf(j + 1, s + 1))];
                std::memcpy(record + StepNameOffset, step.name.data(), StepNameLength);
                record[StepFromDmxOffset] = char(step.fromDmx);
                record[StepToDmxOffset] = char(step.toDmx);
                record[StepStepDmxOffset] = char(step.stepDmx);
                record += StepRecordSize;
            }
        }
        stepBlock = blockEnd;
    }
    set.image = image;
    return Outcome::success();
}

} // namespace zelvar
