#include "model/Archive.h"
#include "support/RichProject.h"
#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace quillan;
using namespace quillan::test;

namespace {

std::vector<uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> serializeAlone(const Serializable& object)
{
    MemorySink sink;
    Archive ar(sink, projectClassRegistry());
    ar.writeObject(&object);
    ar.close();
    return sink.bytes();
}

// Every persisted object of the project, depth first.
void collect(Serializable& object, std::vector<Serializable*>& out)
{
    out.push_back(&object);
    auto addAll = [&](auto& list) {
        for (auto& element : list) {
            if (element) {
                collect(*element, out);
            }
        }
    };
    if (auto* root = dynamic_cast<FileNode*>(&object)) {
        addAll(root->sites());
    }
    if (auto* g = dynamic_cast<ZAVGateway*>(&object)) {
        addAll(g->ports());
        addAll(g->childModules());
        addAll(g->localImports());
        addAll(g->outputs());
        addAll(g->writeImports());
        addAll(g->sharedImports());
        addAll(g->exports());
        addAll(g->mapIntegerList());
        addAll(g->mapFloatList());
        addAll(g->ioModules());
    }
    if (auto* node = dynamic_cast<Node*>(&object)) {
        if (auto* inputs = node->getModuleInputs()) {
            addAll(*inputs);
        }
        if (auto* outputs = node->getModuleOutputs()) {
            addAll(*outputs);
        }
    }
}

std::unique_ptr<Serializable> cloneOf(const Serializable& object)
{
    if (const auto* node = dynamic_cast<const Node*>(&object)) {
        return node->clone();
    }
    if (const auto* point = dynamic_cast<const Import*>(&object)) {
        return point->clone();
    }
    if (const auto* entry = dynamic_cast<const Export*>(&object)) {
        return entry->clone();
    }
    if (const auto* map = dynamic_cast<const ModbusMap*>(&object)) {
        return map->clone();
    }
    if (const auto* site = dynamic_cast<const Site*>(&object)) {
        return site->clone();
    }
    if (const auto* port = dynamic_cast<const SerialPortDefinition*>(&object)) {
        return port->clone();
    }
    return nullptr;
}

} // namespace

TEST(ProjectRoundTrip, EveryClassReadsAndWritesBackByteForByte)
{
    RichProject project;
    const auto written = project.doc.toBytes();

    RecordingSink sink;
    ScriptedPrompts prompts;
    TarnDoc reread(sink, prompts);
    ASSERT_TRUE(reread.loadFromBytes(written));
    reread.linkAfterLoad();
    EXPECT_EQ(reread.toBytes(), written);

    // Every registered class is present in the file.
    std::vector<Serializable*> objects;
    for (const auto& node : reread.nodes()) {
        collect(*node, objects);
    }
    std::set<std::string> classes;
    for (const Serializable* o : objects) {
        classes.insert(o->getRuntimeClass().name);
    }
    for (const char* name : {"FileNode",
                             "ZAVGateway",
                             "MBModule",
                             "AM1Module",
                             "AM2Module",
                             "DMModule",
                             "Site",
                             "SerialPortDefinition",
                             "IOImport",
                             "RFImport",
                             "PolyImport",
                             "MBImport",
                             "LegacyImport",
                             "AnalogImport",
                             "DiscreteImport",
                             "SiemensDLSImport",
                             "VelLevelImport",
                             "VelRTDImport",
                             "VelFlowImport",
                             "PIOImport",
                             "RFNodeImport",
                             "RSSIImport",
                             "RFRefreshImport",
                             "MBCommand",
                             "ROCImport",
                             "IOExport",
                             "RFExport",
                             "PolyExport",
                             "MBExport",
                             "LegacyExport",
                             "ModbusMap"}) {
        EXPECT_EQ(classes.count(name), 1u) << name;
    }
}

TEST(ProjectRoundTrip, ACloneOfEveryObjectWritesTheSameBytes)
{
    RichProject project;
    RecordingSink sink;
    ScriptedPrompts prompts;
    TarnDoc doc(sink, prompts);
    ASSERT_TRUE(doc.loadFromBytes(project.doc.toBytes()));
    doc.linkAfterLoad();

    std::vector<Serializable*> objects;
    for (const auto& node : doc.nodes()) {
        collect(*node, objects);
    }
    for (const Serializable* object : objects) {
        const auto copy = cloneOf(*object);
        ASSERT_NE(copy, nullptr) << object->getRuntimeClass().name;
        EXPECT_EQ(serializeAlone(*copy), serializeAlone(*object)) << object->getRuntimeClass().name;
    }
}

