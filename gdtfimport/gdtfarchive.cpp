// Reading description.xml out of a .gdtf archive with libzip, in memory.
#include "gdtfimport/gdtfarchive.h"

#include <QFile>
#include <QFileInfo>

#include <zip.h>

#include <algorithm>
#include <memory>

namespace zelvar {

namespace {

struct ArchiveCloser
{
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
struct EntryCloser
{
    void operator()(zip_file_t *entry) const { zip_fclose(entry); }
};
struct SourceFreer
{
    void operator()(zip_source_t *source) const { zip_source_free(source); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;
using Entry = std::unique_ptr<zip_file_t, EntryCloser>;
using Source = std::unique_ptr<zip_source_t, SourceFreer>;

// libzip's error as a sentence part: what it says in its own words, lower-cased at the
// start as the rest of a reason is.
QString errorText(zip_error_t *error)
{
    QString text = QString::fromLocal8Bit(zip_error_strerror(error));
    if (!text.isEmpty())
        text[0] = text.at(0).toLower();
    return text;
}

const QString NotAZip = QStringLiteral("it is not a zip archive, as a .gdtf file is");

QString sizeText(qint64 bytes)
{
    return QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024));
}

// The archive from `source`, which it owns from then on; on failure the source is freed.
Outcome openArchive(Source source, Archive &archive)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_t *opened = zip_open_from_source(source.get(), ZIP_RDONLY, &error);
    if (!opened) {
        const int code = zip_error_code_zip(&error);
        const QString reason = code == ZIP_ER_NOZIP || code == ZIP_ER_INCONS
            ? NotAZip
            : QStringLiteral("it cannot be read as a zip archive: %1").arg(errorText(&error));
        zip_error_fini(&error);
        return Outcome::failure(reason);
    }
    zip_error_fini(&error);
    source.release();
    archive.reset(opened);
    return Outcome::success();
}

Outcome readDescription(zip_t *archive, QByteArray &description, qint64 prefix)
{
    const QByteArray name = gdtfDescriptionName().toUtf8();
    zip_int64_t index = zip_name_locate(archive, name.constData(), 0);
    if (index < 0)
        index = zip_name_locate(archive, name.constData(), ZIP_FL_NOCASE);
    if (index < 0)
        return Outcome::failure(QStringLiteral("the archive holds no %1").arg(gdtfDescriptionName()));

    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, zip_uint64_t(index), 0, &stat) != 0)
        return Outcome::failure(
            QStringLiteral("its %1 cannot be read: %2").arg(gdtfDescriptionName(), errorText(zip_get_error(archive))));
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
        return Outcome::failure(QStringLiteral("its %1 is encrypted").arg(gdtfDescriptionName()));
    const auto oversized = [](qint64 size) {
        return Outcome::failure(QStringLiteral("its %1 unpacks to %2 bytes, more than %3; it is no fixture description")
                                    .arg(gdtfDescriptionName())
                                    .arg(size)
                                    .arg(sizeText(MaxGdtfDescriptionSize)));
    };
    const bool sized = stat.valid & ZIP_STAT_SIZE;
    if (prefix <= 0 && sized && stat.size > zip_uint64_t(MaxGdtfDescriptionSize))
        return oversized(qint64(stat.size));

    Entry entry(zip_fopen_index(archive, zip_uint64_t(index), 0));
    if (!entry)
        return Outcome::failure(
            QStringLiteral("its %1 cannot be read: %2").arg(gdtfDescriptionName(), errorText(zip_get_error(archive))));
    // The stated size may lie: never more than the limit is read, and one byte more
    // tells that there was more.
    const qint64 wanted = prefix > 0 ? prefix : MaxGdtfDescriptionSize + 1;
    QByteArray data(int(sized ? std::min<qint64>(qint64(stat.size), wanted) : std::min<qint64>(wanted, 64 * 1024)),
                    Qt::Uninitialized);
    qint64 got = 0;
    for (;;) {
        if (got == data.size()) {
            if (got >= wanted)
                break;
            data.resize(int(std::min<qint64>(wanted, std::max<qint64>(2 * got, 4096))));
        }
        const zip_int64_t n = zip_fread(entry.get(), data.data() + got, zip_uint64_t(data.size() - got));
        if (n < 0)
            return Outcome::failure(QStringLiteral("its %1 is damaged: %2")
                                        .arg(gdtfDescriptionName(), errorText(zip_file_get_error(entry.get()))));
        if (n == 0)
            break;
        got += n;
    }
    data.resize(int(got));
    if (prefix <= 0 && got > MaxGdtfDescriptionSize)
        return oversized(got);
    description = std::move(data);
    return Outcome::success();
}

} // namespace

Outcome ReadGdtfArchive(const QByteArray &archiveBytes, QByteArray &description, qint64 prefix)
{
    // libzip takes nothing at all for an archive without entries.
    if (archiveBytes.isEmpty())
        return Outcome::failure(NotAZip);
    zip_error_t error;
    zip_error_init(&error);
    Source source(zip_source_buffer_create(archiveBytes.constData(), zip_uint64_t(archiveBytes.size()), 0, &error));
    if (!source) {
        const QString reason = errorText(&error);
        zip_error_fini(&error);
        return Outcome::failure(QStringLiteral("it cannot be read as a zip archive: %1").arg(reason));
    }
    zip_error_fini(&error);
    Archive archive;
    if (Outcome opened = openArchive(std::move(source), archive); !opened)
        return opened;
    return readDescription(archive.get(), description, prefix);
}

Outcome ReadGdtfArchiveFile(const QString &path, QByteArray &description, qint64 prefix)
{
    const QFileInfo info(path);
    const auto failed = [&info](const QString &reason) {
        return Outcome::failure(QStringLiteral("%1: %2").arg(info.fileName(), reason));
    };
    if (!info.exists())
        return Outcome::failure(QStringLiteral("%1 does not exist").arg(info.fileName()));
    if (!info.isFile())
        return Outcome::failure(QStringLiteral("%1 is not a file").arg(info.fileName()));
    if (info.size() == 0)
        return failed(NotAZip);
    zip_error_t error;
    zip_error_init(&error);
    Source source(zip_source_file_create(QFile::encodeName(path).constData(), 0, -1, &error));
    if (!source) {
        const QString reason = errorText(&error);
        zip_error_fini(&error);
        return failed(QStringLiteral("cannot be opened: %1").arg(reason));
    }
    zip_error_fini(&error);
    Archive archive;
    Outcome read = openArchive(std::move(source), archive);
    if (read)
        read = readDescription(archive.get(), description, prefix);
    return read ? read : failed(read.reason());
}

} // namespace zelvar
