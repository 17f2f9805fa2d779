// Little- and big-endian records: explicit encode and decode, never a raw struct copy.
#pragma once

#include "common/fixedtext.h"

#include <QByteArray>
#include <QtGlobal>

namespace zelvar {

inline quint16 loadU16le(const char *p)
{
    return quint16(quint8(p[0]) | (quint8(p[1]) << 8));
}
inline quint32 loadU32le(const char *p)
{
    return quint32(quint8(p[0])) | (quint32(quint8(p[1])) << 8) | (quint32(quint8(p[2])) << 16)
        | (quint32(quint8(p[3])) << 24);
}
inline quint32 loadU32be(const char *p)
{
    return (quint32(quint8(p[0])) << 24) | (quint32(quint8(p[1])) << 16) | (quint32(quint8(p[2])) << 8)
        | quint32(quint8(p[3]));
}
inline void storeU16le(char *p, quint16 v)
{
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8);
}
inline void storeU32le(char *p, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}
inline void storeU32be(char *p, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * (3 - i))) & 0xFF);
}

// Appends fields to a byte array in file order.
class ByteWriter
{
public:
    explicit ByteWriter(QByteArray &out) : m_out(out) {}

    void u8(quint8 v) { m_out.append(char(v)); }
    void i16le(qint16 v) { u16le(quint16(v)); }
    void u16le(quint16 v)
    {
        char b[2];
        storeU16le(b, v);
        m_out.append(b, 2);
    }
    void u32le(quint32 v)
    {
        char b[4];
        storeU32le(b, v);
        m_out.append(b, 4);
    }
    void bytes(const char *data, qsizetype size) { m_out.append(data, size); }
    void zeros(qsizetype count) { m_out.append(count, '\0'); }
    template <std::size_t N>
    void text(const FixedText<N> &t)
    {
        m_out.append(t.data(), qsizetype(N));
    }

private:
    QByteArray &m_out;
};

// Reads fields in file order from a byte range. A read past the end yields zeros and
// marks the reader as overrun; callers that check sizes first never see that.
class ByteReader
{
public:
    ByteReader(const char *data, qsizetype size) : m_data(data), m_size(size) {}
    explicit ByteReader(const QByteArray &data) : ByteReader(data.constData(), data.size()) {}

    qsizetype position() const { return m_pos; }
    qsizetype remaining() const { return m_size - m_pos; }
    bool overrun() const { return m_overrun; }

    quint8 u8();
    qint16 i16le() { return qint16(u16le()); }
    quint16 u16le();
    quint32 u32le();
    void bytes(char *out, qsizetype size);
    template <std::size_t N>
    FixedText<N> text()
    {
        char buffer[N];
        bytes(buffer, qsizetype(N));
        return FixedText<N>::fromBytes(buffer);
    }

private:
    const char *take(qsizetype size);

    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    bool m_overrun = false;
};

} // namespace zelvar
