// Fixed-length text fields as the controller stores them: one byte per character,
// left-justified, blank-padded on the right, cut to the field's length.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>

namespace zelvar {

// The single-byte character set of the files is Latin-1 on this platform.
// Characters outside it are stored as '?'.
QByteArray toSingleByte(const QString &text);
QString fromSingleByte(const char *bytes, qsizetype size);

// Pads with blanks (0x20) or cuts `source` to exactly `length` bytes into `target`.
void assignPadded(char *target, std::size_t length, const QByteArray &source);

template <std::size_t N>
class FixedText
{
public:
    static constexpr std::size_t Length = N;

    // A field never assigned holds N NUL characters.
    FixedText() { m_bytes.fill('\0'); }

    static FixedText fromBytes(const char *bytes)
    {
        FixedText t;
        for (std::size_t i = 0; i < N; ++i)
            t.m_bytes[i] = bytes[i];
        return t;
    }

    void assign(const QByteArray &text) { assignPadded(m_bytes.data(), N, text); }
    void assign(const QString &text) { assign(toSingleByte(text)); }
    void assign(const char *text) { assign(QByteArray(text)); }

    // All N characters, trailing blanks (and NULs) included.
    QString text() const { return fromSingleByte(m_bytes.data(), qsizetype(N)); }
    QByteArray bytes() const { return QByteArray(m_bytes.data(), qsizetype(N)); }
    const char *data() const { return m_bytes.data(); }

    bool operator==(const FixedText &other) const { return m_bytes == other.m_bytes; }
    bool operator!=(const FixedText &other) const { return m_bytes != other.m_bytes; }

private:
    std::array<char, N> m_bytes;
};

// Blank-padded field of `length` characters holding `text`.
template <std::size_t N>
FixedText<N> fixedText(const char *text)
{
    FixedText<N> t;
    t.assign(text);
    return t;
}

// The text without its trailing blanks (0x20 only; NULs and other characters stay).
QString withoutTrailingBlanks(const QString &text);

} // namespace zelvar
