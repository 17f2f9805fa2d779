// GDTF fixture types written for the tests from the standard's text (DIN SPEC 15800): the
// description.xml of a moving spot with 16-bit pan and tilt, a grand-master dimmer, a
// shutter, colour and gobo wheels whose channel sets point at wheel slots, and modes the
// profile cannot hold; a GDTF 1.0 par with DMXTo; descriptions of one mode made of the
// channels a test names; and .gdtf archives made of them with libzip, in memory.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QVector>

#include <zip.h>

#include <utility>

// moc reads included headers and loses its way in raw string literals.
#ifndef Q_MOC_RUN

namespace gdtfsamples {

struct ZipEntry
{
    QByteArray name;
    QByteArray data;
    bool stored = false; // without compression
};

// A zip archive of `entries`, as libzip writes one; empty when libzip fails.
inline QByteArray zipArchive(const QVector<ZipEntry> &entries)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_error_fini(&error);
    if (!buffer)
        return QByteArray();
    zip_source_keep(buffer);
    zip_t *archive = zip_open_from_source(buffer, ZIP_TRUNCATE, nullptr);
    if (!archive) {
        zip_source_free(buffer);
        return QByteArray();
    }
    for (const ZipEntry &e : entries) {
        zip_source_t *data = zip_source_buffer(archive, e.data.constData(), zip_uint64_t(e.data.size()), 0);
        const zip_int64_t index = data ? zip_file_add(archive, e.name.constData(), data, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0 || (e.stored && zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0) != 0)) {
            if (data && index < 0)
                zip_source_free(data);
            zip_discard(archive);
            zip_source_free(buffer);
            return QByteArray();
        }
    }
    QByteArray bytes;
    if (zip_close(archive) == 0 && zip_source_open(buffer) == 0) {
        zip_source_seek(buffer, 0, SEEK_END);
        const zip_int64_t size = zip_source_tell(buffer);
        zip_source_seek(buffer, 0, SEEK_SET);
        bytes.resize(int(size));
        if (zip_source_read(buffer, bytes.data(), zip_uint64_t(size)) != size)
            bytes.clear();
        zip_source_close(buffer);
    } else {
        zip_discard(archive);
    }
    zip_source_free(buffer);
    return bytes;
}

// A .gdtf archive: description.xml, and a wheel picture and a model beside it as real
// files carry them.
inline QByteArray gdtf(const QByteArray &description)
{
    return zipArchive({{"description.xml", description},
                       {"wheels/gobo1.png", QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(64, '\0'), true},
                       {"models/gltf/base.glb", QByteArray("glTF") + QByteArray(256, 'm')}});
}

inline QByteArray document(const QByteArray &fixtureType, const char *version = "1.1")
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<GDTF DataVersion=\"") + version + "\">\n"
        + fixtureType + "</GDTF>\n";
}

