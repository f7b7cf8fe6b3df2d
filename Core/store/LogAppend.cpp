// Appending to the log. Writers share log.lock while they append, each line
// one write at the end of the file; a writer moves a full log aside only
// under the lock alone, so that nobody is writing to the file it moves. The
// process that runs the engine keeps the log open and shares the lock for a
// whole pass: no other writer ever waits for the pass, only for a moment's
// rotation, and while the pass goes on nobody moves the log from under it.
#include "Core/store/Log.h"

#include "Core/store/Store.h"
#include "Core/platform/Descriptor.h"
#include "Core/platform/FileLock.h"
#include "Core/platform/FileStatus.h"
#include "Core/platform/SystemError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace olva {

namespace {

// A line cut short (a crash, a full disk) must not swallow the next one.
bool endsWithFeed(int fd, off_t size)
{
    char last = '\n';
    return size == 0 || ::pread(fd, &last, 1, size - 1) != 1 || last == '\n';
}

// Takes `mode` on the lock, waiting; false with errno set on failure.
bool takeLock(int fd, int mode)
{
    while (::flock(fd, mode) != 0)
        if (errno != EINTR) return false;
    return true;
}

// Takes the lock alone where nobody else holds it, else shares it, waiting;
// whether alone. Throws when it cannot be taken.
bool takeLockAloneOrShared(int fd, const std::filesystem::path& name)
{
    const bool alone = takeLock(fd, LOCK_EX | LOCK_NB);
    if (!alone && (errno != EWOULDBLOCK || !takeLock(fd, LOCK_SH)))
        platform::throwErrno(errno, "couldn’t lock " + platform::quoted(name));
    return alone;
}

// Moves a log of more than `maxLog` bytes aside; throws when the move fails.
void moveAsideIfFull(const std::filesystem::path& current, const std::filesystem::path& previous, std::uint64_t maxLog)
{
    struct stat status {};
    if (::stat(current.c_str(), &status) != 0 || static_cast<std::uint64_t>(status.st_size) <= maxLog) return;
    ::unlink(previous.c_str());
    if (::rename(current.c_str(), previous.c_str()) != 0)
        platform::throwErrno(errno, "couldn’t move " + platform::quoted(current) + " aside");
}

}  // namespace

void Store::append(const Entry& entry) const { appendLine(logLine(entry)); }

