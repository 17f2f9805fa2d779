// GDTF fixture types behind the import's view of a fixture file.
#include "gdtfimport/gdtfkind.h"

#include "common/userfolders.h"
#include "gdtfimport/gdtfconversion.h"

#include <QDir>
#include <QFileInfo>

namespace zelvar {

QString userGdtfFolder()
{
    return QDir(userDataFolder()).filePath(QStringLiteral("gdtf"));
}

QStringList GdtfLibraryFolders()
{
    // Made on first use, so that the user sees where to put the files a manufacturer
    // publishes; a folder that cannot be made is only left out.
    QDir().mkpath(userGdtfFolder());
    QStringList candidates{userGdtfFolder()};
    const QByteArray chosen = qgetenv("ZELVAR71_GDTF_FIXTURES");
    if (!chosen.isEmpty())
        candidates << QString::fromLocal8Bit(chosen).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    QStringList folders;
    for (const QString &c : std::as_const(candidates)) {
        if (QFileInfo(c).isDir() && !folders.contains(c))
            folders << c;
    }
    return folders;
}

namespace {

class GdtfImportDefinition : public ImportDefinition
{
public:
    explicit GdtfImportDefinition(GdtfDescription description) : m_d(std::move(description)) {}

    QString manufacturer() const override { return m_d.manufacturer; }
    QString model() const override { return m_d.model(); }
    QString title() const override
    {
        QString text = (m_d.manufacturer + QLatin1Char(' ') + m_d.model()).simplified();
        if (!m_d.longName.isEmpty() && m_d.longName != m_d.model())
            text += QStringLiteral(" (%1)").arg(m_d.longName);
        return text;
    }
    QStringList modeNames() const override { return GdtfModeNames(m_d); }
    ImportModeFit checkMode(int mode) const override { return CheckGdtfMode(m_d, mode); }
    QStringList fixtureNames(const QSet<QString> &taken) const override { return GdtfFixtureNames(m_d, taken); }
    QString fileName(int mode) const override { return GdtfFileName(m_d, mode); }
    Outcome convert(int mode, ChannelNameTable &names, ImportedFixture &fixture,
                    const QString &fixtureName) const override
    {
        return ConvertGdtfMode(m_d, mode, names, fixture, fixtureName);
    }
    QStringList channelNames(int mode, const ChannelNameTable &names) const override
    {
        return GdtfChannelNames(m_d, mode, names);
    }
    QVector<ChannelToName> channelsToName(int mode) const override { return GdtfChannelsToName(m_d, mode); }

private:
    GdtfDescription m_d;
};

class GdtfKind : public ImportKind
{
public:
    QString name() const override { return QStringLiteral("GDTF"); }
    QString extension() const override { return QStringLiteral("gdtf"); }
    QString filter() const override { return gdtfFilter(); }
    QStringList libraryFolders() const override { return GdtfLibraryFolders(); }
    QString noLibraryText() const override
    {
        return QStringLiteral("No GDTF folder could be made in %1.").arg(QDir::toNativeSeparators(userDataFolder()));
    }
    Outcome read(const QString &path, std::unique_ptr<ImportDefinition> &definition) const override
    {
        GdtfDescription d;
        if (Outcome read = ReadGdtf(path, d); !read)
            return read;
        definition = std::make_unique<GdtfImportDefinition>(std::move(d));
        return Outcome::success();
    }
    Outcome list(const QString &path, ImportListing &listing) const override
    {
        GdtfSummary summary;
        if (Outcome read = ReadGdtfSummary(path, summary); !read)
            return read;
        listing.manufacturer = summary.manufacturer;
        listing.model = summary.model;
        return Outcome::success();
    }
};

} // namespace

const ImportKind &GdtfImportKind()
{
    static const GdtfKind kind;
    return kind;
}

} // namespace zelvar
