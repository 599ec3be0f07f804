#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <string>

namespace CLI {
class App;
}

namespace quillan::cli {

// Where a command writes: output to out, errors to err.
struct CommandIo {
    std::ostream& out;
    std::ostream& err;
};

// Exit statuses of every command.
enum ExitStatus : int { exitOk = 0, exitFailed = 1, exitUsage = 2 };

// The body of a command, run once its command line has parsed; returns the exit status.
using CommandRun = std::function<int(CommandIo)>;

// The body of each command and edit action, by the CLI11 command it belongs to.
class CommandTable {
public:
    void add(const CLI::App* command, CommandRun run) { m_runs[command] = std::move(run); }
    // The body of the innermost command chosen on the parsed command line; null when it has
    // none.
    [[nodiscard]] const CommandRun* chosen(const CLI::App& app) const;

private:
    std::map<const CLI::App*, CommandRun> m_runs;
};

// Each command adds itself, its options and its body; defined in its own Cmd*.cpp file.
void addNewCommand(CLI::App& app, CommandTable& table);
void addCheckCommand(CLI::App& app, CommandTable& table);
void addEditCommand(CLI::App& app, CommandTable& table);
void addShowCommand(CLI::App& app, CommandTable& table);
void addCompileCommand(CLI::App& app, CommandTable& table);
void addDumpCommand(CLI::App& app, CommandTable& table);
void addExportCsvCommand(CLI::App& app, CommandTable& table);
void addPortsCommand(CLI::App& app, CommandTable& table);
// update, read and read-key.
void addDeviceCommands(CLI::App& app, CommandTable& table);
void addFlashCommand(CLI::App& app, CommandTable& table);
void addProjectFileCommands(CLI::App& app, CommandTable& table);
// modbus read, write and poll.
void addModbusCommands(CLI::App& app, CommandTable& table);

// Calls the commands of a command by word in its help ("COMMAND", "ACTION") and lists them
// under the heading; once they are added.
void setHelpWords(CLI::App& command, const std::string& word, const std::string& heading);

// Parses the command line of quillan-cli and runs the command it names.
[[nodiscard]] int runCli(int argc, const char* const* argv, CommandIo io);

} // namespace quillan::cli
