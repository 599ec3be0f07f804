#pragma once

#include <cstddef>
#include <cstdint>

namespace quillan::device {

// CRC-16 with the reflected polynomial 0xA001, continued from crc. CRC-16/ARC starts at 0;
// Modbus RTU uses the same table starting at 0xFFFF.
[[nodiscard]] uint16_t crc16Update(uint16_t crc, const uint8_t* data, size_t size);

// CRC-16/ARC: initial value 0, reflected, no final XOR. The check value of "123456789" is 0xBB3D.
[[nodiscard]] inline uint16_t crc16Arc(const uint8_t* data, size_t size)
{
    return crc16Update(0x0000, data, size);
}

} // namespace quillan::device
