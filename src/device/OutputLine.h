#pragma once

#include <chrono>
#include <string>

namespace quillan::device {

// Local time of day of an output line.
struct LineTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    [[nodiscard]] static LineTime local(std::chrono::system_clock::time_point at);
};

// A line of the output window: "09:05:03.007- Connected."; a line without text keeps the
// stamp and its space.
[[nodiscard]] std::string stampedLine(const LineTime& at, const std::string& text);

} // namespace quillan::device
