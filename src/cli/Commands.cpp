#include "cli/Commands.h"

namespace quillan::cli {

// Each command is defined in its own Cmd*.cpp file.
int runNew(const std::vector<std::string>& args, CommandIo io);
int runCheck(const std::vector<std::string>& args, CommandIo io);
int runDump(const std::vector<std::string>& args, CommandIo io);
int runPorts(const std::vector<std::string>& args, CommandIo io);

const std::vector<Command>& commands()
{
    static const std::vector<Command> list = {
        {"new", "new --name NAME --folder DIR [--band 868|900|2.4] [--channel C] [--group G]",
         runNew},
        {"check", "check FILE", runCheck},
        {"dump", "dump IMAGE [--type CODE] [--file]", runDump},
        {"ports", "ports", runPorts},
    };
    return list;
}

} // namespace quillan::cli
