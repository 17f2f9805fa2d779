// Small helpers the tests share: byte strings written as hex, and whole-file access.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

namespace testsupport {

// "00 01 ff" -> the three bytes.
inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

// A temporary folder for a test's files; a file that cannot be written ends the test program.
class ScratchFolder
{
public:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    // Writes `name` (in sub-folders made as needed) and returns its path.
    QString write(const QString &name, const QByteArray &bytes) const
    {
        const QString path = file(name);
        QDir().mkpath(QFileInfo(path).path());
        if (!writeAll(path, bytes))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private:
    QTemporaryDir m_dir;
};

// Puts `bytes` at `offset` of `image`, growing it with zeros when they reach past its end.
inline void put(QByteArray &image, qsizetype offset, const QByteArray &bytes)
{
    if (offset + bytes.size() > image.size())
        image.append(offset + bytes.size() - image.size(), '\0');
    image.replace(offset, bytes.size(), bytes);
}

// `text` blank-padded to `length` bytes.
inline QByteArray padded(const char *text, int length)
{
    QByteArray b(text);
    b.append(length - b.size(), ' ');
    return b;
}

} // namespace testsupport
