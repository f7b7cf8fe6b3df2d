#include "Core/platform/FileStatus.h"
#include "Core/platform/Package.h"
#include "Core/platform/Watcher.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <thread>

using namespace olva;
using namespace olva::platform;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// Collects what a watcher reports, and lets a test wait for one path.
class Reports {
public:
    Watcher::Handler handler()
    {
        return [this](std::vector<std::string> paths) {
            std::lock_guard lock(mutex_);
            for (auto& path : paths) seen_.insert(std::move(path));
            ++batches_;
            changed_.notify_all();
        };
    }

    bool waitFor(const fs::path& path, std::chrono::milliseconds timeout = test::hangGuard)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return seen_.contains(path.string()); });
    }

    bool contains(const fs::path& path)
    {
        std::lock_guard lock(mutex_);
        return seen_.contains(path.string());
    }

    void clear()
    {
        std::lock_guard lock(mutex_);
        seen_.clear();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<std::string> seen_;
    int batches_ = 0;
};

fs::path resolved(const fs::path& path) { return fs::canonical(path); }

}  // namespace

TEST(Watcher, ReportsChangesInTheFolderAndNothingBeyondItsDepth)
{
    test::TempDir tmp;
    fs::path root = resolved(tmp.path());
    fs::create_directories(root / "one" / "two");
    fs::create_directories(root / ".hidden");
    Reports reports;
    auto watcher = Watcher::create({{root.string(), 1}}, reports.handler(), {}, 50ms);
    ASSERT_TRUE(watcher);

    test::writeFile(root / "a.txt", "x");
    EXPECT_TRUE(reports.waitFor(root / "a.txt"));
    test::writeFile(root / "one" / "b.txt", "x");
    EXPECT_TRUE(reports.waitFor(root / "one" / "b.txt"));

    // Level two is beyond a depth of 1, and hidden folders are not entered.
    test::writeFile(root / "one" / "two" / "c.txt", "x");
    test::writeFile(root / ".hidden" / "d.txt", "x");
    // Reported, they would have come no later than the marker.
    test::writeFile(root / "marker", "x");
    ASSERT_TRUE(reports.waitFor(root / "marker"));
    EXPECT_FALSE(reports.contains(root / "one" / "two" / "c.txt"));
    EXPECT_FALSE(reports.contains(root / ".hidden" / "d.txt"));
}

TEST(Watcher, TakesInNewSubdirectoriesAndWhatTheyAlreadyHold)
{
    test::TempDir tmp;
    fs::path root = resolved(tmp.path());
    Reports reports;
    auto watcher = Watcher::create({{root.string(), 3}}, reports.handler(), {}, 50ms);
    ASSERT_TRUE(watcher);

    // A folder created elsewhere with files inside, then moved in whole: its
    // contents make no events of their own, so they are reported as found.
    fs::path prepared = tmp.path().parent_path() / (tmp.path().filename().string() + "-prepared");
    fs::create_directories(prepared / "inner");
    test::writeFile(prepared / "inner" / "old.txt", "x");
    fs::rename(prepared, root / "moved");
    EXPECT_TRUE(reports.waitFor(root / "moved" / "inner" / "old.txt"));

    // A new subdirectory is watched: a file created in it later is reported.
    fs::create_directories(root / "fresh" / "deeper");
    EXPECT_TRUE(reports.waitFor(root / "fresh" / "deeper"));
    test::writeFile(root / "fresh" / "deeper" / "new.txt", "x");
    EXPECT_TRUE(reports.waitFor(root / "fresh" / "deeper" / "new.txt"));
    test::writeFile(root / "moved" / "inner" / "later.txt", "x");
    EXPECT_TRUE(reports.waitFor(root / "moved" / "inner" / "later.txt"));
}

TEST(Watcher, FollowsARenamedDirectoryAndForgetsOneMovedAway)
{
    test::TempDir tmp;
    fs::path root = resolved(tmp.path()) / "root";
    fs::path away = resolved(tmp.path()) / "away";
    fs::create_directories(root / "a" / "b");
    fs::create_directories(away);
    Reports reports;
    auto watcher = Watcher::create({{root.string(), 5}}, reports.handler(), {}, 50ms);
    ASSERT_TRUE(watcher);

    fs::rename(root / "a", root / "c");
    ASSERT_TRUE(reports.waitFor(root / "c"));
    test::writeFile(root / "c" / "b" / "x.txt", "x");
    EXPECT_TRUE(reports.waitFor(root / "c" / "b" / "x.txt"));
    EXPECT_FALSE(reports.contains(root / "a" / "b" / "x.txt"));

    // Moved out of the folder: changes there are no longer reported.
    reports.clear();
    fs::rename(root / "c", away / "c");
    ASSERT_TRUE(reports.waitFor(root / "c"));
    reports.clear();
    test::writeFile(away / "c" / "b" / "y.txt", "x");
    test::writeFile(root / "marker", "x");
    ASSERT_TRUE(reports.waitFor(root / "marker"));
    EXPECT_FALSE(reports.contains(root / "c" / "b" / "y.txt"));
    EXPECT_FALSE(reports.contains(away / "c" / "b" / "y.txt"));
}

