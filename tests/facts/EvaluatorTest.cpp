#include "Core/evaluate/Evaluator.h"
#include "Core/base/Formatting.h"
#include "Core/base/TextSearch.h"
#include "Core/platform/Xattr.h"
#include "tests/facts/Fixtures.h"

#include <unistd.h>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class Evaluation : public InFolder {
protected:
    void SetUp() override { pinLocaleAndZone("en_US", "America/New_York"); }

    static Node cond(Attr attr, Op op, std::string value) { return Condition{attr, op, std::move(value)}; }

    static Outcome run(FileInfo& file, Group::Mode mode, std::vector<Node> items, Date now = currentDate())
    {
        return evaluate(Group{mode, std::move(items)}, file, now);
    }

    // One condition on one file: whether it holds and what the check shows.
    static Check check(FileInfo& file, Attr attr, Op op, std::string value)
    {
        Outcome outcome = run(file, Group::Mode::all, {cond(attr, op, std::move(value))});
        EXPECT_EQ(outcome.checks.size(), 1u);
        return outcome.checks.empty() ? Check{} : outcome.checks.front();
    }

    struct Expected {
        FileInfo& file;
        Op op;
        std::string value;
        bool holds;
    };
    // Whether each condition on `attr` holds on its file, as listed.
    static void expectHolds(Attr attr, std::initializer_list<Expected> cases)
    {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.file.url().filename().string() + ": " + std::string(rawValue(c.op)) + " \"" + c.value + "\"");
            EXPECT_EQ(check(c.file, attr, c.op, c.value).pass, c.holds);
        }
    }
};

// The start of a day in UTC.
Date utcDay(int year, unsigned month, unsigned day)
{
    return Date(std::chrono::sys_days(std::chrono::year(year) / month / day));
}

// 12:00 on 1 May 2024 in New York.
Date noonMay1() { return utcDay(2024, 5, 1) + 16h; }

}  // namespace

TEST_F(Evaluation, GroupsStopAsSoonAsTheAnswerIsKnown)
{
    FileInfo file(make("report.pdf", "x"));
    EXPECT_TRUE(run(file, Group::Mode::all, {}).pass);
    EXPECT_TRUE(run(file, Group::Mode::none, {}).pass);
    EXPECT_FALSE(run(file, Group::Mode::any, {}).pass);
    EXPECT_TRUE(run(file, Group::Mode::any, {}).checks.empty());

    auto yes = cond(Attr::ext, Op::is, "pdf");
    auto no = cond(Attr::ext, Op::is, "txt");
    Outcome all = run(file, Group::Mode::all, {no, yes, yes});
    EXPECT_FALSE(all.pass);
    EXPECT_EQ(all.checks.size(), 1u);
    Outcome any = run(file, Group::Mode::any, {no, yes, no});
    EXPECT_TRUE(any.pass);
    EXPECT_EQ(any.checks.size(), 2u);

    Outcome none = run(file, Group::Mode::none, {yes});
    EXPECT_FALSE(none.pass);
    ASSERT_EQ(none.checks.size(), 1u);
    EXPECT_TRUE(none.checks[0].pass);  // the condition's own result
    Outcome noneFails = run(file, Group::Mode::none, {no});
    EXPECT_TRUE(noneFails.pass);
    EXPECT_FALSE(noneFails.checks[0].pass);

    // A nested group that decides stops its parent: the date condition after
    // it leaves no check and no flip candidate.
    Outcome nested = run(file, Group::Mode::any,
                         {Group{Group::Mode::all, {yes, yes}}, cond(Attr::modified, Op::inLast, "1 day")});
    EXPECT_TRUE(nested.pass);
    EXPECT_EQ(nested.checks.size(), 2u);
    EXPECT_FALSE(nested.flipsAt.has_value());

    Outcome deep = run(file, Group::Mode::all, {Group{Group::Mode::none, {Group{Group::Mode::any, {no}}}}, yes});
    EXPECT_TRUE(deep.pass);
    EXPECT_EQ(deep.checks.size(), 2u);
}

