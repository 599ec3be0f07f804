#include "device/ResultCodes.h"

#include "model/Node.h"
#include "model/Text.h"

#include <algorithm>
#include <array>

namespace quillan::device {

namespace {

struct ResultEntry {
    int code;
    const char* format;
};

// The whole code space, including the codes that belong to other device families and that no
// operation here raises; missing codes have no text. Sorted by code.
constexpr std::array kResults{
    ResultEntry{1, "%s - Store configuration failure."},
    ResultEntry{2, "%s - Configuration download Ok."},
    ResultEntry{3, "%s - Read command failure."},
    ResultEntry{4, "%s - Read command acknowledged."},
    ResultEntry{5, "%s - Monitor configuration failure."},
    ResultEntry{6, "%s - Radio configuration failure."},
    ResultEntry{7, "%s - Analog parameter configuration failure."},
    ResultEntry{8, "%s - Discrete I/O parameter configuration failure."},
    ResultEntry{9, "%s - Discrete parameter configuration failure."},
    ResultEntry{10, "%s - Level parameter configuration failure."},
    ResultEntry{11, "%s - Serial port configuration failure."},
    ResultEntry{12, "%s - Radio configuration failure."},
    ResultEntry{13, "%s - Analog parameter configuration failure."},
    ResultEntry{14, "%s - Discrete I/O parameter configuration failure."},
    ResultEntry{15, "%s - Point configuration failure."},
    ResultEntry{16, "%s - Import configuration failure."},
    ResultEntry{17, "%s - Export configuration failure."},
    ResultEntry{18, "%s - Modbus configuration failure."},
    ResultEntry{19, "%s - LevelMaster configuration failure."},
    ResultEntry{20, "%s - Serial port open failure."},
    ResultEntry{21, "%s - Device connection failure."},
    ResultEntry{22, "%s - Device negative acknowledge."},
    ResultEntry{23, "%s - Device reset failure."},
    ResultEntry{24, "%s - Unknown or no device response."},
    ResultEntry{25, "%s - %s update failure, a %s was detected."},
    ResultEntry{26, "%s - RTD Transmitter parameter configuration failure."},
    ResultEntry{27, "%s - Analog/Pressure Transmitter parameter configuration failure."},
    ResultEntry{32, "%s - %s connect failure, a %s was detected."},
    ResultEntry{33, "%s - PIO Module parameter configuration failure."},
    ResultEntry{35, "%s - Point limit (320) exceeded."},
    ResultEntry{36, "%s - Import limit (320) exceeded."},
    ResultEntry{37, "%s - Export limit (320) exceeded."},
    ResultEntry{38, "%s - Modbus Map limit (320) exceeded."},
    ResultEntry{39, "%s - Point limit (1920) exceeded."},
    ResultEntry{40, "%s - Import limit (1920) exceeded."},
    ResultEntry{41, "%s - Export limit (1920) exceeded."},
    ResultEntry{42, "%s - Modbus Map limit (1920) exceeded."},
    ResultEntry{43, "%s - Site Security Not Supported."},
    ResultEntry{44, "%s - Site Security Update Failure."},
    ResultEntry{45, "%s - Tag Configuration Update Failure."},
    ResultEntry{46, "%s - Site Security is Disabled."},
    ResultEntry{47, "%s - Site Security Key Updated."},
    ResultEntry{49, "%s - Configuration cancelled."},
    ResultEntry{50, "%s - Flow Totalizer parameter configuration failure."},
    ResultEntry{51, "%s - Polypoint Module PPIO configuration failure."},
    ResultEntry{52, "%s - Polypoint Module Modbus configuration failure."},
    ResultEntry{53, "%s - Polypoint Module Point configuration failure."},
    ResultEntry{54, "%s - Polypoint Module Point configuration failure."},
    ResultEntry{55, "%s - Wireless Digital I/O Module Point configuration failure."},
    ResultEntry{56, "%s - Wireless Digital I/O Module Point configuration failure."},
    ResultEntry{57, "%s - Wireless AIN Module Point configuration failure."},
    ResultEntry{64, "%s - Wireless AIN Module Point configuration failure."},
    ResultEntry{65, "%s - Could not write file to the device."},
    ResultEntry{66, "%s - File successfully uploaded."},
    ResultEntry{67, "%s - Gateway connect failure, a %s was detected."},
    ResultEntry{68, "%s - Could not read file from the device."},
    ResultEntry{69, "%s - File successfully downloaded."},
    ResultEntry{70, "%s - Could not read file from the device - bad format."},
    ResultEntry{71, "%s - RTD Transmitter wiring configuration failure."},
    ResultEntry{72, "%s - %s connect failure, LCD version %s detected."},
    ResultEntry{73, "%s - %s connect failure, non-LCD version %s detected."},
    ResultEntry{80, "%s - %s update failure, LCD version %s detected."},
    ResultEntry{81, "%s - %s update failure, non-LCD version %s detected."},
    ResultEntry{82, "%s - Ethernet services configuration failure."},
    ResultEntry{83, "%s - Ethernet configuration failure."},
    ResultEntry{84, "%s - Modbus Master TCP connection list configuration failure."},
    ResultEntry{86, "%s - Point Names configuration failure."},
    ResultEntry{87, "%s - Could not export event log file from the device."},
    ResultEntry{88, "%s - Event Log File successfully exported."},
    ResultEntry{89, "%s - Device Name configuration failure."},
    ResultEntry{90, "%s - Devices configuration failure."},
    ResultEntry{91, "%s - Imports Device failure."},
    ResultEntry{92, "%s - ROC Module configuration failure."},
    ResultEntry{93, "%s - ROC Point configuration failure."},
    ResultEntry{94, "%s - Could not export trend log file from the device."},
    ResultEntry{95, "%s - Trend Log File successfully exported."},
    ResultEntry{97, "%s - Trend Group configuration failure."},
    ResultEntry{98, "%s - Trend Axes configuration failure."},
    ResultEntry{99, "%s - Flow Totalizer rollover configuration failure."},
    ResultEntry{100, "%s - Hub3 connection has timed out and stopped."},
    ResultEntry{101, "%s - USB services configuration failure."},
    ResultEntry{102, "%s - Resistive Level parameter configuration failure."},
    ResultEntry{103, "%s - Tenpoint Transmitter parameter configuration failure."},
    ResultEntry{104, "%s - Tenpoint Transmitter Modbus configuration failure."},
};

static_assert(std::is_sorted(kResults.begin(), kResults.end(),
                             [](const ResultEntry& a, const ResultEntry& b) {
                                 return a.code < b.code;
                             }));

} // namespace

const char* resultFormat(int code)
{
    const auto it =
        std::lower_bound(kResults.begin(), kResults.end(), code,
                         [](const ResultEntry& entry, int wanted) { return entry.code < wanted; });
    return it != kResults.end() && it->code == code ? it->format : nullptr;
}

std::string resultText(int code, const ResultSubject& subject)
{
    const char* format = resultFormat(code);
    if (format == nullptr) {
        return {};
    }
    const std::string deviceName = getDeviceTypeName(subject.deviceType);
    switch (code) {
    case 25:
    case 32:
    case 72:
    case 73:
    case 80:
    case 81:
        return strprintf(format, subject.nodeName.c_str(), subject.classDisplayName.c_str(),
                         deviceName.c_str());
    case 67:
        return strprintf(format, subject.nodeName.c_str(), deviceName.c_str());
    default:
        return strprintf(format, subject.nodeName.c_str());
    }
}

} // namespace quillan::device
