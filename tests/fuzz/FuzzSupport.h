#pragma once

// What the fuzz targets share: a failed check that names itself, check sums computed here
// rather than by the code under test, and the chopping of a stream into reads.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace quillan::fuzz {

// CRC-16 over the reflected polynomial 0xA001: from 0 for the device frame, 0xFFFF for Modbus.
inline uint16_t crc16Bitwise(std::span<const uint8_t> bytes, uint16_t crc)
{
    for (const uint8_t b : bytes) {
        crc ^= b;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<uint16_t>(crc >> 1);
        }
    }
    return crc;
}

// CRC-32 (IEEE), as zlib has it; by table, as it runs over whole state files.
inline uint32_t crc32(std::span<const uint8_t> bytes)
{
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int bit = 0; bit < 8; ++bit) {
                c = (c & 1) != 0 ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            }
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (const uint8_t b : bytes) {
        crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

inline uint16_t le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// How a stream is cut into reads: a count byte (low four bits), then that many entries. An
// entry's low seven bits plus one give the size of a read; its top bit marks a pause after
// that read. The entries repeat; with none, every read takes all it can and nothing pauses.
class Splits {
public:
    // Takes the entries off the front of input.
    explicit Splits(std::span<const uint8_t>& input)
    {
        if (input.empty()) {
            return;
        }
        const size_t count = std::min<size_t>(input[0] & 0x0F, input.size() - 1);
        m_entries.assign(input.begin() + 1, input.begin() + 1 + static_cast<std::ptrdiff_t>(count));
        input = input.subspan(1 + count);
    }

    struct Read {
        size_t size;
        bool pauseAfter;
    };
    Read next()
    {
        if (m_entries.empty()) {
            return {SIZE_MAX, false};
        }
        const uint8_t entry = m_entries[m_next++ % m_entries.size()];
        return {size_t{entry & 0x7Fu} + 1, (entry & 0x80) != 0};
    }

private:
    std::vector<uint8_t> m_entries;
    size_t m_next = 0;
};

} // namespace quillan::fuzz
