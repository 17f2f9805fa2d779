// QLC+ fixture definitions written for the tests, in the XML of .qxf files: a moving head,
// a dimmer, an RGB bar, an older scanner, a channel of 60 capabilities, one without modes,
// and definitions of one mode made of the channels a test names.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QRegularExpression>
#include <QString>

// moc reads included headers and loses its way in raw string literals.
#ifndef Q_MOC_RUN

namespace qxfsamples {

inline QByteArray definition(const char *body)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE FixtureDefinition>\n"
                      "<FixtureDefinition xmlns=\"http://www.qlcplus.org/FixtureDefinition\">\n"
                      " <Creator><Name>Tests</Name><Version>1</Version><Author>Tests</Author></Creator>\n")
        + body + "</FixtureDefinition>\n";
}

// A moving head with 16-bit pan and tilt, a colour wheel, two gobo wheels with their
// rotations, prism, focus, zoom and a control channel: "Standard" has 16 channels,
// "Extended" adds a frost channel and has 17.
inline QByteArray movingHead()
{
    return definition(R"(
 <Manufacturer>Acme</Manufacturer>
 <Model>Spot 300 Profile Deluxe</Model>
 <Type>Moving Head</Type>
 <Channel Name="Pan" Default="128" Preset="PositionPan"/>
 <Channel Name="Pan fine" Preset="PositionPanFine"/>
 <Channel Name="Tilt" Default="128" Preset="PositionTilt"/>
 <Channel Name="Tilt fine" Preset="PositionTiltFine"/>
 <Channel Name="Speed" Preset="SpeedPanTiltFastSlow"/>
 <Channel Name="Dimmer" Preset="IntensityMasterDimmer"/>
 <Channel Name="Shutter">
  <Group Byte="0">Shutter</Group>
  <Capability Min="0" Max="31" Preset="ShutterClose">Closed</Capability>
  <Capability Min="32" Max="63" Preset="ShutterOpen">Open</Capability>
  <Capability Min="64" Max="255" Preset="StrobeSlowToFast">Strobe slow to fast</Capability>
 </Channel>
 <Channel Name="Colour wheel">
  <Group Byte="0">Colour</Group>
  <Capability Min="0" Max="15" Preset="ColorMacro" Res1="#ffffff">White</Capability>
  <Capability Min="16" Max="31" Preset="ColorMacro" Res1="#ff0000">Red</Capability>
  <Capability Min="32" Max="47" Preset="ColorMacro" Res1="#add8e6">Light blue</Capability>
  <Capability Min="48" Max="255">Rainbow slow to fast</Capability>
 </Channel>
 <Channel Name="Gobo wheel 1">
  <Group Byte="0">Gobo</Group>
  <Capability Min="0" Max="15">Open</Capability>
  <Capability Min="16" Max="31" Preset="GoboMacro" Res1="Others/gobo00001.svg">Gobo 1</Capability>
  <Capability Min="32" Max="47" Preset="GoboMacro" Res1="Others/gobo00002.svg">Gobo 2</Capability>
  <Capability Min="48" Max="255" Preset="GoboShakeMacro">Gobo 1 shake slow to fast</Capability>
 </Channel>
 <Channel Name="Gobo 1 rotation">
  <Group Byte="0">Gobo</Group>
  <Capability Min="0" Max="9" Preset="RotationStop">No rotation</Capability>
  <Capability Min="10" Max="127" Preset="RotationClockwiseFastToSlow">CW fast to slow</Capability>
  <Capability Min="128" Max="255" Preset="RotationCounterClockwiseSlowToFast">CCW slow to fast</Capability>
 </Channel>
 <Channel Name="Gobo wheel 2">
  <Group Byte="0">Gobo</Group>
  <Capability Min="0" Max="63">Open</Capability>
  <Capability Min="64" Max="127" Preset="GoboMacro">Gobo 1</Capability>
  <Capability Min="128" Max="255" Preset="GoboMacro">Gobo 2</Capability>
 </Channel>
 <Channel Name="Gobo 2 rotation">
  <Group Byte="0">Gobo</Group>
  <Capability Min="0" Max="9" Preset="RotationStop">No rotation</Capability>
  <Capability Min="10" Max="127" Preset="RotationClockwiseFastToSlow">CW fast to slow</Capability>
  <Capability Min="128" Max="255" Preset="RotationCounterClockwiseSlowToFast">CCW slow to fast</Capability>
 </Channel>
 <Channel Name="Prism">
  <Group Byte="0">Prism</Group>
  <Capability Min="0" Max="127" Preset="PrismEffectOff">Off</Capability>
  <Capability Min="128" Max="255" Preset="PrismEffectOn">3-facet prism</Capability>
 </Channel>
 <Channel Name="Focus" Preset="BeamFocusNearFar"/>
 <Channel Name="Zoom" Preset="BeamZoomSmallBig"/>
 <Channel Name="Control">
  <Group Byte="0">Maintenance</Group>
  <Capability Min="0" Max="99">No function</Capability>
  <Capability Min="100" Max="255" Preset="ResetAll">Reset</Capability>
 </Channel>
 <Channel Name="Frost">
  <Group Byte="0">Beam</Group>
  <Capability Min="0" Max="255">Frost</Capability>
 </Channel>
 <Mode Name="Standard">
  <Channel Number="0">Pan</Channel>
  <Channel Number="1">Pan fine</Channel>
  <Channel Number="2">Tilt</Channel>
  <Channel Number="3">Tilt fine</Channel>
  <Channel Number="4">Speed</Channel>
  <Channel Number="5">Dimmer</Channel>
  <Channel Number="6">Shutter</Channel>
  <Channel Number="7">Colour wheel</Channel>
  <Channel Number="8">Gobo wheel 1</Channel>
  <Channel Number="9">Gobo 1 rotation</Channel>
  <Channel Number="10">Gobo wheel 2</Channel>
  <Channel Number="11">Gobo 2 rotation</Channel>
  <Channel Number="12">Prism</Channel>
  <Channel Number="13">Focus</Channel>
  <Channel Number="14">Zoom</Channel>
  <Channel Number="15">Control</Channel>
 </Mode>
 <Mode Name="Extended">
  <Channel Number="0">Pan</Channel>
  <Channel Number="1">Pan fine</Channel>
  <Channel Number="2">Tilt</Channel>
  <Channel Number="3">Tilt fine</Channel>
  <Channel Number="4">Speed</Channel>
  <Channel Number="5">Dimmer</Channel>
  <Channel Number="6">Shutter</Channel>
  <Channel Number="7">Colour wheel</Channel>
  <Channel Number="8">Gobo wheel 1</Channel>
  <Channel Number="9">Gobo 1 rotation</Channel>
  <Channel Number="10">Gobo wheel 2</Channel>
  <Channel Number="11">Gobo 2 rotation</Channel>
  <Channel Number="12">Prism</Channel>
  <Channel Number="13">Focus</Channel>
  <Channel Number="14">Zoom</Channel>
  <Channel Number="15">Frost</Channel>
  <Channel Number="16">Control</Channel>
 </Mode>
 <Physical>
  <Bulb Type="LED" Lumens="10000" ColourTemperature="6500"/>
  <Dimensions Weight="18" Width="350" Height="600" Depth="250"/>
  <Lens Name="PC" DegreesMin="10" DegreesMax="40"/>
  <Focus Type="Head" PanMax="540" TiltMax="270"/>
  <Technical PowerConsumption="400" DmxConnector="5-pin"/>
 </Physical>
)");
}

