// The rules engine: watches the configured folders, waits for files to
// settle, runs the first matching rule on each, keeps the bookkeeping that
// stops a rule from acting twice, and logs every run. It also explains how a
// folder's rules treat one file and undoes logged runs.
//
// An Engine is one serial object: its state lives on its own executor
// thread. Every public operation may be called from any thread; the caller
// waits for the result (a call made from one of the engine's own callbacks
// runs at once). The callbacks are called on the engine's thread.
#pragma once

#include "Core/base/Date.h"
#include "Core/model/Entry.h"
#include "Core/evaluate/Evaluator.h"
#include "Core/model/Model.h"
#include "Core/facts/Stamp.h"
#include "Core/store/Store.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace olva {

enum class FolderStatus { watching, missing, noAccess };

std::string_view rawValue(FolderStatus status);

// How one enabled rule of a folder treats one file.
struct Explanation {
    Rule rule;
    Outcome outcome;
    bool alreadyApplied = false;  // the rule's current version already handled the file
};

class Engine {
public:
    using EntryCallback = std::function<void(const Entry& entry)>;
    using StatusCallback = std::function<void(const std::map<std::string, FolderStatus>& statuses)>;
    using StoreProblemCallback = std::function<void(const std::optional<std::string>& problem)>;

    // The last size and modification date seen for a file.
    struct Observation {
        std::int64_t size = 0;
        std::optional<Date> modified;
        bool operator==(const Observation&) const = default;
    };
    // Back-off of a file whose rule failed before changing anything.
    struct Failure {
        int count = 0;
        Date retry;
        std::string message;  // the rule version, a space and the error
    };
    // A file known to need nothing until a time, while its stamp holds.
    struct Quiet {
        Stamp stamp;
        Date until;
    };
    // Text extracted from a document in the last pass.
    struct CachedText {
        std::optional<Date> modified;
        std::string text;
    };

    // Seconds a file that needs nothing stays quiet.
    static constexpr double quietFor = 600;

    // Loads the rules file and the seen file; their errors are thrown.
    // Nothing is started. `settle` is in seconds.
    static std::shared_ptr<Engine> create(std::shared_ptr<Store> store, double settle);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    const std::shared_ptr<Store>& store() const;
    double settle() const;
    Config config() const;
    std::map<std::string, FolderStatus> statuses() const;
    std::optional<std::string> storeProblem() const;

    // Called after each logged entry was handed to the store (also when
    // writing it failed).
    void onEntry(EntryCallback callback);
    // Called with every status when one of them changed.
    void onStatus(StatusCallback callback);
    // Called with the new message, or none when the problem is cleared.
    void onStoreProblem(StoreProblemCallback callback);
    // Called when a pass over a folder ends, so that what was said of its
    // entries can be sent on at once.
    void onPassEnd(std::function<void()> callback);

    // Watches the folders, rescans all of them every ten minutes and
    // schedules every folder now. Calling it again starts over.
    void start();
    // Reads the rules file again (its error is thrown and nothing changes),
    // then watches and schedules the new folders. A rules file that is not
    // there changes nothing either: the rules held go on.
    void reload();
    // Acts on nothing until resume(): no pass goes ahead, and one under way
    // ends after the file in hand. For a data folder that is gone, or whose
    // engine lock this process may no longer hold. Returns at once.
    void suspend();
    // Acts again after suspend(): reads the rules file again as reload()
    // does and schedules every folder. Throws what reading the rules throws;
    // the engine then acts again on the rules it held.
    void resume();
    // Schedules every folder now.
    void scanAll();
    // Scans every folder at once, without scheduling.
    void scanNow();
    // The same for an engine about to be dropped (`olva once`): nothing is
    // kept for passes to come.
    void scanLast();

    // Every enabled rule of the watched folder that holds the file, in order.
    std::vector<Explanation> explain(const std::filesystem::path& file);
    // Reverts what is left of one logged run and logs the undo.
    void undo(const std::string& id);
    // Reverts several runs; the failures by identifier.
    std::map<std::string, std::string> undo(const std::vector<std::string>& ids);
    std::map<std::string, std::string> undo(const std::vector<std::string>& ids, const std::vector<Entry>& entries);
    // Files that rule version `from` handled count as handled by `to` too.
    void carryOver(const std::string& from, const std::string& to);
    // Takes in the marks another process wrote to the seen file.
    void mergeSeenFromDisk();

    // Ends the engine's work for good, for a process that is about to exit:
    // the file in hand is finished (a script it runs is ended, and a copy
    // under way, of a run or an undo, is cut short and leaves nothing), the
    // rest of the pass is left, nothing more is watched or scheduled, and
    // held-back log entries and the seen file are written.
    void stop();

    // The engine's inside, for its own parts and their tests.
    struct Impl;
    Impl& impl() { return *impl_; }

private:
    explicit Engine(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Rescans every folder of the engine when the computer wakes from sleep, and
// the folders a volume's mount or unmount concerns, for as long as the
// tokens are kept.
using ObserverToken = std::shared_ptr<void>;
std::vector<ObserverToken> rescanOnWake(const std::shared_ptr<Engine>& engine);

}  // namespace olva
