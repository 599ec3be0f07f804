// The commands that keep a packed copy of a project on a gateway: store-file and retrieve-file.
#include "cli/CliProject.h"
#include "cli/Commands.h"
#include "cli/DeviceRun.h"
#include "device/GatewayLink.h"
#include "device/ProjectFileTransfer.h"
#include "gateway/ZAVGateway.h"
#include "model/Text.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

namespace quillan::cli {

namespace {

namespace fs = std::filesystem;

// store-file ----------------------------------------------------------------------------------

struct StoreFileOptions {
    std::string path;
    std::optional<std::string> gateway;
    bool overwrite = false;
    PortOptions port;
};

int runStoreFile(const StoreFileOptions& o, CommandIo io)
{
    CliProject project(io, o.port.verbose);
    ZAVGateway* gateway = project.openGateway(o.path, *o.gateway);
    if (gateway == nullptr) {
        return exitFailed;
    }
    DeviceRun run(io, o.port);
    // The file as it is on disk is what goes to the device, as the GUI's file choice takes it.
    const auto packed = device::packProjectFileForStore(o.path, run.prompts());
    if (!packed) {
        return exitFailed;
    }
    if (!run.openPort()) {
        return exitFailed;
    }
    run.prompts().answerBy(device::OVERWRITE_CAPTION, "--overwrite",
                           o.overwrite ? MessageAnswer::yes : MessageAnswer::no);
    device::GatewayLink link(run.services(), gateway->getName());
    return device::storeProjectFile(link, *packed) == 66 ? exitOk : exitFailed;
}

// retrieve-file -------------------------------------------------------------------------------

struct RetrieveFileOptions {
    std::optional<std::string> out;
    bool overwrite = false;
    PortOptions port;
};

// A project name as a file name in the current folder: what a file name cannot hold becomes
// '_', and a project without a name goes by the node's.
fs::path fileNameFor(const std::string& projectName)
{
    std::string name = cp1252ToUtf8(projectName);
    for (char& c : name) {
        if (c == '/' || (static_cast<unsigned char>(c) < 0x20)) {
            c = '_';
        }
    }
    if (name.empty() || name == "." || name == "..") {
        name = device::RETRIEVE_NODE_NAME;
    }
    return fs::path(name + ".zavproj");
}

bool mayWrite(const fs::path& path, bool overwrite, std::ostream& err)
{
    std::error_code ignored;
    if (!overwrite && fs::exists(path, ignored)) {
        err << "quillan-cli: " << path.string() << " exists (--overwrite replaces it)\n";
        return false;
    }
    return true;
}

int runRetrieveFile(const RetrieveFileOptions& o, CommandIo io)
{
    if (o.out && !mayWrite(*o.out, o.overwrite, io.err)) {
        return exitFailed;
    }
    DeviceRun run(io, o.port);
    if (!run.openPort()) {
        return exitFailed;
    }
    device::GatewayLink link(run.services(), device::RETRIEVE_NODE_NAME);
    const device::RetrieveResult result = device::retrieveProjectFile(
        link, rememberedProjectFolder(io.err),
        [&](const std::string& projectName) -> std::optional<std::string> {
            const fs::path path = o.out ? fs::path(*o.out) : fileNameFor(projectName);
            if (!mayWrite(path, o.overwrite, io.err)) {
                return std::nullopt;
            }
            return path.string();
        });
    if (!result.savedPath) {
        return exitFailed;
    }
    io.out << "saved " << *result.savedPath << "\n";
    return exitOk;
}

} // namespace

void addProjectFileCommands(CLI::App& app, CommandTable& table)
{
    {
        auto o = std::make_shared<StoreFileOptions>();
        CLI::App* cmd = app.add_subcommand(
            "store-file", "Store a packed copy of a project file on a gateway");
        cmd->footer("Exit status 0 only when the device took the file. A device that already "
                    "holds a project file keeps it unless --overwrite is given.");
        addPositional(*cmd, "PROJECT", o->path, "the project file to store");
        addText(*cmd, "--gateway", o->gateway, "the gateway to store it on")
            ->type_name("NAME")
            ->required();
        cmd->add_flag("--overwrite", o->overwrite,
                      "replace a project file the device already holds");
        addPortOptions(*cmd, o->port);
        table.add(cmd, [o](CommandIo io) { return runStoreFile(*o, io); });
    }
    {
        auto o = std::make_shared<RetrieveFileOptions>();
        CLI::App* cmd = app.add_subcommand(
            "retrieve-file", "Retrieve the project file stored on a gateway into a new file");
        cmd->footer("Without --out the file is named after the stored project, in the current "
                    "folder. Exit status 0 only when the file was written.");
        addText(*cmd, "--out", o->out, "the file to write")->type_name("FILE");
        cmd->add_flag("--overwrite", o->overwrite, "replace an existing file");
        addPortOptions(*cmd, o->port);
        table.add(cmd, [o](CommandIo io) { return runRetrieveFile(*o, io); });
    }
}

} // namespace quillan::cli
