#include "OlvaApp/App/AppCommands.h"

#include "OlvaApp/ActivityView/ActivityView.h"
#include "OlvaApp/MainView/FolderMenuItems.h"
#include "OlvaApp/MainView/MainWindow.h"
#include "OlvaApp/Model/ActivityScope.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/Model/Workspace.h"
#include "OlvaApp/Sentences/ActivityTexts.h"
#include "OlvaApp/Sentences/CurrentLocation.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QUndoStack>

namespace olva::app {

AppCommands::AppCommands(Model& model, ShellActions shell, QObject* parent)
    : QObject(parent), model_(model), shell_(std::move(shell)), scopeGroup_(new QActionGroup(this))
{
    // Every shortcut is set by hand: Qt's standard keys are empty or mean
    // something else on some desktops.
    newRule_ = action(tr("New Rule"), [this] {
        if (model_.selectedFolder()) model_.newRule();
    });
    newRule_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    addFolder_ = action(tr("Add Folder…"), [this] { model_.addFolder(); });
    addFolder_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    importHazel_ = action(tr("Import Hazel Rules…"), [this] { model_.importHazelRules(); });
    explainFile_ = action(tr("Explain File…"), [this] { model_.explainChosenFile(); });
    explainFile_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    openEntry_ = action(tr("Open"), [this] {
        if (auto entry = selectedEntry()) openEntryFile(model_.services().workspace, *entry);
    });
    openEntry_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    revealEntry_ = action(tr("Show in File Manager"), [this] {
        if (auto entry = selectedEntry()) revealEntryFile(model_.services().workspace, *entry);
    });
    revert_ = action(revertLabel(0), [this] {
        if (auto entries = revertable(); !entries.empty()) model_.revertEntries(entries);
    });
    pauseAll_ = action(tr("Pause All Rules"), {});
    pauseAll_->setCheckable(true);
    QObject::connect(pauseAll_, &QAction::triggered, this, [this](bool paused) {
        model_.setPaused(paused);
        // A refused change leaves the rules as they were: so does the switch.
        pauseAll_->setChecked(model_.config().paused);
    });
    quit_ = action(tr("Quit Olva"), [this] {
        if (shell_.quit) shell_.quit();
    });
    quit_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit_->setMenuRole(QAction::QuitRole);

    settings_ = action(tr("Settings…"), [this] {
        if (shell_.openSettings) shell_.openSettings();
    });
    settings_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    settings_->setMenuRole(QAction::PreferencesRole);

    for (ActivityScope scope : allActivityScopes) {
        QAction* choice = action(activityScopeTitle(scope), [this, scope] {
            if (model_.selection() && model_.selection()->isActivity()) model_.setActivityScope(scope);
        });
        choice->setCheckable(true);
        scopeGroup_->addAction(choice);
        scopes_.push_back(choice);
    }

    removeFolder_ = action(tr("Remove Folder"), [this] {
        if (auto folder = model_.selectedFolder()) model_.removeFolder(*folder);
    });

    editRule_ = action(tr("Edit Rule…"), [this] {
        if (auto rule = model_.currentRule()) model_.editRule(*rule);
    });
    ruleEnabled_ = action(tr("Enabled"), {});
    ruleEnabled_->setCheckable(true);
    QObject::connect(ruleEnabled_, &QAction::triggered, this, [this](bool enabled) {
        if (auto rule = model_.currentRule()) model_.setRuleEnabled(*rule, enabled);
        update();
    });
    duplicateRule_ = action(tr("Duplicate Rule"), [this] {
        if (auto rule = model_.currentRule()) model_.duplicateRule(*rule);
    });
    duplicateRule_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    moveRuleUp_ = action(tr("Move Rule Up"), [this] {
        if (auto rule = model_.currentRule(); rule && *rule > 0) model_.moveRule(*rule, -1);
    });
    // Ctrl+Alt+arrows switch workspaces on most desktops.
    moveRuleUp_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
    moveRuleDown_ = action(tr("Move Rule Down"), [this] {
        if (auto rule = model_.currentRule()) model_.moveRule(*rule, 1);
    });
    moveRuleDown_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Down));
    deleteRule_ = action(tr("Delete Rule"), [this] {
        if (auto rule = model_.currentRule()) model_.deleteRule(*rule);
    });
    deleteRule_->setShortcut(QKeySequence(Qt::Key_Delete));

    connect_ = action(tr("Use Olva from Terminal and AI Apps…"), [this] {
        if (shell_.openConnect) shell_.openConnect();
    });
    privacy_ = action(tr("Olva Privacy Policy"), [this] {
        if (shell_.openPrivacy) shell_.openPrivacy();
    });
    about_ = action(tr("About Olva"), [this] {
        if (shell_.showAbout) shell_.showAbout();
    });
    about_->setMenuRole(QAction::AboutRole);

    for (auto changed : {&Model::configChanged, &Model::selectionChanged, &Model::selectedRuleChanged,
                         &Model::selectedEntriesChanged, &Model::entriesChanged, &Model::revertedStepsChanged,
                         &Model::activityScopeChanged})
        QObject::connect(&model_, changed, this, &AppCommands::update);
    update();
}

AppCommands::~AppCommands() = default;

