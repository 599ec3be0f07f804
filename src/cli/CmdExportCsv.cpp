#include "cli/CliProject.h"
#include "cli/Commands.h"
#include "export/CsvExport.h"

#include <memory>
#include <ostream>

namespace quillan::cli {

namespace {

struct ExportCsvOptions {
    std::string path;
    bool verbose = false;
};

int runExportCsv(const ExportCsvOptions& o, CommandIo io)
{
    CliProject project(io, o.verbose);
    if (!project.open(o.path)) {
        return exitFailed;
    }
    if (!exportCsv(project.doc(), project.notifications())) {
        io.err << "quillan-cli: cannot write " << csvPath(project.doc()) << "\n";
        return exitFailed;
    }
    return exitOk;
}

} // namespace

void addExportCsvCommand(CLI::App& app, CommandTable& table)
{
    auto o = std::make_shared<ExportCsvOptions>();
    CLI::App* cmd = app.add_subcommand("export-csv",
                                       "Write the CSV listing of every gateway beside the project");
    addPositional(*cmd, "FILE", o->path, "the project file");
    addVerbose(*cmd, o->verbose);
    table.add(cmd, [o](CommandIo io) { return runExportCsv(*o, io); });
}

} // namespace quillan::cli
