// The I/O bus page's OK: the gateway merges the page's working copies into its I/O modules.

#include "document/TarnDoc.h"
#include "gateway/IoModuleRules.h"
#include "gateway/PointCommands.h"
#include "gateway/ZAVGateway.h"
#include "model/ZAVModule.h"
#include "support/ProjectBuilding.h"
#include "support/TestDoubles.h"

#include <gtest/gtest.h>

using namespace quillan;
using namespace quillan::test;

namespace {

using Copies = std::vector<std::unique_ptr<ZAVModule>>;

// Gateway g1 with a digital module M2 (address 2, Inputs and Counts in the imports table,
// mapped into both tables) and a 0-10 V module M0 without map entries. Gateway g2 imports DIN1
// and DIN1_CNT and maps both; M0's first output writes DIN2.
class IoBusSync : public ::testing::Test {
protected:
    RecordingSink sink;
    ScriptedPrompts prompts;
    TarnDoc doc{sink, prompts};
    ZAVGateway* g1 = nullptr;
    ZAVGateway* g2 = nullptr;
    ZAVModule* dm = nullptr;
    ZAVModule* am = nullptr;

    void SetUp() override
    {
        doc.newProject(plantValues("/tmp/quillan-iobus/"));
        g1 = dynamic_cast<ZAVGateway*>(doc.nodes().at(1).get());
        g2 = doc.insertGateway();

        IoModuleChoices digital;
        digital.kind = ioKindDm;
        digital.address = 2;
        digital.groups = groupInputs | groupCounts;
        digital.mapOptions = 3;
        ASSERT_EQ(addNewIoModule(*g1, digital), "");
        IoModuleChoices analog;
        analog.kind = ioKindAm1;
        analog.address = 0;
        ASSERT_EQ(addNewIoModule(*g1, analog), "");
        dm = dynamic_cast<ZAVModule*>(g1->ioModules().at(0).get());
        am = dynamic_cast<ZAVModule*>(g1->ioModules().at(1).get());

        const auto shared = importPoints(*g1, *g2, {input(*dm, 0), input(*dm, 8)});
        ASSERT_EQ(shared.size(), 2u);
        ASSERT_EQ(pasteToModbusMap(*g2, {shared[0], shared[1]}, false), "");
        am->getModuleOutputs()->at(0)->source = input(*dm, 1);

        ASSERT_EQ(g1->mapIntegerList().size(), 8u);
        ASSERT_EQ(g1->mapFloatList().size(), 8u);
        ASSERT_EQ(g1->exports().size(), 2u);
    }

    static Import* input(ZAVModule& module, size_t i)
    {
        return module.getModuleInputs()->at(i).get();
    }

    // What the page holds when it opens.
    [[nodiscard]] Copies copies() const
    {
        Copies result;
        for (const auto& node : g1->ioModules()) {
            result.emplace_back(static_cast<ZAVModule*>(node->clone().release()));
            result.back()->setParent(g1);
        }
        return result;
    }

