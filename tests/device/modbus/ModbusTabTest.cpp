#include "device/modbus/ModbusTab.h"

#include "device/MemorySerialLink.h"
#include "device/modbus/MBCommThread.h"
#include "device/modbus/ModbusFrame.h"
#include "document/TarnDoc.h"
#include "gateway/PointCommands.h"
#include "gateway/ZAVGateway.h"
#include "model/ModbusMap.h"
#include "model/SerialPortDefinition.h"
#include "support/ProjectBuilding.h"
#include "support/TestDoubles.h"

#include <bit>
#include <functional>
#include <gtest/gtest.h>

using namespace quillan;
using namespace quillan::device;
using namespace quillan::device::modbus;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr ModbusTimings FAST{0, 0, 50};

uint16_t be16(const Bytes& b, size_t at)
{
    return static_cast<uint16_t>((b[at] << 8) | b[at + 1]);
}

// A gateway of a new project, its map built by each case, and the Modbus master on a memory
// link whose slave answers every read: register r up to 7000 holds r - 3000, a float register
// holds r - 7000 + 0.25.
class ModbusTabFixture {
public:
    ModbusTabFixture()
    {
        doc.newProject(test::plantValues("/tmp/quillan-modbus/"));
        gateway = dynamic_cast<ZAVGateway*>(doc.nodes().at(1).get());
        gateway->getPort0()->recordWord8 = 1;
        (void)link.open("ttyUSB0");
        link.setResponder([this](MemorySerialLink& l, const Bytes& request) {
            requests.push_back(request);
            if (silentAfter && requests.size() > *silentAfter) {
                return;
            }
            l.reply(request[1] == FN_READ_HOLDING_REGISTERS ? readReply(request) : request);
        });
    }

    static Bytes readReply(const Bytes& request)
    {
        const uint16_t first = be16(request, 2);
        const uint16_t count = be16(request, 4);
        Bytes reply{request[0], FN_READ_HOLDING_REGISTERS, 0};
        for (unsigned r = first; r < unsigned{first} + count; ++r) {
            if (r <= 7000) {
                const unsigned v = r - 3000;
                reply.insert(reply.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
            } else {
                const auto bits = std::bit_cast<uint32_t>(static_cast<float>(r - 7000) + 0.25F);
                for (int shift = 24; shift >= 0; shift -= 8) {
                    reply.push_back(static_cast<uint8_t>(bits >> shift));
                }
            }
        }
        reply[2] = static_cast<uint8_t>(reply.size() - 3);
        appendCrc(reply);
        return reply;
    }

    // Fills the list; selects the rows whose register is in regs (all rows when empty).
    std::vector<ListRow*> select(const std::vector<uint16_t>& regs = {})
    {
        list = gateway->fillModbusMapList();
        std::vector<ListRow*> selected;
        for (ListRow& row : list.rows) {
            const auto reg = rowRegister(row);
            if (regs.empty() || std::find(regs.begin(), regs.end(), *reg) != regs.end()) {
                selected.push_back(&row);
            }
        }
        return selected;
    }

    // The first register and count of every read sent.
    std::vector<RegisterRun> readsSent() const
    {
        std::vector<RegisterRun> runs;
        for (const Bytes& r : requests) {
            if (r[1] == FN_READ_HOLDING_REGISTERS) {
                runs.push_back({be16(r, 2), be16(r, 4)});
            }
        }
        return runs;
    }

    test::RecordingSink sink;
    test::ScriptedPrompts prompts;
    TarnDoc doc{sink, prompts};
    ZAVGateway* gateway = nullptr;
    GatewayList list;
    MemorySerialLink link;
    MBCommThread master{link, sink, FAST};
    ModbusTab tab{master, sink};
    std::vector<Bytes> requests;
    std::optional<size_t> silentAfter;
};

void writeImports(ZAVGateway& g, int count, bool isFloat)
{
    for (int i = 0; i < count; ++i) {
        addNewWriteImport(g, "W" + std::to_string(i), isFloat);
    }
}

void pasted(ZAVGateway& g, int count, bool isFloat)
{
    Import* vin = test::pointNamed(g, "VIN");
    ASSERT_NE(vin, nullptr);
    ASSERT_EQ(pasteToModbusMap(g, std::vector<Import*>(static_cast<size_t>(count), vin), isFloat),
              "");
}

struct RunCase {
    const char* name;
    std::function<void(ZAVGateway&)> build;
    std::vector<uint16_t> selected; // empty: every row
    std::vector<RegisterRun> runs;
};

class PollRunsTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(PollRunsTest, ReadsTheRunsOfTheSelectedRows)
{
    ModbusTabFixture f;
    GetParam().build(*f.gateway);
    const auto selected = f.select(GetParam().selected);

