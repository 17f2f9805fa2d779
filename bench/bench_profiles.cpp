// Measures the cost of the file formats: encoding and decoding a largest fixture profile,
// writing and reading it through the file system, and saving and reading the name files.
#include "channames/channelnamefiles.h"
#include "fixture/zfffile.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTextStream>


#include "benchsupport.h"

using namespace zelvar;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;

    FixtureProfile full;
    ResetProfileValues(full, MaxChannels, QStringLiteral("Bench Fixture"));
    for (int k = 0; k < MaxChannels; ++k) {
        full.channels[size_t(k)].stepCount = StepsPerChannel;
        for (int s = 0; s < StepsPerChannel; ++s)
            full.steps[size_t(k * StepsPerChannel + s)].name.assign(QStringLiteral("St%1").arg(s));
    }
    QByteArray bytes;
    EncodeProfile(full, bytes);
    out << "largest profile: " << bytes.size() << " bytes, in memory " << sizeof(FixtureProfile) << " bytes\n";

    FixtureProfile target;
    measure(out, "encode largest profile", 20000, [&] { EncodeProfile(full, bytes); });
    measure(out, "decode largest profile", 20000, [&] { DecodeProfile(bytes, target); });
    const QString path = dir.filePath(QStringLiteral("bench.zff"));
    measure(out, "write largest profile to disk", 500, [&] { WriteProfile(full, path); });
    measure(out, "read largest profile from disk", 2000, [&] { ReadProfile(path, target); });

    ChannelNameTable table;
    table.LoadDefaultNames();
    measure(out, "save both channel-name files", 500, [&] { SaveChannelNames(dir.path(), table); });
    measure(out, "read ChNameSet.fix", 2000, [&] { ReadChannelNameSet(dir.path(), table); });
    return 0;
}
