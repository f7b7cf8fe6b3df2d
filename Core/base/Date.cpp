#include "Core/base/Date.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace olva {

namespace {

using std::chrono::microseconds;

// The range of a Date, in whole seconds, kept a little inside its limits so
// that adding the part below a second cannot cross them.
constexpr std::int64_t kMaxSeconds = std::numeric_limits<std::int64_t>::max() / 1'000'000 - 1;

struct Civil {
    int year;
    unsigned month, day, hour, minute, second;
};

Civil civil(Date date)
{
    using namespace std::chrono;
    auto day = floor<days>(date);
    year_month_day ymd(day);
    hh_mm_ss time(floor<seconds>(date - day));
    return {static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
            static_cast<unsigned>(time.hours().count()), static_cast<unsigned>(time.minutes().count()),
            static_cast<unsigned>(time.seconds().count())};
}

}  // namespace

Date currentDate()
{
    return std::chrono::floor<microseconds>(std::chrono::system_clock::now());
}

std::optional<Date> dateFromSeconds(std::int64_t seconds, std::int64_t nanoseconds)
{
    seconds += nanoseconds / 1'000'000'000;
    nanoseconds %= 1'000'000'000;
    if (seconds > kMaxSeconds || seconds < -kMaxSeconds) return std::nullopt;
    return Date(std::chrono::seconds(seconds) + std::chrono::floor<microseconds>(std::chrono::nanoseconds(nanoseconds)));
}

namespace {

// A count of units of `perUnit` microseconds: the whole units exactly, the
// fraction rounded to the microsecond. (Scaled as one double, a date in
// 9999 would be off by several microseconds.)
std::optional<Date> dateFromCount(double count, std::int64_t perUnit)
{
    if (!std::isfinite(count) || std::fabs(count) > static_cast<double>(kMaxSeconds) * 1e6 / perUnit)
        return std::nullopt;
    double whole = std::floor(count);
    auto micros = static_cast<std::int64_t>(whole) * perUnit + std::llround((count - whole) * perUnit);
    return Date(microseconds(micros));
}

}  // namespace

std::optional<Date> dateFromMilliseconds(double milliseconds) { return dateFromCount(milliseconds, 1000); }

std::optional<Date> dateFromSeconds(double seconds) { return dateFromCount(seconds, 1'000'000); }

double millisecondsOf(Date date)
{
    return static_cast<double>(date.time_since_epoch().count()) / 1e3;
}

std::string iso8601(Date date)
{
    // Dates come in runs within one second.
    thread_local std::int64_t lastSecond = 0;
    thread_local std::string lastText;
    auto second = std::chrono::floor<std::chrono::seconds>(date.time_since_epoch()).count();
    if (!lastText.empty() && second >= 0 && second == lastSecond) return lastText;
    Civil c = civil(date);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02u:%02u:%02uZ", c.year, c.month, c.day, c.hour, c.minute,
                  c.second);
    lastSecond = second;
    lastText = buffer;
    return lastText;
}

std::string printedUTC(Date date)
{
    Civil c = civil(date);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u %02u:%02u:%02u +0000", c.year, c.month, c.day, c.hour,
                  c.minute, c.second);
    return buffer;
}

std::optional<Date> parseIso8601(std::string_view text)
{
    auto digits = [&](std::size_t at, std::size_t count, int& out) {
        if (at + count > text.size()) return false;
        out = 0;
        for (std::size_t i = at; i < at + count; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            out = out * 10 + (text[i] - '0');
        }
        return true;
    };
    int year, month, day, hour, minute, second;
    if (!digits(0, 4, year) || text.size() < 20 || text[4] != '-' || !digits(5, 2, month) || text[7] != '-'
        || !digits(8, 2, day) || text[10] != 'T' || !digits(11, 2, hour) || text[13] != ':'
        || !digits(14, 2, minute) || text[16] != ':' || !digits(17, 2, second))
        return std::nullopt;
    int offsetSeconds = 0;
    std::string_view zone = text.substr(19);
    if (zone == "Z") {
    } else if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':') {
        int oh, om;
        if (!digits(20, 2, oh) || !digits(23, 2, om) || oh > 23 || om > 59) return std::nullopt;
        offsetSeconds = (oh * 3600 + om * 60) * (zone[0] == '+' ? 1 : -1);
    } else {
        return std::nullopt;
    }
    if (month < 1 || month > 12 || hour > 23 || minute > 59 || second > 60) return std::nullopt;
    using namespace std::chrono;
    year_month_day ymd{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                       std::chrono::day(static_cast<unsigned>(day))};
    if (!ymd.ok()) return std::nullopt;
    return Date(sys_days(ymd)) + hours(hour) + minutes(minute) + seconds(second) - seconds(offsetSeconds);
}

}  // namespace olva
