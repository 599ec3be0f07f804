#include "gateway/ModbusModuleRules.h"
#include "gateway/NodeRules.h"
#include "gateway/PointCommands.h"
#include "gateway/ZAVGateway.h"
#include "model/Archive.h"
#include "model/ZAVModule.h"
#include "support/GatewayTestAccess.h"
#include "support/RichProject.h"

#include <gtest/gtest.h>

using namespace quillan;
using namespace quillan::test;

namespace {

struct TwoGateways {
    RecordingSink sink;
    ScriptedPrompts prompts;
    TarnDoc doc{sink, prompts};
    ZAVGateway* g1;
    ZAVGateway* g2;

    explicit TwoGateways(uint16_t band = band900)
    {
        NewProjectValues values{"P",  "/tmp/",
                                band, band == band2400 ? uint16_t{12} : uint16_t{5},
                                10,   NewGatewayValues{}};
        doc.newProject(values);
        g1 = dynamic_cast<ZAVGateway*>(doc.nodes()[1].get());
        g2 = doc.insertGateway();
    }

    MBModule* addModule(ZAVGateway& g, uint8_t port, std::vector<std::string> names)
    {
        ModbusModuleSettings s;
        s.port = port;
        s.registerCount = static_cast<uint8_t>(names.size());
        s.inputNames = names;
        if (!doc.insertModbusModule(g, std::move(s))) {
            return nullptr;
        }
        return dynamic_cast<MBModule*>(g.childModules().back().get());
    }
};

} // namespace

TEST(Gateway, NewGatewayDefaults)
{
    TwoGateways p;
    EXPECT_EQ(p.g1->getName(), "Gateway");
    EXPECT_EQ(p.g2->getName(), "Gateway_2");
    const ZAVGateway& g = *p.g2;
    EXPECT_EQ(g.reservedWord, 60);
    EXPECT_EQ(g.startingRegister, 3001);
    EXPECT_EQ(g.ioModuleCount, 1);
    EXPECT_EQ(g.moduleIdCounter, 1);
    ASSERT_EQ(g.ports().size(), 3u);
    EXPECT_EQ(g.port(0)->settingsText(), "RS232, 57600, 8, N, 1");
    EXPECT_EQ(g.port(0)->protocolText(), "Debug");
    EXPECT_EQ(g.port(1)->settingsText(), "RS485, 9600, 8, N, 1");
    EXPECT_EQ(g.port(1)->protocolText(), "Modbus Master");
    EXPECT_EQ(g.port(2)->protocolText(), "Modbus Slave Split");
    ASSERT_EQ(g.localImports().size(), 1u);
    const Import& vin = *g.localImports()[0];
    EXPECT_EQ(vin.pointName, "VIN");
    EXPECT_EQ(vin.zeroWord, 0x8000);
    EXPECT_FLOAT_EQ(vin.gain, 40.0f / 4096.0f);
    EXPECT_FLOAT_EQ(vin.offset, 0.3f);
    EXPECT_EQ(vin.sizeWord, 4);
    EXPECT_EQ(vin.formatWord, 2);
    // Radio words from the site: 900 MHz without its high bit rate, power index 2.
    EXPECT_EQ(g.getRadioFlags(), 2 | radioLowBitRate);
    EXPECT_EQ(g.getRetries(), 3);
    EXPECT_EQ(g.getGroupNumber(), 11);
}

TEST(Gateway, ApplyingASiteMovesGroupsAndAddresses)
{
    TwoGateways p;
    ZAVGateway& g = *p.g2;
    g.gatewayNumber = 3;
    auto shared = std::make_unique<RFImport>();
    shared->setRadioAddress(static_cast<uint16_t>((11 << 6)));
    g.addSharedImport(std::move(shared));
    auto entry = std::make_unique<RFExport>();
    entry->setRadioAddress(static_cast<uint16_t>((10 << 6) | 5));
    g.addExport(std::move(entry));

    Site site;
    site.setFirstGroup(10);
    site.setBand(band2400);
    site.setSiteChannel(14);
    site.setAesEnabled(true);
    site.setHighBitRate(1);
    g.applySite(site, 2);
    EXPECT_EQ(g.getGroupNumber(), 12);
    EXPECT_EQ(g.getAddress(), 0x0300);
    EXPECT_EQ(g.getChannel(), 14);
    EXPECT_EQ(g.getRetries(), 0);
    EXPECT_EQ(g.getRadioFlags() & 0xC0, radioAes);
    // The old group was 11, the new 12: references move by one group.
    EXPECT_EQ(g.sharedImports()[0]->detailU16(0), 12 << 6);
    EXPECT_EQ(g.exports()[0]->detailU16(0), (11 << 6) | 5);
}

