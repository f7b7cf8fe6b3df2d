// Listens for the signals the tool sends to a running app, on a session bus
// of its own (so that other tests running at the same time are not heard),
// which the environment names while the listener lives.
#pragma once

#include "tests/support/TestSupport.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

struct sd_bus;

namespace olva::test {

class SignalListener {
public:
    SignalListener();
    ~SignalListener();
    SignalListener(const SignalListener&) = delete;
    SignalListener& operator=(const SignalListener&) = delete;

    // False when no bus could be started.
    bool connected() const { return bus_ != nullptr; }
    // The members ("rulesChanged", "activityChanged") received so far, once
    // every other connection the bus has now has ended: what a tool sends
    // comes before its end, and a tool that has finished its work (a call
    // returned, a process exited) is ending.
    std::vector<std::string> received();

private:
    PrivateBus daemon_;
    std::optional<ScopedEnv> address_;
    sd_bus* bus_ = nullptr;
    std::vector<std::string> members_;
};

}  // namespace olva::test
