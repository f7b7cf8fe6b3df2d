// The data directory both programs share: the rules file, the seen file, the
// activity log, the engine lock, and the signals that tell a running app
// about changes made elsewhere. One Store is opened per process and shared by
// reference; it may be used from several threads at once.
#pragma once

#include "Core/store/Journal.h"
#include "Core/store/Log.h"
#include "Core/model/Model.h"
#include "Core/store/SeenRecords.h"
#include "Core/platform/Descriptor.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace olva {

class Store {
public:
    // log.json is moved aside before an append once it is larger than this.
    static constexpr std::uint64_t maxLog = 10'000'000;

    static constexpr std::string_view rulesChanged = "tools.olva.app.rulesChanged";
    static constexpr std::string_view activityChanged = "tools.olva.app.activityChanged";

    // $OLVA_HOME ("~" and "~/" expanded), else $XDG_DATA_HOME/Olva, else
    // ~/.local/share/Olva. Always absolute.
    static std::filesystem::path defaultDir();

    // Creates the directory when missing; throws std::filesystem::filesystem_error.
    explicit Store(std::filesystem::path dir);
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    // The descriptor of engine.lock once lockEngine succeeded, else -1.
    int engineLock() const { return engineLock_.load(); }
    // The bytes of rules.json this Store last read or wrote; none once it
    // found the file missing, or before it looked.
    std::optional<std::string> knownRules() const;

    // An empty configuration when rules.json is missing, which is then
    // known as missing. Throws the read's std::system_error or DecodingError.
    Config loadConfig();
    // An existing rules.json that does not decode is first moved aside to
    // rules.unreadable-<seconds>.json, never over an existing file. The
    // bytes become known only once they are on disk: after a failed write
    // the file, and what is known of it, are as they were.
    void saveConfig(const Config& config);
    // Whether rules.json now holds other bytes than this Store last read or
    // wrote (a missing file counts as no bytes).
    bool rulesChangedOnDisk() const;
    // Whether rules.json holds bytes this Store neither read nor wrote, so
    // that a save now would write over another program's change. A missing
    // file holds nothing to lose.
    bool unreadRulesOnDisk() const;

    // seen.json with the marks of the journal beside it; empty when neither
    // exists. Throws ActionError when either cannot be read, or seen.json
    // cannot be decoded.
    Seen loadSeen() const;
    // The same marks handed to `add` one at a time, so that no second copy
    // of them is ever built; `journalEnd` tells where the journal read
    // ended.
    void readSeen(const MarkSink& add, LogPosition* journalEnd = nullptr) const;
    // Replaces seen.json; the journal is left as it is.
    void saveSeen(const Seen& seen) const;
    void saveSeen(const SeenRecords& seen) const;

    // The journal beside the seen file (Journal.h). Appends the records, all
    // or none, and returns where the journal ended before and after them, so
    // that a reader can tell whether somebody else appended in between.
    // Safe against appends and folds from other processes. Throws
    // std::system_error, or EncodingError before anything is written.
    std::pair<LogPosition, LogPosition> appendJournal(const std::vector<JournalRecord>& records) const;
    // What the journal holds after `after`, or all of it when it was
    // replaced or cut since; a missing journal is an empty one. With
    // `marks`, the marks go there instead of into the result.
    // Throws std::system_error when it cannot be read.
    JournalRead readJournal(LogPosition after, const MarkSink& marks = {}) const;
    // Where the journal ends now; position 0,0 when there is none.
    LogPosition journalEnd() const;
    // Folds the journal into the seen file: the marks it holds are added to
    // `seen`, seen.json is replaced by `seen`, and the journal by the records
    // of the runs it holds that have not ended. Returns where the new journal
    // ends. Throws what reading and writing throw.
    LogPosition foldJournal(SeenRecords& seen) const;

    // Takes the lock that lets one process at a time run the engine on this
    // directory, for the life of the process. Throws ActionError when another
    // process holds it, std::system_error for any other failure.
    void lockEngine();
    // Whether the lock taken is on the engine.lock now in the directory: not
    // once the directory or the file was removed or replaced, when another
    // process can take the lock there.
    bool holdsEngineLock() const;
    // Closes the engine lock and the journal kept open when the files they
    // are on were removed or replaced: they keep nobody out any more, and
    // while a file inside it is open, a removed data folder is not reported
    // gone to whoever watches the folder itself.
    void releaseGoneFiles();
    // Takes the lock again on the engine.lock now in the directory, unless
    // it is held there already. Throws as lockEngine does.
    void relockEngine();

