// Feeds arbitrary bytes to the download-set reader: a refused file leaves the set as it was
// and says why; an accepted one holds exactly what its bytes say, and everything built on it
// (the summary, the extracted profiles and name files) works on it. The input is used in
// place, so that a read past its end is caught by the address sanitizer.
#include "downloadset/downloadsetextract.h"
#include "downloadset/downloadsetreader.h"
#include "downloadset/downloadsetsummary.h"
#include "fixture/zfffile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace zelvar;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkFixture(const char *base, const SetFixture &f, int slot, FixtureProfile &profile)
{
    check(f.slot == slot);
    const int used = f.setup.channelCount;
    check(used >= 1 && used <= MaxChannels);
    int steps = 0;
    for (int j = 0; j < MaxChannels; ++j) {
        const ChannelEntry &c = f.channels[size_t(j)];
        check(c.stepCount <= StepsPerChannel);
        check(j < used || (c.nameId == 0 && c.stepCount == 0));
        steps += c.stepCount;
    }
    check(steps == f.steps.size());
    const char *record = base + f.stepBlockOffset + StepBlockHeadSize;
    for (const StepRecord &r : f.steps) {
        check(std::memcmp(r.name.data(), record + StepNameOffset, StepNameLength) == 0);
        check(r.stepDmx == quint8(record[StepStepDmxOffset]));
        record += StepRecordSize;
    }

    ProfileFromSetFixture(f, profile);
    QByteArray encoded;
    check(bool(EncodeProfile(profile, encoded)));
    auto again = std::make_unique<FixtureProfile>();
    check(bool(DecodeProfile(encoded, *again)));
    check(again->setup == f.setup && again->channels == profile.channels);
    const QString fileName = ExtractedProfileFileName(f);
    check(fileName.endsWith(QLatin1String(".zff")) && !fileName.contains(QLatin1Char('/')));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    DownloadSet set;
    set.fileSize = -7;
    const Outcome read = DecodeDownloadSet(bytes, set);
    if (!read) {
        check(!read.reason().isEmpty());
        check(set.fileSize == -7 && set.fixtures.isEmpty());
        return 0;
    }
    check(set.fileSize == qsizetype(size) && set.fileSize >= MinDownloadSetSize);
    check(set.fixtures.size() == quint8(data[FixtureCountOffset]) && !set.fixtures.isEmpty());
    check(set.stepAreaEnd <= set.fileSize && set.paddingBytes() >= 0);
    auto profile = std::make_unique<FixtureProfile>();
    qsizetype block = StepAreaOffset;
    for (int k = 0; k < set.fixtures.size(); ++k) {
        const SetFixture &f = set.fixtures.at(k);
        check(f.stepBlockOffset == block);
        checkFixture(bytes.constData(), f, k + 1, *profile);
        block += StepBlockHeadSize + qsizetype(StepRecordSize) * f.steps.size();
    }
    check(block == set.stepAreaEnd);
    check(!DownloadSetSummary(set).isEmpty());
    check(ExtractedNameDownFile(set).size() == 2048 && ExtractedNameSetFile(set).size() == 2560);
    return 0;
}
