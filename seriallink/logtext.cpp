// Bytes as the log box shows them.
#include "seriallink/logtext.h"

namespace zelvar {

namespace {
const QChar ControlMark(0x00B7);
} // namespace

QString logText(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size() + bytes.size() / LogLineLength + 1);
    int column = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const quint8 b = quint8(bytes.at(i));
        if (b == '\n' || (b == '\r' && i + 1 < n && bytes.at(i + 1) == '\n')) {
            if (b == '\r')
                ++i;
            text += QLatin1Char('\n');
            column = 0;
            continue;
        }
        if (column == LogLineLength) {
            text += QLatin1Char('\n');
            column = 0;
        }
        if (b == '\t')
            text += QLatin1Char('\t');
        else if (b < 0x20 || (b >= 0x7F && b < 0xA0))
            text += ControlMark;
        else
            text += QChar(b);
        ++column;
    }
    return text;
}

Outcome readLogText(const QString &path, QString &text)
{
    QByteArray bytes;
    if (Outcome read = readFilePrefix(path, PreviewFileKind, bytes); !read)
        return read;
    text = logText(bytes);
    return Outcome::success();
}

} // namespace zelvar
