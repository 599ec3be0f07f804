#include "device/GatewayConnect.h"

#include "OperationTestSupport.h"
#include "model/Site.h"

#include <gtest/gtest.h>

using namespace quillan;
using namespace quillan::device;
using namespace quillan::test;

namespace {

struct KeyCase {
    const char* name;
    sim::FaultOptions faults{};
    uint16_t deviceType = 12;
    uint32_t deviceKey = 0;
    int result = 0;
    std::string line{};
    // The site afterwards; it starts with security on and key 7.
    bool securityAfter = true;
    uint32_t keyAfter = 7;
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << c.name;
}

const KeyCase KEY_CASES[] = {
    {.name = "KeyRead",
     .deviceKey = 0xCAFEF00D,
     .result = 47,
     .line = "North - Site Security Key Updated.",
     .keyAfter = 0xCAFEF00D},
    {.name = "NoKeyOnTheDevice",
     .deviceKey = 0,
     .result = 46,
     .line = "North - Site Security is Disabled.",
     .securityAfter = false},
    {.name = "NotAGateway",
     .deviceType = 11,
     .deviceKey = 9,
     .result = 32,
     .line = "North - ZAV Gateway Module connect failure, a Base Unit was detected."},
    {.name = "NoAnswer",
     .faults = dropping(CMD_ENQUIRE),
     .deviceKey = 9,
     .result = 24,
     .line = "North - Unknown or no device response."},
    {.name = "NoIdentity",
     .faults = dropping(CMD_IDENTIFY),
     .deviceKey = 9,
     .result = 24,
     .line = "North - Unknown or no device response."},
    {.name = "KeyReadUnanswered",
     .faults = dropping(CMD_READ_BLOCK),
     .deviceKey = 9,
     .result = 43,
     .line = "North - Site Security Not Supported."},
};

class ReadSiteKeyTest : public testing::TestWithParam<KeyCase> {};

TEST_P(ReadSiteKeyTest, ReportsOnceAndTheOwnerAppliesIt)
{
    const KeyCase& c = GetParam();
    sim::SimulatorState state = sim::SimulatorState::newGateway();
    state.deviceType = c.deviceType;
    state.setSiteKey(c.deviceKey);
    OperationBench bench(state, c.faults);

    const SiteKeyResult result = readSiteSecurityKey(*bench.link);
    EXPECT_EQ(result.resultCode, c.result);
    EXPECT_EQ(bench.outputLines(), std::vector<std::string>{c.line});
    // No progress window for this one.
    EXPECT_TRUE(bench.windowCodes().empty());
    bench.expectLinkGivenBack();

    Site site;
    site.setSecurityEnabled(true);
    site.setSecurityKey(7);
    const bool changed = applySiteKeyResult(site, result);
    EXPECT_EQ(site.isSecurityEnabled(), c.securityAfter);
    EXPECT_EQ(site.getSecurityKey(), c.keyAfter);
    EXPECT_EQ(changed, !c.securityAfter || c.keyAfter != 7);
}

INSTANTIATE_TEST_SUITE_P(Devices, ReadSiteKeyTest, testing::ValuesIn(KEY_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ReadSiteKeyPortClosed, ReportsTheClosedPortThenNoAnswer)
{
    OperationBench bench(sim::SimulatorState::newGateway(), {}, false);
    EXPECT_EQ(readSiteSecurityKey(*bench.link).resultCode, 24);
    EXPECT_EQ(bench.outputLines(), (std::vector<std::string>{"North - Serial port open failure.",
                                                             "North - Unknown or no device "
                                                             "response."}));
    bench.expectLinkGivenBack();
}

TEST(Connect, LeavesTheLinkOpenForTheSessionUntilItEnds)
{
    OperationBench bench;
    EXPECT_EQ(beginConnect(*bench.link), 0);
    EXPECT_TRUE(bench.link->holdsPort());
    EXPECT_TRUE(bench.port.rts());
    EXPECT_FALSE(bench.debug.active);
    EXPECT_EQ(bench.link->state().deviceType(), 12);
    EXPECT_TRUE(bench.outputLines().empty());
    EXPECT_EQ(bench.requests(), (std::vector<uint8_t>{CMD_ENQUIRE, CMD_IDENTIFY}));

    endConnect(*bench.link);
    bench.expectLinkGivenBack();
    EXPECT_TRUE(bench.outputLines().empty());
}

struct ConnectFailure {
    const char* name;
    sim::FaultOptions faults{};
    uint16_t deviceType;
    int result;
    const char* line;
};

TEST(Connect, AFailureIsReportedAndTheLinkClosed)
{
    const ConnectFailure failures[] = {
        {"NoAnswer", dropping(CMD_ENQUIRE), 12, 24, "North - Unknown or no device response."},
        {"NoIdentity", dropping(CMD_IDENTIFY), 12, 24, "North - Unknown or no device response."},
        {"Hub2", {}, 14, 32, "North - ZAV Gateway Module connect failure, a Hub2 was detected."},
    };
    for (const ConnectFailure& f : failures) {
        SCOPED_TRACE(f.name);
        sim::SimulatorState state = sim::SimulatorState::newGateway();
        state.deviceType = f.deviceType;
        OperationBench bench(state, f.faults);
        EXPECT_EQ(beginConnect(*bench.link), f.result);
        EXPECT_EQ(bench.outputLines(), std::vector<std::string>{f.line});
        bench.expectLinkGivenBack();
    }
}

} // namespace
