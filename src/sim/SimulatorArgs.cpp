#include "sim/SimulatorArgs.h"

#include "device/DeviceFrame.h"
#include "model/Text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace quillan::sim {

namespace {

constexpr std::array<uint8_t, 12> kRequestCodes = {
    device::CMD_IDENTIFY,      device::CMD_ENQUIRE,      device::CMD_STORE_CONFIG,
    device::CMD_READ_RADIO,    device::CMD_READ_BLOCK,   device::CMD_WRITE_BLOCK,
    device::CMD_FLASH_BEGIN,   device::CMD_FLASH_DATA,   device::CMD_FLASH_END,
    device::CMD_STORE_PROJECT, device::CMD_READ_PROJECT, device::CMD_QUERY_PROJECT,
};

// A whole number in decimal, or hexadecimal after 0x.
std::optional<uint64_t> parseNumber(const std::string& text, uint64_t max)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') {
        return std::nullopt;
    }
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || v > max) {
        return std::nullopt;
    }
    return v;
}

// A decimal number: an optional minus sign, digits, and a fraction after a point.
std::optional<double> parseDecimal(const std::string& text)
{
    const size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
    const std::string digits = text.substr(start);
    const size_t point = digits.find('.');
    const auto allDigits = [](const std::string& s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    const std::string whole = digits.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : digits.substr(point + 1);
    if (whole.empty() || !allDigits(whole) || !allDigits(fraction) ||
        (point != std::string::npos && fraction.empty())) {
        return std::nullopt;
    }
    const double v = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

std::string requestCodeList()
{
    std::string list;
    for (const uint8_t code : kRequestCodes) {
        list += (list.empty() ? "" : ", ") + std::to_string(code);
    }
    return list;
}

} // namespace

bool isRequestCode(unsigned code)
{
    return std::find(kRequestCodes.begin(), kRequestCodes.end(), code) != kRequestCodes.end();
}

std::string simulatorUsage()
{
    return "usage: zav-gateway-sim (--pty | --port DEVICE) [options]\n"
           "       zav-gateway-sim --state FILE --firmware-out OUT\n"
           "  --pty               serve a new pseudo-terminal; its path is the first line of "
           "output\n"
           "  --port DEVICE       serve an existing serial device\n"
           "  --state FILE        keep the gateway's state in FILE across runs\n"
           "  --firmware-out OUT  write the firmware flashed into the --state FILE gateway to\n"
           "                      OUT and exit: a flat binary from the lowest address written\n"
           "                      to the highest, gaps filled with 0xFF as erased flash; prints\n"
           "                      the start address and the length\n"
           "  --type CODE         device type code (default 12)\n"
           "  --version TEXT      firmware version text (default 1.5.0.14)\n"
           "  --channel C         radio channel code reported (default 5)\n"
           "  --key K             site security key (decimal or 0x hex)\n"
           "                      (--type, --version, --channel and --key override a state file)\n"
           "  --modbus-slave      a new gateway's CONFIG port is a Modbus slave (else debug)\n"
           "  --slave-id ID       the CONFIG port answers Modbus RTU as slave ID (1 to 247)\n"
           "                      whatever its stored configuration says, and sends no debug\n"
           "                      text\n"
           "  --value POINT=V     data store point POINT holds the decimal number V from the\n"
           "                      start, over the state file (repeatable); a Modbus write still\n"
           "                      changes it\n"
           "  --no-line-timing    take requests and send replies at once instead of at\n"
           "                      57600 baud\n"
           "  --turnaround MS     pause before each reply (default 20)\n"
           "  --nak CMD           answer request CMD with a NAK (repeatable)\n"
           "  --drop CMD          do not answer request CMD (repeatable)\n"
           "  --bad-crc CMD       answer request CMD with a corrupted CRC (repeatable)\n"
           "  --garbage           send a few stray bytes before every reply\n"
           "  --delay CMD:MS      answer request CMD after MS milliseconds (repeatable)\n"
           "  --drop-first CMD:N  do not answer the first N requests CMD (repeatable)\n"
           "  --nak-block TYPE    answer a write of block TYPE with a NAK (repeatable)\n"
           "  --drop-block TYPE   do not answer a write of block TYPE (repeatable)\n"
           "  --hang-up-after N   close the port and exit once N device frames have come\n"
           "                      in, the last unanswered, as a cable pulled mid-operation\n"
           "Request codes: " +
           requestCodeList() +
           "\n"
           "A data store point that was never set (by --value, the state file or a Modbus\n"
           "write) reads (POINT + S / 5) mod 100, S the whole seconds since the simulator\n"
           "started: point 3 reads 3 for the first 5 seconds, then 4, and so on, 99 going on\n"
           "to 0. A timestamp register reads the seconds since its point was set, or since\n"
           "the start.\n";
}

ParsedArgs parseSimulatorArgs(const std::vector<std::string>& argv)
{
    SimulatorArgs args;
    const auto fail = [](std::string message) {
        return ParsedArgs{std::nullopt, std::move(message)};
    };
    for (size_t i = 0; i < argv.size(); ++i) {
        std::string flag = argv[i];
        std::optional<std::string> inlineValue;
        if (const size_t eq = flag.find('='); flag.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = flag.substr(eq + 1);
            flag.resize(eq);
        }
        const auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) {
                return inlineValue;
            }
            if (i + 1 < argv.size()) {
                return argv[++i];
            }
            return std::nullopt;
        };
        const auto takesNoValue = [&] { return !inlineValue; };

        if (flag == "--help" || flag == "-h") {
            args.help = true;
        } else if (flag == "--pty" && takesNoValue()) {
            args.pty = true;
        } else if (flag == "--garbage" && takesNoValue()) {
            args.faults.garbage = true;
        } else if (flag == "--no-line-timing" && takesNoValue()) {
            args.lineTiming = false;
        } else if (flag == "--modbus-slave" && takesNoValue()) {
            args.modbusSlave = true;
        } else if (flag == "--port" || flag == "--state" || flag == "--firmware-out" ||
                   flag == "--type" || flag == "--version" || flag == "--channel" ||
                   flag == "--key" || flag == "--turnaround" || flag == "--nak" ||
                   flag == "--drop" || flag == "--bad-crc" || flag == "--delay" ||
                   flag == "--drop-first" || flag == "--nak-block" || flag == "--drop-block" ||
                   flag == "--slave-id" || flag == "--value" || flag == "--hang-up-after") {
            const auto v = value();
            if (!v) {
                return fail(flag + " needs a value");
            }
            const auto bad = [&](const char* what) {
                return fail(strprintf("%s %s: %s", flag.c_str(), v->c_str(), what));
            };
            if (flag == "--port") {
                if (v->empty()) {
                    return bad("no device named");
                }
                args.port = *v;
            } else if (flag == "--state") {
                if (v->empty()) {
                    return bad("no file named");
                }
                args.stateFile = *v;
            } else if (flag == "--firmware-out") {
                if (v->empty()) {
                    return bad("no file named");
                }
                args.firmwareOut = *v;
            } else if (flag == "--type" || flag == "--channel") {
                const auto n = parseNumber(*v, 0xFFFF);
                if (!n) {
                    return bad("expected a number from 0 to 65535");
                }
                (flag == "--type" ? args.deviceType : args.channel) = static_cast<uint16_t>(*n);
            } else if (flag == "--version") {
                const bool printable =
                    std::all_of(v->begin(), v->end(), [](char c) { return c > ' ' && c < 0x7F; });
                if (v->empty() || v->size() > SimulatorState::kMaxVersionLength || !printable) {
                    return bad("expected 1 to 13 printable characters");
                }
                args.version = *v;
            } else if (flag == "--key") {
                const auto n = parseNumber(*v, 0xFFFFFFFF);
                if (!n) {
                    return bad("expected a 32-bit number");
                }
                args.key = static_cast<uint32_t>(*n);
            } else if (flag == "--turnaround") {
                const auto n = parseNumber(*v, 10000);
                if (!n) {
                    return bad("expected milliseconds from 0 to 10000");
                }
                args.turnaroundMs = static_cast<int>(*n);
            } else if (flag == "--hang-up-after") {
                const auto n = parseNumber(*v, 1'000'000'000);
                if (!n || *n == 0) {
                    return bad("expected a number of frames from 1");
                }
                args.hangUpAfterFrames = *n;
            } else if (flag == "--slave-id") {
                const auto n = parseNumber(*v, 247);
                if (!n || *n == 0) {
                    return bad("expected a slave id from 1 to 247");
                }
                args.slaveId = static_cast<uint8_t>(*n);
            } else if (flag == "--value") {
                const size_t eq = v->find('=');
                if (eq == std::string::npos) {
                    return bad("expected POINT=V");
                }
                const auto point = parseNumber(v->substr(0, eq), ConfigImage::kMaxTableRecords - 1);
                if (!point) {
                    return bad(strprintf("expected a data store point from 0 to %u before '='",
                                         ConfigImage::kMaxTableRecords - 1)
                                   .c_str());
                }
                const auto number = parseDecimal(v->substr(eq + 1));
                if (!number) {
                    return bad("expected a decimal number after '=' (as -12 or 3.25)");
                }
                if (!args.pointValues.emplace(static_cast<uint16_t>(*point), *number).second) {
                    return bad("the point is given a value twice");
                }
            } else if (flag == "--nak-block" || flag == "--drop-block") {
                const auto type = parseNumber(*v, 0xFFFF);
                if (!type) {
                    return bad("expected a block type from 0 to 65535");
                }
                (flag == "--nak-block" ? args.faults.nakBlocks : args.faults.dropBlocks)
                    .insert(static_cast<uint16_t>(*type));
            } else {
                std::string codeText = *v;
                std::optional<uint64_t> number;
                if (flag == "--delay" || flag == "--drop-first") {
                    const bool delay = flag == "--delay";
                    const size_t colon = codeText.find(':');
                    if (colon == std::string::npos) {
                        return bad(delay ? "expected CMD:MS" : "expected CMD:N");
                    }
                    number = parseNumber(codeText.substr(colon + 1), delay ? 600000 : 1000000);
                    if (!number) {
                        return bad(delay ? "expected milliseconds from 0 to 600000 after the colon"
                                         : "expected a count from 0 to 1000000 after the colon");
                    }
                    codeText.resize(colon);
                }
                const auto code = parseNumber(codeText, 255);
                if (!code || !isRequestCode(static_cast<unsigned>(*code))) {
                    return bad(("not a request code (" + requestCodeList() + ")").c_str());
                }
                const auto c = static_cast<uint8_t>(*code);
                if (flag == "--nak") {
                    args.faults.nak.insert(c);
                } else if (flag == "--drop") {
                    args.faults.drop.insert(c);
                } else if (flag == "--bad-crc") {
                    args.faults.badCrc.insert(c);
                } else if (flag == "--delay") {
                    args.faults.delays[c] = static_cast<int>(*number);
                } else {
                    args.faults.dropFirst[c] = static_cast<int>(*number);
                }
            }
        } else {
            return fail("unknown option " + argv[i]);
        }
    }
    if (args.help) {
        return {args, {}};
    }
    if (!args.firmwareOut.empty()) {
        if (args.pty || !args.port.empty()) {
            return fail("--firmware-out writes a file and exits: give no --pty or --port");
        }
        if (args.stateFile.empty()) {
            return fail("--firmware-out needs the --state FILE that holds the firmware");
        }
        return {args, {}};
    }
    if (args.pty == !args.port.empty()) {
        return fail("give either --pty or --port DEVICE");
    }
    return {args, {}};
}

void applyStateArgs(const SimulatorArgs& args, SimulatorState& state)
{
    if (args.deviceType) {
        state.deviceType = *args.deviceType;
    }
    if (args.version) {
        state.firmwareVersion = *args.version;
    }
    if (args.channel) {
        state.channel = *args.channel;
    }
    if (args.key) {
        state.setSiteKey(*args.key);
    }
    for (const auto& [point, value] : args.pointValues) {
        state.pointValues[point] = value;
    }
}

} // namespace quillan::sim
