#include "gateway/ConfigImage.h"
#include "gateway/PointCommands.h"
#include "gateway/ZAVGateway.h"
#include "gateway/dump/ConfigDump.h"
#include "support/GatewayTestAccess.h"
#include "support/RichProject.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace quillan;
using namespace quillan::test;

namespace {

struct Project {
    RecordingSink sink;
    ScriptedPrompts prompts;
    TarnDoc doc{sink, prompts};
    ZAVGateway* g1;
    ZAVGateway* g2;

    explicit Project(uint16_t band = band900, uint16_t channel = 5)
    {
        doc.newProject({"P", "/tmp/", band, channel, 10, NewGatewayValues{}});
        g1 = dynamic_cast<ZAVGateway*>(doc.nodes()[1].get());
        g2 = doc.insertGateway();
    }

    MBModule& addModule(ZAVGateway& g, uint8_t count, uint8_t format = 0)
    {
        ModbusModuleSettings s;
        s.port = 2;
        s.slaveId = 3;
        s.firstRegister = 100;
        s.registerCount = count;
        s.registerFormat = format;
        for (int i = 0; i < count; ++i) {
            s.inputNames.push_back("Point_" + std::to_string(i + 1));
        }
        EXPECT_TRUE(doc.insertModbusModule(g, std::move(s)));
        return dynamic_cast<MBModule&>(*g.childModules().back());
    }
};

template <class Record> Record recordOf(const ConfigImage& image, BlockType table, int index)
{
    return image.read<Record>(*ConfigImage::recordAt(table, index));
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(Compile, GatewayWithOnlyItsVinPoint)
{
    Project p;
    ZAVGateway& g = *p.g1;
    const CompiledImage compiled1 = g.compileImage();
    const ConfigImage& image = compiled1.image;
    EXPECT_EQ(g.dataStoreCounter, 1);
    EXPECT_EQ(g.importRecordCounter, 1);
    EXPECT_EQ(image.pageCount(BlockType::dataStore, 0), 1);
    EXPECT_EQ(image.pageCount(BlockType::imports, 0), 1);
    const auto store = recordOf<DataStoreRecord>(image, BlockType::dataStore, 0);
    EXPECT_EQ(store.attributeWord, 4);
    EXPECT_EQ(store.formatWord, 2);
    const auto vin = recordOf<ImportRecord>(image, BlockType::imports, 0);
    EXPECT_EQ(vin.index, 0);
    EXPECT_EQ(static_cast<int>(vin.sourceType), 0);
    EXPECT_EQ(vin.interval, 1u);
    EXPECT_EQ(vin.zero, 0x8000);
    EXPECT_EQ(vin.gain, 40.0f / 4096.0f);
    EXPECT_EQ(vin.offset, 0.3f);

    // Ports at 6, 18 and 30: baud rate, data bits, stop bits, parity, protocol, slave id,
    // flags. CONFIG debug at 57600; RS485 a Modbus master on the RS485 line; RTU a split slave.
    const auto bytes = image.bytes();
    const std::vector<uint8_t> ports{
        0x00, 0xE1, 0x00, 0x00, 8, 1, 1, 1, 0x01, 0x00, 0x00, 0x00,
        0x80, 0x25, 0x00, 0x00, 8, 1, 1, 3, 0x01, 0x00, 0x10, 0x00,
        0x80, 0x25, 0x00, 0x00, 8, 1, 1, 2, 0x01, 0x00, 0x01, 0x00,
    };
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 6, bytes.begin() + 42), ports);
    EXPECT_EQ(bytes[42] | (bytes[43] << 8), g.getAddress());
    EXPECT_EQ(bytes[44] | (bytes[45] << 8), 3);
    EXPECT_EQ(bytes[46] | (bytes[47] << 8), 0xFFFF);
    EXPECT_EQ(bytes[48], 5);
    EXPECT_EQ(bytes[49], 0x82);
    // Nothing else of the first part is set but the two table counts.
    EXPECT_EQ(
        std::count_if(bytes.begin() + 50, bytes.end(), [](uint8_t b) { return b != 0; }),
        std::count_if(bytes.begin() + 50, bytes.begin() + 1400, [](uint8_t b) { return b != 0; }));
    EXPECT_EQ(image.security().siteKey, 0u);
}