    // Tells other programs of the user's session; never fails.
    static void announce(std::string_view name);

    // Adds one line to log.json, moving a full log aside to log.1.json first.
    // Safe against appends from other processes.
    void append(const Entry& entry) const;
    // The same for a line already encoded, with its line feed.
    void appendLine(std::string line) const;
    // Within a batch (a pass of the engine), the process that runs the
    // engine shares the log's lock from one line to the next: other writers
    // still add their lines at once, and nobody moves the log aside.
    void batchLog(bool on) const;
    // The lines added since `after`, or the whole log when it was rotated or
    // cut since. Never fails.
    LogRead entries(LogPosition after) const;
    // The whole log, log.1.json first.
    std::vector<Entry> entries() const;
    // The last `count` entries of the whole log that `keep` accepts (every
    // entry when it is empty), oldest first. The log is read from its end
    // backwards, so this costs what it returns, not what the log holds.
    std::vector<Entry> lastEntries(std::size_t count, const std::function<bool(const Entry&)>& keep = {}) const;
    // The newest entries of the whole log, oldest first: at least `count`
    // (all when it holds fewer), and then on backwards as long as `more`
    // accepts the oldest taken. Read from the end like lastEntries.
    std::vector<Entry> newestEntries(std::size_t count, const std::function<bool(const Entry&)>& more) const;
    // The entries of the whole log that are no undo entries and whose
    // identifier begins with `prefix`, in log order; only the lines that
    // begin with such an identifier are decoded.
    std::vector<Entry> entriesWithIdPrefix(std::string_view prefix) const;
    // The entries whose lines hold `id` (in upper or lower case): an entry
    // and the undo entries that refer to it, in log order, without decoding
    // the rest of the log.
    std::vector<Entry> entriesMentioning(std::string_view id) const;

private:
    std::filesystem::path path(const char* name) const { return dir_ / name; }
    LogPosition journalEndByName() const;
    // The entries of the whole log whose lines `mayMatch` lets through.
    std::vector<Entry> entriesWhereLine(const std::function<bool(std::string_view line)>& mayMatch) const;
    // The entries `keep` accepts, newest first from the end of the log back
    // until `enough` says so of those taken; returned oldest first.
    std::vector<Entry> readBackwards(const std::function<bool(const Entry&)>& keep,
                                     const std::function<bool(const std::vector<Entry>&)>& enough) const;

    std::filesystem::path dir_;
    std::atomic<int> engineLock_{-1};
    mutable std::mutex knownRulesMutex_;
    std::optional<std::string> knownRules_;
    // The bytes a save is writing: its own rename must not look like
    // another program's change to a watcher that compares in between.
    std::optional<std::string> writingRules_;
    // The journal, kept open by the process that runs the engine.
    mutable std::mutex journalMutex_;
    mutable platform::Descriptor journal_;
    mutable std::uint64_t journalReserved_ = 0;  // where the room set aside ahead of it ends
    // The log and its lock, kept open by the process that runs the engine,
    // the lock shared within a batch; `logEnd_` is where its last line ended.
    void releaseLogLockLocked() const;
    // Makes sure the lines written since the last look reached a file at
    // the log's name (see logUnchecked_).
    void checkUncheckedLines() const;
    mutable std::mutex logMutex_;
    mutable platform::Descriptor logLock_;
    mutable platform::Descriptor log_;
    mutable std::uint64_t logEnd_ = 0;
    mutable bool logBatch_ = false;
    mutable bool logLocked_ = false;
    // Whether `log_` was written since the lock was taken: it is still at
    // the log's name, and logEnd_ is where the file ends but for lines of
    // others.
    mutable bool logKnown_ = false;
    // Lines written since the log was last seen to be at its name: should
    // it turn out removed, they go again to the file now there. With
    // logRewrite_, that could not be done yet, and the next append does it.
    // Looked at again once they come to kUncheckedLimit, so that a fast
    // pass keeps a few hundred lines, not the megabytes of a whole hold.
    static constexpr std::size_t kUncheckedLimit = 256 * 1024;
    mutable std::string logUnchecked_;
    mutable bool logRewrite_ = false;
};

}  // namespace olva
