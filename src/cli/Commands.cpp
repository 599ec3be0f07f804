#include "cli/Commands.h"

namespace quillan::cli {

// Each command is defined in its own Cmd*.cpp file.
int runNew(const std::vector<std::string>& args, CommandIo io);
int runCheck(const std::vector<std::string>& args, CommandIo io);
int runEdit(const std::vector<std::string>& args, CommandIo io);
int runShow(const std::vector<std::string>& args, CommandIo io);
int runCompile(const std::vector<std::string>& args, CommandIo io);
int runDump(const std::vector<std::string>& args, CommandIo io);
int runExportCsv(const std::vector<std::string>& args, CommandIo io);
int runPorts(const std::vector<std::string>& args, CommandIo io);

const std::vector<Command>& commands()
{
    static const std::vector<Command> list = {
        {"new",
         "new --name NAME --folder DIR [--band 868|900|2.4] [--channel C] [--group G]\n"
         "      [--gateway NAME [--tx-power 0-4] [--rtu rs232|rs485] [--baud RATE]\n"
         "       [--slave-id ID] [--config-port debug|modbus]] [--overwrite]",
         runNew},
        {"check", "check FILE", runCheck},
        {"edit",
         "edit FILE ACTION [ARGS...]   actions: add-gateway, set-port, set-radio,\n"
         "      add-modbus-module, add-io-module, import-points, map, add-write-import,\n"
         "      rename, delete",
         runEdit},
        {"show", "show FILE [--gateway NAME[/MODULE]] [--list device|imports|exports|outputs|modbus]",
         runShow},
        {"compile", "compile FILE --gateway NAME --out IMAGE [--firmware VERSION]", runCompile},
        {"dump", "dump IMAGE [--type CODE] [--file]", runDump},
        {"export-csv", "export-csv FILE", runExportCsv},
        {"ports", "ports", runPorts},
    };
    return list;
}

} // namespace quillan::cli