TEST_F(Evaluation, ChecksRecordTheConditionAndTheFilesValue)
{
    FileInfo file(make("Quarterly Report.pdf", std::string(2048, 'x')));
    Outcome outcome = run(file, Group::Mode::all,
                          {cond(Attr::name, Op::contains, " report "), cond(Attr::size, Op::contains, "2")});
    ASSERT_EQ(outcome.checks.size(), 1u);
    EXPECT_EQ(outcome.checks[0].value, " report ");  // not trimmed
    EXPECT_EQ(outcome.checks[0].actual, "Quarterly Report");

    // A pair the attribute does not support fails and still shows the value.
    Check unsupported = check(file, Attr::size, Op::contains, "2");
    EXPECT_EQ(shown(unsupported), "fails: 2 KB");
    EXPECT_EQ(unsupported.attr, Attr::size);
    EXPECT_EQ(unsupported.op, Op::contains);
    EXPECT_FALSE(check(file, Attr::name, Op::gt, "a").pass);
    EXPECT_FALSE(check(file, Attr::modified, Op::is, "x").pass);
}

TEST_F(Evaluation, NamesIgnoreCaseAndDiacriticsButPatternsOnlyCase)
{
    FileInfo upper(make("report.PDF")), accented(make("Réport.pdf")), plain(make("Report.pdf"));
    FileInfo file(make("Quarterly Report 2024.txt"));
    // Whole characters only: a letter is not found inside a letter with a
    // mark that was written as two code points.
    FileInfo decomposed(make("Cafe\xCC\x81 menu"));
    expectHolds(Attr::name, {
        {upper, Op::is, "Report", true},
        {accented, Op::is, "Report", true},
        {plain, Op::is, "RÉPORT", true},
        {plain, Op::isNot, "report", false},
        {plain, Op::matches, "^rep", true},
        {plain, Op::matches, "^rép", false},
        {accented, Op::matches, "^rép", true},
        {file, Op::contains, "REPORT", true},
        {file, Op::startsWith, "quart", true},
        {file, Op::startsWith, "report", false},
        {file, Op::endsWith, "2024", true},
        {file, Op::endsWith, "txt", false},
        {file, Op::notContains, "invoice", true},
        {file, Op::notContains, "ly rep", false},
        {file, Op::matches, "\\d{4}$", true},
        {file, Op::matches, "([unclosed", false},  // an invalid pattern finds nothing
        {decomposed, Op::contains, "café", true},
        {decomposed, Op::is, "CAFE MENU", true},
    });

    // A name that is not UTF-8 is seen with U+FFFD for each invalid byte.
    FileInfo bytes(make("bad\xffname.p\xfe"));
    expectHolds(Attr::name, {
        {bytes, Op::is, "bad\uFFFDname", true},
        {bytes, Op::contains, "\uFFFD", true},
        {bytes, Op::matches, "^bad.name$", true},
    });
    expectHolds(Attr::ext, {{bytes, Op::is, "p\uFFFD", true}});
    EXPECT_EQ(check(bytes, Attr::name, Op::is, "x").actual, "bad\uFFFDname");
}

TEST_F(Evaluation, EmptyValuesAreNeverFound)
{
    FileInfo file(make("report.pdf"));
    expectHolds(Attr::name, {{file, Op::contains, "", false},
                             {file, Op::startsWith, "", false},
                             {file, Op::endsWith, "", false},
                             {file, Op::matches, "", false},
                             {file, Op::notContains, "", true},
                             {file, Op::is, "", false}});

    FileInfo bare(make("README"));
    EXPECT_EQ(shown(check(bare, Attr::ext, Op::is, "")), "holds: ");
    FileInfo pdf(make("a.PDF"));
    EXPECT_TRUE(check(pdf, Attr::ext, Op::is, "pdf").pass);
}

// A pattern that backtracks without end gives up instead of holding up the
// engine, and the condition does not hold.
TEST_F(Evaluation, RunawayPatternsStopAtTheTimeLimit)
{
    FileInfo file(make(std::string(40, 'a') + "!"));
    auto start = std::chrono::steady_clock::now();
    Check runaway = check(file, Attr::name, Op::matches, "^(a+)+$");
    auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(runaway.pass);
    EXPECT_LT(spent, 30s);
    EXPECT_EQ(runaway.note, "the regular expression ran out of time on this text, so it counts as no match");
    EXPECT_TRUE(check(file, Attr::name, Op::matches, "^a+!$").pass);
}

