// Running the first matching rule on a settled file, with the loop guard,
// the failure back-off, the seen sets and the log.
#include "Core/base/ActionError.h"
#include "Core/engine/EngineImpl.h"
#include "Core/engine/InterruptedStep.h"
#include "Core/actions/Perform.h"
#include "Core/platform/AtomicFile.h"
#include "Core/platform/CopyStop.h"
#include "Core/platform/FileTransfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string_view>

namespace olva {

namespace {

constexpr auto loopWindow = std::chrono::seconds(60);
constexpr std::size_t loopLimit = 6;
constexpr const char* loopMessage = "stopped: rules acted on this file more than 5 times in a minute";
constexpr const char* interruptedMessage = "interrupted: Olva stopped before the rule’s actions finished";

}  // namespace

void Engine::Impl::forgetOldRuns(Date now) { recent.forget(now, loopWindow); }

bool Engine::Impl::loopGuardStops(const std::string& key, Date now)
{
    return recent.add(std::hash<std::string>{}(key), now, loopWindow) >= loopLimit;
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
        if (!file.stillListed()) return result;
        // Only the rule that acts has its checks logged; working them out
        // again finds every fact already read.
        outcome = evaluate(rule->match, file, now);

        const std::string key = file.key();
        // Another process (an undo) may have marked the file since the pass
        // began: the rule, or one before it, may have handled it already.
        // The process that runs the engine learns of that from the journal
        // as it announces the run's first change (below).
        auto handledMeanwhile = [&] { return pendingRules(pending, key).size() <= index; };
        if (store->engineLock() < 0 && refreshSeen() && handledMeanwhile()) return result;

        result.matched = true;
        LiveRun run;
        Entry& entry = run.entry;
        run.key = key;
        entry.at = this->now();
        entry.file = file.url().string();
        entry.rule = rule->name;
        entry.version = version;
        entry.dryRun = rule->dryRun;
        entry.checks = std::move(outcome.checks);

        if (loopGuardStops(key, now)) {
            entry.error = loopMessage;
        } else if (rule->dryRun) {
            Applied applied = perform(rule->actions, file, true, now);
            entry.steps = std::move(applied.steps);
            entry.error = std::move(applied.error);
        } else {
            // Each change is announced in the journal before it is made, and
            // the run is in the log once it ends, so that a crash in
            // between leaves what is needed to log it on the next start, and
            // nothing runs twice. What cannot be announced is not done: the
            // pass stops here and the run waits for writing to work.
            run.handledMeanwhile = handledMeanwhile;
            Performed performed = carryOut(run, rule->actions, file, now);
            // A change to a handled file is evaluated against the rules
            // before its handling rule: only where there are none can the
            // event of the rule's own change bring nothing.
            if (index == 0) noteOwnChanges(performed.applied.steps);
            entry.steps = std::move(performed.applied.steps);
            entry.error = std::move(performed.applied.error);
            if (performed.held) {
                if (run.handledElsewhere) {
                    defer({JournalRecord::end(entry.id)});
                    result.matched = false;
                    return result;
                }
                setStoreProblem(errorText(performed.reason));
                if (entry.steps.empty()) {
                    // Nothing was done: the file waits, like any other.
                    if (run.begun) defer({JournalRecord::end(entry.id)});
                    result.matched = false;
                    return result;
                }
                heldRun = HeldRun{std::move(run), rule->actions, file, std::move(*performed.held), now, index == 0};
                return result;
            }
        }
        finishRun(run, !rule->dryRun, now);
        return result;
    }
    return result;
}

