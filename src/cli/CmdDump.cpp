#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "gateway/ConfigImage.h"
#include "gateway/dump/ConfigDump.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <vector>

namespace quillan::cli {

namespace {

struct DumpOptions {
    std::string path;
    std::optional<uint16_t> deviceType;
    bool toFile = false;
};

// Prints the configuration dump of a raw image file, or writes it to Dump.txt.
int runDump(const DumpOptions& o, CommandIo io)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(o.path, error);
    if (error) {
        io.err << "quillan-cli: cannot read " << o.path << ": " << error.message() << "\n";
        return exitFailed;
    }
    if (size != ConfigImage::kSize) {
        io.err << "quillan-cli: " << o.path << " is " << size << " bytes; a configuration image is "
               << ConfigImage::kSize << " bytes\n";
        return exitFailed;
    }
    std::vector<uint8_t> bytes(ConfigImage::kSize);
    std::ifstream file(o.path, std::ios::binary);
    if (!file.read(reinterpret_cast<char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()))) {
        io.err << "quillan-cli: cannot read " << o.path << "\n";
        return exitFailed;
    }
    const auto image = std::make_unique<ConfigImage>(*ConfigImage::fromBytes(bytes));
    const uint16_t type = o.deviceType.value_or(12);

    if (!o.toFile) {
        renderDump(*image, type, io.out);
        return io.out ? exitOk : exitFailed;
    }
    CliNotifications notifications(io.out, true);
    if (!writeDump(*image, type, ".", notifications)) {
        io.err << "quillan-cli: cannot write Dump.txt in the working directory\n";
        return exitFailed;
    }
    return exitOk;
}

} // namespace

void addDumpCommand(CLI::App& app, CommandTable& table)
{
    auto o = std::make_shared<DumpOptions>();
    CLI::App* cmd = app.add_subcommand("dump", "Print the configuration dump of an image file");
    addPositional(*cmd, "IMAGE", o->path, "a raw configuration image");
    addNumber(*cmd, "--type", o->deviceType, 0, 0xFFFF,
              "the device type code the image came from (default: 12, the gateway)")
        ->type_name("CODE");
    cmd->add_flag("--file", o->toFile, "write Dump.txt in the working directory instead");
    table.add(cmd, [o](CommandIo io) { return runDump(*o, io); });
}

} // namespace quillan::cli
