#pragma once

#include "device/DeviceFrame.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillan::device {

// A firmware file (Intel HEX, ".a79") as it is loaded for flashing: the ordered chunks of at
// most FirmwareChunk::MAX_DATA bytes that go out one CMD_FLASH_DATA each, and the extended
// address word of the records read so far. Loading appends to the chunks already there.
//
// Lines that are not valid records are skipped without a word, as the gateway's own tools
// do: a file without valid data records loads as no chunks at all.
class FirmwareFile {
public:
    // Empties the chunk list; the extended address word stays.
    void clear() { m_chunks.clear(); }

    // Every line of a text, from an extended address word of 0, to the end of the text.
    void load(std::istream& text);
    // One line, with or without its line end.
    void loadLine(std::string_view line);
    void resetExtendedAddress() { m_extendedAddress = 0; }

    // Appends bytes at a full address: to the last chunk when they follow it and it has room,
    // else as a new chunk.
    void addData(uint32_t address, std::span<const uint8_t> bytes);

    [[nodiscard]] const std::vector<FirmwareChunk>& chunks() const { return m_chunks; }
    [[nodiscard]] uint16_t extendedAddress() const { return m_extendedAddress; }

private:
    std::vector<FirmwareChunk> m_chunks;
    uint16_t m_extendedAddress = 0;
};

// Why a firmware file may not be flashed: the first line that is not a valid record (numbered
// from 1), or no line at all for a file without data.
struct FirmwareFileProblem {
    size_t line = 0;
    std::string reason; // "the checksum is wrong"

    bool operator==(const FirmwareFileProblem&) const = default;
};

// Checks a whole Intel HEX text before anything is sent. Loading skips damaged lines, so a
// file with one bad record would otherwise flash with a hole in it; and a file without data
// would still have the gateway prepare its flash memory for nothing. Blank lines and trailing
// white space (a CR) are allowed; record types other than data and extended linear address
// are taken as they are, as long as they are valid Intel HEX (types 0 to 5).
[[nodiscard]] std::optional<FirmwareFileProblem> checkFirmwareText(std::istream& text);
// "line 3 is not a valid Intel HEX record: the checksum is wrong"
[[nodiscard]] std::string firmwareProblemText(const FirmwareFileProblem& problem);

} // namespace quillan::device