// A pattern that could not answer fails, and its check says why; one that
// simply does not match says nothing more.
TEST_F(Evaluation, PatternsThatCannotAnswerSayWhy)
{
    FileInfo file(make("report.txt", "an invoice"));
    struct Case {
        Attr attr;
        const char* pattern;
        std::optional<std::string> note;
    };
    for (const Case& c : std::vector<Case>{
             {Attr::name, "([", "the regular expression “([” doesn't compile: a [ is not closed"},
             {Attr::ext, "x{3,1}", "the regular expression “x{3,1}” doesn't compile: a {…} count has its maximum below its minimum"},
             {Attr::contents, "(invoice", "the regular expression “(invoice” doesn't compile: its parentheses do not pair up"},
             {Attr::name, "^nothing$", std::nullopt},
             {Attr::contents, "", std::nullopt},
         }) {
        Check result = check(file, c.attr, Op::matches, c.pattern);
        EXPECT_FALSE(result.pass) << c.pattern;
        EXPECT_EQ(result.note, c.note) << c.pattern;
    }
    // Other operators take the text as it stands.
    EXPECT_FALSE(check(file, Attr::name, Op::contains, "([").note.has_value());
}

TEST_F(Evaluation, SourcesAreJoinedWithASpace)
{
    fs::path path = make("setup.pkg");
    xattr::write(path, "user.xdg.origin.url", "https://downloads.example.com/setup.pkg");
    xattr::write(path, "user.xdg.referrer.url", "https://example.com/get");
    FileInfo file(path);
    EXPECT_EQ(shown(check(file, Attr::source, Op::contains, "EXAMPLE.COM/get")),
              "holds: https://downloads.example.com/setup.pkg https://example.com/get");
    EXPECT_TRUE(check(file, Attr::source, Op::startsWith, "https://downloads").pass);

    FileInfo none(make("local.txt"));
    EXPECT_EQ(shown(check(none, Attr::source, Op::contains, "example")), "fails: ");
    EXPECT_TRUE(check(none, Attr::source, Op::notContains, "example").pass);
}

TEST_F(Evaluation, TagsMatchWholeTagsIgnoringCaseOnly)
{
    fs::path path = make("a.txt");
    xattr::write(path, "user.xdg.tags", "Work,Privé");
    FileInfo file(path);
    EXPECT_EQ(check(file, Attr::tags, Op::contains, "work").actual, "Work, Privé");
    fs::path shop = make("b.txt");
    xattr::write(shop, "user.xdg.tags", "Workshop");
    FileInfo workshop(shop);
    FileInfo untagged(make("c.txt"));
    EXPECT_EQ(check(untagged, Attr::tags, Op::notContains, "anything").actual, "");
    expectHolds(Attr::tags, {
        {file, Op::contains, "work", true},
        {file, Op::is, "WORK", true},
        {file, Op::contains, "PRIVÉ", true},
        {file, Op::contains, "prive", false},  // accents count
        {file, Op::isNot, "work", false},
        {file, Op::notContains, "home", true},
        {file, Op::startsWith, "Work", false},
        {workshop, Op::contains, "work", false},
        {untagged, Op::notContains, "anything", true},
        {untagged, Op::isNot, "anything", true},
    });
}

