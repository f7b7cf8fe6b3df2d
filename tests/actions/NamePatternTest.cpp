#include "Core/base/ActionError.h"
#include "Core/facts/FileInfo.h"
#include "Core/actions/NamePattern.h"
#include "tests/actions/ActionFixture.h"

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

namespace {

// Patterns rendered in UTC and English unless a test says otherwise.
class NamePattern : public InTestHome {
protected:
    std::string error(const std::string& pattern, FileInfo& file)
    {
        return thrownText<ActionError>([&] { render(pattern, file, kNow); });
    }
};

}  // namespace

TEST(PatternTokens, OnlyTheTokenFormIsAToken)
{
    auto token = findToken("a {date@Invoice date:dd.MM.yyyy HH:mm} b");
    ASSERT_TRUE(token);
    EXPECT_EQ(token->name, "date");
    EXPECT_EQ(token->keyword, "Invoice date");
    EXPECT_EQ(token->format, "dd.MM.yyyy HH:mm");
    EXPECT_EQ(token->begin, 2u);
    EXPECT_EQ(token->end, 38u);

    token = findToken("{Name} {} {a:} {b@} { {c@:x} {name");
    EXPECT_FALSE(token);
    token = findToken("{{x}");
    ASSERT_TRUE(token);
    EXPECT_EQ(token->begin, 1u);
    token = findToken("{created@x:yyyy}");
    ASSERT_TRUE(token);
    EXPECT_EQ(token->keyword, "x");
    EXPECT_EQ(token->format, "yyyy");
}

TEST_F(NamePattern, RendersNameExtensionAndDates)
{
    FileInfo file(make("Scan.final.pdf"));
    EXPECT_EQ(render("{name}|{ext}|{name@x:y}", file, kNow), "Scan.final|pdf|Scan.final");
    EXPECT_EQ(render("{name} {modified:yyyy-MM}", file, kNow), "Scan.final 2024-05");
    EXPECT_EQ(render("{modified}", file, kNow), "2024-05-01");
    EXPECT_EQ(render("{modified:HH:mm:ss}", file, kNow), "14-05-09");
    EXPECT_EQ(render("{modified:EEE d MMMM yy}", file, kNow), "Wed 1 May 24");
    EXPECT_EQ(render("{now:yyyy-MM-dd}", file, kNow), "2024-06-02");
    EXPECT_EQ(render("{created@x:yyyy}", file, kNow).size(), 4u);

    ASSERT_TRUE(file.added());
    ASSERT_TRUE(file.created());
    auto year = [](Date date) {
        std::time_t seconds = std::chrono::system_clock::to_time_t(date);
        std::tm parts {};
        ::gmtime_r(&seconds, &parts);
        return std::to_string(parts.tm_year + 1900);
    };
    EXPECT_EQ(render("{added:yyyy}/{created:yyyy}", file, kNow),
              year(*file.added()) + "-" + year(*file.created()));
}

TEST_F(NamePattern, FarDatesKeepTheirYear)
{
    fs::path path = make("far.txt");
    // 2446-03-01T12:00:00Z, near the end of what ext4 keeps.
    const struct timespec times[2] = {{15026299200, 0}, {15026299200, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    FileInfo file(path);
    if (!file.modified() || file.modified()->time_since_epoch() != std::chrono::seconds(15026299200))
        GTEST_SKIP() << "this file system does not keep such dates";
    using namespace std::chrono;
    const Date year9999{sys_days(year(9999) / 12 / 31) + 23h};
    const Date year1{sys_days(year(0) / 12 / 30)};  // 1 January of year 1, Julian
    EXPECT_EQ(render("{modified:yyyy-MM-dd HH}", file, kNow), "2446-03-01 12");
    EXPECT_EQ(render("{now:yyyy-MM-dd HH}", file, year9999), "9999-12-31 23");
    // Before 1582 the Gregorian formatter counts Julian days.
    EXPECT_EQ(render("{now:y-MM-dd}", file, year1), "1-01-01");
}

TEST_F(NamePattern, DatesFollowTheLocaleWithLatinDigitsAndTheTimeZone)
{
    FileInfo file(make("a.txt"));
    {
        ScopedEnv german("LC_ALL", "de_DE.UTF-8");
        EXPECT_EQ(render("{modified:EEEE d. MMMM}", file, kNow), "Mittwoch 1. Mai");
    }
    {
        ScopedEnv arabic("LC_ALL", "ar_EG.UTF-8");
        EXPECT_EQ(render("{modified:yyyy-MM-dd}", file, kNow), "2024-05-01");
    }
    {
        ScopedEnv thai("LC_ALL", "th_TH");
        EXPECT_EQ(render("{modified:yyyy}", file, kNow), "2024");
    }
    ScopedEnv tokyo("TZ", "Asia/Tokyo");
    EXPECT_EQ(render("{modified:HH:mm}", file, kNow), "23-05");
}

TEST_F(NamePattern, LiteralTextIsCleanedAndTrimmed)
{
    FileInfo file(make("notes"));
    EXPECT_EQ(render("a/b:c", file, kNow), "a-b-c");
    EXPECT_EQ(render(" \t{Name} {} { x\t ", file, kNow), "{Name} {} { x");
    EXPECT_EQ(render("\nx\n", file, kNow), "\nx\n");
    EXPECT_EQ(error("  {ext}  ", file), "pattern   {ext}   rendered empty");
}

TEST_F(NamePattern, UnknownTokensAndMissingValuesFail)
{
    FileInfo file(make("a.pdf"));
    EXPECT_EQ(error("{size}", file), "unknown token {size}");
    EXPECT_EQ(error("{name} {bogus} {date}", file), "unknown token {bogus}");
    file.setExtractedText("");
    file.setContentDates({});
    EXPECT_EQ(error("{date}", file), "no value for {date} in a.pdf");
}

TEST_F(NamePattern, ContentDatesAreFoundAfterTheKeyword)
{
    FileInfo file(make("invoice.pdf"));
    const std::string text = "Order 2024-01-02 — ÍNVOICE Däte: 2024-03-04, due 2024-04-05";
    // Offsets count UTF-16 code units: "—" is one, the accented letters one each.
    file.setExtractedText(text);
    file.setContentDates({{Date(std::chrono::seconds(1704153600)), "2024-01-02", 6},
                          {Date(std::chrono::seconds(1709510400)), "2024-03-04", 33},
                          {Date(std::chrono::seconds(1712275200)), "2024-04-05", 49}});
    EXPECT_EQ(render("{date}", file, kNow), "2024-01-02");
    EXPECT_EQ(render("{date@invoice date:dd.MM.yyyy}", file, kNow), "04.03.2024");
    EXPECT_EQ(render("{date@due}", file, kNow), "2024-04-05");
    EXPECT_EQ(error("{date@total}", file), "no value for {date} in invoice.pdf");
    EXPECT_EQ(error("{date@2024-04-05}", file), "no value for {date} in invoice.pdf");

    EXPECT_EQ(findKeywordEnd("😀 Straße", "STRASSE"), std::optional<std::size_t>(9));
    EXPECT_EQ(findKeywordEnd("abc", "abcd"), std::nullopt);
}
