#include "Core/Date.h"

#include <cstdio>
#include <ctime>

namespace olva {

std::string iso8601(Date date)
{
    auto seconds = std::chrono::floor<std::chrono::seconds>(date);
    std::time_t t = std::chrono::system_clock::to_time_t(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
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
    auto moment = sys_days(ymd) + hours(hour) + minutes(minute) + seconds(second) - seconds(offsetSeconds);
    return time_point_cast<system_clock::duration>(moment);
}

}  // namespace olva
