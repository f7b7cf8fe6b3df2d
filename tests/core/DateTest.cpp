#include "Core/base/Date.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace olva;
using namespace std::chrono;

namespace {

Date dayOf(int y, unsigned m, unsigned d) { return Date(sys_days(year(y) / m / d)); }

}  // namespace

// Every year from 1 to 9999 is held to the microsecond and written and read
// back as the same text.
TEST(Dates, FarYearsRoundTrip)
{
    struct Case {
        Date date;
        const char* text;
        const char* printed;
    };
    for (const Case& c : std::vector<Case>{
             {dayOf(1, 1, 1), "0001-01-01T00:00:00Z", "0001-01-01 00:00:00 +0000"},
             {dayOf(1677, 9, 21) - 1s, "1677-09-20T23:59:59Z", "1677-09-20 23:59:59 +0000"},
             {dayOf(1969, 12, 31) + 23h + 59min + 59s, "1969-12-31T23:59:59Z", "1969-12-31 23:59:59 +0000"},
             {dayOf(2262, 4, 12), "2262-04-12T00:00:00Z", "2262-04-12 00:00:00 +0000"},
             {dayOf(2446, 5, 10) + 12h, "2446-05-10T12:00:00Z", "2446-05-10 12:00:00 +0000"},
             {dayOf(9999, 12, 31) + 23h + 59min + 59s, "9999-12-31T23:59:59Z", "9999-12-31 23:59:59 +0000"},
         }) {
        EXPECT_EQ(iso8601(c.date), c.text);
        EXPECT_EQ(printedUTC(c.date), c.printed);
        EXPECT_EQ(parseIso8601(c.text), c.date) << c.text;
    }
    // Below a second is cut, also before 1970.
    EXPECT_EQ(iso8601(dayOf(1960, 1, 1) - 1us), "1959-12-31T23:59:59Z");
}

TEST(Dates, ConversionsStopAtTheEdges)
{
    const std::int64_t year9999 = floor<seconds>(dayOf(9999, 12, 31)).time_since_epoch().count();
    struct Case {
        std::int64_t seconds;
        std::int64_t nanoseconds;
        std::optional<Date> date;
    };
    for (const Case& c : std::vector<Case>{
             {year9999, 999'999'999, dayOf(9999, 12, 31) + 999'999us},
             {-62'135'596'800, 0, dayOf(1, 1, 1)},
             {-1, 1, dayOf(1969, 12, 31) + 23h + 59min + 59s},
             {0, 2'500'000'000, Date(2'500'000us)},
             {std::numeric_limits<std::int64_t>::max(), 0, std::nullopt},
             {std::numeric_limits<std::int64_t>::min(), 0, std::nullopt},
             {9'300'000'000'000, 0, std::nullopt},  // past what microseconds hold
         })
        EXPECT_EQ(dateFromSeconds(c.seconds, c.nanoseconds), c.date) << c.seconds;

    EXPECT_EQ(dateFromMilliseconds(253402300799999.0), dayOf(9999, 12, 31) + 86399999ms);
    EXPECT_EQ(dateFromMilliseconds(-62135596800000.0), dayOf(1, 1, 1));
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e20, -1e20}) {
        EXPECT_FALSE(dateFromMilliseconds(bad).has_value()) << bad;
        EXPECT_FALSE(dateFromSeconds(bad).has_value()) << bad;
    }
    EXPECT_EQ(dateFromSeconds(1.5), Date(1'500'000us));
    EXPECT_EQ(millisecondsOf(dayOf(9999, 12, 31)), 253402214400000.0);
}
