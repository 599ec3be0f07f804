// The packed project file: 4-byte unpacked size, LZMA properties 5D 00 00 00 01,
// raw LZMA1 stream without end marker. Checked against itself, against xz as an independent
// LZMA implementation in both directions, and against hostile buffers from a device.
#include "device/ProjectPacking.h"

#include "device/ProjectPackingAllocator.h"
#include "support/CountingLzmaAllocator.h"
#include "support/PackedSizeInputs.h"
#include "support/TempDir.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/wait.h>

using namespace quillan::device;
using quillan::test::CountingLzmaAllocator;
using quillan::test::inputPackingTo;
using quillan::test::randomBytes;
using quillan::test::TempDir;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

Bytes textBytes(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

Bytes plantProject()
{
    return readFile(std::string(QUILLAN_TEST_DATA_DIR) + "/projects/plant.zavproj");
}

Bytes le32(uint32_t v)
{
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

Bytes withSize(Bytes packed, uint32_t size)
{
    const Bytes b = le32(size);
    std::copy(b.begin(), b.end(), packed.begin());
    return packed;
}

Bytes packOk(const Bytes& data)
{
    PackResult r = compressBuffer(data);
    EXPECT_EQ(r.status, 0);
    return r.packed;
}

// Runs a shell command and returns its exit status and standard output.
struct CommandOutput {
    int exitStatus = -1;
    Bytes out;
};
CommandOutput run(const std::string& command)
{
    CommandOutput result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    uint8_t buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.out.insert(result.out.end(), buffer, buffer + n);
    }
    const int status = ::pclose(pipe);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string quoted(const std::string& path)
{
    return "'" + path + "'";
}

// Our layout rewritten as a classic .lzma file: properties, 8-byte size, stream.
Bytes toLzmaAlone(const Bytes& packed)
{
    Bytes file(packed.begin() + 4, packed.begin() + 9);
    const Bytes size = le32(static_cast<uint32_t>(packed[0] | packed[1] << 8 | packed[2] << 16 |
                                                  uint32_t{packed[3]} << 24));
    file.insert(file.end(), size.begin(), size.end());
    file.insert(file.end(), 4, 0x00);
    file.insert(file.end(), packed.begin() + 9, packed.end());
    return file;
}

// A .lzma file from xz (end marker, size unknown) turned into our layout.
Bytes fromLzmaAlone(const Bytes& file, uint32_t size)
{
    return concat(
        {le32(size), Bytes(file.begin(), file.begin() + 5), Bytes(file.begin() + 13, file.end())});
}

// What xz --format=lzma makes of data with the given --lzma1 options.
Bytes xzCompressed(const TempDir& dir, const Bytes& data, const std::string& lzma1Options)
{
    writeFile(dir.file("input"), data);
    const CommandOutput xz = run("xz --format=lzma --lzma1=" + lzma1Options + " -c " +
                                 quoted(dir.file("input")) + " 2>/dev/null");
    EXPECT_EQ(xz.exitStatus, 0) << "xz (xz-utils, scripts/install-deps.sh) is needed";
    EXPECT_GE(xz.out.size(), 13u);
    return xz.out;
}

struct Sample {
    const char* name;
    Bytes (*make)();
};

const Sample SAMPLES[] = {
    {"empty", [] { return Bytes{}; }},
    {"oneByte", [] { return Bytes{0x42}; }},
    {"text",
     [] {
         std::string text;
         for (int i = 0; i < 200; ++i) {
             text += "Gateway_" + std::to_string(i % 17) + " imports VIN from Base; ";
         }
         return textBytes(text);
     }},
    {"randomIncompressible", [] { return randomBytes(20000, 7); }},
    {"plantProject", plantProject},
};

class PackRoundTrip : public ::testing::TestWithParam<Sample> {};

std::string sampleName(const ::testing::TestParamInfo<Sample>& info)
{
    return info.param.name;
}

} // namespace

TEST_P(PackRoundTrip, UnpacksToTheSameBytesAfterTheFixedHeader)
{
    const Bytes data = GetParam().make();
    if (std::string(GetParam().name) == "plantProject") {
        ASSERT_FALSE(data.empty());
    }
    const PackResult packed = compressBuffer(data);
    ASSERT_EQ(packed.status, 0);
    ASSERT_GT(packed.packed.size(), PACKED_HEADER_SIZE);
    EXPECT_EQ(Bytes(packed.packed.begin(), packed.packed.begin() + 4),
              le32(static_cast<uint32_t>(data.size())));
    EXPECT_EQ(Bytes(packed.packed.begin() + 4, packed.packed.begin() + 9),
              Bytes({0x5D, 0x00, 0x00, 0x00, 0x01}));
    // The range coder's first byte is always 0.
    EXPECT_EQ(packed.packed[9], 0x00);

    const UnpackResult unpacked = expandBuffer(packed.packed);
    ASSERT_EQ(unpacked.status, 0);
    EXPECT_EQ(unpacked.data, data);
}

// xz, a separate LZMA1 decoder, reads the stream given the classic .lzma header.
TEST_P(PackRoundTrip, XzDecodesThePackedStream)
{
    const TempDir dir;
    ASSERT_TRUE(dir.valid());
    const Bytes data = GetParam().make();
    writeFile(dir.file("packed.lzma"), toLzmaAlone(packOk(data)));
    const CommandOutput xz = run("xz --format=lzma -dc " + quoted(dir.file("packed.lzma")));
    ASSERT_EQ(xz.exitStatus, 0) << "xz (xz-utils, scripts/install-deps.sh) is needed";
    EXPECT_EQ(xz.out, data);
}

// xz writes an end marker (its .lzma header leaves the size unknown); one right after the
// announced size is accepted.
TEST_P(PackRoundTrip, UnpacksWhatXzPackedWithItsEndMarker)
{
    const TempDir dir;
    ASSERT_TRUE(dir.valid());
    const Bytes data = GetParam().make();
    const Bytes xz = xzCompressed(dir, data, "preset=6,lc=3,lp=0,pb=2,dict=16MiB");
    ASSERT_GE(xz.size(), 13u);
    EXPECT_EQ(Bytes(xz.begin(), xz.begin() + 13), Bytes({0x5D, 0x00, 0x00, 0x00, 0x01, 0xFF, 0xFF,
                                                         0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    const UnpackResult unpacked =
        expandBuffer(fromLzmaAlone(xz, static_cast<uint32_t>(data.size())));
    ASSERT_EQ(unpacked.status, 0);
    EXPECT_EQ(unpacked.data, data);
}

INSTANTIATE_TEST_SUITE_P(Samples, PackRoundTrip, ::testing::ValuesIn(SAMPLES), sampleName);

TEST(ProjectPacking, HeaderOfAThousandBytesIsWorkedOutByHand)
{
    Bytes data(1000);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 31 + (i >> 3));
    }
    const Bytes packed = packOk(data);
    ASSERT_GE(packed.size(), 9u);
    // 1000 = 0x3E8, little-endian; (pb 2 * 5 + lp 0) * 9 + lc 3 = 93 = 0x5D; 16 MiB = 0x01000000.
    EXPECT_EQ(Bytes(packed.begin(), packed.begin() + 9),
              Bytes({0xE8, 0x03, 0x00, 0x00, 0x5D, 0x00, 0x00, 0x00, 0x01}));
}

// Nothing packs to the header and the range coder's five flushed bytes; the header alone is
// refused on unpacking, as the LZMA SDK's decoder refuses a stream shorter than five bytes.
TEST(ProjectPacking, EmptyInputPacksToFourteenBytes)
{
    EXPECT_EQ(packOk({}), Bytes({0x00, 0x00, 0x00, 0x00, 0x5D, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
                                 0x00, 0x00, 0x00}));
    const UnpackResult headerOnly =
        expandBuffer(Bytes{0x00, 0x00, 0x00, 0x00, 0x5D, 0x00, 0x00, 0x00, 0x01});
    EXPECT_EQ(headerOnly.status, PACK_ERROR_INPUT_EOF);
}

TEST(ProjectPacking, PackingIsDeterministic)
{
    const Bytes data = plantProject();
    EXPECT_EQ(packOk(data), packOk(data));
}

// The encoder's dictionary follows the input: a project-sized input costs a few MiB, not the
// ~185 MiB of a 16 MiB dictionary.
TEST(ProjectPacking, EncoderMemoryFollowsTheInputSize)
{
    CountingLzmaAllocator small;
    ASSERT_EQ(compressBuffer(plantProject(), small.allocator()).status, 0);
    EXPECT_GT(small.peak(), 0u);
    EXPECT_LT(small.peak(), 8u << 20) << small.peak();
    EXPECT_EQ(small.current(), 0u);

    // 1 MiB of text: a 1 MiB dictionary, some 12.5 MiB in all.
    Bytes text;
    while (text.size() < (1u << 20)) {
        const std::string line = "Gateway_" + std::to_string(text.size() % 977) + " VIN Level; ";
        text.insert(text.end(), line.begin(), line.end());
    }
    CountingLzmaAllocator large;
    ASSERT_EQ(compressBuffer(text, large.allocator()).status, 0);
    EXPECT_LT(large.peak(), 16u << 20) << large.peak();
    EXPECT_EQ(large.current(), 0u);
}

TEST(ProjectPacking, InputAboveTheUnpackedLimitIsNotPacked)
{
    const Bytes tooLarge(size_t{UNPACKED_SIZE_LIMIT} + 1);
    const PackResult r = compressBuffer(tooLarge);
    EXPECT_EQ(r.status, PACK_ERROR_PARAM);
    EXPECT_TRUE(r.packed.empty());
}

// Other LZMA1 properties are honoured: a stream that xz wrote with lc 1, lp 2, pb 1 and a
// 64 KiB dictionary.
TEST(ProjectPacking, OtherValidPropertiesAreHonoured)
{
    const TempDir dir;
    ASSERT_TRUE(dir.valid());
    const Bytes data = plantProject();
    const Bytes xz = xzCompressed(dir, data, "preset=6,lc=1,lp=2,pb=1,dict=64KiB");
    ASSERT_GE(xz.size(), 13u);
    EXPECT_EQ(Bytes(xz.begin(), xz.begin() + 5),
              Bytes({(1 * 5 + 2) * 9 + 1, 0x00, 0x00, 0x01, 0x00}));
    const UnpackResult unpacked =
        expandBuffer(fromLzmaAlone(xz, static_cast<uint32_t>(data.size())));
    ASSERT_EQ(unpacked.status, 0);
    EXPECT_EQ(unpacked.data, data);
}

TEST(ProjectPacking, PropertiesThatAreNoLzma1SetAreRefused)
{
    const Bytes packed = packOk(plantProject());
    // 225 and above encode no lc/lp/pb; lc 4 with lp 1 (lc + lp > 4) liblzma cannot decode.
    for (const uint8_t byte : {uint8_t{225}, uint8_t{0xFF}, uint8_t{(2 * 5 + 1) * 9 + 4}}) {
        Bytes bad = packed;
        bad[4] = byte;
        const UnpackResult r = expandBuffer(bad);
        EXPECT_EQ(r.status, PACK_ERROR_UNSUPPORTED) << int{byte};
        EXPECT_TRUE(r.data.empty());
    }
}

// An end marker is accepted right after the announced size and nowhere else.
TEST(ProjectPacking, AnEndMarkerOnlyRightAfterTheAnnouncedSize)
{
    const TempDir dir;
    ASSERT_TRUE(dir.valid());
    const Bytes data = plantProject();
    const Bytes xz = xzCompressed(dir, data, "preset=6,lc=3,lp=0,pb=2,dict=16MiB");
    const auto size = static_cast<uint32_t>(data.size());
    EXPECT_EQ(expandBuffer(fromLzmaAlone(xz, size)).status, 0);
    for (const uint32_t announced : {size - 1, size + 1, 0u}) {
        const UnpackResult r = expandBuffer(fromLzmaAlone(xz, announced));
        EXPECT_NE(r.status, 0) << announced;
        EXPECT_TRUE(r.data.empty()) << announced;
    }
}

TEST(ProjectPackingHostile, BuffersShorterThanTheHeader)
{
    const Bytes packed = packOk(plantProject());
    for (size_t n = 0; n < PACKED_HEADER_SIZE; ++n) {
        const UnpackResult r = expandBuffer(std::span(packed).first(n));
        EXPECT_EQ(r.status, PACK_ERROR_INPUT_EOF) << n;
        EXPECT_TRUE(r.data.empty()) << n;
    }
}

// 4 GB announced: refused before anything is allocated, whatever the dictionary says.
TEST(ProjectPackingHostile, ClaimOfFourGigabytesIsRefusedBeforeAllocating)
{
    const Bytes packed = packOk(plantProject());
    const Bytes stream(packed.begin() + 9, packed.end());
    for (const Bytes& properties :
         {Bytes{0x5D, 0x00, 0x00, 0x00, 0x01}, Bytes{0x5D, 0xFF, 0xFF, 0xFF, 0xFF}}) {
        for (const uint32_t claim : {0xFFFF'FFFFu, 0xF000'0000u, UNPACKED_SIZE_LIMIT + 1}) {
            CountingLzmaAllocator counting;
            const UnpackResult r =
                expandBuffer(concat({le32(claim), properties, stream}), counting.allocator());
            EXPECT_EQ(r.status, PACK_ERROR_PARAM);
            EXPECT_TRUE(r.data.empty());
            EXPECT_EQ(r.data.capacity(), 0u);
            EXPECT_EQ(counting.allocations(), 0u);
        }
    }
}

// At the limit itself a short stream is decoded and found short, with liblzma holding the
// announced 16 MiB dictionary at most (far below 100 MB) and the output never grown far.
TEST(ProjectPackingHostile, ClaimAtTheLimitWithAShortStreamStaysSmall)
{
    const Bytes packed = packOk(plantProject());
    CountingLzmaAllocator counting;
    const UnpackResult r =
        expandBuffer(withSize(packed, UNPACKED_SIZE_LIMIT), counting.allocator());
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.data.empty());
    EXPECT_LE(counting.peak(), (16u << 20) + (1u << 20));
    EXPECT_EQ(counting.current(), 0u);
}

// A dictionary announced at 4 GiB is bounded by the output: a 2,914-byte project costs liblzma
// little more than its 4 KiB minimum dictionary and the probability tables.
TEST(ProjectPackingHostile, HostileDictionarySizeIsBoundedByTheOutput)
{
    const Bytes data = plantProject();
    Bytes packed = packOk(data);
    for (size_t i = 5; i < 9; ++i) {
        packed[i] = 0xFF;
    }
    CountingLzmaAllocator counting;
    const UnpackResult r = expandBuffer(packed, counting.allocator());
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.data, data);
    EXPECT_LT(counting.peak(), 256u << 10) << counting.peak();
}

