// The generic library fixtures: a 16-channel moving head, an 8-channel and a 6-channel
// moving light and a 4-channel RGB par, named with the built-in channel names.
#include "downloadset/libraryfixtures.h"

#include "channames/channelnametable.h"
#include "common/programfolder.h"
#include "common/userfolders.h"
#include "fixture/zfffile.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cstring>
#include <vector>

namespace zelvar {

const std::array<const char *, LibraryFixtureCount> LibraryFixtureFileNames = {
    "KZTFIX16.zff", "KZTFIX8.zff", "KZTFIX6.zff", "KZTFIX4.zff"};

namespace {

struct StepDesign
{
    const char *name;
    quint8 fromDmx;
    quint8 toDmx;
};

struct ChannelDesign
{
    const char *name; // a built-in channel name
    FadeMode fadeMode;
    std::vector<StepDesign> steps;
};

const std::vector<StepDesign> ShutterSteps = {
    {"Closed", 0, 15}, {"Strobe", 16, 127}, {"Pulse", 128, 191}, {"Random", 192, 239}, {"Open", 240, 255}};
const std::vector<StepDesign> ColorSteps = {
    {"White", 0, 15},   {"Red", 16, 31},   {"Orange", 32, 47},   {"Yellow", 48, 63},    {"Green", 64, 79},
    {"Cyan", 80, 95},   {"Blue", 96, 111}, {"Magenta", 112, 127}, {"Rainbow", 128, 255}};
const std::vector<StepDesign> GoboSteps = {
    {"Open", 0, 15},    {"Gobo 1", 16, 31}, {"Gobo 2", 32, 47},   {"Gobo 3", 48, 63}, {"Gobo 4", 64, 79},
    {"Gobo 5", 80, 95}, {"Gobo 6", 96, 111}, {"Gobo 7", 112, 127}, {"Shake", 128, 255}};
const std::vector<StepDesign> RotationSteps = {{"Index", 0, 127}, {"Rot CW", 128, 191}, {"Rot CCW", 192, 255}};
const std::vector<StepDesign> PrismSteps = {{"Off", 0, 127}, {"On", 128, 255}};
const std::vector<StepDesign> FunctionSteps = {
    {"Normal", 0, 127}, {"Lamp On", 128, 159}, {"Lamp Off", 160, 191}, {"Reset", 192, 255}};

constexpr FadeMode Fade = FadeMode::Fade;
constexpr FadeMode Snap = FadeMode::SnapBefore;

struct FixtureDesign
{
    const char *name;
    std::vector<ChannelDesign> channels;
    quint8 panCoarse, panFine, tiltCoarse, tiltFine;
    quint8 dimmer; // the black channel (black at DMX 0) and the one master channel
};

const std::array<FixtureDesign, LibraryFixtureCount> Library = {{
    {"Generic 16Ch",
     {{"Pan", Fade, {}},
      {"Pan Fine", Fade, {}},
      {"Tilt", Fade, {}},
      {"Tlt Fine", Fade, {}},
      {"P/T Spd", Snap, {}},
      {"Dimmer", Fade, {}},
      {"Shutter", Snap, ShutterSteps},
      {"Color", Snap, ColorSteps},
      {"Gobo", Snap, GoboSteps},
      {"Gobo Rot", Fade, RotationSteps},
      {"Prism", Snap, PrismSteps},
      {"Prsm Rot", Fade, RotationSteps},
      {"Focus", Fade, {}},
      {"Zoom", Fade, {}},
      {"Iris", Fade, {}},
      {"Function", Snap, FunctionSteps}},
     1, 2, 3, 4, 6},
    {"Generic 8Ch",
     {{"Pan", Fade, {}},
      {"Tilt", Fade, {}},
      {"P/T Spd", Snap, {}},
      {"Dimmer", Fade, {}},
      {"Shutter", Snap, ShutterSteps},
      {"Color", Snap, ColorSteps},
      {"Gobo", Snap, GoboSteps},
      {"Function", Snap, FunctionSteps}},
     1, 0, 2, 0, 4},
    {"Generic 6Ch",
     {{"Pan", Fade, {}},
      {"Tilt", Fade, {}},
      {"Color", Snap, ColorSteps},
      {"Gobo", Snap, GoboSteps},
      {"Shutter", Snap, ShutterSteps},
      {"Dimmer", Fade, {}}},
     1, 0, 2, 0, 6},
    {"Generic 4Ch",
     {{"Dimmer", Fade, {}}, {"Red", Fade, {}}, {"Green", Fade, {}}, {"Blue", Fade, {}}},
     0, 0, 0, 0, 1},
}};

quint8 builtInNameId(const char *name)
{
    for (int i = 0; i < BuiltInNameCount; ++i) {
        if (std::strcmp(DefaultNames[size_t(i)], name) == 0)
            return quint8(i);
    }
    Q_ASSERT_X(false, "builtInNameId", name);
    return BuiltInNameCount - 1;
}

} // namespace

FixtureProfile LibraryFixtureProfile(int index)
{
    const FixtureDesign &design = Library.at(size_t(index));
    FixtureProfile profile;
    ResetProfileValues(profile, int(design.channels.size()), QString::fromLatin1(design.name));
    profile.setup.panCoarse = design.panCoarse;
    profile.setup.panFine = design.panFine;
    profile.setup.tiltCoarse = design.tiltCoarse;
    profile.setup.tiltFine = design.tiltFine;
    profile.setup.blackChannel = design.dimmer;
    profile.setup.blackValue = 0;
    profile.setup.masterMask = quint16(1u << (design.dimmer - 1));

    int channel = 1;
    for (const ChannelDesign &c : design.channels) {
        ChannelEntry &entry = profile.channels[size_t(channel - 1)];
        entry.nameId = builtInNameId(c.name);
        entry.fadeMode = quint8(c.fadeMode);
        entry.stepCount = quint8(c.steps.size());
        int step = 1;
        for (const StepDesign &s : c.steps) {
            StepRecord &record = profile.steps[size_t(FixtureProfile::slotOf(channel, step))];
            record.name.assign(s.name);
            record.fromDmx = s.fromDmx;
            record.toDmx = s.toDmx;
            // The editor proposes the middle of a step's range as its own value.
            record.stepDmx = quint8((s.fromDmx + s.toDmx) / 2);
            ++step;
        }
        ++channel;
    }
    PrepareForSave(profile);
    return profile;
}

QString LibraryFixturePath(int index, const QString &programFolder, const QString &restoreFolder)
{
    const QString name = QString::fromLatin1(LibraryFixtureFileNames.at(size_t(index)));
    const QString own = joinFolderPath(programFolder, name);
    return QFileInfo::exists(own) ? own : joinFolderPath(restoreFolder, name);
}

QString LibraryFixturePath(int index)
{
    return LibraryFixturePath(index, programFolder(), userFileFolder());
}

Outcome WriteLibraryFixtures(const QString &folder)
{
    QStringList reasons;
    for (int i = 0; i < LibraryFixtureCount; ++i) {
        const QString path = joinFolderPath(folder, QString::fromLatin1(LibraryFixtureFileNames[size_t(i)]));
        if (Outcome written = WriteProfile(LibraryFixtureProfile(i), path); !written)
            reasons << written.reason();
    }
    return reasons.isEmpty() ? Outcome::success() : Outcome::failure(reasons.join(QLatin1Char('\n')));
}

Outcome RestoreMissingLibraryFixtures(const QString &programFolder, const QString &restoreFolder)
{
    QStringList reasons;
    for (int i = 0; i < LibraryFixtureCount; ++i) {
        const QString path = LibraryFixturePath(i, programFolder, restoreFolder);
        if (QFileInfo::exists(path))
            continue;
        if (!QDir().mkpath(restoreFolder)) {
            reasons << QStringLiteral("The folder %1 cannot be created.").arg(restoreFolder);
            break;
        }
        if (Outcome written = WriteProfile(LibraryFixtureProfile(i), path); !written)
            reasons << written.reason();
    }
    return reasons.isEmpty() ? Outcome::success() : Outcome::failure(reasons.join(QLatin1Char('\n')));
}

} // namespace zelvar
