// What the activity view says above and over its table: the status line,
// and the placeholders of a failed start, a first run and empty lists.
#include "tests/app-activity/ActivityFixture.h"

#include "OlvaApp/ActivityView/ActivityView.h"
#include "OlvaApp/ActivityView/EmptyState.h"
#include "OlvaApp/Model/Model.h"
#include "tests/support/app/AppTestSupport.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QLineEdit>
#include <QTableView>

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>

using namespace olva;
using namespace olva::test;
using namespace std::chrono_literals;

namespace {

// Noon, local time, on a fixed day.
const Date noon = Date(std::chrono::milliseconds(QDateTime(QDate(2025, 3, 3), QTime(12, 0)).toMSecsSinceEpoch()));

enum class Kind { moved, dryRun, failed, nothingToChange, undo };

struct Logged {
    Kind run;
    std::chrono::minutes before;  // how long before noon
};

std::vector<Entry> logOf(const std::vector<Logged>& runs)
{
    std::vector<Entry> log;
    for (const Logged& logged : runs) {
        Entry entry;
        entry.at = noon - logged.before;
        entry.file = "/nowhere/Downloads/a.pdf";
        entry.rule = "Invoices";
        entry.version = "0123456789abcdef";
        const Step move{Step::Kind::move, entry.file, std::string("/nowhere/Invoices/a.pdf"), {}, {}, {}};
        switch (logged.run) {
        case Kind::moved: entry.steps = {move}; break;
        case Kind::dryRun:
            entry.dryRun = true;
            entry.steps = {move};
            break;
        case Kind::failed: entry.error = "no room"; break;
        case Kind::nothingToChange: break;
        case Kind::undo:
            entry.undoOf = log.empty() ? entry.id : log.back().id;
            entry.steps = {move};
            break;
        }
        log.push_back(entry);
    }
    return log;
}

struct Case {
    const char* what;
    int folders = 1;
    bool paused = false;
    std::vector<Logged> log = {};
    app::ActivityScope scope = app::ActivityScope::all;
    const char* search = "";
    const char* statusLine;
    const char* overlay;  // title, or "" for none
    const char* description = "";
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.what; }

Logged today(Kind run) { return Logged{run, 30min}; }
Logged yesterday(Kind run) { return Logged{run, 24h}; }

const Case cases[] = {
    {.what = "paused", .paused = true, .log = {today(Kind::moved), today(Kind::failed)}, .statusLine = "Paused",
     .overlay = ""},
    {.what = "first run", .folders = 0, .statusLine = "Watching 0 folders", .overlay = "Choose a Folder to Watch",
     .description = "New rules start as dry runs, so nothing moves until you say so."},
    {.what = "empty log", .statusLine = "Watching 1 folder", .overlay = "No Activity Yet",
     .description = "Watching 1 folder. Files that match a rule show up here."},
    {.what = "folders all removed, log kept", .folders = 0, .log = {yesterday(Kind::moved)},
     .statusLine = "Watching 0 folders", .overlay = ""},
    {.what = "a busy day",
     .log = {yesterday(Kind::moved), today(Kind::moved), today(Kind::moved), today(Kind::dryRun), today(Kind::failed),
             today(Kind::nothingToChange), today(Kind::moved), today(Kind::undo)},
     .statusLine = "3 files organized today · 1 problem", .overlay = ""},
    {.what = "one file", .log = {today(Kind::moved)}, .statusLine = "1 file organized today", .overlay = ""},
    {.what = "only failures", .folders = 2, .log = {today(Kind::failed), today(Kind::failed)},
     .statusLine = "Watching 2 folders · 2 problems", .overlay = ""},
    {.what = "nothing today", .log = {yesterday(Kind::moved)}, .statusLine = "Watching 1 folder", .overlay = ""},
    {.what = "the clock went back", .log = {today(Kind::moved), today(Kind::failed), yesterday(Kind::moved)},
     .statusLine = "Watching 1 folder", .overlay = ""},
    {.what = "no problems", .log = {today(Kind::moved)}, .scope = app::ActivityScope::problems,
     .statusLine = "1 file organized today", .overlay = "No Problems"},
    {.what = "no dry runs", .log = {today(Kind::failed)}, .scope = app::ActivityScope::dryRuns,
     .statusLine = "Watching 1 folder · 1 problem", .overlay = "No Dry Runs"},
    {.what = "nothing found", .log = {today(Kind::moved)}, .scope = app::ActivityScope::problems, .search = "zebra",
     .statusLine = "1 file organized today", .overlay = "No Results for “zebra”",
     .description = "Check the spelling or try a new search."},
    {.what = "only undos that went through", .log = {yesterday(Kind::undo)}, .statusLine = "Watching 1 folder",
     .overlay = "No Activity Yet", .description = "Watching 1 folder. Files that match a rule show up here."},
};

class ActivityStatesTest : public ActivityTest, public ::testing::WithParamInterface<Case> {};

std::string caseName(const ::testing::TestParamInfo<Case>& info)
{
    std::string name;
    bool upper = true;
    for (const char* c = info.param.what; *c; ++c) {
        if (!std::isalnum(static_cast<unsigned char>(*c))) {
            upper = true;
            continue;
        }
        name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(*c))) : *c;
        upper = false;
    }
    return name;
}

}  // namespace

