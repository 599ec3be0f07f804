// modbus read, write and poll: the Modbus tab's requests from a terminal, sent at the
// configuration port's line settings with RTS low, where the gateway answers Modbus.
#include "cli/CliProject.h"
#include "cli/Commands.h"
#include "cli/DeviceRun.h"
#include "device/modbus/MBCommThread.h"
#include "device/modbus/ModbusTab.h"
#include "gateway/ZAVGateway.h"
#include "model/Text.h"
#include "sim/SimulatorLink.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <ostream>

namespace quillan::cli {

namespace {

using namespace device::modbus;

// A reply's byte count is one byte, and the reply must fit the master's 256-byte buffer.
constexpr unsigned kMaxReadDataBytes = 250;
constexpr long kMaxBaud = 4'000'000;

struct ModbusPortOptions {
    PortOptions port;
    std::optional<uint32_t> baud;
};

void addModbusPortOptions(CLI::App& cmd, ModbusPortOptions& o)
{
    addText(cmd, "--port", o.port.port,
            "the serial port: a device path, or sim for the built-in simulated gateway "
            "(default: the port override setting, else the gateway's USB converter)")
        ->type_name("PORT");
    addNumber(cmd, "--baud", o.baud, 1, kMaxBaud,
              "the baud rate (default: the configuration port's setting, 57600)")
        ->type_name("B");
    // The Debug tab's lines are what these commands show.
    o.port.verbose = true;
}

// The port at the configuration port's settings. Nothing is opened when they cannot be used.
bool openModbusPort(DeviceRun& run, const std::optional<uint32_t>& baud, std::ostream& err)
{
    std::optional<device::LineSettings> settings = configPortSettings(err);
    if (!settings) {
        return false;
    }
    if (baud) {
        settings->baudRate = *baud;
    }
    if (!run.openPort()) {
        return false;
    }
    device::SerialLink& link = run.services().link;
    if (!link.configure(*settings) || !link.setRts(false)) {
        err << "quillan-cli: cannot set the port " << link.portName() << " to "
            << settings->baudRate << " baud\n";
        return false;
    }
    return true;
}

std::optional<long> numberArgument(const std::string& text, const char* what, long low, long high,
                                   std::ostream& err)
{
    const auto value = parseNumber(text, low, high);
    if (!value) {
        err << "quillan-cli: " << what << " " << text << ": must be " << low << " to " << high
            << "\n";
    }
    return value;
}

// modbus read ---------------------------------------------------------------------------------

struct ReadOptions {
    std::string first;
    std::string count;
    std::optional<uint8_t> slave;
    ModbusPortOptions port;
};

int runRead(const ReadOptions& o, CommandIo io)
{
    const auto first = numberArgument(o.first, "FIRST", 0, 0xFFFF, io.err);
    const auto count = first ? numberArgument(o.count, "COUNT", 1, 125, io.err) : std::nullopt;
    if (!count) {
        return exitUsage;
    }
    const long last = *first + *count - 1;
    if (last > 0xFFFF) {
        io.err << "quillan-cli: registers " << *first << " to " << last
               << ": the last register is 65535\n";
        return exitUsage;
    }
    unsigned dataBytes = 0;
    for (long r = *first; r <= last; ++r) {
        dataBytes += r > LAST_INTEGER_REGISTER ? 4 : 2;
    }
    if (dataBytes > kMaxReadDataBytes) {
        io.err << "quillan-cli: registers " << *first << " to " << last << " take " << dataBytes
               << " bytes in the reply, which holds at most " << kMaxReadDataBytes
               << " (62 float registers)\n";
        return exitUsage;
    }
    DeviceRun run(io, o.port.port);
    if (!openModbusPort(run, o.port.baud, io.err)) {
        return exitFailed;
    }
    MBCommThread master(run.services().link, run.console());
    if (!master.readRegisters(static_cast<uint16_t>(*first), static_cast<uint16_t>(*count),
                              o.slave.value_or(1))) {
        return exitFailed;
    }
    for (const RegisterValue& value : readReplyValues(master.request(), master.response())) {
        io.out << value.reg << "\t" << value.text << "\n";
    }
    return exitOk;
}

// modbus write --------------------------------------------------------------------------------

struct WriteOptions {
    std::string reg;
    std::string value;
    std::optional<uint8_t> slave;
    ModbusPortOptions port;
};

int runWrite(const WriteOptions& o, CommandIo io)
{
    const auto reg = numberArgument(o.reg, "REGISTER", 0, 0xFFFF, io.err);
    if (!reg) {
        return exitUsage;
    }
    const auto value = parseWriteValue(static_cast<uint16_t>(*reg), o.value);
    if (!value) {
        io.err << "quillan-cli: VALUE " << o.value << ": register " << *reg
               << (*reg > LAST_INTEGER_REGISTER
                       ? " takes a number of digits with at most one decimal point\n"
                       : " takes a whole number from 0 to 32767\n");
        return exitUsage;
    }
    DeviceRun run(io, o.port.port);
    if (!openModbusPort(run, o.port.baud, io.err)) {
        return exitFailed;
    }
    MBCommThread master(run.services().link, run.console());
    const auto r = static_cast<uint16_t>(*reg);
    const uint8_t slave = o.slave.value_or(1);
    const bool written = value->isFloat ? master.writeFloatRegister(r, value->real, slave)
                                        : master.writeRegister(r, value->integer, slave);
    if (!written) {
        return exitFailed;
    }
    if (const auto echo = writeReplyValue(master.response(), value->isFloat)) {
        io.out << echo->reg << "\t" << echo->text << "\n";
    }
    return exitOk;
}

// modbus poll ---------------------------------------------------------------------------------

struct PollOptions {
    std::string path;
    std::optional<std::string> gateway;
    std::optional<std::string> registers;
    ModbusPortOptions port;
};

struct RegisterRange {
    long low = 0;
    long high = 0;
};

// "3001-3003,3010"; none, with the reason on err, when a piece is not a register or a range.
std::optional<std::vector<RegisterRange>> parseRegisterList(const std::string& text,
                                                            std::ostream& err)
{
    std::vector<RegisterRange> ranges;
    for (const std::string& piece : splitList(text)) {
        const size_t dash = piece.find('-');
        const auto low = parseNumber(piece.substr(0, dash), 0, 0xFFFF);
        const auto high =
            dash == std::string::npos ? low : parseNumber(piece.substr(dash + 1), 0, 0xFFFF);
        if (!low || !high || *high < *low) {
            err << "quillan-cli: --registers " << text << ": " << piece
                << " is not a register (0 to 65535) or a range of them (FIRST-LAST)\n";
            return std::nullopt;
        }
        ranges.push_back({*low, *high});
    }
    if (ranges.empty()) {
        err << "quillan-cli: --registers names no register\n";
        return std::nullopt;
    }
    return ranges;
}

std::string trimmed(const std::string& text)
{
    const size_t start = text.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : text.substr(start);
}

int runPoll(const PollOptions& o, CommandIo io)
{
    std::optional<std::vector<RegisterRange>> ranges;
    if (o.registers) {
        ranges = parseRegisterList(*o.registers, io.err);
        if (!ranges) {
            return exitUsage;
        }
    }
    CliProject project(io, false);
    ZAVGateway* gateway = project.openGateway(o.path, *o.gateway);
    if (gateway == nullptr) {
        return exitFailed;
    }
    GatewayList list = gateway->fillModbusMapList();
    std::vector<ListRow*> selected;
    for (ListRow& row : list.rows) {
        const auto reg = rowRegister(row);
        const bool wanted = !ranges || std::any_of(ranges->begin(), ranges->end(),
                                                   [&](const RegisterRange& range) {
                                                       return *reg >= range.low &&
                                                              *reg <= range.high;
                                                   });
        if (reg && wanted) {
            selected.push_back(&row);
        }
    }
    if (selected.empty()) {
        io.err << "quillan-cli: the Modbus map of " << cp1252ToUtf8(gateway->getName())
               << (ranges ? " has no row with a register in " + *o.registers : " is empty")
               << "\n";
        return exitFailed;
    }

    DeviceRun run(io, o.port.port);
    // An extended slave id is refused before anything is opened or sent.
    if (!requestSlaveId(*gateway, run.console())) {
        return exitFailed;
    }
    // The simulated gateway holds this gateway's configuration, as after Update Device.
    sim::SimulatorOptions simulated;
    simulated.state.image = gateway->compileImage().image;
    run.simulateGateway(std::move(simulated));
    if (!openModbusPort(run, o.port.baud, io.err)) {
        return exitFailed;
    }
    MBCommThread master(run.services().link, run.console());
    ModbusTab tab(master, run.console());
    const bool polled = tab.poll(*gateway, selected);
    for (const ListRow* row : selected) {
        io.out << trimmed(row->cells[COLUMN_REGISTER]) << "\t"
               << cp1252ToUtf8(row->cells[COLUMN_SOURCE]) << "\t"
               << cp1252ToUtf8(row->cells[COLUMN_POINT]) << "\t"
               << cp1252ToUtf8(row->cells[COLUMN_VALUE]) << "\n";
    }
    return polled ? exitOk : exitFailed;
}

} // namespace

void addModbusCommands(CLI::App& app, CommandTable& table)
{
    CLI::App* modbus = app.add_subcommand(
        "modbus", "Read and write the registers of a gateway's Modbus slave, as the Modbus tab does");
    modbus->require_subcommand(1);
    modbus->footer("Requests go out at the configuration port's line settings (57600 8N1 unless "
                   "the settings say otherwise) with RTS low. The Debug tab's lines are printed "
                   "time-stamped, then the values. Exit status 0 only when every request was "
                   "answered correctly.");

    auto read = std::make_shared<ReadOptions>();
    CLI::App* readCmd = modbus->add_subcommand("read", "Read holding registers");
    readCmd->footer("Registers up to 7000 hold 16-bit values, registers from 7001 floats (four "
                    "bytes for one register number). Prints Register and Value, tab-separated.");
    addPositional(*readCmd, "FIRST", read->first, "the first register");
    addPositional(*readCmd, "COUNT", read->count, "how many registers (1 to 125)");
    addNumber(*readCmd, "--slave", read->slave, 1, 247, "the slave id (default 1)")
        ->type_name("ID");
    addModbusPortOptions(*readCmd, read->port);
    table.add(readCmd, [read](CommandIo io) { return runRead(*read, io); });

    auto write = std::make_shared<WriteOptions>();
    CLI::App* writeCmd = modbus->add_subcommand("write", "Write one register");
    writeCmd->footer("VALUE is a whole number from 0 to 32767 for registers up to 7000, and a "
                     "float (digits, at most one decimal point) above, as the write dialog takes "
                     "it. Prints the Register and Value of the gateway's echo.");
    addPositional(*writeCmd, "REGISTER", write->reg, "the register");
    addPositional(*writeCmd, "VALUE", write->value, "the value");
    addNumber(*writeCmd, "--slave", write->slave, 1, 247, "the slave id (default 1)")
        ->type_name("ID");
    addModbusPortOptions(*writeCmd, write->port);
    table.add(writeCmd, [write](CommandIo io) { return runWrite(*write, io); });

    auto poll = std::make_shared<PollOptions>();
    CLI::App* pollCmd =
        modbus->add_subcommand("poll", "Poll the rows of a gateway's Modbus map, as Poll does");
    pollCmd->footer("Consecutive registers are read together, up to 61 integers or 31 floats a "
                    "request. The slave id is that of the gateway's configuration port. Prints "
                    "Register, Source, Point and Value of each row, tab-separated; \"--\" for a "
                    "row left unread by a failed request. With --port sim the simulated gateway "
                    "holds this gateway's configuration, as after Update Device.");
    addPositional(*pollCmd, "PROJECT", poll->path, "the project file");
    addText(*pollCmd, "--gateway", poll->gateway, "the gateway")->type_name("NAME")->required();
    addText(*pollCmd, "--registers", poll->registers,
            "the rows to poll, by register: 3001-3003,3010 (default: every row)")
        ->type_name("LIST");
    addModbusPortOptions(*pollCmd, poll->port);
    table.add(pollCmd, [poll](CommandIo io) { return runPoll(*poll, io); });
    setHelpWords(*modbus, "COMMAND", "Commands");
}

} // namespace quillan::cli
