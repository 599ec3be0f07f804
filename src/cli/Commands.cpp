#include "cli/Commands.h"

namespace quillan::cli {

// Each command is defined in its own Cmd*.cpp file.

const std::vector<Command>& commands()
{
    static const std::vector<Command> list = {
    };
    return list;
}

} // namespace quillan::cli
