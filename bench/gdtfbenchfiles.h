// The made-up GDTF fixture types of the benches: description.xml of 3 to 30 KB each (seed
// 71), deflated, no models; one to three modes of 4 to 20 channels of the standard's
// attributes, their bulk in named channel sets and wheel slots.
#pragma once

#include "gdtfsamples.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>

namespace benchgdtf {

struct Attribute
{
    const char *name;
    const char *pretty;
    const char *feature;
    bool wheel; // its sets point at wheel slots
};

inline const Attribute Attributes[] = {
    {"Dimmer", "Dim", "Dimmer.Dimmer", false},         {"Pan", "P", "Position.PanTilt", false},
    {"Tilt", "T", "Position.PanTilt", false},          {"Shutter1", "Sh1", "Beam.Beam", false},
    {"Color1", "C1", "Color.Color", true},             {"Gobo1", "G1", "Gobo.Gobo", true},
    {"Gobo1Pos", "G1 <>", "Gobo.Gobo", false},         {"Gobo2", "G2", "Gobo.Gobo", true},
    {"Prism1", "Prism1", "Beam.Beam", false},          {"Zoom", "Zoom", "Focus.Focus", false},
    {"Focus1", "Focus1", "Focus.Focus", false},        {"Iris", "Iris", "Beam.Beam", false},
    {"Frost1", "Frost1", "Beam.Beam", false},          {"ColorAdd_R", "R", "Color.RGB", false},
    {"ColorAdd_G", "G", "Color.RGB", false},           {"ColorAdd_B", "B", "Color.RGB", false},
    {"ColorAdd_W", "W", "Color.RGB", false},           {"ColorAdd_UV", "UV", "Color.RGB", false},
    {"CTO", "CTO", "Color.Color", false},              {"Effects1", "FX1", "Beam.Beam", false},
    {"PositionMSpeed", "Pos Speed", "Control.Control", false}, {"Control1", "Ctrl1", "Control.Control", false},
    {"VideoBoost_R", "Boost R", "Color.RGB", false},   {"Blade1A", "Blade1A", "Shapers.Shapers", false},
};
constexpr int AttributeCount = int(sizeof(Attributes) / sizeof(Attributes[0]));

inline const char *const Words[] = {"Open",  "Red",   "Blue",   "Green", "Amber",  "Strobe", "slow",  "fast",
                             "Gobo",  "shake", "rotate", "Prism", "Rainbow", "Macro", "Sound", "Reset",
                             "Lamp",  "on",    "off",    "Frost", "Dots",   "Breakup", "Flame", "Water"};
constexpr int WordCount = int(sizeof(Words) / sizeof(Words[0]));

inline QByteArray setName(QRandomGenerator &random)
{
    QByteArray name = Words[random.bounded(WordCount)];
    for (int w = random.bounded(3); w > 0; --w)
        name += ' ' + QByteArray(Words[random.bounded(WordCount)]);
    if (random.bounded(2))
        name += ' ' + QByteArray::number(random.bounded(1, 120));
    return name;
}

// One fixture type of about `target` bytes of description.xml.
inline QByteArray description(int index, int target, QRandomGenerator &random)
{
    QByteArray xml;
    xml += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<GDTF DataVersion=\"1.";
    xml += QByteArray::number(random.bounded(3)) + "\">\n";
    xml += " <FixtureType Name=\"Model_" + QByteArray::number(index) + "\" ShortName=\"Model " + QByteArray::number(index)
        + "\" LongName=\"Bench Model " + QByteArray::number(index) + "\" Manufacturer=\"Maker "
        + QByteArray::number(index % 40) + "\" Description=\"generated\">\n";
    // A small fixture type defines fewer attributes and no wheels.
    const bool small = target < 8 * 1024;
    xml += "  <AttributeDefinitions><FeatureGroups/><Attributes>\n";
    for (int i = 0; i < (small ? 8 : AttributeCount); ++i) {
        const Attribute &a = Attributes[i];
        xml += QByteArray("   <Attribute Name=\"") + a.name + "\" Pretty=\"" + QByteArray(a.pretty).replace("<", "&lt;")
                   .replace(">", "&gt;") + "\" Feature=\"" + a.feature + "\"/>\n";
    }
    xml += "  </Attributes></AttributeDefinitions>\n  <Wheels>\n";
    for (const char *wheel : {"Color Wheel", "Gobo Wheel 1", "Gobo Wheel 2"}) {
        if (small)
            break;
        xml += QByteArray("   <Wheel Name=\"") + wheel + "\">";
        for (int s = 0; s < 10; ++s)
            xml += "<Slot Name=\"" + setName(random) + "\" Color=\"0.3,0.3,100\"/>";
        xml += "</Wheel>\n";
    }
    xml += "  </Wheels>\n  <DMXModes>\n";
    const int modes = random.bounded(1, 4);
    // The channel sets fill the description up to its size.
    const int perSet = 75;
    const int setsInAll = std::max(0, (target - int(xml.size()) - 1200 * modes) / perSet);
    for (int m = 0; m < modes; ++m) {
        const int channels = random.bounded(4, 21);
        const int setsPerChannel = std::max(1, setsInAll / modes / channels);
        xml += "   <DMXMode Name=\"" + QByteArray::number(channels) + " Channel Mode " + QByteArray::number(m + 1)
            + "\" Geometry=\"Body\">\n    <DMXChannels>\n";
        int offset = 1;
        for (int c = 0; c < channels && offset <= channels; ++c) {
            const Attribute &a = Attributes[random.bounded(small ? 8 : AttributeCount)];
            const bool fine = random.bounded(5) == 0 && offset < channels;
            xml += "     <DMXChannel DMXBreak=\"1\" Offset=\"" + QByteArray::number(offset)
                + (fine ? "," + QByteArray::number(offset + 1) : QByteArray()) + "\" Geometry=\"Beam\">";
            offset += fine ? 2 : 1;
            xml += QByteArray("<LogicalChannel Attribute=\"") + a.name + "\" Snap=\""
                + (random.bounded(2) ? "Yes" : "No") + "\"" + (QByteArray(a.name) == "Dimmer" ? " Master=\"Grand\"" : "")
                + ">\n";
            xml += QByteArray("      <ChannelFunction Name=\"") + a.name + "\" Attribute=\"" + a.name
                + "\" DMXFrom=\"0/1\"" + (a.wheel ? " Wheel=\"Gobo Wheel 1\"" : "") + ">\n";
            const int sets = std::min(setsPerChannel, 60);
            for (int s = 0; s < sets; ++s) {
                const int from = s * 256 / sets;
                xml += "       <ChannelSet Name=\"" + setName(random) + "\" DMXFrom=\"" + QByteArray::number(from)
                    + "/1\"" + (a.wheel && !small ? " WheelSlotIndex=\"" + QByteArray::number(s % 10 + 1) + "\"" : "")
                    + "/>\n";
            }
            xml += "      </ChannelFunction>\n     </LogicalChannel></DMXChannel>\n";
        }
        xml += "    </DMXChannels>\n   </DMXMode>\n";
    }
    xml += "  </DMXModes>\n </FixtureType>\n</GDTF>\n";
    return xml;
}

// Writes `count` fixture types into `library` (MakerN/Model_I.gdtf) and prints what it made.
inline bool writeFiles(const QString &library, int count, QTextStream &out)
{
    QElapsedTimer timer;
    timer.start();
    QRandomGenerator random(71);
    qint64 xmlBytes = 0;
    qint64 fileBytes = 0;
    int smallest = 1 << 30;
    int largest = 0;
    for (int i = 0; i < count; ++i) {
        const QByteArray xml = description(i, random.bounded(3 * 1024, 30 * 1024), random);
        const QByteArray archive = gdtfsamples::zipArchive({{"description.xml", xml}});
        QFile file(QDir(library).filePath(QStringLiteral("Maker%1/Model_%2.gdtf").arg(i % 40).arg(i)));
        QDir().mkpath(QFileInfo(file).path());
        if (archive.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(archive) != archive.size()) {
            out << "cannot write " << file.fileName() << "\n";
            return false;
        }
        xmlBytes += xml.size();
        fileBytes += archive.size();
        smallest = std::min(smallest, int(xml.size()));
        largest = std::max(largest, int(xml.size()));
    }
    out << QStringLiteral("made %1 .gdtf files in %2 ms: description.xml %3 to %4 bytes, %5 MB in all; %6 MB "
                          "deflated\n")
               .arg(count)
               .arg(timer.elapsed())
               .arg(smallest)
               .arg(largest)
               .arg(double(xmlBytes) / 1e6, 0, 'f', 1)
               .arg(double(fileBytes) / 1e6, 0, 'f', 1);
    out.flush();
    return true;
}

} // namespace benchgdtf
