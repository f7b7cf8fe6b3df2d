// What the engine answers about its bookkeeping: how a folder's rules treat
// one file, undo of logged runs, and carrying marks over to a new version.
#include "Core/base/ActionError.h"
#include "Core/engine/EngineImpl.h"
#include "Core/store/Log.h"
#include "Core/base/Paths.h"
#include "Core/actions/Revert.h"
#include "Core/model/RuleVersion.h"

#include <algorithm>
#include <cctype>

namespace olva {

std::vector<Explanation> Engine::Impl::explain(const std::filesystem::path& url)
{
    FileInfo file(url);
    if (!file.isDownloaded())
        throw ActionError(url.filename().string() + " isn’t downloaded from iCloud, so Olva leaves it alone until it is");
    const std::string path = realPath(url.string());

    const Folder* holder = nullptr;
    for (const auto& candidate : config.folders) {
        if (isInside(path, folderURL(candidate).string())) {
            holder = &candidate;
            break;
        }
    }
    if (!holder) throw ActionError(path + " is not in a watched folder");

    std::set<std::string> handled = seen.versionsOf(seen.contains(file.key()) ? file.key() : file.legacyKey());

    const Date now = this->now();
    std::vector<Explanation> explanations;
    for (const auto& rule : holder->rules) {
        if (!rule.enabled) continue;
        Outcome outcome = evaluate(rule.match, file, now);
        explanations.push_back(Explanation{rule, std::move(outcome), handled.contains(ruleVersion(rule))});
    }
    return explanations;
}

void Engine::Impl::revertEntry(const std::string& id, const std::vector<Entry>& entries)
{
    std::string wanted = id;
    std::transform(wanted.begin(), wanted.end(), wanted.begin(), [](unsigned char c) { return std::toupper(c); });
    auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& entry) { return entry.id == wanted; });
    if (found == entries.end()) throw ActionError("no log entry " + wanted);
    const Entry& entry = *found;
    if (entry.dryRun) throw ActionError("dry-run entries changed nothing");
    if (entry.steps.empty()) throw ActionError("the rule changed nothing, so there's nothing to revert");
    std::vector<Step> left = stepsLeftToRevert(entries, entry);
    if (left.empty()) throw ActionError("already undone");

    auto [reverted, failure] = revert(left);
    if (reverted.empty()) {
        if (failure) throw ActionError(*failure);
        return;
    }
    // A file put back must not be handled again by the same rule version.
    for (const auto& step : reverted) {
        if (step.kind != Step::Kind::move && step.kind != Step::Kind::trash) continue;
        try {
            markSeen(FileInfo::keyFor(step.from), entry.version);
        } catch (const std::exception&) {
        }
    }
    Entry undo;
    undo.at = now();
    undo.file = entry.file;
    undo.rule = entry.rule;
    undo.version = entry.version;
    undo.steps = reverted;
    undo.error = failure;
    undo.undoOf = entry.id;
    store->append(undo);
    if (failure) throw ActionError(*failure);
}

void Engine::Impl::undo(const std::string& id)
{
    std::exception_ptr error;
    try {
        // The entry and the undo entries that refer to it are all it needs.
        revertEntry(id, store->entriesMentioning(id));
    } catch (...) {
        error = std::current_exception();
    }
    if (seenChanged) saveSeenOrReport();
    if (error) std::rethrow_exception(error);
}

std::map<std::string, std::string> Engine::Impl::undo(const std::vector<std::string>& ids,
                                                      const std::vector<Entry>& entries)
{
    std::map<std::string, std::string> failed;
    for (const auto& id : ids) {
        try {
            revertEntry(id, entries);
        } catch (const std::exception& error) {
            failed[id] = errorText(error);
        }
    }
    if (seenChanged) saveSeenOrReport();
    return failed;
}

void Engine::Impl::carryOver(const std::string& from, const std::string& to)
{
    if (from == to) return;
    for (const auto& key : seen.keysWith(from)) markSeen(key, to);
    if (seenChanged) saveSeenOrReport();
}

}  // namespace olva
