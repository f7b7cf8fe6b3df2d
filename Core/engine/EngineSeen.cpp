// The seen sets on disk and the journal beside them: what the engine knows
// of them, what it appends, and when the journal is folded.
#include "Core/engine/EngineImpl.h"

#include <sys/stat.h>

#include <algorithm>

namespace olva {

namespace {

std::optional<Engine::Impl::FileSignature> signatureOf(const std::filesystem::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return Engine::Impl::FileSignature{info.st_dev, info.st_ino, info.st_size,
                                       std::int64_t(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

// The journal is folded once it holds sixteen times as much as the seen
// file. A handled file's records in the journal are about ten times its mark
// in the seen file, so a fold comes once the journal holds the marks of
// nearly twice as many files as the seen file: over a pass that handles many
// files the seen file is written about one and a half times its final size,
// and the bytes written per handled file stay the same however many files
// were handled. Folding sooner writes the seen file (and waits for it to
// reach the disk) over and over; folding later leaves readers more journal
// to read.
constexpr std::uint64_t kFoldFactor = 16;

}  // namespace

std::optional<Engine::Impl::FileSignature> Engine::Impl::seenSignature() const
{
    return signatureOf(store->dir() / "seen.json");
}

bool Engine::Impl::seenFileChanged() const { return seenSignature() != seenOnDisk; }

void Engine::Impl::mergeSeenFromDisk()
{
    // Taken in as it is read: what a file that turns out unreadable held
    // before the fault is true all the same.
    auto signature = seenSignature();
    LogPosition journalEnd;
    try {
        store->readSeen([&](const std::string& key, std::string_view version) { seen.add(key, version); }, &journalEnd);
    } catch (const std::exception&) {
        ++seenEdits;
        return;
    }
    seenOnDisk = signature;
    journalAt = journalWritten = journalEnd;
    ++seenEdits;
}

bool Engine::Impl::refreshSeen()
{
    if (seenFileChanged()) {
        mergeSeenFromDisk();
        return true;
    }
    if (store->journalEnd() == journalAt) return false;
    return readJournalOnward();
}

bool Engine::Impl::refreshJournal()
{
    if (journalAt == journalWritten) return false;
    return readJournalOnward();
}

bool Engine::Impl::readJournalOnward()
{
    JournalRead read;
    try {
        read = store->readJournal(journalAt);
    } catch (const std::exception&) {
        return false;
    }
    journalAt = read.position;
    journalWritten = read.position;
    if (read.marks.empty()) return false;
    seen.add(read.marks);
    ++seenEdits;
    return true;
}

void Engine::Impl::markSeen(const std::string& key, const std::string& version)
{
    if (!seen.add(key, version)) return;
    unsavedMarks.push_back(JournalRecord::mark(key, {version}));
    seenChanged = true;
    ++seenEdits;
}

void Engine::Impl::writeJournal(std::vector<JournalRecord>&& records)
{
    // Moved, not copied: a begin record carries its run's entry. `records`
    // may be `unjournaled` itself.
    std::vector<JournalRecord> all = std::move(deferred);
    deferred.clear();
    const std::size_t held = all.size();
    all.insert(all.end(), std::make_move_iterator(records.begin()), std::make_move_iterator(records.end()));
    std::pair<LogPosition, LogPosition> written;
    try {
        written = store->appendJournal(all);
    } catch (const std::exception&) {
        records.assign(std::make_move_iterator(all.begin() + std::ptrdiff_t(held)), std::make_move_iterator(all.end()));
        // What was deferred is held until writing works again.
        unjournaled.insert(unjournaled.end(), std::make_move_iterator(all.begin()),
                           std::make_move_iterator(all.begin() + std::ptrdiff_t(held)));
        throw;
    }
    records.clear();
    // Unless somebody else wrote in between, this engine has taken in all
    // of it.
    if (written.first == journalAt) journalAt = written.second;
    journalWritten = written.second;
}

void Engine::Impl::journalOrHold(std::vector<JournalRecord> records)
{
    if (records.empty()) return;
    // Behind records already held, the order is kept.
    if (unjournaled.empty()) {
        try {
            writeJournal(std::move(records));
            return;
        } catch (const std::exception& error) {
            setStoreProblem(error);
        }
    }
    unjournaled.insert(unjournaled.end(), std::make_move_iterator(records.begin()),
                       std::make_move_iterator(records.end()));
}

void Engine::Impl::defer(std::vector<JournalRecord> records)
{
    deferred.insert(deferred.end(), std::make_move_iterator(records.begin()), std::make_move_iterator(records.end()));
}

void Engine::Impl::flushDeferred()
{
    if (deferred.empty()) return;
    if (!unjournaled.empty()) {
        journalOrHold(std::exchange(deferred, {}));
        return;
    }
    try {
        writeJournal({});
    } catch (const std::exception& error) {
        setStoreProblem(error);
    }
}

void Engine::Impl::saveSeen()
{
    if (!unsavedMarks.empty()) writeJournal(std::move(unsavedMarks));
    unsavedMarks.clear();
    seenChanged = false;
}

void Engine::Impl::saveSeenOrReport()
{
    if (seenChanged) {
        try {
            saveSeen();
        } catch (const std::exception& error) {
            setStoreProblem(error);
        }
    }
    flushDeferred();
    foldJournalIfDue();
}

void Engine::Impl::foldJournalIfDue()
{
    // Only the engine that runs the rules folds, and not while writing fails.
    if (store->engineLock() < 0 || storeProblem) return;
    std::uint64_t seenSize = seenOnDisk ? std::uint64_t(seenOnDisk->size) : 0;
    if (journalAt.offset <= std::max(smallestFold, kFoldFactor * seenSize)) return;
    // Runs that ended are dropped by the fold, not kept as open.
    flushDeferred();
    if (storeProblem) return;
    // Marks of others in the journal may bring keys; the engine's own are
    // in memory already, and leave the pass's index of keys as it is.
    const std::size_t keys = seen.size();
    try {
        journalAt = journalWritten = store->foldJournal(seen);
        seenOnDisk = seenSignature();
    } catch (const std::exception& error) {
        // The journal stays as it is and is folded at a later pass.
        if (debugEnabled()) debugLog("couldn’t fold the journal: " + errorText(error));
    }
    if (seen.size() != keys) ++seenEdits;
}

}  // namespace olva
