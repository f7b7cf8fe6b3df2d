#include "olva/Tool.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::vector<std::string> args(argv, argv + argc);
    return olva::runTool(args, olva::Console::standard());
}
