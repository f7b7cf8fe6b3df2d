#include "OlvaApp/MainView/SidebarView.h"

#include "OlvaApp/MainView/DeleteKey.h"
#include "OlvaApp/MainView/DroppedFiles.h"
#include "OlvaApp/MainView/SelectionLink.h"
#include "OlvaApp/MainView/SidebarDelegate.h"
#include "OlvaApp/MainView/SidebarModel.h"
#include "OlvaApp/Model/Model.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

namespace olva::app {

SidebarView::SidebarView(Model& model, QWidget* parent)
    : QListView(parent), model_(model), rows_(new SidebarModel(model, this))
{
    setModel(rows_);
    setItemDelegate(new SidebarDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(false);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DropOnly);
    setFrameShape(QFrame::NoFrame);
    setAccessibleName(tr("Sidebar"));
    // A sidebar sits on the window's tone, not on the white of a document.
    setBackgroundRole(QPalette::Window);
    viewport()->setBackgroundRole(QPalette::Window);

    selection_ = new SelectionLink(this, [this](const QModelIndex& row) {
        // The list loses its selection when its rows are rebuilt; that is
        // not the user's choice.
        if (!row.isValid()) return;
        if (auto selection = rows_->selectionAt(row)) model_.setSelection(selection);
    });
    connect(&model_, &Model::selectionChanged, this, &SidebarView::showModelSelection);
    connect(rows_, &QAbstractItemModel::modelReset, this, &SidebarView::showModelSelection);
    showModelSelection();
}

void SidebarView::showModelSelection() { selection_->show(rows_->indexFor(model_.selection())); }

void SidebarView::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (!index.isValid()) {
        connect(menu->addAction(tr("Add Folder…")), &QAction::triggered, &model_, [this] { model_.addFolder(); });
    } else if (auto selection = rows_->selectionAt(index); selection && selection->isFolder()) {
        const int folder = selection->index;
        connect(menu->addAction(tr("Show in File Manager")), &QAction::triggered, this,
                [this, folder] { model_.revealFolder(folder); });
        menu->addSeparator();
        connect(menu->addAction(tr("Remove Folder")), &QAction::triggered, this,
                [this, folder] { model_.removeFolder(folder); });
    } else {
        delete menu;
        event->accept();
        return;
    }
    menu->popup(event->globalPos());
    event->accept();
}

bool SidebarView::event(QEvent* event)
{
    // Delete here removes the folder, ahead of the window's own Delete
    // (which deletes the selected rule).
    if (event->type() == QEvent::ShortcutOverride && isDeleteKey(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QListView::event(event);
}

void SidebarView::keyPressEvent(QKeyEvent* event)
{
    if (isDeleteKey(*event)) {
        if (const auto& selection = model_.selection(); selection && selection->isFolder())
            model_.removeFolder(selection->index);
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void SidebarView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!sidebarDrops(event->mimeData()->urls()).empty()) event->acceptProposedAction();
    else event->ignore();
}

void SidebarView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!sidebarDrops(event->mimeData()->urls()).empty()) event->acceptProposedAction();
    else event->ignore();
}

void SidebarView::dropEvent(QDropEvent* event)
{
    auto drops = sidebarDrops(event->mimeData()->urls());
    if (drops.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Panels may open on the way: not inside the drag's event.
    QMetaObject::invokeMethod(
        &model_,
        [model = &model_, drops = std::move(drops)] {
            for (const SidebarDrop& drop : drops) {
                if (drop.kind == SidebarDrop::Kind::hazelExport) model->importHazelRules(drop.path);
                else model->addFolder(drop.path);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace olva::app
