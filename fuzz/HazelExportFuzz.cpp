// Feeds arbitrary bytes to the reader of rule exports. Refusing them with an
// error is fine; anything else that ends the program is a fault.
#include "Core/hazel/HazelImport.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        olva::importHazel(std::span(data, size), "/fuzz");
    } catch (const std::exception&) {
    }
    return 0;
}