TEST(Compile, ChannelByteOf868MHzIsMovedBy30)
{
    Project p(band868, 5);
    const CompiledImage compiled2 = p.g1->compileImage();
    EXPECT_EQ(compiled2.image.radio().channel, 35);
}

TEST(Compile, ModbusModuleBlockReadsGetOneRecord)
{
    Project p;
    MBModule& block = p.addModule(*p.g1, 10);
    for (auto& input : *block.getModuleInputs()) {
        input->details[4] = 10; // the module reads all ten registers at once
    }
    MBModule& singles = p.addModule(*p.g1, 3);
    for (auto& input : *singles.getModuleInputs()) {
        input->details[4] = 1;
    }
    singles.getModuleInputs()->at(1)->gain = 0.0f; // no data store point

    (void)p.g1->compileImage();
    // VIN + 10 block points + 2 single points; VIN + 1 block record + 2 single records.
    EXPECT_EQ(p.g1->dataStoreCounter, 13);
    EXPECT_EQ(p.g1->importRecordCounter, 4);
    EXPECT_EQ(singles.getModuleInputs()->at(2)->dataStoreIndex, 12);
    // Bit 7 of a module point's format word stays out of its data store record.
    block.getModuleInputs()->at(0)->formatWord = 0x82;
    const CompiledImage compiled4 = p.g1->compileImage();
    EXPECT_EQ(recordOf<DataStoreRecord>(compiled4.image, BlockType::dataStore, 1).formatWord, 2);
}

