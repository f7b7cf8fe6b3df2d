#include "OlvaApp/Sentences/ActivityDate.h"
#include "OlvaApp/Sentences/ActivityTexts.h"
#include "OlvaApp/Sentences/Inflection.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTimeZone>

#include <thread>
#include <vector>

using namespace olva::app;

namespace {

// Noon in UTC; the status line's day follows the zone of `now`.
const QDateTime kNow(QDate(2025, 3, 3), QTime(12, 0), QTimeZone::utc());

olva::Date hoursBeforeNow(double hours)
{
    auto millis = kNow.toMSecsSinceEpoch() - static_cast<qint64>(hours * 3600 * 1000);
    return olva::Date(std::chrono::milliseconds(millis));
}

struct Run {
    double hoursAgo = 1;
    int steps = 1;
    bool dryRun = false;
    bool failed = false;
    bool undo = false;
};

olva::Entry entry(const Run& run)
{
    olva::Entry entry;
    entry.at = hoursBeforeNow(run.hoursAgo);
    entry.file = "/in/a.pdf";
    entry.rule = "R";
    for (int i = 0; i < run.steps; ++i) entry.steps.push_back({olva::Step::Kind::move, "/in/a.pdf", "/out/a.pdf", {}, {}, {}});
    entry.dryRun = run.dryRun;
    if (run.failed) entry.error = "no room";
    if (run.undo) entry.undoOf = "AAAAAAAA-0000-0000-0000-000000000001";
    return entry;
}

std::vector<olva::Entry> log(std::initializer_list<Run> runs)
{
    std::vector<olva::Entry> entries;
    for (const Run& run : runs) entries.push_back(entry(run));
    return entries;
}

}  // namespace

TEST(CountedPhrases, AgreeWithTheirNumber)
{
    struct Case {
        qint64 count;
        const char* organized;
        const char* watching;
        const char* problems;
        const char* revert;
        const char* emptyLog;
    };
    const Case cases[] = {
        {0, "Watching 0 folders", "Watching 0 folders", "Watching 0 folders", "Revert",
         "Watching 0 folders. Files that match a rule show up here."},
        {1, "1 file organized today", "Watching 1 folder", "Watching 0 folders · 1 problem", "Revert",
         "Watching 1 folder. Files that match a rule show up here."},
        {2, "2 files organized today", "Watching 2 folders", "Watching 0 folders · 2 problems", "Revert 2 Files",
         "Watching 2 folders. Files that match a rule show up here."},
        {5, "5 files organized today", "Watching 5 folders", "Watching 0 folders · 5 problems", "Revert 5 Files",
         "Watching 5 folders. Files that match a rule show up here."},
    };
    for (const Case& c : cases) {
        std::vector<olva::Entry> organized, failed;
        for (qint64 i = 0; i < c.count; ++i) {
            organized.push_back(entry({}));
            failed.push_back(entry({.failed = true}));
        }
        EXPECT_EQ(activityStatusLine(false, organized, 0, kNow), c.organized) << c.count;
        EXPECT_EQ(activityStatusLine(false, {}, c.count, kNow), c.watching) << c.count;
        EXPECT_EQ(activityStatusLine(false, failed, 0, kNow), QString::fromUtf8(c.problems)) << c.count;
        EXPECT_EQ(revertLabel(c.count), c.revert) << c.count;
        EXPECT_EQ(emptyLogPlaceholder(c.count).description, c.emptyLog) << c.count;
    }
}

TEST(CountedPhrases, ReadICUPluralPatterns)
{
    struct Case {
        const char* pattern;
        qint64 count;
        const char* expected;
    };
    const Case cases[] = {
        {"{count, plural, one {# item} other {# items}}", 1, "1 item"},
        {"{count, plural, one {# item} other {# items}}", 0, "0 items"},
        {"{count, plural, one {# item} other {# items}}", 1234567, "1,234,567 items"},
        {"{count, plural, =0 {nothing} one {one thing} other {# things}}", 0, "nothing"},
        {"no count at all", 3, "no count at all"},
        // A broken translation shows as it stands rather than as nothing.
        {"{count, plural, one {# item}", 1, "{count, plural, one {# item}"},
    };
    for (const Case& c : cases) EXPECT_EQ(inflected(c.pattern, c.count), c.expected) << c.pattern;
}