// One dimmer channel, one mode.
inline QByteArray dimmer()
{
    return definition(R"(
 <Manufacturer>Acme</Manufacturer>
 <Model>Dimmer Pack</Model>
 <Type>Dimmer</Type>
 <Channel Name="Intensity" Preset="IntensityDimmer"/>
 <Mode Name="1 Channel">
  <Channel Number="0">Intensity</Channel>
 </Mode>
)");
}

// An RGB bar of two heads, in the older style: Intensity groups with a colour each.
inline QByteArray rgbBar()
{
    return definition(R"(
 <Manufacturer>Beta</Manufacturer>
 <Model>LED Bar 2</Model>
 <Type>LED Bar (Pixels)</Type>
 <Channel Name="Red 1"><Group Byte="0">Intensity</Group><Colour>Red</Colour><Capability Min="0" Max="255">Red</Capability></Channel>
 <Channel Name="Green 1"><Group Byte="0">Intensity</Group><Colour>Green</Colour><Capability Min="0" Max="255">Green</Capability></Channel>
 <Channel Name="Blue 1"><Group Byte="0">Intensity</Group><Colour>Blue</Colour><Capability Min="0" Max="255">Blue</Capability></Channel>
 <Channel Name="Red 2"><Group Byte="0">Intensity</Group><Colour>Red</Colour><Capability Min="0" Max="255">Red</Capability></Channel>
 <Channel Name="Green 2"><Group Byte="0">Intensity</Group><Colour>Green</Colour><Capability Min="0" Max="255">Green</Capability></Channel>
 <Channel Name="Blue 2"><Group Byte="0">Intensity</Group><Colour>Blue</Colour><Capability Min="0" Max="255">Blue</Capability></Channel>
 <Mode Name="3 Channel">
  <Channel Number="0">Red 1</Channel>
  <Channel Number="1">Green 1</Channel>
  <Channel Number="2">Blue 1</Channel>
 </Mode>
 <Mode Name="6 Channel">
  <Channel Number="0">Red 1</Channel>
  <Channel Number="1">Green 1</Channel>
  <Channel Number="2">Blue 1</Channel>
  <Channel Number="3">Red 2</Channel>
  <Channel Number="4">Green 2</Channel>
  <Channel Number="5">Blue 2</Channel>
  <Head><Channel>0</Channel><Channel>1</Channel><Channel>2</Channel></Head>
  <Head><Channel>3</Channel><Channel>4</Channel><Channel>5</Channel></Head>
 </Mode>
)");
}

