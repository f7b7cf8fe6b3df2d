#include "Core/platform/Executor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <map>
#include <queue>
#include <system_error>
#include <vector>

namespace olva::platform {

BootClock::time_point BootClock::now() noexcept
{
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return time_point(std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec));
}

// Everything the thread touches lives here, so the thread can outlive the
// Executor object when it is destroyed from one of its own closures.
struct Executor::Shared {
    std::mutex mutex;
    std::deque<std::function<void()>> queue;
    struct Due {
        BootClock::time_point at;
        TimerId id;
        bool operator>(const Due& other) const
        {
            return at != other.at ? at > other.at : id > other.id;
        }
    };
    std::priority_queue<Due, std::vector<Due>, std::greater<Due>> heap;
    std::map<TimerId, std::function<void()>> timers;
    TimerId nextId = 1;
    bool stopping = false;
    std::thread::id threadId;
    int wake = -1;   // eventfd: posts and stop
    int timer = -1;  // timerfd on CLOCK_BOOTTIME, armed for the earliest timer

    ~Shared()
    {
        if (wake >= 0) ::close(wake);
        if (timer >= 0) ::close(timer);
    }

    void signal() const
    {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t written = ::write(wake, &one, sizeof one);
    }

    // Under the mutex: arms the timerfd for the earliest live timer.
    void armLocked()
    {
        while (!heap.empty() && !timers.contains(heap.top().id)) heap.pop();
        itimerspec deadline{};
        if (!heap.empty()) {
            auto since = heap.top().at.time_since_epoch();
            if (since <= std::chrono::nanoseconds::zero()) since = std::chrono::nanoseconds(1);
            auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
            deadline.it_value.tv_sec = seconds.count();
            deadline.it_value.tv_nsec = (since - seconds).count();
            if (deadline.it_value.tv_sec == 0 && deadline.it_value.tv_nsec == 0) deadline.it_value.tv_nsec = 1;
        }
        ::timerfd_settime(timer, TFD_TIMER_ABSTIME, &deadline, nullptr);
    }

    // Under the mutex: the next closure to run, a due timer before posted
    // work; a cancelled timer is gone from `timers` and never runs.
    std::function<void()> nextLocked(BootClock::time_point now)
    {
        while (!heap.empty() && heap.top().at <= now) {
            auto id = heap.top().id;
            heap.pop();
            if (auto it = timers.find(id); it != timers.end()) {
                auto work = std::move(it->second);
                timers.erase(it);
                armLocked();
                return work;
            }
        }
        if (queue.empty()) return nullptr;
        auto work = std::move(queue.front());
        queue.pop_front();
        return work;
    }

    static void run(const std::shared_ptr<Shared>& self)
    {
        pollfd fds[2] = {{self->wake, POLLIN, 0}, {self->timer, POLLIN, 0}};
        for (;;) {
            auto now = BootClock::now();
            for (;;) {
                std::function<void()> work;
                {
                    std::lock_guard lock(self->mutex);
                    if (self->stopping) return;
                    work = self->nextLocked(now);
                }
                if (!work) break;
                work();
            }
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
            std::uint64_t count = 0;
            if (fds[0].revents & POLLIN) {
                [[maybe_unused]] ssize_t n = ::read(self->wake, &count, sizeof count);
            }
            if (fds[1].revents & POLLIN) {
                [[maybe_unused]] ssize_t n = ::read(self->timer, &count, sizeof count);
            }
        }
    }
};

Executor::Executor() : shared_(std::make_shared<Shared>())
{
    shared_->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    shared_->timer = ::timerfd_create(CLOCK_BOOTTIME, TFD_CLOEXEC | TFD_NONBLOCK);
    if (shared_->wake < 0 || shared_->timer < 0)
        throw std::system_error(errno, std::generic_category(), "cannot create the engine's executor");
    std::lock_guard lock(shared_->mutex);
    thread_ = std::thread([shared = shared_] { Shared::run(shared); });
    shared_->threadId = thread_.get_id();
}

Executor::~Executor() { stop(); }

void Executor::stop()
{
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stopping = true;
    }
    shared_->signal();
    if (!thread_.joinable()) return;
    if (std::this_thread::get_id() == thread_.get_id()) thread_.detach();
    else thread_.join();
    // Closures dropped outside the lock: they may own objects whose
    // destructors post here again.
    std::deque<std::function<void()>> queue;
    std::map<TimerId, std::function<void()>> timers;
    {
        std::lock_guard lock(shared_->mutex);
        queue.swap(shared_->queue);
        timers.swap(shared_->timers);
    }
}

void Executor::post(std::function<void()> work)
{
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->stopping) return;
        shared_->queue.push_back(std::move(work));
    }
    shared_->signal();
}

Executor::TimerId Executor::postAt(BootClock::time_point at, std::function<void()> work)
{
    std::lock_guard lock(shared_->mutex);
    TimerId id = shared_->nextId++;
    if (shared_->stopping) return id;
    shared_->timers.emplace(id, std::move(work));
    shared_->heap.push({at, id});
    shared_->armLocked();
    return id;
}

Executor::TimerId Executor::postAfter(std::chrono::nanoseconds delay, std::function<void()> work)
{
    if (delay < std::chrono::nanoseconds::zero()) delay = std::chrono::nanoseconds::zero();
    return postAt(BootClock::now() + delay, std::move(work));
}

void Executor::cancel(TimerId id)
{
    std::function<void()> dropped;
    std::lock_guard lock(shared_->mutex);
    if (auto it = shared_->timers.find(id); it != shared_->timers.end()) {
        dropped = std::move(it->second);
        shared_->timers.erase(it);
    }
}

bool Executor::isCurrent() const
{
    return std::this_thread::get_id() == shared_->threadId;
}

}  // namespace olva::platform
