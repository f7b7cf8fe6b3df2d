// The activity view on a generated log of 1,500 entries: browsing, scopes,
// search, sorting, selection, the inspector, revert, opening and dragging.
#include "tests/app-activity/ActivityFixture.h"

#include "Core/store/Log.h"
#include "OlvaApp/ActivityView/ActivityInspector.h"
#include "OlvaApp/ActivityView/ActivityTableModel.h"
#include "OlvaApp/ActivityView/ActivityView.h"
#include "OlvaApp/ActivityView/EmptyState.h"
#include "OlvaApp/ActivityView/EntryInspector.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/Sentences/ActivitySearch.h"
#include "tests/support/app/AppTestSupport.h"

#include <QAction>
#include <QActionGroup>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace olva;
using namespace olva::test;
using app::ActivityTableModel;
using app::ActivityView;

namespace {

constexpr std::size_t logSize = 1500;
constexpr std::size_t windowStart = logSize - app::activityRowWindow;

std::size_t indexOf(const Entry& entry) { return std::stoul(entry.id.substr(24)); }

class ActivityViewTest : public ActivityTest {
protected:
    void SetUp() override
    {
        log = generatedLog(logSize);
        startWith(watchedInbox(), log);
        ASSERT_EQ(model().entries().size(), logSize);
    }

    QTableView& table() { return *view().table(); }

    // The generated entries of the table's window for which `wanted` holds.
    std::vector<std::size_t> expected(const std::function<bool(std::size_t, const Entry&)>& wanted) const
    {
        std::vector<std::size_t> indexes;
        for (std::size_t i = windowStart; i < logSize; ++i)
            if (generatedKind(i) != Generated::undo && wanted(i, log[i])) indexes.push_back(i);
        return indexes;
    }

    static std::vector<std::size_t> indexesOf(const std::vector<Entry>& rows)
    {
        std::vector<std::size_t> indexes;
        for (const Entry& row : rows) indexes.push_back(indexOf(row));
        return indexes;
    }

    static std::vector<std::size_t> sorted(std::vector<std::size_t> indexes)
    {
        std::sort(indexes.begin(), indexes.end());
        return indexes;
    }

    void clickHeader(int column)
    {
        QHeaderView* header = table().horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    }

    // A press before the double click: the item view takes a double click
    // only on the item it saw pressed.
    void doubleClick(int row)
    {
        const QPoint at = table().visualRect(table().model()->index(row, 0)).center();
        QTest::mouseClick(table().viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(table().viewport(), Qt::LeftButton, {}, at);
    }

    void selectRows(const std::vector<int>& rows)
    {
        table().clearSelection();
        for (int row : rows)
            table().selectionModel()->select(table().model()->index(row, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    int rowOfId(const std::string& id)
    {
        for (int row = 0; row < table().model()->rowCount(); ++row)
            if (table().model()->index(row, 0).data(ActivityTableModel::entryIdRole).toString().toStdString() == id)
                return row;
        return -1;
    }

    QAction* scopeAction(app::ActivityScope scope)
    {
        for (QAction* action : view().scopeGroup()->actions())
            if (action->data().toInt() == static_cast<int>(scope)) return action;
        return nullptr;
    }

    std::vector<Entry> log;
};

}  // namespace

TEST_F(ActivityViewTest, ShowsTheNewestThousandNewestFirst)
{
    const std::vector<Entry> rows = view().rows();
    const auto shown = expected([](std::size_t, const Entry&) { return true; });
    EXPECT_EQ(sorted(indexesOf(rows)), shown);
    EXPECT_EQ(table().model()->rowCount(), static_cast<int>(shown.size()));
    // The two newest share their minute and stay in log order.
    EXPECT_EQ(indexOf(rows.front()), logSize - 2);
    EXPECT_EQ(indexOf(rows[1]), logSize - 1);
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), [](const Entry& a, const Entry& b) { return a.at > b.at; }));
    EXPECT_TRUE(view().overlay()->isHidden());