TEST_P(ActivityStatesTest, StatusLineAndPlaceholder)
{
    const Case& c = GetParam();
    clock.set(noon);
    Config config = watchedInbox(c.paused);
    config.folders.resize(static_cast<std::size_t>(c.folders), config.folders.front());
    startWith(config, logOf(c.log));
    model().setActivityScope(c.scope);
    view().searchField()->setText(QString::fromUtf8(c.search));

    EXPECT_EQ(view().statusLine(), QString::fromUtf8(c.statusLine));
    const QString overlay = QString::fromUtf8(c.overlay);
    EXPECT_EQ(view().overlay()->isHidden(), overlay.isEmpty());
    if (!overlay.isEmpty()) {
        EXPECT_EQ(view().overlay()->title(), overlay);
        EXPECT_EQ(view().overlay()->description(), QString::fromUtf8(c.description));
    }
    EXPECT_EQ(view().table()->alternatingRowColors(), overlay.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, ActivityStatesTest, ::testing::ValuesIn(cases), caseName);

TEST_F(ActivityTest, StatusLineFollowsTheLogAndTheRules)
{
    clock.set(noon);
    startWith(watchedInbox(), {});
    app::ActivityView& view = this->view();
    EXPECT_EQ(view.statusLine(), QStringLiteral("Watching 1 folder"));

    writeLog(logOf({{Kind::moved, 5min}, {Kind::failed, 4min}}));
    refresh();
    EXPECT_EQ(view.statusLine(), QStringLiteral("1 file organized today · 1 problem"));
    EXPECT_TRUE(view.overlay()->isHidden());

    model().setPaused(true);
    EXPECT_EQ(view.statusLine(), QStringLiteral("Paused"));
}

TEST_F(ActivityTest, FirstRunButtonsAskTheModel)
{
    clock.set(noon);
    startWith(Config{}, {});
    app::ActivityView& view = this->view();
    QStringList labels;
    for (QAbstractButton* button : view.overlay()->findChildren<QAbstractButton*>()) labels.push_back(button->text());
    EXPECT_EQ(labels, (QStringList{QStringLiteral("Watch Downloads"), QStringLiteral("Choose Another Folder…"),
                                   QStringLiteral("Import Hazel Rules…")}));

    const auto button = [&](const char* text) -> QAbstractButton* {
        for (QAbstractButton* b : view.overlay()->findChildren<QAbstractButton*>())
            if (b->text() == QString::fromUtf8(text)) return b;
        return nullptr;
    };
    // The other two ask in their own panels; cancelled, nothing changes.
    button("Choose Another Folder…")->click();
    button("Import Hazel Rules…")->click();
    ASSERT_EQ(panels.requests.size(), 2u);
    EXPECT_EQ(panels.requests[0].message, QStringLiteral("Choose a folder to watch"));
    EXPECT_EQ(panels.requests[1].message, QStringLiteral("Choose a .hazelrules export"));
    EXPECT_TRUE(model().config().folders.empty());
    EXPECT_EQ(view.overlay()->title(), QStringLiteral("Choose a Folder to Watch"));

    // Watching Downloads: the placeholder gives way to "No Activity Yet".
    button("Watch Downloads")->click();
    ASSERT_EQ(model().config().folders.size(), 1u);
    EXPECT_EQ(view.overlay()->title(), QStringLiteral("No Activity Yet"));
}

TEST_F(ActivityTest, FailedStartSaysWhyAndShowsTheDataFolder)
{
    startWith(Config{}, {}, true);
    ASSERT_TRUE(model().loadError().has_value());
    app::ActivityView& view = this->view();
    EXPECT_EQ(view.overlay()->title(), QStringLiteral("Olva Can’t Start"));
    EXPECT_EQ(view.overlay()->description(), *model().loadError());
    const auto buttons = view.overlay()->findChildren<QAbstractButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons.front()->text(), QStringLiteral("Show in File Manager"));
    buttons.front()->click();
    EXPECT_EQ(workspace.revealed, std::vector<std::filesystem::path>{model().store()->dir()});
}
