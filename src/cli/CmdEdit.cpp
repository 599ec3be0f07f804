#include "cli/CliProject.h"
#include "cli/Commands.h"
#include "gateway/GatewayRules.h"
#include "gateway/IoModuleRules.h"
#include "gateway/ModbusModuleRules.h"
#include "gateway/NodeRules.h"
#include "gateway/PointCommands.h"
#include "gateway/ZAVGateway.h"
#include "model/MBModule.h"
#include "model/NodeName.h"
#include "model/Text.h"

#include <memory>
#include <ostream>

// Every edit action changes the file the way the GUI's command does and saves it. An action
// the GUI would not offer is refused with the reason, and nothing is written.
namespace quillan::cli {

namespace {

struct EditFile {
    std::string path;
    bool verbose = false;
};

using FilePtr = std::shared_ptr<const EditFile>;
using ActionBody = std::function<bool(CliProject&, CommandIo)>;

// The body of an action: opens the file, changes it and saves it when the change was made.
CommandRun editing(FilePtr file, ActionBody body)
{
    return [file = std::move(file), body = std::move(body)](CommandIo io) {
        CliProject project(io, file->verbose);
        if (!project.open(file->path) || !body(project, io)) {
            return int{exitFailed};
        }
        return project.save() ? int{exitOk} : int{exitFailed};
    };
}

// An action of the edit command; options it does not know are looked up on edit (--verbose).
CLI::App* addAction(CLI::App& edit, const char* name, const char* help)
{
    CLI::App* action = edit.add_subcommand(name, help);
    action->fallthrough();
    return action;
}

bool refuse(CommandIo io, const std::string& why)
{
    io.err << "quillan-cli: refused: " << cp1252ToUtf8(why) << "\n";
    return false;
}

// A name the project file could not hold is refused; its message is already UTF-8.
bool refusedOutsideCp1252(CommandIo io, const std::string& name)
{
    const std::string why = checkModelText(name);
    if (!why.empty()) {
        io.err << "quillan-cli: refused: " << why << "\n";
    }
    return !why.empty();
}

std::string checkRegisters(const std::string& text)
{
    for (const auto& piece : splitList(text)) {
        if (!parseNumber(piece, 0, 65535)) {
            return "takes registers 0 to 65535";
        }
    }
    return {};
}

// add-gateway

bool addGateway(CliProject& p, CommandIo io)
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

void addGatewayAction(CLI::App& edit, CommandTable& table, const FilePtr& file)
{
    CLI::App* action = addAction(edit, "add-gateway", "Insert a gateway into the active site");
    table.add(action, editing(file, addGateway));
}

// set-port

struct PortOptions {
    std::string gateway;
    std::string port;
    std::optional<size_t> mode, parity, stop, line, extended, split;
    std::optional<uint32_t> baud, slaveId;
};

bool setPort(CliProject& p, const PortOptions& o, CommandIo io)
{
    ZAVGateway* g = p.gateway(o.gateway);
    if (g == nullptr) {
        return false;
    }
    PortChange change;
    if (o.mode) {
        change.protocol = static_cast<uint8_t>(*o.mode + 1);
    }
    change.baudRate = o.baud;
    if (o.parity) {
        change.parity = static_cast<uint8_t>(*o.parity + 1);
    }
    if (o.stop) {
        change.stopBits = static_cast<uint8_t>(*o.stop + 1);
    }
    if (o.line) {
        change.rs485 = *o.line == 1;
    }
    change.slaveId = o.slaveId;
    if (o.extended) {
        change.extended = *o.extended == 1;
    }
    if (o.split) {
        change.split = *o.split == 1;
    }
    const bool config = o.port == "config";
    const std::string refused = config ? changeConfigPort(*g, change) : changeRtuPort(*g, change);
    if (!refused.empty()) {
        return refuse(io, refused);
    }
    const SerialPortDefinition* port = g->port(config ? 0 : 2);
    io.out << cp1252ToUtf8(port->portName) << ": " << port->settingsText() << ", "
           << port->protocolText() << "\n";
    return true;
}

void addSetPortAction(CLI::App& edit, CommandTable& table, const FilePtr& file)
{
    auto o = std::make_shared<PortOptions>();
    CLI::App* action =
        addAction(edit, "set-port", "Change the CONFIG or RTU port and print its settings");
    addPositional(*action, "GATEWAY", o->gateway, "the gateway");
    addPositional(*action, "PORT", o->port, "the port")
        ->type_name("config|rtu")
        ->check(CLI::IsMember({"config", "rtu"}).description(""));
    addChoice(*action, "--mode", o->mode, {"debug", "slave", "master"}, "the port's protocol");
    addNumber(*action, "--baud", o->baud, 1, 1000000, "the baud rate (RTU)")->type_name("RATE");
    addChoice(*action, "--parity", o->parity, {"none", "even", "odd"}, "the parity (RTU)");
    addChoice(*action, "--stop", o->stop, {"1", "2"}, "the stop bits (RTU)");
    addChoice(*action, "--line", o->line, {"rs232", "rs485"}, "the wiring (RTU)");
    addNumber(*action, "--slave-id", o->slaveId, 0, 70000,
              "the Modbus slave id; clamped to 1-247, or 1-65535 with extended addressing")
        ->type_name("ID");
    addChoice(*action, "--extended", o->extended, {"off", "on"}, "extended slave addressing");
    addChoice(*action, "--split", o->split, {"off", "on"}, "split slave mode");
    table.add(action,
              editing(file, [o](CliProject& p, CommandIo io) { return setPort(p, *o, io); }));
}

// set-radio

struct RadioOptions {
    std::string gateway;
    std::optional<uint16_t> power;
    std::optional<int> retries;
};

void addSetRadioAction(CLI::App& edit, CommandTable& table, const FilePtr& file)
{
    auto o = std::make_shared<RadioOptions>();
    CLI::App* action =
        addAction(edit, "set-radio", "Change the transmit power and retries of a gateway");
    addPositional(*action, "GATEWAY", o->gateway, "the gateway");
    addNumber(*action, "--tx-power", o->power, 0, 4, "the transmit power index");
    addNumber(*action, "--retries", o->retries, 0, 99, "the retries as the Radio page shows them");
    table.add(action, editing(file, [o](CliProject& p, CommandIo io) {
                  ZAVGateway* g = p.gateway(o->gateway);
                  if (g == nullptr) {
                      return false;
                  }
                  const std::string refused = changeRadio(*g, o->power, o->retries);
                  return refused.empty() || refuse(io, refused);
              }));
}

// add-modbus-module

struct ModuleOptions {
    std::string gateway;
    std::optional<uint8_t> port, slaveId;
    std::optional<uint16_t> firstRegister;
    std::optional<uint8_t> count;
    std::optional<size_t> format;
    std::optional<std::string> names, outputs;
    bool fc4 = false;
};

bool addModbusModule(CliProject& p, const ModuleOptions& o, CommandIo io)
{
    ZAVGateway* g = p.gateway(o.gateway);
    if (g == nullptr) {
        return false;
    }
    if (!p.doc().canInsertModbusModule(*g)) {
        return refuse(io, p.doc().isFirstSiteActive()
                              ? "the gateway has no Modbus master port for a module"
                              : "modules are inserted only while the first site is active");
    }
    ModbusModuleSettings settings = MBModule::newModuleSettings(*g);
    settings.slaveId = *o.slaveId;
    settings.firstRegister = *o.firstRegister;
    settings.registerCount = *o.count;
    settings.registerFormat = static_cast<uint8_t>((*o.format == 1 ? 2 : 0) | (o.fc4 ? 0x80 : 0));
    if (const std::string refused = checkModbusModule(settings); !refused.empty()) {
        return refuse(io, refused);
    }
    if (o.port) {
        const SerialPortDefinition* def = g->port(*o.port - 1u);
        if (def == nullptr || def->protocol != protocolModbusMaster) {
            return refuse(io, strprintf("port %d of the gateway is not a Modbus master", *o.port));
        }
        settings.port = *o.port;
    }
    const auto names = splitList(utf8ToCp1252(o.names.value_or("")));
    if (names.size() > settings.registerCount) {
        return refuse(io, "more names than registers");
    }
    for (size_t i = 0; i < settings.registerCount; ++i) {
        settings.inputNames.push_back(i < names.size() && !names[i].empty()
                                          ? names[i]
                                          : strprintf("Point_%d", static_cast<int>(i + 1)));
    }
    for (const auto& reg : splitList(o.outputs.value_or(""))) {
        addModbusOutput(settings, static_cast<uint16_t>(*parseNumber(reg, 0, 65535)));
    }
    if (settings.port == 0) {
        return refuse(io, "the module has no port (the RTU port is not a Modbus master); give "
                          "--port");
    }
    if (!p.doc().insertModbusModule(*g, std::move(settings))) {
        return false;
    }
    io.out << "added " << cp1252ToUtf8(g->childModules().back()->getName()) << " to "
           << cp1252ToUtf8(g->getName()) << "\n";
    return true;
}

void addModbusModuleAction(CLI::App& edit, CommandTable& table, const FilePtr& file)
{
    auto o = std::make_shared<ModuleOptions>();
    CLI::App* action = addAction(edit, "add-modbus-module",
                                 "Insert a Modbus module with the values of its property sheet");
    addPositional(*action, "GATEWAY", o->gateway, "the gateway");
    addNumber(*action, "--port", o->port, 1, 3,
              "the gateway port it is on (default: the RTU port when it is a Modbus master)");
    addNumber(*action, "--slave-id", o->slaveId, 1, 247, "the module's slave id")
        ->type_name("ID")
        ->required();
    addNumber(*action, "--first-register", o->firstRegister, 0, 65535, "the first input register")
        ->type_name("R")
        ->required();
    addNumber(*action, "--count", o->count, 0, 125, "the number of input registers (float: 62)")
        ->type_name("N")
        ->required();
    addChoice(*action, "--format", o->format, {"int16", "float"}, "the input register format")
        ->required();
    action->add_flag("--fc4", o->fc4, "read the inputs with function code 0x04");
    addText(*action, "--names", o->names,
            "the input names, comma-separated (default and empty pieces: Point_N)", checkModelText)
        ->type_name("A,B,...");
    addText(*action, "--outputs", o->outputs,
            "16-bit output registers, comma-separated, named Output_0, Output_1, ...",
            checkRegisters)
        ->type_name("R,R,...");
    table.add(action, editing(file, [o](CliProject& p, CommandIo io) {
                  return addModbusModule(p, *o, io);
              }));
}

// add-io-module

struct IoModuleOptions {
    std::string gateway;
    std::optional<size_t> kind;
    std::optional<uint8_t> address, inputUnits, out1, out2;
    std::optional<uint32_t> interval, groups, map;
};

bool addIoModule(CliProject& p, const IoModuleOptions& o, CommandIo io)
{
    ZAVGateway* g = p.gateway(o.gateway);
    if (g == nullptr) {
        return false;
    }
    IoModuleChoices choices;
    choices.kind = static_cast<uint8_t>(*o.kind);
    choices.address = *o.address;
    choices.interval = o.interval.value_or(1);
    choices.inputUnits = o.inputUnits.value_or(0);
    choices.output1Units = o.out1.value_or(0);
    choices.output2Units = o.out2.value_or(0);
    choices.groups = static_cast<uint8_t>(o.groups.value_or(groupInputs));
    choices.mapOptions = o.map.value_or(0);
    if (const std::string refused = addNewIoModule(*g, choices); !refused.empty()) {
        return refuse(io, refused);
    }
    io.out << "added " << cp1252ToUtf8(g->ioModules().back()->getName()) << " to "
           << cp1252ToUtf8(g->getName()) << "\n";
    return true;
}

void addIoModuleAction(CLI::App& edit, CommandTable& table, const FilePtr& file)
{
    auto o = std::make_shared<IoModuleOptions>();
    CLI::App* action = addAction(edit, "add-io-module",
                                 "Add an I/O module with the choices of the IO Module dialog");
    addPositional(*action, "GATEWAY", o->gateway, "the gateway");
    addChoice(*action, "--kind", o->kind, {"am1", "am2", "dm"}, "the module type")->required();
    addNumber(*action, "--address", o->address, 0, 15, "the module's bus address")->required();
    addNumber(*action, "--interval", o->interval, 1, 86399,
              "the read interval in seconds (default: 1)");
    addNumber(*action, "--inputs-units", o->inputUnits, 0, 1,
              "analog inputs: 0 integer, 1 float (default: 0)");
    addNumber(*action, "--out1", o->out1, 0, 3, "output 1 units (default: 0)");
    addNumber(*action, "--out2", o->out2, 0, 3, "output 2 units (default: 0)");
    addWordSet(*action, "--groups", o->groups, {"inputs", "counts", "status"},
               "the point groups of a dm module (default: inputs)");
    addWordSet(*action, "--map", o->map, {"int", "float"},
               "map the inputs into these Modbus tables (default: none)");
    table.add(action,
              editing(file, [o](CliProject& p, CommandIo io) { return addIoModule(p, *o, io); }));
}

// import-points

struct ImportOptions {
    std::string source;
    std::string target;
    std::vector<std::string> labels;
    std::optional<uint32_t> map;
};

bool importPointsAction(CliProject& p, const ImportOptions& o, CommandIo io)
{
    ZAVGateway* source = p.gateway(o.source);
    ZAVGateway* target = source != nullptr ? p.gateway(o.target) : nullptr;
    if (target == nullptr) {
        return false;
    }
    if (source == target) {
        return refuse(io, "points are imported from another gateway");
    }
    std::vector<Import*> points;
    if (!p.points(*source, o.labels, points)) {
        return false;
    }
    const std::vector<RFImport*> created = importPoints(*source, *target, points);
    const std::vector<Import*> newPoints(created.begin(), created.end());
    const uint32_t map = o.map.value_or(0);
    if ((map & 1) != 0) {
        (void)pasteToModbusMap(*target, newPoints, false);
    }
    if ((map & 2) != 0) {
        (void)pasteToModbusMap(*target, newPoints, true);
    }
    p.doc().importClipboard().assign(newPoints.begin(), newPoints.end());
    p.doc().setModified();
    io.out << "imported " << created.size() << " point(s) into " << cp1252ToUtf8(target->getName())
           << "\n";
    return true;
}

void addImportPointsAction(CLI::App& edit, CommandTable& table, const FilePtr& file)
{
    auto o = std::make_shared<ImportOptions>();
    CLI::App* action = addAction(edit, "import-points",
                                 "Share points of one gateway with another (Import Points)");
    addPositional(*action, "SOURCE", o->source, "the gateway the points belong to");
    addPositional(*action, "TARGET", o->target, "the gateway that imports them");
    addPositional(*action, "POINT_LABEL", o->labels,
                  "labels in SOURCE's Imports list (Base:VIN); where two points share a label, "
                  "the Source column in front (Gateway_2:Base:VIN)");
    addWordSet(*action, "--map", o->map, {"int", "float"},
               "also map the new points into these Modbus tables of TARGET");
    table.add(action, editing(file, [o](CliProject& p, CommandIo io) {
                  return importPointsAction(p, *o, io);
              }));
}

// map

struct MapOptions {
    std::string gateway;
    std::vector<std::string> labels;
    std::optional<size_t> table;
};

bool mapAction(CliProject& p, const MapOptions& o, CommandIo io)
{
    ZAVGateway* g = p.gateway(o.gateway);
    std::vector<Import*> points;
    if (g == nullptr || !p.points(*g, o.labels, points)) {
        return false;
    }
    const std::string refused = pasteToModbusMap(*g, points, *o.table == 1);
    return refused.empty() || refuse(io, refused);
}

void addMapAction(CLI::App& edit, CommandTable& table, const FilePtr& file)
{
    auto o = std::make_shared<MapOptions>();
    CLI::App* action =
        addAction(edit, "map", "Map points of a gateway into its Modbus register map");
    addPositional(*action, "GATEWAY", o->gateway, "the gateway");
    addPositional(*action, "POINT_LABEL", o->labels, "labels in the gateway's Imports list");
    addChoice(*action, "--table", o->table, {"int", "float"}, "the Modbus table")->required();
    table.add(action,
              editing(file, [o](CliProject& p, CommandIo io) { return mapAction(p, *o, io); }));
}

// add-write-import

struct WriteImportOptions {
    std::string gateway;
    std::string name;
    std::optional<size_t> type;
};

void addWriteImportAction(CLI::App& edit, CommandTable& table, const FilePtr& file)
{
    auto o = std::make_shared<WriteImportOptions>();
    CLI::App* action = addAction(edit, "add-write-import",
                                 "Add a Modbus write import and its map entry (New Write Import)");
    addPositional(*action, "GATEWAY", o->gateway, "the gateway");
    addPositional(*action, "NAME", o->name, "the point's name");
    addChoice(*action, "--type", o->type, {"int", "float"}, "the Modbus table of its entry")
        ->required();
    table.add(action, editing(file, [o](CliProject& p, CommandIo io) {
                  ZAVGateway* g = p.gateway(o->gateway);
                  if (g == nullptr) {
                      return false;
                  }
                  if (o->name.empty()) {
                      return refuse(io, "a write import needs a name");
                  }
                  if (refusedOutsideCp1252(io, o->name)) {
                      return false;
                  }
                  (void)addNewWriteImport(*g, utf8ToCp1252(o->name), *o->type == 1);
                  return true;
              }));
}

// rename

struct RenameOptions {
    std::string node;
    std::string name;
};

void addRenameAction(CLI::App& edit, CommandTable& table, const FilePtr& file)
{
    auto o = std::make_shared<RenameOptions>();
    CLI::App* action = addAction(edit, "rename", "Rename a gateway or a Modbus module");
    addPositional(*action, "NODE", o->node, "GATEWAY or GATEWAY/MODULE");
    addPositional(*action, "NEWNAME", o->name, "the new name");
    table.add(action, editing(file, [o](CliProject& p, CommandIo io) {
                  Node* node = p.node(o->node);
                  if (node == nullptr) {
                      return false;
                  }
                  if (refusedOutsideCp1252(io, o->name)) {
                      return false;
                  }
                  const std::string name = utf8ToCp1252(o->name);
                  if (!isValidNodeName(name)) {
                      return refuse(io, "a name has 1 to 63 characters, no spaces and none of "
                                        "\\|&;<>()$`\"'*?[#~=%:/.");
                  }
                  node->setName(name);
                  return true;
              }));
}

// delete

void addDeleteAction(CLI::App& edit, CommandTable& table, const FilePtr& file)
{
    auto node = std::make_shared<std::string>();
    CLI::App* action = addAction(edit, "delete", "Delete a gateway or a Modbus module");
    addPositional(*action, "NODE", *node, "GATEWAY or GATEWAY/MODULE");
    table.add(action, editing(file, [node](CliProject& p, CommandIo io) {
                  Node* doomed = p.node(*node);
                  if (doomed == nullptr) {
                      return false;
                  }
                  const std::string refused = deleteRefusal(*doomed, p.doc().isFirstSiteActive());
                  if (!refused.empty()) {
                      return refuse(io, refused);
                  }
                  p.doc().deleteNode(*doomed);
                  return true;
              }));
}

} // namespace

void addEditCommand(CLI::App& app, CommandTable& table)
{
    auto file = std::make_shared<EditFile>();
    CLI::App* edit = app.add_subcommand("edit", "Change a project file as the GUI's commands do");
    addPositional(*edit, "FILE", file->path, "the project file");
    addVerbose(*edit, file->verbose);
    edit->require_subcommand(1);
    addGatewayAction(*edit, table, file);
    addSetPortAction(*edit, table, file);
    addSetRadioAction(*edit, table, file);
    addModbusModuleAction(*edit, table, file);
    addIoModuleAction(*edit, table, file);
    addImportPointsAction(*edit, table, file);
    addMapAction(*edit, table, file);
    addWriteImportAction(*edit, table, file);
    addRenameAction(*edit, table, file);
    addDeleteAction(*edit, table, file);
    setHelpWords(*edit, "ACTION", "Actions");
    edit->footer("An action the GUI would not offer is refused with the reason, and the file is "
                 "left as it was.\nPoints are named by their label in the gateway's Imports list.");
}

} // namespace quillan::cli