    // An old entry stays out even when nothing newer matches.
    view().searchField()->setText(QStringLiteral("file12.pdf"));
    EXPECT_TRUE(view().rows().empty());
    EXPECT_FALSE(view().overlay()->isHidden());
    EXPECT_EQ(view().overlay()->title(), QStringLiteral("No Results for “file12.pdf”"));
}

TEST_F(ActivityViewTest, ScopesNarrowTheRows)
{
    struct Case {
        app::ActivityScope scope;
        std::function<bool(std::size_t, const Entry&)> wanted;
    };
    const Case cases[] = {
        {app::ActivityScope::problems, [](std::size_t, const Entry& e) { return e.error.has_value(); }},
        {app::ActivityScope::dryRuns, [](std::size_t, const Entry& e) { return e.dryRun; }},
        {app::ActivityScope::all, [](std::size_t, const Entry&) { return true; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(app::activityScopeTitle(c.scope).toStdString());
        scopeAction(c.scope)->trigger();
        EXPECT_EQ(model().activityScope(), c.scope);
        EXPECT_EQ(sorted(indexesOf(view().rows())), expected(c.wanted));
    }
    // The scope lives in the model: a change there shows here.
    model().setActivityScope(app::ActivityScope::dryRuns);
    EXPECT_TRUE(scopeAction(app::ActivityScope::dryRuns)->isChecked());
    EXPECT_EQ(sorted(indexesOf(view().rows())), expected([](std::size_t, const Entry& e) { return e.dryRun; }));
}

TEST_F(ActivityViewTest, SearchFindsPathsAndRules)
{
    struct Case {
        const char* search;
        std::function<bool(std::size_t, const Entry&)> wanted;
    };
    const Case cases[] = {
        {"downloads", [](std::size_t, const Entry&) { return true; }},
        {"CLEANUP", [](std::size_t, const Entry& e) { return e.rule == "Downloads cleanup"; }},
        {" ", [](std::size_t, const Entry& e) { return e.rule.find(' ') != std::string::npos; }},
        {"FILE1492", [](std::size_t, const Entry& e) { return e.file.find("file1492") != std::string::npos; }},
        {"<b>x", [](std::size_t, const Entry& e) { return e.rule == "<b>x</b>"; }},
        {"\a", [](std::size_t, const Entry& e) { return e.file.find('\a') != std::string::npos; }},
        {"", [](std::size_t, const Entry&) { return true; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("search \"") + c.search + "\"");
        view().searchField()->setText(QString::fromUtf8(c.search));
        const auto wanted = expected(c.wanted);
        ASSERT_FALSE(wanted.empty());
        EXPECT_EQ(sorted(indexesOf(view().rows())), wanted);
    }
    // Within a scope.
    scopeAction(app::ActivityScope::problems)->trigger();
    view().searchField()->setText(QStringLiteral("cleanup"));
    EXPECT_EQ(sorted(indexesOf(view().rows())), expected([](std::size_t, const Entry& e) {
                  return e.error && e.rule == "Downloads cleanup";
              }));
}

TEST_F(ActivityViewTest, HeadersSortWithNumbersByValueAndTiesInLogOrder)
{
    // The generated names are file<i>.pdf; a failed undo repeats the name of
    // the entry before it, so equal names exist.
    const auto position = [](const std::vector<Entry>& rows, std::size_t index) {
        return std::find_if(rows.begin(), rows.end(), [&](const Entry& e) { return indexOf(e) == index; }) - rows.begin();
    };

    clickHeader(ActivityTableModel::nameColumn);
    std::vector<Entry> rows = view().rows();
    EXPECT_LT(position(rows, 502), position(rows, 1000));  // file502 before file1000
    EXPECT_LT(position(rows, 598), position(rows, 599));   // the same name: log order
    clickHeader(ActivityTableModel::nameColumn);
    rows = view().rows();
    EXPECT_GT(position(rows, 502), position(rows, 1000));
    EXPECT_LT(position(rows, 598), position(rows, 599));

    // Results read "Moved to Invoices", "Would move to Invoices", "Couldn’t
    // finish: …": runs of equal text stay in log order.
    clickHeader(ActivityTableModel::resultColumn);
    rows = view().rows();
    EXPECT_EQ(app::entryResultString(rows.front()).left(10), QStringLiteral("Couldn’t f"));
    std::vector<std::size_t> moved;
    for (const Entry& row : rows)
        if (app::entryResultString(row) == QStringLiteral("Moved to Invoices")) moved.push_back(indexOf(row));
    EXPECT_TRUE(std::is_sorted(moved.begin(), moved.end()));
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), [](const Entry& a, const Entry& b) {
        return app::activityCollator().compare(app::entryResultString(a), app::entryResultString(b)) < 0;
    }));

    // Dates: two entries share each minute, and keep their log order either way.
    for (int click = 0; click < 2; ++click) {
        clickHeader(ActivityTableModel::dateColumn);
        rows = view().rows();
        EXPECT_LT(position(rows, 1000), position(rows, 1001));
    }
    EXPECT_EQ(table().horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(indexOf(rows.front()), 1498u);  // 1499 fails an undo: shown, 1498 shares its minute
}

TEST_F(ActivityViewTest, SelectionShowsInTheInspector)
{
    app::ActivityInspector* inspector = view().inspector();
    EXPECT_EQ(inspector->placeholder()->title(), QStringLiteral("No Selection"));
    EXPECT_EQ(inspector->entryInspector(), nullptr);

    selectRows({0});
    const Entry newest = view().rows().front();
    EXPECT_EQ(model().selectedEntries(), std::set<std::string>{newest.id});
    ASSERT_NE(inspector->entryInspector(), nullptr);
    EXPECT_EQ(inspector->entryInspector()->entry().id, newest.id);
    EXPECT_TRUE(inspector->placeholder()->isHidden());

    selectRows({0, 1, 2});
    EXPECT_EQ(inspector->entryInspector(), nullptr);
    EXPECT_EQ(inspector->placeholder()->title(), QStringLiteral("3 Files Selected"));

    // The model's selection shows in the table too.
    model().setSelectedEntries({log[1200].id});
    EXPECT_EQ(table().selectionModel()->selectedRows().size(), 1);
    ASSERT_NE(inspector->entryInspector(), nullptr);
    EXPECT_EQ(inspector->entryInspector()->entry().id, log[1200].id);

    // With a folder selected in the sidebar, nothing counts as selected here.
    model().setSelection(app::Selection::folder(0));
    EXPECT_EQ(inspector->placeholder()->title(), QStringLiteral("No Selection"));
}

TEST_F(ActivityViewTest, InspectorSwitchIsRemembered)
{
    QAction* info = view().inspectorAction();
    EXPECT_TRUE(info->isChecked());
    EXPECT_FALSE(view().inspector()->isHidden());
    EXPECT_TRUE(view().toolbarActions().contains(info));
    info->trigger();
    EXPECT_TRUE(view().inspector()->isHidden());
    EXPECT_FALSE(settings->value(QStringLiteral("showInspector")).toBool());

    ActivityView again(model());
    EXPECT_FALSE(again.inspectorAction()->isChecked());
    EXPECT_TRUE(again.inspector()->isHidden());
}

TEST_F(ActivityViewTest, NewEntriesKeepTheSelection)
{
    selectRows({3});
    const std::string selected = view().rows()[3].id;
    const int rowsBefore = table().model()->rowCount();
    Entry added = movedForReal("late.txt");
    writeLog({added});
    refresh();
    // One in, one out of the window (a moved entry in, index 500 out).
    EXPECT_EQ(table().model()->rowCount(), rowsBefore + (generatedKind(windowStart) == Generated::undo ? 1 : 0));
    EXPECT_EQ(view().rows().front().id, added.id);
    EXPECT_EQ(model().selectedEntries(), std::set<std::string>{selected});
    EXPECT_EQ(table().selectionModel()->selectedRows().size(), 1);
}

class ActivityRevertTest : public ActivityViewTest {
protected:
    void SetUp() override
    {
        log = generatedLog(logSize);
        first = movedForReal("first.txt");
        second = movedForReal("second.txt");
        log.push_back(first);
        log.push_back(second);
        startWith(watchedInbox(), log);
    }

    bool inInbox(const char* name) const { return std::filesystem::exists(inbox() / name); }

    Entry first, second;
};

TEST_F(ActivityRevertTest, RevertsOnlyTheSelectionTheTableShows)
{
    selectRows({rowOfId(first.id), rowOfId(second.id)});
    EXPECT_EQ(view().revertAction()->text(), QStringLiteral("Revert 2 Files"));
    EXPECT_TRUE(view().revertAction()->isEnabled());

    // A search hides the second: it is no longer selected, and Revert leaves
    // it alone.
    view().searchField()->setText(QStringLiteral("first.txt"));
    EXPECT_EQ(view().revertAction()->text(), QStringLiteral("Revert"));
    EXPECT_EQ(model().selectedEntries(), std::set<std::string>{first.id});
    view().revertAction()->trigger();
    ASSERT_TRUE(processUntil([&] { return inInbox("first.txt"); }));
    ASSERT_TRUE(processUntil([&] { return model().isFullyReverted(first); }));
    EXPECT_FALSE(inInbox("second.txt"));
    EXPECT_TRUE(std::filesystem::exists(home() / "Archive/second.txt"));

    // The reverted row reads "Reverted" and can't be reverted again.
    const QModelIndex result = table().model()->index(rowOfId(first.id), ActivityTableModel::resultColumn);
    EXPECT_EQ(result.data().toString(), QStringLiteral("Reverted"));
    EXPECT_TRUE(result.data(ActivityTableModel::fullyRevertedRole).toBool());
    EXPECT_FALSE(view().revertAction()->isEnabled());

    // A scope hides rows the same way.
    view().searchField()->clear();
    selectRows({rowOfId(second.id)});
    model().setActivityScope(app::ActivityScope::problems);
    EXPECT_TRUE(model().selectedEntries().empty());
    EXPECT_FALSE(view().revertAction()->isEnabled());
    model().setActivityScope(app::ActivityScope::all);

    selectRows({rowOfId(second.id)});
    view().revertAction()->trigger();
    ASSERT_TRUE(processUntil([&] { return inInbox("second.txt"); }));
    EXPECT_EQ(model().problem(), std::nullopt);
}

TEST_F(ActivityRevertTest, ContextMenuOffersWhatTheEntriesAllow)
{
    struct Case {
        const char* what;
        std::set<std::string> ids;
        QStringList items;
        QList<bool> enabled;
    };
    const std::string gone = log[1498].id;       // a move whose file never existed
    const std::string dryRun = log[1495].id;     // a dry run
    const Case cases[] = {
        {"a file where it went", {first.id}, {"Open", "Show in File Manager", "Explain…", "", "Revert"},
         {true, true, true, true, true}},
        {"a file that is gone", {gone}, {"Open", "Show in File Manager", "Explain…", "", "Revert"},
         {false, false, false, true, true}},
        {"two revertable", {first.id, second.id}, {"Revert 2 Files"}, {true}},
        {"one revertable of two", {first.id, dryRun}, {"Revert"}, {true}},
        {"nothing revertable", {dryRun, log[1499].id}, {"Revert"}, {false}},
        {"ids no longer in the log", {"00000000-0000-4000-8000-999999999999"}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QMenu menu;
        view().fillContextMenu(menu, c.ids);
        QStringList items;
        QList<bool> enabled;
        for (QAction* action : menu.actions()) {
            items.push_back(action->isSeparator() ? QString() : action->text());
            enabled.push_back(action->isEnabled());
        }
        EXPECT_EQ(items, c.items);
        EXPECT_EQ(enabled, c.enabled);
    }

    // "Explain…" of a file outside every watched folder tells the engine's
    // reason as a problem; no sheet opens.
    QMenu menu;
    view().fillContextMenu(menu, {first.id});
    menu.actions().at(2)->trigger();
    ASSERT_TRUE(processUntil([&] { return model().problem().has_value(); }));
    EXPECT_EQ(model().problem()->title, QStringLiteral("Couldn’t Explain “first.txt”"));
    EXPECT_TRUE(model().problem()->message.endsWith(QStringLiteral("is not in a watched folder")));
    EXPECT_FALSE(model().explained().has_value());
}

TEST_F(ActivityRevertTest, OpensRevealsAndDragsWhereTheFileIsNow)
{
    const auto archived = home() / "Archive/first.txt";
    const int row = rowOfId(first.id);
    doubleClick(row);
    EXPECT_EQ(workspace.opened, std::vector<std::filesystem::path>{archived});

    selectRows({row});
    EXPECT_TRUE(view().revealAction()->isEnabled());
    view().revealAction()->trigger();
    EXPECT_EQ(workspace.revealed, std::vector<std::filesystem::path>{archived});

    QTest::keyClick(&table(), Qt::Key_Return);
    EXPECT_EQ(workspace.opened.size(), 2u);

    // Dragged out as a copy of the file where it is now.
    EXPECT_EQ(table().model()->supportedDragActions(), Qt::CopyAction);
    std::unique_ptr<QMimeData> dragged(table().model()->mimeData({table().model()->index(row, 0)}));
    ASSERT_NE(dragged, nullptr);
    EXPECT_EQ(dragged->urls(), QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(archived.string()))});

    // A file that is gone: nothing to open, reveal or drag.
    const int goneRow = rowOfId(log[1498].id);
    doubleClick(goneRow);
    EXPECT_EQ(workspace.opened.size(), 2u);
    selectRows({goneRow});
    EXPECT_FALSE(view().revealAction()->isEnabled());
    EXPECT_EQ(table().model()->mimeData({table().model()->index(goneRow, 0)}), nullptr);
}

TEST_F(ActivityTest, BadLinesAndOddNamesLeaveTheRestShown)
{
    Entry good = movedForReal("good.txt");
    Entry oddName = movedForReal("tab\tbell\a<b>x<b>.txt");
    oddName.rule = "line\nbreak";
    Entry gone = movedForReal("gone.txt");
    std::filesystem::remove(std::filesystem::path(*gone.steps.front().to));
    writeLog({good});
    // A broken line, a cut line, a step of a kind this version does not
    // know, and a line that is no entry at all.
    std::string later = logLine(oddName);
    const auto kind = later.find("\"move\"");
    ASSERT_NE(kind, std::string::npos);
    later.replace(kind, 6, "\"teleport\"");
    writeFile(dataDir() / "log.json", readFile(dataDir() / "log.json") + "{not json\n" + logLine(good).substr(0, 40)
                                          + "\n" + later + "[1,2,3]\n" + logLine(oddName) + logLine(gone));
    startWith(watchedInbox(), {});

    const std::vector<Entry> rows = view().rows();
    ASSERT_EQ(rows.size(), 3u);
    const QAbstractItemModel* table = view().table()->model();
    QStringList names, rules;
    for (int row = 0; row < table->rowCount(); ++row) {
        names.push_back(table->index(row, ActivityTableModel::nameColumn).data().toString());
        rules.push_back(table->index(row, ActivityTableModel::ruleColumn).data().toString());
    }
    // Logged in the same second: in log order.
    EXPECT_EQ(names, (QStringList{"good.txt", QString::fromUtf8("tab bell\u2407<b>x<b>.txt"), "gone.txt"}));
    EXPECT_EQ(rules, (QStringList{"Archive", "line break", "Archive"}));

    // The file that is gone has nowhere to be opened from.
    QMenu menu;
    view().fillContextMenu(menu, {gone.id});
    EXPECT_FALSE(menu.actions().at(0)->isEnabled());
}