    EXPECT_TRUE(f.tab.poll(*f.gateway, selected));
    EXPECT_EQ(f.readsSent(), GetParam().runs);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, PollRunsTest,
    ::testing::Values(
        RunCase{"GapInTheSelection", [](ZAVGateway& g) { writeImports(g, 12, false); },
                {3001, 3002, 3003, 3010}, {{3001, 3}, {3010, 1}}},
        // Pasting goes to the floating-point table unless the integer table is chosen.
        RunCase{"SeventyPastedRows", [](ZAVGateway& g) { pasted(g, 70, true); }, {},
                {{7001, 31}, {7032, 31}, {7063, 8}}},
        RunCase{"SeventyRowsPastedAsIntegers", [](ZAVGateway& g) { pasted(g, 70, false); }, {},
                {{3001, 61}, {3062, 9}}},
        RunCase{"SeventyIntegerWriteImports", [](ZAVGateway& g) { writeImports(g, 70, false); },
                {}, {{3001, 61}, {3062, 9}}},
        RunCase{"SeventyFloatWriteImports", [](ZAVGateway& g) { writeImports(g, 70, true); }, {},
                {{7001, 31}, {7032, 31}, {7063, 8}}},
        RunCase{"TimestampAndItsRefreshRow",
                [](ZAVGateway& g) {
                    writeImports(g, 8, false);
                    g.mapIntegerList()[4]->hasRefreshTime = true;
                },
                {3005, 3006}, {{3005, 2}}},
        RunCase{"BothTables",
                [](ZAVGateway& g) {
                    writeImports(g, 2, false);
                    writeImports(g, 2, true);
                },
                {}, {{3001, 2}, {7001, 2}}}),
    [](const ::testing::TestParamInfo<RunCase>& p) { return std::string(p.param.name); });

// Only entries of older files put the floating-point format into the integer table. The width
// is that of the last row to join a run: the row that closes one counts for the next run only
// once another row joins.
TEST(RunSplitterTest, WidthFollowsTheLastRowToJoin)
{
    const auto rows = [](std::initializer_list<std::pair<int, bool>> groups) {
        std::vector<PollRegister> regs;
        uint16_t r = 3001;
        for (const auto& [count, isFloat] : groups) {
            for (int i = 0; i < count; ++i) {
                regs.push_back({r++, isFloat});
            }
        }
        return regs;
    };
    EXPECT_EQ(splitRuns(rows({{2, true}, {40, false}})), (std::vector<RegisterRun>{{3001, 42}}));
    EXPECT_EQ(splitRuns(rows({{40, false}, {40, true}})),
              (std::vector<RegisterRun>{{3001, 41}, {3042, 31}, {3073, 8}}));
    EXPECT_EQ(splitRuns(rows({{1, true}})), (std::vector<RegisterRun>{{3001, 1}}));
    EXPECT_TRUE(splitRuns({}).empty());
}

TEST(ModbusValueTextTest, IntegerAndFloatTexts)
{
    EXPECT_EQ(integerValueText(0), "0");
    EXPECT_EQ(integerValueText(32768), "32768");
    EXPECT_EQ(integerValueText(65534), "65534");
    EXPECT_EQ(integerValueText(65535), "1.#INF");
    EXPECT_EQ(floatValueText(1.5F), "1.5000");
    EXPECT_EQ(floatValueText(-0.00004F), "-0.0000");
}

TEST(ModbusTabReplyTest, ReadReplyFillsEntriesAndTheRefreshRow)
{
    ModbusTabFixture f;
    writeImports(*f.gateway, 8, false);
    f.gateway->mapIntegerList()[4]->hasRefreshTime = true;
    auto selected = f.select({3005, 3006});
    ASSERT_EQ(selected.size(), 2U);

    // Registers 3005 and 3006: 65535 (no reading) and 42 seconds.
    const Bytes request = readHoldingRegistersRequest(1, 3005, 2);
    Bytes reply{0x01, 0x03, 0x04, 0xFF, 0xFF, 0x00, 0x2A};
    appendCrc(reply);
    showReadReply(request, reply, selected);

    const ModbusMap& entry = *f.gateway->mapIntegerList()[4];
    EXPECT_EQ(entry.valueText, "1.#INF");
    EXPECT_EQ(entry.refreshText, "42");
    EXPECT_EQ(selected[0]->cells[COLUMN_VALUE], "1.#INF");
    EXPECT_EQ(selected[1]->cells[COLUMN_VALUE], "42");
}

TEST(ModbusTabReplyTest, ShortReplyPlacesOnlyTheValuesItHolds)
{
    ModbusTabFixture f;
    writeImports(*f.gateway, 3, false);
    auto selected = f.select();
    for (ListRow* row : selected) {
        row->cells[COLUMN_VALUE] = "old";
    }
    // Asks for 3 registers; the byte count says 2 bytes.
    Bytes reply{0x01, 0x03, 0x02, 0x00, 0x07};
    appendCrc(reply);
    showReadReply(readHoldingRegistersRequest(1, 3001, 3), reply, selected);

    EXPECT_EQ(selected[0]->cells[COLUMN_VALUE], "7");
    EXPECT_EQ(selected[1]->cells[COLUMN_VALUE], "old");
    EXPECT_EQ(selected[2]->cells[COLUMN_VALUE], "old");
}

TEST(ModbusTabPollTest, PollShowsValuesOfBothTables)
{
    ModbusTabFixture f;
    writeImports(*f.gateway, 2, false);
    writeImports(*f.gateway, 1, true);
    auto selected = f.select();

    ASSERT_TRUE(f.tab.poll(*f.gateway, selected));

    EXPECT_EQ(selected[0]->cells[COLUMN_VALUE], "1");
    EXPECT_EQ(selected[1]->cells[COLUMN_VALUE], "2");
    EXPECT_EQ(selected[2]->cells[COLUMN_VALUE], "1.2500");
    EXPECT_EQ(f.gateway->mapFloatList()[0]->valueText, "1.2500");
    // A refill shows what the entries now hold.
    EXPECT_EQ(f.gateway->fillModbusMapList().rows[2].cells[COLUMN_VALUE], "1.2500");
}

TEST(ModbusTabPollTest, FailedReadEndsThePollAndLeavesLaterRowsAlone)
{
    ModbusTabFixture f;
    pasted(*f.gateway, 70, true);
    auto selected = f.select();
    for (ListRow* row : selected) {
        row->cells[COLUMN_VALUE] = "old";
    }
    f.silentAfter = 1;

    EXPECT_FALSE(f.tab.poll(*f.gateway, selected));

    // The second run (7032 to 7062) was read when the walk reached 7063, and failed.
    EXPECT_EQ(f.readsSent(), (std::vector<RegisterRun>{{7001, 31}, {7032, 31}}));
    EXPECT_EQ(selected[0]->cells[COLUMN_VALUE], "1.2500");
    EXPECT_EQ(selected[30]->cells[COLUMN_VALUE], "31.2500");
    EXPECT_EQ(selected[31]->cells[COLUMN_VALUE], "--");
    EXPECT_EQ(selected[62]->cells[COLUMN_VALUE], "--");
    EXPECT_EQ(selected[63]->cells[COLUMN_VALUE], "old");
    EXPECT_EQ(selected[69]->cells[COLUMN_VALUE], "old");
    EXPECT_EQ(f.sink.lines(MSG_DEBUG_LINE).back(), "Modbus Response error: no response received.");
}

TEST(ModbusTabPollTest, ExtendedSlaveIdIsRefusedWithoutAFrame)
{
    ModbusTabFixture f;
    writeImports(*f.gateway, 2, false);
    f.gateway->getPort0()->recordWord8 = 300;
    auto selected = f.select();

    EXPECT_FALSE(f.tab.poll(*f.gateway, selected));
    EXPECT_EQ(requestSlaveId(*f.gateway, f.sink), std::nullopt);

    EXPECT_TRUE(f.link.written().empty());
    EXPECT_EQ(f.sink.lines(MSG_DEBUG_LINE),
              (std::vector<std::string>(2, "Modbus Error: extended slave id not supported by "
                                           "this feature.")));
    EXPECT_EQ(selected[0]->cells[COLUMN_VALUE], "");
}

TEST(ModbusTabWriteTest, EchoShowsTheWrittenValue)
{
    ModbusTabFixture f;
    writeImports(*f.gateway, 1, false);
    writeImports(*f.gateway, 1, true);
    auto selected = f.select();

    ASSERT_TRUE(f.tab.write(7001, *parseWriteValue(7001, "1.5"), 1, selected));
    EXPECT_EQ(f.requests.back(),
              (Bytes{0x01, 0x06, 0x1B, 0x59, 0x3F, 0xC0, 0x00, 0x00, 0xF4, 0x09}));
    EXPECT_EQ(selected[1]->cells[COLUMN_VALUE], "1.5000");

    ASSERT_TRUE(f.tab.write(3001, *parseWriteValue(3001, "300"), 1, selected));
    EXPECT_EQ(f.requests.back(), (Bytes{0x01, 0x06, 0x0B, 0xB9, 0x01, 0x2C, 0x5A, 0x46}));
    EXPECT_EQ(selected[0]->cells[COLUMN_VALUE], "300");
    EXPECT_EQ(f.gateway->mapIntegerList()[0]->valueText, "300");
}

struct WriteTextCase {
    uint16_t reg;
    const char* text;
    std::optional<float> value; // none: "Send" stays disabled
};

TEST(ModbusWriteValueTest, SendIsEnabledOnlyForANumberTheRegisterTakes)
{
    const WriteTextCase cases[] = {
        {3001, "0", 0.0F},       {3001, "32767", 32767.0F}, {3001, "00012", 12.0F},
        {7000, "32767", 32767.0F}, {3001, "32768", {}},     {3001, "99999999999", {}},
        {3001, "1.5", {}},       {7000, "1.5", {}},         {3001, "", {}},
        {3001, "-1", {}},        {3001, "1e3", {}},         {3001, " 12", {}},
        {7001, "1.5", 1.5F},     {7001, "1.", 1.0F},        {7001, ".25", 0.25F},
        {7001, "40000", 40000.0F}, {7001, ".", {}},          {7001, "1.2.3", {}},
        {7001, "-1.5", {}},      {7001, "1e50", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.reg) + " \"" + c.text + "\"");
        const auto value = parseWriteValue(c.reg, c.text);
        ASSERT_EQ(value.has_value(), c.value.has_value());
        if (value) {
            EXPECT_EQ(value->isFloat, c.reg > 7000);
            EXPECT_EQ(value->isFloat ? value->real : static_cast<float>(value->integer), *c.value);
        }
    }
    // Too large for a float once read.
    EXPECT_FALSE(parseWriteValue(7001, "1" + std::string(50, '0')));
}

} // namespace
