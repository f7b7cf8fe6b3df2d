// How the main window fits the screen: how narrow it gets with a folder or
// the activity shown, what the activity columns keep at the size it opens
// at, how they grow and give way, and the inspector beside them at any size.
#include "OlvaApp/ActivityView/ActivityDelegate.h"
#include "OlvaApp/ActivityView/ActivityInspector.h"
#include "OlvaApp/ActivityView/ActivityTableModel.h"
#include "OlvaApp/ActivityView/ActivityView.h"
#include "OlvaApp/PlaceChip/SentenceLayout.h"
#include "OlvaApp/Sentences/ActivityDate.h"
#include "OlvaApp/Sentences/StepSentence.h"
#include "tests/app-mainview/MainWindowFixture.h"

#include "Core/store/Store.h"

#include <QAction>
#include <QApplication>
#include <QTableView>
#include <QUuid>

using namespace olva;
using namespace olva::app;
using olva::test::MainWindowFixture;

namespace {

// The window's size when it first opens.
constexpr QSize kDefaultSize(1000, 640);

class WindowSize : public MainWindowFixture {
protected:
    // Inbox with a live and a dry-run rule, and a log whose dry run would
    // rename a file and move it into Archive, last night at 12:49 AM.
    void openWithLog()
    {
        const auto archive = folder("Archive");
        Rule live = test::extRule("Screenshots by month", "png", {Action::move(archive.string())});
        Rule dry = test::extRule("Archives", "zip",
                                 {Action::rename("{name} ({added:yyyy-MM-dd})"), Action::move(archive.string())}, true);
        Config config;
        config.folders = {test::watched(folder("Inbox"), {live, dry})};

        Entry would;
        would.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
        would.at = olva::Date(std::chrono::milliseconds(
            QDateTime(QDate::currentDate().addDays(-1), QTime(0, 49)).toMSecsSinceEpoch()));
        would.file = (folder("Inbox") / "Screenshot 2026-12-01 at 09.14.png").string();
        would.rule = dry.name;
        would.dryRun = true;
        Step rename{Step::Kind::move, would.file, (folder("Inbox") / "Screenshot (2026-12-01).png").string(), {}, {}, {}};
        Step move{Step::Kind::move, *rename.to, (archive / "Screenshot (2026-12-01).png").string(), {}, {}, {}};
        would.steps = {rename, move};
        dryEntry_ = would;
        writeRules(config);
        store->append(would);
        open(config);
        ASSERT_TRUE(until([&] { return model().entries().size() == 1; }));
        model().setSelection(Selection::activity());
        settle();
    }

    void resize(int width)
    {
        mainWindow().resize(width, kDefaultSize.height());
        settle();
    }

    QTableView* table() { return mainWindow().activityView()->table(); }
    int column(int which) { return table()->columnWidth(which); }
    // Where the delegate draws the words of the dry run's cell in `which`.
    QRect cell(int which)
    {
        const QModelIndex index = table()->model()->index(0, which);
        QStyleOptionViewItem option;
        option.initFrom(table());
        option.rect = table()->visualRect(index);
        option.font = table()->font();
        option.fontMetrics = table()->fontMetrics();
        return static_cast<ActivityDelegate*>(table()->itemDelegate())->contentRect(option, index);
    }

    Entry dryEntry_;
};

}  // namespace

