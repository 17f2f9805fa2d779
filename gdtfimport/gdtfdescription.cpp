// Reading a GDTF description.xml with QXmlStreamReader.
#include "gdtfimport/gdtfdescription.h"

#include "gdtfimport/gdtfarchive.h"

#include <QFileInfo>
#include <QXmlStreamReader>

#include <algorithm>
#include <utility>

namespace zelvar {

int GdtfDmxValue::coarse() const
{
    if (!valid)
        return 0;
    const quint64 top = bytes > 1 ? value >> (8 * (bytes - 1)) : value;
    return int(std::min<quint64>(top, 255));
}

GdtfDmxValue ParseGdtfDmxValue(QStringView text)
{
    GdtfDmxValue v;
    text = text.trimmed();
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    bool ok = false;
    v.value = (slash < 0 ? text : text.left(slash)).toULongLong(&ok);
    if (!ok)
        return GdtfDmxValue();
    if (slash >= 0) {
        QStringView count = text.mid(slash + 1);
        if (count.endsWith(QLatin1Char('s')))
            count.chop(1);
        v.bytes = count.toInt(&ok);
        if (!ok || v.bytes < 1 || v.bytes > 4)
            return GdtfDmxValue();
    }
    // A value beyond its bytes ("256/1") is no value of them.
    if (v.value >= (quint64(1) << (8 * v.bytes)))
        return GdtfDmxValue();
    v.valid = true;
    return v;
}

QString GdtfDmxChannel::name() const
{
    const QString attribute = logicalChannels.isEmpty() ? QString() : logicalChannels.constFirst().attribute;
    if (geometry.isEmpty())
        return attribute;
    return attribute.isEmpty() ? geometry : geometry + QLatin1Char('_') + attribute;
}

QString GdtfDescription::model() const
{
    return shortName.simplified().isEmpty() ? name.simplified() : shortName.simplified();
}

const GdtfAttribute *GdtfDescription::attribute(const QString &attributeName) const
{
    for (const GdtfAttribute &a : attributes) {
        if (a.name.compare(attributeName, Qt::CaseInsensitive) == 0)
            return &a;
    }
    return nullptr;
}

const GdtfWheel *GdtfDescription::wheel(const QString &wheelName) const
{
    for (const GdtfWheel &w : wheels) {
        if (w.name == wheelName)
            return &w;
    }
    return nullptr;
}

namespace {

const QString RootName = QStringLiteral("GDTF");

Outcome xmlError(const QXmlStreamReader &xml)
{
    // Columns counted from 1, as editors show them.
    return Outcome::failure(QStringLiteral("not well-formed XML at line %1, column %2: %3")
                                .arg(xml.lineNumber())
                                .arg(xml.columnNumber() + 1)
                                .arg(xml.errorString()));
}

// The root element and its DataVersion: "1.0" to "1.2" are read; a later minor version
// is read as the latest known, a major version other than 1 is refused.
Outcome readRoot(QXmlStreamReader &xml, GdtfDescription &d)
{
    if (!xml.readNextStartElement())
        return xml.hasError() ? xmlError(xml) : Outcome::failure(QStringLiteral("the file holds no XML element"));
    if (xml.name() != RootName)
        return Outcome::failure(
            QStringLiteral("its root element is <%1>, not <%2>").arg(xml.name().toString(), RootName));
    d.dataVersion = xml.attributes().value(QLatin1String("DataVersion")).toString().trimmed();
    if (!d.dataVersion.isEmpty()) {
        const QStringList parts = d.dataVersion.split(QLatin1Char('.'));
        bool majorOk = false;
        bool minorOk = parts.size() == 2;
        d.majorVersion = parts.constFirst().toInt(&majorOk);
        d.minorVersion = minorOk ? parts.at(1).toInt(&minorOk) : 0;
        if (!majorOk || !minorOk || d.majorVersion != 1)
            return Outcome::failure(
                QStringLiteral("its DataVersion is %1; GDTF 1.0 to 1.2 can be read").arg(d.dataVersion));
    }
    return Outcome::success();
}

void readFixtureTypeAttributes(const QXmlStreamAttributes &attributes, GdtfDescription &d)
{
    d.name = attributes.value(QLatin1String("Name")).toString().simplified();
    d.shortName = attributes.value(QLatin1String("ShortName")).toString().simplified();
    d.longName = attributes.value(QLatin1String("LongName")).toString().simplified();
    d.manufacturer = attributes.value(QLatin1String("Manufacturer")).toString().simplified();
    d.description = attributes.value(QLatin1String("Description")).toString().simplified();
}

class Parser
{
public:
    Parser(const QByteArray &data, GdtfDescription &description) : m_xml(data), m_d(description) {}

