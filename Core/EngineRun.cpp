// Running the first matching rule on a settled file, with the loop guard,
// the failure back-off, the seen sets and the log.
#include "Core/EngineImpl.h"
#include "Core/Perform.h"
#include "Core/platform/FileStatus.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

namespace olva {

namespace {

constexpr auto loopWindow = std::chrono::seconds(60);
constexpr std::size_t loopLimit = 6;
constexpr const char* loopMessage = "stopped: rules acted on this file more than 5 times in a minute";

}  // namespace

bool Engine::Impl::loopGuardStops(const std::string& key, Date now)
{
    auto& times = recent[key];
    std::erase_if(times, [&](Date time) { return now - time > loopWindow; });
    times.push_back(now);
    return times.size() >= loopLimit;
}

bool Engine::Impl::noteFailure(const std::string& key, const std::string& message, Date now)
{
    auto previous = failures.find(key);
    int count = previous == failures.end() ? 0 : previous->second.count;
    double delay = std::min(600.0 * std::pow(2.0, count), 86400.0);
    bool isNew = previous == failures.end() || previous->second.message != message;
    failures[key] = Failure{count + 1, now + std::chrono::duration_cast<Date::duration>(std::chrono::duration<double>(delay)),
                            message};
    return isNew;
}

Engine::Impl::RuleRun Engine::Impl::runRule(FileInfo& file, const Pending& pending, Date now)
{
    RuleRun result;
    for (std::size_t index = 0; index < pending.size(); ++index) {
        const auto& [rule, version] = pending[index];
        Outcome outcome = evaluate(rule->match, file, now, Detail::answerOnly);
        if (outcome.flipsAt && (!result.flipsAt || *outcome.flipsAt < *result.flipsAt))
            result.flipsAt = outcome.flipsAt;
        if (!outcome.pass) continue;

        // The facts were read as the folder was listed: a file gone or
        // replaced since is passed over, like one whose facts cannot be read.
        auto current = platform::fileStatus(file.url(), true);
        if (!current || current->inode != file.inode()) return result;
        // Only the rule that acts has its checks logged; working them out
        // again finds every fact already read.
        outcome = evaluate(rule->match, file, now);

        const std::string key = file.key();
        // Another process (an undo) may have marked the file since the pass
        // began: the rule, or one before it, may have handled it already.
        if (refreshSeen() && pendingRules(pending, key).size() <= index) return result;

        result.matched = true;
        Applied applied;
        if (loopGuardStops(key, now)) applied.error = loopMessage;
        else applied = perform(rule->actions, file, rule->dryRun, now);

        Entry entry;
        entry.at = this->now();
        entry.file = file.url().string();
        entry.rule = rule->name;
        entry.version = version;
        entry.dryRun = rule->dryRun;
        entry.checks = std::move(outcome.checks);
        entry.steps = std::move(applied.steps);
        entry.error = std::move(applied.error);

        if (entry.error && entry.steps.empty()) {
            // Nothing changed: try again after a growing delay, and log a
            // repeated failure only when its message changed.
            if (!noteFailure(key, version + " " + *entry.error, now)) return result;
        } else {
            failures.erase(key);
            seen[key].insert(version);
            seenChanged = true;
        }
        record(entry);
        if (entryCallback) entryCallback(entry);
        return result;
    }
    return result;
}

void Engine::Impl::record(const Entry& entry)
{
    try {
        store->append(entry);
    } catch (const std::exception& error) {
        unwritten.push_back(entry);
        setStoreProblem(error);
    }
}

bool Engine::Impl::flushUnwritten()
{
    if (!storeProblem) return true;
    try {
        saveSeen();
    } catch (const std::exception&) {
        return false;
    }
    seenChanged = false;
    while (!unwritten.empty()) {
        try {
            store->append(unwritten.front());
        } catch (const std::exception&) {
            return false;
        }
        unwritten.erase(unwritten.begin());
    }
    setStoreProblem(std::nullopt);
    return true;
}

// ---- The seen file

namespace {

std::optional<Engine::Impl::FileSignature> signatureOf(const std::filesystem::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return Engine::Impl::FileSignature{info.st_dev, info.st_ino, info.st_size,
                                       std::int64_t(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

}  // namespace

std::optional<Engine::Impl::FileSignature> Engine::Impl::seenSignature() const
{
    return signatureOf(store->dir() / "seen.json");
}

bool Engine::Impl::seenFileChanged() const { return seenSignature() != seenOnDisk; }

void Engine::Impl::mergeSeenFromDisk()
{
    auto signature = seenSignature();
    Seen disk;
    try {
        disk = store->loadSeen();
    } catch (const std::exception&) {
        return;
    }
    for (auto& [key, versions] : disk) seen[key].merge(versions);
    seenOnDisk = signature;
    ++seenEdits;
}

bool Engine::Impl::refreshSeen()
{
    if (!seenFileChanged()) return false;
    mergeSeenFromDisk();
    return true;
}

void Engine::Impl::saveSeen()
{
    // Marks written by another process (an undo) are kept, not overwritten.
    refreshSeen();
    store->saveSeen(seen);
    seenOnDisk = seenSignature();
}

void Engine::Impl::saveSeenOrReport()
{
    try {
        saveSeen();
        seenChanged = false;
    } catch (const std::exception& error) {
        setStoreProblem(error);
    }
}

}  // namespace olva
