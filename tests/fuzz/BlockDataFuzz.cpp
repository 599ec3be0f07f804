// Decodes arbitrary bytes as the block data of a CMD_READ_BLOCK reply and stores the block in
// an image filled with a pattern. The block's area, taken from a table of image offsets kept
// here, must hold what the device sent and nothing outside the area may change.
//
// Input: a selector byte, then the payload. Selector bit 0: the data length is the count
// field, as the Node engine has it; clear: the rest of the payload, as the session has it.
// Bit 1: the data bytes repeat up to the largest payload, so that full pages come cheaply.
#include "FuzzSupport.h"
#include "device/DeviceFrame.h"
#include "gateway/ConfigImage.h"

#include <algorithm>
#include <cstring>
#include <optional>

using namespace quillan;
using namespace quillan::device;
using quillan::fuzz::le16;

namespace {

constexpr size_t kImageSize = 97'422;

// One block's place in the image. count: offset of its record count word, if it has one.
struct Area {
    std::optional<size_t> count;
    size_t offset = 0;
    size_t size = 0;
    size_t recordSize = 0; // 0: a fixed block
    size_t maxRecords = 0;
    bool exactSize = false; // a fixed block taken only at exactly its size
};

std::optional<Area> areaOf(uint16_t type, uint16_t page)
{
    struct Table {
        size_t recordSize, firstCount, pageCount;
    };
    // Page 0 in the first part; pages 1 to 5 in image pages of 16,012 bytes from 17,362.
    static constexpr Table kTables[] = {
        {4, 92, 4}, {24, 1374, 1286}, {14, 9056, 8968}, {8, 13538, 13450}};
    if (type >= 4 && type <= 7) {
        if (page > 5) {
            return std::nullopt;
        }
        const Table& t = kTables[type - 4];
        const size_t count = page == 0 ? t.firstCount : 17'362 + 16'012 * (page - 1u) + t.pageCount;
        return Area{count, count + 2, 320 * t.recordSize, t.recordSize, 320, false};
    }
    switch (type) {
    case 0:
        return Area{std::nullopt, 6, 36, 0, 0, true};
    case 1:
        return Area{std::nullopt, 42, 8, 0, 0, true};
    case 2:
        return Area{std::nullopt, 50, 32, 0, 0, true};
    case 3:
        return Area{std::nullopt, 82, 10, 0, 0, true};
    case 9:
        return Area{16'100, 16'102, 1'200, 12, 100, false};
    case 10:
        return Area{std::nullopt, 17'304, 6, 0, 0, false};
    case 23:
        return Area{std::nullopt, 17'310, 10, 0, 0, false};
    case 24:
        return Area{17'320, 17'322, 40, 4, 10, false};
    default:
        return std::nullopt;
    }
}

const ConfigImage& patternImage()
{
    static const ConfigImage image = [] {
        ConfigImage i;
        for (size_t k = 0; k < kImageSize; ++k) {
            i.bytes()[k] = static_cast<uint8_t>(k * 131 + 7 + (k >> 8));
        }
        return i;
    }();
    return image;
}

bool unchanged(const ConfigImage& image, size_t from, size_t to)
{
    return std::memcmp(image.bytes().data() + from, patternImage().bytes().data() + from,
                       to - from) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size - 1 > MAX_PAYLOAD_SIZE) {
        return 0;
    }
    const bool byCount = (data[0] & 1) != 0;
    std::vector<uint8_t> given(data + 1, data + size);
    if ((data[0] & 2) != 0 && given.size() > BlockData::HEADER_SIZE) {
        const size_t period = given.size() - BlockData::HEADER_SIZE;
        given.resize(MAX_PAYLOAD_SIZE);
        for (size_t i = BlockData::HEADER_SIZE + period; i < given.size(); ++i) {
            given[i] = given[i - period];
        }
    }
    const uint8_t* payload = given.data();
    const size_t length = given.size();

    const auto block = BlockData::decode(payload, length);
    const bool countFits =
        length >= BlockData::HEADER_SIZE && le16(payload + 4) <= length - BlockData::HEADER_SIZE;
    FUZZ_CHECK(block.has_value() == countFits);
    if (block) {
        FUZZ_CHECK(block->blockType == le16(payload) && block->page == le16(payload + 2));
        FUZZ_CHECK(block->data.size() == le16(payload + 4));
        const std::vector<uint8_t> encoded = block->encode();
        FUZZ_CHECK(encoded.size() == BlockData::HEADER_SIZE + block->data.size());
        FUZZ_CHECK(std::equal(encoded.begin(), encoded.end(), payload));
    }
    if (length < BlockData::HEADER_SIZE || (byCount && !block)) {
        return 0; // neither engine gets as far as storing
    }

    const uint16_t type = le16(payload);
    const uint16_t page = le16(payload + 2);
    const std::span<const uint8_t> bytes =
        byCount ? std::span<const uint8_t>(block->data)
                : std::span<const uint8_t>(payload + BlockData::HEADER_SIZE,
                                           length - BlockData::HEADER_SIZE);
    static ConfigImage image;
    image = patternImage();
    const bool stored = image.storeBlock(static_cast<BlockType>(type), page, bytes);

    const auto area = areaOf(type, page);
    FUZZ_CHECK(stored == area.has_value());
    if (!area) {
        FUZZ_CHECK(unchanged(image, 0, kImageSize));
        return 0;
    }
    const size_t from = area->count.value_or(area->offset);
    const size_t to = area->offset + area->size;
    FUZZ_CHECK(to <= kImageSize);
    FUZZ_CHECK(unchanged(image, 0, from) && unchanged(image, to, kImageSize));

    const uint8_t* at = image.bytes().data() + area->offset;
    size_t kept = 0; // bytes of the data the area holds
    if (area->recordSize == 0) {
        if (area->exactSize && bytes.size() != area->size) {
            FUZZ_CHECK(unchanged(image, from, to));
            return 0;
        }
        kept = std::min(bytes.size(), area->size);
    } else {
        const size_t records = std::min(bytes.size() / area->recordSize, area->maxRecords);
        FUZZ_CHECK(le16(image.bytes().data() + *area->count) == records);
        kept = records * area->recordSize;
    }
    FUZZ_CHECK(std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(kept), at));
    FUZZ_CHECK(std::all_of(at + kept, at + area->size, [](uint8_t b) { return b == 0; }));

    // What is sent back for the block is what was kept (a fixed block goes whole).
    const auto back = image.blockBytes(static_cast<BlockType>(type), page);
    const size_t backSize = area->recordSize == 0 ? area->size : kept;
    FUZZ_CHECK(back.size() == backSize && back.data() == at);
    return 0;
}