    Outcome run()
    {
        if (Outcome root = readRoot(m_xml, m_d); !root)
            return root;
        bool fixtureType = false;
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == QLatin1String("FixtureType") && !fixtureType) {
                fixtureType = true;
                readFixtureType();
            } else {
                m_xml.skipCurrentElement();
            }
        }
        if (m_xml.hasError())
            return xmlError(m_xml);
        // Trailing content after the root (a second root, stray text) is malformed too.
        while (!m_xml.atEnd())
            m_xml.readNext();
        if (m_xml.hasError())
            return xmlError(m_xml);
        if (!fixtureType)
            return Outcome::failure(QStringLiteral("it holds no <FixtureType>"));
        return Outcome::success();
    }

private:
    QString attribute(const char *name) const
    {
        return m_xml.attributes().value(QLatin1String(name)).toString().simplified();
    }
    GdtfDmxValue value(const char *name, bool *given = nullptr) const
    {
        const QStringView text = m_xml.attributes().value(QLatin1String(name));
        if (given)
            *given = !text.isNull();
        return text.isNull() ? GdtfDmxValue() : ParseGdtfDmxValue(text);
    }
    // Whether the current element has a child element; reads to its end.
    bool skipCountingChildren()
    {
        bool any = false;
        while (m_xml.readNextStartElement()) {
            any = true;
            m_xml.skipCurrentElement();
        }
        return any;
    }

    void readFixtureType()
    {
        readFixtureTypeAttributes(m_xml.attributes(), m_d);
        while (m_xml.readNextStartElement()) {
            const QStringView name = m_xml.name();
            if (name == QLatin1String("AttributeDefinitions")) {
                readAttributeDefinitions();
            } else if (name == QLatin1String("Wheels")) {
                while (m_xml.readNextStartElement()) {
                    if (m_xml.name() == QLatin1String("Wheel"))
                        readWheel();
                    else
                        m_xml.skipCurrentElement();
                }
            } else if (name == QLatin1String("PhysicalDescriptions") || name == QLatin1String("Models")) {
                m_d.hasPhysical = skipCountingChildren() || m_d.hasPhysical;
            } else if (name == QLatin1String("DMXModes")) {
                while (m_xml.readNextStartElement()) {
                    if (m_xml.name() == QLatin1String("DMXMode"))
                        readMode();
                    else
                        m_xml.skipCurrentElement();
                }
            } else {
                m_xml.skipCurrentElement();
            }
        }
    }

    void readAttributeDefinitions()
    {
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != QLatin1String("Attributes")) {
                m_xml.skipCurrentElement();
                continue;
            }
            while (m_xml.readNextStartElement()) {
                if (m_xml.name() == QLatin1String("Attribute"))
                    m_d.attributes.append({attribute("Name"), attribute("Pretty"), attribute("Feature")});
                m_xml.skipCurrentElement();
            }
        }
    }

    void readWheel()
    {
        GdtfWheel wheel;
        wheel.name = attribute("Name");
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == QLatin1String("Slot")) {
                const QXmlStreamAttributes a = m_xml.attributes();
                wheel.wheelSlots.append({a.value(QLatin1String("Name")).toString().simplified(),
                                    !a.value(QLatin1String("MediaFileName")).trimmed().isEmpty()
                                        || a.hasAttribute(QLatin1String("Color"))});
            }
            m_xml.skipCurrentElement();
        }
        m_d.wheels.append(std::move(wheel));
    }

    void readMode()
    {
        GdtfMode mode;
        mode.name = attribute("Name");
        mode.description = attribute("Description");
        while (m_xml.readNextStartElement()) {
            const QStringView name = m_xml.name();
            if (name == QLatin1String("DMXChannels")) {
                while (m_xml.readNextStartElement()) {
                    if (m_xml.name() == QLatin1String("DMXChannel"))
                        mode.channels.append(readChannel());
                    else
                        m_xml.skipCurrentElement();
                }
            } else if (name == QLatin1String("Relations") || name == QLatin1String("FTMacros")) {
                int &count = name == QLatin1String("Relations") ? mode.relations : mode.macros;
                while (m_xml.readNextStartElement()) {
                    ++count;
                    m_xml.skipCurrentElement();
                }
            } else {
                m_xml.skipCurrentElement();
            }
        }
        m_d.modes.append(std::move(mode));
    }

    GdtfDmxChannel readChannel()
    {
        GdtfDmxChannel channel;
        const QString dmxBreak = attribute("DMXBreak");
        if (dmxBreak.compare(QLatin1String("Overwrite"), Qt::CaseInsensitive) == 0) {
            channel.overwrite = true;
        } else if (!dmxBreak.isEmpty()) {
            bool ok = false;
            channel.dmxBreak = dmxBreak.toInt(&ok);
            if (!ok)
                channel.dmxBreak = 0;
        }
        channel.offsetText = attribute("Offset");
        const bool none = channel.offsetText.compare(QLatin1String("None"), Qt::CaseInsensitive) == 0;
        if (!channel.offsetText.isEmpty() && !none) {
            for (const QStringView part : QStringView(channel.offsetText).split(QLatin1Char(','))) {
                bool ok = false;
                const int offset = part.trimmed().toInt(&ok);
                channel.offsetValid = channel.offsetValid && ok;
                channel.offsets.append(offset);
            }
        }
        channel.geometry = attribute("Geometry");
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == QLatin1String("LogicalChannel"))
                channel.logicalChannels.append(readLogicalChannel());
            else
                m_xml.skipCurrentElement();
        }
        return channel;
    }

    GdtfLogicalChannel readLogicalChannel()
    {
        GdtfLogicalChannel logical;
        logical.attribute = attribute("Attribute");
        logical.snap = attribute("Snap");
        logical.master = attribute("Master");
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == QLatin1String("ChannelFunction"))
                logical.functions.append(readFunction());
            else
                m_xml.skipCurrentElement();
        }
        return logical;
    }

    GdtfChannelFunction readFunction()
    {
        GdtfChannelFunction function;
        function.name = attribute("Name");
        function.attribute = attribute("Attribute");
        function.from = value("DMXFrom", &function.fromGiven);
        function.to = value("DMXTo");
        function.wheel = attribute("Wheel");
        function.modeMaster = attribute("ModeMaster");
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == QLatin1String("ChannelSet")) {
                GdtfChannelSet set;
                set.name = attribute("Name");
                set.from = value("DMXFrom", &set.fromGiven);
                set.to = value("DMXTo");
                bool ok = false;
                const int slot = m_xml.attributes().value(QLatin1String("WheelSlotIndex")).toInt(&ok);
                set.wheelSlot = ok && slot > 0 ? slot : 0;
                function.sets.append(std::move(set));
            }
            m_xml.skipCurrentElement();
        }
        return function;
    }

    QXmlStreamReader m_xml;
    GdtfDescription &m_d;
};

} // namespace

