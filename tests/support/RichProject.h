#pragma once

// A project holding one of everything a project file can: two gateways, a Modbus module with
// inputs and outputs, an I/O module of each kind, shared imports both ways, exports, outputs,
// write imports, map entries in both tables, and the point classes the program never makes.

#include "document/TarnDoc.h"
#include "gateway/GatewayRules.h"
#include "gateway/IoModuleRules.h"
#include "gateway/ModbusModuleRules.h"
#include "gateway/PointCommands.h"
#include "gateway/ZAVGateway.h"
#include "model/MBModule.h"
#include "support/GatewayTestAccess.h"
#include "support/ProjectBuilding.h"
#include "support/TestDoubles.h"

#include <gtest/gtest.h>

namespace quillan::test {

struct RichProject {
    RecordingSink sink;
    ScriptedPrompts prompts;
    TarnDoc doc{sink, prompts};
    ZAVGateway* g1 = nullptr;
    ZAVGateway* g2 = nullptr;
    MBModule* module = nullptr;

    RichProject()
    {
        doc.newProject(plantValues("/tmp/quillan-rich/"));
        g1 = dynamic_cast<ZAVGateway*>(doc.nodes().at(1).get());
        g2 = doc.insertGateway();

        // A Modbus module on the RS485 port: 3 inputs, 2 outputs.
        ModbusModuleSettings s = MBModule::newModuleSettings(*g1);
        s.port = 2;
        s.slaveId = 5;
        s.firstRegister = 100;
        s.registerCount = 3;
        s.registerFormat = 0;
        s.inputNames = {"Flow", "Level", "Point_3"};
        addModbusOutput(s, 200);
        addModbusOutput(s, 201);
        EXPECT_TRUE(doc.insertModbusModule(*g1, std::move(s)));
        module = dynamic_cast<MBModule*>(g1->childModules().back().get());

        IoModuleChoices am1;
        am1.kind = ioKindAm1;
        am1.address = 0;
        am1.mapOptions = 3;
        EXPECT_EQ(addNewIoModule(*g1, am1), "");
        IoModuleChoices am2;
        am2.kind = ioKindAm2;
        am2.address = 1;
        am2.inputUnits = 1;
        am2.output1Units = 3;
        am2.output2Units = 2;
        EXPECT_EQ(addNewIoModule(*g1, am2), "");
        IoModuleChoices dm;
        dm.kind = ioKindDm;
        dm.address = 2;
        dm.groups = groupInputs | groupCounts;
        dm.mapOptions = 2;
        EXPECT_EQ(addNewIoModule(*g1, dm), "");

        // Shared imports both ways, with their exports and map entries.
        auto fromG2 = importPoints(*g2, *g1, {pointNamed(*g2, "VIN")});
        EXPECT_EQ(pasteToModbusMap(*g1, {fromG2.begin(), fromG2.end()}, false), "");
        EXPECT_EQ(pasteToModbusMap(*g1, {fromG2.begin(), fromG2.end()}, true), "");
        (void)importPoints(*g1, *g2, {pointNamed(*g1, "Flow")});

        addNewWriteImport(*g1, "Setpoint", false);
        addNewWriteImport(*g1, "Speed", true);
        EXPECT_EQ(pasteToModbusMap(*g1, {pointNamed(*g1, "VIN"), pointNamed(*g1, "Level")}, false),
                  "");
        g1->mapIntegerList().front()->hasRefreshTime = true;

        // Outputs with sources: a module output and the gateway's own output.
        module->getModuleOutputs()->front()->setSource(pointNamed(*g1, "VIN"));
        auto own = std::make_unique<IOExport>();
        own->owner = g1;
        own->exportName = "DOUT0";
        own->setLocalOutput(0);
        own->setSource(pointNamed(*g1, "Level"));
        GatewayTestAccess::outputs(*g1).push_back(std::move(own));

        addLegacyClasses(*g2);
    }

    // Classes that only arrive in files: give each some distinct values.
    static void addLegacyClasses(ZAVGateway& g)
    {
        auto add = [&](std::unique_ptr<Import> p, const char* name, uint8_t seed) {
            p->pointId = static_cast<uint32_t>(g.tagCounter++);
            p->pointName = name;
            p->inImportTable = true;
            p->interval = seed;
            p->gain = 1.5f;
            p->offset = -2.25f;
            p->zeroWord = 0x8000 | seed;
            p->sizeWord = 2;
            p->pointType = seed;
            p->spareShort = seed;
            p->spareBool = true;
            for (size_t i = 0; i < p->details.size(); ++i) {
                p->details[i] = static_cast<uint8_t>(seed + i);
            }
            GatewayTestAccess::localImports(g).push_back(std::move(p));
            g.localImports().back()->owner = &g;
        };
        add(std::make_unique<PolyImport>(), "Poly", 1);
        add(std::make_unique<LegacyImport>(), "Legacy", 2);
        add(std::make_unique<AnalogImport>(), "Analog", 3);
        add(std::make_unique<DiscreteImport>(), "Discrete", 4);
        add(std::make_unique<SiemensDLSImport>(), "Siemens", 5);
        add(std::make_unique<VelLevelImport>(), "Level16", 16);
        add(std::make_unique<VelRTDImport>(), "Rtd", 7);
        add(std::make_unique<VelFlowImport>(), "VelFlow", 8);
        auto pio = std::make_unique<PIOImport>();
        pio->pioValue = 0xDEADBEEF;
        add(std::move(pio), "Pio", 9);
        // Reading gives these three their fixed value selection codes.
        add(std::make_unique<RFNodeImport>(), "Timeout", 10);
        g.localImports().back()->pointType = 126;
        add(std::make_unique<RSSIImport>(), "Rssi", 11);
        g.localImports().back()->pointType = 127;
        add(std::make_unique<RFRefreshImport>(), "Refresh", 12);
        g.localImports().back()->pointType = 125;
        auto roc = std::make_unique<ROCImport>();
        roc->rocByte3 = 3;
        roc->rocByte1 = 1;
        roc->rocByte2 = 2;
        roc->rocByte0 = 0xF0;
        roc->details = {0x34, 0x12, 0, 0, 0, 0};
        add(std::move(roc), "Roc", 13);

        auto poly = std::make_unique<PolyExport>();
        poly->polyValue1 = 7;
        poly->polyValue2 = 8;
        poly->exportName = "PolyOut";
        poly->setSource(pointNamed(g, "Poly"));
        auto legacy = std::make_unique<LegacyExport>();
        legacy->setDestinationAddress(0x0281);
        legacy->setDestinationOutput(1);
        legacy->exportName = "LegacyOut";
        legacy->setSource(pointNamed(g, "Legacy"));
        for (auto* e : {static_cast<Export*>(poly.get()), static_cast<Export*>(legacy.get())}) {
            e->owner = &g;
        }
        GatewayTestAccess::outputs(g).push_back(std::move(poly));
        GatewayTestAccess::outputs(g).push_back(std::move(legacy));
    }
};

} // namespace quillan::test
