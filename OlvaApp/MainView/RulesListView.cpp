#include "OlvaApp/MainView/RulesListView.h"

#include "OlvaApp/MainView/DeleteKey.h"
#include "OlvaApp/MainView/DroppedFiles.h"
#include "OlvaApp/MainView/RuleRowDelegate.h"
#include "OlvaApp/MainView/RulesListAccessible.h"
#include "OlvaApp/MainView/RulesModel.h"
#include "OlvaApp/MainView/SelectionLink.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/PlaceChip/PlaceMenu.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

namespace olva::app {

RulesListView::RulesListView(Model& model, QWidget* parent)
    : QListView(parent), model_(model), rules_(new RulesModel(model, this)), delegate_(new RuleRowDelegate(this))
{
    // Before anything here could make Qt's own accessible form of the list.
    installRulesListAccessibility();
    setModel(rules_);
    setItemDelegate(delegate_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDragDropOverwriteMode(false);
    setAlternatingRowColors(false);
    setMouseTracking(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setResizeMode(QListView::Adjust);
    setFrameShape(QFrame::NoFrame);
    setAccessibleName(tr("Rules"));

    selection_ = new SelectionLink(this, [this](const QModelIndex& row) {
        model_.setSelectedRule(row.isValid() ? std::optional<int>(row.row()) : std::nullopt);
    });
    connect(&model_, &Model::selectedRuleChanged, this, &RulesListView::showModelSelection);
    connect(rules_, &QAbstractItemModel::modelReset, this, &RulesListView::showModelSelection);
}

void RulesListView::setFolder(int folder)
{
    rules_->setFolder(folder);
    showModelSelection();
}

QStyleOptionViewItem RulesListView::rowOption(const QModelIndex& index) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    if (selectionModel()->isSelected(index)) option.state |= QStyle::State_Selected;
    return option;
}

void RulesListView::showModelSelection()
{
    const auto rule = model_.currentRule();
    const QModelIndex row = rule && *rule < rules_->rowCount() ? rules_->index(*rule) : QModelIndex();
    selection_->show(row);
    if (row.isValid()) scrollTo(row);
}

void RulesListView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid()) return;
    const QString place = delegate_->placeAt(rowOption(index), index, event->pos());
    if (!place.isEmpty()) {
        popUpPlaceMenu(place, model_.services().workspace, event->globalPos(), this);
        return;
    }
    const int row = index.row();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction(tr("Edit Rule…")), &QAction::triggered, this, [this, row] { model_.editRule(row); });
    menu->addSeparator();
    connect(menu->addAction(tr("Delete Rule")), &QAction::triggered, this, [this, row] { model_.deleteRule(row); });
    menu->popup(event->globalPos());
}

void RulesListView::keyPressEvent(QKeyEvent* event)
{
    if (isDeleteKey(*event)) {
        if (auto rule = model_.currentRule()) model_.deleteRule(*rule);
        event->accept();
        return;
    }
    const QModelIndex current = currentIndex();
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (modifiers == Qt::NoModifier && current.isValid()) {
            model_.editRule(current.row());
            event->accept();
            return;
        }
        break;
    case Qt::Key_Space:
    case Qt::Key_Select:
        if (modifiers == Qt::NoModifier && current.isValid()) {
            const bool on = current.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
            rules_->setData(current, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
            event->accept();
            return;
        }
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        // The app's "Move Rule Up/Down" keys, for a window without its menus.
        if (modifiers == Qt::AltModifier) {
            if (auto rule = model_.currentRule()) model_.moveRule(*rule, event->key() == Qt::Key_Up ? -1 : 1);
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QListView::keyPressEvent(event);
}

void RulesListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    // The switch takes its own clicks.
    if (!index.isValid() || delegate_->geometry(rowOption(index), index).toggle.adjusted(-4, -4, 4, 4).contains(
                                event->position().toPoint()))
        return;
    model_.editRule(index.row());
}

bool RulesListView::explainsDrop(const QMimeData* data) const
{
    return data && !data->hasFormat(RulesModel::kMimeType) && explainedDrop(data->urls()).has_value();
}

void RulesListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(RulesModel::kMimeType)) {
        QListView::dragEnterEvent(event);
        return;
    }
    if (explainsDrop(event->mimeData())) event->acceptProposedAction();
    else event->ignore();
}

void RulesListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasFormat(RulesModel::kMimeType)) {
        QListView::dragMoveEvent(event);
        return;
    }
    if (explainsDrop(event->mimeData())) event->acceptProposedAction();
    else event->ignore();
}

void RulesListView::dropEvent(QDropEvent* event)
{
    if (event->mimeData()->hasFormat(RulesModel::kMimeType)) {
        QListView::dropEvent(event);
        return;
    }
    auto file = explainedDrop(event->mimeData()->urls());
    if (!file) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    QMetaObject::invokeMethod(
        &model_, [model = &model_, file = *file] { model->explainChosenFile(file); }, Qt::QueuedConnection);
}

}  // namespace olva::app