// An older scanner: pan and tilt with fine channels by Byte="1", a dimmer and its fine
// channel, a shutter whose closed position has no preset.
inline QByteArray scanner()
{
    return definition(R"(
 <Manufacturer>Gamma</Manufacturer>
 <Model>Scan 250</Model>
 <Type>Scanner</Type>
 <Channel Name="Pan"><Group Byte="0">Pan</Group><Capability Min="0" Max="255">Pan</Capability></Channel>
 <Channel Name="Pan fine"><Group Byte="1">Pan</Group><Capability Min="0" Max="255">Fine</Capability></Channel>
 <Channel Name="Tilt"><Group Byte="0">Tilt</Group><Capability Min="0" Max="255">Tilt</Capability></Channel>
 <Channel Name="Tilt fine"><Group Byte="1">Tilt</Group><Capability Min="0" Max="255">Fine</Capability></Channel>
 <Channel Name="Dimmer"><Group Byte="0">Intensity</Group><Capability Min="0" Max="255">Intensity</Capability></Channel>
 <Channel Name="Dimmer fine"><Group Byte="1">Intensity</Group><Capability Min="0" Max="255">Fine</Capability></Channel>
 <Channel Name="Shutter">
  <Group Byte="0">Shutter</Group>
  <Capability Min="0" Max="7">Open</Capability>
  <Capability Min="8" Max="247">Strobe</Capability>
  <Capability Min="248" Max="255">Closed</Capability>
 </Channel>
 <Mode Name="7 Channel">
  <Channel Number="0">Pan</Channel>
  <Channel Number="1">Pan fine</Channel>
  <Channel Number="2">Tilt</Channel>
  <Channel Number="3">Tilt fine</Channel>
  <Channel Number="4">Dimmer</Channel>
  <Channel Number="5">Dimmer fine</Channel>
  <Channel Number="6">Shutter</Channel>
 </Mode>
)");
}

