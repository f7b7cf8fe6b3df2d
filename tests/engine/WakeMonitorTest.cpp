#include "Core/platform/WakeMonitor.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

using namespace olva;
using namespace std::chrono_literals;

namespace {

// A bus daemon of the test's own, standing in for the system bus.
class PrivateBus {
public:
    PrivateBus()
    {
        FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
        if (!out) return;
        char line[512];
        if (std::fgets(line, sizeof line, out)) address_ = trim(line);
        if (std::fgets(line, sizeof line, out)) pid_ = std::stoi(trim(line));
        ::pclose(out);
    }
    ~PrivateBus()
    {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
    }
    const std::string& address() const { return address_; }

private:
    static std::string trim(std::string text)
    {
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        return text;
    }
    std::string address_;
    int pid_ = 0;
};

// The login manager's announcement, from a connection that owns its name.
void announce(sd_bus* bus, bool sleeping)
{
    ASSERT_GE(sd_bus_emit_signal(bus, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                 "PrepareForSleep", "b", int(sleeping)),
              0);
    sd_bus_flush(bus);
}

}  // namespace

TEST(WakeMonitor, CallsBackWhenTheLoginManagerAnnouncesAWake)
{
    PrivateBus daemon;
    if (daemon.address().empty()) GTEST_SKIP() << "no dbus-daemon";
    test::ScopedEnv systemBus("DBUS_SYSTEM_BUS_ADDRESS", daemon.address());

    sd_bus* manager = nullptr;
    ASSERT_GE(sd_bus_new(&manager), 0);
    ASSERT_GE(sd_bus_set_address(manager, daemon.address().c_str()), 0);
    ASSERT_GE(sd_bus_set_bus_client(manager, 1), 0);
    ASSERT_GE(sd_bus_start(manager), 0);
    ASSERT_GE(sd_bus_request_name(manager, "org.freedesktop.login1", 0), 0);

    std::atomic<int> wakes = 0;
    auto monitor = platform::WakeMonitor::create([&] { ++wakes; });
    ASSERT_TRUE(monitor);

    announce(manager, true);
    announce(manager, false);
    for (int i = 0; i < 200 && wakes == 0; ++i) std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(wakes, 1);

    // Nothing more once the monitor is gone.
    monitor.reset();
    announce(manager, false);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(wakes, 1);
    sd_bus_flush_close_unref(manager);
}

TEST(WakeMonitor, WithoutASystemBusThereIsNothingToWatch)
{
    test::TempDir tmp;
    test::ScopedEnv systemBus("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (tmp.path() / "no-bus").string());
    EXPECT_FALSE(platform::WakeMonitor::create([] {}));
}
