#include "cli/Commands.h"

#include <cstring>
#include <iostream>

using namespace quillan::cli;

namespace {

void printUsage(std::ostream& out)
{
    out << "usage: quillan-cli COMMAND [ARGS...]\n\ncommands:\n";
    for (const auto& c : commands()) {
        out << "  " << c.usage << "\n";
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) {
        printUsage(argc < 2 ? std::cerr : std::cout);
        return argc < 2 ? 2 : 0;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& c : commands()) {
        if (argv[1] == std::string(c.name)) {
            return c.run(args, CommandIo{std::cout, std::cerr});
        }
    }
    std::cerr << "quillan-cli: unknown command \"" << argv[1] << "\"\n";
    printUsage(std::cerr);
    return 2;
}
