#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillan::device {

// Turns the bytes the gateway sends on its configuration port into text lines: a line feed
// ends a line, carriage returns and other control bytes are dropped, and an unfinished line
// waits for the next bytes.
class DebugLineAssembler {
public:
    template <class OnLine> void feed(const uint8_t* bytes, size_t count, OnLine&& onLine)
    {
        for (size_t i = 0; i < count; ++i) {
            const uint8_t byte = bytes[i];
            if (byte == '\n') {
                std::string line;
                line.swap(m_pending);
                onLine(std::move(line));
            } else if (byte >= 0x20) {
                m_pending.push_back(static_cast<char>(byte));
            }
        }
    }

    [[nodiscard]] const std::string& pending() const { return m_pending; }

private:
    std::string m_pending;
};

} // namespace quillan::device
