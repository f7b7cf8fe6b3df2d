#include "OlvaApp/MainView/MainWindow.h"

#include "OlvaApp/ActivityView/ActivityView.h"
#include "OlvaApp/ExplainSheet/ExplainSheet.h"
#include "OlvaApp/MainView/FolderMenuItems.h"
#include "OlvaApp/MainView/FolderProblemBar.h"
#include "OlvaApp/MainView/FolderView.h"
#include "OlvaApp/MainView/FooterButton.h"
#include "OlvaApp/MainView/ImportSheet.h"
#include "OlvaApp/MainView/SidebarView.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/RuleSheet/RuleSheet.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

namespace olva::app {

namespace {

constexpr int kSidebarMinimumWidth = 200;
constexpr int kSidebarWidth = 240;

// The detail column is as large as the view it shows needs, not as the
// largest of the views it could show: the folder view does not make the
// window keep the activity table's least width.
class DetailStack : public QStackedWidget {
public:
    DetailStack() { connect(this, &QStackedWidget::currentChanged, this, [this] { updateGeometry(); }); }

    QSize sizeHint() const override
    {
        return currentWidget() ? currentWidget()->sizeHint() : QStackedWidget::sizeHint();
    }
    QSize minimumSizeHint() const override
    {
        QWidget* shown = currentWidget();
        if (!shown) return QStackedWidget::minimumSizeHint();
        return shown->minimumSizeHint().expandedTo(shown->minimumSize());
    }
};

// A sheet (window-modal by its own making) lives until it is answered, and
// is opened, not run: the window's events go on beneath it.
void openSheet(QDialog* sheet)
{
    QObject::connect(sheet, &QDialog::finished, sheet, &QObject::deleteLater);
    sheet->open();
}

// Hides a sheet without the closing that would write to the model: the
// model already moved on.
void dismissQuietly(QDialog* sheet)
{
    if (!sheet) return;
    sheet->hide();
    sheet->deleteLater();
}

}  // namespace

MainWindow::MainWindow(Model& model, QWidget* parent)
    : QMainWindow(parent), model_(model), undoStack_(new QUndoStack(this)), sidebar_(new SidebarView(model)),
      addFolder_(new FooterButton(symbolIcon("plus.circle"), tr("Add Folder…"))),
      dataFolderBar_(new FolderProblemBar), detail_(new DetailStack),
      activityView_(new ActivityView(model)), folderView_(new FolderView(model)), splitter_(new QSplitter(this)),
      toolbar_(new QToolBar(tr("Toolbar"), this))
{
    setWindowTitle(tr("Olva"));
    resize(1000, 640);

    auto* sidebarPane = new QWidget;
    auto* sidebarColumn = new QVBoxLayout(sidebarPane);
    sidebarColumn->setContentsMargins(0, 0, 0, 0);
    sidebarColumn->setSpacing(0);
    sidebarColumn->addWidget(sidebar_, 1);
    addFolder_->setToolTip(tr("Add a folder to watch, or drag one here from File Manager"));
    addFolder_->setAccessibleName(tr("Add Folder…"));
    connect(addFolder_, &FooterButton::clicked, this, [this] { model_.addFolder(); });
    sidebarColumn->addWidget(addFolder_);
    sidebarPane->setMinimumWidth(kSidebarMinimumWidth);

    detail_->addWidget(activityView_);
    detail_->addWidget(folderView_);

    // Above the view, whichever it is: nothing in either is processed
    // while the data folder is gone.
    auto* detailPane = new QWidget;
    auto* detailColumn = new QVBoxLayout(detailPane);
    detailColumn->setContentsMargins(0, 0, 0, 0);
    detailColumn->setSpacing(0);
    dataFolderBar_->setAccessibleName(tr("Data folder problem"));
    detailColumn->addWidget(dataFolderBar_);
    detailColumn->addWidget(detail_, 1);

    splitter_->addWidget(sidebarPane);
    splitter_->addWidget(detailPane);
    splitter_->setChildrenCollapsible(false);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({kSidebarWidth, width() - kSidebarWidth});
    setCentralWidget(splitter_);

    toolbar_->setObjectName(QStringLiteral("mainToolbar"));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setContextMenuPolicy(Qt::PreventContextMenu);
    toolbar_->setIconSize(QSize(18, 18));
    addToolBar(Qt::TopToolBarArea, toolbar_);

    connect(&model_, &Model::selectionChanged, this, &MainWindow::showSelection);
    connect(&model_, &Model::configChanged, this, &MainWindow::showSelection);
    connect(folderView_, &FolderView::titleChanged, this, [this](const QString& title) {
        if (detail_->currentWidget() == folderView_) setWindowTitle(title);
    });
    connect(&model_, &Model::problemChanged, this, &MainWindow::scheduleProblem);
    connect(&model_, &Model::editingRuleChanged, this, &MainWindow::showEditingRule);
    connect(&model_, &Model::explainedChanged, this, &MainWindow::showExplained);
    connect(&model_, &Model::pendingImportChanged, this, &MainWindow::showPendingImport);
    connect(&model_, &Model::dataFolderProblemChanged, this, &MainWindow::showDataFolderProblem);
    showDataFolderProblem();

    // Ctrl+F finds in the activity, from wherever the window is.
    auto* find = new QAction(tr("Find"), this);
    find->setShortcut(QKeySequence::Find);
    find->setShortcutContext(Qt::WindowShortcut);
    connect(find, &QAction::triggered, this, &MainWindow::findInActivity);
    addAction(find);

    // Ctrl+W closes the window as its close button does (to the tray), as
    // it closes the app's other windows.
    auto* closeWindow = new QAction(tr("Close Window"), this);
    closeWindow->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    closeWindow->setShortcutContext(Qt::WindowShortcut);
    connect(closeWindow, &QAction::triggered, this, &QWidget::close);
    addAction(closeWindow);

    // The activity view is the one shown first: its actions start the toolbar.
    showToolbar(activityView_->toolbarActions());
    showSelection();
}

MainWindow::~MainWindow() = default;

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown_) return;
    // Sheets and alerts wait for the window they belong to: what the model
    // asked for before is presented now.
    shown_ = true;
    showEditingRule();
    showExplained();
    showPendingImport();
    scheduleProblem();
}

