#include "Core/platform/Memory.h"

#include <malloc.h>

// There when the program is linked with mimalloc (the command-line tool
// is): it keeps the memory freed in its own pages, and hands them back when
// asked to collect; malloc_trim only reaches the C library's.
extern "C" void mi_collect(bool force) __attribute__((weak));

namespace olva::platform {

void releaseFreeMemory()
{
    if (mi_collect) mi_collect(true);
    else ::malloc_trim(0);
}

}  // namespace olva::platform
