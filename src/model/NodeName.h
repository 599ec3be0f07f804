#pragma once

#include "model/Text.h"

#include <string>
#include <string_view>

namespace quillan {

// A byte a node name may hold (names are Windows-1252): code 33 or more, not a shell-special
// character, and not one of the five codes the code page leaves unassigned.
[[nodiscard]] constexpr bool isNodeNameCode(unsigned char code)
{
    constexpr std::string_view refused = "\\|&;<>()$`\"'*?[#~=%:/.";
    constexpr std::string_view unassigned = "\x81\x8D\x8F\x90\x9D";
    return code >= 33 && refused.find(static_cast<char>(code)) == std::string_view::npos &&
           unassigned.find(static_cast<char>(code)) == std::string_view::npos;
}

// A character typed into a node name: one whose Windows-1252 code is a name code.
[[nodiscard]] inline bool isNodeNameCharacter(char32_t c)
{
    const auto code = cp1252Code(c);
    return code && isNodeNameCode(*code);
}

inline constexpr std::size_t kMaxNodeNameLength = 63;

// A node name (Windows-1252) as the tree's rename and the name boxes accept it: 1 to 63 name
// codes.
[[nodiscard]] inline bool isValidNodeName(const std::string& name)
{
    if (name.empty() || name.size() > kMaxNodeNameLength) {
        return false;
    }
    for (const char c : name) {
        if (!isNodeNameCode(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

} // namespace quillan
