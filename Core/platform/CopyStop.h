// Asking the copies under way to end at once. A copy looks between chunks of
// its data and, once asked, ends with an ActionError that says what was cut
// short and where the file still is, its temporary removed and its source as
// it was; a copy begun after the request ends before it writes anything.
//
// Two owners can ask. The process asks from the handler of a stop signal
// (SIGINT, SIGTERM, SIGHUP), when it is about to end: the request stays made.
// A thread can be given a flag of its owner's, which then stops the copies
// made on that thread too: an engine being stopped for good sets it for its
// executor.
#pragma once

#include <atomic>
#include <optional>
#include <string>

namespace olva::platform {

// Safe in a signal handler. The first signal is the one kept.
void requestProcessStop(int signal) noexcept;
// The signal the process was asked to stop by, or 0.
int processStopSignal() noexcept;

// Copies made on the calling thread from now on also end once `flag` is
// set. The flag must outlive the thread's copies.
void stopThreadCopiesWith(const std::atomic<bool>& flag) noexcept;

// Whether a copy on the calling thread is to end: the process asked, or the
// thread's flag is set.
bool copyStopRequested() noexcept;

// Whether any thread of the process is making a copy. Safe in a signal
// handler: a process with no copy under way can end by the signal at once.
bool copyUnderWay() noexcept;

// Counts one copy under way for as long as it lives.
class CopyUnderWay {
public:
    CopyUnderWay() noexcept;
    ~CopyUnderWay();
    CopyUnderWay(const CopyUnderWay&) = delete;
    CopyUnderWay& operator=(const CopyUnderWay&) = delete;
};

// Ends a copy that was asked to stop: keeps the sentence for the last line
// of a program (see lastCopyCutShort) and throws it as an ActionError.
[[noreturn]] void throwCopyCutShort(const std::string& sentence);
// What the last copy cut short said, if one was.
std::optional<std::string> lastCopyCutShort();

// For the holds of tests: waits until copies on this thread are asked to
// stop.
void waitForCopyStop();

}  // namespace olva::platform
