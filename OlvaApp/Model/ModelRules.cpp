// Saving, reloading and editing the rules, and the edits of the rules of the
// selected folder. Every edit follows one pattern: the guard, one change of
// the configuration, the save, and an undo step on the main window.
#include "Core/model/RuleVersion.h"
#include "Core/store/RulesLock.h"
#include "OlvaApp/Model/ConfigUndoCommand.h"
#include "OlvaApp/Model/ModelPrivate.h"

#include <QThread>
#include <QUndoStack>

#include <algorithm>

namespace olva::app {

namespace {

bool sameRule(const Rule& a, const Rule& b) { return toJson(a) == toJson(b); }

}  // namespace

// ---- The edit pattern

bool Model::canChangeRules()
{
    if (!loadError_) return true;
    setProblem(Problem{tr("Rules Can’t Be Changed"),
                       tr("Olva couldn’t start, and saving now could overwrite its rules. Fix what Activity shows, "
                          "then open Olva again.")});
    return false;
}

void Model::save() { d_->save(); }

Model::Private::Saved Model::Private::save(std::function<void(Engine&)> beforeReload)
{
    if (!model.canChangeRules()) return Saved::refused;
    Saved saved = Saved::written;
    try {
        // The tool's writers take the same lock, so nothing they save can
        // fall between the check and the write. The wait is bounded: a
        // holder that never lets go (a stopped olva) must not freeze the
        // window.
        RulesLock lock(model.store_->dir(), Model::rulesLockPatience);
        if (model.store_->unreadRulesOnDisk()) {
            // Bytes Olva never read: another program's change, which is
            // taken in instead, or a file Olva cannot read (left owned by
            // another account, say), which may hold anything and is never
            // written over. Reading it tells which; a read that fails is
            // this save's failure.
            model.store_->loadConfig();
            saved = Saved::reloaded;
        } else {
            model.store_->saveConfig(model.config_);
        }
    } catch (const RulesBusy&) {
        model.setProblem(Problem{Model::tr("Couldn’t Save Rules"),
                                 Model::tr("Another program is holding the rules, so Olva couldn’t save them. Your "
                                           "change is kept and is saved with the next change you make, unless that "
                                           "program changes the rules first.")});
        saved = Saved::failed;
    } catch (const std::exception& error) {
        model.setProblem(Problem{Model::tr("Couldn’t Save Rules"), errorSentence(error)});
        saved = Saved::failed;
    }
    // The reload below says itself that the rules shown were replaced.
    unsavedEdits = saved == Saved::failed;
    if (saved == Saved::reloaded) {
        model.setProblem(Problem{Model::tr("Couldn’t Save Rules"),
                                 Model::tr("Another program changed the rules a moment ago, so Olva loaded them "
                                           "instead of saving over them. Make your change again.")});
        // Not at once: an undo step may be running this save, and the reload
        // empties the undo history.
        QMetaObject::invokeMethod(&model, [this] { reloadFromDisk(); }, Qt::QueuedConnection);
        return saved;
    }
    if (engineBeforeStart()) {
        // The start takes the new rules in.
        rulesChangedDuringStart = true;
        if (beforeReload) engineWorkDuringStart.push_back(std::move(beforeReload));
        return saved;
    }
    // After a failed write the engine reads the file as it was.
    onEngine([beforeReload = std::move(beforeReload)](Engine& engine) {
        if (beforeReload) beforeReload(engine);
        engine.reload();
    });
    return saved;
}

bool Model::edit(const QString& actionName, const std::function<void(Config&)>& change)
{
    return Private::made(d_->edit(actionName, change));
}

Model::Private::Saved Model::Private::edit(const QString& actionName, const std::function<void(Config&)>& change,
                                           std::function<void(Engine&)> beforeReload)
{
    if (!model.canChangeRules()) return Saved::refused;
    Config before = model.config_;
    change(model.config_);
    emit model.configChanged();
    Saved saved = save(std::move(beforeReload));
    // A change the save replaced by a reload is gone: nothing to undo.
    if (saved != Saved::reloaded) registerUndo(before, actionName);
    return saved;
}

void Model::Private::registerUndo(const Config& before, const QString& actionName)
{
    QUndoStack* stack = model.undoStack();
    if (!stack) return;
    stack->push(new ConfigUndoCommand(&model, before, Model::tr(actionName.toUtf8().constData())));
}

void Model::restoreConfig(const Config& snapshot)
{
    Q_ASSERT(QThread::currentThread() == thread());
    d_->setConfig(snapshot);
    d_->save();
    d_->leaveGoneFolder();
}

void Model::Private::setConfig(Config config)
{
    model.config_ = std::move(config);
    emit model.configChanged();
}

void Model::Private::setLoadError(std::optional<QString> error)
{
    if (error == model.loadError_) return;
    model.loadError_ = std::move(error);
    emit model.loadErrorChanged();
}

void Model::Private::leaveGoneFolder()
{
    const auto& selection = model.selection_;
    if (selection && selection->isFolder() && selection->index >= static_cast<int>(model.config_.folders.size()))
        model.setSelection(Selection::activity());
}

std::optional<int> Model::selectedFolder() const
{
    if (!selection_ || !selection_->isFolder() || selection_->index < 0
        || selection_->index >= static_cast<int>(config_.folders.size()))
        return std::nullopt;
    return selection_->index;
}

// ---- Changes made elsewhere

void Model::reloadRules()
{
    if (!engine_) return;
    d_->reloadFromDisk();
}

void Model::Private::reloadFromDisk()
{
    // A rules file that is gone (with its data folder, say) reads as no
    // rules at all: the rules shown stay until a file says otherwise.
    // Read all the same, so that the store knows the file as missing.
    const auto rulesFile = model.store_->dir() / "rules.json";
    std::error_code missing;
    const bool present = std::filesystem::exists(rulesFile, missing);
    if (QUndoStack* stack = model.undoStack(); stack && present) stack->clear();
    Config loaded;
    try {
        loaded = model.store_->loadConfig();
    } catch (const std::exception& error) {
        model.setProblem(Problem{Model::tr("Couldn’t Reload Rules"), errorSentence(error)});
        return;
    }
    if (!present || !std::filesystem::exists(rulesFile, missing)) return;
    // Edits no save could write are replaced by the other program's rules:
    // never without a word.
    if (unsavedEdits && toJson(loaded) != toJson(model.config_))
        model.setProblem(Problem{Model::tr("Couldn’t Save Rules"),
                                 Model::tr("Another program changed the rules before Olva could save your change, so "
                                           "Olva loaded them instead. Make your change again.")});
    unsavedEdits = false;
    setConfig(std::move(loaded));
    setLoadError(std::nullopt);
    model.reopenBookmarks();
    leaveGoneFolder();
    if (engineBeforeStart()) rulesChangedDuringStart = true;
    else onEngine([](Engine& engine) { engine.reload(); });
}

// ---- The rule sheet's save

void Model::commitRule(const EditingRule& editing, const Rule& rule, bool runAgain)
{
    // The folder the rule was opened for, found by its path: its position
    // may have changed while the sheet was open.
    std::optional<int> folder;
    if (editing.folder) {
        for (std::size_t i = 0; i < config_.folders.size(); ++i)
            if (config_.folders[i].path == *editing.folder) {
                folder = static_cast<int>(i);
                break;
            }
    } else {
        folder = selectedFolder();
    }

    // The sheet stays open with the draft, now over the reloaded rules.
    const QString reloadedText = tr("Another program changed the rules a moment ago, so Olva loaded them instead of "
                                    "saving over them. Your rule is still open: save it again, or cancel.");
    auto keepDraft = [&](const QString& message) {
        EditingRule draft = editing;
        draft.rule = rule;
        setEditingRule(draft);
        setProblem(Problem{tr("Couldn’t Save “%1”").arg(text(rule.name)), message});
    };

    if (!folder) {
        keepDraft(editing.folder
                      ? tr("The folder %1 isn’t watched anymore. Cancel, or watch the folder again and save.")
                            .arg(text(*editing.folder))
                      : tr("Select the folder the rule is for, then save it again."));
        return;
    }
    const int f = *folder;

    if (!editing.index) {
        if (!canChangeRules()) return;
        if (d_->edit(addRuleAction, [&](Config& config) { config.folders[f].rules.push_back(rule); })
            == Private::Saved::reloaded) {
            keepDraft(reloadedText);
            return;
        }
        if (selection_ == Selection::folder(f)) setSelectedRule(static_cast<int>(config_.folders[f].rules.size()) - 1);
        if (editingRule_ && editingRule_->id == editing.id) setEditingRule(std::nullopt);
        return;
    }

    const int i = *editing.index;
    const auto& rules = config_.folders[f].rules;
    if (i < 0 || i >= static_cast<int>(rules.size()) || !editing.original || !sameRule(rules[i], *editing.original)) {
        keepDraft(tr("The rule changed in the rules file while you were editing it, so Olva didn’t save over it. "
                     "Cancel and open the rule again to edit its new version."));
        return;
    }
    if (!canChangeRules()) return;

    const Rule previous = rules[i];
    std::function<void(Engine&)> carryOver;
    // Files the previous version handled count as handled by the edited
    // rule, unless the user asked to run it on them again.
    if (!runAgain && !previous.dryRun) {
        carryOver = [from = ruleVersion(previous), to = ruleVersion(rule)](Engine& engine) {
            engine.carryOver(from, to);
        };
    }
    if (d_->edit(editRuleAction, [&](Config& config) { config.folders[f].rules[i] = rule; }, std::move(carryOver))
        == Private::Saved::reloaded) {
        keepDraft(reloadedText);
        return;
    }
    if (editingRule_ && editingRule_->id == editing.id) setEditingRule(std::nullopt);
}

void Model::addImportedRules(Config& config, std::optional<int> folder, const Folder& imported)
{
    if (!folder) {
        config.folders.push_back(imported);
        return;
    }
    Folder& target = config.folders[*folder];
    target.rules.insert(target.rules.end(), imported.rules.begin(), imported.rules.end());
    target.depth = std::max(target.depth, imported.depth);
}

// ---- Rules of the selected folder

std::optional<int> Model::currentRule() const
{
    auto folder = selectedFolder();
    if (!folder || !selectedRule_) return std::nullopt;
    const int rule = *selectedRule_;
    if (rule < 0 || rule >= static_cast<int>(config_.folders[*folder].rules.size())) return std::nullopt;
    return rule;
}

Rule Model::defaultNewRule()
{
    return Rule{.name = "New Rule",
                .enabled = true,
                .dryRun = true,
                .match = Group{Group::Mode::all, {Node(Condition{Attr::ext, Op::is, "pdf"})}},
                .actions = {Action::move("~/Documents")}};
}

void Model::newRule(std::optional<Rule> templateRule)
{
    EditingRule editing;
    editing.rule = templateRule ? std::move(*templateRule) : defaultNewRule();
    if (auto folder = selectedFolder()) editing.folder = config_.folders[*folder].path;
    setEditingRule(std::move(editing));
}

void Model::editRule(int index)
{
    auto folder = selectedFolder();
    if (!folder) return;
    const auto& rules = config_.folders[*folder].rules;
    if (index < 0 || index >= static_cast<int>(rules.size())) return;
    EditingRule editing;
    editing.index = index;
    editing.rule = rules[index];
    editing.folder = config_.folders[*folder].path;
    editing.original = rules[index];
    setEditingRule(std::move(editing));
}

void Model::setRuleEnabled(int index, bool enabled)
{
    auto folder = selectedFolder();
    if (!folder || index < 0 || index >= static_cast<int>(config_.folders[*folder].rules.size())) return;
    d_->edit(enabled ? enableRuleAction : disableRuleAction,
             [&](Config& config) { config.folders[*folder].rules[index].enabled = enabled; });
}

void Model::duplicateRule(int index)
{
    auto folder = selectedFolder();
    if (!folder || index < 0 || index >= static_cast<int>(config_.folders[*folder].rules.size())) return;
    bool made = Private::made(d_->edit(duplicateRuleAction, [&](Config& config) {
        auto& rules = config.folders[*folder].rules;
        Rule copy = rules[index];
        copy.name += " copy";
        rules.insert(rules.begin() + index + 1, std::move(copy));
    }));
    if (made) setSelectedRule(index + 1);
}

void Model::moveRule(int index, int offset)
{
    auto folder = selectedFolder();
    if (!folder) return;
    const int count = static_cast<int>(config_.folders[*folder].rules.size());
    const int target = index + offset;
    if (index < 0 || index >= count || target < 0 || target >= count) return;
    bool moved = Private::made(d_->edit(offset < 0 ? moveRuleUpAction : moveRuleDownAction, [&](Config& config) {
        auto& rules = config.folders[*folder].rules;
        Rule rule = std::move(rules[index]);
        rules.erase(rules.begin() + index);
        rules.insert(rules.begin() + target, std::move(rule));
    }));
    if (moved) setSelectedRule(target);
}

bool Model::moveRules(int folder, const std::vector<int>& indexes, int destination)
{
    if (folder < 0 || folder >= static_cast<int>(config_.folders.size())) return false;
    const int count = static_cast<int>(config_.folders[folder].rules.size());
    std::vector<int> moving = indexes;
    std::sort(moving.begin(), moving.end());
    moving.erase(std::unique(moving.begin(), moving.end()), moving.end());
    if (moving.empty() || moving.front() < 0 || moving.back() >= count || destination < 0 || destination > count)
        return false;
    return Private::made(d_->edit(moveRuleAction, [&](Config& config) {
        auto& rules = config.folders[folder].rules;
        std::vector<Rule> taken, kept;
        int before = 0;  // moved rules that stood before the destination
        for (int i = 0; i < count; ++i) {
            if (std::binary_search(moving.begin(), moving.end(), i)) {
                taken.push_back(std::move(rules[i]));
                if (i < destination) ++before;
            } else {
                kept.push_back(std::move(rules[i]));
            }
        }
        kept.insert(kept.begin() + (destination - before), std::make_move_iterator(taken.begin()),
                    std::make_move_iterator(taken.end()));
        rules = std::move(kept);
    }));
}

void Model::deleteRule(int index)
{
    auto folder = selectedFolder();
    if (!folder || index < 0 || index >= static_cast<int>(config_.folders[*folder].rules.size())) return;
    setSelectedRule(std::nullopt);
    d_->edit(deleteRuleAction, [&](Config& config) {
        auto& rules = config.folders[*folder].rules;
        rules.erase(rules.begin() + index);
    });
}

// ---- Switches of all rules and of one folder

void Model::setPaused(bool paused) { d_->setPaused(paused); }

Model::Private::Saved Model::Private::setPaused(bool paused)
{
    const QString& actionName = paused ? Model::pauseAllAction : Model::resumeAllAction;
    if (model.config_.paused == paused && model.canChangeRules()) {
        // The undo step is kept, as for a change, so that the menu's
        // history reads the same either way.
        registerUndo(model.config_, actionName);
        return Saved::written;
    }
    return edit(actionName, [&](Config& config) { config.paused = paused; });
}

void Model::setFolderDepth(int folder, std::int64_t depth)
{
    if (folder < 0 || folder >= static_cast<int>(config_.folders.size())) return;
    d_->edit(changeSubfoldersAction, [&](Config& config) { config.folders[folder].depth = depth; });
}

void Model::setFolderPaused(int folder, bool paused)
{
    if (folder < 0 || folder >= static_cast<int>(config_.folders.size())) return;
    d_->edit(paused ? pauseFolderAction : resumeFolderAction,
             [&](Config& config) { config.folders[folder].paused = paused; });
}

}  // namespace olva::app
