// What every import shares in turning one mode of a fixture definition into a profile the
// controller takes, whatever file the mode comes from: the profile and the channels as they
// were taken over, the channel names handed out from the channel-name table (which grows by
// the names it lacks), the steps cut to 50 a channel, the master and black choices. The names
// an import adds reach the files through the channel-name store (ChannelNameStore::update),
// together with the profile when one is written.
#pragma once

#include "channames/channelnametable.h"
#include "common/outcome.h"
#include "fixture/fixtureprofile.h"
#include "fixtureimport/importfunctions.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace zelvar {

// Whether a profile can hold a mode.
struct ImportModeFit
{
    int channelCount = 0;
    QString problem; // why not, in words; empty when it can
    QString summary; // the kind of refusal in a few words, for summaries: "more than 16 channels"
    bool fits() const { return problem.isEmpty(); }
};

// How one channel of the mode was taken over, for showing before the import.
struct ImportedChannel
{
    QString sourceName; // the channel's name in the definition
    quint8 nameId = 0;  // its entry in the channel-name table
    QString name;       // that entry's name
    bool nameAdded = false; // the conversion added the name to the table
    FadeMode fadeMode = FadeMode::SnapBefore;
    int capabilityCount = 0; // the definition's ranges of the channel
    int stepCount = 0;
};

struct ImportedFixture
{
    // Channels beyond the count are zero and no two used channels share a nameId, so
    // PrepareForSave leaves duplicateFlag 0.
    FixtureProfile profile;
    QVector<ImportedChannel> channels;
    // The names this conversion added to the channel-name table, in the order added.
    QStringList addedNames;
    // Everything of the definition the profile does not hold, and the choices made for the
    // black and master channels, one sentence each.
    QStringList warnings;
};

// A fresh profile of `channelCount` channels named `fixtureName`, no master and black on
// all channels until the conversion chooses.
void StartImportedProfile(ImportedFixture &fixture, int channelCount, const QString &fixtureName);

// ---------------------------------------------------------------------------------------
// Channel names

// The built-in name that a profile channel of this number (1 to 16) falls back to:
// "CHAN.01" to "CHAN.16".
quint8 NumberedChannelNameId(int channel);
// The name of entry `id` as a channel shows it, without trailing blanks.
QString ImportedEntryName(const ChannelNameTable &names, int id);

// Who has the first claim on a name that several channels of a mode share: channels of one
// name are numbered in this order, and then in channel order ("Dimmer", "Dimmer 2").
enum class NameClaim { MasterDimmer, Dimmer, Other };

// How one channel of a mode wants to be named.
struct ChannelToName
{
    QString name; // the name of its function (FunctionName), or its own readable name
    ImportFunction function = ImportFunction::Special; // whose built-in names stand in
    NameClaim claim = NameClaim::Other;
    QString label; // the channel as the notes name it: "Chan 3 "Shutter""
};

// Sets every channel's nameId in fixture.profile from `names`, which grows by the names it
// lacks: a built-in name, a name the table holds, or a new name set into the first free
// entry from 59 on that is not held (channels of one name numbered, "Red", "Red 2"); when
// no entry is free, the closest built-in name still free in the profile, and only then
// "CHAN.nn", each with a note in fixture.warnings. Names added go to fixture.addedNames. Returns for each
// channel whether its name was added. This is the one way an import names channels.
QVector<bool> NameImportedChannels(const QVector<ChannelToName> &channels, ChannelNameTable &names,
                                   ImportedFixture &fixture);
// The names the channels would get from `names`, which is left as it is: what a search
// over a library compares, without steps and without writing anything.
QStringList ImportedChannelNames(const QVector<ChannelToName> &channels, const ChannelNameTable &names);

// ---------------------------------------------------------------------------------------
// Steps

// One named DMX range of a channel, as the definition gives it.
struct ImportStep
{
    int from = 0; // 0 to 255, from <= to
    int to = 0;
    QString text;  // what the definition calls it
    int first = 0; // the definition's ranges it stands for, 1-based, for the notes
    int last = 0;
};

// At most 50 steps: above that, neighbours of the same text are merged, then the steps
// from the 50th on become step 50, named with a "+", each with a note; `items` says what
// the definition's ranges are called ("capabilities").
QVector<ImportStep> FitImportedSteps(QVector<ImportStep> steps, const QString &label, const QString &items,
                                     QStringList &warnings);

// Fills the steps of profile channel `channel` (1-based) from `steps` (at most 50): names
// made readable (StepName), distinct within the channel, a range without text named by its
// values ("41-49"), the middle of each range as its step value. A channel without steps
// gets one from 0 to 255 named `whole`. Returns the number of steps.
int FillImportedSteps(FixtureProfile &profile, int channel, const QVector<ImportStep> &steps, const QString &whole);

// ---------------------------------------------------------------------------------------
// Pan, tilt, master and black

// A text that says the light is shut: "Closed", "Shutter closed", "Blackout".
bool IsClosedText(const QString &text);

// Makes `channel` the profile's channel in `slot` (pan, fine pan...) unless another one
// is, which is noted: "Chan 5 "Pan 2": another pan channel; the profile's pan channel is
// Chan 1."
void SetPositionChannel(quint8 &slot, int channel, const char *what, const QString &label, QStringList &warnings);

// The channels the master and black choices pick from, 1-based.
struct MasterCandidates
{
    QVector<int> masters;           // dimmers the definition calls masters
    QVector<int> dimmers;           // dimmers
    QVector<int> groupDimmers;      // intensity channels known only by their kind
    QVector<int> colourIntensities; // additive colours
    int shutterChannel = 0;         // the first shutter with a closed position, and that position
    int shutterValue = 0;
};

// The master fader scales the masters; without one the dimmers, then the group dimmers;
// without those the additive colour channels, so that a colour bar still follows the
// master. Black is the closed shutter, else the one dimmer, else every channel at 0. Each
// fallback is noted.
void ChooseMasterAndBlack(const MasterCandidates &found, FixtureSetup &setup, QStringList &warnings);

// ---------------------------------------------------------------------------------------
// Notes

QString QuotedText(const QString &text);
// A channel as the notes name it: "Chan 3 "Shutter"".
QString ImportNoteLabel(int channel, const QString &name);
// "Chan 1, Chan 2, Chan 3".
QString ChannelListText(const QVector<int> &channels);

} // namespace zelvar
