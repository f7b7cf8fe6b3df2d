#include "Core/tools/RuleTools.h"

#include "Core/base/ActionError.h"
#include "Core/engine/Engine.h"
#include "Core/model/PathJson.h"
#include "Core/base/Paths.h"
#include "Core/tools/Preview.h"
#include "Core/model/RuleVersion.h"
#include "Core/store/RulesLock.h"
#include "Core/store/Store.h"
#include "Core/base/UTF8.h"

#include <algorithm>

namespace olva {

using nlohmann::ordered_json;

namespace {

constexpr int kPreviewLimit = 300;

// A folder's location as a directory path: "~" expanded, links resolved, no
// trailing slash.
std::string normalisedFolder(const std::string& path)
{
    std::string resolved = realPath(expand(path));
    while (resolved.size() > 1 && resolved.back() == '/') resolved.pop_back();
    return resolved;
}

// The watched folder that `path` names.
Folder& folderIn(Config& config, const std::string& path)
{
    return config.folders[RuleTools::folderIndex(path, config.folders)];
}

bool hasShell(const Rule& rule)
{
    return std::any_of(rule.actions.begin(), rule.actions.end(),
                       [](const Action& action) { return action.kind == Action::Kind::shell; });
}

}  // namespace

std::size_t RuleTools::folderIndex(const std::string& path, const std::vector<Folder>& folders)
{
    std::string wanted = normalisedFolder(path);
    for (std::size_t i = 0; i < folders.size(); ++i)
        if (normalisedFolder(folders[i].path) == wanted) return i;
    throw ActionError(path + " isn't a watched folder, add it in Olva first");
}

Rule RuleTools::checkedRule(Rule rule)
{
    validate(rule);
    if (hasShell(rule)) throw ActionError("shell scripts can only be added in Olva itself");
    rule.dryRun = true;
    return rule;
}

std::vector<RuleTools::FolderSummary> RuleTools::listFolders() const
{
    std::vector<FolderSummary> summaries;
    for (const Folder& folder : store_->loadConfig().folders)
        summaries.push_back({folder.path, folder.depth, folder.paused, static_cast<std::int64_t>(folder.rules.size())});
    return summaries;
}

std::vector<RuleTools::IndexedRule> RuleTools::listRules(const std::string& folder) const
{
    Config config = store_->loadConfig();
    const Folder& found = folderIn(config, folder);
    std::vector<IndexedRule> rules;
    for (std::size_t i = 0; i < found.rules.size(); ++i) rules.push_back({static_cast<std::int64_t>(i), found.rules[i]});
    return rules;
}

std::vector<RuleTools::PreviewResult> RuleTools::preview(const Rule& rule, const std::string& folder) const
{
    // Scripts are allowed here: the preview only describes them.
    validate(rule);
    Config config = store_->loadConfig();
    const Folder& found = folderIn(config, folder);
    std::vector<PreviewResult> results;
    for (const PreviewRow& row : olva::preview(rule, found, kPreviewLimit).rows) {
        PreviewResult result;
        result.file = row.path;
        result.matches = row.outcome.pass;
        result.wouldDo = row.steps;
        if (!row.outcome.checks.empty()) result.decidedBy = row.outcome.checks.back();
        result.error = row.error;
        results.push_back(std::move(result));
    }
    return results;
}

std::int64_t RuleTools::create(const Rule& rule, const std::string& folder) const
{
    Rule prepared = checkedRule(rule);
    // Another writer must not slip a save in between this load and save.
    RulesLock lock(store_->dir());
    Config config = store_->loadConfig();
    Folder& found = folderIn(config, folder);
    found.rules.push_back(std::move(prepared));
    std::int64_t index = static_cast<std::int64_t>(found.rules.size()) - 1;
    store_->saveConfig(config);
    return index;
}

void RuleTools::update(const Rule& rule, const std::string& folder, std::int64_t index,
                       const std::string& expectedName) const
{
    Rule prepared = checkedRule(rule);
    RulesLock lock(store_->dir());
    Config config = store_->loadConfig();
    Folder& found = folderIn(config, folder);
    if (index < 0 || index >= static_cast<std::int64_t>(found.rules.size()))
        throw ActionError("no rule at index " + std::to_string(index));
    Rule& current = found.rules[static_cast<std::size_t>(index)];
    if (current.name != expectedName)
        throw ActionError("the rule at index " + std::to_string(index) + " is now \"" + current.name
                          + "\", list the rules again");
    if (hasShell(current)) throw ActionError("this rule runs a shell script, so it can only be changed in Olva itself");
    current = std::move(prepared);
    store_->saveConfig(config);
}

std::vector<RuleTools::RuleExplanation> RuleTools::explain(const std::string& file) const
{
    std::string path = realPath(expand(file));
    std::shared_ptr<Engine> engine = Engine::create(store_, 2.0);
    std::vector<RuleExplanation> explanations;
    for (const Explanation& explanation : engine->explain(path))
        explanations.push_back({explanation.rule.name, explanation.outcome.pass, explanation.alreadyApplied,
                                explanation.outcome.checks, explanation.rule.dryRun});
    return explanations;
}

std::vector<Entry> RuleTools::activity(std::int64_t limit, const std::optional<std::string>& folder) const
{
    std::optional<std::string> path;
    if (folder) {
        Config config = store_->loadConfig();
        path = normalisedFolder(folderIn(config, *folder).path);
    }
    if (limit <= 0) return {};
    return store_->lastEntries(static_cast<std::size_t>(limit),
                               [&](const Entry& entry) { return !path || isInside(entry.file, *path); });
}

RuleTools::Reverted RuleTools::revert(const std::string& id) const
{
    std::vector<Entry> matching = store_->entriesWithIdPrefix(uppercased(id));
    if (matching.size() != 1) throw ActionError(std::to_string(matching.size()) + " activity entries match " + id);
    const Entry& entry = matching.front();
    if (entry.steps.empty()) throw ActionError("the rule changed nothing, so there's nothing to revert");
    Engine::create(store_, 2.0)->undo(entry.id);
    bool scripts = std::any_of(entry.steps.begin(), entry.steps.end(),
                               [](const Step& step) { return step.kind == Step::Kind::shell; });
    return {entry.file, entry.rule, scripts};
}

ordered_json toJson(const RuleTools::FolderSummary& summary)
{
    return ordered_json{{"path", summary.path}, {"depth", summary.depth}, {"paused", summary.paused},
                        {"rules", summary.rules}};
}

ordered_json toJson(const RuleTools::IndexedRule& indexed)
{
    return ordered_json{{"index", indexed.index}, {"rule", ordered_json(toJson(indexed.rule))}};
}

ordered_json toJson(const RuleTools::PreviewResult& result)
{
    ordered_json json = ordered_json::object();
    putPath(json, "file", result.file);
    json["matches"] = result.matches;
    json["wouldDo"] = toJson(result.wouldDo);
    if (result.decidedBy) json["decidedBy"] = toJson(*result.decidedBy);
    if (result.error) json["error"] = jsonText(*result.error);
    return json;
}

ordered_json toJson(const RuleTools::RuleExplanation& explanation)
{
    return ordered_json{{"rule", explanation.rule}, {"matches", explanation.matches},
                        {"alreadyApplied", explanation.alreadyApplied}, {"checks", toJson(explanation.checks)}};
}

ordered_json toJson(const RuleTools::Reverted& reverted)
{
    ordered_json json = ordered_json::object();
    putPath(json, "file", reverted.file);
    json["rule"] = jsonText(reverted.rule);
    json["scriptsNotReverted"] = reverted.scriptsNotReverted;
    return json;
}

}  // namespace olva