TEST(Watcher, ReportsTheRootWhenEventsWereLost)
{
    std::uint64_t limit = 16384;
    if (std::ifstream in("/proc/sys/fs/inotify/max_queued_events"); in) in >> limit;
    if (limit > 100000) GTEST_SKIP() << "the event queue is too long to overflow quickly";

    test::TempDir tmp;
    fs::path root = resolved(tmp.path());
    // The handler holds the watcher's thread, so the kernel's queue fills.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    Reports reports;
    auto inner = reports.handler();
    std::atomic<bool> first = true;
    auto watcher = Watcher::create(
        {{root.string(), 0}},
        [&, released](std::vector<std::string> paths) {
            bool wasFirst = first.exchange(false);
            inner(std::move(paths));
            if (wasFirst) released.wait();
        },
        {}, 10ms);
    ASSERT_TRUE(watcher);
    test::writeFile(root / "start", "x");
    ASSERT_TRUE(reports.waitFor(root / "start"));
    for (std::uint64_t i = 0; i < limit / 2 + 100; ++i) {
        std::string path = (root / ("f" + std::to_string(i))).string();
        int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
        ::unlink(path.c_str());
    }
    release.set_value();
    EXPECT_TRUE(reports.waitFor(root));
}

TEST(Watcher, ARootThatIsMissingIsWaitedForAndWatchedWhenItComes)
{
    test::TempDir tmp;
    fs::path base = resolved(tmp.path());
    fs::create_directories(base / "gone");
    fs::create_directories(base / "moved");
    fs::create_directories(base / "watched");
    struct Case {
        std::string name;
        fs::path root;
        std::function<void()> takeAway;  // empty: missing from the start
        std::function<void()> bringBack;
    };
    std::vector<Case> cases{
        {"missing from the start, several levels deep", base / "a" / "b" / "c", {},
         [&] { fs::create_directories(base / "a" / "b" / "c"); }},
        {"deleted and made again", base / "gone", [&] { fs::remove_all(base / "gone"); },
         [&] { fs::create_directory(base / "gone"); }},
        {"moved away and another moved in", base / "moved", [&] { fs::rename(base / "moved", base / "elsewhere"); },
         [&] {
             fs::create_directory(base / "other");
             fs::rename(base / "other", base / "moved");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reports reports;
        auto watcher =
            Watcher::create({{c.root.string(), 1}, {(base / "watched").string(), 0}}, reports.handler(), {}, 10ms);
        ASSERT_TRUE(watcher);
        if (c.takeAway) {
            c.takeAway();
            EXPECT_TRUE(reports.waitFor(c.root));
        }
        // The way back is watched, but nothing on it is reported for itself.
        test::writeFile(base / "noise", "x");
        test::writeFile(base / "watched" / "marker", "x");
        ASSERT_TRUE(reports.waitFor(base / "watched" / "marker"));
        EXPECT_FALSE(reports.contains(base / "noise"));
        reports.clear();
        c.bringBack();
        EXPECT_TRUE(reports.waitFor(c.root));
        // Watched again, down to its depth.
        fs::create_directory(c.root / "sub");
        test::writeFile(c.root / "sub" / "f", "x");
        EXPECT_TRUE(reports.waitFor(c.root / "sub" / "f"));
    }
}

TEST(Watcher, TellsAttributeChangesWithTheFileAsItWasWhenTheBatchWentOut)
{
    test::TempDir tmp;
    fs::path root = resolved(tmp.path());
    for (const char* name : {"mode", "mode then data", "data"}) test::writeFile(root / name, "x");
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Watcher::Batch> batches;
    auto watcher = Watcher::create(
        {{root.string(), 0}},
        [&](Watcher::Batch batch) {
            std::lock_guard lock(mutex);
            batches.push_back(std::move(batch));
            arrived.notify_all();
        },
        {}, 1h);
    ASSERT_TRUE(watcher);
    auto sent = [&](const fs::path& path) {
        return std::any_of(batches.begin(), batches.end(), [&](const Watcher::Batch& batch) {
            return std::find(batch.paths.begin(), batch.paths.end(), path.string()) != batch.paths.end();
        });
    };

    // The first change of a quiet spell goes out alone; what follows within
    // the latency (here, until the watcher finishes) gathers in one batch.
    test::writeFile(root / "opener", "x");
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(arrived.wait_for(lock, test::hangGuard, [&] { return sent(root / "opener"); }));
    }
    fs::permissions(root / "mode", fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(root / "mode then data", fs::perms::owner_read | fs::perms::owner_write);
    test::writeFile(root / "mode then data", "y");
    test::writeFile(root / "data", "y");
    test::writeFile(root / "marker", "x");
    watcher->finish();
    std::unique_lock lock(mutex);
    ASSERT_TRUE(sent(root / "marker"));
    std::map<std::string, Watcher::AttributeChange> changes;
    std::set<std::string> paths;
    for (const auto& batch : batches) {
        paths.insert(batch.paths.begin(), batch.paths.end());
        for (const auto& change : batch.attributeChanges) changes.emplace(fs::path(change.path).filename(), change);
    }
    EXPECT_EQ(paths, (std::set<std::string>{(root / "opener").string(), (root / "mode").string(),
                                            (root / "mode then data").string(), (root / "data").string(),
                                            (root / "marker").string()}));
    ASSERT_EQ(changes.size(), 1u);
    auto status = fileStatus(root / "mode");
    ASSERT_TRUE(status);
    const auto& change = changes.begin()->second;
    EXPECT_EQ(change.path, (root / "mode").string());
    EXPECT_EQ(change.device, status->device);
    EXPECT_EQ(change.inode, status->inode);
    EXPECT_EQ(change.change.seconds, status->change.seconds);
    EXPECT_EQ(change.change.nanoseconds, status->change.nanoseconds);
}

TEST(Watcher, ReportsARootWhenALinkOnTheWayToItChanges)
{
    test::TempDir tmp;
    fs::path base = resolved(tmp.path());
    struct Case {
        std::string name;
        fs::path given;  // the path as configured, through links
        fs::path root;   // where it leads when the watcher starts
        std::function<void()> change;
    };
    fs::create_directories(base / "target" / "inbox");
    fs::create_directories(base / "other" / "inbox");
    fs::create_directories(base / "real");
    fs::create_directory_symlink(base / "target", base / "area");
    fs::create_directory_symlink("../area/inbox", base / "real" / "relative");
    fs::create_directory_symlink(base / "target" / "inbox", base / "direct");
    fs::create_directory_symlink(base / "target" / "inbox", base / "pointed");
    std::vector<Case> cases{
        {"the folder's link replaced by a real folder", base / "direct", base / "target" / "inbox",
         [&] {
             fs::remove(base / "direct");
             fs::create_directory(base / "direct");
         }},
        {"the folder's link pointed elsewhere", base / "pointed", base / "target" / "inbox",
         [&] {
             fs::create_directory_symlink(base / "other" / "inbox", base / "pointed.new");
             fs::rename(base / "pointed.new", base / "pointed");
         }},
        // The relative link leads through the other one.
        {"a link met on the way through another", base / "real" / "relative", base / "target" / "inbox",
         [&] {
             fs::remove(base / "area");
             fs::create_directory_symlink(base / "other", base / "area");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reports reports;
        auto watcher = Watcher::create({{c.root.string(), 0, c.given.string()}}, reports.handler(), {}, 10ms);
        ASSERT_TRUE(watcher);
        // Other names beside the link are no news.
        test::writeFile(base / "noise", "x");
        test::writeFile(c.root / "marker", "x");
        ASSERT_TRUE(reports.waitFor(c.root / "marker"));
        EXPECT_FALSE(reports.contains(base / "noise"));
        reports.clear();
        c.change();
        EXPECT_TRUE(reports.waitFor(c.root));
    }
}

TEST(Watcher, FinishHandsOverWhatWasNotSentYet)
{
    test::TempDir tmp;
    fs::path root = resolved(tmp.path());
    Reports reports;
    auto watcher = Watcher::create({{root.string(), 0}}, reports.handler(), {}, 1h);
    ASSERT_TRUE(watcher);
    test::writeFile(root / "first", "x");
    ASSERT_TRUE(reports.waitFor(root / "first"));
    // Held for the latency, which would outlast the watcher.
    test::writeFile(root / "second", "x");
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(reports.contains(root / "second"));
    watcher->finish();
    EXPECT_TRUE(reports.contains(root / "second"));
    // Nothing after that.
    reports.clear();
    test::writeFile(root / "third", "x");
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(reports.contains(root / "third"));
}

TEST(Package, IsDecidedByTheExtension)
{
    EXPECT_TRUE(isPackage("Tool.app"));
    EXPECT_TRUE(isPackage("/x/y/Notes.RTFD"));
    EXPECT_FALSE(isPackage("Photos"));
    EXPECT_FALSE(isPackage(".app"));
    EXPECT_FALSE(isPackage("archive.app.d"));
}
