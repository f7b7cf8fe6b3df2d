// Tells when the computer woke from sleep, as the login manager announces it
// on the system bus.
#pragma once

#include <functional>
#include <memory>

namespace olva::platform {

class WakeMonitor {
public:
    // `woke` is called on the monitor's own thread after each wake. Nothing
    // when there is no system bus to listen on.
    static std::unique_ptr<WakeMonitor> create(std::function<void()> woke);
    ~WakeMonitor();
    WakeMonitor(const WakeMonitor&) = delete;
    WakeMonitor& operator=(const WakeMonitor&) = delete;

private:
    struct State;
    explicit WakeMonitor(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace olva::platform
