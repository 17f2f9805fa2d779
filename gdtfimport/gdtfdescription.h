// A GDTF fixture type (DIN SPEC 15800) as its description.xml states it: the attributes and
// wheels the channels refer to, and the DMX modes with their channels, logical channels,
// channel functions and channel sets. Nothing is judged here; GDTF 1.0 to 1.2 read alike.
#pragma once

#include "common/outcome.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace zelvar {

inline QString gdtfFilter() { return QStringLiteral("GDTF Fixture(*.gdtf)|*.gdtf"); }

// A DMX value as GDTF writes it, "v/n": the value v in n bytes ("128/1", "32768/2"); a
// trailing "s" (byte shifting) changes nothing at the coarse byte.
struct GdtfDmxValue
{
    quint64 value = 0;
    int bytes = 1;
    bool valid = false; // false when absent or not of that form

    // The value's most significant byte, which is what the channel's coarse DMX channel
    // carries: v shifted down by n - 1 bytes, at most 255.
    int coarse() const;
};

// "v/n", "v/ns", or a bare "v" (taken as one byte); anything else gives an invalid value.
GdtfDmxValue ParseGdtfDmxValue(QStringView text);

struct GdtfChannelSet
{
    QString name;
    GdtfDmxValue from; // DMXFrom; invalid when absent (the default 0/1) or not a value
    bool fromGiven = false;
    GdtfDmxValue to;   // DMXTo of GDTF 1.0; invalid when absent
    int wheelSlot = 0; // WheelSlotIndex, 1-based; 0 when none
};

struct GdtfChannelFunction
{
    QString name;
    QString attribute;
    GdtfDmxValue from; // DMXFrom
    bool fromGiven = false;
    GdtfDmxValue to;   // DMXTo of GDTF 1.0; invalid when absent
    QString wheel;     // the wheel its sets' slots refer to, or empty
    QString modeMaster; // the channel or function whose value switches this one on, or empty
    QVector<GdtfChannelSet> sets;
};

struct GdtfLogicalChannel
{
    QString attribute;
    QString snap;   // "Yes", "No", "On", "Off" or empty
    QString master; // "None", "Grand", "Group" or empty
    QVector<GdtfChannelFunction> functions;
};

struct GdtfDmxChannel
{
    int dmxBreak = 1;       // DMXBreak; 0 when it is not a number
    bool overwrite = false; // DMXBreak "Overwrite": addressed through geometry references
    QString offsetText;     // Offset as written
    QVector<int> offsets;   // from the most significant byte on; empty for "None" (virtual)
    bool offsetValid = true; // false when Offset is neither "None" nor numbers
    QString geometry;
    QVector<GdtfLogicalChannel> logicalChannels;

    // "Geometry_Attribute", the name GDTF gives a DMX channel.
    QString name() const;
};

struct GdtfMode
{
    QString name;
    QString description;
    QVector<GdtfDmxChannel> channels;
    int relations = 0; // Relation elements: channels that scale or override others
    int macros = 0;    // FTMacro elements
};

struct GdtfAttribute
{
    QString name;
    QString pretty;
    QString feature;
};

struct GdtfWheelSlot
{
    QString name;
    bool hasPicture = false; // MediaFileName or Color
};

struct GdtfWheel
{
    QString name;
    QVector<GdtfWheelSlot> wheelSlots;
};

struct GdtfDescription
{
    QString dataVersion; // as written, "1.1"
    int majorVersion = 1;
    int minorVersion = 0;
    QString name;
    QString shortName;
    QString longName;
    QString manufacturer;
    QString description;
    QVector<GdtfAttribute> attributes;
    QVector<GdtfWheel> wheels;
    QVector<GdtfMode> modes;
    bool hasPhysical = false; // physical descriptions, models or geometries beyond names

    // The model a fixture name is made from: the short name, else the name.
    QString model() const;
    // By name, without regard to case as GDTF compares attributes; nullptr when none.
    const GdtfAttribute *attribute(const QString &attributeName) const;
    const GdtfWheel *wheel(const QString &wheelName) const;
};

// Reads a fixture type from the text of its description.xml. Refuses text that is not
// well-formed XML (with the line and column), a root other than GDTF, a DataVersion whose
// major version is not 1, and a document without FixtureType; elements it does not know
// are skipped.
Outcome ParseGdtf(const QByteArray &xml, GdtfDescription &description);
// Reads the .gdtf file: the archive, then its description.xml. Reasons name the file.
Outcome ReadGdtf(const QString &path, GdtfDescription &description);

// Manufacturer and names alone, read from the start of description.xml only: for listing.
struct GdtfSummary
{
    QString manufacturer;
    QString model; // the short name, else the name
    QString longName;
};
Outcome ReadGdtfSummary(const QString &path, GdtfSummary &summary);

} // namespace zelvar
