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

// The characters a user may give: Windows-1252 holds Latin-1 and the 27 characters it puts
// at 0x80 to 0x9F; nothing else, not even the C1 controls of its five unassigned codes.
TEST(Text, Cp1252CodesOfTypedCharacters)
{
    struct Case {
        char32_t c;
        int code; // -1: no code
    };
    const Case cases[] = {
        {U'A', 0x41},      {U'\u00FC', 0xFC},   {U'\u00B0', 0xB0}, {U'\u00FF', 0xFF},
        {U'\u00A0', 0xA0}, {U'\u20AC', 0x80},   {U'\u0152', 0x8C}, {U'\u2013', 0x96},
        {U'\u0178', 0x9F}, {U'\u0081', -1},     {U'\u0080', -1},   {U'\u03A9', -1},
        {U'\u2713', -1},   {U'\U0001F600', -1},
    };
    for (const Case& c : cases) {
        const auto code = cp1252Code(c.c);
        EXPECT_EQ(code ? int{*code} : -1, c.code) << std::hex << unsigned(c.c);
    }
}

TEST(Text, TheFirstCharacterOutsideCp1252IsNamed)
{
    EXPECT_EQ(firstCharacterOutsideCp1252("B\xC3\xA2timent-2 \xE2\x82\xAC"), std::nullopt);
    EXPECT_EQ(firstCharacterOutsideCp1252("M\xC3\xBCnster\xCE\xA9\xE2\x9C\x93"), U'\u03A9');
    EXPECT_EQ(firstCharacterOutsideCp1252("Pump\xF0\x9F\x98\x80"), U'\U0001F600');
    EXPECT_EQ(firstCharacterOutsideCp1252("a\xC3"), U'\uFFFD'); // truncated sequence
    EXPECT_EQ(outsideCp1252Message(U'\u03A9'),
              "'\xCE\xA9' (U+03A9) cannot be stored: project files hold only Windows-1252 "
              "characters");
    EXPECT_EQ(outsideCp1252Message(U'\u0081'),
              "(U+0081) cannot be stored: project files hold only Windows-1252 characters");
}
