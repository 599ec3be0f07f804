#pragma once

#include <string>
#include <string_view>

namespace quillan {

// A character a node name may hold: codes 33 to 127, none of them shell-special.
[[nodiscard]] constexpr bool isNodeNameCharacter(char32_t c)
{
    constexpr std::string_view refused = "\\|&;<>()$`\"'*?[#~=%:/.";
    return c >= 33 && c <= 127 && refused.find(static_cast<char>(c)) == std::string_view::npos;
}

inline constexpr std::size_t kMaxNodeNameLength = 63;

// A node name as the tree's rename and the name boxes accept it: 1 to 63 name characters.
[[nodiscard]] inline bool isValidNodeName(const std::string& name)
{
    if (name.empty() || name.size() > kMaxNodeNameLength) {
        return false;
    }
    for (const char c : name) {
        if (!isNodeNameCharacter(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

} // namespace quillan