TEST(ProjectPackingHostile, EveryTruncatedStreamFails)
{
    const Bytes packed = packOk(plantProject());
    for (size_t n = PACKED_HEADER_SIZE; n < packed.size(); ++n) {
        const UnpackResult r = expandBuffer(std::span(packed).first(n));
        EXPECT_NE(r.status, 0) << n;
        EXPECT_TRUE(r.data.empty()) << n;
    }
}

TEST(ProjectPackingHostile, StreamDecodingToAnotherLengthThanAnnounced)
{
    const Bytes data = plantProject();
    const Bytes packed = packOk(data);
    const auto size = static_cast<uint32_t>(data.size());
    for (const uint32_t announced : {size + 1, size + 1000, size - 1, size / 2, 1u}) {
        const UnpackResult r = expandBuffer(withSize(packed, announced));
        EXPECT_NE(r.status, 0) << announced;
        EXPECT_TRUE(r.data.empty()) << announced;
    }
    EXPECT_EQ(expandBuffer(withSize(packed, size + 1)).status, PACK_ERROR_INPUT_EOF);
}

TEST(ProjectPackingHostile, SizeZeroWithAStream)
{
    const UnpackResult r = expandBuffer(withSize(packOk(plantProject()), 0));
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.data.empty());
}

TEST(ProjectPackingHostile, GarbageAfterTheStream)
{
    for (const Bytes& data : {Bytes{}, textBytes("x"), plantProject()}) {
        const Bytes packed = packOk(data);
        for (const Bytes& garbage : {Bytes{0x00}, Bytes{0x55}, Bytes(100, 0xAA), packed}) {
            const UnpackResult r = expandBuffer(concat({packed, garbage}));
            EXPECT_EQ(r.status, PACK_ERROR_DATA) << data.size() << " + " << garbage.size();
            EXPECT_TRUE(r.data.empty());
        }
    }
}

