#include "Core/platform/StoppableThread.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace olva::platform {

StoppableThread::StoppableThread() : stop_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StoppableThread::~StoppableThread()
{
    stop();
    if (stop_ >= 0) ::close(stop_);
}

void StoppableThread::start(std::function<void()> body) { thread_ = std::thread(std::move(body)); }

void StoppableThread::stop()
{
    if (!thread_.joinable()) return;
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(stop_, &one, sizeof one);
    thread_.join();
}

}  // namespace olva::platform
