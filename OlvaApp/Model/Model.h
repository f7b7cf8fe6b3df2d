// The app's one state object: it owns the data directory and, once started,
// the engine; it holds the rules, the activity, the folder statuses, the
// problem shown to the user and the main window's selection and editing
// state, and it carries every user operation on folders and rules, with
// undo. Views read it and call its operations; nothing else writes the
// rules file, the log or the engine.
//
// The model lives on the GUI thread. Calls into the engine block while it
// works (a script may run for a minute), so the model makes them from one
// thread of its own and gets the results back queued on the GUI thread;
// the log is read on another. Operations that wait for either return a
// QFuture that finishes once their result is applied; every call returns a
// future of its own (Qt keeps one continuation per future).
#pragma once

#include "Core/engine/Engine.h"
#include "Core/model/Entry.h"
#include "Core/store/Log.h"
#include "Core/model/Model.h"
#include "Core/store/Store.h"
#include "OlvaApp/Model/ActivityScope.h"
#include "OlvaApp/Model/EditingRule.h"
#include "OlvaApp/Model/Explained.h"
#include "OlvaApp/Model/PendingImport.h"
#include "OlvaApp/Model/Problem.h"
#include "OlvaApp/Model/Selection.h"

#include <QFuture>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QSettings;
class QUndoStack;

namespace olva::app {

class Autostart;
class Clipboard;
class Clock;
class MainWindowPresenter;
class OpenPanels;
class PrivilegedRunner;
class Workspace;

using RevertedSteps = std::map<std::string, std::size_t>;          // entry id to steps reverted
using FolderStatuses = std::map<std::string, FolderStatus>;        // stored folder path to status
using AccessedFolders = std::map<std::string, std::filesystem::path>;  // stored path to where it is reached

// The desktop services the model uses. None is owned by the model; each
// must outlive it. A missing panel service counts as a cancelled panel; a
// missing clock is the system clock; missing settings are the app's own.
struct ModelServices {
    OpenPanels* panels = nullptr;
    Workspace* workspace = nullptr;
    Autostart* autostart = nullptr;
    Clock* clock = nullptr;
    QSettings* settings = nullptr;
    // Seconds a file must stay unchanged before the engine acts on it; tests
    // that want files handled at once pass 0.
    double settle = 2.0;
    // Not used by the model itself: the views reach them through services().
    Clipboard* clipboard = nullptr;
    PrivilegedRunner* privileged = nullptr;
};

class Model : public QObject {
    Q_OBJECT

    Q_PROPERTY(olva::Config config READ config NOTIFY configChanged)
    Q_PROPERTY(std::vector<olva::Entry> entries READ entries NOTIFY entriesChanged)
    Q_PROPERTY(olva::app::RevertedSteps revertedSteps READ revertedSteps NOTIFY revertedStepsChanged)
    Q_PROPERTY(olva::app::FolderStatuses folderStatus READ folderStatus NOTIFY folderStatusChanged)
    Q_PROPERTY(std::optional<olva::app::Problem> problem READ problem WRITE setProblem NOTIFY problemChanged)
    Q_PROPERTY(std::optional<QString> loadError READ loadError NOTIFY loadErrorChanged)
    Q_PROPERTY(std::optional<QString> storeProblem READ storeProblem NOTIFY storeProblemChanged)
    Q_PROPERTY(std::optional<QString> dataFolderProblem READ dataFolderProblem NOTIFY dataFolderProblemChanged)
    Q_PROPERTY(std::optional<QString> loginError READ loginError NOTIFY loginErrorChanged)
    Q_PROPERTY(std::optional<olva::app::PendingImport> pendingImport READ pendingImport WRITE setPendingImport
                   NOTIFY pendingImportChanged)
    Q_PROPERTY(std::optional<olva::app::Explained> explained READ explained WRITE setExplained NOTIFY explainedChanged)
    Q_PROPERTY(std::optional<olva::app::Selection> selection READ selection WRITE setSelection NOTIFY selectionChanged)
    Q_PROPERTY(std::optional<int> selectedRule READ selectedRule WRITE setSelectedRule NOTIFY selectedRuleChanged)
    Q_PROPERTY(std::optional<olva::app::EditingRule> editingRule READ editingRule WRITE setEditingRule
                   NOTIFY editingRuleChanged)
    Q_PROPERTY(std::set<std::string> selectedEntries READ selectedEntries WRITE setSelectedEntries
                   NOTIFY selectedEntriesChanged)
    Q_PROPERTY(olva::app::ActivityScope activityScope READ activityScope WRITE setActivityScope
                   NOTIFY activityScopeChanged)
    Q_PROPERTY(bool startAtLogin READ startAtLogin WRITE setStartAtLogin NOTIFY startAtLoginChanged)
    Q_PROPERTY(bool hasEngine READ hasEngine NOTIFY engineChanged)
    Q_PROPERTY(QSet<QString> visibleWindows READ visibleWindows NOTIFY visibleWindowsChanged)
    Q_PROPERTY(olva::app::AccessedFolders accessed READ accessed NOTIFY accessedChanged)
    Q_PROPERTY(bool hasRecentError READ hasRecentError NOTIFY hasRecentErrorChanged)

public:
    // Undo action names of the edits.
    static const QString addRuleAction, editRuleAction, watchDownloadsAction, addFolderAction, removeFolderAction,
        enableRuleAction, disableRuleAction, duplicateRuleAction, moveRuleUpAction, moveRuleDownAction, moveRuleAction,
        deleteRuleAction, pauseAllAction, resumeAllAction, locateFolderAction, importHazelAction,
        changeSubfoldersAction, pauseFolderAction, resumeFolderAction;

