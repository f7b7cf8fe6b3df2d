#include "OlvaApp/ActivityView/ActivityFilterModel.h"

#include "OlvaApp/ActivityView/ActivityTableModel.h"
#include "OlvaApp/Sentences/ActivitySearch.h"

namespace olva::app {

ActivityFilterModel::ActivityFilterModel(ActivityTableModel& table, QObject* parent)
    : QSortFilterProxyModel(parent), table_(table)
{
    setSourceModel(&table);
    setDynamicSortFilter(true);
}

const olva::Entry& ActivityFilterModel::entryAt(const QModelIndex& shown) const
{
    return table_.entryAt(mapToSource(shown).row());
}

QModelIndex ActivityFilterModel::indexOf(const std::string& id) const
{
    const auto row = table_.rowOf(id);
    return row ? mapFromSource(table_.index(*row, 0)) : QModelIndex();
}

void ActivityFilterModel::setScope(ActivityScope scope)
{
    if (scope == scope_) return;
    scope_ = scope;
    invalidateFilter();
}

void ActivityFilterModel::setSearch(const QString& search)
{
    if (search == search_) return;
    search_ = search;
    invalidateFilter();
}

bool ActivityFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    return isShown(table_.entryAt(sourceRow), scope_, search_);
}

bool ActivityFilterModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const int l = left.row();
    const int r = right.row();
    int order = 0;
    switch (left.column()) {
    case ActivityTableModel::nameColumn:
    case ActivityTableModel::resultColumn:
    case ActivityTableModel::ruleColumn:
        order = table_.compareText(static_cast<ActivityTableModel::Column>(left.column()), l, r);
        break;
    case ActivityTableModel::dateColumn: {
        const auto a = table_.entryAt(l).at;
        const auto b = table_.entryAt(r).at;
        order = a < b ? -1 : (b < a ? 1 : 0);
        break;
    }
    }
    if (order != 0) return order < 0;
    // The proxy asks lessThan(right, left) for a descending sort; breaking
    // the tie the other way round then keeps equal rows in log order.
    return sortOrder() == Qt::AscendingOrder ? l < r : l > r;
}

}  // namespace olva::app
