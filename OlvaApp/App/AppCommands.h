// The app's commands: every item of its menu bar with its shortcut, and the
// conditions under which each is enabled, recomputed whenever the model
// changes. The tray shares the pause switch, "Settings…" and "Quit Olva".
// Each command checks again when it runs, not only through its enabled
// state.
#pragma once

#include <QObject>

#include <functional>
#include <optional>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;

namespace olva {
struct Entry;
}

namespace olva::app {

class MainWindow;
class Model;

// What the commands ask of the app around them.
struct ShellActions {
    std::function<void()> openSettings;
    std::function<void()> openConnect;
    std::function<void()> openPrivacy;
    std::function<void()> showAbout;
    std::function<void()> quit;
};

class AppCommands : public QObject {
    Q_OBJECT

public:
    AppCommands(Model& model, ShellActions shell, QObject* parent = nullptr);
    ~AppCommands() override;

    // A menu bar for `window` holding every command; its Edit menu shows
    // the window's undo history and its View menu the window's inspector
    // switch and toolbars.
    QMenuBar* createMenuBar(MainWindow& window);

    // File
    QAction* newRule() const { return newRule_; }
    QAction* addFolder() const { return addFolder_; }
    QAction* importHazel() const { return importHazel_; }
    QAction* explainFile() const { return explainFile_; }
    QAction* openEntry() const { return openEntry_; }
    QAction* revealEntry() const { return revealEntry_; }
    QAction* revert() const { return revert_; }
    QAction* pauseAll() const { return pauseAll_; }
    QAction* quit() const { return quit_; }
    // Edit
    QAction* settings() const { return settings_; }
    // View
    const std::vector<QAction*>& scopes() const { return scopes_; }
    // Folder
    QAction* removeFolder() const { return removeFolder_; }
    // Rule
    QAction* editRule() const { return editRule_; }
    QAction* ruleEnabled() const { return ruleEnabled_; }
    QAction* duplicateRule() const { return duplicateRule_; }
    QAction* moveRuleUp() const { return moveRuleUp_; }
    QAction* moveRuleDown() const { return moveRuleDown_; }
    QAction* deleteRule() const { return deleteRule_; }
    // Help
    QAction* showConnect() const { return connect_; }
    QAction* showPrivacy() const { return privacy_; }
    QAction* showAbout() const { return about_; }

    // Recomputes every enabled state, check mark and changing title.
    void update();

private:
    // The single selected entry, while the activity is shown.
    std::optional<Entry> selectedEntry() const;
    std::vector<Entry> revertable() const;
    void fillFolderMenu(QMenu& menu);
    QAction* action(const QString& text, std::function<void()> run);

    Model& model_;
    ShellActions shell_;
    QAction *newRule_, *addFolder_, *importHazel_, *explainFile_, *openEntry_, *revealEntry_, *revert_, *pauseAll_,
        *quit_, *settings_, *removeFolder_, *editRule_, *ruleEnabled_, *duplicateRule_, *moveRuleUp_, *moveRuleDown_,
        *deleteRule_, *connect_, *privacy_, *about_;
    QActionGroup* scopeGroup_;
    std::vector<QAction*> scopes_;
    // The inspector switch of the window whose menu bar was made last.
    QAction* inspector_ = nullptr;
};

}  // namespace olva::app
