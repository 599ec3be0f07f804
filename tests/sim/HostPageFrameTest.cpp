// The host's side of writing and reading one table page, against frames written out by hand:
// what the engines put on the line, and where a received page lands in the image.
#include "LiteralFrames.h"
#include "device/MemorySerialLink.h"
#include "device/NodeFrameEngine.h"
#include "device/SessionFrameEngine.h"
#include "gateway/ConfigImage.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace quillan;
using namespace quillan::device;
using namespace quillan::simtest;

namespace {

constexpr int REPLY_TIMEOUT_MS = 300;

TEST(HostPageFrames, CompiledImportsGoOutAsTheWriteFrameWrittenByHand)
{
    ConfigImage image;
    int32_t counter = 0;
    const ImportRecord records[] = {
        {0, SourceType::localIo, 10, 0, 5.0f / 4096, 0.0f, LocalIoDetails{2}.encode()},
        {1, SourceType::rfNode, 0, 0, 1.0f, 0.0f, RfNodeDetails{0x0281, 3}.encode()},
        {2, SourceType::modbus, 60, 0x8010, 0.5f, -1.0f, ModbusDetails{2, 7, 40001, 2, 2}.encode()},
    };
    for (const ImportRecord& record : records) {
        const auto place = image.appendRecord(BlockType::imports, counter);
        ASSERT_TRUE(place);
        image.write(*place, record);
    }
    const auto page = image.blockBytes(BlockType::imports, 0);
    ASSERT_EQ(Bytes(page.begin(), page.end()), literalImportRecords());

    MemorySerialLink link;
    ASSERT_TRUE(link.open("ttyUSB0"));
    LinkState state;
    state.linkFlag = true;
    NodeFrameEngine node(state, &link);
    ASSERT_TRUE(node.sendWriteBlock(5, 0, page.data(), page.size()));
    EXPECT_EQ(link.takeWritten(), literalWriteImportPage());
    link.reply(kLiteralAck);
    EXPECT_TRUE(node.readReply(REPLY_TIMEOUT_MS));
}

struct PageCase {
    const char* name;
    uint16_t page;
    Bytes request;
    Bytes reply;
    bool accepted;
    size_t countOffset; // the page's record count in the image
    size_t recordsOffset;
};

// Page 0 lies in the first part of the image; page p from 1 to 5 in image page p, which starts
// at 17,362 + 16,012 * (p - 1) and holds its import count at 1,286 and its records at 1,288.
const PageCase PAGE_CASES[] = {
    {"FirstPart", 0, kReadImportPage0, literalImportPageReply(0), true, 1'374, 1'376},
    {"LastImagePage",
     5,
     {0xFF, 0x41, 0x04, 0x00, 0x05, 0x00, 0x05, 0x00, 0x1C, 0x18},
     literalImportPageReply(5),
     true,
     82'696,
     82'698},
    // No page 6: the reply is refused and nothing is stored.
    {"NoSuchPage",
     6,
     {0xFF, 0x41, 0x04, 0x00, 0x05, 0x00, 0x06, 0x00, 0x1C, 0xE8},
     withImportRecords({0xFF, 0x41, 0x4E, 0x00, 0x05, 0x00, 0x06, 0x00, 0x48, 0x00}, 0xDC, 0x63),
     false,
     0,
     0},
};

class SessionPageTest : public testing::TestWithParam<PageCase> {};

TEST_P(SessionPageTest, ReadsThePageIntoItsPlaceInTheImage)
{
    const PageCase& c = GetParam();
    MemorySerialLink link;
    ASSERT_TRUE(link.open("ttyUSB0"));
    SessionFrameEngine session(&link);
    ConfigImage image;
    session.setStoreBlock([&](uint16_t type, uint16_t page, const uint8_t* data, size_t length) {
        return image.storeBlock(static_cast<BlockType>(type), page, {data, length});
    });

    const auto request = BlockRequest{5, c.page}.encode();
    ASSERT_TRUE(session.sendFrame(CMD_READ_BLOCK, request.data(), request.size()));
    EXPECT_EQ(link.takeWritten(), c.request);
    link.reply(c.reply);
    EXPECT_EQ(session.readReply(REPLY_TIMEOUT_MS), c.accepted);

    ConfigImage expected;
    if (c.accepted) {
        expected.bytes()[c.countOffset] = 3;
        std::copy(literalImportRecords().begin(), literalImportRecords().end(),
                  expected.bytes().begin() + static_cast<std::ptrdiff_t>(c.recordsOffset));
    }
    EXPECT_EQ(firstDifference(image, expected), "");
}

INSTANTIATE_TEST_SUITE_P(ImportPages, SessionPageTest, testing::ValuesIn(PAGE_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
