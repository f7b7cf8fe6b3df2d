#include "OlvaApp/MainView/RulesListAccessible.h"

#include "OlvaApp/MainView/RuleRowDelegate.h"
#include "OlvaApp/MainView/RulesListView.h"
#include "OlvaApp/MainView/RulesModel.h"
#include "OlvaApp/PlaceChip/AccessibleFactory.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWindow>

namespace olva::app {

namespace {

class RuleRowAccessible;

QModelIndex rowIndex(const RulesListView* view, int row)
{
    return view ? view->model()->index(row, 0) : QModelIndex();
}

bool rowExists(const RulesListView* view, int row) { return view && row >= 0 && row < view->model()->rowCount(); }

// The row's rectangle on the screen, or, scrolled out of view, none.
QRect onScreen(const RulesListView* view, const QRect& inViewport)
{
    if (!view || inViewport.isEmpty()) return {};
    return QRect(view->viewport()->mapToGlobal(inViewport.topLeft()), inViewport.size());
}

QRect toggleRect(const RulesListView* view, int row)
{
    const QModelIndex index = rowIndex(view, row);
    return view->rowDelegate()->geometry(view->rowOption(index), index).toggle;
}

bool rowShown(const RulesListView* view, int row)
{
    return view && view->isVisible() && view->visualRect(rowIndex(view, row)).intersects(view->viewport()->rect());
}

class RuleSwitchAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    RuleSwitchAccessible(RulesListView* view, int row) : view_(view), row_(row) {}

    bool isValid() const override { return rowExists(view_, row_); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name || !isValid()) return {};
        return rowIndex(view_, row_).data(RulesModel::switchNameRole).toString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override { return isValid() ? onScreen(view_, toggleRect(view_, row_)) : QRect(); }
    QAccessible::Role role() const override { return QAccessible::CheckBox; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.checkable = true;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.checked = on();
        state.invisible = !rowShown(view_, row_);
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    QStringList actionNames() const override { return {toggleAction()}; }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
    void doAction(const QString& name) override
    {
        if (name != toggleAction() && name != pressAction()) return;
        if (!isValid()) return;
        view_->model()->setData(rowIndex(view_, row_), on() ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    }

private:
    bool on() const { return rowIndex(view_, row_).data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked; }

    QPointer<RulesListView> view_;
    int row_;
};

class RuleRowAccessible : public QAccessibleInterface {
public:
    RuleRowAccessible(RulesListView* view, int row) : view_(view), row_(row) {}
    ~RuleRowAccessible() override
    {
        if (switchId_) QAccessible::deleteAccessibleInterface(switchId_);
    }

    bool isValid() const override { return rowExists(view_, row_); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        QAccessibleInterface* toggle = child(0);
        return toggle && toggle->rect().contains(x, y) ? toggle : nullptr;
    }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(view_.data()); }
    QAccessibleInterface* child(int index) const override
    {
        if (index != 0 || !isValid()) return nullptr;
        if (!switchId_) switchId_ = QAccessible::registerAccessibleInterface(new RuleSwitchAccessible(view_, row_));
        return QAccessible::accessibleInterface(switchId_);
    }
    int childCount() const override { return isValid() ? 1 : 0; }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return switchId_ && child == QAccessible::accessibleInterface(switchId_) ? 0 : -1;
    }
    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name || !isValid()) return {};
        return rowIndex(view_, row_).data(Qt::AccessibleTextRole).toString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        return isValid() ? onScreen(view_, view_->visualRect(rowIndex(view_, row_))) : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const QModelIndex index = rowIndex(view_, row_);
        state.selectable = true;
        state.focusable = true;
        state.selected = view_->selectionModel()->isSelected(index);
        state.focused = view_->hasFocus() && view_->currentIndex() == index;
        state.invisible = !rowShown(view_, row_);
        return state;
    }

    int row() const { return row_; }
    const RulesListView* view() const { return view_; }

private:
    QPointer<RulesListView> view_;
    int row_;
    mutable QAccessible::Id switchId_ = 0;
};

QAccessibleInterface* RuleSwitchAccessible::parent() const
{
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view_.data());
    return list ? list->child(row_) : nullptr;
}

class RulesListAccessibleWidget : public QAccessibleWidget {
public:
    explicit RulesListAccessibleWidget(RulesListView* view) : QAccessibleWidget(view, QAccessible::List) {}
    ~RulesListAccessibleWidget() override
    {
        for (QAccessible::Id id : std::as_const(rows_)) QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return view()->model()->rowCount(); }
    QAccessibleInterface* child(int index) const override
    {
        forgetRemovedRows();
        if (index < 0 || index >= childCount()) return nullptr;
        QAccessible::Id& id = rows_[index];
        if (!id) id = QAccessible::registerAccessibleInterface(new RuleRowAccessible(view(), index));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child || child->role() != QAccessible::ListItem) return -1;
        for (auto row = rows_.cbegin(); row != rows_.cend(); ++row)
            if (QAccessible::accessibleInterface(row.value()) == child) return row.key();
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QModelIndex index = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? child(index.row()) : nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        if (!view()->hasFocus() || !view()->currentIndex().isValid()) return nullptr;
        return child(view()->currentIndex().row());
    }

private:
    RulesListView* view() const { return static_cast<RulesListView*>(widget()); }

    void forgetRemovedRows() const
    {
        const int count = childCount();
        for (auto row = rows_.begin(); row != rows_.end();) {
            if (row.key() < count) {
                ++row;
                continue;
            }
            QAccessible::deleteAccessibleInterface(row.value());
            row = rows_.erase(row);
        }
    }

    mutable QHash<int, QAccessible::Id> rows_;
};

}  // namespace

void installRulesListAccessibility() { installAccessible<RulesListView, RulesListAccessibleWidget>(); }

}  // namespace olva::app
