#include "cli/CliProject.h"
#include "cli/Commands.h"
#include "gateway/ConfigImage.h"
#include "gateway/ZAVGateway.h"
#include "model/Text.h"

#include <fstream>
#include <ostream>

namespace quillan::cli {

namespace {

const char* limitMessage(TableLimit limit)
{
    switch (limit) {
    case TableLimit::points:
        return "%s - Point limit (1920) exceeded.";
    case TableLimit::imports:
        return "%s - Import limit (1920) exceeded.";
    case TableLimit::exports:
        return "%s - Export limit (1920) exceeded.";
    case TableLimit::modbusMap:
        return "%s - Modbus Map limit (1920) exceeded.";
    case TableLimit::none:
        break;
    }
    return nullptr;
}

} // namespace

// Compiles a gateway's device configuration image into a file.
int runCompile(const std::vector<std::string>& argv, CommandIo io)
{
    const CliArgs args(argv, {"verbose"});
    if (!checkOptions(args, {"gateway", "out", "firmware", "verbose"}, io.err)) {
        return 2;
    }
    if (args.positionals().size() != 1 || !args.value("gateway") || !args.value("out")) {
        io.err << "usage: quillan-cli compile FILE --gateway NAME --out IMAGE "
                  "[--firmware VERSION]\n";
        return 2;
    }
    CliProject project(io, args.has("verbose"));
    if (!project.open(args.positionals()[0])) {
        return 1;
    }
    ZAVGateway* gateway = project.gateway(*args.value("gateway"));
    if (gateway == nullptr) {
        return 1;
    }
    ZAVGateway::CompileOptions options;
    options.firmwareVersion = args.value("firmware");
    const CompiledImage compiled = gateway->compileImage(options);

    const std::string out = *args.value("out");
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    const auto bytes = compiled.image.bytes();
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        io.err << "quillan-cli: cannot write " << out << "\n";
        return 1;
    }
    io.out << "data store records: " << gateway->dataStoreCounter << "\n"
           << "import records: " << gateway->importRecordCounter << "\n"
           << "export records: " << gateway->exportRecordCounter << "\n"
           << "map records: " << gateway->mapRecordCounter << "\n";
    if (const char* message = limitMessage(compiled.limit)) {
        io.err << cp1252ToUtf8(strprintf(message, gateway->getName().c_str())) << "\n";
        return 1;
    }
    return 0;
}

} // namespace quillan::cli
