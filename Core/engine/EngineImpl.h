// The engine's state and its internal operations. Everything here runs on
// the engine's executor.
#pragma once

#include "Core/engine/Engine.h"
#include "Core/facts/FileInfo.h"
#include "Core/actions/Perform.h"
#include "Core/engine/RecentRuns.h"
#include "Core/platform/CopyStop.h"
#include "Core/platform/Executor.h"
#include "Core/platform/Watcher.h"

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace olva {

struct Engine::Impl {
    struct Observed {
        Observation observation;
        Date since;
    };
    struct Scheduled {
        Date at;
        platform::Executor::TimerId task = 0;
        std::uint64_t generation = 0;
    };
    // An attribute change this engine made to a file: the file's status
    // change time right after it, and when it was noted.
    struct OwnChange {
        platform::Timestamp change;
        std::chrono::steady_clock::time_point noted;
    };
    struct FileIdentity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        bool operator==(const FileIdentity&) const = default;
    };
    struct FileIdentityHash {
        std::size_t operator()(const FileIdentity& id) const
        {
            return std::hash<std::uint64_t>{}(id.inode * 0x9E3779B97F4A7C15ull ^ id.device);
        }
    };
    // A folder's quiet files and observations are kept under a hash of the
    // file's path rather than the path itself, which would cost more than
    // the rest of the record: a false match would also need the stamp of
    // the file it was taken for, or its size and dates.
    using PathHash = std::uint64_t;
    static PathHash hashOf(std::string_view path) { return std::hash<std::string_view>{}(path); }
    struct QuietFile {
        PathHash path = 0;
        Quiet quiet;
        bool operator<(const QuietFile& other) const { return path < other.path; }
    };
    struct QuietList {
        std::vector<std::string> versions;
        std::vector<QuietFile> files;  // sorted by path hash
    };
    // Enough of the seen file's status to tell that somebody replaced it.
    struct FileSignature {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        std::int64_t modifiedNanos = 0;
        bool operator==(const FileSignature&) const = default;
    };
    struct RuleRun {
        bool matched = false;
        std::optional<Date> flipsAt;
    };
    // A log entry that could not be written yet, with the journal records
    // that follow it once it is in the log.
    struct Unwritten {
        Entry entry;
        std::vector<JournalRecord> then;
    };
    // A live run as the journal knows it: whether its begin record is written
    // yet, and the records of steps done that are not.
    struct LiveRun {
        Entry entry;
        std::string key;
        bool begun = false;
        std::vector<JournalRecord> unrecorded;
        // The entry encoded once, up to its steps (logLineHead), for its
        // begin record and its line in the log.
        std::string head;
        // Asked once the run's first change is announced: whether marks of
        // another process, which the journal then shows, say that the file
        // was handled meanwhile; the run then stops before that change.
        std::function<bool()> handledMeanwhile;
        bool handledElsewhere = false;
    };
    // A live run stopped before a change because that change could not be
    // announced (the data directory took no writes): it goes on from where
    // it stopped once writing works again, so that no file is left half done.
    struct HeldRun {
        LiveRun run;
        std::vector<Action> actions;
        FileInfo file;
        RunPoint point;
        Date when;  // the moment its patterns are rendered for
        bool first = false;  // its rule is the first enabled one of its folder
    };
    // The rules that may still act on a file: a leading run of a folder's
    // enabled rules with their versions.
    using Pending = std::span<const std::pair<const Rule*, std::string>>;

    Impl(std::shared_ptr<Store> store, double settle);
    ~Impl();

    std::weak_ptr<Engine> self;
    const std::shared_ptr<Store> store;
    const double settle;
    Config config;
    SeenRecords seen;
    bool seenChanged = false;
    // Per folder path as configured, the files still settling.
    std::map<std::string, std::unordered_map<PathHash, Observed>> observed;
    std::map<std::string, Failure> failures;
    // For the loop guard; older runs are dropped as new ones come and at the
    // end of each pass.
    RecentRuns recent;
    std::map<std::string, Scheduled> scheduled;
    std::unique_ptr<platform::Watcher> watcher;
    // Per folder path as configured, the path the watcher watches it under.
    std::map<std::string, std::string> watchedAs;
    // The engine's own attribute changes (tags) whose events are still to
    // come: those events are no reason to look at the folder again.
    std::unordered_map<FileIdentity, OwnChange, FileIdentityHash> ownChanges;
    // The same, in the order they were noted, so that those too old to be
    // reported back are let go from the front, not looked for among all.
    std::deque<std::pair<std::chrono::steady_clock::time_point, FileIdentity>> ownChangesNoted;
    bool activity = false;  // nothing to hold on Linux; kept so the rule stays visible
    std::optional<platform::Executor::TimerId> periodic;
    EntryCallback entryCallback;
    std::map<std::string, FolderStatus> statuses;
    StatusCallback statusCallback;
    std::optional<std::string> storeProblem;
    StoreProblemCallback storeProblemCallback;
    std::function<void()> passEndCallback;
    std::vector<Unwritten> unwritten;
    std::optional<HeldRun> heldRun;
    // Journal records that could not be written yet, in order, and marks
    // made in memory that the journal does not hold yet (`seenChanged`
    // tells whether there are any).
    std::vector<JournalRecord> unjournaled;
    std::vector<JournalRecord> unsavedMarks;
    // The ends and marks of runs whose entries are in the log: they go with
    // the next write to the journal, or at the end of the pass. A crash in
    // between loses nothing, since the log already holds the run.
    std::vector<JournalRecord> deferred;
    std::map<std::string, std::map<std::string, CachedText>> extractedTexts;
    std::map<std::string, QuietList> quiet;

    // The seen file as last read or written by this engine, and how far it
    // has taken in the journal beside it.
    std::optional<FileSignature> seenOnDisk;
    LogPosition journalAt;
    // Where the journal ended after this engine's last write to it: when
    // that is beyond journalAt, somebody else wrote in between.
    LogPosition journalWritten;
    // Runs that a crash cut short are logged once, before the first pass.
    bool recovered = false;
    // Retries writing while the data directory refuses it.
    std::optional<platform::Executor::TimerId> retry;
    // Counts the times keys came into `seen` other than by a pass's own rule
    // runs, so that a pass knows when its index of them is out of date.
    std::uint64_t seenEdits = 0;
    // The current time; tests move it.
    std::function<Date()> clock = [] { return currentDate(); };
    // Scans that went past their checks, and watcher batches handled.
    std::uint64_t scans = 0;
    // The scans per folder path as configured.
    std::map<std::string, std::uint64_t> scansOf;
    std::uint64_t generation = 0;
    // Set by stop() from another thread; a pass ends after the file in hand,
    // and a copy under way on the executor ends at once.
    std::atomic<bool> stopping = false;
    // The same until resume(), for a data folder that is away.
    std::atomic<bool> suspended = false;
    // Rescheduling of the periodic pass, and of writes while the data
    // directory refuses them; tests shorten them.
    std::chrono::nanoseconds periodicInterval = std::chrono::seconds(600);
    std::chrono::nanoseconds retryInterval = std::chrono::seconds(2);
    // The journal is not folded before it holds this many bytes.
    std::uint64_t smallestFold = 1024 * 1024;

    // Declared last, so it is built after and stopped before the rest.
    platform::Executor executor;

    Date now() const { return clock(); }
    // Whether a pass ends here: the engine is stopping or suspended, or the
    // process was asked to stop by a signal.
    bool halted() const { return stopping || suspended || platform::processStopSignal() != 0; }
    // With OLVA_TEST_HOLD=copying, every copy holds after its first chunk.
    static void holdCopiesForTest(const std::filesystem::path& dir);

    // Lifecycle and callbacks.
    void start();
    void reload();
    void resume();
    void scheduleAll();
    // Without keepLists, a pass keeps no quiet list or text cache.
    void scanNow(bool keepLists = true);
    void armPeriodic();
    void updateStatus(const Folder& folder);
    void setStoreProblem(std::optional<std::string> description);
    void setStoreProblem(const std::exception& error);
    void armRetry();
    // The last work of a stopping engine: nothing left to run, everything written.
    void finish();

    // Watching and scheduling.
    void restartWatcher();
    void handleEvents(const std::vector<std::string>& paths);
    void handleEvents(platform::Watcher::Batch batch);
    // Notes the attribute changes of the steps of its folder's first enabled
    // rule, so that their events do not bring the folder's files round
    // again: no rule would be left to evaluate. A file that another watched
    // folder may list is not noted.
    void noteOwnChanges(const std::vector<Step>& steps);
    // Watches again and scans the folders whose volume is one of the mount
    // points that appeared, went away or changed, or lies within their reach.
    void mountsChanged(const std::vector<std::string>& mountPoints);
    // Whether the folder's path now names another directory than the one
    // watched (a link on the way was replaced).
    bool watchedElsewhere(const Folder& folder) const;
    void schedule(const std::string& folderPath, Date at);
    void runScheduled(const std::string& folderPath, std::uint64_t generation);
    void updateActivity();

    // Scanning and settling.
    void scanFolder(const std::string& folderPath, bool keepLists = true);
    void migrateSeenKey(const FileInfo& file);
    Pending pendingRules(Pending rules, const std::string& key) const;

    // Running a rule.
    RuleRun runRule(FileInfo& file, const Pending& pending, Date now);
    bool noteFailure(const std::string& key, const std::string& message, Date now);
    // Counts a run for the loop guard; true when it is one too many.
    bool loopGuardStops(const std::string& key, Date now);
    void forgetOldRuns(Date now);
    // Carries out a live rule's actions from `from` on, announcing each change
    // in the journal before it is made.
    Performed carryOut(LiveRun& run, const std::vector<Action>& actions, FileInfo& file, Date now,
                       std::optional<RunPoint> from = std::nullopt);
    // What follows a run's actions: the failure back-off or the seen mark,
    // then the log.
    void finishRun(LiveRun& run, bool live, Date now);
    // Goes on with the held run; false while it cannot be carried on or its
    // entry cannot be logged.
    bool resumeHeldRun();
    // Logs the entry (the commit of its run), then journals `then`; what
    // cannot be written is held. Should the entry wait, `unrecorded` (steps
    // of the run the journal does not hold yet) is journaled with the run's
    // end of actions.
    void record(const Entry& entry, std::vector<JournalRecord> then = {}, std::vector<JournalRecord> unrecorded = {},
                std::string_view head = {});
    bool flushUnwritten();
    // Logs the runs that a crash cut short, once, in the process that holds
    // the engine lock.
    void recoverInterrupted();

    // The seen file and its journal.
    std::optional<FileSignature> seenSignature() const;
    bool seenFileChanged() const;
    void mergeSeenFromDisk();
    // Takes in marks another process wrote; true when there were any.
    bool refreshSeen();
    // The same for what the journal holds beyond journalAt, as far as the
    // writes of this engine tell (no look at the files otherwise).
    bool refreshJournal();
    // Takes in the journal from journalAt on.
    bool readJournalOnward();
    // A mark this engine made, for the next save.
    void markSeen(const std::string& key, const std::string& version);
    // Appends the deferred records and then `records` to the journal, which
    // takes them; throws what the write throws, `records` then handed back
    // as they were and the deferred ones held.
    void writeJournal(std::vector<JournalRecord>&& records);
    // The same, holding the records when writing fails (a store problem).
    void journalOrHold(std::vector<JournalRecord> records);
    void defer(std::vector<JournalRecord> records);
    void flushDeferred();
    // Journals the unsaved marks.
    void saveSeen();
    // saveSeen, when there are unsaved marks, and the deferred records,
    // reporting a failure as the store problem.
    void saveSeenOrReport();
    // Folds the journal into the seen file once it has grown past it.
    void foldJournalIfDue();

    // Explanation, undo and carry-over.
    std::vector<Explanation> explain(const std::filesystem::path& file);
    void revertEntry(const std::string& id, const std::vector<Entry>& entries);
    void undo(const std::string& id);
    std::map<std::string, std::string> undo(const std::vector<std::string>& ids, const std::vector<Entry>& entries);
    void carryOver(const std::string& from, const std::string& to);

    const Folder* folder(const std::string& path) const;
};

// Diagnostic lines on standard error, only when OLVA_DEBUG is set.
bool debugEnabled();
void debugLog(const std::string& message);
// The printed forms of lists and dates in the diagnostic lines.
std::string printedList(const std::vector<std::string>& items);
std::string printedDate(Date date);

// One user-facing sentence for an error.
std::string errorText(const std::exception& error);
std::string errorText(const std::exception_ptr& error);

}  // namespace olva
