// Small helpers the tests share: byte strings written as hex, and whole-file access.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

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
