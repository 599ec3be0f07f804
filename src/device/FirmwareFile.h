#pragma once

#include "device/DeviceFrame.h"

#include <cstdint>
#include <iosfwd>
#include <span>
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

} // namespace quillan::device
