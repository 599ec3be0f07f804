#include "device/FirmwareFile.h"

#include "model/Text.h"

#include <algorithm>
#include <array>
#include <istream>
#include <string>
#include <utility>
#include <vector>

namespace quillan::device {

namespace {

constexpr uint8_t kDataRecord = 0;
constexpr uint8_t kExtendedLinearAddress = 4;
// Count, address (2 bytes), type and checksum around the data.
constexpr size_t kRecordOverhead = 5;
constexpr size_t kLongestRecord = 255 + kRecordOverhead;

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

constexpr uint8_t kLastRecordType = 5; // start linear address

// Why one line is not a valid record; empty when it is one, or blank. The record is read as
// loading reads it, so what passes here is what gets flashed.
std::string lineProblem(std::string_view line, bool& hasData)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
    }
    if (line.empty()) {
        return {};
    }
    if (line.front() != ':') {
        return "it does not start with ':'";
    }
    std::vector<uint8_t> bytes;
    for (size_t i = 1; i + 1 < line.size(); i += 2) {
        const int high = hexValue(line[i]);
        const int low = hexValue(line[i + 1]);
        if (high < 0 || low < 0) {
            break;
        }
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    if (bytes.size() < kRecordOverhead) {
        return "it is too short for a record";
    }
    if (bytes.size() != bytes[0] + kRecordOverhead) {
        return "its length does not match its byte count";
    }
    uint8_t sum = 0;
    for (const uint8_t b : bytes) {
        sum = static_cast<uint8_t>(sum + b);
    }
    if (sum != 0) {
        return "the checksum is wrong";
    }
    const uint8_t type = bytes[3];
    if (type > kLastRecordType) {
        return "its record type is unknown";
    }
    if (type == kExtendedLinearAddress && bytes[0] != 2) {
        return "its extended address does not hold two bytes";
    }
    if (type == kDataRecord && bytes[0] > 0) {
        hasData = true;
    }
    return {};
}

} // namespace

std::optional<FirmwareFileProblem> checkFirmwareText(std::istream& text)
{
    bool hasData = false;
    std::string line;
    for (size_t number = 1; std::getline(text, line); ++number) {
        if (std::string reason = lineProblem(line, hasData); !reason.empty()) {
            return FirmwareFileProblem{number, std::move(reason)};
        }
    }
    if (!hasData) {
        return FirmwareFileProblem{0, "the file holds no firmware data"};
    }
    return std::nullopt;
}

std::string firmwareProblemText(const FirmwareFileProblem& problem)
{
    if (problem.line == 0) {
        return problem.reason;
    }
    return strprintf("line %zu is not a valid Intel HEX record: %s", problem.line,
                     problem.reason.c_str());
}

void FirmwareFile::load(std::istream& text)
{
    resetExtendedAddress();
    // Whole lines, however long: a 255-character line buffer cuts every record of more than
    // 121 data bytes in two, and both halves are then skipped without a word.
    std::string line;
    while (std::getline(text, line)) {
        loadLine(line);
    }
}

void FirmwareFile::loadLine(std::string_view line)
{
    if (line.empty() || line.front() != ':') {
        return;
    }
    // The pairs of hex digits up to the first other character (a CR, a comment); a lone digit
    // at the end is no byte.
    std::array<uint8_t, kLongestRecord> bytes{};
    size_t n = 0;
    for (size_t i = 1; i + 1 < line.size(); i += 2) {
        const int high = hexValue(line[i]);
        const int low = hexValue(line[i + 1]);
        if (high < 0 || low < 0) {
            break;
        }
        if (n == bytes.size()) {
            return; // longer than any count allows
        }
        bytes[n++] = static_cast<uint8_t>(high << 4 | low);
    }
    uint8_t sum = 0;
    for (size_t i = 0; i < n; ++i) {
        sum = static_cast<uint8_t>(sum + bytes[i]);
    }
    if (n == 0 || sum != 0 || n != bytes[0] + kRecordOverhead) {
        return;
    }
    const size_t count = bytes[0];
    const uint16_t address = static_cast<uint16_t>(bytes[1] << 8 | bytes[2]);
    const uint8_t type = bytes[3];
    const uint8_t* data = bytes.data() + 4;
    if (type == kDataRecord) {
        addData((uint32_t{m_extendedAddress} << 16) + address, {data, count});
    } else if (type == kExtendedLinearAddress && count >= 2) {
        // A shorter one has no word to give; the old tools read past the record there.
        m_extendedAddress = static_cast<uint16_t>(data[0] << 8 | data[1]);
    }
}

void FirmwareFile::addData(uint32_t address, std::span<const uint8_t> bytes)
{
    // A record without data adds no chunk: an empty CMD_FLASH_DATA would flash nothing, and
    // every chunk sent then carries 1 to MAX_DATA bytes.
    while (!bytes.empty()) {
        const auto piece = bytes.first(std::min(bytes.size(), FirmwareChunk::MAX_DATA));
        // Compared in 64 bits, so that data running off the top of the address space never
        // joins a chunk at address 0.
        if (m_chunks.empty() ||
            uint64_t{m_chunks.back().address} + m_chunks.back().data.size() != address ||
            m_chunks.back().data.size() + piece.size() > FirmwareChunk::MAX_DATA) {
            m_chunks.push_back({address, {}});
        }
        m_chunks.back().data.insert(m_chunks.back().data.end(), piece.begin(), piece.end());
        bytes = bytes.subspan(piece.size());
        address += static_cast<uint32_t>(piece.size());
    }
}

} // namespace quillan::device
