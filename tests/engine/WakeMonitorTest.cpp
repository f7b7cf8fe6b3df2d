#include "Core/platform/WakeMonitor.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <atomic>
#include <string>
#include <thread>

using namespace olva;
using namespace olva::test;
using namespace std::chrono_literals;

namespace {

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
    // A bus of the test's own stands in for the system bus.
    PrivateBus daemon;
    if (daemon.address().empty()) GTEST_SKIP() << "no dbus-daemon";
    ScopedEnv systemBus("DBUS_SYSTEM_BUS_ADDRESS", daemon.address());

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
    EXPECT_TRUE(eventually([&] { return wakes > 0; }));
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
    TempDir tmp;
    ScopedEnv systemBus("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (tmp.path() / "no-bus").string());
    EXPECT_FALSE(platform::WakeMonitor::create([] {}));
}
