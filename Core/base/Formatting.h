// Texts of sizes and dates as the user reads them, in the user's locale and
// time zone.
#pragma once

#include "Core/base/Date.h"

#include <cstdint>
#include <string>

namespace olva {

// Decimal units, file style: "Zero KB", "1 byte", "532 bytes", "12 KB",
// "1.5 MB", "2.31 GB".
std::string fileSizeText(std::int64_t bytes);

// The abbreviated date and the short time: "May 1, 2024, 3:04 PM" in
// American English.
std::string dateTimeText(Date date);
// The numeric date and the short time: "5/1/24, 3:04 PM".
std::string numericDateTimeText(Date date);

}  // namespace olva
