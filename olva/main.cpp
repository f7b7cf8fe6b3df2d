#include "olva/Tool.h"

#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#ifdef OLVA_MIMALLOC
#include <mimalloc.h>
#endif

int main(int argc, char** argv)
{
#ifdef OLVA_MIMALLOC
    // Pages freed go back to the system as they are freed, and those of
    // threads that ended (a large folder's listing) too, not when the
    // allocator next needs room: `olva run` otherwise keeps the memory of
    // its largest pass while it waits for the next change.
    mi_option_enable(mi_option_page_reset);
    mi_option_enable(mi_option_abandoned_page_decommit);
    mi_option_set(mi_option_decommit_delay, 0);
    mi_option_set(mi_option_segment_decommit_delay, 0);
#endif
    // A line at once on a terminal; through a pipe or into a file, lines
    // gather and are written together.
    std::setvbuf(stdout, nullptr, ::isatty(STDOUT_FILENO) == 1 ? _IOLBF : _IOFBF, 0);
    std::vector<std::string> args(argv, argv + argc);
    return olva::runTool(args, olva::Console::standard());
}