QWidget* MainWindow::currentView() const { return detail_->currentWidget(); }

void MainWindow::showSelection()
{
    const int folder = model_.selectedFolder().value_or(-1);
    // Activity also stands in for a selection that names no folder anymore.
    QWidget* view = folder >= 0 ? static_cast<QWidget*>(folderView_) : activityView_;
    folderView_->setFolder(folder);
    if (view != toolbarOwner_) {
        detail_->setCurrentWidget(view);
        showToolbar(folder >= 0 ? folderView_->toolbarActions() : activityView_->toolbarActions());
        toolbarOwner_ = view;
    }
    setWindowTitle(folder >= 0 ? folderView_->title() : tr("Activity"));
}

void MainWindow::showDataFolderProblem()
{
    const auto& problem = model_.dataFolderProblem();
    dataFolderBar_->setMessage(problem.value_or(QString()));
    dataFolderBar_->setVisible(problem.has_value());
}

void MainWindow::findInActivity()
{
    if (detail_->currentWidget() != activityView_) model_.setSelection(Selection::activity());
    // The search field lives in the toolbar.
    if (toolbar_->isHidden()) toolbar_->show();
    activityView_->focusSearch();
}

void MainWindow::showToolbar(const QList<QAction*>& actions)
{
    toolbar_->clear();
    for (QAction* action : actions) {
        toolbar_->addAction(action);
        // A menu opens at once on a click, not after a press and hold.
        if (action->menu())
            if (auto* button = qobject_cast<QToolButton*>(toolbar_->widgetForAction(action)))
                button->setPopupMode(QToolButton::InstantPopup);
    }
    toolbar_->setVisible(!actions.isEmpty());
}

void MainWindow::scheduleProblem()
{
    // Queued: the model may set a problem while it brings this window
    // forward, and several in a row show once, as the last one.
    if (problemScheduled_) return;
    problemScheduled_ = true;
    QMetaObject::invokeMethod(this, &MainWindow::showProblem, Qt::QueuedConnection);
}

void MainWindow::showProblem()
{
    problemScheduled_ = false;
    if (!shown_) return;
    const auto& problem = model_.problem();
    if (!problem) {
        if (alert_) {
            QMessageBox* alert = alert_;
            alert_ = nullptr;
            dismissQuietly(alert);
        }
        return;
    }
    if (!alert_) {
        // Over the sheet in front, if one is up.
        QWidget* parent = QApplication::activeModalWidget();
        if (!parent) parent = this;
        alert_ = new QMessageBox(parent);
        alert_->setWindowModality(Qt::WindowModal);
        alert_->setIcon(QMessageBox::Warning);
        alert_->setTextFormat(Qt::PlainText);
        alert_->setStandardButtons(QMessageBox::Ok);
        connect(alert_, &QDialog::finished, this, [this, alert = alert_.data()] {
            alert->deleteLater();
            if (alert_ != alert) return;
            alert_ = nullptr;
            model_.setProblem(std::nullopt);
        });
    }
    alert_->setWindowTitle(problem->title);
    alert_->setText(problem->title);
    alert_->setInformativeText(problem->message);
    // The message is the failure's own words, which may hold anything a
    // file name holds; the box sets a text format for its title alone, so
    // the label that shows the message is told too.
    for (QLabel* label : alert_->findChildren<QLabel*>())
        if (label->text() == problem->message) label->setTextFormat(Qt::PlainText);
    alert_->open();
}

void MainWindow::showEditingRule()
{
    if (!shown_) return;
    const auto& editing = model_.editingRule();
    // The same opening stays: a refused save keeps its draft in the model.
    if (editing && ruleSheet_ && ruleSheet_->editingId() == editing->id) return;
    if (ruleSheet_) {
        RuleSheet* old = ruleSheet_;
        ruleSheet_ = nullptr;
        dismissQuietly(old);
    }
    if (!editing) return;
    ruleSheet_ = new RuleSheet(model_, *editing, this);
    openSheet(ruleSheet_);
}

void MainWindow::showExplained()
{
    if (!shown_) return;
    const auto& explained = model_.explained();
    if (explained && explainSheet_ && explainedId_ == explained->id) return;
    if (explainSheet_) {
        ExplainSheet* old = explainSheet_;
        explainSheet_ = nullptr;
        dismissQuietly(old);
    }
    if (!explained) return;
    explainedId_ = explained->id;
    explainSheet_ = new ExplainSheet(model_, this);
    openSheet(explainSheet_);
}

void MainWindow::showPendingImport()
{
    if (!shown_) return;
    const auto& pending = model_.pendingImport();
    if (importSheet_) {
        // Every assignment is a new import, or none: the sheet of the old
        // one goes either way.
        ImportSheet* old = importSheet_;
        importSheet_ = nullptr;
        if (old->isVisible()) old->dismissQuietly();
        old->deleteLater();
    }
    if (!pending) return;
    importSheet_ = new ImportSheet(model_, *pending, this);
    openSheet(importSheet_);
}

}  // namespace olva::app
