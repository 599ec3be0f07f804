#include "cli/CliProject.h"
#include "cli/Commands.h"
#include "export/CsvExport.h"

#include <ostream>

namespace quillan::cli {

// Writes the CSV listing of every gateway beside the project file.
int runExportCsv(const std::vector<std::string>& argv, CommandIo io)
{
    const CliArgs args(argv, {"verbose"});
    if (!checkOptions(args, {"verbose"}, io.err)) {
        return 2;
    }
    if (args.positionals().size() != 1) {
        io.err << "usage: quillan-cli export-csv FILE\n";
        return 2;
    }
    CliProject project(io, args.has("verbose"));
    if (!project.open(args.positionals()[0])) {
        return 1;
    }
    if (!exportCsv(project.doc(), project.notifications())) {
        io.err << "quillan-cli: cannot write " << csvPath(project.doc()) << "\n";
        return 1;
    }
    return 0;
}

} // namespace quillan::cli
