#include "model/Text.h"

#include <gtest/gtest.h>

using namespace quillan;

TEST(Text, Cp1252RoundTripsThroughUtf8)
{
    std::string all;
    for (int c = 1; c < 256; ++c) {
        all += static_cast<char>(c);
    }
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
    EXPECT_EQ(cp1252ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(cp1252ToUtf8("\xE9"), "\xC3\xA9");     // e acute
}

TEST(Text, CharactersOutsideCp1252BecomeQuestionMarks)
{
    EXPECT_EQ(utf8ToCp1252("a\xE2\x98\x83z"), "a?z");   // snowman
    EXPECT_EQ(utf16ToCp1252(u"Pl\u00e4nt \u2603 \U0001F600"), "Pl\xE4nt ? ?");
    EXPECT_EQ(utf8ToCp1252("\xC3"), "?"); // truncated sequence
}

TEST(Text, StrprintfGrowsBeyondItsSmallBuffer)
{
    EXPECT_EQ(strprintf("%03d|%s", 7, "x"), "007|x");
    const std::string longText(1000, 'a');
    EXPECT_EQ(strprintf("%s!", longText.c_str()), longText + "!");
}