TEST(Gateway, CountersAndLimits)
{
    ZAVGateway g(1, 0, 7);
    EXPECT_FALSE(g.ioModuleLimitReached());
    g.ioModuleCount = 64;
    EXPECT_TRUE(g.ioModuleLimitReached());
    EXPECT_EQ(g.nextModbusModuleNumber(), 1);
    EXPECT_EQ(g.nextModuleId(), 1);
    EXPECT_EQ(g.nextModuleId(), 2);
}

TEST(Gateway, DeviceTabRows)
{
    TwoGateways p;
    SerialPortDefinition& rtu = *p.g1->port(2);
    rtu.recordWord8 = 17;
    ListRows rows;
    p.g1->fillInfoList(rows);
    std::vector<std::string> lines;
    for (const auto& row : rows) {
        lines.push_back(row.cells[0] + "=" + row.cells[1]);
    }
    const std::vector<std::string> expected = {"Type=ZAV Gateway Module",
                                               "Name=Gateway",
                                               "Channel=5",
                                               "Group=10",
                                               "Host=0",
                                               "CONFIG Port=",
                                               "Settings=RS232, 57600, 8, N, 1",
                                               "Protocol=Debug",
                                               "RS485 Port=",
                                               "Settings=RS485, 9600, 8, N, 1",
                                               "Protocol=Modbus Master",
                                               "RTU Port=",
                                               "Settings=RS232, 9600, 8, N, 1",
                                               "Protocol=Modbus Slave Split",
                                               "Slave Id=17"};
    EXPECT_EQ(lines, expected);
}

TEST(ModbusModule, NamesAndNumbers)
{
    TwoGateways p;
    const uint32_t nextId = p.doc.nextNodeId();
    MBModule* first = p.addModule(*p.g1, 2, {"A"});
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->getName(), "MBModule");
    EXPECT_EQ(first->getId(), nextId);
    MBModule* second = p.addModule(*p.g1, 2, {"B"});
    EXPECT_EQ(second->getName(), "MBModule_2");

    // A clone always sits on RS485, points included.
    MBModule* third = p.addModule(*p.g1, 3, {"C"});
    const auto copy = third->clone();
    const auto& copied = dynamic_cast<const MBModule&>(*copy);
    EXPECT_EQ(copied.modbusPort, 2);
    EXPECT_EQ(copied.moduleInputs()->front()->details[0], 2);
    EXPECT_EQ(copied.moduleInputs()->front()->owner, copy.get());
}

TEST(ModbusModule, DeviceTabRows)
{
    TwoGateways p;
    ModbusModuleSettings s;
    s.port = 2;
    s.slaveId = 9;
    s.firstRegister = 40;
    s.registerCount = 4;
    s.registerFormat = 0x82;
    s.inputNames = {"a", "b"};
    auto out = std::make_unique<MBExport>();
    out->setModbusDetails(0, 0, 500, 1, 2);
    out->exportName = "Valve";
    s.outputs.push_back({nullptr, std::move(out)});
    ASSERT_TRUE(p.doc.insertModbusModule(*p.g1, std::move(s)));
    ListRows rows;
    p.g1->childModules()[0]->fillInfoList(rows);
    std::vector<std::string> lines;
    for (const auto& row : rows) {
        lines.push_back(row.cells[0] + "=" + row.cells[1]);
    }
    const std::vector<std::string> expected = {"Type=Generic Modbus Module",
                                               "Name=MBModule",
                                               "Serial Port=RS485",
                                               "Slave Id=9",
                                               "Modbus Registers=R40 - R43",
                                               "Register Format=Float (32 bit) FC4",
                                               "Output 0=R500, Float (32 bit), Valve"};
    EXPECT_EQ(lines, expected);
    // A float format reads 32-bit values; the function-code bit alone does not.
    EXPECT_EQ(p.g1->childModules()[0]->moduleInputs()->front()->sizeWord, 4);
    EXPECT_EQ(sizeWordForFormat(0x80), 2);
}