TEST_F(WindowSize, NarrowsToHalfASmallScreenWithAFolderOrTheActivity)
{
    openWithLog();
    struct Case {
        const char* what;
        Selection selection;
    };
    const Case cases[] = {{"a folder", Selection::folder(0)}, {"the activity", Selection::activity()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        model().setSelection(c.selection);
        // Made narrower step by step, as a hand on the window's edge does.
        for (int width : {1400, kDefaultSize.width(), 700}) resize(width);
        EXPECT_LE(mainWindow().minimumSizeHint().width(), 700);
        EXPECT_EQ(mainWindow().width(), 700);
    }
}

TEST_F(WindowSize, InfoShowsAndHidesTheInspectorAtAnySizeAndTheWindowKeepsItsSize)
{
    openWithLog();
    ActivityInspector* inspector = mainWindow().activityView()->inspector();
    QAction* info = mainWindow().activityView()->inspectorAction();
    struct Case {
        QSize size;
        bool shownBefore;
    };
    const Case cases[] = {
        {kDefaultSize, true},
        {kDefaultSize, false},
        {QSize(640, 480), true},
        {QSize(640, 480), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.size.width()) + (c.shownBefore ? ", shown" : ", hidden"));
        info->setChecked(c.shownBefore);
        mainWindow().resize(c.size);
        settle();
        ASSERT_EQ(mainWindow().size(), c.size);
        EXPECT_EQ(inspector->isVisible(), c.shownBefore) << "Info checked is the inspector seen";

        info->trigger();  // pressed once
        settle();
        EXPECT_EQ(info->isChecked(), !c.shownBefore);
        EXPECT_EQ(inspector->isVisible(), !c.shownBefore);
        EXPECT_EQ(settings->value(QStringLiteral("showInspector")).toBool(), !c.shownBefore);
        EXPECT_EQ(mainWindow().size(), c.size) << "showing the inspector makes the window no wider";
        EXPECT_LE(mainWindow().minimumSizeHint().width(), c.size.width());
        if (inspector->isVisible()) {
            EXPECT_GE(inspector->width(), 260);
            EXPECT_LE(inspector->geometry().right(), mainWindow().activityView()->width()) << "wholly in the window";
        }
    }
}

TEST_F(WindowSize, TheDefaultSizeKeepsTheDateAndTheDryRunsOpeningWord)
{
    openWithLog();
    ASSERT_EQ(table()->model()->rowCount(), 1);
    const QString date = activityDateFormatter().format(dryEntry_.at);
    // (ICU puts a narrow no-break space before "AM")
    ASSERT_EQ(QString(date).replace(QChar(0x202F), u' '), QStringLiteral("Yesterday, 12:49 AM"));

    for (bool inspectorShown : {true, false}) {
        SCOPED_TRACE(inspectorShown ? "beside the inspector" : "alone");
        mainWindow().activityView()->inspectorAction()->setChecked(inspectorShown);
        resize(kDefaultSize.width());

        const QRect dateCell = cell(ActivityTableModel::dateColumn);
        EXPECT_EQ(table()->fontMetrics().elidedText(date, Qt::ElideMiddle, dateCell.width()), date);
        const SentenceLayout result = SentenceLayout::cutAtEnd(resultText(dryEntry_), table()->font(),
                                                               cell(ActivityTableModel::resultColumn).width());
        ASSERT_FALSE(result.items().isEmpty());
        EXPECT_TRUE(result.items().front().shown.startsWith(QStringLiteral("Would")))
            << result.items().front().shown.toStdString();
        int sum = 0;
        for (int i = 0; i < ActivityTableModel::numberOfColumns; ++i) sum += column(i);
        EXPECT_EQ(sum, table()->viewport()->width()) << "the columns fill the table, no sideways scrolling";
        if (inspectorShown) {
            // Result gave way first.
            EXPECT_LT(column(ActivityTableModel::resultColumn), column(ActivityTableModel::nameColumn));
            continue;
        }
        // Name and Rule get their words before Result gets more than its least.
        EXPECT_GE(cell(ActivityTableModel::ruleColumn).width(),
                  table()->fontMetrics().horizontalAdvance(QStringLiteral("Archives")));
        EXPECT_GE(cell(ActivityTableModel::nameColumn).width(),
                  table()->fontMetrics().horizontalAdvance(QStringLiteral("Screenshot 2026-12-01 at 09.14.png")));
    }
}

TEST_F(WindowSize, WideningWidensNameAndRuleToo)
{
    openWithLog();
    mainWindow().activityView()->inspectorAction()->setChecked(false);
    resize(1300);
    const int name = column(ActivityTableModel::nameColumn), rule = column(ActivityTableModel::ruleColumn),
              result = column(ActivityTableModel::resultColumn), date = column(ActivityTableModel::dateColumn);
    resize(1700);
    EXPECT_GT(column(ActivityTableModel::nameColumn), name);
    EXPECT_GT(column(ActivityTableModel::ruleColumn), rule);
    EXPECT_GT(column(ActivityTableModel::resultColumn), result);
    EXPECT_EQ(column(ActivityTableModel::dateColumn), date) << "a date needs no more than its words";
}
