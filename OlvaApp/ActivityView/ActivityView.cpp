#include "OlvaApp/ActivityView/ActivityView.h"

#include "OlvaApp/ActivityView/ActivityColumns.h"
#include "OlvaApp/ActivityView/ActivityDelegate.h"
#include "OlvaApp/ActivityView/ActivityFilterModel.h"
#include "OlvaApp/ActivityView/ActivityInspector.h"
#include "OlvaApp/ActivityView/ActivityStyle.h"
#include "OlvaApp/ActivityView/ActivityTableModel.h"
#include "OlvaApp/ActivityView/EmptyState.h"
#include "OlvaApp/Model/Clock.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/Model/Workspace.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/PlaceChip/ViewHeader.h"
#include "OlvaApp/Sentences/ActivityTexts.h"
#include "OlvaApp/Sentences/CurrentLocation.h"

#include <QAction>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <algorithm>
#include <chrono>

namespace olva::app {

namespace {

const QString showInspectorKey = QStringLiteral("showInspector");

// The table itself may get narrower than its columns (it then scrolls
// sideways), so that the window fits half a small screen with the inspector
// beside the table: the inspector is the user's to switch off, never the
// window's.
constexpr int tableLeast = 120;

}  // namespace

ActivityView::ActivityView(Model& model, QWidget* parent)
    : QWidget(parent), model_(model), tableModel_(new ActivityTableModel(model, this)),
      filter_(new ActivityFilterModel(*tableModel_, this)), inspectorAction_(new QAction(tr("Show Inspector"), this))
{
    filter_->setScope(model_.activityScope());
    buildActions();
    buildLayout();
    connectModel();
    updateStatusLine();
    updateOverlay();
    selectFromModel();
    updateSelectionDependents();
}

ActivityView::~ActivityView() = default;

QSettings& ActivityView::settings()
{
    if (QSettings* shared = model_.services().settings) return *shared;
    if (!ownSettings_) ownSettings_ = std::make_unique<QSettings>();
    return *ownSettings_;
}

// ---- Building

void ActivityView::buildActions()
{
    revertAction_ = new QAction(symbolIcon("arrow.counterclockwise"), revertLabel(0), this);
    revertAction_->setToolTip(tr("Return the selected files to where they were"));
    connect(revertAction_, &QAction::triggered, this, [this] {
        std::vector<olva::Entry> chosen;
        for (const olva::Entry& entry : visibleSelection())
            if (model_.canRevert(entry)) chosen.push_back(entry);
        revert(chosen);
    });

    revealAction_ = new QAction(symbolIcon("folder"), tr("Show in File Manager"), this);
    revealAction_->setToolTip(tr("Show the selected file in File Manager"));
    connect(revealAction_, &QAction::triggered, this, [this] {
        const auto selection = visibleSelection();
        if (selection.size() == 1) revealEntry(selection.front());
    });

    scopeGroup_ = new QActionGroup(this);
    scopeGroup_->setExclusive(true);
    for (ActivityScope scope : allActivityScopes) {
        QAction* action = scopeGroup_->addAction(activityScopeTitle(scope));
        action->setCheckable(true);
        action->setData(static_cast<int>(scope));
        action->setChecked(scope == model_.activityScope());
        //: The scope picker's label, read by screen readers.
        action->setToolTip(tr("Show: %1").arg(activityScopeTitle(scope)));
        connect(action, &QAction::triggered, this, [this, scope] { model_.setActivityScope(scope); });
    }

    inspectorAction_->setCheckable(true);
    inspectorAction_->setIconText(tr("Info"));
    inspectorAction_->setIcon(symbolIcon("sidebar.trailing"));
    inspectorAction_->setToolTip(tr("Show or hide details about the selected file"));
    inspectorAction_->setChecked(settings().value(showInspectorKey, true).toBool());

    search_ = new QLineEdit(this);
    search_->setPlaceholderText(tr("Search"));
    search_->setAccessibleName(tr("Search"));
    search_->setClearButtonEnabled(true);
    search_->setMinimumWidth(160);
    search_->setMaximumWidth(240);
    search_->installEventFilter(this);
    auto* searchAction = new QWidgetAction(this);
    searchAction->setDefaultWidget(search_);
    searchAction->setText(tr("Search"));
    searchAction_ = searchAction;

    auto separator = [this] {
        auto* action = new QAction(this);
        action->setSeparator(true);
        return action;
    };
    toolbarActions_ = {revertAction_, revealAction_, separator()};
    toolbarActions_ += scopeGroup_->actions();
    toolbarActions_ += {separator(), inspectorAction_, searchAction_};
}

void ActivityView::buildLayout()
{
    title_ = new QLabel(tr("Activity"), this);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLine"));
    QVBoxLayout* header = viewHeader(*title_, *status_);

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("activityTable"));
    table_->setAccessibleName(tr("Activity"));
    table_->setModel(filter_);
    table_->setItemDelegate(new ActivityDelegate(*tableModel_, table_));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->setTextElideMode(Qt::ElideMiddle);
    table_->setDragEnabled(true);
    table_->setDragDropMode(QAbstractItemView::DragOnly);
    // Arrows move between rows; Tab moves on to the next control, as it
    // does everywhere else on the desktop.
    table_->setTabKeyNavigation(false);
    table_->setDefaultDropAction(Qt::CopyAction);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->setFrameShape(QFrame::NoFrame);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(ActivityDelegate::rowHeight(table_->font()));
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView* columns = table_->horizontalHeader();
    columns->setHighlightSections(false);
    columns->setSectionsClickable(true);
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    table_->setMinimumWidth(tableLeast);
    columns_ = new ActivityColumns(*table_, *tableModel_, this);
    table_->viewport()->installEventFilter(this);
    table_->setSortingEnabled(true);
    table_->sortByColumn(ActivityTableModel::dateColumn, Qt::DescendingOrder);
    table_->installEventFilter(this);

