#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Texts in the model are held in the program's 8-bit character set (Windows-1252), the
// encoding of project files; the UI and the terminal see UTF-8.
namespace quillan {

// printf-style formatting into a std::string.
[[nodiscard]] std::string strprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

[[nodiscard]] std::string cp1252ToUtf8(std::string_view text);
// Characters outside Windows-1252 become '?'.
[[nodiscard]] std::string utf8ToCp1252(std::string_view text);
[[nodiscard]] std::string utf16ToCp1252(std::u16string_view text);

} // namespace quillan
