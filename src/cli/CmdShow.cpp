#include "cli/CliProject.h"
#include "cli/Commands.h"
#include "gateway/ZAVGateway.h"
#include "model/Text.h"

#include <ostream>

namespace quillan::cli {

// Prints the rows of one list view, tab-separated, as the GUI shows them.
int runShow(const std::vector<std::string>& argv, CommandIo io)
{
    const CliArgs args(argv, {"verbose"});
    if (!checkOptions(args, {"gateway", "list", "verbose"}, io.err)) {
        return 2;
    }
    const std::string list = args.value("list").value_or("device");
    if (args.positionals().size() != 1 ||
        (list != "device" && list != "imports" && list != "exports" && list != "outputs" &&
         list != "modbus")) {
        io.err << "usage: quillan-cli show FILE [--gateway NAME[/MODULE]] "
                  "[--list device|imports|exports|outputs|modbus]\n";
        return 2;
    }
    CliProject project(io, args.has("verbose"));
    if (!project.open(args.positionals()[0])) {
        return 1;
    }
    Node* node = project.doc().root();
    if (const auto name = args.value("gateway")) {
        node = project.node(*name);
    }
    if (node == nullptr) {
        return 1;
    }
    auto* gateway = dynamic_cast<ZAVGateway*>(node);
    if (list != "device" && gateway == nullptr) {
        io.err << "quillan-cli: the " << list << " list belongs to a gateway; give --gateway\n";
        return 2;
    }
    ListRows rows;
    if (list == "device") {
        node->fillInfoList(rows);
    } else if (list == "imports") {
        rows = gateway->fillImportList().rows;
    } else if (list == "exports") {
        rows = gateway->fillExportList().rows;
    } else if (list == "outputs") {
        rows = gateway->fillOutputList().rows;
    } else {
        rows = gateway->fillModbusMapList().rows;
    }
    for (const ListRow& row : rows) {
        for (size_t c = 0; c < row.cells.size(); ++c) {
            io.out << (c > 0 ? "\t" : "") << cp1252ToUtf8(row.cells[c]);
        }
        io.out << "\n";
    }
    return 0;
}

} // namespace quillan::cli
