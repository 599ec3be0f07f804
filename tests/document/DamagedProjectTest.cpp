// Numbers in a project file are whatever the file holds: a damaged or hostile file must load,
// link and be worked on with defined, modular results.
#include "document/TarnDoc.h"
#include "gateway/ZAVGateway.h"
#include "support/TestDoubles.h"

#include <climits>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace quillan;

namespace {

std::vector<uint8_t> readFixture(const std::string& name)
{
    std::ifstream in(std::string(QUILLAN_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DamagedProjectTest : public testing::Test {
protected:
    ZAVGateway& newGateway()
    {
        NewProjectValues values;
        values.name = "Plant";
        values.folder = "/tmp";
        values.channel = 5;
        values.group = 10;
        values.gateway = NewGatewayValues{};
        doc.newProject(values);
        return dynamic_cast<ZAVGateway&>(*doc.nodes().at(1));
    }

    test::RecordingSink sink;
    test::ScriptedPrompts prompts;
    TarnDoc doc{sink, prompts};
};

TEST_F(DamagedProjectTest, GatewayNumberOfIntMinFromAFuzzedFile)
{
    ASSERT_TRUE(doc.loadFromBytes(readFixture("fuzz/applysite-overflow.zavproj")));
    doc.linkAfterLoad();
    const auto& gateway = dynamic_cast<const ZAVGateway&>(*doc.nodes().at(1));
    ASSERT_EQ(gateway.gatewayNumber, INT_MIN);
    // First group 10 + 0x80000000 - 1, of which the radio word keeps 10 bits: 9.
    EXPECT_EQ(gateway.getGroupNumber(), 9);
}

TEST_F(DamagedProjectTest, GroupOfAnyGatewayNumberIsModular)
{
    struct Case {
        int32_t number;
        uint16_t group;
    };
    // First group 10: 10 + n - 1, kept to 10 bits.
    for (const Case c : {Case{1, 10}, Case{INT_MIN, 9}, Case{INT_MAX, 8}, Case{-9, 0}}) {
        ZAVGateway& gateway = newGateway();
        gateway.gatewayNumber = c.number;
        doc.applySite(*doc.root()->activeSite());
        EXPECT_EQ(gateway.getGroupNumber(), c.group) << c.number;
    }
}

TEST_F(DamagedProjectTest, CountersWrapInsteadOfOverflowing)
{
    ZAVGateway& gateway = newGateway();
    gateway.tagCounter = INT_MAX;
    EXPECT_EQ(gateway.nextTagNumber(), 0x7FFF'FFFFu);
    EXPECT_EQ(gateway.nextTagNumber(), 0x8000'0000u);
    gateway.modbusModuleCounter = INT_MAX;
    EXPECT_EQ(gateway.nextModbusModuleNumber(), INT_MIN);
}

} // namespace
