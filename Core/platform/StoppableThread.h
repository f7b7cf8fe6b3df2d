// A background thread that waits on descriptors and is told to end through
// a descriptor of its own, so a blocking poll() wakes up when its owner goes.
#pragma once

#include <functional>
#include <thread>

namespace olva::platform {

class StoppableThread {
public:
    // Makes the stop descriptor; `valid()` tells whether that worked.
    StoppableThread();
    // Stops and joins the thread, then closes the descriptor.
    ~StoppableThread();
    StoppableThread(const StoppableThread&) = delete;
    StoppableThread& operator=(const StoppableThread&) = delete;

    bool valid() const { return stop_ >= 0; }
    // Becomes readable once the thread should end; poll it with the others.
    int stopDescriptor() const { return stop_; }

    void start(std::function<void()> body);
    // Tells the thread to end and waits for it. Call it before closing what
    // the thread reads; calling it again does nothing.
    void stop();

private:
    int stop_ = -1;
    std::thread thread_;
};

}  // namespace olva::platform
