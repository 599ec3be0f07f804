#include "cli/Commands.h"

#include "model/Version.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace quillan::cli {

namespace {

// An edit action comes after the file it changes, and its usage line says so.
class Formatter final : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string name) const override
    {
        const CLI::App* parent = app->get_parent();
        if (parent != nullptr && parent->get_parent() != nullptr) {
            std::string before;
            for (const CLI::Option* positional :
                 parent->get_options([](const CLI::Option* o) { return o->get_positional(); })) {
                before += " " + make_option_usage(positional);
            }
            name.insert(name.rfind(' '), before);
        }
        return CLI::Formatter::make_usage(app, name);
    }
};

const CLI::App* innermostChosen(const CLI::App& app)
{
    const CLI::App* at = &app;
    while (!at->get_subcommands().empty()) {
        at = at->get_subcommands().front();
    }
    return at;
}

// "quillan-cli edit map" for the commands chosen so far.
[[nodiscard]] std::string chosenPath(const CLI::App& app)
{
    std::string path = app.get_name();
    for (const CLI::App* at = &app; !at->get_subcommands().empty();) {
        at = at->get_subcommands().front();
        path += " " + at->get_name();
    }
    return path;
}

bool asksForHelp(int argc, const char* const* argv)
{
    for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i) {
        if (std::string(argv[i]) == "-h" || std::string(argv[i]) == "--help") {
            return true;
        }
    }
    return false;
}

// help [COMMAND [ACTION]]
void addHelpCommand(CLI::App& app, CommandTable& table)
{
    auto topic = std::make_shared<std::vector<std::string>>();
    CLI::App* help = app.add_subcommand("help", "Print the help of a command or an edit action");
    help->add_option("TOPIC", *topic, "a command, or edit and one of its actions")->expected(0, 2);
    table.add(help, [&app, topic](CommandIo io) {
        const CLI::App* at = &app;
        std::string path = app.get_name();
        for (const std::string& name : *topic) {
            const auto found = at->get_subcommands(
                [&name](const CLI::App* sub) { return sub->get_name() == name; });
            if (found.empty()) {
                io.err << "quillan-cli: " << path << " has no command \"" << name << "\"\nRun '"
                       << path << " --help' for its commands.\n";
                return int{exitUsage};
            }
            at = found.front();
            path += " " + name;
        }
        io.out << at->get_formatter()->make_help(at, path, CLI::AppFormatMode::Normal);
        return int{exitOk};
    });
}

// What is wrong with the command line, in the user's terms where CLI11's are obscure.
std::string describe(const CLI::App& app, const CLI::ParseError& error)
{
    // A word where a command was due leaves CLI11 saying only that one is required.
    const CLI::App* at = innermostChosen(app);
    const auto left = at->remaining();
    if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr && !left.empty() &&
        at->get_require_subcommand_min() > 0) {
        return "\"" + left.front() + "\" is not " +
               (at == &app ? std::string("a command") : "an action of " + at->get_name());
    }
    return error.what();
}

} // namespace

void setHelpWords(CLI::App& command, const std::string& word, const std::string& heading)
{
    auto formatter = std::make_shared<Formatter>();
    formatter->label("SUBCOMMAND", word);
    command.formatter(formatter);
    for (CLI::App* sub : command.get_subcommands([](CLI::App*) { return true; })) {
        sub->group(heading);
    }
}

const CommandRun* CommandTable::chosen(const CLI::App& app) const
{
    const auto it = m_runs.find(innermostChosen(app));
    return it != m_runs.end() ? &it->second : nullptr;
}

int runCli(int argc, const char* const* argv, CommandIo io)
{
    CLI::App app("Builds, checks and inspects Quillan project files without the GUI.",
                 "quillan-cli");
    app.formatter(std::make_shared<Formatter>());
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("quillan-cli ") + VERSION_NUMBER,
                         "Print the version and exit");
    CommandTable table;
    addNewCommand(app, table);
    addCheckCommand(app, table);
    addEditCommand(app, table);
    addShowCommand(app, table);
    addCompileCommand(app, table);
    addDumpCommand(app, table);
    addExportCsvCommand(app, table);
    addPortsCommand(app, table);
    addDeviceCommands(app, table);
    addFlashCommand(app, table);
    addProjectFileCommands(app, table);
    addModbusCommands(app, table);
    addHelpCommand(app, table);
    setHelpWords(app, "COMMAND", "Commands");
    app.footer("Every command and edit action takes -h/--help ('quillan-cli help edit map').\n"
               "Exit status: 0 done, 1 failed (the reason is printed), 2 usage error.\n"
               "The manual page quillan-cli(1) has the whole story.");

    if (argc < 2) {
        io.err << app.help();
        return exitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForVersion& e) {
        io.out << e.what() << '\n';
        return exitOk;
    } catch (const CLI::ParseError& e) {
        // Help wins over whatever else is wrong with the command line.
        if (e.get_exit_code() == 0 || asksForHelp(argc, argv)) {
            io.out << app.help();
            return exitOk;
        }
        std::string path = chosenPath(app);
        path.insert(app.get_name().size(), " help");
        io.err << "quillan-cli: " << describe(app, e) << "\nRun '" << path << "' for usage.\n";
        return exitUsage;
    }
    const CommandRun* run = table.chosen(app);
    return run != nullptr ? (*run)(io) : int{exitUsage};
}

} // namespace quillan::cli
