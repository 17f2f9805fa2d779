// Single-byte text conversion and blank padding for fixed-length fields.
#include "common/fixedtext.h"

#include <algorithm>
#include <cstring>

namespace zelvar {

QByteArray toSingleByte(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text)
        out.append(c.unicode() <= 0xFF ? char(c.unicode()) : '?');
    return out;
}

QString fromSingleByte(const char *bytes, qsizetype size)
{
    return QString::fromLatin1(bytes, size);
}

void assignPadded(char *target, std::size_t length, const QByteArray &source)
{
    const std::size_t used = std::min(length, std::size_t(source.size()));
    if (used > 0)
        std::memcpy(target, source.constData(), used);
    std::fill(target + used, target + length, ' ');
}

QString withoutTrailingBlanks(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.left(end);
}

} // namespace zelvar
