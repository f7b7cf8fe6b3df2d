// Appending to the log: the process that runs the engine keeps the log and
// its lock open within a pass; others take the lock for each line.
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

#include <chrono>
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

}  // namespace

void Store::append(const Entry& entry) const { appendLine(logLine(entry)); }

void Store::appendLine(std::string line) const
{
    if (engineLock() >= 0) {
        // Names are only needed to open, move aside or say what failed.
        auto current = [this] { return path("log.json"); };
        // The process that runs the engine writes most lines: it keeps the
        // log and its lock open, and within a pass holds the lock from one
        // line to the next, so that a line costs its write and one look at
        // the size. Other writers wait for the lock meanwhile, at most a
        // moment.
        std::lock_guard guard(logMutex_);
        // Within one hold of the lock, where the file ends is known from
        // the last line this process wrote: a line costs its write alone.
        // Whether the file was removed meanwhile is asked once, as the lock
        // is let go (releaseLogLockLocked), and the lines are kept until then.
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
            if (!logBatch_ || std::chrono::steady_clock::now() - logLockedAt_ > kLogHold) releaseLogLockLocked();
            if (!written) platform::throwErrno(error, "couldn’t write to " + platform::quoted(current()));
            return;
        }
        if (!logLocked_) {
            if (!logLock_) {
                logLock_ = platform::Descriptor(::open(path("log.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
                if (!logLock_) platform::throwErrno(errno, "couldn’t open " + platform::quoted(path("log.lock")));
            }
            while (::flock(logLock_.get(), LOCK_EX) != 0)
                if (errno != EINTR) platform::throwErrno(errno, "couldn’t lock " + platform::quoted(path("log.lock")));
            logLocked_ = true;
            logLockedAt_ = std::chrono::steady_clock::now();
            // Another writer may have moved the log aside while the lock was
            // free.
            struct stat named {}, open {};
            if (log_ && (::stat(current().c_str(), &named) != 0 || ::fstat(log_.get(), &open) != 0
                         || named.st_ino != open.st_ino || named.st_dev != open.st_dev))
                log_ = platform::Descriptor();
        }
        checkUncheckedLines();
        platform::OpenFileExtent status;
        for (int attempt = 0;; ++attempt) {
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
            ::unlink(path("log.1.json").c_str());
            if (::rename(current().c_str(), path("log.1.json").c_str()) != 0)
                platform::throwErrno(errno, "couldn’t move " + platform::quoted(current()) + " aside");
            log_ = platform::Descriptor();
        }
        // Lines that went to a removed log, which could not be written again
        // until now, go first.
        const std::size_t again = logRewrite_ ? logUnchecked_.size() : 0;
        if (again > 0) line.insert(0, logUnchecked_);
        // Where this process's last line ended, the file ends with a line
        // feed: nobody else wrote while the lock was held.
        if (status.size != logEnd_ && !endsWithFeed(log_.get(), off_t(status.size))) line.insert(0, "\n");
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
        if (!logBatch_ || std::chrono::steady_clock::now() - logLockedAt_ > kLogHold) releaseLogLockLocked();
        if (!written) platform::throwErrno(error, "couldn’t write to " + platform::quoted(current()));
        return;
    }

    auto current = path("log.json");
    auto previous = path("log.1.json");
    // Serialises rotation and appends between processes: without it, two
    // writers that both find the log full would each move it aside, and the
    // second move would replace the generation the first one just kept.
    platform::Descriptor lock(platform::lockFile(path("log.lock"), true));
    struct stat status{};
    if (::stat(current.c_str(), &status) == 0 && static_cast<std::uint64_t>(status.st_size) > maxLog) {
        ::unlink(previous.c_str());
        if (::rename(current.c_str(), previous.c_str()) != 0)
            platform::throwErrno(errno, "couldn’t move " + platform::quoted(current) + " aside");
    }
    // O_APPEND and one write per line: a writer that does not take the lock
    // still never overwrites a line.
    platform::Descriptor fd(::open(current.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!fd) platform::throwErrno(errno, "couldn’t open " + platform::quoted(current));
    if (::fstat(fd.get(), &status) == 0 && !endsWithFeed(fd.get(), status.st_size)) line.insert(0, "\n");
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

void Store::releaseLogLock() const
{
    std::lock_guard guard(logMutex_);
    releaseLogLockLocked();
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
