#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// Little-endian access to the records of the project file, the device frames and the
// configuration image: the one place that spells the byte order out.
namespace quillan::bytes {

inline void putU16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void putU32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

inline void putU64(uint8_t* p, uint64_t v)
{
    putU32(p, static_cast<uint32_t>(v));
    putU32(p + 4, static_cast<uint32_t>(v >> 32));
}

inline void putF32(uint8_t* p, float v)
{
    putU32(p, std::bit_cast<uint32_t>(v));
}

inline uint16_t getU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t getU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline uint64_t getU64(const uint8_t* p)
{
    return getU32(p) | (static_cast<uint64_t>(getU32(p + 4)) << 32);
}

inline float getF32(const uint8_t* p)
{
    return std::bit_cast<float>(getU32(p));
}

} // namespace quillan::bytes
