#pragma once

#include "device/SerialLink.h"

#include <cstdint>
#include <string>

namespace quillan::device {

// The line the gateway's configuration port runs at while its debug output is shown, read
// from the four stored settings.
struct ConfigPortLine {
    LineSettings line;
    // Empty when every stored value was usable; otherwise each refused value with its range
    // and the default that stands in for it, as "configParity 258 is not 0 to 4 (default 0)",
    // joined by "; ".
    std::string refused;
};

// The stored values are passed as they are, so that a value no line can take (a parity of
// 258, a baud rate of 0) is refused and replaced by its default (57600 baud, 8 data bits, no
// parity, one stop bit) rather than truncated into another setting.
[[nodiscard]] ConfigPortLine configPortLine(std::int32_t baudRate, std::int32_t dataBits,
                                            std::int32_t parity, std::int32_t stopBits);

} // namespace quillan::device
