#include "Core/store/Store.h"
#include "tests/support/TestSupport.h"

#include <systemd/sd-bus.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace olva;
using namespace olva::test;

namespace {

// Listens on the session bus for the app's signals and records their members.
class Listener {
public:
    Listener()
    {
        if (sd_bus_open_user(&bus_) < 0) return;
        ok_ = sd_bus_match_signal(bus_, nullptr, nullptr, "/tools/olva/app", "tools.olva.app", nullptr,
                                  &Listener::onSignal, this)
              >= 0;
    }
    ~Listener() { sd_bus_flush_close_unref(bus_); }

    bool ok() const { return ok_; }
    const std::vector<std::string>& members() const { return members_; }

    // Processes messages until `count` signals arrived or time runs out.
    bool waitFor(std::size_t count, std::chrono::milliseconds timeout)
    {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (members_.size() < count) {
            int r = sd_bus_process(bus_, nullptr);
            if (r < 0) return false;
            if (r > 0) continue;
            auto left = deadline - std::chrono::steady_clock::now();
            if (left <= std::chrono::steady_clock::duration::zero()) return false;
            sd_bus_wait(bus_, std::chrono::duration_cast<std::chrono::microseconds>(left).count());
        }
        return true;
    }

private:
    static int onSignal(sd_bus_message* message, void* self, sd_bus_error*)
    {
        auto* listener = static_cast<Listener*>(self);
        listener->members_.push_back(sd_bus_message_get_member(message));
        // No arguments travel with the signal.
        if (sd_bus_message_peek_type(message, nullptr, nullptr) != 0) listener->members_.back() += " (with arguments)";
        return 0;
    }

    sd_bus* bus_ = nullptr;
    bool ok_ = false;
    std::vector<std::string> members_;
};

}  // namespace

TEST(Notifications, AreSignalsOnTheSessionBus)
{
    // A session bus of the test's own: on a shared one, programs that other
    // tests start announce too.
    PrivateBus bus;
    if (bus.address().empty()) GTEST_SKIP() << "no dbus-daemon";
    ScopedEnv session("DBUS_SESSION_BUS_ADDRESS", bus.address());
    Listener listener;
    ASSERT_TRUE(listener.ok());

    Store::announce(Store::rulesChanged);
    Store::announce(Store::activityChanged);
    ASSERT_TRUE(listener.waitFor(2, hangGuard));
    EXPECT_EQ(listener.members(), (std::vector<std::string>{"rulesChanged", "activityChanged"}));
}

TEST(Notifications, WithoutASessionBusNothingFails)
{
    TempDir tmp;
    ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (tmp / "no-bus").string());
    ScopedEnv runtime("XDG_RUNTIME_DIR", tmp.path().string());
    EXPECT_NO_THROW(Store::announce(Store::rulesChanged));
}