    // Opens nothing and starts nothing: the start is ensureStarted().
    Model(std::shared_ptr<Store> store, ModelServices services, QObject* parent = nullptr);
    // Stops the engine, the rules watcher and every observer, and waits for
    // the model's threads; nothing started by this model outlives it.
    ~Model() override;

    // The store of the data directory the environment names; throws
    // ModelError ("cannot create <dir>: <reason>") when it cannot be made.
    static std::shared_ptr<Store> openDefaultStore();

    // ---- Observable state

    const std::shared_ptr<Store>& store() const { return store_; }
    // The desktop services the model and the views share.
    const ModelServices& services() const { return services_; }
    const Config& config() const { return config_; }
    const std::vector<Entry>& entries() const { return entries_; }
    const RevertedSteps& revertedSteps() const { return revertedSteps_; }
    const FolderStatuses& folderStatus() const { return folderStatus_; }
    const std::optional<Problem>& problem() const { return problem_; }
    const std::optional<QString>& loadError() const { return loadError_; }
    const std::optional<QString>& storeProblem() const { return storeProblem_; }
    // While the data folder is gone: the sentence that says so, naming it.
    // Nothing is processed meanwhile.
    const std::optional<QString>& dataFolderProblem() const { return dataFolderProblem_; }
    const std::optional<QString>& loginError() const { return loginError_; }
    const std::optional<PendingImport>& pendingImport() const { return pendingImport_; }
    const std::optional<Explained>& explained() const { return explained_; }
    const std::optional<Selection>& selection() const { return selection_; }
    const std::optional<int>& selectedRule() const { return selectedRule_; }
    const std::optional<EditingRule>& editingRule() const { return editingRule_; }
    const std::set<std::string>& selectedEntries() const { return selectedEntries_; }
    ActivityScope activityScope() const { return activityScope_; }
    bool startAtLogin() const { return startAtLogin_; }
    bool hasEngine() const { return engine_ != nullptr; }
    const QSet<QString>& visibleWindows() const { return visibleWindows_; }
    const AccessedFolders& accessed() const { return accessed_; }
    // An entry of the last hour failed (the tray's "needs attention").
    // Notifies again when the newest such failure turns one hour old.
    bool hasRecentError() const { return hasRecentError_; }

    // Setting a problem while the main window is not shown brings it
    // forward, so that the alert is seen. Every assignment notifies.
    void setProblem(std::optional<Problem> problem);
    void setPendingImport(std::optional<PendingImport> pending);
    void setExplained(std::optional<Explained> explained);
    // An equal value does not notify; either way a new selection clears the
    // selected rule when it differs, and the selected folder's path is
    // remembered for the next start.
    void setSelection(std::optional<Selection> selection);
    void setSelectedRule(std::optional<int> rule);
    void setEditingRule(std::optional<EditingRule> editing);
    void setSelectedEntries(std::set<std::string> ids);
    void setActivityScope(ActivityScope scope);

    // ---- Start

