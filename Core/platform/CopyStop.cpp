#include "Core/platform/CopyStop.h"

#include "Core/base/ActionError.h"

#include <time.h>

#include <mutex>

namespace olva::platform {

namespace {

// Lock-free, so that a signal handler may touch them.
std::atomic<int> stopSignal = 0;
std::atomic<int> copies = 0;
static_assert(std::atomic<int>::is_always_lock_free);

thread_local const std::atomic<bool>* threadFlag = nullptr;

std::mutex cutShortMutex;
std::optional<std::string> cutShort;

}  // namespace

void requestProcessStop(int signal) noexcept
{
    int none = 0;
    stopSignal.compare_exchange_strong(none, signal);
}

int processStopSignal() noexcept { return stopSignal.load(); }

void stopThreadCopiesWith(const std::atomic<bool>& flag) noexcept { threadFlag = &flag; }

bool copyStopRequested() noexcept
{
    return stopSignal.load() != 0 || (threadFlag && threadFlag->load());
}

bool copyUnderWay() noexcept { return copies.load() > 0; }

CopyUnderWay::CopyUnderWay() noexcept { copies.fetch_add(1); }

CopyUnderWay::~CopyUnderWay() { copies.fetch_sub(1); }

void throwCopyCutShort(const std::string& sentence)
{
    {
        std::lock_guard lock(cutShortMutex);
        cutShort = sentence;
    }
    throw ActionError(sentence);
}

std::optional<std::string> lastCopyCutShort()
{
    std::lock_guard lock(cutShortMutex);
    return cutShort;
}

void waitForCopyStop()
{
    // A signal handler can only set the flag, so it is looked at often.
    const timespec pause{0, 10'000'000};
    while (!copyStopRequested()) ::nanosleep(&pause, nullptr);
}

}  // namespace olva::platform
