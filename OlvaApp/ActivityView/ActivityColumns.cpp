#include "OlvaApp/ActivityView/ActivityColumns.h"

#include "OlvaApp/ActivityView/ActivityDelegate.h"
#include "OlvaApp/Sentences/ActivityDate.h"

#include <QDate>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>

#include <algorithm>

namespace olva::app {

namespace {

// Each column's least and ideal width. Past their ideal widths every
// column but Date grows with the window; short of them, Result gives way
// first, then Name and Rule, then Date, which keeps its longest text; short
// even of the least widths (a small window with the inspector open), Result
// and then Name give way again, down to the narrowest a column gets, before
// the table scrolls sideways.
using ColumnFit = ActivityColumns::Fit;
constexpr ColumnFit nameFit{160, 280};
constexpr ColumnFit resultFit{160, 300};
constexpr ColumnFit ruleFit{80, 140};
constexpr ColumnFit dateFit{120, 160};
// Name and Rule grow past their ideal widths to the longest text they show,
// up to these.
constexpr int nameWidest = 360;
constexpr int ruleWidest = 240;
// The narrowest a column may get by hand (the Rule column's; a header has
// one minimum for all).
constexpr int minimumColumnWidth = 80;

}  // namespace

ActivityColumns::ActivityColumns(QTableView& table, const ActivityTableModel& rows, QObject* parent)
    : QObject(parent), table_(table), rows_(rows)
{
    table_.horizontalHeader()->setMinimumSectionSize(minimumColumnWidth);
    fit();
    connect(table_.horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
        // Widths the user chose are kept from then on.
        if (!fitting_) userSized_ = true;
    });
    connect(&rows_, &QAbstractItemModel::rowsInserted, this, &ActivityColumns::rowsChanged);
    connect(&rows_, &QAbstractItemModel::rowsRemoved, this, &ActivityColumns::rowsChanged);
    connect(&rows_, &QAbstractItemModel::modelReset, this, &ActivityColumns::rowsChanged);
    connect(&rows_, &QAbstractItemModel::dataChanged, this, &ActivityColumns::rowsChanged);
}

void ActivityColumns::rowsChanged()
{
    content_.reset();
    fit();
}

ActivityColumns::ContentWidths ActivityColumns::contentWidths() const
{
    // Measured once per change of the rows, not at every resize.
    if (content_) return *content_;
    const QFontMetrics metrics = table_.fontMetrics();
    const int margin = ActivityDelegate::contentMargin(&table_) + 4;
    ContentWidths widths;
    for (int row = 0; row < rows_.rowCount(); ++row) {
        const QModelIndex index = rows_.index(row, ActivityTableModel::nameColumn);
        widths.name = std::max(widths.name, metrics.horizontalAdvance(index.data().toString()));
        widths.rule = std::max(widths.rule, metrics.horizontalAdvance(
                                                index.siblingAtColumn(ActivityTableModel::ruleColumn).data().toString()));
    }
    widths.name += margin + ActivityDelegate::nameIndent();
    widths.rule += margin;
    content_ = widths;
    return widths;
}

int ActivityColumns::dateColumnNeed() const
{
    // The longest dates the column shows: a relative day at a two-digit
    // hour, and a full date of last year.
    const QDate today = QDate::currentDate();
    const QString samples[] = {
        activityDateFormatter().format(QDateTime(today.addDays(-1), QTime(0, 49))),
        activityDateFormatter().format(QDateTime(QDate(today.year() - 1, 9, 28), QTime(12, 49))),
    };
    int widest = 0;
    for (const QString& sample : samples) widest = std::max(widest, table_.fontMetrics().horizontalAdvance(sample));
    // The cell's margins as the delegate draws them, and a little air.
    const int margin = table_.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &table_) + 2;
    return widest + 2 * margin + 4;
}

std::array<ActivityColumns::Fit, ActivityTableModel::numberOfColumns> ActivityColumns::columnFits() const
{
    std::array<Fit, ActivityTableModel::numberOfColumns> fits{};
    const ContentWidths content = contentWidths();
    fits[ActivityTableModel::nameColumn] = {nameFit.least,
                                            std::max(nameFit.ideal, std::min(content.name, nameWidest))};
    fits[ActivityTableModel::resultColumn] = {resultFit.least, resultFit.ideal};
    fits[ActivityTableModel::ruleColumn] = {ruleFit.least, std::max(ruleFit.ideal, std::min(content.rule, ruleWidest))};
    const int date = dateColumnNeed();
    fits[ActivityTableModel::dateColumn] = {std::max(dateFit.least, date), std::max(dateFit.ideal, date)};
    return fits;
}

int ActivityColumns::leastWidth() const
{
    int sum = 0;
    for (const Fit& fit : columnFits()) sum += fit.least;
    return sum;
}

ActivityColumns::Widths ActivityColumns::fittedWidths(int available) const
{
    const auto fits = columnFits();
    Widths widths{};
    int idealSum = 0;
    for (std::size_t i = 0; i < fits.size(); ++i) {
        widths[i] = fits[i].ideal;
        idealSum += fits[i].ideal;
    }
    int& name = widths[ActivityTableModel::nameColumn];
    int& result = widths[ActivityTableModel::resultColumn];
    int& rule = widths[ActivityTableModel::ruleColumn];
    int& dateWidth = widths[ActivityTableModel::dateColumn];
    if (available >= idealSum) {
        // Wider: the words grow with it, in proportion to their ideals.
        const int extra = available - idealSum;
        const int growing = nameFit.ideal + resultFit.ideal + ruleFit.ideal;
        const int toName = extra * nameFit.ideal / growing;
        const int toRule = extra * ruleFit.ideal / growing;
        // (by the fixed ideals, so that the share does not follow the log)
        name += toName;
        rule += toRule;
        result += extra - toName - toRule;
        return widths;
    }
    int shortBy = idealSum - available;
    // Takes up to what `width` has above `floor`.
    auto giveWay = [&shortBy](int& width, int floor) {
        const int taken = std::clamp(width - floor, 0, shortBy);
        width -= taken;
        shortBy -= taken;
    };
    giveWay(result, resultFit.least);
    const int nameCan = name - nameFit.least;
    const int ruleCan = rule - ruleFit.least;
    const int fromBoth = std::min(shortBy, nameCan + ruleCan);
    const int fromName = nameCan + ruleCan > 0 ? fromBoth * nameCan / (nameCan + ruleCan) : 0;
    name -= fromName;
    rule -= fromBoth - fromName;
    shortBy -= fromBoth;
    giveWay(dateWidth, fits[ActivityTableModel::dateColumn].least);
    // Short even of the least widths: Result, then Name, down to the
    // narrowest a column gets by hand; past that the table scrolls.
    giveWay(result, minimumColumnWidth);
    giveWay(name, minimumColumnWidth);
    return widths;
}

void ActivityColumns::fit()
{
    if (userSized_) return;
    const int available = table_.viewport()->width();
    if (available <= 0) return;
    const auto widths = fittedWidths(available);
    fitting_ = true;
    for (int column = 0; column < ActivityTableModel::numberOfColumns; ++column)
        if (table_.columnWidth(column) != widths[static_cast<std::size_t>(column)])
            table_.setColumnWidth(column, widths[static_cast<std::size_t>(column)]);
    fitting_ = false;
}

}  // namespace olva::app
