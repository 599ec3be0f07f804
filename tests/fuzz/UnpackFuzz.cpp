// Unpacks arbitrary bytes as a packed project file received from a device. A buffer
// that is refused gives nothing; one that is taken gives exactly the announced size, which packs
// and unpacks again to the same bytes. liblzma's allocations are counted: whatever the header
// announces, they stay within the dictionary that the output bounds and the coder's tables.
//
// Input: the packed buffer as it is.
//
// libFuzzer sees coverage only of code built for it, and liblzma is the system's: the wrapper's
// few branches alone would let it keep hardly any input. So each outcome (status, by the size
// announced or unpacked and by the properties) also sets one of libFuzzer's extra counters,
// and an input that reaches a new outcome (say, a successful unpacking at a new size) is kept.
#include "FuzzSupport.h"
#include "device/ProjectPacking.h"
#include "device/ProjectPackingAllocator.h"
#include "support/CountingLzmaAllocator.h"

#include <algorithm>
#include <bit>

using namespace quillan;
using namespace quillan::device;

namespace {

// The decoder's own tables and state besides the dictionary: the probabilities for lc + lp = 4
// take 0x300 << 4 16-bit entries (24 KiB); the rest is a few KiB.
constexpr size_t CODER_ALLOWANCE = 256u << 10;

// Packing again takes long for very large outputs under the sanitizers; those are rare and
// their unpacking is what is under test.
constexpr size_t ROUND_TRIP_LIMIT = 1u << 20;

// Status 0 to 7, by the bit width of a size (0 to 32), by lc + lp and pb in five classes.
constexpr size_t SIZE_CLASSES = 33;
constexpr size_t PROPERTY_CLASSES = 5;
__attribute__((used, section("__libfuzzer_extra_counters")))
uint8_t outcomes[8 * SIZE_CLASSES * PROPERTY_CLASSES];

void noteOutcome(int status, uint32_t size, uint8_t properties)
{
    const auto statusClass = static_cast<size_t>(status & 7);
    const auto sizeClass = static_cast<size_t>(std::bit_width(size));
    size_t propertyClass = 4; // not a properties byte
    if (properties < 225) {
        const unsigned lc = properties % 9u;
        const unsigned lp = (properties / 9u) % 5u;
        const unsigned pb = properties / 45u;
        propertyClass = properties == 0x5D ? 0 : lc + lp > 4 ? 1 : pb == 2 ? 2 : 3;
    }
    outcomes[(statusClass * SIZE_CLASSES + sizeClass) * PROPERTY_CLASSES + propertyClass] = 1;
}

uint32_t le32(const uint8_t* p)
{
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> packed(data, size);
    test::CountingLzmaAllocator counting;
    const UnpackResult unpacked = expandBuffer(packed, counting.allocator());
    FUZZ_CHECK(counting.current() == 0);
    if (size < PACKED_HEADER_SIZE) {
        noteOutcome(unpacked.status, static_cast<uint32_t>(size), 0xFF);
    } else {
        noteOutcome(unpacked.status, le32(data), data[4]);
        const uint32_t announced = le32(data);
        const uint32_t dictionary = std::max(le32(data + 5), uint32_t{4096});
        const size_t bound = std::min(dictionary, std::max(announced, uint32_t{4096}));
        FUZZ_CHECK(counting.peak() <= bound + CODER_ALLOWANCE);
        if (announced > UNPACKED_SIZE_LIMIT) {
            FUZZ_CHECK(counting.allocations() == 0);
        }
    }
    if (unpacked.status != 0) {
        FUZZ_CHECK(unpacked.data.empty());
        return 0;
    }
    FUZZ_CHECK(size >= PACKED_HEADER_SIZE + 5);
    FUZZ_CHECK(unpacked.data.size() == le32(data));
    if (unpacked.data.size() > ROUND_TRIP_LIMIT) {
        return 0;
    }

    const PackResult again = compressBuffer(unpacked.data);
    FUZZ_CHECK(again.status == 0);
    FUZZ_CHECK(std::equal(again.packed.begin(), again.packed.begin() + 4, data));
    FUZZ_CHECK(again.packed[4] == 0x5D && le32(again.packed.data() + 5) == (16u << 20));
    const UnpackResult back = expandBuffer(again.packed);
    FUZZ_CHECK(back.status == 0);
    FUZZ_CHECK(back.data == unpacked.data);
    return 0;
}