TEST(ModbusModule, ANewModuleStartsOnTheRtuPortWhileItIsAMaster)
{
    TwoGateways p;
    EXPECT_EQ(MBModule::newModuleSettings(*p.g1).port, 0) << "the RTU port is a slave";

    p.g1->port(2)->protocol = protocolModbusMaster;
    ModbusModuleSettings s = MBModule::newModuleSettings(*p.g1);
    EXPECT_EQ(s.port, 3);
    EXPECT_EQ(s.slaveId, 1);
    EXPECT_EQ(s.interval, 900u);
    EXPECT_EQ(s.registerCount, 0);
    EXPECT_TRUE(s.inputNames.empty());
    EXPECT_TRUE(s.outputs.empty());

    s.registerCount = 1;
    s.inputNames = {"Flow"};
    ASSERT_TRUE(p.doc.insertModbusModule(*p.g1, std::move(s)));
    const auto& module = dynamic_cast<const MBModule&>(*p.g1->childModules().back());
    EXPECT_EQ(module.modbusPort, 3);
    EXPECT_EQ(module.pollInterval, 900u);
    // The sheet opened on the inserted module shows what was confirmed.
    const ModbusModuleSettings reopened = module.openingSettings();
    EXPECT_EQ(reopened.port, 3);
    EXPECT_EQ(reopened.inputNames, std::vector<std::string>{"Flow"});
}

// The property sheet of a module being inserted sees it named and under its gateway; when the
// sheet is cancelled, no number is used up.
TEST(ModbusModule, ARefusedModuleUsesUpNoNumber)
{
    TwoGateways p;
    ASSERT_NE(p.addModule(*p.g1, 2, {"a"}), nullptr);
    const uint32_t nextId = p.doc.nextNodeId();
    const int32_t number = p.g1->modbusModuleCounter;
    const std::vector<uint8_t> before = p.doc.toBytes();

    std::string seenName;
    const Node* seenParent = nullptr;
    uint32_t seenId = 0;
    EXPECT_FALSE(p.doc.insertModbusModule(*p.g1, [&](MBModule& module) {
        seenName = module.getName();
        seenParent = module.getParent();
        seenId = module.getId();
        return false;
    }));
    EXPECT_EQ(seenName, "MBModule_2");
    EXPECT_EQ(seenParent, p.g1);
    EXPECT_EQ(seenId, nextId);
    EXPECT_EQ(p.g1->childModules().size(), 1u);
    EXPECT_EQ(p.doc.nextNodeId(), nextId);
    EXPECT_EQ(p.g1->modbusModuleCounter, number);
    EXPECT_EQ(p.doc.toBytes(), before);

    EXPECT_TRUE(p.doc.insertModbusModule(*p.g1, [](MBModule&) { return true; }));
    ASSERT_EQ(p.g1->childModules().size(), 2u);
    EXPECT_EQ(p.g1->childModules().back()->getName(), "MBModule_2");
    EXPECT_EQ(p.g1->childModules().back()->getId(), nextId);
}

TEST(ModbusModule, RegisterLimitFollowsTheValueFormat)
{
    struct Case {
        uint8_t format;
        uint8_t count;
        const char* refused;
    };
    const Case cases[] = {
        {0x00, 125, ""},
        {0x80, 125, ""},
        {0x02, 62, ""},
        {0x82, 62, ""},
        {0x02, 63, "a float module reads at most 62 registers"},
        {0x82, 100, "a float module reads at most 62 registers"},
        {0x00, 126, "a module reads at most 125 registers"},
    };
    for (const Case& c : cases) {
        ModbusModuleSettings s;
        s.registerFormat = c.format;
        s.registerCount = c.count;
        EXPECT_EQ(checkModbusModule(s), c.refused)
            << "format " << int{c.format} << ", " << int{c.count} << " registers";
    }
}

