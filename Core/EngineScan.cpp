// One pass over one watched folder: list it, pass over what needs nothing,
// wait for new and changed files to settle, run the rules on settled files
// and come back when something will be due.
#include "Core/EngineImpl.h"
#include "Core/Listing.h"
#include "Core/Paths.h"
#include "Core/RuleVersion.h"
#include "Core/platform/Volume.h"

#include <algorithm>
#include <set>
#include <system_error>

namespace olva {

namespace {

Date::duration seconds(double value)
{
    return std::chrono::duration_cast<Date::duration>(std::chrono::duration<double>(value));
}

void keepEarlier(std::optional<Date>& next, Date candidate)
{
    if (!next || candidate < *next) next = candidate;
}

Date statusChange(const Stamp& stamp)
{
    return Date(std::chrono::duration_cast<Date::duration>(std::chrono::seconds(stamp.changed) +
                                                           std::chrono::nanoseconds(stamp.changedNanos)));
}

}  // namespace

double Engine::Impl::settleInterval(const Folder& folder) const
{
    auto local = platform::isLocalVolume(folderURL(folder).string());
    return local == false ? settle * 5.0 : settle;
}

void Engine::Impl::migrateSeenKey(const FileInfo& file)
{
    if (seen.contains(file.key())) return;
    auto legacy = seen.find(file.legacyKey());
    if (legacy == seen.end()) return;
    auto versions = std::move(legacy->second);
    seen.erase(legacy);
    seen[file.key()] = std::move(versions);
    seenChanged = true;
}

Engine::Impl::Pending Engine::Impl::pendingRules(const std::vector<std::pair<const Rule*, std::string>>& rules,
                                                 const std::string& key) const
{
    Pending pending;
    auto handled = seen.find(key);
    for (const auto& rule : rules) {
        if (handled != seen.end() && handled->second.contains(rule.second)) break;
        pending.push_back(rule);
    }
    return pending;
}

void Engine::Impl::scanFolder(const std::string& folderPath)
{
    // A copy: a callback may reload the configuration in the middle of a pass.
    const Folder* found = folder(folderPath);
    if (!found || stopping) return;
    const Folder current = *found;

    updateStatus(current);
    if (config.paused || current.paused || statuses[folderPath] != FolderStatus::watching) return;
    if (!flushUnwritten()) return;

    ++scans;
    if (debugEnabled()) debugLog("scan " + folderPath);
    const Date now = this->now();
    const double settleFor = settleInterval(current);
    const bool local = platform::isLocalVolume(folderURL(current).string()) != false;

    std::vector<std::pair<const Rule*, std::string>> rules;
    std::vector<std::string> versions;
    for (const auto& rule : current.rules) {
        if (!rule.enabled) continue;
        rules.emplace_back(&rule, ruleVersion(rule));
        versions.push_back(rules.back().second);
    }

    std::map<std::string, Quiet> previousQuiet;
    if (auto it = quiet.find(folderPath); it != quiet.end() && it->second.versions == versions)
        previousQuiet = std::move(it->second.files);
    const auto& lastTexts = extractedTexts[folderPath];

    std::map<std::string, Quiet> newQuiet;
    std::map<std::string, CachedText> passTexts;
    std::set<std::string> listed;
    std::optional<Date> next;

    for (const auto& url : listFiles(current)) {
        if (stopping) break;
        const std::string path = url.string();
        listed.insert(path);
        const std::optional<Stamp> stamp = stampOf(url);

        if (auto q = previousQuiet.find(path);
            stamp && q != previousQuiet.end() && q->second.stamp == *stamp && q->second.until > now) {
            newQuiet.emplace(path, q->second);
            continue;
        }

        // Only regular files and packages are ever read; the item may have
        // been replaced since it was listed.
        std::error_code error;
        auto type = std::filesystem::symlink_status(url, error).type();
        if (type != std::filesystem::file_type::regular && type != std::filesystem::file_type::directory) continue;

        std::optional<FileInfo> info;
        try {
            info.emplace(url);
        } catch (const std::exception&) {
            continue;
        }
        if (!info->isDownloaded() || info->isPartialDownload()) continue;

        migrateSeenKey(*info);
        // Another process (an undo) may have marked this file since.
        refreshSeen();
        Pending pending = pendingRules(rules, info->key());
        if (pending.empty()) {
            if (stamp) newQuiet.emplace(path, Quiet{*stamp, now + seconds(quietFor)});
            continue;
        }

        if (auto failure = failures.find(info->key()); failure != failures.end() && failure->second.retry > now) {
            keepEarlier(next, failure->second.retry);
            continue;
        }

        Observation observation{info->size(), info->modified()};
        auto seenBefore = observed.find(path);
        if (seenBefore == observed.end() || !(seenBefore->second.observation == observation)) {
            // On a local disk the file has been unchanged since its last
            // status change, read after its facts so that no change to what
            // was just observed can predate it.
            Date since = now;
            if (local)
                if (auto fresh = stampOf(url)) since = std::min(now, statusChange(*fresh));
            observed[path] = Observed{observation, since};
        }
        const bool copying = info->isBeingCopiedByFinder();
        const Date readyAt = copying ? now + seconds(settleFor) : observed[path].since + seconds(settleFor);
        if (readyAt > now || copying) {
            keepEarlier(next, readyAt);
            continue;
        }

        if (auto cached = lastTexts.find(path); cached != lastTexts.end() && cached->second.modified == info->modified())
            info->setExtractedText(cached->second.text);

        RuleRun run = runRule(*info, pending, now);
        if (run.flipsAt) keepEarlier(next, *run.flipsAt);
        if (info->extractedText()) passTexts[path] = CachedText{info->modified(), *info->extractedText()};
        if (!run.matched && stamp) {
            Date until = now + seconds(quietFor);
            if (run.flipsAt) until = std::min(until, *run.flipsAt);
            newQuiet.emplace(path, Quiet{*stamp, until});
        }
    }

    extractedTexts[folderPath] = std::move(passTexts);
    quiet[folderPath] = QuietList{versions, std::move(newQuiet)};
    std::string resolved = folderURL(current).string();
    std::string prefix = resolved.ends_with('/') ? resolved : resolved + "/";
    std::erase_if(observed, [&](const auto& item) {
        return item.first.starts_with(prefix) && !listed.contains(item.first);
    });
    if (seenChanged) saveSeenOrReport();
    if (next) {
        if (debugEnabled()) debugLog("next scan of " + resolved + " at " + printedDate(*next));
        schedule(folderPath, *next);
    }
}

}  // namespace olva
