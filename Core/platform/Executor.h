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
        // The result (or the error) is handed over under a lock and taken by
        // the waiter alone. The promise only says that it is there; the
        // closure owns it, so a closure dropped unrun (the executor stopped)
        // breaks it and the waiter is released with an error.
        struct Slot {
            std::mutex mutex;
            std::optional<std::conditional_t<std::is_void_v<R>, bool, R>> value;
            std::exception_ptr error;
        };
        auto slot = std::make_shared<Slot>();
        auto ready = std::make_shared<std::promise<void>>();
        std::future<void> handedOver = ready->get_future();
        post([slot, ready = std::move(ready), &work] {
            std::exception_ptr error;
            std::optional<std::conditional_t<std::is_void_v<R>, bool, R>> value;
            try {
                if constexpr (std::is_void_v<R>) {
                    work();
                    value.emplace(true);
                } else {
                    value.emplace(work());
                }
            } catch (...) {
                error = std::current_exception();
            }
            {
                std::lock_guard lock(slot->mutex);
                slot->value = std::move(value);
                slot->error = std::move(error);
            }
            ready->set_value();
        });
        handedOver.get();
        std::lock_guard lock(slot->mutex);
        if (slot->error) {
            std::exception_ptr error = std::move(slot->error);
            std::rethrow_exception(error);
        }
        if constexpr (!std::is_void_v<R>) return std::move(*slot->value);
    }

    // Stops the thread (see the destructor); later posts are ignored.
    void stop();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace olva::platform
