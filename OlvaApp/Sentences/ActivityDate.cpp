#include "OlvaApp/Sentences/ActivityDate.h"

#include "OlvaApp/Sentences/IcuText.h"

#include "Core/base/Locale.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <chrono>

namespace olva::app {

struct ActivityDateFormatter::Impl {
    std::unique_ptr<icu::DateFormat> format;
};

ActivityDateFormatter::ActivityDateFormatter() : impl_(std::make_unique<Impl>())
{
    const std::string locale = olva::currentLocale();
    impl_->format.reset(icu::DateFormat::createDateTimeInstance(icu::DateFormat::kMediumRelative,
                                                                icu::DateFormat::kShort, icu::Locale(locale.c_str())));
    if (impl_->format) {
        // "Today" begins the text it stands in, so it reads as it would alone.
        UErrorCode status = U_ZERO_ERROR;
        impl_->format->setContext(UDISPCTX_CAPITALIZATION_FOR_STANDALONE, status);
    }
}

ActivityDateFormatter::~ActivityDateFormatter() = default;

QString ActivityDateFormatter::format(olva::Date date) const
{
    const auto millis = std::chrono::floor<std::chrono::milliseconds>(date).time_since_epoch().count();
    if (!impl_->format) return QDateTime::fromMSecsSinceEpoch(millis).toString(Qt::ISODate);
    std::lock_guard lock(mutex_);
    // The zone in force now, so a change of zone shows at once.
    impl_->format->adoptTimeZone(icu::TimeZone::createDefault());
    icu::UnicodeString text;
    impl_->format->format(static_cast<UDate>(millis), text);
    return fromIcu(text);
}

QString ActivityDateFormatter::format(const QDateTime& date) const
{
    return format(olva::Date(std::chrono::milliseconds(date.toMSecsSinceEpoch())));
}

const ActivityDateFormatter& activityDateFormatter()
{
    static const ActivityDateFormatter formatter;
    return formatter;
}

}  // namespace olva::app
