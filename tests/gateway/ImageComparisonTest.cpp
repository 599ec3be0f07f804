#include "gateway/ImageComparison.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quillan {
void PrintTo(const ImageDifference& d, std::ostream* os)
{
    *os << imageDifferenceText(d);
}
} // namespace quillan

using namespace quillan;
using Kind = ImageDifference::Kind;

namespace {

void put(ConfigImage& image, size_t offset, const std::vector<uint8_t>& bytes)
{
    std::copy(bytes.begin(), bytes.end(), image.bytes().begin() + static_cast<long>(offset));
}

// Offsets written out by hand: the import table's page 1 begins in the first image page
// (17,362), its count at 1,286 and its records at 1,288 within the page.
constexpr size_t kImportsPage1Count = 17'362 + 1'286;
constexpr size_t kImportsPage1 = 17'362 + 1'288;

// A configuration as Update Device would leave it: three ports, the radio, three data store
// points, 330 imports (320 on page 0, 10 on page 1) and three map entries.
std::unique_ptr<ConfigImage> writtenImage()
{
    auto image = std::make_unique<ConfigImage>();
    for (size_t i = 0; i < 36; ++i) {
        image->bytes()[6 + i] = static_cast<uint8_t>(0x40 + i);
    }
    put(*image, 42, {0x80, 0x02, 0x03, 0x00, 0xFF, 0xFF, 0x05, 0x42});
    put(*image, 92,
        {0x03, 0x00, 0x04, 0x00, 0x02, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x00, 0x01, 0x00});
    put(*image, 1'374, {0x40, 0x01});
    for (size_t i = 0; i < 320 * 24; ++i) {
        image->bytes()[1'376 + i] = static_cast<uint8_t>(i * 7 + 3);
    }
    put(*image, kImportsPage1Count, {0x0A, 0x00});
    for (size_t i = 0; i < 10 * 24; ++i) {
        image->bytes()[kImportsPage1 + i] = static_cast<uint8_t>(i * 5 + 1);
    }
    put(*image, 13'538, {0x03, 0x00});
    for (size_t i = 0; i < 3 * 8; ++i) {
        image->bytes()[13'540 + i] = static_cast<uint8_t>(0x90 + i);
    }
    return image;
}

struct CompareCase {
    const char* name;
    std::function<void(ConfigImage&)> change; // made to the image read back
    std::optional<uint32_t> writtenSiteKey;
    std::optional<ImageDifference> difference;
};

void PrintTo(const CompareCase& c, std::ostream* os)
{
    *os << c.name;
}

ImageDifference at(BlockType block, unsigned page = 0, unsigned record = 0)
{
    return {block, page, record, Kind::bytes};
}

ImageDifference count(BlockType block, unsigned page, unsigned record, unsigned written,
                      unsigned read)
{
    return {block, page, record, Kind::recordCount, written, read};
}

const CompareCase COMPARE_CASES[] = {
    {"Same", [](ConfigImage&) {}, std::nullopt, std::nullopt},
    {"SecondPort", [](ConfigImage& i) { i.bytes()[18 + 11] ^= 1; }, {}, at(BlockType::ports, 0, 1)},
    {"Radio", [](ConfigImage& i) { i.bytes()[49] = 0x02; }, {}, at(BlockType::radio)},
    {"ImportOnPageZero",
     [](ConfigImage& i) { i.bytes()[1'376 + 2 * 24 + 23] ^= 0x80; },
     {},
     at(BlockType::imports, 0, 2)},
    {"ImportOnPageOne",
     [](ConfigImage& i) { i.bytes()[kImportsPage1 + 5 * 24] ^= 1; },
     {},
     at(BlockType::imports, 1, 325)},
    {"FewerMapEntries",
     [](ConfigImage& i) { i.bytes()[13'538] = 2; },
     {},
     count(BlockType::modbusMap, 0, 2, 3, 2)},
    {"RecordBeforeItsPagesCount",
     [](ConfigImage& i) {
         i.bytes()[13'540 + 8] ^= 1;
         i.bytes()[13'538] = 2;
     },
     {},
     at(BlockType::modbusMap, 0, 1)},
    {"DataStorePageOneNotWritten",
     [](ConfigImage& i) { i.bytes()[17'362 + 4] = 1; },
     {},
     count(BlockType::dataStore, 1, 320, 0, 1)},
    {"EarlierBlockFirst",
     [](ConfigImage& i) {
         i.bytes()[1'376] ^= 1;
         i.bytes()[6] ^= 1;
     },
     {},
     at(BlockType::ports, 0, 0)},
    {"BytesBeyondTheCount", [](ConfigImage& i) { i.bytes()[94 + 3 * 4] = 0x55; }, {}, std::nullopt},
    {"DeviceBlocks",
     [](ConfigImage& i) {
         i.bytes()[50] = 1;     // block 2
         i.bytes()[82] = 1;     // block 3
         i.bytes()[16'100] = 1; // block 9's count
         i.bytes()[17'310] = 1; // block 23
         i.bytes()[17'322] = 1; // block 24
         i.bytes()[17'308] = 1; // after the site key
     },
     0u, std::nullopt},
    {"SiteKeyWritten",
     [](ConfigImage& i) {
         put(i, 17'304, {0x78, 0x56, 0x34, 0x12});
     },
     0x12345678u, std::nullopt},
    {"OtherSiteKey",
     [](ConfigImage& i) {
         put(i, 17'304, {0x78, 0x56, 0x34, 0x13});
     },
     0x12345678u, at(BlockType::security)},
    {"SiteKeyNotWritten",
     [](ConfigImage& i) {
         put(i, 17'304, {0x78, 0x56, 0x34, 0x13});
     },
     {},
     std::nullopt},
};

class ImageComparisonTest : public testing::TestWithParam<CompareCase> {};

TEST_P(ImageComparisonTest, FirstDifference)
{
    const CompareCase& c = GetParam();
    const auto written = writtenImage();
    auto readBack = std::make_unique<ConfigImage>(*written);
    c.change(*readBack);
    EXPECT_EQ(firstImageDifference(*written, *readBack, c.writtenSiteKey), c.difference);
}

INSTANTIATE_TEST_SUITE_P(Changes, ImageComparisonTest, testing::ValuesIn(COMPARE_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ImageComparison, EveryDifferenceInTheOrderOfTheFirst)
{
    const auto written = writtenImage();
    auto readBack = std::make_unique<ConfigImage>(*written);
    readBack->bytes()[1'376 + 300 * 24] ^= 1;       // import 300
    readBack->bytes()[6] ^= 1;                      // COM1
    readBack->bytes()[1'376 + 2 * 24 + 23] ^= 0x80; // import 2
    readBack->bytes()[13'540 + 8] ^= 1;             // map entry 1, which stays
    readBack->bytes()[13'538] = 2;                  // ... of two
    put(*readBack, 17'304, {0x01, 0x00, 0x00, 0x00});
    EXPECT_EQ(imageDifferences(*written, *readBack, 0u),
              (std::vector<ImageDifference>{
                  at(BlockType::ports, 0, 0), at(BlockType::imports, 0, 2),
                  at(BlockType::imports, 0, 300), at(BlockType::modbusMap, 0, 1),
                  count(BlockType::modbusMap, 0, 2, 3, 2), at(BlockType::security)}));
    EXPECT_TRUE(imageDifferences(*written, *written, 0u).empty());
}

TEST(ImageComparison, Texts)
{
    EXPECT_EQ(imageDifferenceText(at(BlockType::ports, 0, 1)), "Serial ports, COM2 differs.");
    EXPECT_EQ(imageDifferenceText(at(BlockType::radio)), "Radio differs.");
    EXPECT_EQ(imageDifferenceText(at(BlockType::imports, 1, 325)),
              "Imports, page 1, record 325 differs.");
    EXPECT_EQ(imageDifferenceText(count(BlockType::modbusMap, 0, 2, 3, 2)),
              "Modbus map, page 0 holds 2 records, 3 were written.");
    EXPECT_EQ(imageDifferenceText(at(BlockType::security)), "Site security key differs.");
}

} // namespace