    static ZAVModule& copyOf(Copies& list, const ZAVModule& module)
    {
        for (auto& copy : list) {
            if (copy->getModuleId() == module.getModuleId()) {
                return *copy;
            }
        }
        throw std::logic_error("no copy");
    }
};

TEST_F(IoBusSync, UnchangedCopiesLeaveModulesAndReferencesInPlace)
{
    const Import* din1 = input(*dm, 0);
    g1->syncIoModules(copies());

    ASSERT_EQ(g1->ioModules().size(), 2u);
    EXPECT_EQ(g1->ioModules()[0].get(), dm);
    EXPECT_EQ(g1->ioModules()[1].get(), am);
    EXPECT_EQ(input(*dm, 0), din1);
    EXPECT_EQ(g2->sharedImports().size(), 2u);
    EXPECT_EQ(g2->sharedImports()[0]->getSource(), din1);
    EXPECT_EQ(g2->mapIntegerList().size(), 2u);
    EXPECT_EQ(g1->exports().size(), 2u);
    EXPECT_EQ(g1->mapIntegerList().size(), 8u);
    EXPECT_EQ(am->moduleOutputs()->at(0)->source, input(*dm, 1));
}

TEST_F(IoBusSync, InputsTakenOutOfTheImportsTableLoseEveryReference)
{
    Copies list = copies();
    IoModuleChoices counts;
    counts.kind = ioKindDm;
    counts.address = 2;
    counts.interval = 60;
    counts.groups = groupCounts;
    copyOf(list, *dm).updatePoints(ioModulePoints(counts));
    g1->syncIoModules(list);

    const Import& din1 = *input(*dm, 0);
    EXPECT_FALSE(din1.inImportTable);
    EXPECT_TRUE(input(*dm, 8)->inImportTable);
    // Counts alone: four registers from 3009, read by every input.
    EXPECT_EQ(din1.detailU16(2), 3009);
    EXPECT_EQ(din1.details[4], 4);
    EXPECT_EQ(din1.interval, 60u);
    EXPECT_EQ(dm->getModuleInterval(), 60u);

    std::vector<std::string> labels;
    for (const ListRow& row : g1->fillImportList().rows) {
        labels.push_back(row.cells[2]);
    }
    const std::vector<std::string> expected{"Base:VIN",    "M2:DIN1_CNT", "M2:DIN2_CNT",
                                            "M2:DIN3_CNT", "M2:DIN4_CNT", "M0:AIN1",
                                            "M0:AIN2"};
    EXPECT_EQ(labels, expected);
    // g2 keeps only its import of DIN1_CNT, and the map entry showing it.
    ASSERT_EQ(g2->sharedImports().size(), 1u);
    EXPECT_EQ(g2->sharedImports()[0]->getSource(), input(*dm, 8));
    ASSERT_EQ(g2->mapIntegerList().size(), 1u);
    EXPECT_EQ(g2->mapIntegerList()[0]->point, g2->sharedImports()[0].get());
    // g1 sends only DIN1_CNT and maps only the four counts.
    ASSERT_EQ(g1->exports().size(), 1u);
    EXPECT_EQ(g1->exports()[0]->source, input(*dm, 8));
    EXPECT_EQ(g1->mapIntegerList().size(), 4u);
    EXPECT_EQ(g1->mapFloatList().size(), 4u);
    EXPECT_EQ(am->moduleOutputs()->at(0)->source, nullptr);
}

TEST_F(IoBusSync, ModulesOfTheSameKindTakeNamesRegistersAndValueWords)
{
    Copies list = copies();
    ZAVModule& copy = copyOf(list, *am);
    IoModuleChoices floats;
    floats.kind = ioKindAm1;
    floats.address = 0;
    floats.interval = 3725;
    floats.inputUnits = 1;
    floats.output1Units = 3;
    floats.output2Units = 2;
    copy.updatePoints(ioModulePoints(floats));
    copy.getModuleInputs()->at(0)->pointName = "Tank";
    copy.getModuleOutputs()->at(1)->exportName = "Valve";
    const Import* ain1 = input(*am, 0);

    g1->syncIoModules(list);

    EXPECT_EQ(input(*am, 0), ain1);
    EXPECT_EQ(ain1->pointName, "Tank");
    EXPECT_EQ(ain1->detailU16(2), 7001);
    EXPECT_EQ(input(*am, 1)->detailU16(2), 7002);
    EXPECT_EQ(ain1->details[5], 2);
    EXPECT_EQ(ain1->formatWord, 2);
    EXPECT_EQ(ain1->sizeWord, 4);
    EXPECT_EQ(ain1->interval, 3725u);
    const auto& outputs = *am->moduleOutputs();
    EXPECT_EQ(outputs[0]->detailU16(2), 7007);
    EXPECT_EQ(outputs[0]->details[5], 2);
    EXPECT_EQ(outputs[1]->detailU16(2), 7006);
    EXPECT_EQ(outputs[1]->exportName, "Valve");
    // The source belongs to the project, not to the page.
    EXPECT_EQ(outputs[0]->source, input(*dm, 1));

    // And back to integers: the words follow.
    IoModuleChoices integers = floats;
    integers.inputUnits = 0;
    copy.updatePoints(ioModulePoints(integers));
    g1->syncIoModules(list);
    EXPECT_EQ(ain1->formatWord, 0);
    EXPECT_EQ(ain1->sizeWord, 2);
    EXPECT_EQ(ain1->detailU16(2), 3001);
}

TEST_F(IoBusSync, ACopyOfAnotherKindChangesNothing)
{
    Copies list = copies();
    auto impostor = std::make_unique<AM2Module>();
    IoModuleChoices am2;
    am2.kind = ioKindAm2;
    am2.address = 7;
    impostor->makePoints(*g1, ioModulePoints(am2));
    impostor->setModuleId(dm->getModuleId());
    for (auto& copy : list) {
        if (copy->getModuleId() == dm->getModuleId()) {
            copy = std::move(impostor);
            break;
        }
    }
    g1->syncIoModules(list);

    ASSERT_EQ(g1->ioModules().size(), 2u);
    EXPECT_EQ(g1->ioModules()[0].get(), dm);
    EXPECT_EQ(dm->getName(), "M2");
    EXPECT_EQ(dm->address(), 2);
    EXPECT_EQ(g2->sharedImports().size(), 2u);
}

TEST_F(IoBusSync, ModulesNoCopyStandsForAreUnlinkedAndDestroyed)
{
    doc.importClipboard() = {input(*dm, 0)};
    Copies list = copies();
    std::erase_if(list, [this](const auto& c) { return c->getModuleId() == dm->getModuleId(); });

    g1->syncIoModules(list);

    ASSERT_EQ(g1->ioModules().size(), 1u);
    EXPECT_EQ(g1->ioModules()[0].get(), am);
    EXPECT_TRUE(g2->sharedImports().empty());
    EXPECT_TRUE(g2->mapIntegerList().empty());
    EXPECT_TRUE(g1->exports().empty());
    EXPECT_TRUE(g1->mapIntegerList().empty());
    EXPECT_TRUE(g1->mapFloatList().empty());
    EXPECT_EQ(am->moduleOutputs()->at(0)->source, nullptr);
    EXPECT_TRUE(doc.importClipboard().empty());
    // The points are gone from the numbering: VIN, AIN1, AIN2.
    EXPECT_EQ(g1->fillImportList().rows.size(), 3u);
}

struct NewModuleCase {
    uint8_t kind;
    uint8_t groups;
    uint32_t mapOptions;
    size_t integerEntries;
    size_t floatEntries;
    size_t importRows; // VIN, M2's eight, M0's two, then the new module's
};

class IoBusNewModule : public IoBusSync, public ::testing::WithParamInterface<NewModuleCase> {};

TEST_P(IoBusNewModule, GetsItsMapEntriesByItsMapOptions)
{
    const NewModuleCase& c = GetParam();
    Copies list = copies();
    IoModuleChoices choices;
    choices.kind = c.kind;
    choices.address = 5;
    choices.groups = c.groups;
    auto made = makeIoModule(c.kind);
    made->makePoints(*g1, ioModulePoints(choices));
    made->setMapOptions(c.mapOptions);
    const uint16_t id = made->getModuleId();
    list.push_back(std::move(made));
    const size_t integersBefore = g1->mapIntegerList().size();
    const size_t floatsBefore = g1->mapFloatList().size();

    g1->syncIoModules(list);

    ASSERT_EQ(g1->ioModules().size(), 3u);
    auto* added = dynamic_cast<ZAVModule*>(g1->ioModules().back().get());
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->getModuleId(), id);
    EXPECT_EQ(added->getParent(), g1);
    EXPECT_EQ(g1->mapIntegerList().size() - integersBefore, c.integerEntries);
    EXPECT_EQ(g1->mapFloatList().size() - floatsBefore, c.floatEntries);
    // The entries show the gateway's module, not the page's copy, which the page destroys.
    for (size_t i = floatsBefore; i < g1->mapFloatList().size(); ++i) {
        EXPECT_EQ(g1->mapFloatList()[i]->point->owner, added);
        EXPECT_EQ(g1->mapFloatList()[i]->formatCode, 2);
    }
    for (size_t i = integersBefore; i < g1->mapIntegerList().size(); ++i) {
        EXPECT_EQ(g1->mapIntegerList()[i]->point->owner, added);
        EXPECT_EQ(g1->mapIntegerList()[i]->formatCode, 0);
    }
    EXPECT_EQ(g1->fillImportList().rows.size(), c.importRows);
}

