// Finds the dates written in a text: ISO dates, numeric dates in the
// locale's order of day, month and year, and dates with written month names
// (English and the locale's language).
#pragma once

#include "Core/facts/FileInfo.h"

#include <string_view>
#include <vector>

namespace olva {

// Looks at the first 50,000 characters only.
std::vector<ContentDate> scanDates(std::string_view text);

}  // namespace olva