    // The words over the table lie beside it, not inside it: a table tells
    // screen readers of its cells alone, and the first start's buttons
    // would go unread.
    tablePane_ = new QWidget(this);
    auto* paneLayout = new QVBoxLayout(tablePane_);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    paneLayout->addWidget(table_);
    overlay_ = new EmptyState(tablePane_);
    overlay_->setObjectName(QStringLiteral("activityOverlay"));
    overlay_->setAutoFillBackground(true);
    overlay_->setBackgroundRole(QPalette::Base);
    overlay_->hide();

    inspector_ = new ActivityInspector(model_.services().workspace, this);
    updateInspectorShown();

    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(tablePane_);
    splitter_->addWidget(inspector_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    // Where the user puts the divider, it stays.
    connect(splitter_, &QSplitter::splitterMoved, this, [this] { inspectorSized_ = true; });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(header);
    layout->addWidget(splitter_, 1);

    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
        filter_->setSearch(text);
        takeViewSelection();
        updateOverlay();
        updateSelectionDependents();
    });
    connect(inspectorAction_, &QAction::toggled, this, [this](bool shown) {
        updateInspectorShown();
        settings().setValue(showInspectorKey, shown);
    });
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!followingModel_) takeViewSelection();
    });
    connect(table_, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { primaryAction(idsAt(index)); });
    connect(table_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex clicked = table_->indexAt(at);
        if (!clicked.isValid()) return;
        QMenu menu(this);
        fillContextMenu(menu, idsAt(clicked));
        if (!menu.isEmpty()) menu.exec(table_->viewport()->mapToGlobal(at));
    });
    connect(filter_, &QAbstractItemModel::rowsInserted, this, &ActivityView::updateOverlay);
    connect(filter_, &QAbstractItemModel::rowsRemoved, this, &ActivityView::updateOverlay);
    connect(filter_, &QAbstractItemModel::modelReset, this, [this] {
        selectFromModel();
        updateOverlay();
    });
    connect(filter_, &QAbstractItemModel::layoutChanged, this, &ActivityView::updateOverlay);
}

void ActivityView::connectModel()
{
    connect(&model_, &Model::entriesChanged, this, [this] {
        updateStatusLine();
        updateOverlay();
        updateSelectionDependents();
    });
    connect(&model_, &Model::configChanged, this, [this] {
        updateStatusLine();
        updateOverlay();
    });
    connect(&model_, &Model::loadErrorChanged, this, &ActivityView::updateOverlay);
    connect(&model_, &Model::revertedStepsChanged, this, &ActivityView::updateSelectionDependents);
    connect(&model_, &Model::selectionChanged, this, &ActivityView::updateSelectionDependents);
    connect(&model_, &Model::selectedEntriesChanged, this, [this] {
        selectFromModel();
        updateSelectionDependents();
    });
    connect(&model_, &Model::activityScopeChanged, this, [this] {
        const ActivityScope scope = model_.activityScope();
        for (QAction* action : scopeGroup_->actions())
            action->setChecked(action->data().toInt() == static_cast<int>(scope));
        filter_->setScope(scope);
        takeViewSelection();
        updateOverlay();
        updateSelectionDependents();
    });
}

