// The selection of a single-selection view kept in step with the model's
// both ways: a row the model selects is shown, and a row the user selects
// is handed on, but not the view's own change while it shows the model's,
// which is no choice of the user's.
#pragma once

#include <QModelIndex>
#include <QObject>

#include <functional>

class QAbstractItemView;

namespace olva::app {

class SelectionLink : public QObject {
public:
    // `view` must have its model already. `taken` gets the row the user
    // selected, or an invalid index when the view's selection went empty.
    SelectionLink(QAbstractItemView* view, std::function<void(const QModelIndex&)> taken);

    // Selects `row` and makes it current, or clears the selection for an
    // invalid index.
    void show(const QModelIndex& row);

private:
    QAbstractItemView* view_;
    std::function<void(const QModelIndex&)> taken_;
    bool showing_ = false;
};

}  // namespace olva::app
