// Intel HEX firmware files into flash chunks. The records are written and their checksums
// worked out by hand; the file of 16-byte records comes from srec_cat.
#include "device/FirmwareFile.h"

#include "device/MemorySerialLink.h"
#include "device/ZAVSession.h"
#include "model/Notifications.h"
#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace quillan;
using namespace quillan::device;
using Bytes = std::vector<uint8_t>;
using Chunks = std::vector<std::pair<uint32_t, Bytes>>;

namespace {

Chunks chunksOf(const std::vector<FirmwareChunk>& chunks)
{
    Chunks out;
    for (const FirmwareChunk& c : chunks) {
        out.emplace_back(c.address, c.data);
    }
    return out;
}

Bytes zeros(size_t n)
{
    return Bytes(n, 0);
}

std::string hexZeros(size_t n)
{
    return std::string(2 * n, '0');
}

Bytes concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// 0x01, 0x02, ... 0x20.
Bytes oneToThirtyTwo()
{
    Bytes b;
    for (uint8_t i = 1; i <= 32; ++i) {
        b.push_back(i);
    }
    return b;
}

// Data records of zeros: 255 bytes at 0x0000, 0x00FF and 0x01FE, then 235 at 0x02FD, which
// make one chunk of 1,000 bytes.
const std::vector<std::string> THOUSAND_ZEROS = {
    ":FF000000" + hexZeros(255) + "01",
    ":FF00FF00" + hexZeros(255) + "02",
    ":FF01FE00" + hexZeros(255) + "02",
    ":EB02FD00" + hexZeros(235) + "16",
};

std::vector<std::string> thousandZerosThen(std::vector<std::string> more)
{
    std::vector<std::string> lines = THOUSAND_ZEROS;
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

struct HexCase {
    const char* name;
    std::vector<std::string> lines;
    Chunks chunks;
    const char* lineEnd = "\n";
};

void PrintTo(const HexCase& c, std::ostream* os)
{
    *os << c.name;
}

const HexCase HEX_CASES[] = {
    {"GapAndStepBackStartNewChunks",
     {":040000001122334452", ":04000400556677883E", ":0400100099AABBCC22", ":04000800DDEEFF002A"},
     {{0x0000, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}},
      {0x0010, {0x99, 0xAA, 0xBB, 0xCC}},
      {0x0008, {0xDD, 0xEE, 0xFF, 0x00}}}},
    // 1,000 + 32 is over the limit: the record starts a chunk at its own address, which the
    // next record then continues. These lines are longer than 255 characters too.
    {"RecordPassingTheLimitStartsANewChunk",
     thousandZerosThen({":2003E800" +
                            std::string("0102030405060708090A0B0C0D0E0F10"
                                        "1112131415161718191A1B1C1D1E1F20") +
                            "E5",
                        ":10040800AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA44"}),
     {{0x0000, zeros(1000)}, {0x03E8, concat(oneToThirtyTwo(), Bytes(16, 0xAA))}}},
    {"RecordFillingTheLastRoomStays",
     thousandZerosThen({":1803E800" + hexZeros(24) + "FD", ":010400007784"}),
     {{0x0000, zeros(1024)}, {0x0400, {0x77}}}},
    {"BadChecksumIsSkippedAndSplitsTheData",
     {":040000001122334452", ":04000400556677883F", ":0400080099AABBCC2A"},
     {{0x0000, {0x11, 0x22, 0x33, 0x44}}, {0x0008, {0x99, 0xAA, 0xBB, 0xCC}}}},
    // Both add up to 0 but hold one byte fewer, and one more, than their count says.
    {"CountMismatchIsSkipped",
     {":050000001122334451", ":030000001122334453", ":0400100099AABBCC22"},
     {{0x0010, {0x99, 0xAA, 0xBB, 0xCC}}}},
    // No bytes at all, a lone digit, and data records without data: the one at 0x0010 does
    // not come between the two records it lies apart from.
    {"EmptyRecordsAddNothing",
     {":", ":G0400000011", ":0", "", ":040000001122334452", ":00001000F0", ":0000000000",
      ":04000400556677883E"},
     {{0x0000, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}}}},
    {"LinesNotStartingWithAColonAreSkipped",
     {" :040000001122334452", "040000001122334452", "\xEF\xBB\xBF:040000001122334452",
      ":0400100099AABBCC22"},
     {{0x0010, {0x99, 0xAA, 0xBB, 0xCC}}}},
    {"ExtendedAddressThenData",
     {":020000040802F0", ":040000001122334452", ":020000040803EF", ":040000005566778842"},
     {{0x08020000, {0x11, 0x22, 0x33, 0x44}}, {0x08030000, {0x55, 0x66, 0x77, 0x88}}}},
    {"FullAddressesJoinAcrossASegment",
     {":020000040802F0", ":04FFFC001122334457", ":020000040803EF", ":040000005566778842"},
     {{0x0802FFFC, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}}}},
    // Segment address, end of file (reading goes on), start address, and an extended address
    // without its second byte change nothing.
    {"OtherRecordsAreIgnored",
     {":020000021000EC", ":00000001FF", ":0400000508000000EF", ":0100000408F3",
      ":040000001122334452"},
     {{0x0000, {0x11, 0x22, 0x33, 0x44}}}},
    {"LowerCaseDigits",
     {":020000040802f0", ":0400100099aabbcc22"},
     {{0x08020010, {0x99, 0xAA, 0xBB, 0xCC}}}},
    {"CrLfLineEnds",
     {":020000040802F0", ":040000001122334452", ":04000400556677883E", ":0400100099AABBCC22"},
     {{0x08020000, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}},
      {0x08020010, {0x99, 0xAA, 0xBB, 0xCC}}},
     "\r\n"},
    {"TextAfterTheRecordIsNotRead",
     {":040000001122334452  ; boot block", ":04000400556677883E0"},
     {{0x0000, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}}}},
};

