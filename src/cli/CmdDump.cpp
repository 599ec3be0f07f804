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

// Prints the configuration dump of a raw image file, or writes it to Dump.txt.
int runDump(const std::vector<std::string>& argv, CommandIo io)
{
    const CliArgs args(argv, {"file"});
    if (!checkOptions(args, {"type", "file"}, io.err)) {
        return 2;
    }
    if (args.positionals().size() != 1) {
        io.err << "usage: quillan-cli dump IMAGE [--type CODE] [--file]\n";
        return 2;
    }
    const auto deviceType = parseNumber(args.value("type").value_or("12"), 0, 0xFFFF);
    if (!deviceType) {
        io.err << "quillan-cli: --type must be a device type code, 0 to 65535\n";
        return 2;
    }

    const std::string& path = args.positionals()[0];
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) {
        io.err << "quillan-cli: cannot read " << path << ": " << error.message() << "\n";
        return 1;
    }
    if (size != ConfigImage::kSize) {
        io.err << "quillan-cli: " << path << " is " << size << " bytes; a configuration image is "
               << ConfigImage::kSize << " bytes\n";
        return 1;
    }
    std::vector<uint8_t> bytes(ConfigImage::kSize);
    std::ifstream file(path, std::ios::binary);
    if (!file.read(reinterpret_cast<char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()))) {
        io.err << "quillan-cli: cannot read " << path << "\n";
        return 1;
    }
    const auto image = std::make_unique<ConfigImage>(*ConfigImage::fromBytes(bytes));
    const auto type = static_cast<uint16_t>(*deviceType);

    if (!args.has("file")) {
        renderDump(*image, type, io.out);
        return io.out ? 0 : 1;
    }
    CliNotifications notifications(io.out, true);
    if (!writeDump(*image, type, notifications)) {
        io.err << "quillan-cli: cannot write Dump.txt in the working directory\n";
        return 1;
    }
    return 0;
}

} // namespace quillan::cli
