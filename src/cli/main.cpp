#include "cli/Commands.h"

#include <iostream>

int main(int argc, char** argv)
{
    return quillan::cli::runCli(argc, argv, {std::cout, std::cerr});
}
