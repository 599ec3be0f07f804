#pragma once

#include <string>

namespace quillan {

// A node name as the tree's rename and the name boxes accept it: 1 to 63 characters of codes
// 33 to 127, none of them a shell-special character.
[[nodiscard]] inline bool isValidNodeName(const std::string& name)
{
    static constexpr char kRefused[] = "\\|&;<>()$`\"'*?[#~=%:/.";
    if (name.empty() || name.size() > 63) {
        return false;
    }
    for (const char c : name) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 33 || code > 127 || std::string(kRefused).find(c) != std::string::npos) {
            return false;
        }
    }
    return true;
}

} // namespace quillan
