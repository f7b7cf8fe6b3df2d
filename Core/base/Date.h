// Moments in time and their ISO 8601 text.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace olva {

// Microseconds since 1970 in UTC: exact for every year from 1 to 9999 and
// far beyond (the clock's own nanoseconds reach only 1677 to 2262, which a
// file's date or a date in a text can leave).
using Date = std::chrono::sys_time<std::chrono::microseconds>;

// The current moment.
Date currentDate();

// Moments as other clocks and libraries count them; nothing when they lie
// beyond what a Date holds.
std::optional<Date> dateFromSeconds(std::int64_t seconds, std::int64_t nanoseconds = 0);
std::optional<Date> dateFromMilliseconds(double milliseconds);
std::optional<Date> dateFromSeconds(double seconds);
// Milliseconds since 1970, as ICU counts them.
double millisecondsOf(Date date);

// Internet date and time in UTC, whole seconds: 2025-01-31T08:15:00Z.
std::string iso8601(Date date);
// Accepts the form above and numeric offsets (+01:00); no fractional
// seconds. Nothing when the text is not such a date.
std::optional<Date> parseIso8601(std::string_view text);

// The date as year-month-day hours:minutes:seconds in UTC, the way
// diagnostic lines print it: 2025-01-31 08:15:00 +0000.
std::string printedUTC(Date date);

}  // namespace olva