// A macro channel of 60 capabilities "Macro 1" to "Macro 60", 4 DMX values each from 0,
// and a colour channel of 60 capabilities where neighbours share a name two by two.
inline QByteArray manyCapabilities()
{
    QByteArray macros;
    QByteArray pairs;
    for (int i = 1; i <= 60; ++i) {
        macros += QStringLiteral("  <Capability Min=\"%1\" Max=\"%2\">Macro %3</Capability>\n")
                      .arg((i - 1) * 4)
                      .arg((i - 1) * 4 + 3)
                      .arg(i)
                      .toUtf8();
        pairs += QStringLiteral("  <Capability Min=\"%1\" Max=\"%2\">Col %3</Capability>\n")
                     .arg((i - 1) * 4)
                     .arg((i - 1) * 4 + 3)
                     .arg((i + 1) / 2)
                     .toUtf8();
    }
    const QByteArray body = "\n <Manufacturer>Acme</Manufacturer>\n <Model>Effect 60</Model>\n <Type>Effect</Type>\n"
                            " <Channel Name=\"Macros\">\n  <Group Byte=\"0\">Effect</Group>\n"
        + macros + " </Channel>\n <Channel Name=\"Colours\">\n  <Group Byte=\"0\">Colour</Group>\n" + pairs
        + " </Channel>\n <Mode Name=\"Macros\"><Channel Number=\"0\">Macros</Channel></Mode>\n"
          " <Mode Name=\"Colours\"><Channel Number=\"0\">Colours</Channel></Mode>\n";
    return definition(body.constData());
}

// An Intensity group channel that is no dimmer at all, before the dimmer its preset names.
inline QByteArray mixedDimmers()
{
    return definition(R"(
 <Manufacturer>Acme</Manufacturer>
 <Model>Mixed</Model>
 <Channel Name="Prism macros"><Group Byte="0">Intensity</Group><Capability Min="0" Max="255">Open</Capability></Channel>
 <Channel Name="Dimmer" Preset="IntensityDimmer"/>
 <Mode Name="2 Channel">
  <Channel Number="0">Prism macros</Channel>
  <Channel Number="1">Dimmer</Channel>
 </Mode>
)");
}

// A channel whose only capability has no valid range.
inline QByteArray noValidCapability()
{
    return definition(R"(
 <Model>Empty Range</Model>
 <Channel Name="Macro"><Group Byte="0">Effect</Group><Capability Min="" Max="9">Red</Capability></Channel>
 <Mode Name="1 Channel"><Channel Number="0">Macro</Channel></Mode>
)");
}

// Channels but no mode.
inline QByteArray withoutModes()
{
    return definition(R"(
 <Manufacturer>Acme</Manufacturer>
 <Model>No Mode</Model>
 <Type>Other</Type>
 <Channel Name="Intensity" Preset="IntensityDimmer"/>
)");
}

// Not well-formed: the channel is never closed.
inline QByteArray broken()
{
    return QByteArray("<?xml version=\"1.0\"?>\n<FixtureDefinition xmlns=\"http://www.qlcplus.org/FixtureDefinition\">\n"
                      " <Model>Broken</Model>\n <Channel Name=\"A\">\n");
}

