// A serial executor: one thread runs posted closures one at a time, in order,
// and closures due at a moment on the boot-time clock (which keeps counting
// while the computer sleeps). Any thread may post; a caller on another thread
// may wait for a result, while a caller on the executor runs inline, so the
// executor never waits on itself.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

namespace olva::platform {

// CLOCK_BOOTTIME as a std::chrono clock.
struct BootClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<BootClock>;
    static constexpr bool is_steady = true;
    static time_point now() noexcept;
};

class Executor {
public:
    using TimerId = std::uint64_t;

    Executor();
    // Stops the thread; closures not yet run are dropped. Safe to call on the
    // executor's own thread (the thread then ends after the current closure).
    ~Executor();
    Executor(const Executor&) = delete;
    Executor& operator=(const Executor&) = delete;

    // Runs the closure on the executor after every closure posted before it.
    // Ignored once the executor is stopped.
    void post(std::function<void()> work);
    // Runs the closure on the executor at (or soon after) the given moment.
    TimerId postAt(BootClock::time_point at, std::function<void()> work);
    TimerId postAfter(std::chrono::nanoseconds delay, std::function<void()> work);
    // A timer that has not started running never will.
    void cancel(TimerId id);

    bool isCurrent() const;

    // Runs work on the executor and returns its result (or rethrows its
    // exception) to the caller; inline when called on the executor itself.
    template <typename F>
    auto call(F&& work) -> std::invoke_result_t<F&>
    {
        using R = std::invoke_result_t<F&>;
        if (isCurrent()) return work();
        auto promise = std::make_shared<std::promise<R>>();
        std::future<R> result = promise->get_future();
        // The closure owns the promise: when it is dropped unrun, the waiter
        // gets a broken promise instead of waiting forever.
        post([promise = std::move(promise), &work] {
            try {
                if constexpr (std::is_void_v<R>) {
                    work();
                    promise->set_value();
                } else {
                    promise->set_value(work());
                }
            } catch (...) {
                promise->set_exception(std::current_exception());
            }
        });
        return result.get();
    }

    // Stops the thread (see the destructor); later posts are ignored.
    void stop();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace olva::platform
