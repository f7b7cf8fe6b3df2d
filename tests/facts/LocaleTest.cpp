#include "Core/base/Calendar.h"
#include "Core/facts/DateScanner.h"
#include "Core/base/Formatting.h"
#include "Core/base/Locale.h"
#include "tests/facts/Fixtures.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace olva;
using namespace olva::test;
using namespace std::chrono_literals;

TEST(Locale, AllThenTimeThenLanguage)
{
    pinLocaleAndZone("it_IT", "UTC");
    ScopedEnv all("LC_ALL", std::nullopt);
    ScopedEnv time("LC_TIME", std::nullopt);
    ScopedEnv language("LANG", "fr_FR.UTF-8");
    EXPECT_EQ(currentLocale(), "fr_FR");
    {
        ScopedEnv dates("LC_TIME", "de_DE@euro");
        EXPECT_EQ(currentLocale(), "de_DE");
        ScopedEnv plain("LC_ALL", "C.UTF-8");
        EXPECT_EQ(currentLocale(), "en_US_POSIX");
    }
    ScopedEnv none("LANG", "");
    EXPECT_EQ(currentLocale(), "it_IT");
}

// Dates in a file's text, their text in checks and the weeks of the
// calendar all follow the locale for dates, not the language's.
TEST(Locale, DatesFollowTheTimeLocale)
{
    pinLocaleAndZone("en_US", "UTC");
    ScopedEnv all("LC_ALL", std::nullopt);
    ScopedEnv language("LANG", "en_US.UTF-8");
    ScopedEnv time("LC_TIME", "de_DE.UTF-8");

    auto dates = scanDates("fällig am 03.04.2025");
    ASSERT_EQ(dates.size(), 1u);
    EXPECT_EQ(dates[0].date, Date(std::chrono::sys_days(2025y / 4 / 3) + 12h));

    EXPECT_EQ(dateTimeText(Date(std::chrono::sys_days(2025y / 4 / 3) + 15h)), "03.04.2025, 15:00");
    EXPECT_EQ(numericDateTimeText(Date(std::chrono::sys_days(2025y / 4 / 3) + 15h)), "03.04.25, 15:00");

    // A German week starts on Monday: Sunday 6 April belongs to the week of 31 March.
    auto week = Calendar::current().interval(CalendarUnit::week, Date(std::chrono::sys_days(2025y / 4 / 6) + 12h));
    ASSERT_TRUE(week);
    EXPECT_EQ(week->start, Date(std::chrono::sys_days(2025y / 3 / 31)));
}