TEST(ProjectPackingHostile, FlippedBytesNeverGiveWrongDataSilently)
{
    const Bytes data = plantProject();
    const Bytes packed = packOk(data);
    for (size_t i = PACKED_HEADER_SIZE; i < packed.size(); ++i) {
        Bytes bad = packed;
        bad[i] ^= 0x10;
        const UnpackResult r = expandBuffer(bad);
        // A changed stream may still decode to the announced length (LZMA has no check sum);
        // then the data is whole, else it is refused with nothing.
        if (r.status == 0) {
            EXPECT_EQ(r.data.size(), data.size()) << i;
        } else {
            EXPECT_TRUE(r.data.empty()) << i;
        }
    }
}

// The frame's limit: inputs packing to exactly 8186 and 8187 bytes, found by the helper that
// the store operation's tests use, always packing to the same length.
TEST(ProjectPacking, InputsPackingToTheFrameLimitAndOneMore)
{
    const auto fits = inputPackingTo(PACKED_PROJECT_LIMIT);
    const auto tooLarge = inputPackingTo(PACKED_PROJECT_LIMIT + 1);
    ASSERT_TRUE(fits.has_value());
    ASSERT_TRUE(tooLarge.has_value());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(packOk(*fits).size(), PACKED_PROJECT_LIMIT);
        EXPECT_EQ(packOk(*tooLarge).size(), PACKED_PROJECT_LIMIT + 1);
    }
    for (const Bytes& input : {*fits, *tooLarge}) {
        const UnpackResult back = expandBuffer(packOk(input));
        ASSERT_EQ(back.status, 0);
        EXPECT_EQ(back.data, input);
    }
    // The lengths that liblzma 5.4 packs to 8186 and 8187 bytes: this pins the seed's stream
    // and the encoder's settings (another liblzma may pack a byte differently; the helper then
    // finds other lengths and the checks above still hold).
    if (lzma_version_number() / 10000 == 5004) {
        EXPECT_EQ(fits->size(), 8072u);
        EXPECT_EQ(tooLarge->size(), 8073u);
    }
}
