#include "device/UpdateDevice.h"

#include "OperationTestSupport.h"
#include "device/ProgressWindowModel.h"
#include "support/ConfigurationDifference.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace quillan;
using namespace quillan::device;
using namespace quillan::test;
using Clock = std::chrono::steady_clock;

namespace {

const std::string RADIO_CAPTION = "Reconfigure Radio Type Settings";
const std::string RADIO_900_TO_868 = "This unit is configured for use with\t\na 900 MHz radio.\n\n"
                                     "Are you sure you want to reconfigure\t\nfor use with a "
                                     "868 MHz radio?";
const std::string KEY_CAPTION = "Site Security Mismatch";
const std::string KEY_TEXT = "The site security key programmed in the device you are trying to "
                             "update does not match with the current project.\n\nDo you want to "
                             "reprogram the site security key?";

constexpr uint32_t SITE_KEY = 0x12345678;
constexpr SiteSettings SITE_900{band900, true, SITE_KEY};

// A new gateway's configuration with two exports and a Modbus map run added, so that the
// device's copy shows it was written.
ConfigImage plantImage()
{
    ConfigImage image = sim::SimulatorState::newGateway().image;
    ExportRecord sent;
    sent.destinationType = SourceType::rfNode;
    sent.interval = 60;
    sent.details = {0x41, 0x00, 0, 0, 0, 0};
    int32_t exports = 0;
    for (uint16_t i = 0; i < 2; ++i) {
        image.write(*image.appendRecord(BlockType::exports, exports), sent);
    }
    MapRecord run;
    run.startRegister = 3001;
    run.registerCount = 2;
    int32_t map = 0;
    image.write(*image.appendRecord(BlockType::modbusMap, map), run);
    return image;
}

UpdateRequest requestFor(ConfigImage image, std::optional<SiteSettings> site = SITE_900)
{
    UpdateRequest request;
    request.gatewayName = OperationBench::GATEWAY;
    request.compiled.image = std::move(image);
    request.site = site;
    return request;
}

sim::FaultOptions droppingBlock(uint16_t type)
{
    sim::FaultOptions f;
    f.dropBlocks = {type};
    return f;
}

struct Question {
    std::string caption;
    std::string text;
    bool operator==(const Question&) const = default;
};

struct UpdateCase {
    const char* name;
    sim::FaultOptions faults{};
    uint16_t deviceType = 12;
    uint16_t channel = 5; // 900 MHz
    uint32_t deviceKey = SITE_KEY;
    std::optional<SiteSettings> site = SITE_900;
    std::deque<MessageAnswer> answers{};
    TableLimit limit = TableLimit::none;
    bool portOpen = true;
    int missedReplies = 0; // replies waited for in vain before the operation went on
    int result = 2;
    std::vector<std::string> lines = {"North - Configuration download Ok."};
    std::vector<Question> questions{};
    std::optional<uint32_t> keyAfter{}; // the device's key at the end
};

void PrintTo(const UpdateCase& c, std::ostream* os)
{
    *os << c.name;
}

const UpdateCase UPDATE_CASES[] = {
    {.name = "Written"},
    {.name = "NoAnswerToAnyEnquiry",
     .faults = dropping(CMD_ENQUIRE),
     .missedReplies = 6,
     .result = 21,
     .lines = {"North - Device connection failure."}},
    {.name = "AnswerToTheThirdEnquiry",
     .faults =
         [] {
             sim::FaultOptions f;
             f.dropFirst = {{CMD_ENQUIRE, 2}};
             return f;
         }(),
     .missedReplies = 2},
    {.name = "PortClosed",
     .portOpen = false,
     .result = 21,
     .lines = {"North - Serial port open failure.", "North - Device connection failure."}},
    {.name = "NoIdentity",
     .faults = dropping(CMD_IDENTIFY),
     .result = 24,
     .lines = {"North - Unknown or no device response."}},
    {.name = "BaseUnit",
     .deviceType = 11,
     .result = 25,
     .lines = {"North - ZAV Gateway Module update failure, a Base Unit was detected."}},
    {.name = "NakOnAnImportPage",
     .faults =
         [] {
             sim::FaultOptions f;
             f.nakBlocks = {5};
             return f;
         }(),
     .result = 16,
     .lines = {"North - Device negative acknowledge.", "North - Import configuration failure."}},
    {.name = "PortsDropped",
     .faults = droppingBlock(0),
     .result = 11,
     .lines = {"North - Serial port configuration failure."}},
    {.name = "RadioDropped",
     .faults = droppingBlock(1),
     .result = 12,
     .lines = {"North - Radio configuration failure."}},
    {.name = "DataStoreDropped",
     .faults = droppingBlock(4),
     .result = 15,
     .lines = {"North - Point configuration failure."}},
    {.name = "ImportsDropped",
     .faults = droppingBlock(5),
     .result = 16,
     .lines = {"North - Import configuration failure."}},
    {.name = "ExportsDropped",
     .faults = droppingBlock(6),
     .result = 17,
     .lines = {"North - Export configuration failure."}},
    {.name = "ModbusMapDropped",
     .faults = droppingBlock(7),
     .result = 18,
     .lines = {"North - Modbus configuration failure."}},
    {.name = "KeyWriteDropped",
     .faults = droppingBlock(10),
     .deviceKey = 0,
     .result = 44,
     .lines = {"North - Site Security Update Failure."}},
    {.name = "StoreDropped",
     .faults = dropping(CMD_STORE_CONFIG),
     .result = 1,
     .lines = {"North - Store configuration failure."}},
    {.name = "KeyReadDropped",
     .faults = dropping(CMD_READ_BLOCK),
     .result = 43,
     .lines = {"North - Site Security Not Supported."}},
    {.name = "KeyEqual", .keyAfter = SITE_KEY},
    {.name = "SecurityOffDeviceWithoutKey",
     .deviceKey = 0,
     .site = SiteSettings{band900, false, SITE_KEY},
     .keyAfter = 0},
    {.name = "DeviceWithoutKeyTakesTheSiteKey", .deviceKey = 0, .keyAfter = SITE_KEY},
    {.name = "KeyMismatchUpdate",
     .deviceKey = 5,
     .answers = {MessageAnswer::yes},
     .questions = {{KEY_CAPTION, KEY_TEXT}},
     .keyAfter = SITE_KEY},
    {.name = "KeyMismatchIgnore",
     .deviceKey = 5,
     .answers = {MessageAnswer::no},
     .questions = {{KEY_CAPTION, KEY_TEXT}},
     .keyAfter = 5},
    {.name = "KeyMismatchCancel",
     .deviceKey = 5,
     .answers = {MessageAnswer::cancel},
     .result = 49,
     .lines = {"North - Configuration cancelled."},
     .questions = {{KEY_CAPTION, KEY_TEXT}},
     .keyAfter = 5},
    {.name = "SecurityOffKeyOnDeviceUpdate",
     .deviceKey = 5,
     .site = SiteSettings{band900, false, SITE_KEY},
     .answers = {MessageAnswer::yes},
     .questions = {{KEY_CAPTION, KEY_TEXT}},
     .keyAfter = 0},
    {.name = "RadioMismatchYes",
     .site = SiteSettings{band868, true, SITE_KEY},
     .answers = {MessageAnswer::yes},
     .questions = {{RADIO_CAPTION, RADIO_900_TO_868}}},
    {.name = "RadioMismatchNo",
     .site = SiteSettings{band868, true, SITE_KEY},
     .answers = {MessageAnswer::no},
     .result = 49,
     .lines = {"North - Configuration cancelled."},
     .questions = {{RADIO_CAPTION, RADIO_900_TO_868}}},
    {.name = "RadioMismatchCancel",
     .site = SiteSettings{band868, true, SITE_KEY},
     .answers = {MessageAnswer::cancel},
     .result = 49,
     .lines = {"North - Configuration cancelled."},
     .questions = {{RADIO_CAPTION, RADIO_900_TO_868}}},
    {.name = "RadioOn24GHzSiteBandNotChosen",
     .channel = 15,
     .site = SiteSettings{bandNotChosen, true, SITE_KEY}},
    {.name = "NoSiteNoKeyRead", .deviceKey = 5, .site = std::nullopt, .keyAfter = 5},
    // The radio band cannot be told: the window says it failed, the output says nothing.
    {.name = "RadioUnanswered", .faults = dropping(CMD_READ_RADIO), .result = 0, .lines = {}},
    {.name = "RadioChannelOfNoBand", .channel = 10, .result = 0, .lines = {}},
    {.name = "ModbusMapOverTheLimit",
     .limit = TableLimit::modbusMap,
     .result = 42,
     .lines = {"North - Modbus Map limit (1920) exceeded."}},
};

class UpdateDeviceTest : public testing::TestWithParam<UpdateCase> {};

TEST_P(UpdateDeviceTest, EndsWithItsResultAndTheLinkGivenBack)
{
    const UpdateCase& c = GetParam();
    sim::SimulatorState state = sim::SimulatorState::newGateway();
    state.deviceType = c.deviceType;
    state.channel = c.channel;
    state.setSiteKey(c.deviceKey);
    OperationBench bench(state, c.faults, c.portOpen);
    bench.prompts.answers = c.answers;
    UpdateRequest request = requestFor(plantImage(), c.site);
    request.compiled.limit = c.limit;

    const auto start = Clock::now();
    EXPECT_EQ(updateDevice(*bench.link, request), c.result);
    const auto elapsed = Clock::now() - start;

    EXPECT_EQ(bench.outputLines(), c.lines);
    std::vector<Question> asked;
    for (const auto& q : bench.prompts.questions) {
        asked.push_back({q.caption, q.text});
        // Yes reprograms the device's radio or key: Enter must not.
        EXPECT_EQ(q.buttons, MessageButtons::yesNoCancelDefaultNo) << q.caption;
    }
    EXPECT_EQ(asked, c.questions);
    // One window from start to end.
    const std::vector<int> codes = bench.windowCodes();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front(), MSG_UPDATE_START);
    EXPECT_EQ(codes.back(), c.result == 2 ? MSG_SESSION_DONE : MSG_SESSION_FAILED);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), MSG_SESSION_DONE) +
                  std::count(codes.begin(), codes.end(), MSG_SESSION_FAILED),
              1);
    if (c.keyAfter) {
        EXPECT_EQ(bench.gateway->workingImage().security().siteKey, *c.keyAfter);
    }
    if (c.result == 2) {
        EXPECT_EQ(bench.gateway->stateGeneration(), 1u);
        EXPECT_EQ(configurationDifference(bench.gateway->state().image, request.compiled.image),
                  "");
    } else {
        EXPECT_EQ(bench.gateway->stateGeneration(), 0u);
    }
    EXPECT_GE(elapsed, std::chrono::milliseconds(c.missedReplies * quickTimings().enquireMs));
    bench.expectLinkGivenBack();
}

