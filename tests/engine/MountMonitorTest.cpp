#include "Core/platform/MountMonitor.h"

#include "tests/support/PrivateMounts.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

using namespace olva;
using namespace olva::platform;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const std::string root = "22 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n";
const std::string proc = "23 22 0:21 / /proc rw,nosuid shared:2 - proc proc rw\n";
const std::string usb = "40 22 8:1 / /media/usb\\040stick rw shared:9 - vfat /dev/sdb1 rw\n";

}  // namespace

TEST(MountMonitor, NamesTheMountPointsOfTheLinesThatDiffer)
{
    struct Case {
        std::string name;
        std::string before, after;
        std::vector<std::string> points;
    };
    std::vector<Case> cases{
        {"nothing changed", root + proc, root + proc, {}},
        {"a volume appeared, its space written as the kernel writes it", root + proc, root + usb + proc,
         {"/media/usb stick"}},
        {"a volume went away", root + usb + proc, root + proc, {"/media/usb stick"}},
        {"a mount's options changed", root + proc,
         "22 1 254:0 / / ro,relatime shared:1 - ext4 /dev/vda ro\n" + proc, {"/"}},
        {"the same lines in another order", proc + root, root + proc, {}},
        {"a tab, a newline and a backslash in the path, and a line cut short",
         root, root + "41 22 0:50 / /mnt/a\\011b\\012c\\134d rw - tmpfs tmpfs rw\n42 22 0:51 /", {"/mnt/a\tb\nc\\d"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(changedMountPoints(c.before, c.after), c.points);
    }
}

TEST(MountMonitor, CallsBackWithWhereAVolumeWasMountedOrUnmounted)
{
    test::PrivateMounts mounts;
    if (!mounts.unavailable().empty()) GTEST_SKIP() << mounts.unavailable();
    test::TempDir tmp;
    fs::path point = fs::canonical(tmp.path()) / "a volume";
    fs::create_directory(point);

    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::vector<std::string>> calls;
    auto monitor = MountMonitor::create([&](const std::vector<std::string>& points) {
        std::lock_guard lock(mutex);
        calls.push_back(points);
        arrived.notify_all();
    });
    ASSERT_TRUE(monitor);
    auto waitFor = [&](std::size_t count) {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, test::hangGuard, [&] { return calls.size() >= count; });
    };

    ASSERT_TRUE(mounts.mountTmpfs(point));
    ASSERT_TRUE(waitFor(1));
    ASSERT_TRUE(mounts.unmount(point));
    ASSERT_TRUE(waitFor(2));
    std::lock_guard lock(mutex);
    EXPECT_EQ(calls, (std::vector<std::vector<std::string>>{{point.string()}, {point.string()}}));
}
