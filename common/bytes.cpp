// Bounds-checked field reader.
#include "common/bytes.h"

#include <cstring>

namespace zelvar {

const char *ByteReader::take(qsizetype size)
{
    if (size < 0 || size > remaining()) {
        m_overrun = true;
        m_pos = m_size;
        return nullptr;
    }
    const char *p = m_data + m_pos;
    m_pos += size;
    return p;
}

quint8 ByteReader::u8()
{
    const char *p = take(1);
    return p ? quint8(*p) : 0;
}

quint16 ByteReader::u16le()
{
    const char *p = take(2);
    return p ? loadU16le(p) : 0;
}

quint32 ByteReader::u32le()
{
    const char *p = take(4);
    return p ? loadU32le(p) : 0;
}

void ByteReader::bytes(char *out, qsizetype size)
{
    const char *p = take(size);
    if (p)
        std::memcpy(out, p, size_t(size));
    else if (size > 0)
        std::memset(out, 0, size_t(size));
}

} // namespace zelvar
