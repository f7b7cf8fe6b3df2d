#include "tests/tool/SignalListener.h"

#include <systemd/sd-bus.h>

namespace olva::test {

SignalListener::SignalListener()
{
    if (daemon_.address().empty()) return;
    address_.emplace("DBUS_SESSION_BUS_ADDRESS", daemon_.address());
    if (sd_bus_open_user(&bus_) < 0) {
        bus_ = nullptr;
        return;
    }
    if (sd_bus_add_match(bus_, nullptr, "type='signal',interface='tools.olva.app'", nullptr, nullptr) < 0) {
        sd_bus_unref(bus_);
        bus_ = nullptr;
        return;
    }
    // Make sure the match is in place before anything is sent.
    sd_bus_message* reply = nullptr;
    sd_bus_call_method(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.Peer", "Ping",
                       nullptr, &reply, "");
    sd_bus_message_unref(reply);
}

// The connection closes first; then the address is restored and the daemon
// stopped, in the reverse order of the members.
SignalListener::~SignalListener()
{
    if (bus_) sd_bus_flush_close_unref(bus_);
}

std::vector<std::string> SignalListener::received(std::chrono::milliseconds wait)
{
    if (!bus_) return members_;
    auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        sd_bus_message* message = nullptr;
        int r = sd_bus_process(bus_, &message);
        if (r > 0) {
            if (message && sd_bus_message_is_signal(message, "tools.olva.app", nullptr))
                members_.push_back(sd_bus_message_get_member(message));
            sd_bus_message_unref(message);
            continue;
        }
        if (r < 0) break;
        auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        sd_bus_wait(bus_, static_cast<uint64_t>(left.count()));
    }
    return members_;
}

}  // namespace olva::test