Outcome ParseGdtf(const QByteArray &xml, GdtfDescription &description)
{
    GdtfDescription read;
    Parser parser(xml, read);
    if (Outcome outcome = parser.run(); !outcome)
        return outcome;
    description = std::move(read);
    return Outcome::success();
}

Outcome ReadGdtf(const QString &path, GdtfDescription &description)
{
    QByteArray xml;
    if (Outcome read = ReadGdtfArchiveFile(path, xml); !read)
        return read;
    if (Outcome parsed = ParseGdtf(xml, description); !parsed)
        return Outcome::failure(
            QStringLiteral("%1: %2: %3").arg(QFileInfo(path).fileName(), gdtfDescriptionName(), parsed.reason()));
    return Outcome::success();
}

namespace {

// The fixture type's names stand in the attributes of its start tag, at the very start of
// the document: a few kilobytes are enough unless its description is long.
constexpr qint64 SummaryPrefix = 16 * 1024;

// Reads up to the FixtureType start tag; `cut` tells that the text may go on beyond.
Outcome summaryFrom(const QByteArray &xml, bool cut, GdtfSummary &summary, bool &needMore)
{
    needMore = false;
    QXmlStreamReader reader(xml);
    GdtfDescription d;
    if (Outcome root = readRoot(reader, d); !root) {
        needMore = cut && reader.error() == QXmlStreamReader::PrematureEndOfDocumentError;
        return root;
    }
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("FixtureType")) {
            readFixtureTypeAttributes(reader.attributes(), d);
            summary = {d.manufacturer, d.model(), d.longName};
            return Outcome::success();
        }
        reader.skipCurrentElement();
    }
    if (reader.hasError()) {
        needMore = cut && reader.error() == QXmlStreamReader::PrematureEndOfDocumentError;
        return xmlError(reader);
    }
    return Outcome::failure(QStringLiteral("it holds no <FixtureType>"));
}

} // namespace

Outcome ReadGdtfSummary(const QString &path, GdtfSummary &summary)
{
    for (const qint64 prefix : {SummaryPrefix, qint64(0)}) {
        QByteArray xml;
        if (Outcome read = ReadGdtfArchiveFile(path, xml, prefix); !read)
            return read;
        bool needMore = false;
        const Outcome found = summaryFrom(xml, prefix > 0 && xml.size() >= prefix, summary, needMore);
        if (found)
            return found;
        if (!needMore)
            return Outcome::failure(
                QStringLiteral("%1: %2: %3").arg(QFileInfo(path).fileName(), gdtfDescriptionName(), found.reason()));
    }
    return Outcome::failure(
        QStringLiteral("%1: %2 cannot be read").arg(QFileInfo(path).fileName(), gdtfDescriptionName()));
}

} // namespace zelvar