TEST(ModbusModule, AddedOutputsAreNumberedAndTakeThePortOnOk)
{
    TwoGateways p;
    ModbusModuleSettings s;
    s.port = 2;
    s.slaveId = 7;
    addModbusOutput(s, 300);
    addModbusOutput(s, 301);
    ASSERT_TRUE(p.doc.insertModbusModule(*p.g1, std::move(s)));
    Node& module = *p.g1->childModules().back();
    const auto& outputs = *module.getModuleOutputs();
    ASSERT_EQ(outputs.size(), 2u);
    for (size_t i = 0; i < outputs.size(); ++i) {
        const auto* output = dynamic_cast<const MBExport*>(outputs[i].get());
        ASSERT_NE(output, nullptr);
        EXPECT_EQ(output->exportName, i == 0 ? "Output_0" : "Output_1");
        EXPECT_EQ(output->port(), 2);
        EXPECT_EQ(output->slaveId(), 7);
        EXPECT_EQ(output->startRegister(), 300 + i);
        EXPECT_EQ(output->registerCount(), 1);
        EXPECT_EQ(output->format(), 0);
        EXPECT_EQ(output->destinationType, destinationModbus);
        EXPECT_EQ(output->owner, &module);
    }
}

TEST(Document, DeleteIsOfferedAsTheTreeOffersIt)
{
    TwoGateways p;
    MBModule* module = p.addModule(*p.g1, 2, {"A"});
    auto* withIoModule = p.doc.insertGateway();
    IoModuleChoices dm;
    dm.kind = ioKindDm;
    ASSERT_EQ(addNewIoModule(*withIoModule, dm), "");

    struct Case {
        const Node* node;
        bool firstSiteActive;
        const char* refused;
    };
    const Case cases[] = {
        {p.doc.root(), true, "the project root is not deleted"},
        {p.g1, true, "the gateway still has modules; delete them first"},
        {withIoModule, true, "the gateway still has modules; delete them first"},
        {p.g2, true, ""},
        {module, true, ""},
        {p.g2, false, "nodes are deleted only while the first site is active"},
        {module, false, "nodes are deleted only while the first site is active"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(deleteRefusal(*c.node, c.firstSiteActive), c.refused) << c.node->getName();
    }
}

TEST(ModbusModule, PastingProperties)
{
    TwoGateways p;
    MBModule* source = p.addModule(*p.g1, 2, {"Flow", "Level"});
    source->getModuleInputs()->at(1)->gain = 2.0f;
    MBModule* withPoints = p.addModule(*p.g1, 2, {"X"});

    struct Case {
        const char* label;
        MBModule* target;
        uint8_t rs485Protocol;
        const char* caption; // empty when the paste succeeds
    };
    MBModule* empty = p.addModule(*p.g2, 2, {});
    const Case cases[] = {
        {"target has registers", withPoints, protocolModbusMaster, "Copy / Paste Properties"},
        {"RS485 not a master", empty, protocolDebug,
         "Parent's RS485 port is not set to Modbus Master."},
        {"pasted", empty, protocolModbusMaster, ""},
    };
    for (const Case& c : cases) {
        p.prompts.messages.clear();
        static_cast<ZAVGateway*>(c.target->getParent())->port(1)->protocol = c.rs485Protocol;
        const bool pasted = c.target->pasteProperties(*source);
        EXPECT_EQ(pasted, std::string(c.caption).empty()) << c.label;
        if (!pasted) {
            ASSERT_EQ(p.prompts.messages.size(), 1u) << c.label;
            EXPECT_EQ(p.prompts.messages[0].caption, c.caption) << c.label;
            EXPECT_EQ(p.prompts.messages[0].icon, MessageIcon::warning) << c.label;
        }
    }
    ASSERT_EQ(empty->moduleInputs()->size(), 2u);
    EXPECT_EQ(empty->moduleInputs()->at(1)->pointName, "Level");
    EXPECT_FLOAT_EQ(empty->moduleInputs()->at(1)->gain, 2.0f);
    EXPECT_EQ(p.sink.lines(MSG_OUTPUT_LINE).back(),
              "The properties of MBModule have been copied to MBModule.");

    // Without an RS485 port at all.
    GatewayTestAccess::ports(*p.g2).resize(1);
    MBModule* another = p.addModule(*p.g2, 2, {});
    p.prompts.messages.clear();
    EXPECT_FALSE(another->pasteProperties(*source));
    EXPECT_EQ(p.prompts.messages.at(0).text, "No RS485 port was found.");
}

TEST(Points, SharedImportsTakeTheirSourceGateway)
{
    TwoGateways p;
    MBModule* module = p.addModule(*p.g2, 2, {"Flow"});
    Import& flow = *module->moduleInputs()->front();
    const auto created = importPoints(*p.g2, *p.g1, {&flow});
    ASSERT_EQ(created.size(), 1u);
    RFImport& shared = *created[0];
    EXPECT_EQ(shared.sourceNodeId, p.g2->getId());
    EXPECT_EQ(shared.radioAddress(), p.g2->getAddress());
    EXPECT_EQ(shared.owner, p.g1);
    EXPECT_TRUE(flow.canScale());
    EXPECT_EQ(*shared.getPointName(), "Flow");

    // An I/O module input does not scale.
    IoModuleChoices dm;
    dm.kind = ioKindDm;
    ASSERT_EQ(addNewIoModule(*p.g1, dm), "");
    EXPECT_FALSE(p.g1->ioModules()[0]->moduleInputs()->front()->canScale());

    // An export made from a shared import carries its chain's first name.
    auto again = makeRadioExport(shared, *p.g2, *p.g1);
    EXPECT_EQ(again->exportName, "Flow");
    again->useCount = 3;
    const auto copy = again->clone();
    EXPECT_EQ(dynamic_cast<RFExport&>(*copy).destinationNode, p.g2);
    EXPECT_EQ(copy->useCount, 3);
}

TEST(Points, ExportUseCountsFollowImportPoints)
{
    TwoGateways p;
    Import& vin = *p.g2->localImports()[0];
    const auto first = importPoints(*p.g2, *p.g1, {&vin});
    const auto second = importPoints(*p.g2, *p.g1, {&vin});
    ASSERT_EQ(p.g2->exports().size(), 1u);
    EXPECT_EQ(p.g2->exports()[0]->useCount, 2);

    cancelImportPoints(*p.g2, *p.g1, second);
    ASSERT_EQ(p.g2->exports().size(), 1u);
    EXPECT_EQ(p.g2->exports()[0]->useCount, 1);
    EXPECT_EQ(p.g1->sharedImports().size(), 1u);
    cancelImportPoints(*p.g2, *p.g1, first);
    EXPECT_TRUE(p.g2->exports().empty());
    EXPECT_TRUE(p.g1->sharedImports().empty());
}

TEST(Points, FileOnlyValuesSurvive)
{
    // Radio status imports take their fixed codes on reading; a poly export keeps its own
    // values and compiles without a radio address.
    RFNodeImport status;
    status.pointType = 5;
    MemorySink sink;
    {
        Archive ar(sink, projectClassRegistry());
        ar.writeObject(&status);
        ar.close();
    }
    MemorySource source(sink.bytes());
    Archive in(source, projectClassRegistry());
    EXPECT_EQ(in.readObjectAs<Import>()->pointType, 126);

    PolyExport poly;
    poly.polyValue1 = 11;
    poly.polyValue2 = 22;
    poly.details = {1, 2, 3, 4, 5, 6};
    const auto copy = poly.clone();
    EXPECT_EQ(dynamic_cast<PolyExport&>(*copy).polyValue2, 22u);
    std::array<uint8_t, kExportRecordSize> record{};
    poly.fillExportRecord(record.data());
    EXPECT_EQ(record[10], 0);
    EXPECT_EQ(record[13], 0);
}

TEST(Points, MapEntryTexts)
{
    ModbusMap entry;
    entry.startRegister = 12;
    MemorySink sink;
    {
        Archive ar(sink, projectClassRegistry());
        ar.writeObject(&entry);
        ar.close();
    }
    MemorySource source(sink.bytes());
    Archive in(source, projectClassRegistry());
    EXPECT_EQ(in.readObjectAs<ModbusMap>()->getRegisterText(), "  12");

    TwoGateways p;
    MBCommand& integer = addNewWriteImport(*p.g1, "Set", false);
    const ModbusMap& made = *p.g1->mapIntegerList().back();
    EXPECT_EQ(made.point, &integer);
    EXPECT_EQ(made.formatCode, 0);
    EXPECT_FALSE(made.isFloatFormat());
    EXPECT_TRUE(made.isWriteEntry);
}

TEST(IoModule, SchemaOtherThanOneStillOwnsItsPoints)
{
    // A DMModule record whose schema word is 2: only the node part is there.
    DMModule module;
    MemorySink sink;
    {
        Archive ar(sink, projectClassRegistry());
        ar.writeObject(&module);
        ar.close();
    }
    auto bytes = sink.bytes();
    bytes[2] = 2;
    MemorySource source(bytes);
    Archive in(source, projectClassRegistry());
    auto read = in.readObjectAs<DMModule>();
    EXPECT_TRUE(read->moduleInputs()->empty());
}

TEST(IoModule, DialogChoicesGiveTheirRegisters)
{
    struct Case {
        uint8_t kind;
        uint8_t groups;
        uint8_t out1;
        uint8_t out2;
        uint16_t inputStart;
        uint8_t inputCount;
        uint16_t output1;
        uint16_t output2;
    };
    const Case cases[] = {
        {ioKindAm1, 0, 3, 2, 3001, 2, 7007, 7006},
        {ioKindAm2, 0, 0, 1, 3001, 2, 3011, 3014},
        {ioKindDm, groupInputs | groupCounts, 0, 0, 3001, 12, 0, 0},
        {ioKindDm, groupInputs | groupOutputStatus, 0, 0, 3001, 8, 0, 0},
        {ioKindDm, groupOutputStatus | groupCounts, 0, 0, 3005, 8, 0, 0},
        {ioKindDm, groupCounts, 0, 0, 3009, 4, 0, 0},
    };
    for (const Case& c : cases) {
        IoModuleChoices choices;
        choices.kind = c.kind;
        choices.address = 10;
        choices.groups = c.groups;
        choices.output1Units = c.out1;
        choices.output2Units = c.out2;
        const IoModulePoints points = ioModulePoints(choices);
        EXPECT_EQ(points.inputs.startRegister, c.inputStart);
        EXPECT_EQ(points.inputs.registerCount, c.inputCount);
        EXPECT_EQ(points.inputs.slaveId, 11);
        EXPECT_EQ(points.output1.startRegister, c.output1);
        EXPECT_EQ(points.output2.startRegister, c.output2);
    }
}

TEST(IoModule, NewModulesGetMapEntriesAndAddressesStayUnique)
{
    TwoGateways p;
    IoModuleChoices dm;
    dm.kind = ioKindDm;
    dm.address = 1;
    dm.groups = groupInputs;
    dm.mapOptions = 2;
    ASSERT_EQ(addNewIoModule(*p.g1, dm), "");
    EXPECT_EQ(p.g1->mapFloatList().size(), 4u); // DIN1-4 only: the other groups are not in the table
    EXPECT_TRUE(p.g1->mapIntegerList().empty());
    const auto& module = dynamic_cast<const ZAVModule&>(*p.g1->ioModules()[0]);
    EXPECT_EQ(module.getName(), "M1");
    EXPECT_EQ(module.address(), 1);
    EXPECT_EQ(module.getModuleId(), 1);
    EXPECT_EQ(module.moduleOutputs()->at(3)->detailU16(2), 3008);

    EXPECT_EQ(addNewIoModule(*p.g1, dm), "another I/O module uses address 1");
    EXPECT_EQ(firstFreeIoAddress(*p.g1), 0);
}

TEST(Document, InsertGatewayStopsAtGroup1000)
{
    TwoGateways p;
    Site& site = *p.doc.root()->activeSite();
    site.setNextGroup(999);
    EXPECT_TRUE(p.doc.canInsertGateway());
    ZAVGateway* last = p.doc.insertGateway();
    EXPECT_EQ(last->getGroupNumber(), 999);
    EXPECT_EQ(p.sink.lines(MSG_OUTPUT_LINE).back(), "The 999th group has been created.");
    EXPECT_FALSE(p.doc.canInsertGateway());
}