void Store::appendLine(std::string line) const
{
    if (engineLock() >= 0) {
        // Names are only needed to open, move aside or say what failed.
        auto current = [this] { return path("log.json"); };
        std::lock_guard guard(logMutex_);
        // Within a pass the log stays where it is, and its size is known
        // from the lines this process wrote: a line costs its write alone.
        // Lines of others only make the log longer than counted, so a full
        // log is moved aside at the next look instead. Whether the file was
        // removed meanwhile is asked once, as the lock is let go
        // (releaseLogLockLocked), and the lines are kept until then.
        if (logLocked_ && logKnown_ && log_ && logEnd_ <= maxLog) {
            bool written = platform::appendWhole(log_.get(), line);
            int error = errno;
            if (written) {
                logEnd_ += line.size();
                logUnchecked_ += line;
                if (logUnchecked_.size() >= kUncheckedLimit) checkUncheckedLines();
            } else {
                logKnown_ = false;
            }
            if (!logBatch_) releaseLogLockLocked();
            if (!written) platform::throwErrno(error, "couldn’t write to " + platform::quoted(current()));
            return;
        }
        // Writers share the lock. Alone with it, this process may also move
        // a full log aside, and complete a line cut short (by a crash),
        // which a line that another writer is adding would look like.
        bool alone = false;
        // A lock that cannot be changed may be gone: it is taken anew next time.
        auto relock = [this](int mode) {
            if (takeLock(logLock_.get(), mode)) return;
            int error = errno;
            logLocked_ = false;
            platform::throwErrno(error, "couldn’t lock " + platform::quoted(path("log.lock")));
        };
        // Outside a pass the lock is held for this line only, written or not;
        // within one it is shared again.
        struct Release {
            const Store& store;
            const bool& alone;
            ~Release()
            {
                if (!store.logBatch_) store.releaseLogLockLocked();
                else if (alone && store.logLocked_ && !takeLock(store.logLock_.get(), LOCK_SH))
                    store.releaseLogLockLocked();
            }
        } release{*this, alone};
        if (!logLocked_) {
            if (!logLock_) {
                logLock_ = platform::Descriptor(::open(path("log.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
                if (!logLock_) platform::throwErrno(errno, "couldn’t open " + platform::quoted(path("log.lock")));
            }
            alone = takeLockAloneOrShared(logLock_.get(), path("log.lock"));
            logLocked_ = true;
        }
        checkUncheckedLines();
        platform::OpenFileExtent status;
        for (int attempt = 0;; ++attempt) {
            // Another writer may have moved the log aside while the lock was
            // not held.
            if (log_ && !platform::isFileAt(log_.get(), current())) log_ = platform::Descriptor();
            if (!log_) {
                log_ = platform::Descriptor(::open(current().c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
                if (!log_) platform::throwErrno(errno, "couldn’t open " + platform::quoted(current()));
                logEnd_ = ~std::uint64_t(0);
            }
            auto extent = platform::openFileExtent(log_.get());
            if (!extent) platform::throwErrno(errno, "couldn’t write to " + platform::quoted(current()));
            status = *extent;
            // Removed (with the data directory, say): the lines go to a new
            // file at its name.
            if (status.links == 0 && attempt == 0) {
                log_ = platform::Descriptor();
                continue;
            }
            if (status.size <= maxLog) break;
            log_ = platform::Descriptor();
            logKnown_ = false;
            if (!alone) {
                // Waits for the lines others are writing. The lock is let go
                // on the way: somebody else may move the log aside first.
                relock(LOCK_EX);
                alone = true;
                continue;
            }
            moveAsideIfFull(current(), path("log.1.json"), maxLog);
        }
        // Lines that went to a removed log, which could not be written again
        // until now, go first.
        const std::size_t again = logRewrite_ ? logUnchecked_.size() : 0;
        if (again > 0) line.insert(0, logUnchecked_);
        // Where this process's last line ended, the file ends with a line
        // feed: nobody else wrote since.
        if (alone && status.size != logEnd_ && !endsWithFeed(log_.get(), off_t(status.size))) line.insert(0, "\n");
        bool written = platform::appendWhole(log_.get(), line);
        int error = errno;
        if (written) {
            logEnd_ = status.size + line.size();
            logKnown_ = true;
            if (again > 0) {
                logUnchecked_.clear();
                logRewrite_ = false;
            }
        }
        if (!written) platform::throwErrno(error, "couldn’t write to " + platform::quoted(current()));
        return;
    }

    auto current = path("log.json");
    // Alone with the log, a writer first moves it aside when it is full:
    // were two writers to find it full and each move it, the second move
    // would replace the generation the first one just kept. Otherwise (the
    // engine is in a pass, say) it shares the lock, and adds its line to the
    // log as it is, which waits for nobody; a full log is then moved aside
    // at its next append alone, or by the engine.
    platform::Descriptor lock(::open(path("log.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!lock) platform::throwErrno(errno, "couldn’t open " + platform::quoted(path("log.lock")));
    const bool alone = takeLockAloneOrShared(lock.get(), path("log.lock"));
    if (alone) moveAsideIfFull(current, path("log.1.json"), maxLog);
    // O_APPEND and one write per line: writers that share the lock never
    // overwrite each other's lines.
    platform::Descriptor fd(::open(current.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!fd) platform::throwErrno(errno, "couldn’t open " + platform::quoted(current));
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) platform::throwErrno(errno, "couldn’t write to " + platform::quoted(current));
    if (alone && !endsWithFeed(fd.get(), status.st_size)) line.insert(0, "\n");
    // Among other writers, a line cut short by a full disk could not be cut
    // back once another line follows it: the room is set aside first.
    if (!alone && !platform::reserveSpace(fd.get(), std::uint64_t(status.st_size), line.size()))
        platform::throwErrno(ENOSPC, "couldn’t write to " + platform::quoted(current));
    if (!platform::appendWhole(fd.get(), line))
        platform::throwErrno(errno, "couldn’t write to " + platform::quoted(current));
}

void Store::batchLog(bool on) const
{
    std::lock_guard guard(logMutex_);
    logBatch_ = on;
    if (!on) {
        releaseLogLockLocked();
        // The room the batch's lines took (megabytes in a large pass) is
        // not kept while the engine waits for the next one.
        if (logUnchecked_.empty()) std::string().swap(logUnchecked_);
    }
}

void Store::releaseLogLockLocked() const
{
    if (!logLocked_) return;
    checkUncheckedLines();
    ::flock(logLock_.get(), LOCK_UN);
    logLocked_ = false;
    logKnown_ = false;
}

void Store::checkUncheckedLines() const
{
    if (logUnchecked_.empty() || logRewrite_) return;
    if (log_)
        if (auto extent = platform::openFileExtent(log_.get()); extent && extent->links > 0) {
            logUnchecked_.clear();
            return;
        }
    // Removed since they were written (or not to be asked): they go to the
    // file now at its name, or with the next line once that can be written.
    log_ = platform::Descriptor();
    logKnown_ = false;
    platform::Descriptor fresh(::open(path("log.json").c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (fresh) {
        struct stat status {};
        std::string lines = logUnchecked_;
        if (::fstat(fresh.get(), &status) == 0 && !endsWithFeed(fresh.get(), status.st_size)) lines.insert(0, "\n");
        if (platform::appendWhole(fresh.get(), lines)) {
            logUnchecked_.clear();
            return;
        }
    }
    logRewrite_ = true;
}

}  // namespace olva
