// The main window: the sidebar of Activity and the watched folders beside
// the selected folder's rules or the activity list. It owns the undo
// history of every rule edit and presents what the model asks for: the
// alert for a problem, the rule sheet for the rule being edited, the sheet
// that confirms an import, and the explanation of a file. Sheets are
// window-modal and owned by the window, so no rebuild of a view can take
// one away. The shell installs the menu bar.
#pragma once

#include "OlvaApp/ExplainSheet/ExplainSheet.h"
#include "OlvaApp/MainView/ImportSheet.h"
#include "OlvaApp/RuleSheet/RuleSheet.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QUuid>

class QSplitter;
class QStackedWidget;
class QToolBar;
class QUndoStack;

namespace olva::app {

class ActivityView;
class FolderProblemBar;
class FolderView;
class FooterButton;
class Model;
class SidebarView;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(Model& model, QWidget* parent = nullptr);
    ~MainWindow() override;

    QUndoStack* undoStack() const { return undoStack_; }
    // The activity list the window shows while Activity is selected.
    ActivityView* activityView() const { return activityView_; }
    FolderView* folderView() const { return folderView_; }
    SidebarView* sidebar() const { return sidebar_; }
    FooterButton* addFolderButton() const { return addFolder_; }
    QToolBar* toolbar() const { return toolbar_; }
    // The view shown beside the sidebar: the folder view or the activity list.
    QWidget* currentView() const;
    // The bar over either view while the data folder is gone.
    FolderProblemBar* dataFolderBar() const { return dataFolderBar_; }

    // What the window presents now, if anything.
    QMessageBox* problemAlert() const { return alert_; }
    RuleSheet* ruleSheet() const { return ruleSheet_; }
    ExplainSheet* explainSheet() const { return explainSheet_; }
    ImportSheet* importSheet() const { return importSheet_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showSelection();
    void findInActivity();
    void showToolbar(const QList<QAction*>& actions);
    void scheduleProblem();
    void showProblem();
    void showEditingRule();
    void showExplained();
    void showPendingImport();
    void showDataFolderProblem();

    Model& model_;
    QUndoStack* undoStack_;
    SidebarView* sidebar_;
    FooterButton* addFolder_;
    FolderProblemBar* dataFolderBar_;
    QStackedWidget* detail_;
    ActivityView* activityView_;
    FolderView* folderView_;
    QSplitter* splitter_;
    QToolBar* toolbar_;
    QWidget* toolbarOwner_ = nullptr;  // the view whose actions the toolbar shows
    QPointer<QMessageBox> alert_;
    QPointer<RuleSheet> ruleSheet_;
    QPointer<ExplainSheet> explainSheet_;
    QUuid explainedId_;
    QPointer<ImportSheet> importSheet_;
    bool problemScheduled_ = false;
    bool shown_ = false;
};

}  // namespace olva::app
