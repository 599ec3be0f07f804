#include "device/FirmwareVersion.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>

using quillan::device::FirmwareVersion;

namespace {

struct VersionCase {
    const char* name;
    const char* text;
    unsigned major, minor, build;
    bool block9, blocks23And24;
};

void PrintTo(const VersionCase& c, std::ostream* os)
{
    *os << c.name;
}

const VersionCase VERSION_CASES[] = {
    {"FirstWithAllBlocks", "1.5.0.14", 1, 5, 14, true, true},
    {"NewMajorWithoutMinor", "2.0.0.0", 2, 0, 0, true, false},
    {"OlderThanBoth", "1.4.2.13", 1, 4, 13, false, false},
    // Two parts: the build is read after the first full stop, the minor is missing.
    {"TwoParts", "1.5", 1, 0, 5, false, false},
    // No full stop: no major, and the build is the whole number.
    {"NumberOnly", "7", 0, 0, 7, false, false},
    {"NumberOnlyFromFourteen", "14", 0, 0, 14, true, false},
    // Three parts: the build comes from the start of the text.
    {"ThreeParts", "1.6.3", 1, 6, 1, false, true},
    {"TrailingText", "1.5.0.14beta", 1, 5, 14, true, true},
    {"PartsWithoutDigits", "x.y.z.w", 0, 0, 0, false, false},
    {"Empty", "", 0, 0, 0, false, false},
    {"HugeNumberSaturates", "1.5.0.99999999999", 1, 5, 4294967295u, true, true},
};

class FirmwareVersionTest : public testing::TestWithParam<VersionCase> {};

TEST_P(FirmwareVersionTest, NumbersAndBlocks)
{
    const VersionCase& c = GetParam();
    const FirmwareVersion v = FirmwareVersion::parse(c.text);
    EXPECT_EQ(v.major, c.major);
    EXPECT_EQ(v.minor, c.minor);
    EXPECT_EQ(v.build, c.build);
    EXPECT_EQ(v.hasBlock9(), c.block9);
    EXPECT_EQ(v.hasBlocks23And24(), c.blocks23And24);
}

INSTANTIATE_TEST_SUITE_P(Texts, FirmwareVersionTest, testing::ValuesIn(VERSION_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
