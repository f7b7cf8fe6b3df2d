#include "OlvaApp/Sentences/ActivitySearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace olva::app;

namespace {

struct Made {
    const char* file = "/home/alex/Downloads/a.pdf";
    const char* rule = "Invoices";
    bool dryRun = false;
    bool failed = false;
    bool undo = false;
};

olva::Entry entry(const Made& made)
{
    olva::Entry entry;
    entry.file = made.file;
    entry.rule = made.rule;
    entry.dryRun = made.dryRun;
    if (made.failed) entry.error = "no room";
    if (made.undo) entry.undoOf = "00000000-0000-4000-8000-000000000001";
    return entry;
}

}  // namespace

TEST(ActivityFilter, ScopesAndUndoRecords)
{
    struct Case {
        const char* what;
        Made made;
        bool all, problems, dryRuns;
    };
    const Case cases[] = {
        {"a run", {}, true, false, false},
        {"a failed run", {.failed = true}, true, true, false},
        {"a dry run", {.dryRun = true}, true, false, true},
        {"a failed dry run", {.dryRun = true, .failed = true}, true, true, true},
        {"an undo that went through", {.undo = true}, false, false, false},
        {"an undo of a dry run's file", {.dryRun = true, .undo = true}, false, false, false},
        {"an undo that failed", {.failed = true, .undo = true}, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const olva::Entry e = entry(c.made);
        EXPECT_EQ(isShown(e, ActivityScope::all, {}), c.all);
        EXPECT_EQ(isShown(e, ActivityScope::problems, {}), c.problems);
        EXPECT_EQ(isShown(e, ActivityScope::dryRuns, {}), c.dryRuns);
    }
}

TEST(ActivityFilter, SearchFindsPathOrRuleIgnoringCase)
{
    struct Case {
        const char* search;
        Made made;
        bool shown;
    };
    const Case cases[] = {
        {"downloads", {}, true},                                      // the path, other case
        {"DOWNLOADS", {}, true},
        {"invoices", {.file = "/tmp/a.pdf"}, true},                    // the rule
        {"invoices", {.file = "/tmp/a.pdf", .rule = "Other"}, false},
        {" ", {}, false},                                             // one space is searched for as it is
        {" ", {.file = "/tmp/report Q4.pdf"}, true},
        {" ", {.rule = "Old installers"}, true},
        {"a.pdf ", {}, false},                                        // not trimmed
        {"RÉSUMÉ", {.file = "/tmp/résumé.pdf"}, true},                 // case folding beyond ASCII
        {"resume", {.file = "/tmp/résumé.pdf"}, false},                // accents count
        {"<b>", {.rule = "<b>x</b>"}, true},
        {"\t", {.file = "/tmp/tab\there.pdf"}, true},
        {"", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("search \"") + c.search + "\" in " + c.made.file + " / " + c.made.rule);
        EXPECT_EQ(isShown(entry(c.made), ActivityScope::all, QString::fromUtf8(c.search)), c.shown);
    }
}

TEST(ActivityFilter, SearchAppliesWithinTheScope)
{
    const olva::Entry failed = entry({.file = "/x/Downloads/a.pdf", .failed = true});
    EXPECT_TRUE(isShown(failed, ActivityScope::problems, QStringLiteral("downloads")));
    EXPECT_FALSE(isShown(failed, ActivityScope::dryRuns, QStringLiteral("downloads")));
    EXPECT_FALSE(isShown(failed, ActivityScope::problems, QStringLiteral("pictures")));
}

TEST(ActivityWindow, KeepsTheNewestThousand)
{
    struct Case {
        std::size_t size, shown;
    };
    for (const Case c : {Case{0, 0}, Case{1, 1}, Case{1000, 1000}, Case{1001, 1000}, Case{1500, 1000}}) {
        std::vector<olva::Entry> log(c.size);
        for (std::size_t i = 0; i < c.size; ++i) log[i].file = std::to_string(i);
        const auto window = activityRowWindowOf(log);
        ASSERT_EQ(window.size(), c.shown) << c.size;
        if (c.shown == 0) continue;
        EXPECT_EQ(window.back().file, std::to_string(c.size - 1));
        EXPECT_EQ(window.front().file, std::to_string(c.size - c.shown));
    }
}

TEST(ActivitySortKeys, NamesAndResultsReadAsShown)
{
    olva::Entry moved = entry({.file = "/a/b/Report 2.pdf"});
    moved.steps = {olva::Step{olva::Step::Kind::move, "/a/b/Report 2.pdf", "/c/Invoices/Report 2.pdf", {}, {}, {}}};
    EXPECT_EQ(entryFileName(moved), QStringLiteral("Report 2.pdf"));
    EXPECT_EQ(entryResultString(moved), QStringLiteral("Moved to Invoices"));
    EXPECT_EQ(entryResultString(entry({.failed = true})), QStringLiteral("Couldn’t finish: no room"));
}

TEST(ActivitySortKeys, CollatorOrdersNumbersByValueAndIgnoresCase)
{
    QStringList names = {QStringLiteral("file10.pdf"), QStringLiteral("File2.pdf"), QStringLiteral("file1.pdf"),
                         QStringLiteral("éclair.pdf"), QStringLiteral("Zebra.pdf"), QStringLiteral("apple.pdf")};
    const QCollator collator = activityCollator();
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    EXPECT_EQ(names, (QStringList{QStringLiteral("apple.pdf"), QStringLiteral("éclair.pdf"), QStringLiteral("file1.pdf"),
                                  QStringLiteral("File2.pdf"), QStringLiteral("file10.pdf"), QStringLiteral("Zebra.pdf")}));
}
