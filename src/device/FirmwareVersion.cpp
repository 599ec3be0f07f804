#include "device/FirmwareVersion.h"

#include <limits>
#include <optional>

namespace quillan::device {

namespace {

// The leading decimal digits of text from pos, 0 without any; a number too large for the
// type stays at its largest value.
unsigned leadingNumber(std::string_view text, size_t pos)
{
    unsigned value = 0;
    constexpr unsigned kMax = std::numeric_limits<unsigned>::max();
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        const auto digit = static_cast<unsigned>(text[pos] - '0');
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return value;
}

// The next full stop after a found one; a search without a start (the previous one found
// nothing) begins at the start of the text again.
std::optional<size_t> nextStop(std::string_view text, std::optional<size_t> after)
{
    const size_t pos = text.find('.', after ? *after + 1 : 0);
    return pos == std::string_view::npos ? std::nullopt : std::optional<size_t>(pos);
}

} // namespace

FirmwareVersion FirmwareVersion::parse(std::string_view text)
{
    const auto p1 = nextStop(text, std::nullopt);
    const auto p2 = nextStop(text, p1);
    const auto p3 = nextStop(text, p2);
    FirmwareVersion v;
    v.major = p1 ? leadingNumber(text, 0) : 0;
    v.minor = p2 ? leadingNumber(text, *p1 + 1) : 0;
    v.build = leadingNumber(text, p3 ? *p3 + 1 : 0);
    return v;
}

} // namespace quillan::device
