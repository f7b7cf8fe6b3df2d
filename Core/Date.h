// Moments in time and their ISO 8601 text.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace olva {

using Date = std::chrono::system_clock::time_point;

// Internet date and time in UTC, whole seconds: 2025-01-31T08:15:00Z.
std::string iso8601(Date date);
// Accepts the form above and numeric offsets (+01:00); no fractional
// seconds. Nothing when the text is not such a date.
std::optional<Date> parseIso8601(std::string_view text);

}  // namespace olva
