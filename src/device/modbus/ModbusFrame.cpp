#include "device/modbus/ModbusFrame.h"

#include "device/Crc16.h"

#include <bit>
#include <cstdio>

namespace quillan::device::modbus {

namespace {

void appendWord(std::vector<uint8_t>& frame, uint16_t value)
{
    frame.push_back(static_cast<uint8_t>(value >> 8));
    frame.push_back(static_cast<uint8_t>(value & 0xFF));
}

std::vector<uint8_t> request(uint8_t slaveId, uint8_t function, uint16_t address, uint16_t word)
{
    std::vector<uint8_t> frame{slaveId, function};
    appendWord(frame, address);
    appendWord(frame, word);
    return frame;
}

} // namespace

uint16_t crc16Modbus(const uint8_t* data, size_t size)
{
    return crc16Update(0xFFFF, data, size);
}

void appendCrc(std::vector<uint8_t>& frame)
{
    const uint16_t crc = crc16Modbus(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
}

bool crcMatches(std::span<const uint8_t> frame, size_t size)
{
    if (frame.size() < size + 2) {
        return false;
    }
    const uint16_t crc = crc16Modbus(frame.data(), size);
    return frame[size] == (crc & 0xFF) && frame[size + 1] == (crc >> 8);
}

std::vector<uint8_t> readHoldingRegistersRequest(uint8_t slaveId, uint16_t first, uint16_t count)
{
    std::vector<uint8_t> frame = request(slaveId, FN_READ_HOLDING_REGISTERS, first, count);
    appendCrc(frame);
    return frame;
}

std::vector<uint8_t> writeRegisterRequest(uint8_t slaveId, uint16_t reg, uint16_t value)
{
    std::vector<uint8_t> frame = request(slaveId, FN_WRITE_SINGLE_REGISTER, reg, value);
    appendCrc(frame);
    return frame;
}

std::vector<uint8_t> writeFloatRegisterRequest(uint8_t slaveId, uint16_t reg, float value)
{
    const auto bits = std::bit_cast<uint32_t>(value);
    std::vector<uint8_t> frame =
        request(slaveId, FN_WRITE_SINGLE_REGISTER, reg, static_cast<uint16_t>(bits >> 16));
    appendWord(frame, static_cast<uint16_t>(bits & 0xFFFF));
    appendCrc(frame);
    return frame;
}

size_t expectedReplySize(std::span<const uint8_t> gathered, uint8_t function, size_t requestSize)
{
    if (gathered.size() < 2) {
        return 0;
    }
    if ((gathered[1] & EXCEPTION_FLAG) != 0) {
        return EXCEPTION_REPLY_SIZE;
    }
    if (function != FN_READ_HOLDING_REGISTERS) {
        return requestSize;
    }
    if (gathered.size() < 3) {
        return 0;
    }
    return size_t{gathered[2]} + 5;
}

std::vector<std::string> traceLines(std::span<const uint8_t> frame, TraceDirection direction)
{
    constexpr size_t BYTES_PER_LINE = 15;
    std::vector<std::string> lines;
    for (size_t start = 0; start < frame.size(); start += BYTES_PER_LINE) {
        std::string line = start > 0                           ? "       "
                           : direction == TraceDirection::sent ? "  ->   "
                                                               : "  <-   ";
        for (size_t i = start; i < frame.size() && i < start + BYTES_PER_LINE; ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02X ", frame[i]);
            line += hex;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace quillan::device::modbus