TEST_F(Evaluation, KindsByWordIdentifierOrExtension)
{
    writeTextImage(dir / "photo.png", {"x"}, 200, 100);
    FileInfo png(dir / "photo.png");
    EXPECT_EQ(check(png, Attr::kind, Op::is, "Image").actual, "image/png");
    FileInfo text(make("notes.txt", "hello"));
    EXPECT_EQ(check(text, Attr::kind, Op::is, "text").actual, "text/plain");
    FileInfo markdown(make("notes.md", "# hi"));
    // Office documents are zip files inside, but no archives to the user.
    FileInfo docx(make("letter.docx", "data"));
    expectHolds(Attr::kind, {
        {png, Op::is, "Image", true},
        {png, Op::isNot, "image", false},
        {png, Op::is, "public.image", true},
        {png, Op::is, "png", true},
        {png, Op::is, "pdf", false},
        {png, Op::isNot, "text", true},
        {png, Op::contains, "image", false},
        {text, Op::is, "text", true},
        {text, Op::is, "public.plain-text", true},
        {text, Op::is, "txt", true},
        {text, Op::is, "text/plain", true},
        {markdown, Op::is, "text", true},  // a kind of plain text
        {docx, Op::is, "archive", false},
        // A value that names no type makes both operators fail.
        {text, Op::is, "nonsense-kind", false},
        {text, Op::isNot, "nonsense-kind", false},
        {text, Op::isNot, "", false},
    });

    struct Case {
        const char* file;
        const char* word;
    } cases[] = {
        {"a.zip", "archive"},     {"a.tar.gz", "archive"},       {"a.7z", "archive"},
        {"a.pdf", "pdf"},         {"a.mp4", "movie"},            {"a.mkv", "video"},
        {"a.mp3", "audio"},       {"a.iso", "disk image"},       {"a.xlsx", "spreadsheet"},
        {"a.ods", "spreadsheet"}, {"a.pptx", "presentation"},    {"a.AppImage", "application"},
        {"a.pdf", "com.adobe.pdf"},
    };
    for (const auto& c : cases) {
        FileInfo file(make(c.file, "data"));
        EXPECT_TRUE(check(file, Attr::kind, Op::is, c.word).pass) << c.file << " " << c.word << " "
                                                                 << file.type()->identifier();
    }
}

TEST_F(Evaluation, KindWordsResolve)
{
    EXPECT_EQ(Evaluator::resolveKind("VIDEO"), Evaluator::resolveKind("movie"));
    auto identifier = [](std::string_view value) -> std::optional<std::string> {
        auto type = Evaluator::resolveKind(value);
        return type ? std::optional(type->identifier()) : std::nullopt;
    };
    for (auto [value, expected] : std::vector<std::pair<const char*, std::optional<std::string>>>{
             {"Disk Image", ContentType::diskImage().identifier()},
             {"jpg", "image/jpeg"},
             {"image/pjpeg", "image/jpeg"},  // an alias in the MIME database
             // A name in common use, but neither a type nor an alias there.
             {"image/jpg", std::nullopt},
             {"folder-that-is-no-extension", std::nullopt},
             {"", std::nullopt},
         })
        EXPECT_EQ(identifier(value), expected) << value;
}

TEST_F(Evaluation, SizesInDecimalUnits)
{
    fs::path above = make("above.bin");
    fs::resize_file(above, 1'500'001);
    fs::path exact = make("exact.bin");
    fs::resize_file(exact, 1'500'000);
    FileInfo big(above), equal(exact), empty(make("empty.txt"));
    EXPECT_EQ(check(big, Attr::size, Op::gt, "1.5 MB").actual, "1.5 MB");
    EXPECT_EQ(check(empty, Attr::size, Op::lt, "1").actual, "Zero KB");
    expectHolds(Attr::size, {
        {big, Op::gt, "1.5 MB", true},
        {equal, Op::gt, "1.5 MB", false},
        {equal, Op::lt, "1.5 MB", false},
        {equal, Op::lt, "1.6mb ", true},
        {big, Op::lt, "abc", false},
        {big, Op::gt, "abc", false},
        {empty, Op::lt, "1", true},
    });
}

