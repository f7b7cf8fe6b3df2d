#include "OlvaApp/MainView/SelectionLink.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

namespace olva::app {

SelectionLink::SelectionLink(QAbstractItemView* view, std::function<void(const QModelIndex&)> taken)
    : QObject(view), view_(view), taken_(std::move(taken))
{
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (showing_) return;
        const QModelIndexList selected = view_->selectionModel()->selectedIndexes();
        taken_(selected.isEmpty() ? QModelIndex() : selected.front());
    });
}

void SelectionLink::show(const QModelIndex& row)
{
    showing_ = true;
    if (row.isValid()) view_->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
    else view_->selectionModel()->clearSelection();
    showing_ = false;
}

}  // namespace olva::app
