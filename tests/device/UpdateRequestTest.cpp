#include "OperationTestSupport.h"
#include "device/UpdateDevice.h"
#include "document/TarnDoc.h"
#include "model/Site.h"
#include "model/ZAVModule.h"
#include "support/GatewayTestAccess.h"

#include <gtest/gtest.h>

using namespace quillan;
using namespace quillan::device;
using namespace quillan::test;

namespace {

// A project with one new 868 MHz gateway on node channel 5.
struct Project {
    RecordingSink sink;
    ScriptedPrompts prompts;
    TarnDoc doc{sink, prompts};
    ZAVGateway* gateway = nullptr;

    Project()
    {
        NewProjectValues values;
        values.name = "Plant";
        values.folder = "/tmp/quillan-update-request/";
        values.band = band868;
        values.channel = 5;
        values.group = 10;
        values.gateway = NewGatewayValues{};
        values.gateway->name = "North";
        doc.newProject(values);
        gateway = dynamic_cast<ZAVGateway*>(doc.nodes().at(1).get());
    }
};

TEST(MakeUpdateRequest, TakesTheCompiledImageAndTheSite)
{
    Project p;
    ASSERT_NE(p.gateway, nullptr);
    ASSERT_NE(p.gateway->getSite(), nullptr);
    p.gateway->getSite()->setSecurityKey(0xABCD1234);

    const UpdateRequest r = makeUpdateRequest(*p.gateway);
    EXPECT_EQ(r.gatewayName, "North");
    ASSERT_TRUE(r.site);
    EXPECT_EQ(r.site->band, band868);
    EXPECT_TRUE(r.site->securityEnabled);
    EXPECT_EQ(r.site->securityKey, 0xABCD1234u);
    EXPECT_EQ(r.compiled.limit, TableLimit::none);
    // Channel 5 on the 868 MHz band; the new gateway's one point, VIN, and its import.
    EXPECT_EQ(r.compiled.image.radio().channel, 35);
    EXPECT_EQ(r.compiled.image.pageCount(BlockType::dataStore, 0), 1);
    EXPECT_EQ(r.compiled.image.pageCount(BlockType::imports, 0), 1);
    EXPECT_FALSE(r.olderFirmwareImage);
}

TEST(MakeUpdateRequest, ATableOverTheLimitEndsTheUpdateBeforeAnyBlockIsWritten)
{
    Project p;
    for (int i = 0; i < 1920; ++i) {
        auto point = std::make_unique<IOImport>(formatFloat, p.gateway, 4);
        point->inImportTable = true;
        GatewayTestAccess::localImports(*p.gateway).push_back(std::move(point));
    }
    const UpdateRequest request = makeUpdateRequest(*p.gateway);
    EXPECT_EQ(request.compiled.limit, TableLimit::points);

    sim::SimulatorState state = sim::SimulatorState::newGateway();
    state.channel = 35; // 868 MHz, as the site
    OperationBench bench(state);
    EXPECT_EQ(updateDevice(*bench.link, request), 39);
    EXPECT_EQ(bench.outputLines(),
              (std::vector<std::string>{"North - Point limit (1920) exceeded."}));
    EXPECT_TRUE(bench.writtenBlocks().empty());
    EXPECT_EQ(bench.windowCodes().back(), MSG_SESSION_FAILED);
    bench.expectLinkGivenBack();
}

struct FirmwareCase {
    const char* version;
    uint8_t registerCount; // the level input's count byte as the device receives it
};

// Firmware whose version has a third character below '2' gets a level input's value 16 with a
// register count of 2; the project's point keeps its own count.
TEST(MakeUpdateRequest, OlderFirmwareGetsItsOwnLevelRecord)
{
    const FirmwareCase cases[] = {{"1.1.0.3", 2}, {"2.0.0.0", 2}, {"1.5.0.14", 5}, {"1.2", 5}};
    for (const FirmwareCase& c : cases) {
        SCOPED_TRACE(c.version);
        Project p;
        auto module = std::make_unique<AM1Module>();
        module->setParent(p.gateway);
        auto level = std::make_unique<VelLevelImport>();
        level->owner = module.get();
        level->inImportTable = true;
        level->pointType = 16;
        level->details = {0x81, 0x02, 7, 0, 5, 0};
        VelLevelImport* point = level.get();
        module->getModuleInputs()->push_back(std::move(level));
        GatewayTestAccess::childModules(*p.gateway).push_back(std::move(module));

        const UpdateRequest request = makeUpdateRequest(*p.gateway);
        EXPECT_EQ(point->details[4], 5);
        ASSERT_TRUE(request.olderFirmwareImage);

        sim::SimulatorState state = sim::SimulatorState::newGateway();
        state.firmwareVersion = c.version;
        state.channel = 35;
        OperationBench bench(state);
        ASSERT_EQ(updateDevice(*bench.link, request), 2);
        // The module's input follows the gateway's own VIN: import record 1.
        const ConfigImage device = bench.gateway->state().image;
        const auto record =
            device.read<ImportRecord>(*ConfigImage::recordAt(BlockType::imports, 1));
        EXPECT_EQ(record.details[4], c.registerCount);
        EXPECT_EQ(record.details[0], 0x81);
    }
}

} // namespace
