#include "olva/Tool.h"

#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

int main(int argc, char** argv)
{
    // A line at once on a terminal; through a pipe or into a file, lines
    // gather and are written together.
    std::setvbuf(stdout, nullptr, ::isatty(STDOUT_FILENO) == 1 ? _IOLBF : _IOFBF, 0);
    std::vector<std::string> args(argv, argv + argc);
    return olva::runTool(args, olva::Console::standard());
}