class HexLinesTest : public testing::TestWithParam<HexCase> {};

TEST_P(HexLinesTest, Chunks)
{
    const HexCase& c = GetParam();
    std::string text;
    for (const std::string& line : c.lines) {
        text += line + c.lineEnd;
    }
    std::istringstream in(text);
    FirmwareFile file;
    file.load(in);
    EXPECT_EQ(chunksOf(file.chunks()), c.chunks);
}

INSTANTIATE_TEST_SUITE_P(Records, HexLinesTest, testing::ValuesIn(HEX_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

struct CheckCase {
    const char* name;
    std::string text;
    std::optional<FirmwareFileProblem> problem;
};

void PrintTo(const CheckCase& c, std::ostream* os)
{
    *os << c.name;
}

// Checksums worked out by hand: 04+00+00+00+11+22+33+44 = 0xAE, so 0x52 closes the record.
const CheckCase CHECK_CASES[] = {
    {"GoodRecordsWithBlankLinesAndCrLf",
     ":020000040802F0\r\n\r\n:040000001122334452\r\n:00000001FF\r\n", std::nullopt},
    {"TextAfterARecordIsLeftAsLoadingLeavesIt", ":040000001122334452  ; boot block\n",
     std::nullopt},
    {"WrongChecksumNamesItsLine", ":040000001122334452\n:04000400556677883F\n",
     FirmwareFileProblem{2, "the checksum is wrong"}},
    {"ShortDataNamesItsLine", ":040000001122334452\n:050000001122334451\n",
     FirmwareFileProblem{2, "its length does not match its byte count"}},
    {"ACharacterInsideTheRecordCutsItShort", ":04000000112233G452\n",
     FirmwareFileProblem{1, "its length does not match its byte count"}},
    {"LineWithoutColon", ":040000001122334452\n040004005566778842\n",
     FirmwareFileProblem{2, "it does not start with ':'"}},
    // A byte-order mark would have the loader skip the first record without a word.
    {"ByteOrderMark", "\xEF\xBB\xBF:040000001122334452\n",
     FirmwareFileProblem{1, "it does not start with ':'"}},
    {"TooShort", ":00000\n", FirmwareFileProblem{1, "it is too short for a record"}},
    {"RecordTypeSix", ":040000001122334452\n:00000006FA\n",
     FirmwareFileProblem{2, "its record type is unknown"}},
    {"ExtendedAddressOfOneByte", ":0100000408F3\n:040000001122334452\n",
     FirmwareFileProblem{1, "its extended address does not hold two bytes"}},
    {"NoDataRecords", ":020000040802F0\n:00000001FF\n",
     FirmwareFileProblem{0, "the file holds no firmware data"}},
    {"EmptyFile", "", FirmwareFileProblem{0, "the file holds no firmware data"}},
};

class FirmwareCheckTest : public testing::TestWithParam<CheckCase> {};

TEST_P(FirmwareCheckTest, FirstProblem)
{
    std::istringstream in(GetParam().text);
    EXPECT_EQ(checkFirmwareText(in), GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(Files, FirmwareCheckTest, testing::ValuesIn(CHECK_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FirmwareCheckText, SaysWhichLineAndWhy)
{
    EXPECT_EQ(firmwareProblemText({7, "the checksum is wrong"}),
              "line 7 is not a valid Intel HEX record: the checksum is wrong");
    EXPECT_EQ(firmwareProblemText({0, "the file holds no firmware data"}),
              "the file holds no firmware data");
}

std::string writeFile(const test::TempDir& dir, const std::string& name, const std::string& text)
{
    const std::string path = dir.file(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

class FirmwareLoadTest : public testing::Test {
protected:
    NullNotificationSink sink;
    MemorySerialLink link;
    ZAVSession session{sink};
    test::TempDir dir;
};

TEST_F(FirmwareLoadTest, SixteenByteRecordsMakeChunksOfTheLimitAtFullAddresses)
{
    // srec_cat pattern.bin -binary -offset 0x0802FC00 -o records16.a79 -intel -obs=16, where
    // byte i of the 2,100 in pattern.bin is i % 251; a type-4 record precedes 0x08030000.
    ASSERT_TRUE(session.loadFirmware(QUILLAN_TEST_DATA_DIR "/firmware/records16.a79"));
    const auto chunks = session.firmwareChunks();
    ASSERT_EQ(chunks.size(), 3u);
    const uint32_t addresses[] = {0x0802FC00, 0x08030000, 0x08030400};
    const size_t sizes[] = {1024, 1024, 52};
    size_t offset = 0;
    for (size_t k = 0; k < chunks.size(); ++k) {
        EXPECT_EQ(chunks[k].address, addresses[k]);
        ASSERT_EQ(chunks[k].data.size(), sizes[k]);
        for (size_t i = 0; i < sizes[k]; ++i, ++offset) {
            ASSERT_EQ(chunks[k].data[i], offset % 251) << "byte " << offset;
        }
    }
}

TEST_F(FirmwareLoadTest, FileThatCannotBeOpenedLoadsNothingAndSendsNothing)
{
    ASSERT_TRUE(dir.valid());
    session.setPort(&link);
    ASSERT_TRUE(link.open("ttyUSB0"));
    const std::string good = writeFile(dir, "good.a79", ":040000001122334452\n");
    ASSERT_TRUE(session.loadFirmware(good));

    EXPECT_FALSE(session.loadFirmware(dir.file("missing.a79")));
    EXPECT_FALSE(session.loadFirmware(dir.path().string()));
    EXPECT_EQ(chunksOf(session.firmwareChunks()), (Chunks{{0x0000, {0x11, 0x22, 0x33, 0x44}}}));
    EXPECT_TRUE(link.written().empty());
    EXPECT_EQ(session.lastFlash(), std::nullopt);
}

TEST_F(FirmwareLoadTest, EachFileStartsFromExtendedAddressZeroAndAppends)
{
    ASSERT_TRUE(dir.valid());
    const std::string high = writeFile(dir, "high.a79", ":020000040802F0\n:040000001122334452\n");
    const std::string low = writeFile(dir, "low.a79", ":0400100099AABBCC22\n");
    ASSERT_TRUE(session.loadFirmware(high));
    ASSERT_TRUE(session.loadFirmware(low));
    EXPECT_EQ(chunksOf(session.firmwareChunks()),
              (Chunks{{0x08020000, {0x11, 0x22, 0x33, 0x44}}, {0x0010, {0x99, 0xAA, 0xBB, 0xCC}}}));

    session.clearFirmware();
    EXPECT_TRUE(session.firmwareChunks().empty());
}

} // namespace
