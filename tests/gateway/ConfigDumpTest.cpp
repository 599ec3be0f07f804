#include "gateway/dump/ConfigDump.h"

#include "gateway/ConfigImage.h"
#include "model/Notifications.h"
#include "support/TempDir.h"
#include "support/TestDoubles.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace quillan;
using quillan::test::RecordingSink;
using quillan::test::TempDir;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The lines of one section, without its title and the empty line that ends it.
std::vector<std::string> section(const std::string& dump, const std::string& title)
{
    const auto lines = splitLines(dump);
    std::vector<std::string> result;
    bool inside = false;
    for (const auto& line : lines) {
        if (inside) {
            if (line.empty()) {
                break;
            }
            result.push_back(line);
        } else if (line == title) {
            inside = true;
        }
    }
    return result;
}

void appendImport(ConfigImage& image, int32_t& counter, const ImportRecord& record)
{
    image.write(*image.appendRecord(BlockType::imports, counter), record);
}

ImportRecord import(uint16_t index, SourceType type, uint32_t interval, DetailBytes details)
{
    return {index, type, interval, 0, 1.0f, 0.0f, details};
}

// One of each kind of record; tests/data/gateway/dump_small.txt is its dump.
std::unique_ptr<ConfigImage> smallImage()
{
    auto image = std::make_unique<ConfigImage>();
    image->setRadio({(5 << 6) | 7, 3, 0xFFFF, 14, 0x43});
    image->setPort(0, {57'600, 8, StopBits::one, Parity::none, PortProtocol::debug, 1, 0});
    image->setPort(1, {9'600, 8, StopBits::onePointFive, Parity::odd, PortProtocol::modbusMaster, 1,
                       PortRecord::kRs485Line});
    image->setPort(2, {115'200, 7, StopBits::two, Parity{0}, PortProtocol{7}, 1, 0});

    int32_t points = 0;
    for (const uint16_t format : {2, 0, 1, 0x82}) {
        image->write(*image->appendRecord(BlockType::dataStore, points),
                     DataStoreRecord{4, format});
    }

    int32_t imports = 0;
    appendImport(
        *image, imports,
        {0, SourceType::localIo, 1, 0x8000, 40.0f / 4096.0f, 0.3f, LocalIoDetails{0}.encode()});
    appendImport(*image, imports,
                 import(1, SourceType::rfNode, 0, RfNodeDetails{0x0180, 12}.encode()));
    appendImport(*image, imports,
                 {2, SourceType::modbus, 60, 0x8123, 0.5f, -10.0f,
                  ModbusDetails{2, 17, 40'001, 2, 2}.encode()});
    appendImport(*image, imports,
                 {3, SourceType::legacyMonitor, 3600, 100, 2.5f, 1.25f,
                  LegacyImportDetails{0x01C3, 0x0A, 4, 1, 0x55}.encode()});
    appendImport(*image, imports,
                 import(4, SourceType::pioModule, 5, PioDetails{3, 9, 0x0F, 0x1F0}.encode()));
    appendImport(*image, imports,
                 import(5, SourceType::rfNodeTimeout, 0, NodeAddressDetails{0x0200}.encode()));
    appendImport(*image, imports,
                 import(6, SourceType::rssiValue, 0, NodeAddressDetails{0x0241}.encode()));
    appendImport(*image, imports,
                 import(7, SourceType::rfRefresh, 0, NodeAddressDetails{0x0280}.encode()));
    appendImport(*image, imports, {8, SourceType::modbusWrite, 0, 0, 0.0f, 0.0f, {}});
    appendImport(*image, imports,
                 import(9, SourceType::rocLink, 0, RocLinkDetails{0x1234}.encode()));
    appendImport(*image, imports, import(10, SourceType{10}, 0, {}));

    int32_t exports = 0;
    const ExportRecord exportRecords[] = {
        {0, SourceType::localIo, 10, LocalIoDetails{1}.encode()},
        {1, SourceType::rfNode, 0, NodeAddressDetails{0x0140}.encode()},
        {2, SourceType::modbus, 1, ModbusDetails{1, 5, 100, 1, 0}.encode()},
        {3, SourceType::legacyMonitor, 0, LegacyExportDetails{0x01C3, 1}.encode()},
        {3, SourceType::legacyMonitor, 0, LegacyExportDetails{0x01C4, 2}.encode()},
        {4, SourceType::pioModule, 0, {}},
        {0, SourceType::localIo, 0, LocalIoDetails{7}.encode()},
    };
    for (const auto& record : exportRecords) {
        image->write(*image->appendRecord(BlockType::exports, exports), record);
    }

    int32_t map = 0;
    const MapRecord mapRecords[] = {
        {0, 3001, 2, MapAttribute::value, PointFormat::floatValue},
        {0, 3002, 2, MapAttribute::timestamp, PointFormat::floatValue},
        {1, 3003, 1, MapAttribute::value, PointFormat::shortInt},
        {2, 3004, 2, MapAttribute{2}, PointFormat::longInt},
    };
    for (const auto& record : mapRecords) {
        image->write(*image->appendRecord(BlockType::modbusMap, map), record);
    }
    return image;
}

} // namespace

TEST(ConfigDump, SmallImageMatchesTheReferenceLineForLine)
{
    const auto expected = readFile(fs::path(QUILLAN_TEST_DATA_DIR) / "gateway" / "dump_small.txt");
    ASSERT_FALSE(expected.empty());
    const auto actual = dumpText(*smallImage(), 12);
    const auto expectedLines = splitLines(expected);
    const auto actualLines = splitLines(actual);
    for (size_t i = 0; i < std::min(expectedLines.size(), actualLines.size()); ++i) {
        EXPECT_EQ(actualLines[i], expectedLines[i]) << "line " << i + 1;
    }
    EXPECT_EQ(actualLines.size(), expectedLines.size());
    EXPECT_EQ(actual, expected); // line ends included
}

struct RadioLines {
    uint16_t address;
    uint16_t retries;
    uint8_t channel;
    uint8_t flags;
    const char* bandLine;
    const char* rateLine;
};

TEST(ConfigDump, RadioLinesFollowTheBand)
{
    const RadioLines cases[] = {
        {0x0040, 3, 5, 0x82, "FREQ: 900 MHz, GRP: 0x0001, NODE: 0x0000, MASK: 0xFFFF",
         "CHANNEL: 5, BITRATE: 9600, PWR: 2 (100 mW), RETRIES: 3, "},
        {0x0040, 0, 11, 0x02, "GRP: 0x0001, NODE: 0x0000, MASK: 0xFFFF",
         "CHANNEL: 11, BITRATE: 0, PWR: 2 (UNKNOWN), RETRIES: 0, "},
        {0xFFFF, 1, 39, 0x04, "FREQ: 868 MHz, GRP: 0x03FF, NODE: 0x003F, MASK: 0xFFFF",
         "CHANNEL: 39, BITRATE: 80000, PWR: 4 (25 mW), RETRIES: 1, "},
        {0x0000, 2, 12, 0x07, "FREQ: 2.4 GHz, GRP: 0x0000, NODE: 0x0000, MASK: 0xFFFF",
         "CHANNEL: 12, BITRATE: 250000, PWR: 7 (UNKNOWN), RETRIES: 2, "},
    };
    for (const RadioLines& c : cases) {
        auto image = std::make_unique<ConfigImage>();
        image->setRadio({c.address, c.retries, 0xFFFF, c.channel, c.flags});
        const auto lines = splitLines(dumpText(*image, 12));
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(lines[0], "RF Config:");
        EXPECT_EQ(lines[1], c.bandLine);
        EXPECT_EQ(lines[2], c.rateLine);
        EXPECT_EQ(lines[3], "");
    }
}

TEST(ConfigDump, ImportsOfPageOneContinueTheNumbering)
{
    auto image = std::make_unique<ConfigImage>();
    int32_t counter = 0;
    for (int i = 0; i < 325; ++i) {
        appendImport(*image, counter,
                     import(static_cast<uint16_t>(i), SourceType::rfNode, 0,
                            RfNodeDetails{0x40, 0}.encode()));
    }
    ASSERT_EQ(image->pageCount(BlockType::imports, 1), 5);
    const auto lines = section(dumpText(*image, 12), "Imports:");
    ASSERT_EQ(lines.size(), 2u * 325);
    for (int i = 0; i < 325; ++i) {
        const auto& line = lines[2 * static_cast<size_t>(i)];
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "%04d:  Index [%d]", i, i);
        EXPECT_EQ(line.rfind(prefix, 0), 0u) << line;
    }
    EXPECT_EQ(lines[2 * 319].substr(0, 5), "0319:");
    EXPECT_EQ(lines[2 * 320].substr(0, 5), "0320:");
    EXPECT_EQ(lines[2 * 324].substr(0, 5), "0324:");
}

struct PageRuleCase {
    const char* name;
    std::array<uint16_t, 6> counts;
    std::vector<std::pair<int, int>> numbers; // runs of record numbers, first and last
};

class DumpPageRules : public ::testing::TestWithParam<PageRuleCase> {};

TEST_P(DumpPageRules, NumberPagesFromWhatPageZeroShowed)
{
    const PageRuleCase& c = GetParam();
    auto image = std::make_unique<ConfigImage>();
    for (unsigned page = 0; page < 6; ++page) {
        image->setPageCount(BlockType::modbusMap, page, c.counts[page]);
        const unsigned shown = std::min<unsigned>(c.counts[page], 320);
        for (unsigned slot = 0; slot < shown; ++slot) {
            const auto at = ConfigImage::recordAt(BlockType::modbusMap, page * 320 + slot);
            image->write(*at, MapRecord{static_cast<uint16_t>(page), 0, 0, {}, {}});
        }
    }
    std::vector<std::string> expected;
    for (const auto& [first, last] : c.numbers) {
        for (int n = first; n <= last; ++n) {
            expected.push_back(std::to_string(n));
        }
    }
    std::vector<std::string> numbers;
    for (const auto& line : section(dumpText(*image, 12), "Modbus Map:")) {
        numbers.push_back(line.substr(0, line.find(':')));
    }
    EXPECT_EQ(numbers, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, DumpPageRules,
    ::testing::Values(
        PageRuleCase{"empty", {0, 0, 0, 0, 0, 0}, {}},
        PageRuleCase{"pageZeroOnly", {3, 0, 0, 0, 0, 0}, {{0, 2}}},
        PageRuleCase{"fullThenSome", {320, 320, 2, 0, 0, 0}, {{0, 319}, {320, 639}, {640, 641}}},
        PageRuleCase{"shortPageZero", {300, 2, 0, 0, 0, 0}, {{0, 299}, {300, 301}}},
        PageRuleCase{"oversizedPageZero", {500, 1, 0, 0, 0, 0}, {{0, 319}, {320, 320}}},
        PageRuleCase{"oversizedPageSkipped", {320, 400, 1, 0, 0, 0}, {{0, 319}, {640, 640}}},
        PageRuleCase{"emptyPageEnds", {320, 0, 5, 0, 0, 0}, {{0, 319}}},
        PageRuleCase{"emptyPageZeroDoesNotEnd", {0, 2, 0, 0, 0, 0}, {{0, 1}}},
        PageRuleCase{"allPages", {320, 320, 320, 320, 320, 320}, {{0, 1919}}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ConfigDump, ModbusMapLinesAreUnpadded)
{
    auto image = std::make_unique<ConfigImage>();
    int32_t counter = 0;
    image->write(*image->appendRecord(BlockType::modbusMap, counter),
                 MapRecord{7, 40'001, 2, MapAttribute::value, PointFormat::floatValue});
    EXPECT_EQ(section(dumpText(*image, 12), "Modbus Map:"),
              std::vector<std::string>{
                  "0: IDX: 7, FMT: 2 (FLOAT), ATTR: 0 (VALUE), START REG 40001, NUM REGS: 2"});
}

TEST(ConfigDump, LocalChannelNamesDependOnTheDeviceType)
{
    auto image = std::make_unique<ConfigImage>();
    int32_t counter = 0;
    for (const uint32_t channel : {0u, 1u, 2u, 3u, 5u, 6u}) {
        appendImport(*image, counter,
                     import(0, SourceType::localIo, 1, LocalIoDetails{channel}.encode()));
    }
    const auto details = [&](uint16_t deviceType) {
        std::vector<std::string> result;
        const auto lines = section(dumpText(*image, deviceType), "Imports:");
        for (size_t i = 1; i < lines.size(); i += 2) {
            result.push_back(lines[i]);
        }
        return result;
    };
    EXPECT_EQ(details(12),
              (std::vector<std::string>{"       LOCAL I/O (AIN0)", "       LOCAL I/O (AIN1)",
                                        "       LOCAL I/O (AIN2)", "       LOCAL I/O (AIN3)",
                                        "       LOCAL I/O (DIN1)", "       LOCAL I/O (UNKNOWN)"}));
    EXPECT_EQ(details(32), (std::vector<std::string>{
                               "       LOCAL I/O (VIN)", "       LOCAL I/O (LOGSTATUS)",
                               "       LOCAL I/O (TRENDSTATUS)", "       LOCAL I/O (UNKNOWN)",
                               "       LOCAL I/O (UNKNOWN)", "       LOCAL I/O (UNKNOWN)"}));
}

class WriteDump : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.valid()); }

    TempDir m_dir;
};

TEST_F(WriteDump, WritesTheFileAfterTellingWhereItGoes)
{
    const fs::path file = m_dir.path() / "Dump.txt";
    {
        std::ofstream old(file);
        old << std::string(200'000, 'x');
    }
    // Far more text than a file buffer holds, so that text written early would show.
    const auto image = smallImage();
    int32_t counter = image->pageCount(BlockType::imports, 0);
    while (counter < 1'000) {
        appendImport(*image, counter, import(1, SourceType::rfNode, 0, {}));
    }
    RecordingSink sink;
    std::vector<uintmax_t> sizeAtNotify;
    sink.onNotify = [&](const Notification&) {
        std::error_code error;
        sizeAtNotify.push_back(fs::file_size(file, error));
    };
    ASSERT_TRUE(writeDump(*image, 12, m_dir.path(), sink));

    EXPECT_EQ(readFile(file), dumpText(*image, 12));
    const auto received = sink.all();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].code, MSG_DEBUG_LINE);
    EXPECT_EQ(received[0].text,
              "Dump.txt was created at location '" + fs::canonical(m_dir.path()).string() + "'.");
    EXPECT_EQ(sizeAtNotify.at(0), 0u) << "the message comes before the sections are written";
}

TEST_F(WriteDump, FileThatCannotBeCreatedLeavesNoMessage)
{
    fs::create_directory(m_dir.path() / "Dump.txt"); // a folder in the way
    RecordingSink sink;
    EXPECT_FALSE(writeDump(*smallImage(), 12, m_dir.path(), sink));
    EXPECT_TRUE(sink.all().empty());
    EXPECT_TRUE(fs::is_directory(m_dir.path() / "Dump.txt"));
    EXPECT_FALSE(writeDump(*smallImage(), 12, m_dir.path() / "missing", sink));
    EXPECT_TRUE(sink.all().empty());
}
