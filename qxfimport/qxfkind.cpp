// QLC+ definitions behind the import's view of a fixture file.
#include "qxfimport/qxfkind.h"

#include "qxfimport/qxfconversion.h"

#include <QDir>
#include <QFileInfo>

namespace zelvar {

QStringList QxfLibraryFolders()
{
    QStringList candidates;
    const QByteArray chosen = qgetenv("ZELVAR71_QLCPLUS_FIXTURES");
    if (!chosen.isEmpty())
        candidates = QString::fromLocal8Bit(chosen).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    else
        candidates << installedQxfLibrary() << QDir::home().filePath(QStringLiteral(".qlcplus/fixtures"));
    QStringList folders;
    for (const QString &c : candidates) {
        if (QFileInfo(c).isDir())
            folders << c;
    }
    return folders;
}

namespace {

class QxfImportDefinition : public ImportDefinition
{
public:
    explicit QxfImportDefinition(QxfDefinition definition) : m_d(std::move(definition)) {}

    QString manufacturer() const override { return m_d.manufacturer; }
    QString model() const override { return m_d.model; }
    QString title() const override
    {
        QString text = (m_d.manufacturer + QLatin1Char(' ') + m_d.model).simplified();
        if (!m_d.type.isEmpty())
            text += QStringLiteral(" (%1)").arg(m_d.type);
        return text;
    }
    QStringList modeNames() const override { return QxfModeNames(m_d); }
    ImportModeFit checkMode(int mode) const override
    {
        const QxfModeFit fit = CheckQxfMode(m_d, mode);
        return {fit.channelCount, fit.problem, QxfModeProblemText(fit.kind)};
    }
    QStringList fixtureNames(const QSet<QString> &taken) const override { return ImportedFixtureNames(m_d, taken); }
    QString fileName(int mode) const override { return ImportedFileName(m_d, mode); }
    Outcome convert(int mode, ChannelNameTable &names, ImportedFixture &fixture,
                    const QString &fixtureName) const override
    {
        return ConvertQxfMode(m_d, mode, names, fixture, fixtureName);
    }
    QStringList channelNames(int mode, const ChannelNameTable &names) const override
    {
        return QxfChannelNames(m_d, mode, names);
    }
    QVector<ChannelToName> channelsToName(int mode) const override { return QxfChannelsToName(m_d, mode); }

private:
    QxfDefinition m_d;
};

class QxfKind : public ImportKind
{
public:
    QString name() const override { return QStringLiteral("QLC+"); }
    QString extension() const override { return QStringLiteral("qxf"); }
    QString filter() const override { return qxfFilter(); }
    QStringList libraryFolders() const override { return QxfLibraryFolders(); }
    QString noLibraryText() const override
    {
        return QStringLiteral("No QLC+ fixture library is installed (Debian package qlcplus-data).");
    }
    Outcome read(const QString &path, std::unique_ptr<ImportDefinition> &definition) const override
    {
        QxfDefinition d;
        if (Outcome read = ReadQxf(path, d); !read)
            return read;
        definition = std::make_unique<QxfImportDefinition>(std::move(d));
        return Outcome::success();
    }
    Outcome list(const QString &path, ImportListing &listing) const override
    {
        QxfSummary summary;
        if (Outcome read = ReadQxfSummary(path, summary); !read)
            return read;
        listing.manufacturer = summary.manufacturer;
        listing.model = summary.model;
        return Outcome::success();
    }
};

} // namespace

const ImportKind &QxfImportKind()
{
    static const QxfKind kind;
    return kind;
}

} // namespace zelvar
