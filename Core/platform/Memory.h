// What the process keeps of the memory it no longer uses.
#pragma once

namespace olva::platform {

// Hands the free memory of the heap back to the system. The allocator keeps
// what a large piece of work freed, between what it still holds, for later
// use; a program that then sits idle for hours should not.
void releaseFreeMemory();

}  // namespace olva::platform
