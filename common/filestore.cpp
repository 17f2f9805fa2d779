// File reads and safe replacement on top of QFile and QSaveFile.
#include "common/filestore.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace zelvar {

namespace {
QString describe(const QString &action, const QString &path, const QString &error)
{
    return QStringLiteral("Cannot %1 %2: %3").arg(action, QFileInfo(path).fileName(), error);
}
} // namespace

Outcome readFilePrefix(const QString &path, QByteArray &out, qint64 maxBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::failure(describe(QStringLiteral("open"), path, file.errorString()));
    QByteArray data = maxBytes < 0 ? file.readAll() : file.read(maxBytes);
    if (file.error() != QFileDevice::NoError)
        return Outcome::failure(describe(QStringLiteral("read"), path, file.errorString()));
    out = data;
    return Outcome::success();
}

Outcome replaceFile(const QString &path, const QByteArray &content)
{
    QSaveFile file(path);
    // A folder that only lets us change existing files still gets its file written,
    // though then not through a rename.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return Outcome::failure(describe(QStringLiteral("write"), path, file.errorString()));
    if (file.write(content) != content.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return Outcome::failure(describe(QStringLiteral("write"), path, error));
    }
    if (!file.commit())
        return Outcome::failure(describe(QStringLiteral("write"), path, file.errorString()));
    return Outcome::success();
}

Outcome overwriteFromStart(const QString &path, const QByteArray &content)
{
    QByteArray full = content;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return Outcome::failure(describe(QStringLiteral("open"), path, existing.errorString()));
        if (existing.size() > content.size()) {
            if (!existing.seek(content.size()))
                return Outcome::failure(describe(QStringLiteral("read"), path, existing.errorString()));
            const QByteArray tail = existing.readAll();
            if (existing.error() != QFileDevice::NoError)
                return Outcome::failure(describe(QStringLiteral("read"), path, existing.errorString()));
            full.append(tail);
        }
        existing.close();
    }
    return replaceFile(path, full);
}

Outcome createIfMissing(const QString &path)
{
    QFile file(path);
    if (file.exists())
        return Outcome::success();
    if (!file.open(QIODevice::WriteOnly))
        return Outcome::failure(describe(QStringLiteral("create"), path, file.errorString()));
    return Outcome::success();
}

} // namespace zelvar
