#include "Core/base/Calendar.h"

#include "Core/base/Locale.h"

#include <unicode/calendar.h>

#include <limits>

namespace olva {

namespace {

UDate toUDate(Date date)
{
    return static_cast<UDate>(std::chrono::floor<std::chrono::milliseconds>(date).time_since_epoch().count());
}

UCalendarDateFields field(CalendarUnit unit)
{
    switch (unit) {
    case CalendarUnit::minute: return UCAL_MINUTE;
    case CalendarUnit::hour: return UCAL_HOUR_OF_DAY;
    case CalendarUnit::day: return UCAL_DATE;
    case CalendarUnit::week: return UCAL_WEEK_OF_YEAR;
    case CalendarUnit::month: return UCAL_MONTH;
    case CalendarUnit::year: return UCAL_YEAR;
    }
    return UCAL_DATE;
}

}  // namespace

struct Calendar::Impl {
    // Made on first use: many evaluations test no date at all.
    mutable std::unique_ptr<icu::Calendar> calendar;
    mutable bool made = false;

    icu::Calendar* get() const
    {
        if (!made) {
            made = true;
            UErrorCode status = U_ZERO_ERROR;
            calendar.reset(icu::Calendar::createInstance(icu::Locale(currentLocale().c_str()), status));
            if (U_FAILURE(status) || !calendar) {
                status = U_ZERO_ERROR;
                calendar.reset(icu::Calendar::createInstance(icu::Locale::getRoot(), status));
                if (U_FAILURE(status)) calendar.reset();
            }
        }
        return calendar.get();
    }
};

Calendar::Calendar(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Calendar Calendar::current()
{
    return Calendar(std::make_unique<Impl>());
}

Calendar::Calendar(const Calendar& other) : impl_(std::make_unique<Impl>())
{
    *this = other;
}

Calendar& Calendar::operator=(const Calendar& other)
{
    if (this != &other) {
        impl_->made = other.impl_->made;
        impl_->calendar.reset(other.impl_->calendar ? other.impl_->calendar->clone() : nullptr);
    }
    return *this;
}

Calendar::~Calendar() = default;

std::optional<Date> Calendar::adding(Date date, CalendarUnit unit, std::int64_t amount) const
{
    icu::Calendar* base = impl_->get();
    if (!base || amount > std::numeric_limits<int32_t>::max() || amount < std::numeric_limits<int32_t>::min())
        return std::nullopt;
    std::unique_ptr<icu::Calendar> calendar(base->clone());
    UErrorCode status = U_ZERO_ERROR;
    calendar->setLenient(true);
    calendar->setTime(toUDate(date), status);
    calendar->add(field(unit), static_cast<int32_t>(amount), status);
    UDate moment = calendar->getTime(status);
    if (U_FAILURE(status)) return std::nullopt;
    auto result = dateFromMilliseconds(moment);
    // Keep the part below a millisecond that the calendar does not carry.
    if (result) *result += date - std::chrono::floor<std::chrono::milliseconds>(date);
    return result;
}

std::optional<DateInterval> Calendar::interval(CalendarUnit unit, Date date) const
{
    icu::Calendar* base = impl_->get();
    if (!base) return std::nullopt;
    std::unique_ptr<icu::Calendar> calendar(base->clone());
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(toUDate(date), status);
    if (U_FAILURE(status)) return std::nullopt;
    switch (unit) {
    case CalendarUnit::year: calendar->set(UCAL_DAY_OF_YEAR, 1); [[fallthrough]];
    case CalendarUnit::month:
        if (unit == CalendarUnit::month) calendar->set(UCAL_DATE, 1);
        [[fallthrough]];
    case CalendarUnit::week:
        if (unit == CalendarUnit::week) {
            int weekday = calendar->get(UCAL_DAY_OF_WEEK, status);
            int back = (weekday - calendar->getFirstDayOfWeek(status) + 7) % 7;
            calendar->add(UCAL_DATE, -back, status);
        }
        [[fallthrough]];
    case CalendarUnit::day:
        calendar->set(UCAL_HOUR_OF_DAY, 0);
        [[fallthrough]];
    case CalendarUnit::hour:
        calendar->set(UCAL_MINUTE, 0);
        [[fallthrough]];
    case CalendarUnit::minute:
        calendar->set(UCAL_SECOND, 0);
        calendar->set(UCAL_MILLISECOND, 0);
        break;
    }
    UDate start = calendar->getTime(status);
    calendar->add(field(unit), 1, status);
    UDate end = calendar->getTime(status);
    if (U_FAILURE(status)) return std::nullopt;
    auto from = dateFromMilliseconds(start);
    auto to = dateFromMilliseconds(end);
    if (!from || !to) return std::nullopt;
    return DateInterval{*from, *to};
}

}  // namespace olva
