#include "gateway/ConfigImage.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace quillan;

namespace {

constexpr BlockType kTables[] = {BlockType::dataStore, BlockType::imports, BlockType::exports,
                                 BlockType::modbusMap};

std::string tableName(BlockType table)
{
    return "type" + std::to_string(static_cast<unsigned>(table));
}

std::vector<uint8_t> pattern(size_t length, uint8_t seed)
{
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return bytes;
}

// Images are large; keep them off the test's stack.
std::unique_ptr<ConfigImage> makeImage()
{
    return std::make_unique<ConfigImage>();
}

std::unique_ptr<ConfigImage> makeFilledImage(uint8_t value)
{
    auto image = makeImage();
    std::fill(image->bytes().begin(), image->bytes().end(), value);
    return image;
}

std::vector<uint8_t> toVector(std::span<const uint8_t> bytes)
{
    return {bytes.begin(), bytes.end()};
}

} // namespace

TEST(ConfigImageLayout, FirstPartAndImagePagesAddUp)
{
    EXPECT_EQ(ConfigImage::kFirstPartSize + 5 * ConfigImage::kImagePageSize, ConfigImage::kSize);
    EXPECT_EQ(ConfigImage::kDevice24Offset + 40, ConfigImage::kFirstPartSize);
    EXPECT_EQ(ConfigImage::imagePageOffset(1), 17'362u);
    EXPECT_EQ(ConfigImage::imagePageOffset(5), 81'410u);
}

struct PlaceCase {
    BlockType table;
    int64_t index;
    size_t offset;
    size_t countOffset;
};

class RecordAt : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(RecordAt, FindsPageSlotAndCountWord)
{
    const PlaceCase c = GetParam();
    const auto place = ConfigImage::recordAt(c.table, c.index);
    ASSERT_TRUE(place.has_value());
    EXPECT_EQ(place->offset, c.offset);
    EXPECT_EQ(place->countOffset, c.countOffset);
    EXPECT_EQ(place->page, c.index / 320);
    EXPECT_EQ(place->slot, c.index % 320);
    EXPECT_EQ(place->size, ConfigImage::recordSize(c.table));
}

INSTANTIATE_TEST_SUITE_P(
    Tables, RecordAt,
    ::testing::Values(
        // Record 320 of every table is slot 0 of image page 1.
        PlaceCase{BlockType::dataStore, 0, 94, 92},
        PlaceCase{BlockType::dataStore, 319, 94 + 319 * 4, 92},
        PlaceCase{BlockType::dataStore, 320, 17'362 + 6, 17'362 + 4},
        PlaceCase{BlockType::imports, 0, 1'376, 1'374},
        PlaceCase{BlockType::imports, 320, 17'362 + 1'288, 17'362 + 1'286},
        PlaceCase{BlockType::imports, 1'000, 17'362 + 2 * 16'012 + 1'288 + 40 * 24,
                  17'362 + 2 * 16'012 + 1'286},
        PlaceCase{BlockType::exports, 0, 9'058, 9'056},
        PlaceCase{BlockType::exports, 320, 17'362 + 8'970, 17'362 + 8'968},
        PlaceCase{BlockType::modbusMap, 0, 13'540, 13'538},
        PlaceCase{BlockType::modbusMap, 320, 17'362 + 13'452, 17'362 + 13'450},
        // The last map record ends with the image.
        PlaceCase{BlockType::modbusMap, 1'919, 97'422 - 8, 17'362 + 4 * 16'012 + 13'450}));

TEST(ConfigImageLayout, NoPlaceBeyondTheTablesOrOutsideThem)
{
    for (const BlockType table : kTables) {
        EXPECT_FALSE(ConfigImage::recordAt(table, 1'920)) << tableName(table);
        EXPECT_FALSE(ConfigImage::recordAt(table, -1)) << tableName(table);
    }
    EXPECT_FALSE(ConfigImage::recordAt(BlockType::ports, 0));
    EXPECT_FALSE(ConfigImage::recordAt(BlockType::device9, 0));
    EXPECT_FALSE(ConfigImage::recordAt(static_cast<BlockType>(8), 0));
}

struct PagingCase {
    int32_t records;
    std::array<uint16_t, 6> pageCounts;
};

class Paging : public ::testing::TestWithParam<std::tuple<BlockType, PagingCase>> {};

TEST_P(Paging, EachPageCountsTheRecordsAppendedToIt)
{
    const auto [table, c] = GetParam();
    auto image = makeImage();
    int32_t counter = 0;
    for (int32_t i = 0; i < c.records; ++i) {
        const auto before = *image;
        const auto place = image->appendRecord(table, counter);
        EXPECT_EQ(counter, i + 1);
        if (i < 1'920) {
            ASSERT_TRUE(place.has_value()) << i;
            EXPECT_EQ(place->offset, ConfigImage::recordAt(table, i)->offset);
        } else {
            EXPECT_FALSE(place.has_value()) << i;
            EXPECT_TRUE(*image == before) << "record " << i << " changed the image";
        }
    }
    for (unsigned page = 0; page < 6; ++page) {
        EXPECT_EQ(image->pageCount(table, page), c.pageCounts[page]) << "page " << page;
    }
    // Appending touches nothing but the count words.
    for (unsigned page = 0; page < 6; ++page) {
        image->setPageCount(table, page, 0);
    }
    EXPECT_TRUE(*image == ConfigImage{});
}

INSTANTIATE_TEST_SUITE_P(
    Counts, Paging,
    ::testing::Combine(::testing::ValuesIn(kTables),
                       ::testing::Values(PagingCase{319, {319, 0, 0, 0, 0, 0}},
                                         PagingCase{320, {320, 0, 0, 0, 0, 0}},
                                         PagingCase{321, {320, 1, 0, 0, 0, 0}},
                                         PagingCase{1'920, {320, 320, 320, 320, 320, 320}},
                                         PagingCase{1'921, {320, 320, 320, 320, 320, 320}})));

TEST(ConfigImage, AppendBeyondTheTableStillConsumesTheIndex)
{
    auto image = makeImage();
    int32_t counter = 5'000;
    EXPECT_FALSE(image->appendRecord(BlockType::imports, counter));
    EXPECT_EQ(counter, 5'001);
    EXPECT_TRUE(*image == ConfigImage{});
}

TEST(ConfigImage, IsACopyableValue)
{
    auto image = makeImage();
    image->setRadio({0x0140, 3, 0xFFFF, 5, 0x82});
    auto copy = std::make_unique<ConfigImage>(*image);
    copy->setRadio({});
    EXPECT_EQ(image->radio().address, 0x0140);
    EXPECT_EQ(copy->radio().address, 0);
    image->clear();
    EXPECT_TRUE(*image == *copy);
}

TEST(ConfigImage, FromBytesTakesOnlyAWholeImage)
{
    const auto bytes = pattern(ConfigImage::kSize, 3);
    const auto image = ConfigImage::fromBytes(bytes);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(toVector(image->bytes()), bytes);
    EXPECT_FALSE(ConfigImage::fromBytes(std::span(bytes).first(ConfigImage::kSize - 1)));
    const auto longer = pattern(ConfigImage::kSize + 1, 3);
    EXPECT_FALSE(ConfigImage::fromBytes(longer));
}

TEST(ImageRecords, EncodeToTheDeviceLayout)
{
    std::array<uint8_t, 12> port{};
    PortRecord{57'600,
               8,
               StopBits::one,
               Parity::none,
               PortProtocol::debug,
               0x1234,
               PortRecord::kSplit32BitValues | PortRecord::kRs485Line}
        .encode(port);
    EXPECT_EQ(port, (std::array<uint8_t, 12>{0x00, 0xE1, 0x00, 0x00, 8, 1, 1, 1, 0x34, 0x12, 0x11,
                                             0x00}));

    std::array<uint8_t, 8> radio{};
    RadioRecord{0x0147, 3, 0xFFFF, 35, 0x42}.encode(radio);
    EXPECT_EQ(radio, (std::array<uint8_t, 8>{0x47, 0x01, 3, 0, 0xFF, 0xFF, 35, 0x42}));

    std::array<uint8_t, 24> import{};
    ImportRecord record;
    record.index = 0x0102;
    record.sourceType = SourceType::modbus;
    record.interval = 0x00010203;
    record.zero = 0x8005;
    record.gain = 1.0f;
    record.offset = -2.0f;
    record.details = ModbusDetails{2, 17, 0x9C41, 2, 1}.encode();
    record.encode(import);
    EXPECT_EQ(import, (std::array<uint8_t, 24>{0x02, 0x01, 2, 0,  0x03, 0x02, 0x01, 0x00,
                                               0x05, 0x80, 0, 0,  0x80, 0x3F, 0,    0,
                                               0x00, 0xC0, 2, 17, 0x41, 0x9C, 2,    1}));

    std::array<uint8_t, 14> exportBytes{};
    ExportRecord{7, SourceType::legacyMonitor, 60, LegacyExportDetails{0x01C3, 1}.encode()}.encode(
        exportBytes);
    EXPECT_EQ(exportBytes,
              (std::array<uint8_t, 14>{7, 0, 3, 0, 60, 0, 0, 0, 0xC3, 0x01, 1, 0, 0, 0}));

    std::array<uint8_t, 8> map{};
    MapRecord{9, 3001, 2, MapAttribute::timestamp, PointFormat::floatValue}.encode(map);
    EXPECT_EQ(map, (std::array<uint8_t, 8>{9, 0, 0xB9, 0x0B, 2, 0, 1, 2}));

    std::array<uint8_t, 4> store{};
    DataStoreRecord{4, 2}.encode(store);
    EXPECT_EQ(store, (std::array<uint8_t, 4>{4, 0, 2, 0}));

    std::array<uint8_t, 6> security{};
    SecurityBlock{0xA1B2C3D4, {9, 8}}.encode(security);
    EXPECT_EQ(security, (std::array<uint8_t, 6>{0xD4, 0xC3, 0xB2, 0xA1, 9, 8}));
}

TEST(ImageRecords, SourceDetailsLayouts)
{
    EXPECT_EQ(LocalIoDetails{0x01020304}.encode(), (DetailBytes{4, 3, 2, 1, 0, 0}));
    EXPECT_EQ((RfNodeDetails{0x0180, 12}.encode()), (DetailBytes{0x80, 0x01, 12, 0, 0, 0}));
    EXPECT_EQ((LegacyImportDetails{0x01C3, 0x0A, 4, 1, 0x55}.encode()),
              (DetailBytes{0xC3, 0x01, 0x0A, 4, 1, 0x55}));
    EXPECT_EQ((PioDetails{3, 9, 0x000F, 0x01F0}.encode()), (DetailBytes{3, 9, 0x0F, 0, 0xF0, 1}));
    EXPECT_EQ(NodeAddressDetails{0x0241}.encode(), (DetailBytes{0x41, 0x02, 0, 0, 0, 0}));
    EXPECT_EQ(RocLinkDetails{0x1234}.encode(), (DetailBytes{0x34, 0x12, 0, 0, 0, 0}));
}

TEST(ImageRecords, DecodeReversesEncode)
{
    auto image = makeImage();
    const auto at = [](BlockType table, int64_t i) { return *ConfigImage::recordAt(table, i); };

    const ImportRecord import{5,
                              SourceType::legacyMonitor,
                              3600,
                              0x8064,
                              2.5f,
                              -1.25f,
                              LegacyImportDetails{0x01C3, 0x0A, 4, 1, 0x55}.encode()};
    image->write(at(BlockType::imports, 700), import);
    EXPECT_EQ(image->read<ImportRecord>(at(BlockType::imports, 700)), import);
    EXPECT_EQ(LegacyImportDetails::decode(import.details),
              (LegacyImportDetails{0x01C3, 0x0A, 4, 1, 0x55}));

    const ExportRecord exportRecord{9, SourceType::modbus, 0,
                                    ModbusDetails{1, 5, 100, 1, 0}.encode()};
    image->write(at(BlockType::exports, 1'919), exportRecord);
    EXPECT_EQ(image->read<ExportRecord>(at(BlockType::exports, 1'919)), exportRecord);
    EXPECT_EQ(ModbusDetails::decode(exportRecord.details), (ModbusDetails{1, 5, 100, 1, 0}));

    const MapRecord map{2, 3004, 2, MapAttribute::value, PointFormat::longInt};
    image->write(at(BlockType::modbusMap, 1'919), map);
    EXPECT_EQ(image->read<MapRecord>(at(BlockType::modbusMap, 1'919)), map);

    const PortRecord port{9'600,
                          8,
                          StopBits::onePointFive,
                          Parity::odd,
                          PortProtocol::modbusMaster,
                          247,
                          PortRecord::kExtendedMode};
    image->setPort(2, port);
    EXPECT_EQ(image->port(2), port);
    EXPECT_EQ(image->port(0), PortRecord{});
    EXPECT_EQ(toVector(image->bytes().subspan(30, 12)).front(), 0x80); // 9600 = 0x2580

    image->setSecurity({1'234'567, {}});
    EXPECT_EQ(image->security().siteKey, 1'234'567u);
}

struct StoreCase {
    const char* name;
    uint16_t type;
    unsigned page;
    size_t length;
    bool accepted;
    bool changes;       // whether the image changes at all
    size_t kept;        // bytes of the data kept in the block
    size_t blockLength; // length of blockBytes afterwards
};

class StoreBlock : public ::testing::TestWithParam<StoreCase> {};

TEST_P(StoreBlock, KeepsWhatTheBlockRulesAllow)
{
    const StoreCase c = GetParam();
    const auto type = static_cast<BlockType>(c.type);
    auto image = makeFilledImage(0xAA);
    const auto before = *image;
    const auto data = pattern(c.length, 1);

    EXPECT_EQ(image->storeBlock(type, c.page, data), c.accepted);
    if (!c.changes) {
        EXPECT_TRUE(*image == before);
        return;
    }
    const auto block = image->blockBytes(type, c.page);
    ASSERT_EQ(block.size(), c.blockLength);
    EXPECT_EQ(toVector(block.first(c.kept)), toVector(std::span(data).first(c.kept)));
    for (size_t i = c.kept; i < block.size(); ++i) {
        EXPECT_EQ(block[i], 0) << "byte " << i << " of the block was not cleared";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoreBlock,
    ::testing::Values(StoreCase{"ports", 0, 0, 36, true, true, 36, 36},
                      StoreCase{"portsShort", 0, 0, 35, true, false, 0, 0},
                      StoreCase{"portsLong", 0, 0, 37, true, false, 0, 0},
                      StoreCase{"radio", 1, 0, 8, true, true, 8, 8},
                      StoreCase{"radioShort", 1, 0, 7, true, false, 0, 0},
                      StoreCase{"device2", 2, 0, 32, true, true, 32, 32},
                      StoreCase{"device2Short", 2, 0, 31, true, false, 0, 0},
                      StoreCase{"device3", 3, 0, 10, true, true, 10, 10},
                      StoreCase{"device3Long", 3, 0, 11, true, false, 0, 0},
                      StoreCase{"dataStoreFullPage", 4, 0, 1'280, true, true, 1'280, 1'280},
                      StoreCase{"dataStoreEmptyPage", 4, 2, 0, true, true, 0, 0},
                      StoreCase{"dataStoreTooMany", 4, 3, 1'284, true, true, 1'280, 1'280},
                      StoreCase{"importsTwo", 5, 1, 48, true, true, 48, 48},
                      StoreCase{"importsPartialRecord", 5, 2, 50, true, true, 48, 48},
                      StoreCase{"exportsLastPage", 6, 5, 14, true, true, 14, 14},
                      StoreCase{"mapPage6", 7, 6, 8, false, false, 0, 0},
                      StoreCase{"device9AnyPage", 9, 3, 24, true, true, 24, 24},
                      StoreCase{"device9TooMany", 9, 0, 101 * 12, true, true, 1'200, 1'200},
                      StoreCase{"securityLong", 10, 0, 8, true, true, 6, 6},
                      StoreCase{"securityShort", 10, 0, 4, true, true, 4, 6},
                      StoreCase{"device23Short", 23, 0, 4, true, true, 4, 10},
                      StoreCase{"device24TooMany", 24, 0, 44, true, true, 40, 40},
                      StoreCase{"type8", 8, 0, 8, false, false, 0, 0},
                      StoreCase{"type11", 11, 0, 8, false, false, 0, 0},
                      StoreCase{"type22", 22, 0, 10, false, false, 0, 0},
                      StoreCase{"type25", 25, 0, 4, false, false, 0, 0},
                      StoreCase{"typeFFFF", 0xFFFF, 0, 4, false, false, 0, 0}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(StoreBlock, TablePageStaysInsideItsArea)
{
    auto image = makeFilledImage(0xAA);
    const size_t start = ConfigImage::imagePageOffset(1) + ConfigImage::kPageImportsOffset;
    const size_t end = start + 320 * ImportRecord::kSize;
    ASSERT_TRUE(image->storeBlock(BlockType::imports, 1, pattern(24, 1)));
    EXPECT_EQ(image->pageCount(BlockType::imports, 1), 1);
    EXPECT_EQ(image->bytes()[start - 3], 0xAA);
    EXPECT_EQ(image->bytes()[end - 1], 0);
    EXPECT_EQ(image->bytes()[end], 0xAA); // the export count of the page
    EXPECT_EQ(image->pageCount(BlockType::exports, 1), 0xAAAA);
}

TEST(StoreBlock, BlocksSentFromOneImageRebuildItInAnother)
{
    auto source = makeImage();
    source->setPort(0, {57'600, 8, StopBits::one, Parity::none, PortProtocol::debug, 1, 0});
    source->setRadio({0x0140, 3, 0xFFFF, 35, 0x42});
    int32_t counter = 0;
    for (int i = 0; i < 700; ++i) {
        const auto place = source->appendRecord(BlockType::imports, counter);
        source->write(*place, ImportRecord{static_cast<uint16_t>(i), SourceType::rfNode,
                                           static_cast<uint32_t>(i), 0, 1.0f, 0.0f,
                                           RfNodeDetails{0x40, static_cast<uint16_t>(i)}.encode()});
    }
    source->setSecurity({99, {1, 2}});

    auto target = makeFilledImage(0x55);
    target->clear();
    for (const uint16_t type : {0, 1, 2, 3, 9, 10, 23, 24}) {
        const auto t = static_cast<BlockType>(type);
        ASSERT_TRUE(target->storeBlock(t, 0, source->blockBytes(t, 0))) << type;
    }
    for (const BlockType table : kTables) {
        for (unsigned page = 0; page < 6; ++page) {
            ASSERT_TRUE(target->storeBlock(table, page, source->blockBytes(table, page)));
        }
    }
    EXPECT_TRUE(*target == *source);
}

TEST(BlockBytes, LengthsFollowTheBlockAndItsCounts)
{
    auto image = makeImage();
    image->setPageCount(BlockType::dataStore, 0, 5);
    image->setPageCount(BlockType::imports, 1, 3);
    image->setPageCount(BlockType::modbusMap, 5, 320);
    image->setPageCount(BlockType::exports, 4, 400); // a count no page can hold
    image->bytes()[ConfigImage::kDevice9CountOffset] = 2;
    image->bytes()[ConfigImage::kDevice24CountOffset] = 11;

    const uint8_t* base = image->bytes().data();
    struct Expect {
        BlockType type;
        unsigned page;
        size_t offset;
        size_t length;
    };
    const Expect cases[] = {
        {BlockType::ports, 0, 6, 36},
        {BlockType::radio, 0, 42, 8},
        {BlockType::device2, 0, 50, 32},
        {BlockType::device3, 0, 82, 10},
        {BlockType::dataStore, 0, 94, 20},
        {BlockType::imports, 1, 17'362 + 1'288, 72},
        {BlockType::imports, 0, 1'376, 0},
        {BlockType::modbusMap, 5, 17'362 + 4 * 16'012 + 13'452, 2'560},
        {BlockType::exports, 4, 17'362 + 3 * 16'012 + 8'970, 320 * 14},
        {BlockType::device9, 0, 16'102, 24},
        {BlockType::security, 0, 17'304, 6},
        {BlockType::device23, 0, 17'310, 10},
        {BlockType::device24, 0, 17'322, 40},
    };
    for (const Expect& e : cases) {
        const auto block = image->blockBytes(e.type, e.page);
        EXPECT_EQ(block.size(), e.length) << "type " << static_cast<unsigned>(e.type);
        if (!block.empty()) {
            EXPECT_EQ(static_cast<size_t>(block.data() - base), e.offset)
                << "type " << static_cast<unsigned>(e.type);
        }
    }
    EXPECT_TRUE(image->blockBytes(BlockType::dataStore, 6).empty());
    EXPECT_TRUE(image->blockBytes(static_cast<BlockType>(8), 0).empty());
}

struct RadioCase {
    unsigned channel;
    unsigned flags;
    RadioBand band;
    uint32_t bitRate;
    const char* power;
};

TEST(RadioNames, BandBitRateAndPowerFollowTheChannel)
{
    const RadioCase cases[] = {
        {0, 0x00, RadioBand::mhz900, 115'200, "1 mW"},
        {5, 0x82, RadioBand::mhz900, 9'600, "100 mW"},
        {9, 0x04, RadioBand::mhz900, 115'200, "1 W"},
        {10, 0x00, RadioBand::none, 0, "UNKNOWN"},
        {11, 0x02, RadioBand::none, 0, "UNKNOWN"},
        {12, 0x80, RadioBand::ghz24, 250'000, "10 mW"},
        {23, 0x04, RadioBand::ghz24, 250'000, "63 mW"},
        {24, 0x00, RadioBand::none, 0, "UNKNOWN"},
        {29, 0x00, RadioBand::none, 0, "UNKNOWN"},
        {30, 0x83, RadioBand::mhz868, 80'000, "16 mW"},
        {39, 0x01, RadioBand::mhz868, 80'000, "5 mW"},
        {40, 0x00, RadioBand::none, 0, "UNKNOWN"},
        {5, 0x05, RadioBand::mhz900, 115'200, "UNKNOWN"},
        {35, 0x07, RadioBand::mhz868, 80'000, "UNKNOWN"},
    };
    for (const RadioCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "channel " << c.channel << " flags " << c.flags);
        EXPECT_EQ(radioBand(c.channel), c.band);
        EXPECT_EQ(bitRate(c.channel, c.flags), c.bitRate);
        EXPECT_STREQ(powerText(radioBand(c.channel), c.flags & 7), c.power);
    }
}

TEST(CodeNames, EndWithUnknown)
{
    EXPECT_STREQ(protocolName(0), "DISABLED");
    EXPECT_STREQ(protocolName(4), "LEVELMASTER ASCII");
    EXPECT_STREQ(protocolName(5), "ROCLINK MASTER");
    EXPECT_STREQ(protocolName(6), "UNKNOWN");
    EXPECT_STREQ(sourceTypeName(0), "Local I/O");
    EXPECT_STREQ(sourceTypeName(9), "ROC Link");
    EXPECT_STREQ(sourceTypeName(10), "UNKNOWN");
    EXPECT_STREQ(formatName(2), "FLOAT");
    EXPECT_STREQ(formatName(0x82), "UNKNOWN");
    EXPECT_STREQ(attributeName(1), "TIMESTAMP");
    EXPECT_STREQ(attributeName(2), "UNKNOWN");
    EXPECT_STREQ(stopBitsText(0), "UNKNOWN");
    EXPECT_STREQ(stopBitsText(3), "1.5");
    EXPECT_STREQ(parityText(2), "E");
    EXPECT_STREQ(parityText(4), "UNKNOWN");
    EXPECT_STREQ(localChannelName(12, 5), "DIN1");
    EXPECT_STREQ(localChannelName(12, 6), "UNKNOWN");
    EXPECT_STREQ(localChannelName(32, 2), "TRENDSTATUS");
    EXPECT_STREQ(localChannelName(32, 3), "UNKNOWN");
    EXPECT_STREQ(localOutputName(1), "DOUT1");
    EXPECT_STREQ(legacyOutputName(2), "UNKNOWN");
}