QAction* AppCommands::action(const QString& text, std::function<void()> run)
{
    auto* made = new QAction(text, this);
    if (run) QObject::connect(made, &QAction::triggered, this, [run = std::move(run)] { run(); });
    return made;
}

std::optional<Entry> AppCommands::selectedEntry() const
{
    std::vector<Entry> selected = model_.selectedEntryList();
    if (selected.size() != 1) return std::nullopt;
    return selected.front();
}

std::vector<Entry> AppCommands::revertable() const
{
    std::vector<Entry> kept;
    for (const Entry& entry : model_.selectedEntryList())
        if (model_.canRevert(entry)) kept.push_back(entry);
    return kept;
}

void AppCommands::update()
{
    const std::optional<int> folder = model_.selectedFolder();
    const bool activity = model_.selection() && model_.selection()->isActivity();
    const std::optional<Entry> entry = selectedEntry();
    const bool hasFile = entry && currentURL(*entry);
    const std::size_t revertCount = revertable().size();
    const std::optional<int> rule = model_.currentRule();
    const int ruleCount = folder ? static_cast<int>(model_.config().folders[*folder].rules.size()) : 0;

    newRule_->setEnabled(folder.has_value());
    openEntry_->setEnabled(hasFile);
    revealEntry_->setEnabled(hasFile);
    revert_->setEnabled(revertCount > 0);
    revert_->setText(revertLabel(static_cast<qsizetype>(revertCount)));
    pauseAll_->setChecked(model_.config().paused);

    if (inspector_) inspector_->setEnabled(activity);
    for (std::size_t i = 0; i < scopes_.size(); ++i) {
        scopes_[i]->setEnabled(activity);
        scopes_[i]->setChecked(allActivityScopes[i] == model_.activityScope());
    }

    removeFolder_->setEnabled(folder.has_value());

    for (QAction* item : {editRule_, ruleEnabled_, duplicateRule_, moveRuleUp_, moveRuleDown_, deleteRule_})
        item->setEnabled(rule.has_value());
    ruleEnabled_->setChecked(rule && model_.config().folders[*folder].rules[*rule].enabled);
    if (rule) {
        moveRuleUp_->setEnabled(*rule > 0);
        moveRuleDown_->setEnabled(*rule + 1 < ruleCount);
    }
}

void AppCommands::fillFolderMenu(QMenu& menu)
{
    menu.clear();
    // With no folder selected the items are there, disabled.
    addFolderMenuItems(menu, model_);
    menu.addSeparator();
    menu.addAction(removeFolder_);
}

QMenuBar* AppCommands::createMenuBar(MainWindow& window)
{
    auto* bar = new QMenuBar(&window);

    QMenu* file = bar->addMenu(tr("&File"));
    file->addActions({newRule_, addFolder_, importHazel_});
    file->addSeparator();
    file->addAction(explainFile_);
    file->addSeparator();
    file->addActions({openEntry_, revealEntry_, revert_});
    file->addSeparator();
    file->addAction(pauseAll_);
    file->addSeparator();
    file->addAction(quit_);
    // Whether the selected entry's file is still somewhere may have changed
    // on disk since the model last did.
    QObject::connect(file, &QMenu::aboutToShow, this, &AppCommands::update);

    QMenu* edit = bar->addMenu(tr("&Edit"));
    if (QUndoStack* stack = window.undoStack()) {
        QAction* undo = stack->createUndoAction(edit, tr("Undo"));
        undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
        QAction* redo = stack->createRedoAction(edit, tr("Redo"));
        redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
        edit->addActions({undo, redo});
        edit->addSeparator();
    }
    edit->addAction(settings_);

    QMenu* view = bar->addMenu(tr("&View"));
    // The desktop's own toolbar switch stands for the standard toolbar
    // commands; a sidebar switch has no counterpart here.
    const auto toolbars = window.findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly);
    for (QToolBar* toolbar : toolbars) view->addAction(toolbar->toggleViewAction());
    if (!toolbars.isEmpty()) view->addSeparator();
    if (ActivityView* activity = window.activityView()) {
        inspector_ = activity->inspectorAction();
        inspector_->setShortcut(QKeySequence(Qt::ALT | Qt::CTRL | Qt::Key_I));
        view->addAction(inspector_);
        view->addSeparator();
    }
    view->addSection(tr("Show"));
    for (QAction* scope : scopes_) view->addAction(scope);

    QMenu* folder = bar->addMenu(tr("F&older"));
    QObject::connect(folder, &QMenu::aboutToShow, this, [this, folder] { fillFolderMenu(*folder); });
    fillFolderMenu(*folder);

    QMenu* rule = bar->addMenu(tr("&Rule"));
    rule->addActions({editRule_, ruleEnabled_, duplicateRule_});
    rule->addSeparator();
    rule->addActions({moveRuleUp_, moveRuleDown_});
    rule->addSeparator();
    rule->addAction(deleteRule_);

    QMenu* help = bar->addMenu(tr("&Help"));
    help->addAction(connect_);
    help->addSeparator();
    help->addAction(privacy_);
    help->addSeparator();
    help->addAction(about_);

    update();
    return bar;
}

}  // namespace olva::app
