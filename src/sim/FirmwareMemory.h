#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

namespace quillan::sim {

// The gateway's program memory as flashing leaves it: runs of bytes by start address,
// contiguous or overlapping writes merged into one run.
class FirmwareMemory {
public:
    // More than this in all is refused (the part's flash is far smaller).
    static constexpr size_t kCapacity = 16u << 20;

    void erase() { m_runs.clear(); }
    // False, writing nothing, when the bytes would pass the end of the address space or the
    // capacity.
    [[nodiscard]] bool write(uint32_t address, std::span<const uint8_t> bytes);

    [[nodiscard]] const std::map<uint32_t, std::vector<uint8_t>>& runs() const { return m_runs; }
    [[nodiscard]] size_t size() const;
    [[nodiscard]] bool empty() const { return m_runs.empty(); }
    // The byte at address, if one was written there.
    [[nodiscard]] std::optional<uint8_t> byteAt(uint32_t address) const;

    // Every byte from the lowest address written to the highest, as a programmer reads the
    // part back: bytes never written between runs read as erased flash.
    struct FlatImage {
        uint32_t address = 0;
        std::vector<uint8_t> bytes;
    };
    static constexpr uint8_t kErased = 0xFF;
    // A flat image longer than this is refused: runs that far apart are not one program.
    static constexpr uint64_t kMaxFlatSize = 64u << 20;
    // None when nothing was written or the runs span more than kMaxFlatSize.
    [[nodiscard]] std::optional<FlatImage> flatImage() const;

    bool operator==(const FirmwareMemory&) const = default;

private:
    std::map<uint32_t, std::vector<uint8_t>> m_runs;
};

} // namespace quillan::sim
