#include "OlvaApp/MainView/FolderView.h"

#include "OlvaApp/MainView/EmptyRulesState.h"
#include "OlvaApp/MainView/FolderMenuItems.h"
#include "OlvaApp/MainView/FolderProblemBar.h"
#include "OlvaApp/MainView/FolderStatusText.h"
#include "OlvaApp/MainView/RulesListView.h"
#include "OlvaApp/MainView/RulesModel.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/PlaceChip/ViewHeader.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

namespace olva::app {

FolderView::FolderView(Model& model, QWidget* parent)
    : QWidget(parent), model_(model), title_(new QLabel(this)), subtitle_(new QLabel(this)),
      problemBar_(new FolderProblemBar(this)), list_(new RulesListView(model, this)),
      empty_(new EmptyRulesState(model, list_->viewport())), optionsMenu_(new QMenu(this)),
      folderOptions_(new QAction(symbolIcon("ellipsis"), tr("Folder Options"), this)),
      newRule_(new QAction(symbolIcon("plus"), tr("New Rule"), this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QWidget(this);
    header->setLayout(viewHeader(*title_, *subtitle_));
    column->addWidget(header);
    column->addWidget(problemBar_);
    column->addWidget(list_, 1);

    // The empty state lies over the list, so a file dropped on it reaches
    // the list and is explained.
    empty_->hide();
    list_->viewport()->installEventFilter(this);

    folderOptions_->setToolTip(tr("Folder options"));
    folderOptions_->setMenu(optionsMenu_);
    connect(optionsMenu_, &QMenu::aboutToShow, this, [this] {
        optionsMenu_->clear();
        addFolderMenuItems(*optionsMenu_, model_);
    });
    // The first opening may come through the keyboard before any show.
    addFolderMenuItems(*optionsMenu_, model_);
    newRule_->setToolTip(tr("New rule"));
    connect(newRule_, &QAction::triggered, this, [this] { model_.newRule(); });

    problemBar_->setActions([this] { model_.locateFolder(folder_); }, [this] { model_.revealFolder(folder_); });

    connect(&model_, &Model::configChanged, this, &FolderView::refresh);
    connect(&model_, &Model::folderStatusChanged, this, &FolderView::refresh);
    refresh();
}

FolderView::~FolderView() = default;

void FolderView::setFolder(int folder)
{
    folder_ = folder;
    list_->setFolder(folder);
    refresh();
}

QList<QAction*> FolderView::toolbarActions() const { return {folderOptions_, newRule_}; }

QString FolderView::title() const { return title_->text(); }

QString FolderView::subtitle() const { return subtitle_->text(); }

void FolderView::refresh()
{
    const auto& folders = model_.config().folders;
    if (folder_ < 0 || folder_ >= static_cast<int>(folders.size())) {
        problemBar_->hide();
        empty_->hide();
        return;
    }
    const Folder& folder = folders[folder_];
    FolderStatus status = FolderStatus::watching;
    if (auto found = model_.folderStatus().find(folder.path); found != model_.folderStatus().end())
        status = found->second;

    const QString title = singleLine(folderName(folder));
    if (title != title_->text()) {
        title_->setText(title);
        emit titleChanged(title);
    }
    subtitle_->setText(folderSubtitle(folder, status));
    problemBar_->setProblem(folder, status, model_.isSandboxed());
    problemBar_->setVisible(status != FolderStatus::watching);
    empty_->setVisible(folder.rules.empty());
    if (folder.rules.empty()) empty_->setGeometry(list_->viewport()->rect());
}

bool FolderView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == list_->viewport() && event->type() == QEvent::Resize)
        empty_->setGeometry(list_->viewport()->rect());
    return QWidget::eventFilter(watched, event);
}

}  // namespace olva::app
