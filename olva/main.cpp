#include "olva/StopSignals.h"
#include "olva/Tool.h"

#include <cstdio>
#include <string>
#include <vector>

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
    // Each line goes out as it is printed, also through a pipe or into a
    // file, where somebody may be following it; only what nobody can read
    // gathers first.
    std::setvbuf(stdout, nullptr, olva::outputIsDiscarded() ? _IOFBF : _IOLBF, 0);
    olva::installStopSignals();
    std::vector<std::string> args(argv, argv + argc);
    return olva::runTool(args, olva::Console::standard());
}
