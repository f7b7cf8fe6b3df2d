// The user's calendar (locale and time zone): calendar arithmetic and the
// periods that contain a moment.
#pragma once

#include "Core/base/Date.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace olva {

enum class CalendarUnit { minute, hour, day, week, month, year };

// From start to end, both included.
struct DateInterval {
    Date start;
    Date end;

    bool contains(Date date) const { return start <= date && date <= end; }
};

class Calendar {
public:
    // The calendar of the user's current locale and time zone.
    static Calendar current();

    Calendar(const Calendar& other);
    Calendar& operator=(const Calendar& other);
    ~Calendar();

    // The date plus an amount of a unit, by the calendar's rules (a month
    // after 31 January is the end of February). Nothing when the calendar
    // cannot say.
    std::optional<Date> adding(Date date, CalendarUnit unit, std::int64_t amount) const;
    // The day, week (from the locale's first weekday), month or year that
    // contains the date; its end is the start of the next one.
    std::optional<DateInterval> interval(CalendarUnit unit, Date date) const;

private:
    struct Impl;
    explicit Calendar(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace olva
