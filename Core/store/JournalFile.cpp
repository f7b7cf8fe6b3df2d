// The journal's file: appends of the process that runs the engine and of
// others, reads from a position on, and the fold into the seen file.
#include "Core/store/Journal.h"

#include "Core/store/SeenRecords.h"
#include "Core/store/Store.h"
#include "Core/platform/AtomicFile.h"
#include "Core/platform/Descriptor.h"
#include "Core/platform/FileLock.h"
#include "Core/platform/FileStatus.h"
#include "Core/platform/SystemError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>

namespace olva {

namespace {

std::string linesOf(const std::vector<JournalRecord>& records)
{
    // Encoded into one buffer, grown seldom: the records of a handled file
    // come to well under a kilobyte each.
    std::string bytes;
    bytes.reserve(records.size() * 512);
    for (const auto& record : records) appendJournalLine(bytes, record);
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

// Room set aside ahead of the journal's end: records of runs still go in
// when the disk fills up, so that a run in the middle can go on to its end
// and be logged once there is room again.
constexpr std::uint64_t kJournalReserve = 64 * 1024;

// Tests make the journal refuse the announcement of a change, as a disk
// whose room set aside ran out would, with OLVA_TEST_FULL set to a kind of
// step ("move", "tags"...): while the data directory holds a file named
// "test-full", a write that announces such a change fails for want of
// space, and once the file is gone it works again.
void refuseWhenFullForTest(const std::vector<JournalRecord>& records, const std::filesystem::path& dir)
{
    static const std::string refused = [] {
        const char* value = std::getenv("OLVA_TEST_FULL");
        return std::string(value ? value : "");
    }();
    if (refused.empty()) return;
    bool announces = std::any_of(records.begin(), records.end(), [](const JournalRecord& record) {
        return record.kind == JournalRecord::Kind::will && record.step && rawValue(record.step->kind) == refused;
    });
    struct stat full {};
    if (announces && ::stat((dir / "test-full").c_str(), &full) == 0)
        platform::throwErrno(ENOSPC, "couldn’t write to " + platform::quoted(dir / "seen.journal"));
}

}  // namespace

std::pair<LogPosition, LogPosition> Store::appendJournal(const std::vector<JournalRecord>& records) const
{
    refuseWhenFullForTest(records, dir_);
    std::string bytes = linesOf(records);
    if (engineLock() < 0) {
        auto journal = path("seen.journal");
        platform::Descriptor lock(platform::lockFile(path("seen.lock"), true));
        return appendTo(openForAppending(journal).get(), std::move(bytes), journal);
    }
    // Its name is only needed to open it or to say what failed.
    auto journal = [this] { return path("seen.journal"); };
    // The process that runs the engine is the only one that folds the
    // journal, so its appends need not wait for the lock: each is one write
    // at the end, whole. It keeps the file open, as it appends for every
    // file it handles, and asks for its status only after writing: where
    // the journal then ends tells whether anybody else wrote since.
    std::lock_guard guard(journalMutex_);
    for (int attempt = 0;; ++attempt) {
        // Most appends go to the file already open, as they are.
        std::string cutShort;
        const std::string* written = &bytes;
        if (!journal_) {
            journal_ = openForAppending(journal());
            auto opened = platform::openFileExtent(journal_.get());
            if (!opened) platform::throwErrno(errno, "couldn’t write to " + platform::quoted(journal()));
            // A record cut short (by a crash) must not swallow these.
            char last = '\n';
            if (opened->size > 0 && ::pread(journal_.get(), &last, 1, off_t(opened->size - 1)) == 1 && last != '\n') {
                cutShort = "\n" + bytes;
                written = &cutShort;
            }
            journalReserved_ = 0;
        }
        const std::string& out = *written;
        if (!platform::appendWhole(journal_.get(), out))
            platform::throwErrno(errno, "couldn’t write to " + platform::quoted(journal()));
        auto status = platform::openFileExtent(journal_.get());
        if (!status) platform::throwErrno(errno, "couldn’t write to " + platform::quoted(journal()));
        // Removed or replaced by somebody else: the records go to the file
        // now at its name.
        if (status->links == 0 && attempt == 0) {
            journal_ = platform::Descriptor();
            continue;
        }
        const std::uint64_t inode = status->inode;
        const std::uint64_t size = status->size;
        if (size + kJournalReserve / 2 > journalReserved_) {
            platform::reserveSpace(journal_.get(), size, kJournalReserve);
            journalReserved_ = size + kJournalReserve;
        }
        return {LogPosition{inode, size - std::min<std::uint64_t>(size, out.size())}, LogPosition{inode, size}};
    }
}

JournalRead Store::readJournal(LogPosition after, const MarkSink& marks) const
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
    std::uint64_t consumed = read.isWhole ? 0 : after.offset;

    // In blocks, whatever the size of the journal; a last record without its
    // line feed is still being written and is left for later.
    const MarkSink intoRead = [&read](const std::string& key, std::string_view version) {
        read.marks[key].emplace(version);
    };
    JournalLines lines(marks ? marks : intoRead);
    std::string pending;
    std::vector<char> block(1 << 20);
    for (std::uint64_t at = consumed;;) {
        ssize_t count = ::pread(fd.get(), block.data(), block.size(), static_cast<off_t>(at));
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) platform::throwErrno(errno, "couldn’t read " + platform::quoted(journal));
        if (count == 0) break;
        at += std::uint64_t(count);
        pending.append(block.data(), std::size_t(count));
        std::string_view complete(pending);
        auto lastFeed = complete.rfind('\n');
        if (lastFeed == std::string_view::npos) continue;
        complete = complete.substr(0, lastFeed + 1);
        consumed += complete.size();
        while (!complete.empty()) {
            auto feed = complete.find('\n');
            lines.add(complete.substr(0, feed));
            complete.remove_prefix(feed + 1);
        }
        pending.erase(0, lastFeed + 1);
    }
    read.runs = lines.openRuns();
    read.position = {inode, consumed};
    return read;
}

LogPosition Store::journalEnd() const
{
    {
        // The open journal costs no lookup of its name.
        std::lock_guard guard(journalMutex_);
        if (journal_)
            if (auto open = platform::openFileExtent(journal_.get()); open && open->links > 0)
                return {open->inode, open->size};
    }
    return journalEndByName();
}

LogPosition Store::journalEndByName() const
{
    struct stat status {};
    if (::stat(path("seen.journal").c_str(), &status) != 0) return {};
    return {static_cast<std::uint64_t>(status.st_ino), static_cast<std::uint64_t>(status.st_size)};
}

LogPosition Store::foldJournal(SeenRecords& seen) const
{
    platform::Descriptor lock(platform::lockFile(path("seen.lock"), true));
    std::lock_guard guard(journalMutex_);
    // The next append opens the new file.
    journal_ = platform::Descriptor();
    JournalRead read = readJournal({}, [&](const std::string& key, std::string_view version) { seen.add(key, version); });
    // The seen file first: a reader that takes the journal and then the seen
    // file never misses a mark, whichever of the two it finds replaced.
    saveSeen(seen);
    platform::writeFileAtomically(path("seen.journal"), linesOf(recordsOf(read.runs)));
    return journalEndByName();
}

}  // namespace olva
