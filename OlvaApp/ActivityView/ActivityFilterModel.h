// The rows the activity table shows: the scope and the search text decide
// which entries of the window appear, and a column sorts them. Equal rows
// stay in log order whichever way a column sorts.
#pragma once

#include "Core/model/Entry.h"
#include "OlvaApp/Model/ActivityScope.h"

#include <QSortFilterProxyModel>

#include <string>

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

    // The entry a shown row stands for.
    const olva::Entry& entryAt(const QModelIndex& shown) const;
    // The first cell of the row that shows the entry with `id`; invalid when
    // the scope or the search hides it, or the window does not hold it.
    QModelIndex indexOf(const std::string& id) const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    ActivityTableModel& table_;
    ActivityScope scope_ = ActivityScope::all;
    QString search_;
};

}  // namespace olva::app
