#include "settings/VelFile.h"

#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace quillan;
using quillan::test::TempDir;

namespace {

using quillan::test::PrintTo;

struct OpenCase {
    const char* label;
    std::uint32_t mode;
    bool fileExists;
    bool opens;
    const char* contentAfterWritingX; // nullptr: the file must not exist afterwards
};

class VelFileOpen : public ::testing::TestWithParam<OpenCase> {};

TEST_P(VelFileOpen, FollowsTheCreateAndAccessBits)
{
    TempDir dir;
    ASSERT_TRUE(dir.valid());
    const std::string path = dir.file("f.bin");
    if (GetParam().fileExists) {
        test::writeAll(path, "old");
    }

    VelFile file;
    EXPECT_EQ(file.open(path, GetParam().mode), GetParam().opens);
    EXPECT_EQ(file.isOpen(), GetParam().opens);
    EXPECT_EQ(file.fileName(), path); // kept on failure as well
    file.write("X", 1);
    file.close();

    if (GetParam().contentAfterWritingX == nullptr) {
        EXPECT_FALSE(std::filesystem::exists(path));
    } else {
        EXPECT_EQ(test::readAll(path), GetParam().contentAfterWritingX);
    }
}

INSTANTIATE_TEST_SUITE_P(
    VelFile, VelFileOpen,
    ::testing::Values(
        OpenCase{"MustExistMissing", VelFile::modeWrite, false, false, nullptr},
        OpenCase{"MustExistPresent", VelFile::modeWrite, true, true, "Xld"},
        OpenCase{"CreateEmptiesExisting", VelFile::modeWrite | VelFile::modeCreate, true, true,
                 "X"},
        OpenCase{"CreateKeepsExisting",
                 VelFile::modeWrite | VelFile::modeCreate | VelFile::modeNoTruncate, true, true,
                 "Xld"},
        OpenCase{"CreateKeepMissing",
                 VelFile::modeWrite | VelFile::modeCreate | VelFile::modeNoTruncate, false, true,
                 "X"},
        OpenCase{"ReadOnlyDoesNotWrite", VelFile::modeRead, true, true, "old"},
        OpenCase{"ShareAndInheritBitsAccepted",
                 VelFile::modeReadWrite | VelFile::shareExclusive | VelFile::modeNoInherit, true,
                 true, "Xld"},
        OpenCase{"UnknownAccessRefused", 0x0003 | VelFile::modeCreate, false, false, nullptr}),
    test::CaseLabel());

TEST(VelFile, SeekLengthAndReadBack)
{
    TempDir dir;
    ASSERT_TRUE(dir.valid());
    VelFile file;
    ASSERT_TRUE(file.open(dir.file("f.bin"), VelFile::modeReadWrite | VelFile::modeCreate));

    EXPECT_EQ(file.write("0123456789", 10), 10U);
    EXPECT_EQ(file.getPosition(), 10);
    EXPECT_EQ(file.seek(-4, VelFile::SeekOrigin::current), 6);
    EXPECT_EQ(file.getLength(), 10);
    EXPECT_EQ(file.getPosition(), 6); // getLength puts the position back

    char buffer[8] = {};
    EXPECT_EQ(file.read(buffer, sizeof buffer), 4U); // stops at the end
    EXPECT_EQ(std::string(buffer, 4), "6789");
    EXPECT_EQ(file.read(buffer, 0), 0U);

    EXPECT_TRUE(file.setLength(3));
    EXPECT_EQ(file.getLength(), 3);
    EXPECT_EQ(file.seek(0, VelFile::SeekOrigin::end), 3);
    EXPECT_EQ(file.seek(1, VelFile::SeekOrigin::begin), 1);
}

TEST(VelFile, AbortKeepsTheOpenFlagAndCloseClearsIt)
{
    TempDir dir;
    ASSERT_TRUE(dir.valid());
    VelFile file;
    ASSERT_TRUE(file.open(dir.file("f.bin"), VelFile::modeWrite | VelFile::modeCreate));

    file.abort();
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(file.fileName(), "");
    EXPECT_EQ(file.write("x", 1), 0U);
    EXPECT_EQ(file.getPosition(), VelFile::kInvalidPosition);

    file.close();
    EXPECT_FALSE(file.isOpen());
}

TEST(VelFile, NamesAreWindows1252)
{
    TempDir dir;
    ASSERT_TRUE(dir.valid());
    VelFile file;
    ASSERT_TRUE(file.open(dir.file("Prot\xE9g\xE9.log"), VelFile::modeWrite | VelFile::modeCreate));
    EXPECT_TRUE(std::filesystem::exists(dir.file("Prot\xC3\xA9g\xC3\xA9.log")));
}

} // namespace
