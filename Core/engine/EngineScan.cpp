// One pass over one watched folder: list it, pass over what needs nothing,
// wait for new and changed files to settle, run the rules on settled files
// and come back when something will be due.
#include "Core/engine/EngineImpl.h"
#include "Core/facts/Listing.h"
#include "Core/base/Paths.h"
#include "Core/model/RuleVersion.h"
#include "Core/platform/LeftoverCopies.h"
#include "Core/platform/Memory.h"
#include "Core/platform/Volume.h"

#include <sys/stat.h>

#include <algorithm>
#include <string_view>
#include <utility>

namespace olva {

namespace {

// Files listed, or sixteenth of them acted on, that make a pass large.
constexpr std::size_t kLargePass = 4096;

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

bool isDirectory(const std::filesystem::path& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

void Engine::Impl::migrateSeenKey(const FileInfo& file)
{
    if (seen.contains(file.key()) || !seen.contains(file.legacyKey())) return;
    // The old key stays in the files until the journal is folded, which
    // writes what is in memory.
    for (const auto& version : seen.move(file.legacyKey(), file.key())) {
        unsavedMarks.push_back(JournalRecord::mark(file.key(), {version}));
        seenChanged = true;
    }
    ++seenEdits;
}

Engine::Impl::Pending Engine::Impl::pendingRules(Pending rules, const std::string& key) const
{
    if (!seen.contains(key)) return rules;
    std::size_t count = 0;
    while (count < rules.size() && !seen.contains(key, rules[count].second)) ++count;
    return rules.first(count);
}

namespace {

// The inodes named by the keys of the seen and failure records. A file whose
// inode is not among them has no record, which is known without forming its
// key (a further system call). Built on first use in a pass, and used only
// while the records are few next to the files listed. Every listed file is
// looked up, and every file a rule acts on is added: an open table of the
// numbers, not a table of nodes, which would cost an allocation and a few
// cache misses apiece.
class RecordIndex {
public:
    RecordIndex(const Engine::Impl& engine, std::size_t listed) : engine_(engine), listed_(listed) {}

    bool mayHold(std::uint64_t inode)
    {
        if (!built_ || edits_ != engine_.seenEdits) build();
        return !usable_ || contains(inode);
    }

    void add(std::uint64_t inode)
    {
        if (usable_) insert(inode);
    }

private:
    void build()
    {
        built_ = true;
        edits_ = engine_.seenEdits;
        slots_.assign(64, 0);
        used_ = 0;
        hasZero_ = false;
        usable_ = engine_.seen.size() + engine_.failures.size() <= 4 * listed_;
        if (!usable_) return;
        auto note = [&](std::string_view key) {
            if (auto inode = FileInfo::inodeInKey(key)) insert(*inode);
        };
        engine_.seen.forEach([&](std::string_view key, const auto&) { note(key); });
        for (const auto& record : engine_.failures) note(record.first);
    }

    // A slot holds an inode number, or 0 when it is free; inode 0 is kept
    // aside.
    std::size_t home(std::uint64_t inode) const
    {
        return std::size_t((inode * 0x9E3779B97F4A7C15ull) >> 32) & (slots_.size() - 1);
    }

    bool contains(std::uint64_t inode) const
    {
        if (inode == 0) return hasZero_;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = home(inode);; at = (at + 1) & mask) {
            if (slots_[at] == inode) return true;
            if (slots_[at] == 0) return false;
        }
    }

    void insert(std::uint64_t inode)
    {
        if (inode == 0) {
            hasZero_ = true;
            return;
        }
        // At most half full, so that searches stay short.
        if (2 * (used_ + 1) > slots_.size()) {
            std::vector<std::uint64_t> old = std::exchange(slots_, std::vector<std::uint64_t>(slots_.size() * 2, 0));
            for (std::uint64_t held : old)
                if (held != 0) place(held);
        }
        if (place(inode)) ++used_;
    }

    // Whether it was not there yet.
    bool place(std::uint64_t inode)
    {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = home(inode);; at = (at + 1) & mask) {
            if (slots_[at] == inode) return false;
            if (slots_[at] == 0) {
                slots_[at] = inode;
                return true;
            }
        }
    }

    const Engine::Impl& engine_;
    std::size_t listed_;
    bool built_ = false;
    bool usable_ = false;
    std::uint64_t edits_ = 0;
    std::vector<std::uint64_t> slots_;  // a power of two in size
    std::size_t used_ = 0;
    bool hasZero_ = false;
};

}  // namespace

void Engine::Impl::scanFolder(const std::string& folderPath, bool keepLists)
{
    // A copy: a callback may reload the configuration in the middle of a pass.
    const Folder* found = folder(folderPath);
    // Nothing acts while the data folder is gone, even before the owner
    // hears of it: no run could be logged, and another process may be
    // taking the engine lock in a new one.
    if (!found || halted() || !isDirectory(store->dir())) return;
    const Folder current = *found;

    updateStatus(current);
    if (config.paused || current.paused || statuses[folderPath] != FolderStatus::watching) return;
    if (!flushUnwritten()) return;
    // Runs a crash cut short are logged before anything else is done, also
    // when a folder comes round before the engine was started.
    recoverInterrupted();

    // The log's lock is shared from one entry to the next while the pass goes.
    struct LogBatch {
        const Store& store;
        explicit LogBatch(const Store& store) : store(store) { store.batchLog(true); }
        ~LogBatch() { store.batchLog(false); }
    } logBatch(*store);

    ++scans;
    ++scansOf[folderPath];
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

    std::vector<QuietFile> previousQuiet;
    if (auto it = quiet.find(folderPath); it != quiet.end() && it->second.versions == versions)
        previousQuiet = std::move(it->second.files);
    auto quietEntry = [&](PathHash hash, const Stamp& stamp) -> const Quiet* {
        auto at = std::lower_bound(previousQuiet.begin(), previousQuiet.end(), QuietFile{hash, {}});
        for (; at != previousQuiet.end() && at->path == hash; ++at)
            if (at->quiet.stamp == stamp) return &at->quiet;
        return nullptr;
    };
    const auto& lastTexts = extractedTexts[folderPath];
    auto& settling = observed[folderPath];

    std::vector<QuietFile> newQuiet;
    std::size_t acted = 0;
    std::map<std::string, CachedText> passTexts;
    std::optional<Date> next;

    // Another process (an undo) may have marked files since the last pass.
    refreshSeen();
    // The data directory may lie in a watched folder: its files are never acted on.
    std::vector<std::string> leftovers;
    const std::vector<ListedFile> listing = listFileStatuses(current, store->dir(), &leftovers);
    // What a copy into the folder (an undo's, say) left when its process
    // was killed goes; a copy still being made is locked, and stays.
    for (const auto& path : leftovers) platform::removeLeftoverCopy(path);
    RecordIndex records(*this, listing.size());
    if (keepLists) newQuiet.reserve(listing.size());

    for (const auto& item : listing) {
        if (halted()) break;
        const std::string& path = item.path;
        const PathHash hash = hashOf(path);
        const Stamp stamp = stampOf(item.status);

        if (auto q = quietEntry(hash, stamp); q && q->until > now) {
            newQuiet.push_back({hash, *q});
            continue;
        }

        FileInfo info(path, item.status);
        if (!info.isDownloaded() || info.isPartialDownload()) continue;

        const bool recorded = records.mayHold(info.inode());
        if (recorded) migrateSeenKey(info);
        Pending pending = recorded ? pendingRules(rules, info.key()) : Pending(rules);
        if (pending.empty()) {
            if (keepLists) newQuiet.push_back({hash, Quiet{stamp, now + seconds(quietFor)}});
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
            auto seenBefore = settling.find(hash);
            if (seenBefore == settling.end() || !(seenBefore->second.observation == observation)) {
                // On a local disk the file has been unchanged since its last
                // status change, read after its facts so that no change to
                // what was just observed can predate it.
                Date since = now;
                if (local)
                    if (auto fresh = stampOf(path)) since = std::min(now, statusChange(*fresh).value_or(now));
                seenBefore = settling.insert_or_assign(hash, Observed{observation, since}).first;
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
        // A pass that handles many files keeps the journal small as it goes.
        if (run.matched) foldJournalIfDue();
        if (run.matched) {
            // A rule that acted may have given the file a record; a change
            // to the file from now on starts a new observation.
            ++acted;
            records.add(info.inode());
            settling.erase(hash);
        }
        if (run.flipsAt) keepEarlier(next, *run.flipsAt);
        if (keepLists && info.extractedText()) passTexts[path] = CachedText{info.modified(), *info.extractedText()};
        if (keepLists && !run.matched) {
            Date until = now + seconds(quietFor);
            if (run.flipsAt) until = std::min(until, *run.flipsAt);
            newQuiet.push_back({hash, Quiet{stamp, until}});
        }
    }

    extractedTexts[folderPath] = std::move(passTexts);
    std::sort(newQuiet.begin(), newQuiet.end());
    newQuiet.shrink_to_fit();
    previousQuiet = {};
    quiet[folderPath] = QuietList{versions, std::move(newQuiet)};
    if (!settling.empty()) {
        std::vector<PathHash> listed;
        listed.reserve(listing.size());
        for (const auto& item : listing) listed.push_back(hashOf(item.path));
        std::sort(listed.begin(), listed.end());
        std::erase_if(settling, [&](const auto& item) {
            return !std::binary_search(listed.begin(), listed.end(), item.first);
        });
    }
    forgetOldRuns(now);
    saveSeenOrReport();
    if (passEndCallback) passEndCallback();
    // A large pass leaves much freed memory behind, which the engine, idle
    // until the next change, would otherwise keep.
    if (listing.size() >= kLargePass || acted >= kLargePass / 16) platform::releaseFreeMemory();
    if (next) {
        if (debugEnabled()) debugLog("next scan of " + resolved + " at " + printedDate(*next));
        schedule(folderPath, *next);
    }
}

}  // namespace olva