TEST(SizeValues, ParseAndFormat)
{
    pinLocaleAndZone("en_US", "America/New_York");
    for (auto [text, bytes] : std::vector<std::pair<const char*, double>>{
             {"10 MB", 10e6}, {"10mb", 10e6}, {"1.5g", 1.5e9}, {"500", 500}, {"2 kB", 2000}, {"\t 7B ", 7},
             {"1.", 1}, {".5k", 500}})
        EXPECT_EQ(parseSize(text), bytes) << text;
    for (const char* bad : {"10 KiB", "-5", "1,000", "1.2.3", ".", "", "k", "5 TB", "١٢"})
        EXPECT_FALSE(parseSize(bad).has_value()) << bad;

    for (auto [bytes, text] : std::vector<std::pair<std::int64_t, const char*>>{
             {0, "Zero KB"}, {1, "1 byte"}, {532, "532 bytes"}, {2048, "2 KB"}, {999'999, "1 MB"},
             {123'456'789, "123.5 MB"}, {2'310'000'000, "2.31 GB"}, {1'234'567'890'123, "1.23 TB"}})
        EXPECT_EQ(fileSizeText(bytes), text) << bytes;
    pinLocaleAndZone("de_DE", "Europe/Berlin");
    EXPECT_EQ(fileSizeText(1'500'000), "1,5 MB");
    EXPECT_EQ(fileSizeText(1'234'000), "1,2 MB");
}

TEST(DurationValues, UnitsAreReadByPrefix)
{
    using enum CalendarUnit;
    struct Case {
        const char* text;
        std::int64_t count;
        CalendarUnit unit;
    } cases[] = {{"3 days", 3, day},     {"3d", 3, day},         {"2 hrs", 2, hour},     {"10 min", 10, minute},
                 {"6 Months", 6, month}, {"\t1 year ", 1, year}, {"2 weeks", 2, week}, {"5 mi", 5, minute}};
    for (const auto& c : cases) EXPECT_EQ(parseDuration(c.text), std::pair(c.count, c.unit)) << c.text;
    for (const char* bad : {"5 m", "30 seconds", "days", "3", "-3 days", "3.5 days", "99999999999999999999 days", ""})
        EXPECT_FALSE(parseDuration(bad).has_value()) << bad;

    for (auto [text, unit] : std::vector<std::pair<const char*, CalendarUnit>>{
             {"WEEK", week}, {"day", day}, {"Month", month}, {"year", year}})
        EXPECT_EQ(parsePeriod(text), unit) << text;
    EXPECT_FALSE(parsePeriod(" week").has_value());
    EXPECT_FALSE(parsePeriod("hour").has_value());
}

TEST_F(Evaluation, DatesWithinTheLastDuration)
{
    FileInfo file(make("a.txt"));
    const Date nine = noonMay1() - 3h;
    const Date january31 = utcDay(2024, 1, 31) + 17h;
    struct Case {
        const char* name;
        Date now, date;
        Op op;
        const char* value;
        bool holds;
        std::optional<Date> flipsAt;
    };
    const Case cases[] = {
        // 09:00 plus 3 hours is not after noon: not within, nothing to note.
        {"3 hours back", noonMay1(), nine, Op::inLast, "3 hours", false, std::nullopt},
        {"3 hours back", noonMay1(), nine, Op::notInLast, "3 hours", true, std::nullopt},
        // 09:00 plus 4 hours is: within until 13:00, both note it.
        {"4 hours back", noonMay1(), nine, Op::inLast, "4 hours", true, noonMay1() + 1h},
        {"4 hours back", noonMay1(), nine, Op::notInLast, "4 hours", false, noonMay1() + 1h},
        // The unit is read by prefix: "5 m" is nothing, "5 mi" five minutes.
        {"a lone m", noonMay1(), noonMay1() - 1min, Op::inLast, "5 m", false, std::nullopt},
        {"mi", noonMay1(), noonMay1() - 1min, Op::inLast, "5 mi", true, noonMay1() + 4min},
        // A date still to come is within the last stretch of time, however
        // short, until that stretch after it has passed.
        {"tomorrow", noonMay1(), noonMay1() + 24h, Op::inLast, "1 minute", true, noonMay1() + 24h + 1min},
        {"tomorrow", noonMay1(), noonMay1() + 24h, Op::notInLast, "1 minute", false, noonMay1() + 24h + 1min},
        {"a second ahead", noonMay1(), noonMay1() + 1s, Op::inLast, "1000 years", true, utcDay(3024, 5, 1) + 16h + 1s},
        {"year 2446", noonMay1(), utcDay(2446, 1, 5), Op::inLast, "1 day", true, utcDay(2446, 1, 6)},
        {"year 2446", noonMay1(), utcDay(2446, 1, 5), Op::notInLast, "1 day", false, utcDay(2446, 1, 6)},
        // Exactly now plus nothing: `t` equal to now is not after it.
        {"now itself", noonMay1(), noonMay1(), Op::inLast, "0 days", false, std::nullopt},
        {"now itself", noonMay1(), noonMay1(), Op::notInLast, "0 days", true, std::nullopt},
        // Calendar arithmetic: a month after 31 January 2024 is 29 February.
        {"leap month, after", utcDay(2024, 3, 1) + 17h - 1s, january31, Op::inLast, "1 month", false, std::nullopt},
        {"leap month, before", utcDay(2024, 2, 29) + 16h, january31, Op::inLast, "1 month", true,
         utcDay(2024, 2, 29) + 17h},
        // Values that do not read fail.
        {"no unit", noonMay1(), nine, Op::inLast, "soon", false, std::nullopt},
        {"too many days", noonMay1(), nine, Op::inLast, "4294967296 days", false, std::nullopt},
        {"not a date operator", noonMay1(), nine, Op::is, "3 hours", false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ": " + std::string(rawValue(c.op)) + " " + c.value);
        Evaluator evaluator(file, c.now);
        auto result = evaluator.testDate(c.date, c.op, c.value);
        EXPECT_EQ(result.pass, c.holds);
        EXPECT_EQ(evaluator.flipsAt, c.flipsAt);
        // Whatever the answer, the date is shown.
        EXPECT_EQ(result.actual, dateTimeText(c.date));
    }
    Evaluator evaluator(file, noonMay1());
    EXPECT_EQ(shown(evaluator.testDate(nine, Op::inLast, "3 hours")), "fails: May 1, 2024, 9:00\u202fAM");
}

TEST_F(Evaluation, FarDatesAndLongDurations)
{
    FileInfo file(make("a.txt"));
    const Date recent = noonMay1() - 1h;  // 15:00 UTC
    const Date year1 = utcDay(1, 1, 1);
    const Date year9999 = utcDay(9999, 12, 31);
    struct Case {
        Date date;
        Op op;
        const char* value;
        bool holds;
        std::optional<Date> flipsAt;
    };
    for (const Case& c : std::vector<Case>{
             {recent, Op::inLast, "238 years", true, utcDay(2262, 5, 1) + 15h},
             {recent, Op::notInLast, "238 years", false, utcDay(2262, 5, 1) + 15h},
             {recent, Op::inLast, "1000 years", true, utcDay(3024, 5, 1) + 15h},
             {recent, Op::inLast, "1000000000 minutes", true, recent + std::chrono::minutes(1'000'000'000)},
             {recent, Op::inLast, "8000 years", true, utcDay(10024, 5, 1) + 15h},
             {year1, Op::inLast, "1000 years", false, std::nullopt},
             {year1, Op::notInLast, "1000 years", true, std::nullopt},
             {year1, Op::inLast, "2100 years", true, std::nullopt},  // flips: see below
             {year9999, Op::inLast, "1 day", true, year9999 + 24h},  // still to come
             {year9999, Op::notInCurrent, "year", true, std::nullopt},
             {year9999, Op::inCurrent, "day", false, std::nullopt},
         }) {
        SCOPED_TRACE(std::string(rawValue(c.op)) + " " + c.value + " from " + dateTimeText(c.date));
        Evaluator evaluator(file, noonMay1());
        EXPECT_EQ(evaluator.testDate(c.date, c.op, c.value).pass, c.holds);
        if (c.flipsAt || !c.holds || c.op != Op::inLast) EXPECT_EQ(evaluator.flipsAt, c.flipsAt);
        else EXPECT_GT(evaluator.flipsAt, noonMay1());
    }
    Evaluator evaluator(file, noonMay1());
    EXPECT_EQ(evaluator.testDate(year9999, Op::inLast, "1 day").actual, "Dec 30, 9999, 7:00\u202fPM");
}

TEST_F(Evaluation, DatesInTheCurrentPeriod)
{
    FileInfo file(make("a.txt"));
    // Wednesday 1 May 2024: the American week runs Sunday 28 April to
    // Sunday 5 May.
    Evaluator evaluator(file, noonMay1());
    Date sunday = utcDay(2024, 4, 28) + 4h;  // 00:00 in New York
    Date nextSunday = utcDay(2024, 5, 5) + 4h;
    EXPECT_TRUE(evaluator.testDate(sunday, Op::inCurrent, "week").pass);
    EXPECT_EQ(evaluator.flipsAt, nextSunday);
    Evaluator notIn(file, noonMay1());
    EXPECT_FALSE(notIn.testDate(sunday, Op::notInCurrent, "week").pass);
    EXPECT_EQ(notIn.flipsAt, nextSunday);
    Evaluator before(file, noonMay1());
    EXPECT_FALSE(before.testDate(sunday - 1s, Op::inCurrent, "week").pass);
    EXPECT_TRUE(before.testDate(sunday - 1s, Op::notInCurrent, "week").pass);
    EXPECT_FALSE(before.flipsAt.has_value());

    Evaluator periods(file, noonMay1());
    EXPECT_TRUE(periods.testDate(noonMay1() - 11h, Op::inCurrent, "day").pass);
    EXPECT_FALSE(periods.testDate(noonMay1() - 13h, Op::inCurrent, "day").pass);
    EXPECT_TRUE(periods.testDate(noonMay1() - 12h, Op::inCurrent, "Month").pass);
    EXPECT_TRUE(periods.testDate(noonMay1() - 24h * 100, Op::inCurrent, "year").pass);
    EXPECT_FALSE(periods.testDate(noonMay1(), Op::inCurrent, " week").pass);
    EXPECT_FALSE(periods.testDate(noonMay1(), Op::notInCurrent, " week").pass);
    // The earliest candidate: the end of the day.
    EXPECT_EQ(periods.flipsAt, utcDay(2024, 5, 2) + 4h);

    // In Germany the week starts on Monday.
    pinLocaleAndZone("de_DE", "Europe/Berlin");
    Evaluator german(file, noonMay1());
    Date monday = utcDay(2024, 4, 29) - 2h;  // 00:00 in Berlin
    EXPECT_FALSE(german.testDate(monday - 1s, Op::inCurrent, "week").pass);
    EXPECT_TRUE(german.testDate(monday, Op::inCurrent, "week").pass);
    EXPECT_EQ(german.flipsAt, monday + 24h * 7);
    EXPECT_EQ(german.testDate(monday, Op::inCurrent, "week").actual, "29.04.2024, 00:00");
}

TEST_F(Evaluation, FlipTimeIsTheEarliestCandidate)
{
    FileInfo file(make("a.txt"));
    Date modified = *file.modified();
    Date now = modified + 1h;
    Outcome outcome = run(file, Group::Mode::all,
                          {cond(Attr::modified, Op::inLast, "3 hours"), cond(Attr::added, Op::inLast, "2 hours")},
                          now);
    EXPECT_TRUE(outcome.pass);
    ASSERT_TRUE(outcome.flipsAt.has_value());
    EXPECT_LE(*outcome.flipsAt, *file.added() + 2h);
    EXPECT_GT(*outcome.flipsAt, now);

    // A missing date fails, shows "no date" and notes nothing.
    Evaluator evaluator(file, now);
    EXPECT_EQ(shown(evaluator.testDate(std::nullopt, Op::notInLast, "1 day")), "fails: no date");
    EXPECT_FALSE(evaluator.flipsAt.has_value());
    evaluator.noteFlip(now + 5h);
    evaluator.noteFlip(now + 9h);
    evaluator.noteFlip(now + 2h);
    EXPECT_EQ(evaluator.flipsAt, now + 2h);
}

TEST_F(Evaluation, RealFileDates)
{
    FileInfo file(make("fresh.txt", "x"));
    EXPECT_TRUE(check(file, Attr::modified, Op::inLast, "1 day").pass);
    EXPECT_TRUE(check(file, Attr::added, Op::inLast, "1 hour").pass);
    EXPECT_FALSE(check(file, Attr::modified, Op::notInLast, "1 day").pass);
    Check created = check(file, Attr::created, Op::inLast, "1 day");
    EXPECT_EQ(created.pass, file.created().has_value());
}

TEST_F(Evaluation, LastOpenedFromTheRecentFilesList)
{
    ScopedEnv dataHome("XDG_DATA_HOME", (dir / "data").string());
    fs::path path = make("My Notes.txt", "x");
    fs::path other = make("other.txt", "x");
    writeRecentFiles(dir / "data" / "recently-used.xbel",
                     {{"file://" + (dir / "My%20Notes.txt").string(), "2024-05-01T13:00:00.123456Z",
                       "2024-04-01T10:00:00Z"},
                      {"file://" + (dir / "My%20Notes.txt").string(), "2024-03-01T10:00:00Z", "2024-05-01T14:30:00Z"},
                      {"https://example.com/My%20Notes.txt", "2025-01-01T00:00:00Z", ""}});
    FileInfo file(path);
    ASSERT_TRUE(file.opened().has_value());
    EXPECT_EQ(*file.opened(), utcDay(2024, 5, 1) + 14h + 30min);
    EXPECT_EQ(check(file, Attr::opened, Op::inLast, "1 day").actual, "May 1, 2024, 10:30\u202fAM");

    FileInfo never(other);
    EXPECT_FALSE(never.opened().has_value());
    EXPECT_EQ(check(never, Attr::opened, Op::inLast, "1 day").actual, "no date");

    // A damaged list names nothing; an assigned value wins.
    writeFile(dir / "data" / "recently-used.xbel", "<xbel><bookmark href=");
    FileInfo damaged(path);
    EXPECT_FALSE(damaged.opened().has_value());
    damaged.setOpened(noonMay1());
    EXPECT_EQ(damaged.opened(), noonMay1());
}

// Plain ASCII names take a shortcut past the Unicode machinery; it must
// answer exactly as the full comparison does.
TEST_F(Evaluation, AsciiShortcutAgreesWithTheFullComparison)
{
    FileInfo file(make("x"));
    Evaluator evaluator(file, currentDate());
    const std::string alphabet = "aAb. ";
    std::vector<std::string> words{""};
    for (int length = 1; length <= 3; ++length) {
        std::vector<std::string> longer;
        for (const auto& word : words)
            if (word.size() == static_cast<std::size_t>(length - 1))
                for (char c : alphabet) longer.push_back(word + c);
        words.insert(words.end(), longer.begin(), longer.end());
    }
    for (const auto& text : words)
        for (const auto& value : words) {
            SCOPED_TRACE(text + "|" + value);
            SearchText search(text);
            auto found = [&](Anchor anchor) { return search.find(value, Folding::caseAndDiacritics, anchor).has_value(); };
            bool equal = search.equals(value, Folding::caseAndDiacritics);
            ASSERT_EQ(evaluator.testText(text, Op::is, value), equal);
            ASSERT_EQ(evaluator.testText(text, Op::isNot, value), !equal);
            ASSERT_EQ(evaluator.testText(text, Op::contains, value), found(Anchor::none));
            ASSERT_EQ(evaluator.testText(text, Op::notContains, value), !found(Anchor::none));
            ASSERT_EQ(evaluator.testText(text, Op::startsWith, value), found(Anchor::start));
            ASSERT_EQ(evaluator.testText(text, Op::endsWith, value), found(Anchor::end));
        }
}

TEST_F(Evaluation, NamesThatAreNotUtf8StillGiveUtf8Checks)
{
    FileInfo file(make("caf\xe9.txt"));
    Check name = check(file, Attr::name, Op::contains, "caf");
    EXPECT_EQ(shown(name), "holds: caf\uFFFD");
    EXPECT_NO_THROW(toJson(name).dump());
}

TEST(CalendarPeriods, FollowTheLocalCalendar)
{
    pinLocaleAndZone("en_US", "America/New_York");
    Calendar calendar = Calendar::current();
    auto local = [](int y, unsigned m, unsigned d, std::chrono::hours offset) { return utcDay(y, m, d) - offset; };
    Date may1 = local(2024, 5, 1, -4h) + 12h;
    auto month = calendar.interval(CalendarUnit::month, may1);
    ASSERT_TRUE(month);
    EXPECT_EQ(month->start, local(2024, 5, 1, -4h));
    EXPECT_EQ(month->end, local(2024, 6, 1, -4h));
    auto year = calendar.interval(CalendarUnit::year, may1);
    ASSERT_TRUE(year);
    EXPECT_EQ(year->start, local(2024, 1, 1, -5h));
    EXPECT_EQ(year->end, local(2025, 1, 1, -5h));
    // The day the clocks go forward has 23 hours.
    Date springForward = local(2024, 3, 10, -5h) + 12h;
    auto day = calendar.interval(CalendarUnit::day, springForward);
    ASSERT_TRUE(day);
    EXPECT_EQ(day->start, local(2024, 3, 10, -5h));
    EXPECT_EQ(day->end - day->start, 23h);
    EXPECT_TRUE(day->contains(day->end));
    EXPECT_EQ(calendar.adding(springForward - 12h, CalendarUnit::day, 1), day->end);
    EXPECT_EQ(calendar.adding(may1, CalendarUnit::year, -1), may1 - 24h * 366);  // across 29 February
    EXPECT_FALSE(calendar.adding(may1, CalendarUnit::year, 5'000'000'000LL).has_value());
}