INSTANTIATE_TEST_SUITE_P(MapOptions, IoBusNewModule,
                         ::testing::Values(NewModuleCase{ioKindDm, groupInputs | groupCounts, 2, 0,
                                                         8, 19},
                                           NewModuleCase{ioKindDm, groupInputs, 1, 4, 0, 15},
                                           NewModuleCase{ioKindAm1, groupInputs, 3, 2, 2, 13},
                                           NewModuleCase{ioKindAm2, groupInputs, 0, 0, 0, 13}));

} // namespace

namespace {

// The dialog reopens a module at the choices it was made with.
TEST(IoModuleChoices, ReadBackFromTheModulesPoints)
{
    RecordingSink sink;
    ScriptedPrompts prompts;
    TarnDoc doc{sink, prompts};
    doc.newProject(plantValues("/tmp/quillan-iobus/"));
    auto* g = dynamic_cast<ZAVGateway*>(doc.nodes().at(1).get());
    for (uint8_t kind : {ioKindAm1, ioKindAm2}) {
        for (uint8_t inputUnits = 0; inputUnits < 2; ++inputUnits) {
            for (uint8_t out1 = 0; out1 < 4; ++out1) {
                for (uint8_t out2 = 0; out2 < 4; ++out2) {
                    IoModuleChoices made;
                    made.kind = kind;
                    made.address = 11;
                    made.interval = 90;
                    made.inputUnits = inputUnits;
                    made.output1Units = out1;
                    made.output2Units = out2;
                    auto module = makeIoModule(kind);
                    module->makePoints(*g, ioModulePoints(made));
                    const IoModuleChoices read = ioModuleChoicesOf(*module, 0);
                    EXPECT_EQ(read.address, 11);
                    EXPECT_EQ(read.interval, 90u);
                    EXPECT_EQ(read.inputUnits, inputUnits);
                    EXPECT_EQ(read.output1Units, out1) << int(kind) << ' ' << int(out1);
                    EXPECT_EQ(read.output2Units, out2) << int(kind) << ' ' << int(out2);
                }
            }
        }
    }
    for (uint8_t groups = 0; groups < 8; ++groups) {
        IoModuleChoices made;
        made.kind = ioKindDm;
        made.address = 3;
        made.groups = groups;
        DMModule module;
        module.makePoints(*g, ioModulePoints(made));
        EXPECT_EQ(ioModuleChoicesOf(module, 0).groups, groups);
    }
    // Without points: the address handed in and the groups of a new module.
    const IoModuleChoices empty = ioModuleChoicesOf(DMModule{}, 6);
    EXPECT_EQ(empty.address, 6);
    EXPECT_EQ(empty.groups, groupInputs);
}

TEST(IoModuleChoices, UnitsTextsOfThePointsList)
{
    struct Case {
        uint8_t kind;
        uint16_t outputRegister;
        uint8_t outputFormat;
        const char* text;
    };
    const Case cases[] = {
        {ioKindAm1, 3011, 0, "Counts [65,535]"},
        {ioKindAm1, 3014, 0, "Volts * 1000 [10,000]"},
        {ioKindAm1, 7006, 2, "0.0-10.0 Volts"},
        {ioKindAm1, 7007, 2, "0.0-100.0 %"},
        {ioKindAm2, 3012, 0, "mA * 1000 [20,000]"},
        {ioKindAm2, 3013, 0, "% * 100 [10,000]"},
        {ioKindAm2, 7004, 2, "4.0-20.0 mA"},
        {ioKindAm2, 7005, 2, "0.0-100.0 %"},
        {ioKindAm1, 4000, 0, ""},
        {ioKindDm, 3005, 0, "On/Off"},
    };
    for (const Case& c : cases) {
        auto module = makeIoModule(c.kind);
        MBExport output;
        output.setModbusDetails(2, 1, c.outputRegister, 1, c.outputFormat);
        EXPECT_STREQ(ioOutputUnits(*module, output), c.text) << c.outputRegister;
    }
    MBImport input;
    input.setModbusDetails(2, 1, 7001, 2, 2);
    EXPECT_STREQ(ioInputUnits(AM1Module{}, input), "0.0-10.0 Volts");
    EXPECT_STREQ(ioInputUnits(AM2Module{}, input), "4.0-20.0 mA");
    EXPECT_STREQ(ioInputUnits(DMModule{}, input), "On/Off");
    input.setModbusDetails(2, 1, 3001, 2, 0);
    EXPECT_STREQ(ioInputUnits(AM1Module{}, input), "Volts * 1000 [10,000]");
    EXPECT_STREQ(ioInputUnits(AM2Module{}, input), "mA * 1000 [20,000]");
}

} // namespace
