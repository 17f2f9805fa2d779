// Reading a .tzk download set back: from a stick, from the controller over the line, or
// from last season's show. The whole file is checked before any of it is trusted.
#pragma once

#include "common/filestore.h"
#include "common/fixedtext.h"
#include "common/outcome.h"
#include "downloadset/downloadsetfile.h"
#include "fixture/fixtureprofile.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <array>

namespace zelvar {

using SetName = FixedText<NameFieldSize>;

// One fixture of a set, as its slot, name-id row and step block hold it.
struct SetFixture
{
    int slot = 0;      // 1 to 255, the fixture's place in the set
    FixtureSetup setup; // channel count, name, black, master, pan and tilt
    // nameId and stepCount of the used channels (zero beyond the channel count, where the
    // set carries nothing); fadeMode of all 16 entries, as the slot holds them.
    std::array<ChannelEntry, MaxChannels> channels{};
    // The used channels' steps, channel after channel, each channel's in step order.
    QVector<StepRecord> steps;
    qsizetype stepBlockOffset = 0;

    // Where channel `channel` (1-based) starts in `steps`.
    int firstStepOf(int channel) const;
};

struct DownloadSet
{
    qsizetype fileSize = 0;
    quint8 namesFlag = 0;
    // The 256 name fields as stored: the name and zero bytes after it; all zero when the set
    // holds no names.
    std::array<SetName, NameFieldCount> names{};
    QVector<SetFixture> fixtures; // in slot order
    qsizetype stepAreaEnd = 0;    // where the last step block ends

    bool holdsNames() const { return namesFlag != 0; }
    // The length the composer gives a set of these fixtures: the zeroed image, or the end of
    // the step area when that lies further.
    qsizetype composedSize() const;
    // Bytes past that length, as a set read back from a stick or received may carry.
    qsizetype paddingBytes() const { return fileSize - composedSize(); }
};

// A name field's characters up to the zero bytes that fill it, as bytes and as text.
QByteArray setNameBytes(const SetName &field);
QString setNameText(const SetName &field);

// Checks `data` as a download set and only then fills `set`; a refused file leaves `set` as
// it was and says why. Nothing is read past the end of `data`, whatever its bytes say.
// Bytes the layout keeps zero are not looked at; bytes past the last step block are accepted.
Outcome DecodeDownloadSet(const QByteArray &data, DownloadSet &set);

// A set is some 86 KB; one padded on a stick or a line stays far below this.
inline constexpr FileKind DownloadSetFileKind{"a download set", 4 * 1024 * 1024};

// Reads and checks a file (see DecodeDownloadSet). Anything but a plain file is refused, as
// is one larger than DownloadSetFileKind allows, and a file that does not start like a set
// is refused after its first bytes.
Outcome ReadDownloadSet(const QString &path, DownloadSet &set);

} // namespace zelvar
