#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quillan {

class Archive;

// The six bytes that describe a point's source or an export's destination; they go unchanged
// into the device's records.
using Details = std::array<uint8_t, 6>;

namespace detail_bytes {

[[nodiscard]] uint16_t u16(const Details& d, size_t at);
void setU16(Details& d, size_t at, uint16_t value);
[[nodiscard]] uint32_t u32(const Details& d, size_t at);
void setU32(Details& d, size_t at, uint32_t value);
// Field transfer of a part of the bytes, as the archive stores them.
void ioU8(Archive& ar, Details& d, size_t at);
void ioU16(Archive& ar, Details& d, size_t at);
void ioU32(Archive& ar, Details& d, size_t at);
// The Modbus layout: port, slave id, start register, number of registers, format.
void setModbus(Details& d, uint8_t port, uint8_t slave, uint16_t start, uint8_t count,
               uint8_t format);
void ioModbus(Archive& ar, Details& d);

} // namespace detail_bytes

} // namespace quillan
