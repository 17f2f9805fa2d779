// zelvar71-cli import: fixture profiles (.zff) from QLC+ fixture definitions (.qxf), one
// mode at a time or a whole library at once.
#include "commands.h"

#include "channames/channelnametable.h"
#include "common/labels.h"
#include "fixture/zfffile.h"
#include "qxfimport/qxfconversion.h"
#include "qxfimport/qxflibrary.h"

#include <QDir>
#include <QFileInfo>

namespace zelvar::cli {

namespace {

const char *const ImportUsage = "usage: zelvar71-cli import FILE.qxf                      list the modes\n"
                                "       zelvar71-cli import FILE.qxf --mode NAME -o OUT.zff\n"
                                "       zelvar71-cli import --all DIR -o OUTDIR\n";

// The mode of that name: exactly, else the one whose name matches without regard to case.
int findMode(const QxfDefinition &definition, const QString &name)
{
    for (int i = 0; i < definition.modes.size(); ++i) {
        if (definition.modes.at(i).name == name)
            return i;
    }
    int found = -1;
    for (int i = 0; i < definition.modes.size(); ++i) {
        if (definition.modes.at(i).name.compare(name, Qt::CaseInsensitive) == 0) {
            if (found >= 0)
                return -1;
            found = i;
        }
    }
    return found;
}

void listModes(const QxfDefinition &definition, QTextStream &out)
{
    out << definition.manufacturer << " " << definition.model;
    if (!definition.type.isEmpty())
        out << " (" << definition.type << ")";
    out << ": " << definition.modes.size() << (definition.modes.size() == 1 ? " mode\n" : " modes\n");
    for (int i = 0; i < definition.modes.size(); ++i) {
        const QxfModeFit fit = CheckQxfMode(definition, i);
        out << "  \"" << definition.modes.at(i).name << "\"  " << fit.channelCount
            << (fit.channelCount == 1 ? " channel" : " channels");
        if (!fit.fits())
            out << "  cannot be imported: " << fit.problem;
        out << "\n";
    }
}

int importAll(const QString &folder, const QString &target, QTextStream &out, QTextStream &err)
{
    if (!QFileInfo(folder).isDir()) {
        err << "zelvar71-cli: " << folder << " is not a folder\n";
        return ExitFailure;
    }
    QxfLibraryConversion conversion;
    if (Outcome done = ConvertQxfLibrary(folder, target, conversion); !done) {
        err << "zelvar71-cli: " << done.reason() << "\n";
        return ExitFailure;
    }
    for (const QString &line : conversion.unreadable)
        err << "zelvar71-cli: unreadable: " << line << "\n";
    for (const QString &line : conversion.notWritten)
        err << "zelvar71-cli: not written: " << line << "\n";
    out << QxfLibrarySummary(conversion);
    out << "profiles in " << QDir::toNativeSeparators(target) << "\n";
    return conversion.notWritten.isEmpty() ? 0 : ExitFailure;
}

int importMode(const QxfDefinition &definition, const QString &modeName, QString target, QTextStream &out,
               QTextStream &err)
{
    const int mode = findMode(definition, modeName);
    if (mode < 0) {
        err << "zelvar71-cli: the definition has no mode \"" << modeName << "\"\n";
        listModes(definition, err);
        return ExitFailure;
    }
    ImportedFixture fixture;
    if (Outcome converted = ConvertQxfMode(definition, mode, fixture); !converted) {
        err << "zelvar71-cli: mode \"" << modeName << "\" cannot be imported: " << converted.reason() << "\n";
        return ExitFailure;
    }
    if (target.right(4).toLower() != QLatin1String(".zff"))
        target += QStringLiteral(".zff");
    PrepareForSave(fixture.profile);
    if (Outcome written = WriteProfile(fixture.profile, target); !written) {
        err << "zelvar71-cli: " << written.reason() << "\n";
        return ExitFailure;
    }
    out << "wrote " << target << ": \"" << withoutTrailingBlanks(fixture.profile.setup.fixtureName.text()) << "\", "
        << fixture.channels.size() << (fixture.channels.size() == 1 ? " channel\n" : " channels\n");
    for (int i = 0; i < fixture.channels.size(); ++i) {
        const ImportedChannel &c = fixture.channels.at(i);
        out << "  " << channelLabel(i + 1) << "  " << c.sourceName << " -> " << DefaultNames[size_t(c.nameId)] << " ("
            << FadeModeText(int(c.fadeMode)) << ", " << c.stepCount << (c.stepCount == 1 ? " step)\n" : " steps)\n");
    }
    for (const QString &warning : fixture.warnings)
        err << "zelvar71-cli: warning: " << warning << "\n";
    return 0;
}

} // namespace

int importQxf(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QString source;
    QString modeName;
    QString target;
    bool all = false;
    bool hasMode = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("-o") || arg == QLatin1String("--mode")) {
            if (i + 1 >= args.size()) {
                err << ImportUsage;
                return ExitUsage;
            }
            if (arg == QLatin1String("-o")) {
                target = args.at(++i);
            } else {
                modeName = args.at(++i);
                hasMode = true;
            }
        } else if (arg == QLatin1String("--all")) {
            all = true;
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            err << "zelvar71-cli: unknown option " << arg << "\n" << ImportUsage;
            return ExitUsage;
        } else if (source.isEmpty()) {
            source = arg;
        } else {
            err << ImportUsage;
            return ExitUsage;
        }
    }
    if (source.isEmpty() || (all && (hasMode || target.isEmpty())) || (!all && hasMode != !target.isEmpty())) {
        err << ImportUsage;
        return ExitUsage;
    }
    if (all)
        return importAll(source, target, out, err);

    QxfDefinition definition;
    if (Outcome read = ReadQxf(source, definition); !read) {
        err << "zelvar71-cli: " << read.reason() << "\n";
        return ExitFailure;
    }
    if (!hasMode) {
        listModes(definition, out);
        return 0;
    }
    return importMode(definition, modeName, target, out, err);
}

} // namespace zelvar::cli