// The standard's attributes the samples use, as Annex B lists them.
inline QByteArray attributeDefinitions()
{
    return R"(  <AttributeDefinitions>
   <FeatureGroups>
    <FeatureGroup Name="Dimmer" Pretty="Dimmer"><Feature Name="Dimmer"/></FeatureGroup>
    <FeatureGroup Name="Position" Pretty="Position"><Feature Name="PanTilt"/></FeatureGroup>
    <FeatureGroup Name="Gobo" Pretty="Gobo"><Feature Name="Gobo"/></FeatureGroup>
    <FeatureGroup Name="Color" Pretty="Color"><Feature Name="Color"/><Feature Name="RGB"/></FeatureGroup>
    <FeatureGroup Name="Beam" Pretty="Beam"><Feature Name="Beam"/></FeatureGroup>
    <FeatureGroup Name="Focus" Pretty="Focus"><Feature Name="Focus"/></FeatureGroup>
    <FeatureGroup Name="Control" Pretty="Control"><Feature Name="Control"/></FeatureGroup>
   </FeatureGroups>
   <Attributes>
    <Attribute Name="Dimmer" Pretty="Dim" Feature="Dimmer.Dimmer"/>
    <Attribute Name="Pan" Pretty="P" ActivationGroup="PanTilt" Feature="Position.PanTilt" PhysicalUnit="Angle"/>
    <Attribute Name="Tilt" Pretty="T" ActivationGroup="PanTilt" Feature="Position.PanTilt" PhysicalUnit="Angle"/>
    <Attribute Name="Shutter1" Pretty="Sh1" Feature="Beam.Beam"/>
    <Attribute Name="Shutter1Strobe" Pretty="Strobe1" MainAttribute="Shutter1" Feature="Beam.Beam"/>
    <Attribute Name="Color1" Pretty="C1" Feature="Color.Color"/>
    <Attribute Name="Gobo1" Pretty="G1" ActivationGroup="Gobo1" Feature="Gobo.Gobo"/>
    <Attribute Name="Gobo1Pos" Pretty="G1 &lt;&gt;" ActivationGroup="Gobo1Pos" Feature="Gobo.Gobo"/>
    <Attribute Name="Gobo1PosRotate" Pretty="Rotate" MainAttribute="Gobo1Pos" Feature="Gobo.Gobo"/>
    <Attribute Name="Prism1" Pretty="Prism1" Feature="Beam.Beam"/>
    <Attribute Name="Zoom" Pretty="Zoom" Feature="Focus.Focus"/>
    <Attribute Name="Focus1" Pretty="Focus1" Feature="Focus.Focus"/>
    <Attribute Name="Control1" Pretty="Ctrl1" Feature="Control.Control"/>
    <Attribute Name="ColorAdd_R" Pretty="R" ActivationGroup="ColorRGB" Feature="Color.RGB"/>
    <Attribute Name="ColorAdd_G" Pretty="G" ActivationGroup="ColorRGB" Feature="Color.RGB"/>
    <Attribute Name="ColorAdd_B" Pretty="B" ActivationGroup="ColorRGB" Feature="Color.RGB"/>
    <Attribute Name="ColorAdd_W" Pretty="W" ActivationGroup="ColorRGB" Feature="Color.RGB"/>
    <Attribute Name="NoFeature" Pretty="NoFeature" Feature="Control.Control"/>
   </Attributes>
  </AttributeDefinitions>
)";
}

