#pragma once

#include <string_view>

namespace quillan::device {

// The numbers of a gateway's firmware version text ("major.minor.third.build") as the device
// session reads them to learn which optional blocks the gateway keeps. The reading is
// deliberately loose, the way gateways in the field have always been judged: a part is its
// leading digits (none read as 0), a missing part reads as 0, and a text with fewer than three
// full stops takes its build from the text after the first full stop, or from its start.
struct FirmwareVersion {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;

    [[nodiscard]] static FirmwareVersion parse(std::string_view text);

    // Firmware that keeps block 9.
    [[nodiscard]] bool hasBlock9() const { return major > 1 || build >= 14; }
    // Firmware that keeps blocks 23 and 24.
    [[nodiscard]] bool hasBlocks23And24() const { return major >= 1 && minor >= 5; }
};

} // namespace quillan::device