    // Starts the model once: takes the engine lock, loads the rules, starts
    // the engine and the observers of changes made by the tool. The future
    // finishes once the start has ended (also when it failed: loadError then
    // says why); a call after that gets a finished one.
    QFuture<void> ensureStarted();
    // Starts the model as ensureStarted does. The future finishes once the
    // model holds what the main window shows first: the rules and the
    // newest activity, or why the start failed. The rest of the start (the
    // seen file, the engine, the older activity) goes on behind it.
    QFuture<void> ensureShowable();

    // ---- Activity

    // Reads the lines added to the log since the last read into entries().
    // A call during a read returns at once and makes that read go on once
    // more.
    QFuture<void> refresh();
    // One refresh 0.2 seconds from now, shared by every call until then.
    void scheduleRefresh();
    // The reaction to the tool's signal that it undid an entry.
    QFuture<void> onActivityChanged();
    // Reverts the entries (those that still have steps to revert, in their
    // order) on the engine; failures become the problem.
    QFuture<void> revertEntries(const std::vector<Entry>& entries);
    // The selected entries in log order, while the activity list is shown.
    std::vector<Entry> selectedEntryList() const;
    // The entries whose id is in `ids`, in log order; costs what it returns.
    std::vector<Entry> entriesWithIds(const std::set<std::string>& ids) const;
    bool isFullyReverted(const Entry& entry) const;
    // Whether reverting the entry would still do something: it is no undo
    // and no dry run, and some of its steps are not reverted yet.
    bool canRevert(const Entry& entry) const;
    // The watched folders whose status is known and is not watching.
    std::vector<Folder> problemFolders() const;
    // Shows one entry in the activity list of the main window.
    void showActivity(const std::string& id);

    // ---- Rules: the edit pattern

    // How long a save waits for another program to let go of the rules
    // before it gives up and keeps the change in memory.
    static constexpr std::chrono::milliseconds rulesLockPatience{1500};

    // Whether the rules may be changed now; when not, the problem says why.
    bool canChangeRules();
    // Writes the rules file and has the engine reload it. When another
    // program changed the file since it was read, it is reloaded instead and
    // the user is told.
    void save();
    // One edit of the rules: the guard, the change, the save and an undo
    // step named `actionName`. Whether the change was made: false when it
    // was refused, or discarded for a reload of another program's change; a
    // change whose write failed stays in memory with its undo.
    bool edit(const QString& actionName, const std::function<void(Config&)>& change);
    // Makes `snapshot` the rules (undo and redo call it); registers nothing.
    void restoreConfig(const Config& snapshot);
    // Takes in a rules file another program changed. Empties the undo history.
    void reloadRules();
    // The rule sheet's save: adds or replaces the rule `editing` was opened
    // for, with the carry-over of handled files unless `runAgain`. When that
    // folder no longer holds the original rule at its place (the rules
    // changed while the sheet was open), or the folder is gone, nothing is
    // saved: the problem says why and editingRule keeps the draft; so too
    // when another program's change is reloaded instead of saved over.
    // Clears editingRule once the commit went ahead.
    void commitRule(const EditingRule& editing, const Rule& rule, bool runAgain);
    // Merges imported rules into `config`: after the rules of the folder at
    // `folder`, or as a new last folder.
    static void addImportedRules(Config& config, std::optional<int> folder, const Folder& imported);

    // ---- Rules of the selected folder

    // The selected folder's index, when the sidebar selects one the rules
    // still hold.
    std::optional<int> selectedFolder() const;
    // The selected rule's index, when it names a rule of the selected folder.
    std::optional<int> currentRule() const;
    // Opens the rule sheet on a new rule: the template, or "New Rule".
    void newRule(std::optional<Rule> templateRule = std::nullopt);
    void editRule(int index);
    void setRuleEnabled(int index, bool enabled);
    void duplicateRule(int index);
    // Moves the rule by `offset` places ("Move Rule Up" / "Move Rule Down").
    void moveRule(int index, int offset);
    // Moves the rules at `indexes` of folder `folder` before `destination`,
    // as a list's drag and drop does ("Move Rule"); whether the move was
    // made (not refused, nor replaced by another program's rules).
    bool moveRules(int folder, const std::vector<int>& indexes, int destination);
    void deleteRule(int index);
    static Rule defaultNewRule();

    // ---- Folders

