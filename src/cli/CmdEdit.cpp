#include "cli/CliProject.h"
#include "cli/Commands.h"
#include "gateway/GatewayRules.h"
#include "gateway/IoModuleRules.h"
#include "gateway/PointCommands.h"
#include "gateway/ZAVGateway.h"
#include "model/MBModule.h"
#include "model/NodeName.h"
#include "model/Text.h"

#include <map>
#include <ostream>

namespace quillan::cli {

namespace {

// The values an action reads; parsing errors are printed once and end the action.
class Values {
public:
    Values(const CliArgs& args, std::ostream& err) : m_args(args), m_err(err) {}

    template <class T>
    bool number(const std::string& name, long low, long high, std::optional<T>& out)
    {
        const auto text = m_args.value(name);
        if (!text) {
            return true;
        }
        const auto value = parseNumber(*text, low, high);
        if (!value) {
            m_err << "quillan-cli: --" << name << " must be " << low << " to " << high << "\n";
            return false;
        }
        out = static_cast<T>(*value);
        return true;
    }

    // One of the words; the index of the word given.
    bool choice(const std::string& name, const std::vector<std::string>& words,
                std::optional<size_t>& out)
    {
        const auto text = m_args.value(name);
        if (!text) {
            return true;
        }
        for (size_t i = 0; i < words.size(); ++i) {
            if (*text == words[i]) {
                out = i;
                return true;
            }
        }
        m_err << "quillan-cli: --" << name << " must be one of:";
        for (const auto& w : words) {
            m_err << " " << w;
        }
        m_err << "\n";
        return false;
    }

