#include "device/OutputLine.h"

#include "model/Text.h"

#include <ctime>

namespace quillan::device {

LineTime LineTime::local(std::chrono::system_clock::time_point at)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
    std::tm tm{};
    localtime_r(&seconds, &tm);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch());
    return {tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms.count() % 1000)};
}

std::string stampedLine(const LineTime& at, const std::string& text)
{
    const std::string stamp =
        strprintf("%02d:%02d:%02d.%03d-", at.hour, at.minute, at.second, at.millisecond);
    return strprintf("%s %s", stamp.c_str(), text.c_str());
}

} // namespace quillan::device