// A moving spot of 14 channels in "Standard"; "Extended" needs 17, "Two Breaks" a second
// DMX break, "Virtual" has a virtual dimmer beside its pan.
inline QByteArray spotDescription()
{
    return document(QByteArray(R"( <FixtureType Name="Spot_300" ShortName="Spot 300" LongName="Acme Spot 300 Profile"
   Manufacturer="Acme" Description="A moving spot" FixtureTypeID="308EA87D-7164-42DE-8106-A6D273F57A51"
   Thumbnail="" CanHaveChildren="Yes">
)") + attributeDefinitions() + R"(  <Wheels>
   <Wheel Name="Color Wheel 1">
    <Slot Name="Open" Color="0.3127,0.3290,100.0"/>
    <Slot Name="Red" Color="0.6400,0.3300,21.3"/>
    <Slot Name="Blue 104" Color="0.1500,0.0600,7.2"/>
   </Wheel>
   <Wheel Name="Gobo Wheel 1">
    <Slot Name="Open"/>
    <Slot Name="Breakup" MediaFileName="gobo1"/>
    <Slot Name="Dots" MediaFileName="gobo2"/>
   </Wheel>
  </Wheels>
  <PhysicalDescriptions>
   <Emitters><Emitter Name="White" Color="0.3127,0.3290,100.0"/></Emitters>
  </PhysicalDescriptions>
  <Models><Model Name="Base" Length="0.3" Width="0.3" Height="0.2" PrimitiveType="Base"/></Models>
  <Geometries>
   <Geometry Name="Base" Model="Base"><Axis Name="Yoke"><Axis Name="Head"><Beam Name="Beam"/></Axis></Axis></Geometry>
  </Geometries>
  <DMXModes>
   <DMXMode Name="Standard" Geometry="Base">
    <DMXChannels>
     <DMXChannel DMXBreak="1" Offset="1,2" Highlight="None" Geometry="Yoke">
      <LogicalChannel Attribute="Pan" Snap="No" Master="None">
       <ChannelFunction Name="Pan" Attribute="Pan" DMXFrom="0/2" PhysicalFrom="-270" PhysicalTo="270"/>
      </LogicalChannel>
     </DMXChannel>
     <DMXChannel DMXBreak="1" Offset="3,4" Geometry="Head">
      <LogicalChannel Attribute="Tilt">
       <ChannelFunction Name="Tilt" Attribute="Tilt" DMXFrom="0/2"/>
      </LogicalChannel>
     </DMXChannel>
     <DMXChannel DMXBreak="1" Offset="5" Geometry="Beam">
      <LogicalChannel Attribute="Dimmer" Master="Grand">
       <ChannelFunction Name="Dimmer" Attribute="Dimmer" DMXFrom="0/1">
        <ChannelSet Name="closed" DMXFrom="0/1" PhysicalTo="0"/>
        <ChannelSet DMXFrom="1/1"/>
        <ChannelSet Name="open" DMXFrom="255/1" PhysicalFrom="1"/>
       </ChannelFunction>
      </LogicalChannel>
     </DMXChannel>
     <DMXChannel DMXBreak="1" Offset="6" Geometry="Beam">
      <LogicalChannel Attribute="Shutter1" Snap="Yes">
       <ChannelFunction Name="Closed" Attribute="Shutter1" DMXFrom="0/1"/>
       <ChannelFunction Name="Open" Attribute="Shutter1" DMXFrom="32/1"/>
       <ChannelFunction Name="Strobe" Attribute="Shutter1Strobe" DMXFrom="64/1">
        <ChannelSet Name="Strobe slow to fast" DMXFrom="64/1"/>
       </ChannelFunction>
      </LogicalChannel>
     </DMXChannel>
     <DMXChannel DMXBreak="1" Offset="7" Geometry="Beam">
      <LogicalChannel Attribute="Color1" Snap="On">
       <ChannelFunction Name="Color1" Attribute="Color1" DMXFrom="0/1" Wheel="Color Wheel 1">
        <ChannelSet DMXFrom="0/1" WheelSlotIndex="1"/>
        <ChannelSet DMXFrom="10/1" WheelSlotIndex="2"/>
        <ChannelSet DMXFrom="20/1" WheelSlotIndex="3"/>
        <ChannelSet Name="Blue 104" DMXFrom="30/1" WheelSlotIndex="3"/>
        <ChannelSet DMXFrom="40/1"/>
       </ChannelFunction>
      </LogicalChannel>
     </DMXChannel>
     <DMXChannel DMXBreak="1" Offset="8" Geometry="Beam">
      <LogicalChannel Attribute="Gobo1" Snap="Yes">
       <ChannelFunction Name="Gobo1" Attribute="Gobo1" DMXFrom="0/1" Wheel="Gobo Wheel 1">
        <ChannelSet Name="Open" DMXFrom="0/1" WheelSlotIndex="1"/>
        <ChannelSet DMXFrom="64/1" WheelSlotIndex="2"/>
        <ChannelSet DMXFrom="128/1" WheelSlotIndex="3"/>
       </ChannelFunction>
       <ChannelFunction Name="Gobo1 Shake" Attribute="Gobo1" DMXFrom="192/1" ModeMaster="Beam_Control1"
        ModeFrom="0/1" ModeTo="127/1"/>
      </LogicalChannel>
     </DMXChannel>
     <DMXChannel DMXBreak="1" Offset="9,10" Geometry="Beam">
      <LogicalChannel Attribute="Gobo1Pos">
       <ChannelFunction Name="Gobo1Pos" Attribute="Gobo1Pos" DMXFrom="0/2"/>
       <ChannelFunction Name="Gobo1PosRotate" Attribute="Gobo1PosRotate" DMXFrom="32768/2">
        <ChannelSet Name="Rotation clockwise fast to slow" DMXFrom="32768/2"/>
        <ChannelSet Name="Stop" DMXFrom="49152/2"/>
        <ChannelSet Name="Rotation counter-clockwise slow to fast" DMXFrom="49200/2"/>
       </ChannelFunction>
      </LogicalChannel>
     </DMXChannel>
     <DMXChannel DMXBreak="1" Offset="11" Geometry="Beam">
      <LogicalChannel Attribute="Prism1" Snap="Yes">
       <ChannelFunction Name="Prism1" Attribute="Prism1" DMXFrom="0/1">
        <ChannelSet Name="Out" DMXFrom="0/1"/>
        <ChannelSet Name="3-facet prism" DMXFrom="128/1"/>
       </ChannelFunction>
      </LogicalChannel>
     </DMXChannel>
     <DMXChannel DMXBreak="1" Offset="12" Geometry="Beam">
      <LogicalChannel Attribute="Zoom">
       <ChannelFunction Name="Zoom" Attribute="Zoom" DMXFrom="0/1"/>
      </LogicalChannel>
     </DMXChannel>
     <DMXChannel DMXBreak="1" Offset="13" Geometry="Beam">
      <LogicalChannel Attribute="Focus1">
       <ChannelFunction Name="Focus1" Attribute="Focus1" DMXFrom="0/1"/>
      </LogicalChannel>
     </DMXChannel>
     <DMXChannel DMXBreak="1" Offset="14" Geometry="Beam">
      <LogicalChannel Attribute="Control1" Snap="Yes">
       <ChannelFunction Name="Control1" Attribute="Control1" DMXFrom="0/1">
        <ChannelSet Name="No function" DMXFrom="0/1"/>
        <ChannelSet Name="Reset" DMXFrom="200/1"/>
       </ChannelFunction>
      </LogicalChannel>
     </DMXChannel>
    </DMXChannels>
    <Relations>
     <Relation Name="Gobo shake" Master="Beam_Control1" Follower="Beam_Gobo1.Gobo1.Gobo1 Shake" Type="Override"/>
    </Relations>
    <FTMacros/>
   </DMXMode>
   <DMXMode Name="Extended" Geometry="Base">
    <DMXChannels>
)" + [] {
        QByteArray channels;
        for (int i = 1; i <= 17; ++i)
            channels += "     <DMXChannel Offset=\"" + QByteArray::number(i)
                + "\" Geometry=\"Beam\"><LogicalChannel Attribute=\"Dimmer\"><ChannelFunction Attribute=\"Dimmer\" "
                  "DMXFrom=\"0/1\"/></LogicalChannel></DMXChannel>\n";
        return channels;
    }() + R"(    </DMXChannels>
   </DMXMode>
   <DMXMode Name="Two Breaks" Geometry="Base">
    <DMXChannels>
     <DMXChannel DMXBreak="1" Offset="1" Geometry="Beam">
      <LogicalChannel Attribute="Dimmer"><ChannelFunction Attribute="Dimmer" DMXFrom="0/1"/></LogicalChannel>
     </DMXChannel>
     <DMXChannel DMXBreak="2" Offset="1" Geometry="Beam">
      <LogicalChannel Attribute="Zoom"><ChannelFunction Attribute="Zoom" DMXFrom="0/1"/></LogicalChannel>
     </DMXChannel>
    </DMXChannels>
   </DMXMode>
   <DMXMode Name="Virtual" Geometry="Base">
    <DMXChannels>
     <DMXChannel Offset="None" Geometry="Beam">
      <LogicalChannel Attribute="Dimmer" Master="Grand">
       <ChannelFunction Attribute="Dimmer" DMXFrom="0/1"/>
      </LogicalChannel>
     </DMXChannel>
     <DMXChannel Offset="1" Geometry="Yoke">
      <LogicalChannel Attribute="Pan"><ChannelFunction Attribute="Pan" DMXFrom="0/1"/></LogicalChannel>
     </DMXChannel>
    </DMXChannels>
   </DMXMode>
  </DMXModes>
 </FixtureType>
)");
}

