#include "device/ConfigPortLine.h"

#include "model/Text.h"

#include <limits>

namespace quillan::device {

namespace {

template <typename Field>
void take(ConfigPortLine& read, const char* name, std::int32_t stored, std::int32_t lowest,
          std::int32_t highest, const char* range, Field& field)
{
    if (stored >= lowest && stored <= highest) {
        field = static_cast<Field>(stored);
        return;
    }
    if (!read.refused.empty()) {
        read.refused += "; ";
    }
    read.refused += strprintf("%s %d is not %s (default %u)", name, static_cast<int>(stored), range,
                              static_cast<unsigned>(field));
}

} // namespace

ConfigPortLine configPortLine(std::int32_t baudRate, std::int32_t dataBits, std::int32_t parity,
                              std::int32_t stopBits)
{
    // The defaults the settings are initialised with; the same line a device operation uses.
    ConfigPortLine read{DEVICE_LINE_SETTINGS, {}};
    take(read, "configBaudRate", baudRate, 1, std::numeric_limits<std::int32_t>::max(),
         "a baud rate", read.line.baudRate);
    take(read, "configDataBits", dataBits, 5, 8, "5 to 8", read.line.dataBits);
    take(read, "configParity", parity, PARITY_NONE, PARITY_SPACE, "0 to 4", read.line.parity);
    take(read, "configStopBits", stopBits, STOP_BITS_ONE, STOP_BITS_TWO, "0 to 2",
         read.line.stopBits);
    return read;
}

} // namespace quillan::device