TEST(Compile, DigitalModuleRecordStartsAtItsFirstGroupInTheImportsTable)
{
    // Slots: VIN 0, DIN1-4 1-4, DOUT1-4_ST 5-8, DIN1-4_CNT 9-12, whatever the groups.
    struct Case {
        uint8_t groups;
        int records;
        uint16_t index;
        uint16_t startRegister;
        uint8_t registerCount;
    };
    const Case cases[] = {
        {groupInputs | groupCounts, 2, 1, 3001, 12},
        {groupOutputStatus | groupCounts, 2, 5, 3005, 8},
        {groupCounts, 2, 9, 3009, 4},
        {0, 1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Project p;
        IoModuleChoices dm;
        dm.kind = ioKindDm;
        dm.address = 4;
        dm.groups = c.groups;
        ASSERT_EQ(addNewIoModule(*p.g1, dm), "");
        const CompiledImage compiled = p.g1->compileImage();
        EXPECT_EQ(p.g1->dataStoreCounter, 13);
        ASSERT_EQ(p.g1->importRecordCounter, c.records) << int(c.groups);
        if (c.records < 2) {
            continue;
        }
        const auto record = recordOf<ImportRecord>(compiled.image, BlockType::imports, 1);
        EXPECT_EQ(record.index, c.index) << int(c.groups);
        EXPECT_EQ(record.details[1], 5);
        EXPECT_EQ(record.details[2] | (record.details[3] << 8), c.startRegister);
        EXPECT_EQ(record.details[4], c.registerCount);
    }
}

TEST(Compile, WriteImportsTakeAPointButNoRecord)
{
    Project p;
    addNewWriteImport(*p.g1, "Set", true);
    const CompiledImage compiled5 = p.g1->compileImage();
    EXPECT_EQ(p.g1->dataStoreCounter, 2);
    EXPECT_EQ(p.g1->importRecordCounter, 1);
    EXPECT_EQ(compiled5.image.pageCount(BlockType::imports, 0), 1);
    const auto store = recordOf<DataStoreRecord>(compiled5.image, BlockType::dataStore, 1);
    EXPECT_EQ(store.attributeWord, 4);
    EXPECT_EQ(store.formatWord, 2);

    // Removing its map entry takes it out of the data store.
    ZAVGateway::RemovedMapEntry removed = p.g1->removeMapEntry(*p.g1->mapFloatList().front());
    ASSERT_TRUE(removed.entry && removed.writeImport);
    (void)p.g1->compileImage();
    EXPECT_EQ(p.g1->dataStoreCounter, 1);
}

TEST(Compile, SharedImportsPointAtTheSourcesDataStoreSlot)
{
    Project p;
    MBModule& module = p.addModule(*p.g2, 3);
    module.getModuleInputs()->at(0)->gain = 0.0f; // takes no slot in g2
    Import& third = *module.getModuleInputs()->at(2);
    const auto shared = importPoints(*p.g2, *p.g1, {&third});
    const CompiledImage compiled7 = p.g1->compileImage();
    (void)p.g2->compileImage();
    EXPECT_EQ(third.dataStoreIndex, 2);
    EXPECT_EQ(shared[0]->sourcePointIndex(), 2);
    EXPECT_EQ(p.g2->getPointIndex(third), 2);
    const auto record = recordOf<ImportRecord>(compiled7.image, BlockType::imports, 1);
    EXPECT_EQ(record.details[2] | (record.details[3] << 8), 2);
    EXPECT_EQ(record.details[0] | (record.details[1] << 8), p.g2->getAddress());
}

TEST(Compile, ModbusMapRegistersAndRefreshRows)
{
    Project p;
    Import& vin = *p.g1->localImports()[0];
    addNewWriteImport(*p.g1, "Set", false);
    ASSERT_EQ(pasteToModbusMap(*p.g1, {&vin}, false), "");
    ASSERT_EQ(pasteToModbusMap(*p.g1, {&vin}, true), "");
    p.g1->mapIntegerList()[0]->hasRefreshTime = true;
    p.g1->startingRegister = 1;

    // The compile numbers the registers itself: no list was filled since the change.
    const CompiledImage compiled9 = p.g1->compileImage();
    const ConfigImage& image = compiled9.image;
    EXPECT_EQ(p.g1->mapRecordCounter, 4);
    const auto a = recordOf<MapRecord>(image, BlockType::modbusMap, 0);
    const auto refresh = recordOf<MapRecord>(image, BlockType::modbusMap, 1);
    const auto b = recordOf<MapRecord>(image, BlockType::modbusMap, 2);
    const auto f = recordOf<MapRecord>(image, BlockType::modbusMap, 3);
    EXPECT_EQ(a.startRegister, 1);
    EXPECT_EQ(static_cast<int>(a.attribute), 0);
    EXPECT_EQ(refresh.startRegister, 2);
    EXPECT_EQ(static_cast<int>(refresh.attribute), 1);
    EXPECT_EQ(b.startRegister, 3);
    EXPECT_EQ(b.index, 0);
    EXPECT_EQ(a.index, 1);
    EXPECT_EQ(f.startRegister, 7001);
    EXPECT_EQ(static_cast<int>(f.format), 2);

    ListRows rows;
    rows = p.g1->fillModbusMapList().rows;
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].cells[1], "Integer (16-bit)");
    EXPECT_EQ(rows[0].cells[4], "Set");
    EXPECT_EQ(rows[1].cells[2], "   2");
    EXPECT_EQ(rows[1].cells[4], "Set:Refresh");
    EXPECT_EQ(rows[1].cells[6], "Refresh");
    EXPECT_EQ(rows[2].cells[4], "Base:VIN");
    EXPECT_EQ(rows[3].cells[1], "Floating Point (32-bit)");
    EXPECT_EQ(rows[3].cells[2], "7001");
}

