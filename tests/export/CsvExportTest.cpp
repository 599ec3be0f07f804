#include "export/CsvExport.h"
#include "gateway/PointCommands.h"
#include "support/GatewayTestAccess.h"
#include "support/RichProject.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace quillan;
using namespace quillan::test;
namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(CsvExport, ListsEveryGatewaysRowsBesideTheProject)
{
    const TempDir temp;
    ASSERT_TRUE(temp.valid());
    const fs::path& dir = temp.path();

    RecordingSink sink;
    ScriptedPrompts prompts;
    TarnDoc doc(sink, prompts);
    doc.newProject({"Plant", dir.string(), band900, 5, 10, NewGatewayValues{}});
    auto* g1 = dynamic_cast<ZAVGateway*>(doc.nodes()[1].get());
    ZAVGateway* g2 = doc.insertGateway();
    GatewayTestAccess::localImports(*g2).clear(); // a gateway without imports
    g1->localImports()[0]->pointName = "VIN, main"; // a comma stays as it is
    (void)importPoints(*g1, *g2, {g1->localImports()[0].get()});
    addNewWriteImport(*g1, "Set", false);

    ASSERT_TRUE(exportCsv(doc, sink));
    const fs::path file = dir / "Plant.csv";
    const std::string expected =
        "Gateway\r\n"
        "Imports\r\n"
        "001, Gateway, Base:VIN, main, 00:00:01, \r\n"
        "002, Gateway, Base:Set, On Change, \r\n"
        "Exports\r\n"
        "001, Base:VIN, main, On Change, Gateway_2\r\n"
        "Outputs\r\n"
        "Modbus\r\n"
        "001, Integer (16-bit), 3001, Gateway, Set\r\n"
        "Gateway_2\r\n"
        "Imports\r\n"
        "001, Gateway, Base:VIN, main, On Change, Gain = 1.0000\r\n"
        "Exports\r\n"
        "Outputs\r\n"
        "Modbus\r\n";
    EXPECT_EQ(readFile(file), expected);
    const std::string message = "Plant.csv was created at location '" + dir.string() + "/'.";
    EXPECT_EQ(sink.lines(MSG_DEBUG_LINE), std::vector<std::string>{message});
    EXPECT_EQ(sink.lines(MSG_OUTPUT_LINE), std::vector<std::string>{message});

    // A second export replaces the file.
    g2->setName("North");
    ASSERT_TRUE(exportCsv(doc, sink));
    EXPECT_NE(readFile(file).find("North\r\nImports\r\n"), std::string::npos);
}

TEST(CsvExport, NothingWithoutAGatewayAndFalseWhenTheFileCannotBeWritten)
{
    RecordingSink sink;
    ScriptedPrompts prompts;
    TarnDoc doc(sink, prompts);
    doc.newProject({"Plant", "/nonexistent-folder-for-quillan/", band900, 5, 10, std::nullopt});
    EXPECT_TRUE(exportCsv(doc, sink));
    EXPECT_TRUE(sink.lines(MSG_OUTPUT_LINE).empty());
    (void)doc.insertGateway();
    EXPECT_FALSE(exportCsv(doc, sink));
    EXPECT_TRUE(sink.lines(MSG_OUTPUT_LINE).empty());
}

TEST(CsvExport, RegistersAbove32767AreUnsigned)
{
    TempDir dir;
    RecordingSink sink;
    ScriptedPrompts prompts;
    TarnDoc doc(sink, prompts);
    doc.newProject({"High", dir.path().string(), band900, 5, 10, NewGatewayValues{}});
    auto* g1 = dynamic_cast<ZAVGateway*>(doc.nodes()[1].get());
    GatewayTestAccess::localImports(*g1).clear();
    g1->startingRegister = 65'535;
    addNewWriteImport(*g1, "Set", false);

    ASSERT_TRUE(exportCsv(doc, sink));
    EXPECT_EQ(readFile(dir.path() / "High.csv"), "Gateway\r\n"
                                                 "Imports\r\n"
                                                 "001, Gateway, Base:Set, On Change, \r\n"
                                                 "Exports\r\n"
                                                 "Outputs\r\n"
                                                 "Modbus\r\n"
                                                 "001, Integer (16-bit), 65535, Gateway, Set\r\n");
}