namespace {

// Tests stop a real process at a given moment of a live run with
// OLVA_TEST_HOLD set to "announced:<kind>" (a change of that kind was
// announced, and not yet made), "done:<kind>" (it was made, and not yet
// recorded) or "copying" (a copy, or a move to another file system, of a
// run or of an undo has written its first chunk): the engine then creates
// "test-held" in the data directory and waits there to be killed, or, while
// copying, until the copy is asked to stop, which then ends it.
const std::string& testHold()
{
    static const std::string wanted = [] {
        const char* value = std::getenv("OLVA_TEST_HOLD");
        return std::string(value ? value : "");
    }();
    return wanted;
}

[[noreturn]] void holdHere(const std::filesystem::path& dir)
{
    platform::writeFileAtomically(dir / "test-held", "");
    for (;;) ::pause();
}

void holdForTest(std::string_view moment, Step::Kind kind, const std::filesystem::path& dir)
{
    const std::string& wanted = testHold();
    if (wanted.empty() || wanted != std::string(moment) + ":" + std::string(rawValue(kind))) return;
    holdHere(dir);
}

// With OLVA_TEST_HOLD set to "logged", the engine stops after each entry it
// logged and handed on, in the middle of its pass: it makes the named pipe
// "test-hold" and then "test-held", holding the number of this hold (1, 2
// and so on), in the data directory, and goes on, both removed, once a test
// has opened the pipe for writing and closed it.
void holdAfterEntryForTest(const std::filesystem::path& dir)
{
    if (testHold() != "logged") return;
    static int holds = 0;
    const auto pipe = dir / "test-hold", held = dir / "test-held";
    ::unlink(pipe.c_str());
    if (::mkfifo(pipe.c_str(), 0600) != 0) return;
    platform::writeFileAtomically(held, std::to_string(++holds));
    int fd;
    while ((fd = ::open(pipe.c_str(), O_RDONLY | O_CLOEXEC)) < 0 && errno == EINTR) {}
    if (fd >= 0) {
        for (char byte;;) {
            ssize_t count = ::read(fd, &byte, 1);
            if (count == 0 || (count < 0 && errno != EINTR)) break;
        }
        ::close(fd);
    }
    ::unlink(held.c_str());
    ::unlink(pipe.c_str());
}

}  // namespace

void Engine::Impl::holdCopiesForTest(const std::filesystem::path& dir)
{
    if (testHold() != "copying") return;
    static std::once_flag installed;
    std::call_once(installed, [&] {
        platform::setCopyChunkHook([dir](const auto&, const auto&) {
            platform::writeFileAtomically(dir / "test-held", "");
            platform::waitForCopyStop();
        });
    });
}

Performed Engine::Impl::carryOut(LiveRun& run, const std::vector<Action>& actions, FileInfo& file, Date now,
                                 std::optional<RunPoint> from)
{
    StepHooks hooks;
    // The announcement goes with the records before it in one write: the
    // run's begin, or the record of the step before.
    hooks.announce = [&](const Step& intended) {
        std::vector<JournalRecord> records;
        records.reserve(run.unrecorded.size() + 2);
        if (!run.begun) {
            if (run.head.empty()) run.head = logLineHead(run.entry);
            records.push_back(JournalRecord::begin(run.entry, run.key, entryTextOfHead(run.head)));
        }
        records.insert(records.end(), std::make_move_iterator(run.unrecorded.begin()),
                       std::make_move_iterator(run.unrecorded.end()));
        records.push_back(JournalRecord::intent(run.entry.id, intended));
        const bool first = !run.begun;
        try {
            writeJournal(std::move(records));
        } catch (...) {
            // The records of the steps done stay for the next attempt.
            run.unrecorded.clear();
            for (auto& record : records)
                if (record.kind == JournalRecord::Kind::step) run.unrecorded.push_back(std::move(record));
            throw;
        }
        run.begun = true;
        run.unrecorded.clear();
        if (first && run.handledMeanwhile && refreshJournal() && run.handledMeanwhile()) {
            run.handledElsewhere = true;
            throw ActionError("handled by another process");
        }
        holdForTest("announced", intended.kind, store->dir());
    };
    // The record of a step goes with the next announcement, or the run's
    // entry in the log holds it.
    hooks.done = [&](const Step& step) {
        run.unrecorded.push_back(JournalRecord::stepDone(run.entry.id, step));
        holdForTest("done", step.kind, store->dir());
    };
    return performLive(actions, file, now, hooks, std::move(from));
}

void Engine::Impl::finishRun(LiveRun& run, bool live, Date now)
{
    Entry& entry = run.entry;
    std::vector<JournalRecord> then;
    if (live && run.begun) then.push_back(JournalRecord::end(entry.id));
    if (entry.error && entry.steps.empty()) {
        // Nothing changed: try again after a growing delay, and log a
        // repeated failure only when its message changed.
        if (!noteFailure(run.key, entry.version + " " + *entry.error, now)) {
            defer(std::move(then));
            return;
        }
    } else {
        failures.erase(run.key);
        // Written with the entry, so that one crash cannot keep one
        // without the other.
        seen.add(run.key, entry.version);
        then.push_back(JournalRecord::mark(run.key, {entry.version}));
    }
    record(entry, std::move(then), run.begun ? std::move(run.unrecorded) : std::vector<JournalRecord>{}, run.head);
    if (entryCallback) entryCallback(entry);
    holdAfterEntryForTest(store->dir());
}

