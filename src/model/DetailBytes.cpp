#include "model/DetailBytes.h"

#include "model/Archive.h"
#include "model/Bytes.h"

namespace quillan::detail_bytes {

uint16_t u16(const Details& d, size_t at)
{
    return bytes::getU16(d.data() + at);
}

void setU16(Details& d, size_t at, uint16_t value)
{
    bytes::putU16(d.data() + at, value);
}

uint32_t u32(const Details& d, size_t at)
{
    return bytes::getU32(d.data() + at);
}

void setU32(Details& d, size_t at, uint32_t value)
{
    bytes::putU32(d.data() + at, value);
}

void ioU8(Archive& ar, Details& d, size_t at)
{
    ar.io(d[at]);
}

void ioU16(Archive& ar, Details& d, size_t at)
{
    uint16_t v = u16(d, at);
    ar.io(v);
    setU16(d, at, v);
}

void ioU32(Archive& ar, Details& d, size_t at)
{
    uint32_t v = u32(d, at);
    ar.io(v);
    setU32(d, at, v);
}

void setModbus(Details& d, uint8_t port, uint8_t slave, uint16_t start, uint8_t count,
               uint8_t format)
{
    d[0] = port;
    d[1] = slave;
    setU16(d, 2, start);
    d[4] = count;
    d[5] = format;
}

void ioModbus(Archive& ar, Details& d)
{
    ioU8(ar, d, 0);
    ioU8(ar, d, 1);
    ioU16(ar, d, 2);
    ioU8(ar, d, 4);
    ioU8(ar, d, 5);
}

} // namespace quillan::detail_bytes
