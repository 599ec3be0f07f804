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

// The rows of a list, and the warning the list's view would show once.
ListRows fillList(Node& node, ZAVGateway* gateway, size_t list, std::ostream& err)
{
    if (list == 0) {
        ListRows rows;
        node.fillInfoList(rows);
        return rows;
    }
    GatewayList filled = list == 1   ? gateway->fillImportList()
                         : list == 2 ? gateway->fillExportList()
                         : list == 3 ? gateway->fillOutputList()
                                     : gateway->fillModbusMapList();
    if (const auto notice = gateway->noticeToShow(filled)) {
        err << "quillan-cli: warning: " << notice->caption << " " << notice->text << "\n";
    }
    return std::move(filled.rows);
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
    const ListRows rows = fillList(*node, gateway, list, io.err);
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
