#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillan::device::modbus {

inline constexpr uint8_t FN_READ_HOLDING_REGISTERS = 3;
inline constexpr uint8_t FN_WRITE_SINGLE_REGISTER = 6;
// Set in the function code of an exception reply.
inline constexpr uint8_t EXCEPTION_FLAG = 0x80;

inline constexpr size_t REQUEST_SIZE = 8;
// The gateway's float registers take one register number per value, written with function 6
// and four value bytes.
inline constexpr size_t FLOAT_REQUEST_SIZE = 10;
// Slave id, function code | 0x80, exception code, CRC.
inline constexpr size_t EXCEPTION_REPLY_SIZE = 5;

// CRC-16/MODBUS: the check value of "123456789" is 0x4B37.
[[nodiscard]] uint16_t crc16Modbus(const uint8_t* data, size_t size);

// Complete requests, CRC included.
[[nodiscard]] std::vector<uint8_t> readHoldingRegistersRequest(uint8_t slaveId, uint16_t first,
                                                               uint16_t count);
[[nodiscard]] std::vector<uint8_t> writeRegisterRequest(uint8_t slaveId, uint16_t reg,
                                                        uint16_t value);
[[nodiscard]] std::vector<uint8_t> writeFloatRegisterRequest(uint8_t slaveId, uint16_t reg,
                                                             float value);

// Appends the CRC of frame's bytes, least significant byte first.
void appendCrc(std::vector<uint8_t>& frame);
// True when the two bytes after the first size bytes hold their CRC.
[[nodiscard]] bool crcMatches(std::span<const uint8_t> frame, size_t size);

// How many bytes the reply to a request with this function code holds, judged from what has
// arrived so far; 0 while that cannot be told yet. A read reply gives its length in its third
// byte; a write reply echoes the request (requestSize bytes); an exception reply is shorter.
[[nodiscard]] size_t expectedReplySize(std::span<const uint8_t> gathered, uint8_t function,
                                       size_t requestSize);

enum class TraceDirection { sent, received };

// Debug lines of a frame: 15 bytes a line as "XX ", the first line after "  ->   " (sent) or
// "  <-   " (received), the others after seven spaces.
[[nodiscard]] std::vector<std::string> traceLines(std::span<const uint8_t> frame,
                                                  TraceDirection direction);

} // namespace quillan::device::modbus
