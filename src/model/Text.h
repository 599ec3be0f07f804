#pragma once

#include <cstdint>
#include <optional>
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

// The Windows-1252 code of a character the user gives; none for a character the 8-bit set
// has no code for, the C1 controls among them.
[[nodiscard]] std::optional<unsigned char> cp1252Code(char32_t c);
// The first character of a UTF-8 text that has no Windows-1252 code (a broken sequence
// counts as U+FFFD); none when the text can be stored as it is.
[[nodiscard]] std::optional<char32_t> firstCharacterOutsideCp1252(std::string_view utf8);
// Why a text holding that character is refused, in UTF-8.
[[nodiscard]] std::string outsideCp1252Message(char32_t c);

} // namespace quillan