// A GDTF 1.0 LED par: each channel function states its end with DMXTo, the red channel's
// sets their own too, and the gap between two functions is no step.
inline QByteArray par10Description()
{
    return document(QByteArray(R"( <FixtureType Name="Par_18" ShortName="" LongName="LED Par 18"
   Manufacturer="Beta Lighting">
)") + attributeDefinitions() + R"(  <DMXModes>
   <DMXMode Name="4 Channel">
    <DMXChannels>
     <DMXChannel Offset="1">
      <LogicalChannel Attribute="ColorAdd_R">
       <ChannelFunction Name="Red" Attribute="ColorAdd_R" DMXFrom="0/1" DMXTo="200/1">
        <ChannelSet Name="Red off" DMXFrom="0/1" DMXTo="9/1"/>
        <ChannelSet Name="Red on" DMXFrom="10/1" DMXTo="200/1"/>
       </ChannelFunction>
       <ChannelFunction Name="Red full" Attribute="ColorAdd_R" DMXFrom="240/1" DMXTo="255/1"/>
      </LogicalChannel>
     </DMXChannel>
     <DMXChannel Offset="2">
      <LogicalChannel Attribute="ColorAdd_G">
       <ChannelFunction Attribute="ColorAdd_G" DMXFrom="0/1" DMXTo="255/1"/>
      </LogicalChannel>
     </DMXChannel>
     <DMXChannel Offset="3">
      <LogicalChannel Attribute="ColorAdd_B">
       <ChannelFunction Attribute="ColorAdd_B" DMXFrom="0/1" DMXTo="255/1"/>
      </LogicalChannel>
     </DMXChannel>
     <DMXChannel Offset="4">
      <LogicalChannel Attribute="ColorAdd_W">
       <ChannelFunction Attribute="ColorAdd_W" DMXFrom="0/1" DMXTo="255/1"/>
      </LogicalChannel>
     </DMXChannel>
    </DMXChannels>
   </DMXMode>
  </DMXModes>
 </FixtureType>
)", "1.0");
}

// A fixture type of one mode, "Mode", made of `channels` (DMXChannel elements).
inline QByteArray oneMode(const QByteArrayList &channels, const char *version = "1.1")
{
    QByteArray body = QByteArray(" <FixtureType Name=\"Test\" ShortName=\"Test\" Manufacturer=\"Acme\">\n")
        + attributeDefinitions() + "  <DMXModes>\n   <DMXMode Name=\"Mode\">\n    <DMXChannels>\n";
    for (const QByteArray &c : channels)
        body += "     " + c + "\n";
    body += "    </DMXChannels>\n   </DMXMode>\n  </DMXModes>\n </FixtureType>\n";
    return document(body, version);
}

// A DMX channel at `offset` with one logical channel of `attribute` and one function
// from 0 holding `inner` (channel sets).
inline QByteArray channel(const char *offset, const char *attribute, const QByteArray &inner = QByteArray(),
                          const char *logical = "")
{
    return QByteArray("<DMXChannel Offset=\"") + offset + "\"><LogicalChannel Attribute=\"" + attribute + "\" "
        + logical + "><ChannelFunction Attribute=\"" + attribute + "\" DMXFrom=\"0/1\">" + inner
        + "</ChannelFunction></LogicalChannel></DMXChannel>";
}

} // namespace gdtfsamples

#endif
