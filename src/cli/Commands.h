#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace quillan::cli {

// One command of quillan-cli: arguments after the command name; returns the exit status.
// Output goes to out, errors to err.
struct CommandIo {
    std::ostream& out;
    std::ostream& err;
};

using CommandFunction = int (*)(const std::vector<std::string>& args, CommandIo io);

struct Command {
    const char* name;
    const char* usage;
    CommandFunction run;
};

// Every command, in the order the help text lists them.
const std::vector<Command>& commands();

} // namespace quillan::cli
