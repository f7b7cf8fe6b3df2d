#include "Core/facts/DateScanner.h"
#include "Core/facts/FileInfo.h"
#include "tests/facts/Fixtures.h"

using namespace olva;
using namespace olva::test;
using namespace std::chrono_literals;

namespace {

// Noon of a day in the pinned time zone (UTC offset given).
Date noon(int year, unsigned month, unsigned day, std::chrono::hours offset)
{
    return Date(std::chrono::sys_days(std::chrono::year(year) / month / day) + 12h - offset);
}

std::vector<std::string> texts(const std::vector<ContentDate>& dates)
{
    std::vector<std::string> out;
    for (const auto& date : dates) out.push_back(date.text);
    return out;
}

std::vector<Date> datesOf(const std::vector<ContentDate>& dates)
{
    std::vector<Date> out;
    for (const auto& date : dates) out.push_back(date.date);
    return out;
}

}  // namespace

TEST(ContentDates, AmericanText)
{
    pinLocaleAndZone("en_US", "America/New_York");
    std::string text = "Due 2024-03-15, paid 03/20/2024 and May 1, 2024; shipped 1st June 2024 (Sept. 9th, 2023).";
    auto dates = scanDates(text);
    ASSERT_EQ(texts(dates), (std::vector<std::string>{"2024-03-15", "03/20/2024", "May 1, 2024", "1st June 2024",
                                                     "Sept. 9th, 2023"}));
    EXPECT_EQ(datesOf(dates), (std::vector<Date>{noon(2024, 3, 15, -4h), noon(2024, 3, 20, -4h), noon(2024, 5, 1, -4h),
                                                  noon(2024, 6, 1, -4h), noon(2023, 9, 9, -4h)}));
    EXPECT_EQ(dates[0].offset, 4);
    EXPECT_EQ(dates[1].offset, static_cast<std::int64_t>(text.find("03/20")));

    // Two-digit years; days that do not exist are no dates.
    auto more = scanDates("on 12/31/99, 02/30/2024, 2023-02-29, 13/01/2024, 7/4/24, december 25 2024");
    EXPECT_EQ(texts(more), (std::vector<std::string>{"12/31/99", "7/4/24", "december 25 2024"}));
    EXPECT_EQ(datesOf(more), (std::vector<Date>{noon(1999, 12, 31, -5h), noon(2024, 7, 4, -4h), noon(2024, 12, 25, -5h)}));
}

TEST(ContentDates, FarYearsAreExact)
{
    pinLocaleAndZone("en_US", "America/New_York");
    auto dates = scanDates("from 0001-01-01 and 1500-06-15 to 3000-01-05, 9999-12-31 and January 5, 2446");
    ASSERT_EQ(texts(dates), (std::vector<std::string>{"0001-01-01", "1500-06-15", "3000-01-05", "9999-12-31",
                                                     "January 5, 2446"}));
    // Before 1582 the calendar counts Julian days, as ICU's does: 1 January
    // of year 1 is 30 December of year 0 in the proleptic Gregorian count.
    // New York's time before 1883 is its mean solar time, 4:56:02 behind.
    auto localMean = [](int year, unsigned month, unsigned day) {
        return Date(std::chrono::sys_days(std::chrono::year(year) / month / day) + 12h + 4h + 56min + 2s);
    };
    EXPECT_EQ(datesOf(dates), (std::vector<Date>{localMean(0, 12, 30), localMean(1500, 6, 25), noon(3000, 1, 5, -5h),
                                                  noon(9999, 12, 31, -5h), noon(2446, 1, 5, -5h)}));
}

TEST(ContentDates, DayFirstLocales)
{
    pinLocaleAndZone("en_GB", "Europe/London");
    auto british = scanDates("Paid 20/03/2024, not 03/20/2024.");
    ASSERT_EQ(texts(british), std::vector<std::string>{"20/03/2024"});
    EXPECT_EQ(british[0].date, noon(2024, 3, 20, 0h));

    pinLocaleAndZone("de_DE", "Europe/Berlin");
    auto german = scanDates("Rechnung vom 1. Mai 2024, fällig am 15.03.2024 (June 3, 2024), 3. März 2024");
    ASSERT_EQ(texts(german), (std::vector<std::string>{"1. Mai 2024", "15.03.2024", "June 3, 2024", "3. März 2024"}));
    EXPECT_EQ(datesOf(german),
              (std::vector<Date>{noon(2024, 5, 1, 2h), noon(2024, 3, 15, 1h), noon(2024, 6, 3, 2h), noon(2024, 3, 3, 1h)}));
}

TEST(ContentDates, OffsetsCountUtf16Units)
{
    pinLocaleAndZone("en_US", "UTC");
    auto dates = scanDates("\U0001F600 é 2024-01-02");
    ASSERT_EQ(dates.size(), 1u);
    EXPECT_EQ(dates[0].offset, 5);  // the emoji is two units, é one
    EXPECT_EQ(dates[0].text, "2024-01-02");
}

TEST(ContentDates, OnlyTheFirstFiftyThousandCharacters)
{
    pinLocaleAndZone("en_US", "UTC");
    EXPECT_EQ(scanDates(std::string(49'980, 'x') + " 2024-01-02").size(), 1u);
    EXPECT_TRUE(scanDates(std::string(50'000, 'x') + " 2024-01-02").empty());
    // Characters, not bytes: 49,990 two-byte letters leave room for the date.
    std::string accents;
    for (int i = 0; i < 49'980; ++i) accents += "é";
    EXPECT_EQ(scanDates(accents + " 2024-01-02").size(), 1u);
    EXPECT_TRUE(scanDates("").empty());
    EXPECT_TRUE(scanDates("no dates here, 12345678, 1.2.3.4").empty());
}

TEST(ContentDates, FromAFilesText)
{
    pinLocaleAndZone("en_US", "America/New_York");
    TempDir dir;
    writeTextPdf(dir / "invoice.pdf", {{{"Order 2024-01-05", "Invoice date: March 7, 2024"}}});
    FileInfo info(dir / "invoice.pdf");
    auto dates = info.contentDates();
    ASSERT_EQ(texts(dates), (std::vector<std::string>{"2024-01-05", "March 7, 2024"}));
    EXPECT_TRUE(info.extractedText().has_value());

    FileInfo assigned(dir / "invoice.pdf");
    assigned.setContentDates({});
    EXPECT_TRUE(assigned.contentDates().empty());
    EXPECT_FALSE(assigned.extractedText().has_value());
}