TEST(Compile, PointLabels)
{
    Project p;
    MBModule& module = p.addModule(*p.g1, 2);
    ZAVGateway* g3 = p.doc.insertGateway();
    Import& vin2 = *p.g2->localImports()[0];
    // Gateway_2's VIN reaches Gateway_3, and from there Gateway.
    const auto hop1 = importPoints(*p.g2, *g3, {&vin2});
    const auto hop2 = importPoints(*g3, *p.g1, {hop1[0]});
    MBCommand& set = addNewWriteImport(*p.g2, "Set", false);
    for (int i = 0; i < 4; ++i) {
        addNewWriteImport(*p.g2, "Other", false);
    }
    const ModbusMap& setEntry = *p.g2->mapIntegerList().front();
    while (p.g2->canMoveMapEntryDown(setEntry)) {
        p.g2->moveMapEntryDown(setEntry);
    }
    p.g2->numberMapRegisters();
    const auto fromWrite = importPoints(*p.g2, *p.g1, {&set});

    EXPECT_EQ(p.g1->formatPointLabel(*p.g1->localImports()[0]), "Base:VIN");
    EXPECT_EQ(p.g1->formatPointLabel(*module.getModuleInputs()->at(0)), "MBModule:Point_1");
    EXPECT_EQ(p.g1->formatPointLabel(*hop2[0]), "Gateway_2:Base:VIN");
    EXPECT_EQ(g3->formatPointLabel(*hop1[0]), "Base:VIN");
    EXPECT_EQ(p.g2->formatMapSourceLabel(set), "MB3005");
    EXPECT_EQ(p.g1->formatPointLabel(*fromWrite[0]), "MB3005:Set");

    ListRows rows;
    rows = p.g1->fillImportList().rows;
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[3].cells, (std::vector<std::string>{"004", "Gateway_3", "Gateway_2:Base:VIN",
                                                       "On Change", "Gain = 1.0000"}));
    EXPECT_EQ(rows[1].cells[4], "Gain = 1.0000");
    EXPECT_EQ(rows[0].cells[3], "00:00:01");
    module.getModuleInputs()->at(0)->offset = -1.5f;
    rows = p.g1->fillImportList().rows;
    EXPECT_EQ(rows[1].cells[4], "Offset = -1.50, Gain = 1.0000");
}

TEST(Compile, ExportAndOutputRows)
{
    Project p;
    Import& vin = *p.g1->localImports()[0];
    MBModule& module = p.addModule(*p.g1, 1);
    (void)importPoints(*p.g1, *p.g2, {&vin});
    (void)importPoints(*p.g1, *p.g2, {module.getModuleInputs()->at(0).get()});
    auto out = std::make_unique<MBExport>();
    out->exportName = "Valve";
    out->setSource(&vin);
    out->interval = 3725;
    module.getModuleOutputs()->push_back(std::move(out));
    module.getModuleOutputs()->back()->owner = &module;

    ListRows rows;
    rows = p.g1->fillExportList().rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].cells,
              (std::vector<std::string>{"002", "MBModule:Point_1", "On Change", "Gateway_2"}));
    // An export whose source was deleted keeps its number unused.
    p.g1->exports()[0]->source = nullptr;
    rows = p.g1->fillExportList().rows;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cells[0], "002");
    (void)p.g1->compileImage();
    EXPECT_EQ(p.g1->exportRecordCounter, 2); // the export to Gateway_2 and the module output

    rows = p.g1->fillOutputList().rows;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"001", "MBModule:Valve", "01:02:05",
                                                       "Gateway", "Base:VIN"}));
}