    // A set of flags from a comma-separated list of the words (bit i for word i).
    bool flags(const std::string& name, const std::vector<std::string>& words,
               std::optional<uint32_t>& out)
    {
        const auto text = m_args.value(name);
        if (!text) {
            return true;
        }
        uint32_t bits = 0;
        for (const auto& piece : splitList(*text)) {
            size_t i = 0;
            while (i < words.size() && words[i] != piece) {
                ++i;
            }
            if (i == words.size()) {
                m_err << "quillan-cli: --" << name << " takes a list of:";
                for (const auto& w : words) {
                    m_err << " " << w;
                }
                m_err << "\n";
                return false;
            }
            bits |= 1u << i;
        }
        out = bits;
        return true;
    }

private:
    const CliArgs& m_args;
    std::ostream& m_err;
};

bool refuse(CommandIo io, const std::string& why)
{
    io.err << "quillan-cli: refused: " << cp1252ToUtf8(why) << "\n";
    return false;
}

bool addGateway(CliProject& p, const CliArgs&, CommandIo io)
{
    TarnDoc& doc = p.doc();
    if (doc.root() == nullptr || doc.root()->activeSite() == nullptr) {
        return refuse(io, "the project has no active site");
    }
    if (!doc.isFirstSiteActive()) {
        return refuse(io, "gateways are inserted only while the first site is active");
    }
    if (!doc.canInsertGateway()) {
        return refuse(io, "the active site has no group left (its next group is 1000)");
    }
    ZAVGateway* g = doc.insertGateway();
    io.out << "added " << cp1252ToUtf8(g->getName()) << "\n";
    return true;
}

bool setPort(CliProject& p, const CliArgs& args, CommandIo io)
{
    const auto& pos = args.positionals();
    if (pos.size() != 2 || (pos[1] != "config" && pos[1] != "rtu")) {
        io.err << "usage: quillan-cli edit FILE set-port GATEWAY config|rtu [options]\n";
        return false;
    }
    ZAVGateway* g = p.gateway(pos[0]);
    if (g == nullptr) {
        return false;
    }
    Values v(args, io.err);
    PortChange change;
    std::optional<size_t> mode, parity, stop, line, extended, split;
    std::optional<uint32_t> baud, slave;
    if (!v.choice("mode", {"debug", "slave", "master"}, mode) ||
        !v.number("baud", 1, 1000000, baud) ||
        !v.choice("parity", {"none", "even", "odd"}, parity) ||
        !v.choice("stop", {"1", "2"}, stop) || !v.choice("line", {"rs232", "rs485"}, line) ||
        !v.number("slave-id", 0, 70000, slave) ||
        !v.choice("extended", {"off", "on"}, extended) ||
        !v.choice("split", {"off", "on"}, split)) {
        return false;
    }
    if (mode) {
        change.protocol = static_cast<uint8_t>(*mode + 1);
    }
    change.baudRate = baud;
    if (parity) {
        change.parity = static_cast<uint8_t>(*parity + 1);
    }
    if (stop) {
        change.stopBits = static_cast<uint8_t>(*stop + 1);
    }
    if (line) {
        change.rs485 = *line == 1;
    }
    change.slaveId = slave;
    if (extended) {
        change.extended = *extended == 1;
    }
    if (split) {
        change.split = *split == 1;
    }
    const std::string refused =
        pos[1] == "config" ? changeConfigPort(*g, change) : changeRtuPort(*g, change);
    if (!refused.empty()) {
        return refuse(io, refused);
    }
    const SerialPortDefinition* port = g->port(pos[1] == "config" ? 0 : 2);
    io.out << cp1252ToUtf8(port->portName) << ": " << port->settingsText() << ", "
           << port->protocolText() << "\n";
    return true;
}

bool setRadio(CliProject& p, const CliArgs& args, CommandIo io)
{
    if (args.positionals().size() != 1) {
        io.err << "usage: quillan-cli edit FILE set-radio GATEWAY [--tx-power I] [--retries N]\n";
        return false;
    }
    ZAVGateway* g = p.gateway(args.positionals()[0]);
    Values v(args, io.err);
    std::optional<uint16_t> power;
    std::optional<int> retries;
    if (g == nullptr || !v.number("tx-power", 0, 4, power) || !v.number("retries", 0, 99, retries)) {
        return false;
    }
    if (const std::string refused = changeRadio(*g, power, retries); !refused.empty()) {
        return refuse(io, refused);
    }
    return true;
}

bool addModbusModule(CliProject& p, const CliArgs& args, CommandIo io)
{
    if (args.positionals().size() != 1) {
        io.err << "usage: quillan-cli edit FILE add-modbus-module GATEWAY --slave-id ID "
                  "--first-register R --count N --format int16|float [options]\n";
        return false;
    }
    ZAVGateway* g = p.gateway(args.positionals()[0]);
    if (g == nullptr) {
        return false;
    }
    if (!p.doc().canInsertModbusModule(*g)) {
        return refuse(io, p.doc().isFirstSiteActive()
                              ? "the gateway has no Modbus master port for a module"
                              : "modules are inserted only while the first site is active");
    }
    Values v(args, io.err);
    std::optional<uint8_t> port, slave;
    std::optional<uint16_t> first;
    std::optional<int> count;
    std::optional<size_t> format;
    if (!v.number("port", 1, 3, port) || !v.number("slave-id", 1, 247, slave) ||
        !v.number("first-register", 0, 65535, first) || !v.number("count", 0, 125, count) ||
        !v.choice("format", {"int16", "float"}, format)) {
        return false;
    }
    if (!slave || !first || !count || !format) {
        io.err << "quillan-cli: --slave-id, --first-register, --count and --format are required\n";
        return false;
    }
    if (*format == 1 && *count > 62) {
        return refuse(io, "a float module reads at most 62 registers");
    }
    if (port) {
        const SerialPortDefinition* def = g->port(*port - 1u);
        if (def == nullptr || def->protocol != protocolModbusMaster) {
            return refuse(io, strprintf("port %d of the gateway is not a Modbus master", *port));
        }
    }
    ModbusModuleSettings settings;
    settings.slaveId = *slave;
    settings.firstRegister = *first;
    settings.registerCount = static_cast<uint8_t>(*count);
    settings.registerFormat = static_cast<uint8_t>((*format == 1 ? 2 : 0) |
                                                   (args.has("fc4") ? 0x80 : 0));
    const auto names = splitList(utf8ToCp1252(args.value("names").value_or("")));
    if (names.size() > static_cast<size_t>(*count)) {
        return refuse(io, "more names than registers");
    }
    for (int i = 0; i < *count; ++i) {
        settings.inputNames.push_back(static_cast<size_t>(i) < names.size() && !names[i].empty()
                                          ? names[i]
                                          : strprintf("Point_%d", i + 1));
    }
    for (const auto& text : splitList(args.value("outputs").value_or(""))) {
        const auto reg = parseNumber(text, 0, 65535);
        if (!reg) {
            io.err << "quillan-cli: --outputs takes registers 0 to 65535\n";
            return false;
        }
        // As the outputs page adds them: 16-bit, named by their number.
        auto entry = std::make_unique<MBExport>();
        entry->destinationType = destinationModbus;
        entry->sourcePointId = 0xFFFFFFFF;
        entry->mbValue = 4;
        entry->setModbusDetails(0, 0, static_cast<uint16_t>(*reg), 1, 0);
        entry->exportName = strprintf("Output_%d", static_cast<int>(settings.outputs.size()));
        settings.outputs.push_back({nullptr, std::move(entry)});
    }

    settings.interval = 900;
    settings.port = port.value_or(0);
    p.prompts().setModuleSettings(std::move(settings));
    if (!p.doc().insertModbusModule(*g)) {
        return false;
    }
    io.out << "added " << cp1252ToUtf8(g->childModules.back()->getName()) << " to "
           << cp1252ToUtf8(g->getName()) << "\n";
    return true;
}

bool addIoModule(CliProject& p, const CliArgs& args, CommandIo io)
{
    if (args.positionals().size() != 1) {
        io.err << "usage: quillan-cli edit FILE add-io-module GATEWAY --kind am1|am2|dm "
                  "--address 0-15 [options]\n";
        return false;
    }
    ZAVGateway* g = p.gateway(args.positionals()[0]);
    Values v(args, io.err);
    std::optional<size_t> kind;
    std::optional<uint8_t> address, inputUnits, out1, out2;
    std::optional<uint32_t> interval, groups, map;
    if (g == nullptr || !v.choice("kind", {"am1", "am2", "dm"}, kind) ||
        !v.number("address", 0, 15, address) || !v.number("interval", 1, 86399, interval) ||
        !v.number("inputs-units", 0, 1, inputUnits) || !v.number("out1", 0, 3, out1) ||
        !v.number("out2", 0, 3, out2) ||
        !v.flags("groups", {"inputs", "counts", "status"}, groups) ||
        !v.flags("map", {"int", "float"}, map)) {
        return false;
    }
    if (!kind || !address) {
        io.err << "quillan-cli: --kind and --address are required\n";
        return false;
    }
    IoModuleChoices choices;
    choices.kind = static_cast<uint8_t>(*kind);
    choices.address = *address;
    choices.interval = interval.value_or(1);
    choices.inputUnits = inputUnits.value_or(0);
    choices.output1Units = out1.value_or(0);
    choices.output2Units = out2.value_or(0);
    choices.groups = static_cast<uint8_t>(groups.value_or(groupInputs));
    choices.mapOptions = map.value_or(0);
    if (const std::string refused = addNewIoModule(*g, choices); !refused.empty()) {
        return refuse(io, refused);
    }
    io.out << "added " << cp1252ToUtf8(g->ioModules.back()->getName()) << " to "
           << cp1252ToUtf8(g->getName()) << "\n";
    return true;
}

std::optional<bool> tableChoice(const CliArgs& args, const char* name, CommandIo io)
{
    const auto table = args.value(name);
    if (table == std::string("int")) {
        return false;
    }
    if (table == std::string("float")) {
        return true;
    }
    io.err << "quillan-cli: --" << name << " must be int or float\n";
    return std::nullopt;
}

bool importPointsAction(CliProject& p, const CliArgs& args, CommandIo io)
{
    const auto& pos = args.positionals();
    if (pos.size() < 3) {
        io.err << "usage: quillan-cli edit FILE import-points SOURCE TARGET POINT_LABEL... "
                  "[--map int,float]\n";
        return false;
    }
    ZAVGateway* source = p.gateway(pos[0]);
    ZAVGateway* target = source != nullptr ? p.gateway(pos[1]) : nullptr;
    Values v(args, io.err);
    std::optional<uint32_t> map;
    if (target == nullptr || !v.flags("map", {"int", "float"}, map)) {
        return false;
    }
    if (source == target) {
        return refuse(io, "points are imported from another gateway");
    }
    std::vector<Import*> points;
    if (!p.points(*source, {pos.begin() + 2, pos.end()}, points)) {
        return false;
    }
    const std::vector<RFImport*> created = importPoints(*source, *target, points);
    const std::vector<Import*> newPoints(created.begin(), created.end());
    if (map && (*map & 1) != 0) {
        (void)pasteToModbusMap(*target, newPoints, false);
    }
    if (map && (*map & 2) != 0) {
        (void)pasteToModbusMap(*target, newPoints, true);
    }
    auto& clipboard = p.doc().importClipboard();
    clipboard.assign(newPoints.begin(), newPoints.end());
    p.doc().setModified();
    io.out << "imported " << created.size() << " point(s) into " << cp1252ToUtf8(target->getName())
           << "\n";
    return true;
}

bool mapAction(CliProject& p, const CliArgs& args, CommandIo io)
{
    const auto& pos = args.positionals();
    if (pos.size() < 2 || !args.value("table")) {
        io.err << "usage: quillan-cli edit FILE map GATEWAY POINT_LABEL... --table int|float\n";
        return false;
    }
    ZAVGateway* g = p.gateway(pos[0]);
    const auto isFloat = tableChoice(args, "table", io);
    std::vector<Import*> points;
    if (g == nullptr || !isFloat || !p.points(*g, {pos.begin() + 1, pos.end()}, points)) {
        return false;
    }
    if (const std::string refused = pasteToModbusMap(*g, points, *isFloat); !refused.empty()) {
        return refuse(io, refused);
    }
    return true;
}

bool addWriteImportAction(CliProject& p, const CliArgs& args, CommandIo io)
{
    const auto& pos = args.positionals();
    if (pos.size() != 2 || !args.value("type")) {
        io.err << "usage: quillan-cli edit FILE add-write-import GATEWAY NAME --type int|float\n";
        return false;
    }
    ZAVGateway* g = p.gateway(pos[0]);
    const auto isFloat = tableChoice(args, "type", io);
    if (g == nullptr || !isFloat) {
        return false;
    }
    if (pos[1].empty()) {
        return refuse(io, "a write import needs a name");
    }
    (void)addNewWriteImport(*g, utf8ToCp1252(pos[1]), *isFloat);
    return true;
}

bool renameAction(CliProject& p, const CliArgs& args, CommandIo io)
{
    const auto& pos = args.positionals();
    if (pos.size() != 2) {
        io.err << "usage: quillan-cli edit FILE rename NODE NEWNAME\n";
        return false;
    }
    Node* node = p.node(pos[0]);
    if (node == nullptr) {
        return false;
    }
    const std::string name = utf8ToCp1252(pos[1]);
    if (!isValidNodeName(name)) {
        return refuse(io, "a name has 1 to 63 characters, no spaces and none of "
                          "\\|&;<>()$`\"'*?[#~=%:/.");
    }
    node->setName(name);
    return true;
}

bool deleteAction(CliProject& p, const CliArgs& args, CommandIo io)
{
    if (args.positionals().size() != 1) {
        io.err << "usage: quillan-cli edit FILE delete NODE\n";
        return false;
    }
    Node* node = p.node(args.positionals()[0]);
    if (node == nullptr) {
        return false;
    }
    if (!p.doc().isFirstSiteActive()) {
        return refuse(io, "nodes are deleted only while the first site is active");
    }
    if (const auto* g = dynamic_cast<const ZAVGateway*>(node); g && g->hasChildModules()) {
        return refuse(io, "the gateway still has modules; delete them first");
    }
    p.doc().deleteNode(*node);
    return true;
}

struct Action {
    bool (*run)(CliProject&, const CliArgs&, CommandIo);
    std::vector<std::string> options;
    std::vector<std::string> switches;
};

const std::map<std::string, Action>& actions()
{
    static const std::map<std::string, Action> table = {
        {"add-gateway", {addGateway, {}, {}}},
        {"set-port",
         {setPort,
          {"mode", "baud", "parity", "stop", "line", "slave-id", "extended", "split"},
          {}}},
        {"set-radio", {setRadio, {"tx-power", "retries"}, {}}},
        {"add-modbus-module",
         {addModbusModule,
          {"port", "slave-id", "first-register", "count", "format", "names", "outputs", "fc4"},
          {"fc4"}}},
        {"add-io-module",
         {addIoModule,
          {"kind", "address", "interval", "inputs-units", "out1", "out2", "groups", "map"},
          {}}},
        {"import-points", {importPointsAction, {"map"}, {}}},
        {"map", {mapAction, {"table"}, {}}},
        {"add-write-import", {addWriteImportAction, {"type"}, {}}},
        {"rename", {renameAction, {}, {}}},
        {"delete", {deleteAction, {}, {}}},
    };
    return table;
}

} // namespace

// Changes a project file the way the GUI's commands do, and saves it. An action the GUI
// would not offer is refused and nothing is written.
int runEdit(const std::vector<std::string>& argv, CommandIo io)
{
    if (argv.size() < 2) {
        io.err << "usage: quillan-cli edit FILE ACTION [ARGS...]\nactions:";
        for (const auto& [name, action] : actions()) {
            io.err << " " << name;
        }
        io.err << "\n";
        return 2;
    }
    const auto found = actions().find(argv[1]);
    if (found == actions().end()) {
        io.err << "quillan-cli: unknown edit action \"" << argv[1] << "\"\n";
        return 2;
    }
    const Action& action = found->second;
    std::vector<std::string> switches = action.switches;
    switches.push_back("verbose");
    const CliArgs args({argv.begin() + 2, argv.end()}, switches);
    std::vector<std::string> known = action.options;
    known.push_back("verbose");
    if (!checkOptions(args, known, io.err)) {
        return 2;
    }
    CliProject project(io, args.has("verbose"));
    if (!project.open(argv[0])) {
        return 1;
    }
    if (!action.run(project, args, io)) {
        return 1;
    }
    return project.save() ? 0 : 1;
}

} // namespace quillan::cli
