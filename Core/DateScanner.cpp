#include "Core/DateScanner.h"

namespace olva {

std::vector<ContentDate> scanDates(std::string_view)
{
    return {};
}

}  // namespace olva