// ---- Reading

QList<QAction*> ActivityView::toolbarActions() const { return toolbarActions_; }

QString ActivityView::title() const { return title_->text(); }

QString ActivityView::statusLine() const { return status_->text(); }

std::vector<olva::Entry> ActivityView::rows() const
{
    std::vector<olva::Entry> rows;
    rows.reserve(static_cast<std::size_t>(filter_->rowCount()));
    for (int row = 0; row < filter_->rowCount(); ++row)
        rows.push_back(filter_->entryAt(filter_->index(row, 0)));
    return rows;
}

std::vector<olva::Entry> ActivityView::visibleSelection() const
{
    std::vector<olva::Entry> visible;
    for (olva::Entry& entry : model_.selectedEntryList())
        if (filter_->indexOf(entry.id).isValid()) visible.push_back(std::move(entry));
    return visible;
}

std::set<std::string> ActivityView::idsAt(const QModelIndex& clicked) const
{
    if (!clicked.isValid()) return {};
    if (table_->selectionModel()->isRowSelected(clicked.row(), {})) return selectedIds();
    return {filter_->entryAt(clicked).id};
}

// ---- Updating

void ActivityView::updateStatusLine()
{
    QDateTime now = QDateTime::currentDateTime();
    if (Clock* clock = model_.services().clock) {
        const auto millis =
            std::chrono::duration_cast<std::chrono::milliseconds>(clock->now().time_since_epoch()).count();
        now = QDateTime::fromMSecsSinceEpoch(millis);
    }
    const QString line = activityStatusLine(model_.config().paused, model_.entries(),
                                            static_cast<qsizetype>(model_.config().folders.size()), now);
    if (line == status_->text()) return;
    status_->setText(line);
    emit statusLineChanged(line);
}

void ActivityView::updateOverlay()
{
    const bool rowsShown = filter_->rowCount() > 0;
    table_->setAlternatingRowColors(rowsShown);
    const auto placeholder = activityPlaceholder({.loadError = model_.loadError(),
                                                  .folderCount = static_cast<qsizetype>(model_.config().folders.size()),
                                                  .logEmpty = model_.entries().empty(),
                                                  .rowsShown = rowsShown,
                                                  .search = filter_->search(),
                                                  .scope = filter_->scope()});
    if (!placeholder) {
        overlay_->hide();
        return;
    }
    if (overlay_->isVisibleTo(table_) && overlay_->title() == placeholder->words.title
        && overlay_->description() == placeholder->words.description)
        return;
    overlay_->showPlaceholder(placeholder->words);
    switch (placeholder->buttons) {
    case ActivityPlaceholder::Buttons::none: break;
    case ActivityPlaceholder::Buttons::showDataFolder:
        overlay_->addButton({showDataFolderLabel(), [this] {
                                 if (Workspace* workspace = model_.services().workspace)
                                     workspace->reveal(model_.store()->dir());
                             }});
        break;
    case ActivityPlaceholder::Buttons::firstRun:
        overlay_->addChoices({watchDownloadsLabel(), [this] { model_.watchDownloads(); }},
                             {{chooseAnotherFolderLabel(), [this] { model_.addFolder(); }},
                              {importHazelRulesLabel(), [this] { model_.importHazelRules(); }}});
        break;
    }
    placeOverlay();
    overlay_->raise();
}

void ActivityView::placeOverlay()
{
    // Over the rows, below the column titles.
    const QWidget* rows = table_->viewport();
    overlay_->setGeometry(QRect(rows->mapTo(tablePane_, QPoint(0, 0)), rows->size()));
}

void ActivityView::updateInspectorShown()
{
    inspector_->setVisible(inspectorAction_->isChecked());
    fitInspector();
}

void ActivityView::fitInspector()
{
    if (inspectorSized_ || !inspectorAction_->isChecked() || !splitter_) return;
    const int room = width() - splitter_->handleWidth();
    const int tableNeeds = columns_->leastWidth() + 2 * table_->frameWidth();
    const int inspector =
        std::clamp(room - tableNeeds, inspector_->minimumWidth(), std::max(inspector_->minimumWidth(), inspector_->sizeHint().width()));
    splitter_->setSizes({room - inspector, inspector});
}

