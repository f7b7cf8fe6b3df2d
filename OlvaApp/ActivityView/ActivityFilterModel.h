// The rows the activity table shows: the scope and the search text decide
// which entries of the window appear, and a column sorts them. Equal rows
// stay in log order whichever way a column sorts.
#pragma once

#include "OlvaApp/Model/ActivityScope.h"

#include <QSortFilterProxyModel>

namespace olva::app {

class ActivityTableModel;

class ActivityFilterModel : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit ActivityFilterModel(ActivityTableModel& table, QObject* parent = nullptr);

    ActivityScope scope() const { return scope_; }
    void setScope(ActivityScope scope);
    const QString& search() const { return search_; }
    void setSearch(const QString& search);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    ActivityTableModel& table_;
    ActivityScope scope_ = ActivityScope::all;
    QString search_;
};

}  // namespace olva::app
