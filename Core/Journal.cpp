#include "Core/Journal.h"

#include "Core/JsonReader.h"
#include "Core/JsonWriter.h"
#include "Core/Store.h"
#include "Core/platform/AtomicFile.h"
#include "Core/platform/Descriptor.h"
#include "Core/platform/FileLock.h"
#include "Core/platform/SystemError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <unordered_set>

namespace olva {

JournalRecord JournalRecord::mark(std::string key, std::vector<std::string> versions)
{
    JournalRecord record;
    record.kind = Kind::mark;
    record.key = std::move(key);
    record.versions = std::move(versions);
    return record;
}

JournalRecord JournalRecord::begin(const Entry& entry, std::string key)
{
    JournalRecord record;
    record.kind = Kind::begin;
    record.run = entry.id;
    record.key = std::move(key);
    record.entry = entry;
    return record;
}

JournalRecord JournalRecord::stepDone(std::string run, Step step)
{
    JournalRecord record;
    record.kind = Kind::step;
    record.run = std::move(run);
    record.step = std::move(step);
    return record;
}

JournalRecord JournalRecord::done(std::string run, std::optional<std::string> error)
{
    JournalRecord record;
    record.kind = Kind::done;
    record.run = std::move(run);
    record.error = std::move(error);
    return record;
}

JournalRecord JournalRecord::end(std::string run)
{
    JournalRecord record;
    record.kind = Kind::end;
    record.run = std::move(run);
    return record;
}

std::string journalLine(const JournalRecord& record)
{
    nlohmann::ordered_json json;
    switch (record.kind) {
    case JournalRecord::Kind::mark:
        json["mark"] = record.key;
        json["versions"] = record.versions;
        break;
    case JournalRecord::Kind::begin:
        json["begin"] = record.run;
        json["key"] = record.key;
        json["entry"] = toJson(*record.entry);
        break;
    case JournalRecord::Kind::step:
        json["step"] = record.run;
        json["did"] = toJson(*record.step);
        break;
    case JournalRecord::Kind::done:
        json["done"] = record.run;
        if (record.error) json["error"] = *record.error;
        break;
    case JournalRecord::Kind::end:
        json["end"] = record.run;
        break;
    }
    return writeJson(json) + "\n";
}

std::optional<JournalRecord> parseJournalLine(std::string_view line)
{
    if (line.empty()) return std::nullopt;
    auto json = nlohmann::json::parse(line, nullptr, false);
    if (json.is_discarded() || !json.is_object()) return std::nullopt;
    try {
        JsonReader reader(json);
        JournalRecord record;
        if (auto key = reader.find("mark")) {
            record.kind = JournalRecord::Kind::mark;
            record.key = key->string();
            for (const auto& version : reader["versions"].array()) record.versions.push_back(version.string());
        } else if (auto run = reader.find("begin")) {
            record.kind = JournalRecord::Kind::begin;
            record.entry = entryFromJson(reader["entry"].value());
            record.run = record.entry->id;
            record.key = reader["key"].string();
        } else if (auto run = reader.find("step")) {
            record.kind = JournalRecord::Kind::step;
            record.run = run->string();
            record.step = stepFromJson(reader["did"].value());
        } else if (auto done = reader.find("done")) {
            record.kind = JournalRecord::Kind::done;
            record.run = done->string();
            if (auto error = reader.find("error")) record.error = error->string();
        } else if (auto end = reader.find("end")) {
            record.kind = JournalRecord::Kind::end;
            record.run = end->string();
        } else {
            return std::nullopt;
        }
        return record;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

namespace {

template <typename F>
void forEachLine(std::string_view bytes, F&& body)
{
    while (!bytes.empty()) {
        auto feed = bytes.find('\n');
        body(bytes.substr(0, feed));
        bytes.remove_prefix(feed == std::string_view::npos ? bytes.size() : feed + 1);
    }
}

// The run a line of a run's record names, read from the text itself: every
// such line begins {"kind":"id". Empty for other lines.
std::string_view runOf(std::string_view line)
{
    for (std::string_view kind : {"{\"end\":\"", "{\"begin\":\"", "{\"step\":\"", "{\"done\":\""}) {
        if (!line.starts_with(kind)) continue;
        line.remove_prefix(kind.size());
        return line.substr(0, line.find('"'));
    }
    return {};
}

}  // namespace

void applyJournalLines(std::string_view bytes, JournalRead& read)
{
    // Most runs ended long ago: their lines are passed over undecoded.
    std::unordered_set<std::string_view> ended;
    forEachLine(bytes, [&](std::string_view line) {
        if (line.starts_with("{\"end\":\"")) ended.insert(runOf(line));
    });
    // Runs end in about the order they began: look from the newest.
    auto findRun = [&](const std::string& id) {
        auto it = std::find_if(read.runs.rbegin(), read.runs.rend(),
                               [&](const OpenRun& run) { return run.entry.id == id; });
        return it == read.runs.rend() ? read.runs.end() : std::prev(it.base());
    };
    forEachLine(bytes, [&](std::string_view line) {
        if (auto run = runOf(line); !run.empty() && ended.contains(run)) return;
        auto record = parseJournalLine(line);
        if (!record) return;
        switch (record->kind) {
        case JournalRecord::Kind::mark:
            read.marks[record->key].insert(record->versions.begin(), record->versions.end());
            break;
        case JournalRecord::Kind::begin:
            read.runs.push_back(OpenRun{std::move(*record->entry), std::move(record->key), false});
            break;
        case JournalRecord::Kind::step:
            if (auto run = findRun(record->run); run != read.runs.end())
                run->entry.steps.push_back(std::move(*record->step));
            break;
        case JournalRecord::Kind::done:
            if (auto run = findRun(record->run); run != read.runs.end()) {
                run->done = true;
                run->entry.error = std::move(record->error);
            }
            break;
        case JournalRecord::Kind::end:
            if (auto run = findRun(record->run); run != read.runs.end()) read.runs.erase(run);
            break;
        }
    });
}

std::vector<JournalRecord> recordsOf(const std::vector<OpenRun>& runs)
{
    std::vector<JournalRecord> records;
    for (const auto& run : runs) {
        Entry begun = run.entry;
        begun.steps.clear();
        begun.error.reset();
        records.push_back(JournalRecord::begin(begun, run.key));
        for (const auto& step : run.entry.steps) records.push_back(JournalRecord::stepDone(run.entry.id, step));
        if (run.done) records.push_back(JournalRecord::done(run.entry.id, run.entry.error));
    }
    return records;
}

namespace {

std::string linesOf(const std::vector<JournalRecord>& records)
{
    std::string bytes;
    for (const auto& record : records) bytes += journalLine(record);
    return bytes;
}

}  // namespace

// ---- The journal's file

namespace {

std::pair<LogPosition, LogPosition> appendTo(int fd, std::string bytes, const std::filesystem::path& journal)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0) platform::throwErrno(errno, "couldn’t write to " + platform::quoted(journal));
    // A record cut short (by a crash) must not swallow these.
    if (status.st_size > 0) {
        char last = '\n';
        if (::pread(fd, &last, 1, status.st_size - 1) == 1 && last != '\n') bytes.insert(0, "\n");
    }
    if (!platform::appendWhole(fd, bytes)) platform::throwErrno(errno, "couldn’t write to " + platform::quoted(journal));
    auto inode = static_cast<std::uint64_t>(status.st_ino);
    auto size = static_cast<std::uint64_t>(status.st_size);
    return {LogPosition{inode, size}, LogPosition{inode, size + bytes.size()}};
}

platform::Descriptor openForAppending(const std::filesystem::path& journal)
{
    platform::Descriptor fd(::open(journal.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!fd) platform::throwErrno(errno, "couldn’t open " + platform::quoted(journal));
    return fd;
}

}  // namespace

std::pair<LogPosition, LogPosition> Store::appendJournal(const std::vector<JournalRecord>& records) const
{
    std::string bytes = linesOf(records);
    auto journal = path("seen.journal");
    if (engineLock() >= 0) {
        // The process that runs the engine is the only one that folds the
        // journal, so its appends need not wait for the lock: each is one
        // write at the end, whole. It keeps the file open, as it appends
        // several records for every file it handles.
        std::lock_guard guard(journalMutex_);
        struct stat status {};
        if (!journal_ || ::fstat(journal_.get(), &status) != 0 || status.st_nlink == 0)
            journal_ = openForAppending(journal);
        return appendTo(journal_.get(), std::move(bytes), journal);
    }
    platform::Descriptor lock(platform::lockFile(path("seen.lock"), true));
    return appendTo(openForAppending(journal).get(), std::move(bytes), journal);
}

JournalRead Store::readJournal(LogPosition after) const
{
    auto journal = path("seen.journal");
    JournalRead read;
    platform::Descriptor fd(::open(journal.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        if (errno != ENOENT) platform::throwErrno(errno, "couldn’t read " + platform::quoted(journal));
        read.isWhole = true;
        return read;
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) platform::throwErrno(errno, "couldn’t read " + platform::quoted(journal));
    auto inode = static_cast<std::uint64_t>(status.st_ino);
    auto size = static_cast<std::uint64_t>(status.st_size);
    // Folding replaces the file: a new inode, or a shorter one, starts over.
    read.isWhole = inode != after.inode || size < after.offset;
    std::uint64_t start = read.isWhole ? 0 : after.offset;
    if (::lseek(fd.get(), static_cast<off_t>(start), SEEK_SET) < 0)
        platform::throwErrno(errno, "couldn’t read " + platform::quoted(journal));
    auto bytes = platform::readToEnd(fd.get());
    if (!bytes) platform::throwErrno(errno, "couldn’t read " + platform::quoted(journal));
    // A last record without its line feed is still being written.
    auto lastFeed = bytes->rfind('\n');
    std::size_t kept = lastFeed == std::string::npos ? 0 : lastFeed + 1;
    applyJournalLines(std::string_view(*bytes).substr(0, kept), read);
    read.position = {inode, start + kept};
    return read;
}

LogPosition Store::journalEnd() const
{
    struct stat status {};
    if (::stat(path("seen.journal").c_str(), &status) != 0) return {};
    return {static_cast<std::uint64_t>(status.st_ino), static_cast<std::uint64_t>(status.st_size)};
}

LogPosition Store::foldJournal(Seen& seen) const
{
    platform::Descriptor lock(platform::lockFile(path("seen.lock"), true));
    std::lock_guard guard(journalMutex_);
    // The next append opens the new file.
    journal_ = platform::Descriptor();
    JournalRead read = readJournal({});
    for (auto& [key, versions] : read.marks) seen[key].merge(versions);
    // The seen file first: a reader that takes the journal and then the seen
    // file never misses a mark, whichever of the two it finds replaced.
    saveSeen(seen);
    platform::writeFileAtomically(path("seen.journal"), linesOf(recordsOf(read.runs)));
    return journalEnd();
}

}  // namespace olva