TEST(Compile, LimitsAndTheirWarnings)
{
    Project p;
    ZAVGateway& g = *p.g1;
    auto addPoints = [&](int n) {
        for (int i = 0; i < n; ++i) {
            auto point = std::make_unique<IOImport>(formatShort, &g, 2);
            point->inImportTable = true;
            GatewayTestAccess::localImports(g).push_back(std::move(point));
        }
    };
    addPoints(1919); // with VIN: 1,920
    const CompiledImage full = g.compileImage();
    EXPECT_EQ(full.limit, TableLimit::none);
    EXPECT_EQ(full.image.pageCount(BlockType::dataStore, 5), 320);

    addPoints(1);
    const CompiledImage over = g.compileImage();
    EXPECT_EQ(g.dataStoreCounter, 1921);
    EXPECT_EQ(over.limit, TableLimit::points);
    EXPECT_EQ(over.image.pageCount(BlockType::dataStore, 5), 320); // the 1,921st has no place

    // A fill shows nothing itself; its caller is told once, and again only after the list
    // fell back to the limit.
    const GatewayList first = g.fillImportList();
    EXPECT_EQ(first.rows.size(), 1921u);
    EXPECT_TRUE(first.overLimit);
    const auto notice = g.noticeToShow(first);
    ASSERT_TRUE(notice);
    EXPECT_STREQ(notice->caption, "Import limit (1920) exceeded.");
    EXPECT_STREQ(notice->text, "The ZAV Gateway Module supports up to 1920 Imports.");
    EXPECT_FALSE(g.noticeToShow(g.fillImportList()));
    GatewayTestAccess::localImports(g).pop_back();
    EXPECT_FALSE(g.noticeToShow(g.fillImportList()));
    addPoints(1);
    EXPECT_TRUE(g.noticeToShow(g.fillImportList()));
    EXPECT_TRUE(p.prompts.messages.empty());
}

TEST(Compile, DumpOfACompiledGatewayMatchesTheReference)
{
    Project p;
    ZAVGateway& g = *p.g1;
    Import& vin = *g.localImports()[0];
    (void)importPoints(g, *p.g2, {&vin});
    addNewWriteImport(g, "Set", false);
    ASSERT_EQ(pasteToModbusMap(g, {&vin}, true), "");
    g.mapFloatList().back()->hasRefreshTime = true;
    const CompiledImage compiled13 = g.compileImage();

    const std::string expected =
        readFile(std::filesystem::path(QUILLAN_TEST_DATA_DIR) / "gateway" / "dump_compiled.txt");
    std::istringstream want(expected);
    std::istringstream got(dumpText(compiled13.image, 12));
    std::string wantLine;
    std::string gotLine;
    int line = 0;
    while (std::getline(want, wantLine)) {
        ++line;
        ASSERT_TRUE(std::getline(got, gotLine)) << "dump ends before line " << line;
        EXPECT_EQ(gotLine, wantLine) << "line " << line;
    }
    EXPECT_FALSE(std::getline(got, gotLine)) << "dump has more lines than the reference";
}

TEST(Compile, StartingRegisterAbove32767IsShownUnsigned)
{
    Project p;
    p.g2->startingRegister = 40'000;
    MBCommand& set = addNewWriteImport(*p.g2, "Set", false);
    addNewWriteImport(*p.g2, "Other", false);
    const auto shared = importPoints(*p.g2, *p.g1, {&set});

    ListRows rows;
    rows = p.g2->fillModbusMapList().rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells[1], "Integer (16-bit)");
    EXPECT_EQ(rows[0].cells[2], "40000");
    EXPECT_EQ(rows[1].cells[2], "40001");
    EXPECT_EQ(p.g2->formatMapSourceLabel(set), "MB40000");
    EXPECT_EQ(p.g1->formatPointLabel(*shared[0]), "MB40000:Set");

    const CompiledImage compiled14 = p.g2->compileImage();
    EXPECT_EQ(recordOf<MapRecord>(compiled14.image, BlockType::modbusMap, 1).startRegister, 40'001);

    // The file keeps the same 16 bits: 40000 is 0x9C40.
    const std::vector<uint8_t> bytes = p.doc.toBytes();
    const std::vector<uint8_t> stored{0x40, 0x9C};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), stored.begin(), stored.end()), bytes.end());
    TarnDoc again(p.sink, p.prompts);
    ASSERT_TRUE(again.loadFromBytes(bytes));
    again.linkAfterLoad();
    EXPECT_EQ(again.toBytes(), bytes);
    auto& reread = dynamic_cast<ZAVGateway&>(*again.nodes()[2]);
    EXPECT_EQ(reread.mapIntegerList()[0]->getRegisterText(), "40000");
}
