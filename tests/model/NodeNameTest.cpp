#include "model/NodeName.h"

#include <gtest/gtest.h>

using namespace quillan;

// Node names are Windows-1252: any code from 33 on passes but the shell-special characters
// and the five codes the code page leaves unassigned.
TEST(NodeName, CodesFrom33OnAreNameCharacters)
{
    struct Case {
        char32_t c;
        bool accepted;
    };
    const Case cases[] = {
        {U' ', false},      {U'!', true},       {U'~', false},      {U'.', false},
        {U'-', true},       {U'\x7F', true},    {U'\u00FC', true},  {U'\u00B0', true},
        {U'\u00E2', true},  {U'\u20AC', true},  {U'\u2026', true},  {U'\u00FF', true},
        {U'\u0081', false}, {U'\u009D', false}, {U'\u03A9', false}, {U'\U0001F600', false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isNodeNameCharacter(c.c), c.accepted) << std::hex << unsigned(c.c);
    }
}

TEST(NodeName, ValidNamesAreOneTo63NameCodes)
{
    EXPECT_TRUE(isValidNodeName("M\xFCnster"));
    EXPECT_TRUE(isValidNodeName("B\xE2timent-2"));
    EXPECT_TRUE(isValidNodeName("Zone\xB0-3"));
    EXPECT_TRUE(isValidNodeName(std::string(63, '\xE9')));
    EXPECT_FALSE(isValidNodeName(std::string(64, '\xE9')));
    EXPECT_FALSE(isValidNodeName(""));
    EXPECT_FALSE(isValidNodeName("Zone 3"));
    EXPECT_FALSE(isValidNodeName("a\x8Dz")); // unassigned
    EXPECT_FALSE(isValidNodeName("?mega"));  // what a character outside the set became
}
