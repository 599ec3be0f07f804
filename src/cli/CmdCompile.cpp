#include "cli/CliProject.h"
#include "cli/Commands.h"
#include "device/ResultCodes.h"
#include "gateway/ConfigImage.h"
#include "gateway/ZAVGateway.h"
#include "model/Text.h"

#include <fstream>
#include <memory>
#include <ostream>

namespace quillan::cli {

namespace {

struct CompileOptions {
    std::string path;
    std::optional<std::string> gateway;
    std::optional<std::string> out;
    std::optional<std::string> firmware;
    bool verbose = false;
};

// Compiles a gateway's device configuration image into a file, unless a table is over its
// limit: the device would refuse such an image, so none is written.
int runCompile(const CompileOptions& o, CommandIo io)
{
    CliProject project(io, o.verbose);
    ZAVGateway* gateway = project.openGateway(o.path, *o.gateway);
    if (gateway == nullptr) {
        return exitFailed;
    }
    ZAVGateway::CompileOptions options;
    options.firmwareVersion = o.firmware;
    const CompiledImage compiled = gateway->compileImage(options);
    io.out << "data store records: " << gateway->dataStoreCounter << "\n"
           << "import records: " << gateway->importRecordCounter << "\n"
           << "export records: " << gateway->exportRecordCounter << "\n"
           << "map records: " << gateway->mapRecordCounter << "\n";
    if (compiled.limit != TableLimit::none) {
        io.err << cp1252ToUtf8(device::resultText(static_cast<int>(compiled.limit),
                                                  {gateway->getName(), {}, 0}))
               << "\n";
        return exitFailed;
    }

    std::ofstream file(*o.out, std::ios::binary | std::ios::trunc);
    const auto bytes = compiled.image.bytes();
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        io.err << "quillan-cli: cannot write " << *o.out << "\n";
        return exitFailed;
    }
    return exitOk;
}

} // namespace

void addCompileCommand(CLI::App& app, CommandTable& table)
{
    auto o = std::make_shared<CompileOptions>();
    CLI::App* cmd =
        app.add_subcommand("compile", "Compile a gateway's configuration image into a file");
    cmd->footer("The record counts are printed. A table over 1920 records fails with the "
                "device's message, and no image is written.");
    addPositional(*cmd, "FILE", o->path, "the project file");
    addText(*cmd, "--gateway", o->gateway, "the gateway to compile")->type_name("NAME")->required();
    addText(*cmd, "--out", o->out, "the image file to write")->type_name("IMAGE")->required();
    addText(*cmd, "--firmware", o->firmware, "the firmware version the gateway reports")
        ->type_name("VERSION");
    addVerbose(*cmd, o->verbose);
    table.add(cmd, [o](CommandIo io) { return runCompile(*o, io); });
}

} // namespace quillan::cli
