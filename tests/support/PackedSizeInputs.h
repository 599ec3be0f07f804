#pragma once

// Inputs whose packed form (device/ProjectPacking.h) is exactly a given number of bytes, for
// tests at the frame's limit: the store operation takes a project file that packs to
// PACKED_PROJECT_LIMIT (8186) bytes and refuses one that packs to 8187.
//
//   const auto fits = quillan::test::inputPackingTo(quillan::device::PACKED_PROJECT_LIMIT);
//   const auto tooLarge = quillan::test::inputPackingTo(quillan::device::PACKED_PROJECT_LIMIT + 1);
//
// The input is a prefix of a fixed pseudo-random byte stream, so it hardly compresses and its
// packed length follows its length closely; the length is searched for, not written down, so
// the helper keeps working should another liblzma pack a few bytes differently.

#include "device/ProjectPacking.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quillan::test {

inline constexpr uint64_t PACKED_SIZE_SEED = 0x5EED'2B1D'0000'0001ull;

// n bytes of the splitmix64 stream from seed: the same bytes on every platform and library.
inline std::vector<uint8_t> randomBytes(size_t n, uint64_t seed)
{
    std::vector<uint8_t> bytes(n);
    uint64_t state = seed;
    uint64_t word = 0;
    for (size_t i = 0; i < n; ++i) {
        if (i % 8 == 0) {
            state += 0x9E37'79B9'7F4A'7C15ull;
            uint64_t z = state;
            z = (z ^ (z >> 30)) * 0xBF58'476D'1CE4'E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D0'49BB'1331'11EBull;
            word = z ^ (z >> 31);
        }
        bytes[i] = static_cast<uint8_t>(word >> (8 * (i % 8)));
    }
    return bytes;
}

// The packed length of the first n bytes of the stream from seed (0 if packing failed).
inline size_t packedLengthOfRandom(size_t n, uint64_t seed)
{
    const device::PackResult r = device::compressBuffer(randomBytes(n, seed));
    return r.status == 0 ? r.packed.size() : 0;
}

// The shortest prefix of the stream from seed whose packed form is exactly packedSize bytes,
// trying the following seeds when a stream steps over that length; nullopt if none of a few
// does (it has not happened).
inline std::optional<std::vector<uint8_t>> inputPackingTo(size_t packedSize,
                                                          uint64_t seed = PACKED_SIZE_SEED)
{
    for (uint64_t s = seed; s < seed + 8; ++s) {
        // The packed length grows with the input length, nearly monotonically: bisect for the
        // first length that packs to at least packedSize, then look around it.
        size_t low = 0;
        size_t high = packedSize;
        while (low < high) {
            const size_t mid = low + (high - low) / 2;
            if (packedLengthOfRandom(mid, s) < packedSize) {
                low = mid + 1;
            } else {
                high = mid;
            }
        }
        const size_t from = low > 64 ? low - 64 : 0;
        for (size_t n = from; n <= low + 64; ++n) {
            if (packedLengthOfRandom(n, s) == packedSize) {
                return randomBytes(n, s);
            }
        }
    }
    return std::nullopt;
}

} // namespace quillan::test