INSTANTIATE_TEST_SUITE_P(Faults, UpdateDeviceTest, testing::ValuesIn(UPDATE_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(UpdateDeviceOrder, RequestsGoOutInTheirOrder)
{
    OperationBench bench; // a device without a key
    ASSERT_EQ(updateDevice(*bench.link, requestFor(plantImage())), 2);
    EXPECT_EQ(bench.requests(),
              (std::vector<uint8_t>{CMD_ENQUIRE, CMD_IDENTIFY, CMD_READ_RADIO, CMD_READ_BLOCK,
                                    CMD_WRITE_BLOCK, CMD_WRITE_BLOCK, CMD_WRITE_BLOCK,
                                    CMD_WRITE_BLOCK, CMD_WRITE_BLOCK, CMD_WRITE_BLOCK,
                                    CMD_WRITE_BLOCK, CMD_STORE_CONFIG}));
    // The site's key, then ports, radio, one data store point, one import, two exports and
    // one map run.
    EXPECT_EQ(
        bench.writtenBlocks(),
        (std::vector<WrittenBlock>{
            {10, 0, 4}, {0, 0, 36}, {1, 0, 8}, {4, 0, 4}, {5, 0, 24}, {6, 0, 28}, {7, 0, 8}}));
}

struct PagingCase {
    const char* name;
    int imports;
    std::vector<WrittenBlock> blocks;
};

class UpdateDevicePaging : public testing::TestWithParam<PagingCase> {};

TEST_P(UpdateDevicePaging, TablesGoOutInPagesOf320)
{
    ConfigImage image;
    int32_t counter = 0;
    for (int i = 0; i < GetParam().imports; ++i) {
        ImportRecord record;
        record.index = static_cast<uint16_t>(i);
        record.interval = static_cast<uint32_t>(i);
        image.write(*image.appendRecord(BlockType::imports, counter), record);
    }
    OperationBench bench;
    ASSERT_EQ(updateDevice(*bench.link, requestFor(image, std::nullopt)), 2);
    EXPECT_EQ(bench.writtenBlocks(), GetParam().blocks);
    EXPECT_EQ(configurationDifference(bench.gateway->state().image, image), "");
}

INSTANTIATE_TEST_SUITE_P(
    Imports, UpdateDevicePaging,
    testing::Values(
        PagingCase{"Exactly320",
                   320,
                   {{0, 0, 36}, {1, 0, 8}, {4, 0, 0}, {5, 0, 7680}, {6, 0, 0}, {7, 0, 0}}},
        PagingCase{
            "321",
            321,
            {{0, 0, 36}, {1, 0, 8}, {4, 0, 0}, {5, 0, 7680}, {5, 1, 24}, {6, 0, 0}, {7, 0, 0}}},
        PagingCase{"Full",
                   1920,
                   {{0, 0, 36},
                    {1, 0, 8},
                    {4, 0, 0},
                    {5, 0, 7680},
                    {5, 1, 7680},
                    {5, 2, 7680},
                    {5, 3, 7680},
                    {5, 4, 7680},
                    {5, 5, 7680},
                    {6, 0, 0},
                    {7, 0, 0}}}),
    [](const auto& p) { return std::string(p.param.name); });

// A table that became empty still sends its page 0, with no records: the device drops what it
// held instead of running on with points the project no longer has.
TEST(UpdateDeviceEmptyTables, TheDeviceDropsTheRecordsItHeld)
{
    sim::SimulatorState state = sim::SimulatorState::newGateway();
    ASSERT_TRUE(state.image.storeBlock(BlockType::exports, 0, std::vector<uint8_t>(320 * 14, 1)));
    ASSERT_TRUE(state.image.storeBlock(BlockType::exports, 1, std::vector<uint8_t>(3 * 14, 2)));
    ASSERT_TRUE(state.image.storeBlock(BlockType::modbusMap, 0, std::vector<uint8_t>(5 * 8, 3)));
    OperationBench bench(state);

    const ConfigImage request = sim::SimulatorState::newGateway().image; // no exports, no map
    ASSERT_EQ(updateDevice(*bench.link, requestFor(request)), 2);
    const ConfigImage device = bench.gateway->state().image;
    for (const BlockType table : {BlockType::exports, BlockType::modbusMap}) {
        for (unsigned page = 0; page < ConfigImage::kTablePages; ++page) {
            EXPECT_EQ(device.pageCount(table, page), 0) << static_cast<int>(table) << " " << page;
        }
    }
}

// The only test that waits out a real time-out: the store may take the device 4 s.
TEST(UpdateDeviceStore, AReplyAfterFourSecondsIsAccepted)
{
    sim::FaultOptions faults{};
    faults.delays = {{CMD_STORE_CONFIG, 4000}};
    OperationBench bench(sim::SimulatorState::newGateway(), faults, true, LinkTimings{});
    const auto start = Clock::now();
    EXPECT_EQ(updateDevice(*bench.link, requestFor(plantImage())), 2);
    // The store's 4 s and the link's own waits: 200 ms after opening, 250 ms closing.
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(4000 + 450));
    EXPECT_EQ(bench.outputLines(),
              (std::vector<std::string>{"North - Configuration download Ok."}));
    bench.expectLinkGivenBack();
}

TEST(UpdateDeviceProgress, SevenHundredImportsMoveTheBarByPage)
{
    ConfigImage image;
    int32_t points = 0;
    int32_t imports = 0;
    for (int i = 0; i < 700; ++i) {
        image.write(*image.appendRecord(BlockType::dataStore, points), DataStoreRecord{4, 0});
        image.write(*image.appendRecord(BlockType::imports, imports), ImportRecord{});
    }
    OperationBench bench;
    ProgressWindowModel window;
    struct Shown {
        std::string text;
        int position;
        bool operator==(const Shown&) const = default;
    };
    std::vector<Shown> shown;
    bench.sink.onNotify = [&](const Notification& n) {
        if (window.handle(n).handled) {
            shown.push_back({window.text(), window.position()});
        }
    };
    ASSERT_EQ(updateDevice(*bench.link, requestFor(image, std::nullopt)), 2);

    const std::vector<Shown> expected = {
        {"Connecting...", 8},
        {"Reading Monitor Configuration...", 17},
        {"Writing Serial Configuration...", 26},
        {"Writing Radio Configuration...", 35},
        {"Writing Point Configuration...", 40},
        {"Writing Point Configuration...", 41},
        {"Writing Point Configuration...", 42},
        {"Writing Import Configuration...", 47},
        {"Writing Import Configuration...", 48},
        {"Writing Import Configuration...", 49},
        {"Writing Export Configuration...", 54},
        {"Writing Modbus Configuration...", 59},
        {"Storing Configuration...", 100},
        {"Connected...", 100},
    };
    EXPECT_EQ(shown.size(), expected.size());
    for (size_t i = 0; i < std::min(shown.size(), expected.size()); ++i) {
        EXPECT_EQ(shown[i].text, expected[i].text) << i;
        EXPECT_EQ(shown[i].position, expected[i].position) << i;
    }
    EXPECT_FALSE(window.exists());
}

TEST(UpdateDeviceWorker, StopsWhenCancelledAndGivesThePortBack)
{
    sim::FaultOptions faults{};
    faults.delays = {{CMD_STORE_CONFIG, 60'000}};
    OperationBench bench(sim::SimulatorState::newGateway(), faults, true, LinkTimings{});
    std::promise<void> storing;
    bench.sink.onNotify = [&](const Notification& n) {
        if (n.code == MSG_WRITE_PROGRESS && n.step == 29) {
            storing.set_value();
        }
    };
    const UpdateRequest request = requestFor(plantImage());
    std::future<int> result =
        std::async(std::launch::async, [&] { return updateDevice(*bench.link, request); });

    ASSERT_EQ(storing.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    // Before the store request goes out or while its reply is awaited: either way it fails at
    // once, where the device would have kept it a minute.
    bench.link->cancel();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(result.get(), 1);
    EXPECT_EQ(bench.outputLines(),
              (std::vector<std::string>{"North - Store configuration failure."}));
    EXPECT_EQ(bench.windowCodes().back(), MSG_SESSION_FAILED);
    bench.expectLinkGivenBack();
}

struct BandPair {
    RadioBand device;
    RadioBand site;
    const char* text;
};

TEST(RadioBandQuestion, NamesBothBands)
{
    const BandPair pairs[] = {
        {RadioBand::mhz868, RadioBand::mhz900,
         "This unit is configured for use with\t\na 868 MHz radio.\n\nAre you sure you want to "
         "reconfigure\t\nfor use with a 900 MHz radio?"},
        {RadioBand::mhz868, RadioBand::ghz24,
         "This unit is configured for use with\t\na 868 MHz radio.\n\nAre you sure you want to "
         "reconfigure\t\nfor use with a 2.4 GHz radio?"},
        {RadioBand::mhz900, RadioBand::mhz868,
         "This unit is configured for use with\t\na 900 MHz radio.\n\nAre you sure you want to "
         "reconfigure\t\nfor use with a 868 MHz radio?"},
        {RadioBand::mhz900, RadioBand::ghz24,
         "This unit is configured for use with\t\na 900 MHz radio.\n\nAre you sure you want to "
         "reconfigure\t\nfor use with a 2.4 GHz radio?"},
        {RadioBand::ghz24, RadioBand::mhz868,
         "This unit is configured for use with\t\na 2.4 GHz radio.\n\nAre you sure you want to "
         "reconfigure\t\nfor use with a 868 MHz radio?"},
        {RadioBand::ghz24, RadioBand::mhz900,
         "This unit is configured for use with\t\na 2.4 GHz radio.\n\nAre you sure you want to "
         "reconfigure\t\nfor use with a 900 MHz radio?"},
    };
    for (const BandPair& p : pairs) {
        EXPECT_EQ(radioBandQuestion(p.device, p.site), p.text);
    }
}

} // namespace