// Capabilities that are odd in every way: an alias, no valid Min, the same name three
// times, running downwards, no text, past 255; a second pan channel; a channel name
// defined twice; a channel acting on another.
inline QByteArray oddCapabilities()
{
    return definition(R"(
 <Manufacturer>Acme</Manufacturer>
 <Model>Odd One</Model>
 <Channel Name="Odd">
  <Group Byte="0">Effect</Group>
  <Capability Min="0" Max="9" Preset="Alias">Open
   <Alias Mode="Other" Channel="Odd" With="Odd 2"/>
  </Capability>
  <Capability Min="x" Max="19">Broken</Capability>
  <Capability Min="20" Max="29">Open</Capability>
  <Capability Min="40" Max="30">Backwards</Capability>
  <Capability Min="41" Max="49"></Capability>
  <Capability Min="50" Max="59">open</Capability>
  <Capability Min="250" Max="300">Too far</Capability>
 </Channel>
 <Channel Name="Pan A" Preset="PositionPan"/>
 <Channel Name="Pan B" Preset="PositionPan"/>
 <Channel Name="Odd" Preset="IntensityDimmer"/>
 <Mode Name="Odd">
  <Channel Number="0" ActsOn="1">Odd</Channel>
  <Channel Number="1">Pan A</Channel>
  <Channel Number="2">Pan B</Channel>
 </Mode>
)");
}

// Every part the reader keeps: entities, blanks, unknown and foreign elements, groups,
// colours, defaults, presets, resources, aliases, heads, mode channels out of order, a
// mode with a gap in its numbers.
inline QByteArray readerDetails()
{
    return definition(R"(
 <Manufacturer>Acme &amp; Sons</Manufacturer>
 <Model>  Wash   LED  </Model>
 <Type>Moving Head</Type>
 <Unknown><Model>not this</Model></Unknown>
 <x:Model xmlns:x="http://example.com/other">nor this</x:Model>
 <Channel Name="Colour" Default="12">
  <Group Byte="1">Colour</Group>
  <Capability Min="0" Max="9" Preset="ColorMacro" Res1="#ff0000" Color="#ff0000">Red</Capability>
  <Capability Min="10" Max="255" Preset="Alias">Macro
   <Alias Mode="B" Channel="Colour" With="Other"/>
   <Alias Mode="C" Channel="Colour" With="Other"/>
   wheel</Capability>
 </Channel>
 <Channel Name="Red"><Group Byte="0">Intensity</Group><Colour>Red</Colour></Channel>
 <Mode Name="B">
  <Channel Number="1" ActsOn="0">Red</Channel>
  <Channel Number="0">Colour</Channel>
  <Head><Channel>0</Channel></Head>
  <Physical><Bulb Type="LED"/></Physical>
 </Mode>
 <Mode Name="Gaps">
  <Channel Number="0">Colour</Channel>
  <Channel Number="2">Red</Channel>
 </Mode>
)");
}

// One mode "Mode" of the given channels in their order, model `model` of manufacturer
// "Acme"; each channel's XML starts with its Name attribute.
inline QByteArray oneMode(const char *model, const QByteArrayList &channels)
{
    static const QRegularExpression nameAttribute(QStringLiteral("Name=\"([^\"]*)\""));
    QByteArray body = QByteArray("<Manufacturer>Acme</Manufacturer><Model>") + model + "</Model>\n";
    QByteArray mode = " <Mode Name=\"Mode\">\n";
    for (int i = 0; i < channels.size(); ++i) {
        body += " " + channels.at(i) + "\n";
        const QString name = nameAttribute.match(QString::fromUtf8(channels.at(i))).captured(1);
        mode += "  <Channel Number=\"" + QByteArray::number(i) + "\">" + name.toUtf8() + "</Channel>\n";
    }
    return definition((body + mode + " </Mode>\n").constData());
}

// A channel of the given capabilities, each "from to text".
inline QByteArray channelWith(const char *name, const QByteArrayList &capabilities)
{
    QByteArray xml = QByteArray("<Channel Name=\"") + name + "\"><Group Byte=\"0\">Effect</Group>";
    for (const QByteArray &c : capabilities) {
        const QByteArrayList parts = c.split(' ');
        xml += "<Capability Min=\"" + parts.value(0) + "\" Max=\"" + parts.value(1) + "\">"
            + parts.mid(2).join(' ') + "</Capability>";
    }
    return xml + "</Channel>";
}

} // namespace qxfsamples

#endif // Q_MOC_RUN
