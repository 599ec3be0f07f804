#include "cli/CliProject.h"
#include "cli/Commands.h"
#include "gateway/ZAVGateway.h"
#include "model/Text.h"

#include <memory>
#include <ostream>

namespace quillan::cli {

namespace {

const std::vector<std::string> kLists = {"device", "imports", "exports", "outputs", "modbus"};

struct ShowOptions {
    std::string path;
    std::optional<std::string> node;
    std::optional<size_t> list;
    bool verbose = false;
};

void fillList(Node& node, ZAVGateway* gateway, size_t list, ListRows& rows)
{
    switch (list) {
    case 0:
        node.fillInfoList(rows);
        break;
    case 1:
        gateway->fillImportList(rows);
        break;
    case 2:
        gateway->fillExportList(rows);
        break;
    case 3:
        gateway->fillOutputList(rows);
        break;
    default:
        gateway->fillModbusMapList(rows);
        break;
    }
}

// Prints the rows of one list view, tab-separated, as the GUI shows them.
int runShow(const ShowOptions& o, CommandIo io)
{
    const size_t list = o.list.value_or(0);
    CliProject project(io, o.verbose);
    if (!project.open(o.path)) {
        return exitFailed;
    }
    Node* node = project.doc().root();
    if (o.node) {
        node = project.node(*o.node);
    } else if (node == nullptr) {
        io.err << "quillan-cli: " << o.path << " holds no project: its node list is empty\n";
        return exitFailed;
    }
    if (node == nullptr) {
        return exitFailed;
    }
    auto* gateway = dynamic_cast<ZAVGateway*>(node);
    if (list != 0 && gateway == nullptr) {
        io.err << "quillan-cli: the " << kLists[list]
               << " list belongs to a gateway; give --gateway\n";
        return exitUsage;
    }
    ListRows rows;
    fillList(*node, gateway, list, rows);
    for (const ListRow& row : rows) {
        for (size_t c = 0; c < row.cells.size(); ++c) {
            io.out << (c > 0 ? "\t" : "") << cp1252ToUtf8(row.cells[c]);
        }
        io.out << "\n";
    }
    return exitOk;
}

} // namespace

void addShowCommand(CLI::App& app, CommandTable& table)
{
    auto o = std::make_shared<ShowOptions>();
    CLI::App* cmd =
        app.add_subcommand("show", "Print the rows of a list view as the GUI shows them");
    cmd->footer("Cells are separated by tabs.");
    addPositional(*cmd, "FILE", o->path, "the project file");
    addText(*cmd, "--gateway", o->node,
            "the gateway, or GATEWAY/MODULE for a Modbus module (default: the project root)")
        ->type_name("NAME[/MODULE]");
    addChoice(*cmd, "--list", o->list, kLists, "the list to print (default: device)");
    addVerbose(*cmd, o->verbose);
    table.add(cmd, [o](CommandIo io) { return runShow(*o, io); });
}

} // namespace quillan::cli