void ActivityView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitInspector();
}

void ActivityView::updateSelectionDependents()
{
    const std::vector<olva::Entry> selection = visibleSelection();
    qsizetype revertable = 0;
    for (const olva::Entry& entry : selection)
        if (model_.canRevert(entry)) ++revertable;
    revertAction_->setText(revertLabel(revertable));
    revertAction_->setEnabled(revertable > 0);
    revealAction_->setEnabled(selection.size() == 1 && currentURL(selection.front()).has_value());
    inspector_->showSelection(selection, selection.size() == 1 && model_.isFullyReverted(selection.front()));
}

// The model's selection becomes the table's; ids the table does not show
// are left out of the view but kept in the model.
void ActivityView::selectFromModel()
{
    QItemSelection selection;
    for (const std::string& id : model_.selectedEntries()) {
        const QModelIndex index = filter_->indexOf(id);
        if (index.isValid()) selection.select(index, index.siblingAtColumn(ActivityTableModel::numberOfColumns - 1));
    }
    followingModel_ = true;
    table_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    followingModel_ = false;
}

// The table's selection becomes the model's: rows a scope or a search hid
// are no longer selected, so nothing acts on what the user cannot see.
std::set<std::string> ActivityView::selectedIds() const
{
    std::set<std::string> ids;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) ids.insert(filter_->entryAt(index).id);
    return ids;
}

void ActivityView::takeViewSelection()
{
    model_.setSelectedEntries(selectedIds());
    updateSelectionDependents();
}

// ---- Acting

void ActivityView::fillContextMenu(QMenu& menu, const std::set<std::string>& ids)
{
    const std::vector<olva::Entry> entries = model_.entriesWithIds(ids);
    if (entries.empty()) return;
    if (entries.size() == 1) {
        const olva::Entry& entry = entries.front();
        const bool here = currentURL(entry).has_value();
        QAction* open = menu.addAction(tr("Open"), this, [this, entry] { openEntry(entry); });
        QAction* reveal = menu.addAction(tr("Show in File Manager"), this, [this, entry] { revealEntry(entry); });
        QAction* explain = menu.addAction(tr("Explain…"), this, [this, entry] { explainEntry(entry); });
        for (QAction* action : {open, reveal, explain}) action->setEnabled(here);
        menu.addSeparator();
    }
    std::vector<olva::Entry> revertable;
    for (const olva::Entry& entry : entries)
        if (model_.canRevert(entry)) revertable.push_back(entry);
    QAction* revertItem = menu.addAction(revertLabel(static_cast<qsizetype>(revertable.size())), this,
                                         [this, revertable] { revert(revertable); });
    revertItem->setEnabled(!revertable.empty());
}

void ActivityView::primaryAction(const std::set<std::string>& ids)
{
    if (ids.size() != 1) return;
    const std::string& id = *ids.begin();
    const auto& entries = model_.entries();
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        if (entry->id != id) continue;
        openEntry(*entry);
        return;
    }
}

void ActivityView::openEntry(const olva::Entry& entry) { openEntryFile(model_.services().workspace, entry); }

void ActivityView::revealEntry(const olva::Entry& entry) { revealEntryFile(model_.services().workspace, entry); }

void ActivityView::explainEntry(const olva::Entry& entry)
{
    if (const auto file = currentFile(entry)) model_.explainChosenFile(*file);
}

void ActivityView::revert(const std::vector<olva::Entry>& entries)
{
    if (!entries.empty()) model_.revertEntries(entries);
}

// ---- Events

void ActivityView::focusSearch()
{
    search_->setFocus(Qt::ShortcutFocusReason);
    search_->selectAll();
}

bool ActivityView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == search_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Escape clears the search; an empty one lets the key go on (to a
        // dialog, or the window's own use of it).
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && !search_->text().isEmpty()) {
            search_->clear();
            return true;
        }
    }
    if (columns_ && watched == table_->viewport() && event->type() == QEvent::Resize) columns_->fit();
    if (watched == table_) {
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest) {
            placeOverlay();
            columns_->fit();
        }
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier) {
                primaryAction(selectedIds());
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ActivityView::showEvent(QShowEvent* event)
{
    // A new day may have begun since the line was last made.
    updateStatusLine();
    placeOverlay();
    QWidget::showEvent(event);
}

}  // namespace olva::app