TEST(StatusLine, CountsTodaysRun)
{
    struct Case {
        const char* name;
        bool paused;
        std::vector<olva::Entry> entries;
        qsizetype folders;
        const char* expected;
    };
    const Case cases[] = {
        {"paused whatever the log holds", true, log({{}, {.failed = true}}), 2, "Paused"},
        {"nothing today, one folder", false, log({{.hoursAgo = 30}}), 1, "Watching 1 folder"},
        {"nothing at all, no folders", false, {}, 0, "Watching 0 folders"},
        {"a mixed day", false,
         log({{.hoursAgo = 5}, {.hoursAgo = 4}, {.hoursAgo = 3}, {.hoursAgo = 3, .dryRun = true},
              {.hoursAgo = 2, .failed = true}, {.hoursAgo = 2, .steps = 0}, {.hoursAgo = 1, .undo = true}}),
         2, "3 files organized today · 1 problem"},
        {"only failures today", false, log({{.failed = true}, {.dryRun = true, .failed = true}}), 2,
         "Watching 2 folders · 2 problems"},
        {"a failed undo is a problem", false, log({{.failed = true, .undo = true}}), 1, "Watching 1 folder · 1 problem"},
        {"one organized file", false, log({{.hoursAgo = 30}, {}}), 1, "1 file organized today"},
        {"the day began at midnight", false, log({{.hoursAgo = 12.5}, {.hoursAgo = 11.5}}), 1, "1 file organized today"},
        {"the newest entry from before today ends the run", false, log({{.hoursAgo = 1}, {.hoursAgo = 2}, {.hoursAgo = 26}}),
         3, "Watching 3 folders"},
        {"an entry from tomorrow ends the run too", false, log({{}, {.hoursAgo = -13}}), 1, "Watching 1 folder"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(activityStatusLine(c.paused, c.entries, c.folders, kNow), QString::fromUtf8(c.expected)) << c.name;
}

TEST(StatusLine, TodayIsTheDayOfNowInItsZone)
{
    const auto utc = [](int month, int day, int hour, int minute) {
        return QDateTime(QDate(2025, month, day), QTime(hour, minute), QTimeZone::utc());
    };
    const auto at = [](const QDateTime& moment) {
        return olva::Date(std::chrono::milliseconds(moment.toMSecsSinceEpoch()));
    };
    const QTimeZone plusFive(5 * 3600);
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());
    struct Case {
        const char* name;
        QDateTime now;
        QDateTime entry;
        bool today;
    };
    // 30 March 2025 in Berlin lasts 23 hours: from 23:00 UTC the day before
    // to 22:00 UTC.
    const Case cases[] = {
        {"five hours ahead, just after local midnight", utc(3, 3, 12, 0).toTimeZone(plusFive), utc(3, 2, 19, 30), true},
        {"five hours ahead, just before local midnight", utc(3, 3, 12, 0).toTimeZone(plusFive), utc(3, 2, 18, 30), false},
        {"a short day's first moments", utc(3, 30, 20, 0).toTimeZone(berlin), utc(3, 29, 23, 0), true},
        {"the hour before the short day", utc(3, 30, 20, 0).toTimeZone(berlin), utc(3, 29, 22, 30), false},
        {"a short day's last minutes", utc(3, 30, 20, 0).toTimeZone(berlin), utc(3, 30, 21, 59), true},
        {"the next day, an hour early by the clock of the day before", utc(3, 30, 20, 0).toTimeZone(berlin),
         utc(3, 30, 22, 0), false},
        {"a long day's last hour", utc(10, 26, 20, 0).toTimeZone(berlin), utc(10, 26, 22, 30), true},
    };
    for (const Case& c : cases) {
        olva::Entry organized = entry({});
        organized.at = at(c.entry);
        EXPECT_EQ(activityStatusLine(false, std::vector{organized}, 1, c.now),
                  c.today ? "1 file organized today" : "Watching 1 folder")
            << c.name;
    }
}

TEST(Placeholders, NameTheirStateAndIcon)
{
    struct Case {
        const char* name;
        Placeholder placeholder;
        const char* title;
        const char* icon;
        const char* description;
    };
    const Case cases[] = {
        {"failed start", failedStartPlaceholder("rules.json is broken: line 3 %1 {x}"), "Olva Can’t Start", "dialog-warning",
         "rules.json is broken: line 3 %1 {x}"},
        {"first run", firstRunPlaceholder(), "Choose a Folder to Watch", "folder-new",
         "New rules start as dry runs, so nothing moves until you say so."},
        {"empty log", emptyLogPlaceholder(3), "No Activity Yet", "document-open-recent",
         "Watching 3 folders. Files that match a rule show up here."},
        {"no problems", noProblemsPlaceholder(), "No Problems", "emblem-ok", ""},
        {"no dry runs", noDryRunsPlaceholder(), "No Dry Runs", "emblem-ok", ""},
        {"no search results", noSearchResultsPlaceholder("inv %1 \uE000"), "No Results for “inv %1 \uE000”",
         "system-search", "Check the spelling or try a new search."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.placeholder.title, QString::fromUtf8(c.title)) << c.name;
        EXPECT_EQ(c.placeholder.iconName, c.icon) << c.name;
        EXPECT_EQ(c.placeholder.description, QString::fromUtf8(c.description)) << c.name;
    }
    EXPECT_EQ(showDataFolderLabel(), "Show in File Manager");
    EXPECT_EQ(watchDownloadsLabel(), "Watch Downloads");
    EXPECT_EQ(chooseAnotherFolderLabel(), "Choose Another Folder…");
    EXPECT_EQ(importHazelRulesLabel(), "Import Hazel Rules…");
}

// Which placeholder covers the table: a failed start and a first run win
// over everything, and a search or a scope speaks only while no row shows.
TEST(ActivityTexts, ThePlaceholderFollowsTheFirstStateThatApplies)
{
    using Buttons = ActivityPlaceholder::Buttons;
    struct Case {
        const char* name;
        ActivityShown shown;
        const char* title;  // none: no placeholder
        Buttons buttons;
    };
    const auto all = ActivityScope::all, problems = ActivityScope::problems, dryRuns = ActivityScope::dryRuns;
    // The load error, the number of folders, whether the log is empty,
    // whether rows show, the search and the scope.
    const Case cases[] = {
        {"failed start, even with rows", {"broken", 2, false, true, "", all}, "Olva Can’t Start", Buttons::showDataFolder},
        {"first run", {{}, 0, true, false, "x", all}, "Choose a Folder to Watch", Buttons::firstRun},
        {"no folders left but a log", {{}, 0, false, true, "", all}, nullptr, Buttons::none},
        {"empty log with a search", {{}, 1, true, false, "x", all}, "No Activity Yet", Buttons::none},
        {"rows", {{}, 1, false, true, "x", problems}, nullptr, Buttons::none},
        {"search before scope", {{}, 1, false, false, "inv", problems}, "No Results for “inv”", Buttons::none},
        {"problems", {{}, 1, false, false, "", problems}, "No Problems", Buttons::none},
        {"dry runs", {{}, 1, false, false, "", dryRuns}, "No Dry Runs", Buttons::none},
        {"only undos", {{}, 1, false, false, "", all}, "No Activity Yet", Buttons::none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto placeholder = activityPlaceholder(c.shown);
        ASSERT_EQ(placeholder.has_value(), c.title != nullptr);
        if (!placeholder) continue;
        EXPECT_EQ(placeholder->words.title, QString::fromUtf8(c.title));
        EXPECT_EQ(placeholder->buttons, c.buttons);
    }
}

TEST(ActivityDates, NameRecentDaysAndWriteOthersInFull)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QRegularExpression time(QStringLiteral("^\\d{1,2}:\\d{2}[\\s\\x{202F}][AP]M$"));
    struct Case {
        const char* name;
        QDateTime date;
        QString prefix;
    };
    const Case cases[] = {
        {"today", now, "Today, "},
        {"yesterday", now.addDays(-1), "Yesterday, "},
        {"long ago", QDateTime(QDate(2024, 5, 1), QTime(12, 0), QTimeZone::utc()), "May 1, 2024, "},
    };
    const ActivityDateFormatter& formatter = activityDateFormatter();
    EXPECT_EQ(&formatter, &activityDateFormatter());
    for (const Case& c : cases) {
        QString text = formatter.format(c.date);
        ASSERT_TRUE(text.startsWith(c.prefix)) << c.name << ": " << text.toStdString();
        EXPECT_TRUE(time.match(text.mid(c.prefix.size())).hasMatch()) << c.name << ": " << text.toStdString();
    }

    // One formatter serves every thread.
    const olva::Date date = olva::Date(std::chrono::milliseconds(QDateTime(QDate(2024, 5, 1), QTime(12, 0), QTimeZone::utc()).toMSecsSinceEpoch()));
    const QString expected = formatter.format(date);
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i)
                if (formatter.format(date) != expected) ++mismatches[t];
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}
