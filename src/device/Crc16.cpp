#include "device/Crc16.h"

#include <array>

namespace quillan::device {

namespace {

constexpr std::array<uint16_t, 256> makeTable()
{
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xA001 : crc >> 1;
        }
        table[i] = static_cast<uint16_t>(crc);
    }
    return table;
}

constexpr std::array<uint16_t, 256> CRC_TABLE = makeTable();

} // namespace

uint16_t crc16Update(uint16_t crc, const uint8_t* data, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        crc = static_cast<uint16_t>((crc >> 8) ^ CRC_TABLE[(crc ^ data[i]) & 0xFF]);
    }
    return crc;
}

} // namespace quillan::device
