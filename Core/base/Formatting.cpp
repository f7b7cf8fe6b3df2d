#include "Core/base/Formatting.h"

#include "Core/base/Locale.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/timezone.h>

#include <array>
#include <cmath>
#include <memory>

namespace olva {

namespace {

std::string utf8(const icu::UnicodeString& text)
{
    std::string out;
    text.toUTF8String(out);
    return out;
}

std::string number(double value, int fractionDigits)
{
    // Making a formatter costs far more than using one: keep one per thread
    // for the locale in force.
    thread_local std::string locale;
    thread_local std::unique_ptr<icu::NumberFormat> format;
    if (!format || locale != icu::Locale::getDefault().getName()) {
        UErrorCode status = U_ZERO_ERROR;
        format.reset(icu::NumberFormat::createInstance(status));
        if (U_FAILURE(status)) format.reset();
        locale = icu::Locale::getDefault().getName();
    }
    if (!format) return std::to_string(value);
    format->setMinimumFractionDigits(0);
    format->setMaximumFractionDigits(fractionDigits);
    format->setRoundingMode(icu::NumberFormat::kRoundHalfEven);
    icu::UnicodeString text;
    format->format(value, text);
    return utf8(text);
}

// A date formatter for the locale in force, kept per thread and style since
// making one costs far more than using one.
struct DateFormatCache {
    std::string locale;
    std::unique_ptr<icu::DateFormat> format;
    // The last text made, for its minute in its time zone: entries come in
    // runs within one minute, and the time is shown to the minute.
    std::unique_ptr<icu::TimeZone> zone;
    std::int64_t minute = 0;
    std::string text;
};

std::string dateText(Date date, icu::DateFormat::EStyle dateStyle, DateFormatCache& cache)
{
    if (std::string current = currentLocale(); !cache.format || cache.locale != current) {
        cache.format.reset(
            icu::DateFormat::createDateTimeInstance(dateStyle, icu::DateFormat::kShort, icu::Locale(current.c_str())));
        cache.locale = std::move(current);
        cache.text.clear();
    }
    if (!cache.format) return iso8601(date);
    double millis = std::floor(millisecondsOf(date));
    auto minute = static_cast<std::int64_t>(std::floor(millis / 60000.0));
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
    // Every short time style shows hours and minutes, never seconds.
    if (!cache.text.empty() && cache.zone && *cache.zone == *zone && cache.minute == minute) return cache.text;
    cache.format->setTimeZone(*zone);
    icu::UnicodeString text;
    cache.format->format(static_cast<UDate>(millis), text);
    cache.zone = std::move(zone);
    cache.minute = minute;
    cache.text = utf8(text);
    return cache.text;
}

}  // namespace

std::string fileSizeText(std::int64_t bytes)
{
    if (bytes == 0) return "Zero KB";
    if (bytes == 1 || bytes == -1) return number(static_cast<double>(bytes), 0) + " byte";
    if (std::llabs(bytes) < 1000) return number(static_cast<double>(bytes), 0) + " bytes";
    static constexpr std::array<const char*, 6> units = {"KB", "MB", "GB", "TB", "PB", "EB"};
    // Kilobytes are shown whole, megabytes with one decimal, larger units
    // with two; a value that rounds up to 1,000 moves to the next unit.
    double value = static_cast<double>(bytes) / 1000.0;
    std::size_t unit = 0;
    auto digits = [](std::size_t u) { return u == 0 ? 0 : u == 1 ? 1 : 2; };
    for (;;) {
        double scale = std::pow(10.0, digits(unit));
        double rounded = std::round(std::fabs(value) * scale) / scale;
        if (rounded < 1000.0 || unit + 1 == units.size()) break;
        value /= 1000.0;
        ++unit;
    }
    return number(value, digits(unit)) + " " + units[unit];
}

std::string dateTimeText(Date date)
{
    thread_local DateFormatCache cache;
    return dateText(date, icu::DateFormat::kMedium, cache);
}

std::string numericDateTimeText(Date date)
{
    thread_local DateFormatCache cache;
    return dateText(date, icu::DateFormat::kShort, cache);
}

}  // namespace olva
