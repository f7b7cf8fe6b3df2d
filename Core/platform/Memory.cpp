#include "Core/platform/Memory.h"

#include <malloc.h>

namespace olva::platform {

void releaseFreeMemory() { ::malloc_trim(0); }

}  // namespace olva::platform
