#include "tests/tool/SignalListener.h"

#include <systemd/sd-bus.h>

#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace olva::test {

namespace {

// Starts a private session bus and gives its address, or nothing.
std::string startBus(int& pid)
{
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) return {};
    pid = ::fork();
    if (pid == 0) {
        ::dup2(pipe[1], 3);
        ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address=3", nullptr);
        ::_exit(127);
    }
    ::close(pipe[1]);
    std::string address;
    char c;
    while (::read(pipe[0], &c, 1) == 1 && c != '\n') address += c;
    ::close(pipe[0]);
    return address;
}

}  // namespace

SignalListener::SignalListener()
{
    std::string address = startBus(daemon_);
    if (address.empty()) return;
    if (const char* previous = std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
        hadAddress_ = true;
        previousAddress_ = previous;
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
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

SignalListener::~SignalListener()
{
    if (bus_) sd_bus_flush_close_unref(bus_);
    if (daemon_ > 0) {
        ::kill(daemon_, SIGTERM);
        ::waitpid(daemon_, nullptr, 0);
        if (hadAddress_) ::setenv("DBUS_SESSION_BUS_ADDRESS", previousAddress_.c_str(), 1);
        else ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
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
