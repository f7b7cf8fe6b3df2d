// The widths of the activity table's columns: each column's least and ideal
// width, how they grow with the table and give way as it narrows, and the
// widest names the rows hold. Once the user sizes a column by hand, the
// widths are left as the user set them.
#pragma once

#include "OlvaApp/ActivityView/ActivityTableModel.h"

#include <QObject>

#include <array>
#include <optional>

class QTableView;

namespace olva::app {

class ActivityColumns : public QObject {
    Q_OBJECT

public:
    // Fits the columns of `table`, which shows the rows of `rows`, at once,
    // and again whenever the rows change.
    ActivityColumns(QTableView& table, const ActivityTableModel& rows, QObject* parent = nullptr);

    // A column's least and ideal width.
    struct Fit {
        int least;
        int ideal;
    };

    // Fits the columns to the table's width, unless the user sized them.
    void fit();
    // The columns' widths summed with each at its least: below it the
    // table's words are cut further.
    int leastWidth() const;

private:
    // The rows changed: their names are measured again, then fit().
    void rowsChanged();
    using Widths = std::array<int, ActivityTableModel::numberOfColumns>;
    std::array<Fit, ActivityTableModel::numberOfColumns> columnFits() const;
    // The columns' widths for a table `available` wide.
    Widths fittedWidths(int available) const;
    int dateColumnNeed() const;
    // The widest name and rule name of the rows, as their columns draw them.
    struct ContentWidths {
        int name = 0;
        int rule = 0;
    };
    ContentWidths contentWidths() const;

    QTableView& table_;
    const ActivityTableModel& rows_;
    bool fitting_ = false;
    bool userSized_ = false;
    mutable std::optional<ContentWidths> content_;
};

}  // namespace olva::app
