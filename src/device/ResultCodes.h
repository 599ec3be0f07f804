#pragma once

#include <cstdint>
#include <string>

namespace quillan::device {

// Whom a result line is about.
struct ResultSubject {
    std::string nodeName;
    // The node class's display name ("ZAV Gateway Module" for a gateway) and the type code of
    // the device that answered; only the codes about a wrong kind of device name them.
    std::string classDisplayName;
    uint16_t deviceType = 0;
};

// The format of a result code's output line; null for a code without text.
[[nodiscard]] const char* resultFormat(int code);

// The output line that reports a result code of a device operation; empty for a code without
// text. Texts are in the 8-bit character set.
[[nodiscard]] std::string resultText(int code, const ResultSubject& subject);

} // namespace quillan::device