bool Engine::Impl::resumeHeldRun()
{
    HeldRun& held = *heldRun;
    Performed performed = carryOut(held.run, held.actions, held.file, held.when, held.point);
    if (held.first) noteOwnChanges(performed.applied.steps);
    auto& steps = held.run.entry.steps;
    steps.insert(steps.end(), std::make_move_iterator(performed.applied.steps.begin()),
                 std::make_move_iterator(performed.applied.steps.end()));
    held.run.entry.error = std::move(performed.applied.error);
    if (performed.held) {
        held.point = std::move(*performed.held);
        return false;
    }
    LiveRun run = std::move(held.run);
    Date when = held.when;
    heldRun.reset();
    finishRun(run, true, when);
    return unwritten.empty();
}

void Engine::Impl::record(const Entry& entry, std::vector<JournalRecord> then, std::vector<JournalRecord> unrecorded,
                          std::string_view head)
{
    try {
        if (head.empty()) store->append(entry);
        else store->appendLine(logLineWith(head, entry.steps, entry.error));
    } catch (const std::exception& error) {
        setStoreProblem(error);
        // A journaled run whose entry waits: should the process end before
        // it is written, the next start logs it as it ended, not as cut short.
        bool journaled = std::any_of(then.begin(), then.end(), [&](const JournalRecord& record) {
            return record.kind == JournalRecord::Kind::end && record.run == entry.id;
        });
        if (journaled) {
            unrecorded.push_back(JournalRecord::done(entry.id, entry.error));
            journalOrHold(std::move(unrecorded));
        }
        unwritten.push_back({entry, std::move(then)});
        return;
    }
    defer(std::move(then));
}

bool Engine::Impl::flushUnwritten()
{
    if (!storeProblem) return true;
    try {
        bool held = !unjournaled.empty() || !deferred.empty() || !unwritten.empty() || seenChanged || heldRun;
        while (!unwritten.empty()) {
            store->append(unwritten.front().entry);
            defer(std::move(unwritten.front().then));
            unwritten.erase(unwritten.begin());
        }
        if (!unjournaled.empty() || !deferred.empty()) {
            writeJournal(std::move(unjournaled));
        }
        if (heldRun && !resumeHeldRun()) return false;
        if (seenChanged) saveSeen();
        // With nothing held, a write of the seen file tells whether the
        // directory takes writes again.
        if (!held && store->engineLock() >= 0) {
            journalAt = journalWritten = store->foldJournal(seen);
            seenOnDisk = seenSignature();
        }
    } catch (const std::exception&) {
        return false;
    }
    setStoreProblem(std::nullopt);
    return true;
}

void Engine::Impl::recoverInterrupted()
{
    if (recovered || store->engineLock() < 0) return;
    recovered = true;
    JournalRead journal;
    try {
        journal = store->readJournal({});
    } catch (const std::exception&) {
        return;
    }
    for (auto& run : journal.runs) {
        Entry& entry = run.entry;
        const auto logged = store->entriesMentioning(entry.id);
        const bool inLog = std::any_of(logged.begin(), logged.end(), [&](const Entry& e) { return e.id == entry.id; });
        if (!run.done) {
            // The change announced last may have been made before the
            // process stopped: the file system tells, so that the entry
            // holds every step that was done, and can undo it.
            if (run.intended && !inLog)
                if (auto step = stepIfDone(*run.intended)) entry.steps.push_back(std::move(*step));
            entry.error = interruptedMessage;
        }
        std::vector<JournalRecord> then{JournalRecord::end(entry.id)};
        // Whatever the run did, it did once: its file counts as handled,
        // unless it stopped before changing anything (a script that may
        // have started counts as a change), and is tried again.
        if (!(entry.error && entry.steps.empty())) {
            seen.add(run.key, entry.version);
            ++seenEdits;
            then.push_back(JournalRecord::mark(run.key, {entry.version}));
        }
        if (inLog) {
            defer(std::move(then));
            continue;
        }
        record(entry, std::move(then));
        if (entryCallback) entryCallback(entry);
    }
}

}  // namespace olva
