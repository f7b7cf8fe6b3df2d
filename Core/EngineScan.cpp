// One pass over one watched folder: list it, pass over what needs nothing,
// wait for new and changed files to settle, run the rules on settled files
// and come back when something will be due.
#include "Core/EngineImpl.h"
#include "Core/Listing.h"
#include "Core/Paths.h"
#include "Core/RuleVersion.h"
#include "Core/platform/Volume.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

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

std::optional<Date> statusChange(const Stamp& stamp)
{
    return dateFromSeconds(stamp.changed, stamp.changedNanos);
}

}  // namespace

void Engine::Impl::migrateSeenKey(const FileInfo& file)
{
    if (seen.contains(file.key())) return;
    auto legacy = seen.find(file.legacyKey());
    if (legacy == seen.end()) return;
    auto versions = std::move(legacy->second);
    seen.erase(legacy);
    // The old key stays in the files until the journal is folded, which
    // writes what is in memory.
    for (const auto& version : versions) markSeen(file.key(), version);
}

Engine::Impl::Pending Engine::Impl::pendingRules(Pending rules, const std::string& key) const
{
    auto handled = seen.find(key);
    if (handled == seen.end()) return rules;
    std::size_t count = 0;
    while (count < rules.size() && !handled->second.contains(rules[count].second)) ++count;
    return rules.first(count);
}

namespace {

// The inodes named by the keys of the seen and failure records. A file whose
// inode is not among them has no record, which is known without forming its
// key (a further system call). Built on first use in a pass, and used only
// while the records are few next to the files listed.
class RecordIndex {
public:
    RecordIndex(const Engine::Impl& engine, std::size_t listed) : engine_(engine), listed_(listed) {}

    bool mayHold(std::uint64_t inode)
    {
        if (!built_ || edits_ != engine_.seenEdits) build();
        return !usable_ || inodes_.contains(inode);
    }

    void add(std::uint64_t inode)
    {
        if (usable_) inodes_.insert(inode);
    }

private:
    void build()
    {
        built_ = true;
        edits_ = engine_.seenEdits;
        inodes_.clear();
        usable_ = engine_.seen.size() + engine_.failures.size() <= 4 * listed_;
        if (!usable_) return;
        auto note = [&](const std::string& key) {
            if (auto inode = FileInfo::inodeInKey(key)) inodes_.insert(*inode);
        };
        for (const auto& record : engine_.seen) note(record.first);
        for (const auto& record : engine_.failures) note(record.first);
    }

    const Engine::Impl& engine_;
    std::size_t listed_;
    bool built_ = false;
    bool usable_ = false;
    std::uint64_t edits_ = 0;
    std::unordered_set<std::uint64_t> inodes_;
};

}  // namespace

void Engine::Impl::scanFolder(const std::string& folderPath, bool keepLists)
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
    const std::string resolved = folderURL(current).string();
    // Changes on network and user-space file systems arrive late or in
    // bursts: files there get five times as long to settle.
    const bool local = platform::isLocalVolume(resolved) != false;
    const double settleFor = local ? settle : settle * 5.0;

    std::vector<std::pair<const Rule*, std::string>> rules;
    std::vector<std::string> versions;
    for (const auto& rule : current.rules) {
        if (!rule.enabled) continue;
        rules.emplace_back(&rule, ruleVersion(rule));
        versions.push_back(rules.back().second);
    }

    std::unordered_map<std::string, Quiet> previousQuiet;
    if (auto it = quiet.find(folderPath); it != quiet.end() && it->second.versions == versions)
        previousQuiet = std::move(it->second.files);
    const auto& lastTexts = extractedTexts[folderPath];

    std::unordered_map<std::string, Quiet> newQuiet;
    std::map<std::string, CachedText> passTexts;
    std::optional<Date> next;

    // Another process (an undo) may have marked files since the last pass.
    refreshSeen();
    const std::vector<ListedFile> listing = listFileStatuses(current);
    RecordIndex records(*this, listing.size());
    if (keepLists) newQuiet.reserve(listing.size());

    for (const auto& item : listing) {
        if (stopping) break;
        const std::string& path = item.path;
        const Stamp stamp = stampOf(item.status);

        if (auto q = previousQuiet.find(path); q != previousQuiet.end() && q->second.stamp == stamp && q->second.until > now) {
            newQuiet.insert(previousQuiet.extract(q));
            continue;
        }

        FileInfo info(path, item.status);
        if (!info.isDownloaded() || info.isPartialDownload()) continue;

        const bool recorded = records.mayHold(info.inode());
        if (recorded) migrateSeenKey(info);
        Pending pending = recorded ? pendingRules(rules, info.key()) : Pending(rules);
        if (pending.empty()) {
            if (keepLists) newQuiet.emplace(path, Quiet{stamp, now + seconds(quietFor)});
            continue;
        }

        if (recorded)
            if (auto failure = failures.find(info.key()); failure != failures.end() && failure->second.retry > now) {
                keepEarlier(next, failure->second.retry);
                continue;
            }

        // Without a settle interval a file is ready as soon as it is found.
        const bool copying = info.isBeingCopiedByFinder();
        Date readyAt = now + seconds(settleFor);
        if (settleFor > 0 && !copying) {
            Observation observation{info.size(), info.modified()};
            auto seenBefore = observed.find(path);
            if (seenBefore == observed.end() || !(seenBefore->second.observation == observation)) {
                // On a local disk the file has been unchanged since its last
                // status change, read after its facts so that no change to
                // what was just observed can predate it.
                Date since = now;
                if (local)
                    if (auto fresh = stampOf(path)) since = std::min(now, statusChange(*fresh).value_or(now));
                seenBefore = observed.insert_or_assign(path, Observed{observation, since}).first;
            }
            readyAt = seenBefore->second.since + seconds(settleFor);
        }
        if (readyAt > now || copying) {
            keepEarlier(next, readyAt);
            continue;
        }

        if (auto cached = lastTexts.find(path); cached != lastTexts.end() && cached->second.modified == info.modified())
            info.setExtractedText(cached->second.text);

        RuleRun run = runRule(info, pending, now);
        // Nothing more is done once a run could not be written: the rest
        // waits until writing works again.
        if (storeProblem) break;
        // A rule that acted may have given the file a record.
        if (run.matched) records.add(info.inode());
        if (run.flipsAt) keepEarlier(next, *run.flipsAt);
        if (keepLists && info.extractedText()) passTexts[path] = CachedText{info.modified(), *info.extractedText()};
        if (keepLists && !run.matched) {
            Date until = now + seconds(quietFor);
            if (run.flipsAt) until = std::min(until, *run.flipsAt);
            newQuiet.emplace(path, Quiet{stamp, until});
        }
    }

    extractedTexts[folderPath] = std::move(passTexts);
    quiet[folderPath] = QuietList{versions, std::move(newQuiet)};
    if (!observed.empty()) {
        std::vector<std::string_view> listed;
        listed.reserve(listing.size());
        for (const auto& item : listing) listed.push_back(item.path);
        std::sort(listed.begin(), listed.end());
        std::erase_if(observed, [&](const auto& item) {
            return isInside(item.first, resolved) && !std::binary_search(listed.begin(), listed.end(), item.first);
        });
    }
    saveSeenOrReport();
    if (next) {
        if (debugEnabled()) debugLog("next scan of " + resolved + " at " + printedDate(*next));
        schedule(folderPath, *next);
    }
}

}  // namespace olva