    void setPaused(bool paused);
    void setFolderDepth(int folder, std::int64_t depth);
    void setFolderPaused(int folder, bool paused);
    // Watches a folder: the given one, or one the user chooses. The index of
    // the folder that was added, or of the watched one that is the same
    // place; none when cancelled or refused.
    std::optional<int> addFolder(std::optional<std::filesystem::path> folder = std::nullopt);
    // Watches the Downloads folder with the starter rules.
    void watchDownloads();
    void removeFolder(int index);
    // Asks the user where the watched folder at `index` is now.
    void locateFolder(int index);
    // Shows the watched folder at `index` in the file manager, when the
    // rules hold one there.
    void revealFolder(int index);

    // ---- Folder access

    // Whether the app runs in a sandbox: never on Linux. Tests switch the
    // sandbox-only behaviour on through ModelTesting.
    bool isSandboxed() const { return sandboxed_; }
    // Remembers access to a folder the user chose; its stored path.
    std::string keepAccess(const std::filesystem::path& folder);
    bool needsAccess(const std::string& path) const;
    void reopenBookmarks();

    // ---- Import

    // Reads and converts a Hazel export (the given one, or one the user
    // chooses) for a folder the user chooses, and offers it as pendingImport.
    QFuture<void> importHazelRules(std::optional<std::filesystem::path> file = std::nullopt);
    // Commits pendingImport. When another program's change is reloaded
    // instead of saved over, the import is offered again.
    void finishImport();

    // ---- Explanations and intents

    // Explains a file (the given one, or one the user chooses) in the main
    // window; without an engine the problem says why.
    QFuture<void> explainChosenFile(std::optional<std::filesystem::path> file = std::nullopt);
    QFuture<void> explainFile(const std::filesystem::path& file);
    // For the desktop's intents: they wait for the start and fail with
    // ModelError.
    QFuture<Explained> explainForIntent(const std::filesystem::path& file);
    QFuture<void> runRulesNow();
    QFuture<void> setPausedForIntent(bool paused);
    // One sentence that sums up an explanation.
    static QString explanationSentence(const Explained& explained);

    // ---- Windows and login

    // Brings the main window forward, creating it on first use.
    void openMainWindow();
    void setMainWindowPresenter(MainWindowPresenter* presenter);
    void setWindowVisible(const QString& id, bool visible);
    void setStartAtLogin(bool enabled);
    // The main window's undo history, once it exists.
    QUndoStack* undoStack() const;

signals:
    void configChanged();
    void entriesChanged();
    void revertedStepsChanged();
    void folderStatusChanged();
    void problemChanged();
    void loadErrorChanged();
    void storeProblemChanged();
    void dataFolderProblemChanged();
    void loginErrorChanged();
    void pendingImportChanged();
    void explainedChanged();
    void selectionChanged();
    void selectedRuleChanged();
    void editingRuleChanged();
    void selectedEntriesChanged();
    void activityScopeChanged();
    void startAtLoginChanged();
    void engineChanged();
    void visibleWindowsChanged();
    void accessedChanged();
    void hasRecentErrorChanged();

private:
    struct Private;
    friend struct Private;
    friend struct ModelTesting;

    std::shared_ptr<Store> store_;
    ModelServices services_;
    Config config_;
    std::vector<Entry> entries_;
    RevertedSteps revertedSteps_;
    FolderStatuses folderStatus_;
    std::optional<Problem> problem_;
    std::optional<QString> loadError_;
    std::optional<QString> storeProblem_;
    std::optional<QString> dataFolderProblem_;
    std::optional<QString> loginError_;
    std::optional<PendingImport> pendingImport_;
    std::optional<Explained> explained_;
    std::optional<Selection> selection_ = Selection::activity();
    std::optional<int> selectedRule_;
    std::optional<EditingRule> editingRule_;
    std::set<std::string> selectedEntries_;
    ActivityScope activityScope_ = ActivityScope::all;
    bool startAtLogin_ = false;
    std::shared_ptr<Engine> engine_;
    QSet<QString> visibleWindows_;
    AccessedFolders accessed_;
    bool hasRecentError_ = false;
    LogPosition logPosition_;
    int logReads_ = 0;
    bool sandboxed_ = false;
    MainWindowPresenter* mainWindow_ = nullptr;
    std::unique_ptr<Private> d_;
};

}  // namespace olva::app

Q_DECLARE_METATYPE(olva::Config)
Q_DECLARE_METATYPE(std::vector<olva::Entry>)
Q_DECLARE_METATYPE(olva::app::RevertedSteps)
Q_DECLARE_METATYPE(olva::app::FolderStatuses)
Q_DECLARE_METATYPE(olva::app::AccessedFolders)
