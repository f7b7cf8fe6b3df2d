#include "OlvaApp/RuleSheet/PreviewList.h"

#include "OlvaApp/PlaceChip/PlaceMenu.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/RuleSheet/PreviewListModel.h"
#include "OlvaApp/RuleSheet/PreviewRowDelegate.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace olva::app {

PreviewList::PreviewList(Workspace* workspace, QWidget* parent)
    : QListView(parent), workspace_(workspace), model_(new PreviewListModel(this)),
      delegate_(new PreviewRowDelegate(workspace, this)), placeholder_(new QWidget(viewport()))
{
    setModel(model_);
    setItemDelegate(delegate_);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setMinimumHeight(120);
    setAccessibleName(tr("Files in the folder"));

    auto* icon = new QLabel(placeholder_);
    const QIcon folder = symbolIcon("folder");
    icon->setPixmap(folder.pixmap(32, 32));
    icon->setAlignment(Qt::AlignCenter);
    auto* title = new QLabel(tr("No Files"), placeholder_);
    title->setFont(headlineFont(font()));
    title->setAlignment(Qt::AlignCenter);
    auto* description = new QLabel(tr("This folder is empty."), placeholder_);
    description->setAlignment(Qt::AlignCenter);
    description->setForegroundRole(QPalette::PlaceholderText);
    auto* layout = new QVBoxLayout(placeholder_);
    layout->addStretch(1);
    layout->addWidget(icon);
    layout->addWidget(title);
    layout->addWidget(description);
    layout->addStretch(1);
    placeholder_->setAttribute(Qt::WA_TransparentForMouseEvents);
    updatePlaceholder();
}

void PreviewList::setPreview(const FolderPreview& preview)
{
    total_ = preview.total;
    model_->setRows(preview.rows);
    updatePlaceholder();
}

void PreviewList::setLoading(bool loading)
{
    loading_ = loading;
    updatePlaceholder();
}

void PreviewList::setDryRun(bool dryRun) { model_->setDryRun(dryRun); }

void PreviewList::updatePlaceholder()
{
    // Only a folder with no files at all is empty; one whose files were all
    // passed over (partly downloaded, unreadable) is not.
    placeholder_->setVisible(!loading_ && model_->rowCount() == 0 && total_ == 0);
    placeholder_->setGeometry(viewport()->rect());
}

void PreviewList::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    placeholder_->setGeometry(viewport()->rect());
}

void PreviewList::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid()) return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    const QString place = delegate_->placeAt(option, index, event->pos());
    if (!place.isEmpty()) popUpPlaceMenu(place, workspace_, event->globalPos(), this);
}

}  // namespace olva::app