TEST(ProjectRoundTrip, LinkingRestoresEveryReference)
{
    RichProject project;
    RecordingSink sink;
    ScriptedPrompts prompts;
    TarnDoc doc(sink, prompts);
    ASSERT_TRUE(doc.loadFromBytes(project.doc.toBytes()));
    doc.linkAfterLoad();
    auto* g1 = dynamic_cast<ZAVGateway*>(doc.nodes()[1].get());
    auto* g2 = dynamic_cast<ZAVGateway*>(doc.nodes()[2].get());
    ASSERT_TRUE(g1 && g2);

    // Shared imports find their sources; they follow the source's name.
    auto* fromG2 = dynamic_cast<RFImport*>(g1->sharedImports().at(0).get());
    ASSERT_NE(fromG2, nullptr);
    EXPECT_EQ(fromG2->source, pointNamed(*g2, "VIN"));
    pointNamed(*g2, "VIN")->pointName = "Supply";
    EXPECT_EQ(*fromG2->getPointName(), "Supply");

    // Exports find their sources and destinations, map entries their points, outputs theirs.
    auto* exportToG2 = dynamic_cast<RFExport*>(g1->exports().at(0).get());
    ASSERT_NE(exportToG2, nullptr);
    EXPECT_EQ(exportToG2->destinationNode, g2);
    EXPECT_EQ(exportToG2->source, pointNamed(*g1, "Flow"));
    for (const auto* list : {&g1->mapIntegerList(), &g1->mapFloatList()}) {
        for (const auto& entry : *list) {
            EXPECT_NE(entry->point, nullptr);
        }
    }
    EXPECT_EQ(g1->childModules()[0]->getModuleOutputs()->front()->source, pointNamed(*g1, "VIN"));
    EXPECT_EQ(g1->outputs().front()->source, pointNamed(*g1, "Level"));
    EXPECT_EQ(g2->outputs().front()->source, pointNamed(*g2, "Poly"));
    EXPECT_EQ(g1->childModules()[0]->getParent(), g1);
    EXPECT_EQ(g1->ioModules()[2]->getParent(), g1);
}

TEST(ProjectRoundTrip, DeletedPointsAndNodesLeaveNoReferenceBehind)
{
    RichProject project;
    TarnDoc& doc = project.doc;
    ZAVGateway& g1 = *project.g1;
    ZAVGateway& g2 = *project.g2;

    // The export that sent Flow to g2 loses its source when Flow's module shrinks.
    Export& toG2 = *g1.exports().at(0);
    ModbusModuleSettings fewer = project.module->openingSettings();
    fewer.inputNames.resize(1); // drops Level and Point_3
    project.module->applyProperties(std::move(fewer));
    EXPECT_EQ(g1.outputs().front()->source, nullptr); // own output on Level lost its source
    EXPECT_EQ(toG2.source, pointNamed(g1, "Flow"));

    // Deleting g2 takes away g1's import from it and g1's export to it.
    doc.deleteNode(g2);
    EXPECT_TRUE(g1.exports().empty());
    EXPECT_TRUE(g1.sharedImports().empty());
    for (const auto* list : {&g1.mapIntegerList(), &g1.mapFloatList()}) {
        for (const auto& entry : *list) {
            EXPECT_FALSE(entry->point && entry->point->isSharedImport());
        }
    }
    // What is written still reads back.
    RecordingSink sink;
    ScriptedPrompts prompts;
    TarnDoc reread(sink, prompts);
    const auto bytes = doc.toBytes();
    ASSERT_TRUE(reread.loadFromBytes(bytes));
    reread.linkAfterLoad();
    EXPECT_EQ(reread.toBytes(), bytes);
}

TEST(ProjectRoundTrip, ExportWhoseSourceWasDeletedWritesNoSource)
{
    RichProject project;
    ZAVGateway& g1 = *project.g1;
    RFExport& entry = dynamic_cast<RFExport&>(*g1.exports().at(0));
    entry.source = nullptr;
    MemorySink sink;
    Archive ar(sink, projectClassRegistry());
    ar.writeObject(&entry);
    ar.close();
    // After the tag (2 bytes) and the class record (2 + 2 + 8 bytes), the first field.
    const auto& bytes = sink.bytes();
    ASSERT_GT(bytes.size(), 18u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 14, bytes.begin() + 18),
              std::vector<uint8_t>(4, 0xFF));
}

TEST(ProjectRoundTrip, SavingNumbersEveryMapAndANumberedFileSavesUnchanged)
{
    TempDir dir;
    ASSERT_TRUE(dir.valid());
    const std::string path = dir.file("Plant.zavproj");
    RichProject project;
    // Entries added by the commands wait for the Modbus list to number them.
    EXPECT_EQ(project.g1->mapIntegerList().back()->startRegister, 0);
    ASSERT_TRUE(project.doc.saveDocument(path));

    RecordingSink sink;
    ScriptedPrompts prompts;
    TarnDoc saved(sink, prompts);
    ASSERT_TRUE(saved.openDocument(path));
    saved.linkAfterLoad();
    const auto& g1 = dynamic_cast<const ZAVGateway&>(*saved.nodes().at(1));
    const auto registers = [](const auto& list) {
        std::vector<int> numbers;
        for (const auto& entry : list) {
            numbers.push_back(entry->startRegister);
        }
        return numbers;
    };
    // The first integer entry carries a refresh time in the register after it.
    EXPECT_EQ(registers(g1.mapIntegerList()), (std::vector<int>{3001, 3003, 3004, 3005, 3006, 3007}));
    EXPECT_EQ(registers(g1.mapFloatList()), (std::vector<int>{7001, 7002, 7003, 7004, 7005, 7006,
                                                            7007, 7008, 7009, 7010, 7011, 7012}));

    const auto first = readBytes(path);
    ASSERT_TRUE(saved.saveDocument(path));
    EXPECT_EQ(readBytes(path), first);
}
