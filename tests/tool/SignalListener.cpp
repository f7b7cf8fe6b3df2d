#include "tests/tool/SignalListener.h"

#include <systemd/sd-bus.h>

#include <cstdlib>
#include <cstring>
#include <set>

namespace olva::test {

SignalListener::SignalListener()
{
    if (daemon_.address().empty()) return;
    address_.emplace("DBUS_SESSION_BUS_ADDRESS", daemon_.address());
    if (sd_bus_open_user(&bus_) < 0) {
        bus_ = nullptr;
        return;
    }
    // The tool's signals, and the bus's word of connections that end.
    if (sd_bus_add_match(bus_, nullptr, "type='signal',interface='tools.olva.app'", nullptr, nullptr) < 0
        || sd_bus_add_match(bus_, nullptr,
                            "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
                            "member='NameOwnerChanged'",
                            nullptr, nullptr)
               < 0) {
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

std::vector<std::string> SignalListener::received()
{
    if (!bus_) return members_;
    // The bus names a sender as soon as it has said hello, which a tool
    // waits for before it sends anything; one gone before the bus answers
    // this call sent all it did before the answer.
    std::set<std::string> others;
    const char* own = nullptr;
    sd_bus_get_unique_name(bus_, &own);
    sd_bus_message* reply = nullptr;
    char** names = nullptr;
    if (sd_bus_call_method(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "ListNames",
                           nullptr, &reply, "")
            >= 0
        && sd_bus_message_read_strv(reply, &names) >= 0)
        for (char** name = names; name && *name; ++name)
            if (**name == ':' && (!own || std::strcmp(*name, own) != 0)) others.insert(*name);
    for (char** name = names; name && *name; ++name) std::free(*name);
    std::free(names);
    sd_bus_message_unref(reply);

    auto deadline = std::chrono::steady_clock::now() + hangGuard;
    for (;;) {
        sd_bus_message* message = nullptr;
        int r = sd_bus_process(bus_, &message);
        if (r > 0) {
            if (message && sd_bus_message_is_signal(message, "tools.olva.app", nullptr)) {
                members_.push_back(sd_bus_message_get_member(message));
            } else if (message && sd_bus_message_is_signal(message, "org.freedesktop.DBus", "NameOwnerChanged")) {
                const char *name = nullptr, *before = nullptr, *after = nullptr;
                if (sd_bus_message_read(message, "sss", &name, &before, &after) >= 0 && after && !*after)
                    others.erase(name);
            }
            sd_bus_message_unref(message);
            continue;
        }
        if (r < 0 || others.empty()) break;
        auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        sd_bus_wait(bus_, static_cast<uint64_t>(left.count()));
    }
    return members_;
}

}  // namespace olva::test
