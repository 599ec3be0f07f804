#include "model/Text.h"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <optional>
#include <vector>

namespace quillan {

std::string strprintf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    std::array<char, 256> small{};
    const int needed = std::vsnprintf(small.data(), small.size(), format, args);
    va_end(args);
    std::string result;
    if (needed < 0) {
        va_end(copy);
        return result;
    }
    if (static_cast<size_t>(needed) < small.size()) {
        result.assign(small.data(), static_cast<size_t>(needed));
    } else {
        std::vector<char> big(static_cast<size_t>(needed) + 1);
        std::vsnprintf(big.data(), big.size(), format, copy);
        result.assign(big.data(), static_cast<size_t>(needed));
    }
    va_end(copy);
    return result;
}

namespace {

// Code points of 0x80..0x9F in Windows-1252; 0 marks the five unassigned bytes.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t cp1252ToCodePoint(unsigned char c)
{
    if (c >= 0x80 && c < 0xA0) {
        const char16_t mapped = kHighTable[c - 0x80];
        // Unassigned bytes pass through as the C1 control of the same value, so they survive
        // a round trip through UTF-8.
        return mapped != 0 ? mapped : c;
    }
    return c;
}

char codePointToCp1252(char32_t cp)
{
    if (const auto code = cp1252Code(cp)) {
        return static_cast<char>(*code);
    }
    // The C1 controls of the unassigned bytes are what cp1252ToUtf8 made of them.
    if (cp >= 0x80 && cp < 0xA0 && kHighTable[cp - 0x80] == 0) {
        return static_cast<char>(cp);
    }
    return '?';
}

// The code point of the UTF-8 sequence at text[at] and its length; none for a broken
// sequence, whose length is then 1.
std::optional<char32_t> decodeUtf8(std::string_view text, size_t at, size_t& length)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    char32_t cp = 0;
    length = 0;
    if (lead < 0x80) {
        length = 1;
        cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
    }
    bool valid = length != 0 && at + length <= text.size();
    for (size_t k = 1; valid && k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        valid = (next & 0xC0) == 0x80;
        cp = (cp << 6) | (next & 0x3F);
    }
    if (!valid) {
        length = 1;
        return std::nullopt;
    }
    return cp;
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::string cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        appendUtf8(out, cp1252ToCodePoint(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string utf8ToCp1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    size_t length = 0;
    for (size_t i = 0; i < text.size(); i += length) {
        const auto cp = decodeUtf8(text, i, length);
        out += cp ? codePointToCp1252(*cp) : '?';
    }
    return out;
}

std::string utf16ToCp1252(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        out += codePointToCp1252(cp);
    }
    return out;
}

std::optional<unsigned char> cp1252Code(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<unsigned char>(c);
    }
    for (size_t i = 0; i < kHighTable.size(); ++i) {
        if (kHighTable[i] != 0 && kHighTable[i] == c) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return std::nullopt;
}

std::optional<char32_t> firstCharacterOutsideCp1252(std::string_view utf8)
{
    size_t length = 0;
    for (size_t i = 0; i < utf8.size(); i += length) {
        const auto cp = decodeUtf8(utf8, i, length);
        if (!cp) {
            return U'\uFFFD';
        }
        if (!cp1252Code(*cp)) {
            return *cp;
        }
    }
    return std::nullopt;
}

std::string outsideCp1252Message(char32_t c)
{
    std::string shown;
    // A control character is named by its number only.
    if (c >= 0xA0 || (c > 0x20 && c < 0x7F)) {
        appendUtf8(shown, c);
        shown = "'" + shown + "' ";
    }
    return strprintf("%s(U+%04X) cannot be stored: project files hold only Windows-1252 "
                     "characters",
                     shown.c_str(), static_cast<unsigned>(c));
}

} // namespace quillan
