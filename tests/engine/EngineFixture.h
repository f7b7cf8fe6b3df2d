// A data directory, watched folders and an engine with a short settle
// interval, all in a fresh temporary folder, and ways to wait for what the
// engine reports.
#pragma once

#include "Core/engine/Engine.h"
#include "Core/engine/EngineImpl.h"
#include "Core/model/RuleVersion.h"
#include "Core/store/Store.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace olva::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// What the engine hands to its callbacks, kept for a test to wait on.
template <typename T>
class Inbox {
public:
    void push(T item)
    {
        std::lock_guard lock(mutex_);
        items_.push_back(std::move(item));
        arrived_.notify_all();
    }

    // True when at least `count` items arrived before the guard ran out.
    bool waitFor(std::size_t count, std::chrono::milliseconds timeout = hangGuard)
    {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, timeout, [&] { return items_.size() >= count; });
    }

    std::vector<T> items()
    {
        std::lock_guard lock(mutex_);
        return items_;
    }

    std::size_t size()
    {
        std::lock_guard lock(mutex_);
        return items_.size();
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<T> items_;
};

inline Condition extIs(std::string ext) { return Condition{Attr::ext, Op::is, std::move(ext)}; }
inline Condition nameIs(std::string name) { return Condition{Attr::name, Op::is, std::move(name)}; }

inline Rule makeRule(std::string name, std::vector<Node> conditions, std::vector<Action> actions, bool dryRun = false)
{
    Rule rule;
    rule.name = std::move(name);
    rule.dryRun = dryRun;
    rule.match = Group{Group::Mode::all, std::move(conditions)};
    rule.actions = std::move(actions);
    return rule;
}

class EngineTest : public ::testing::Test {
protected:
    EngineTest()
        : home_("HOME", (tmp.path() / "home").string()),
          olvaHome_("OLVA_HOME", (tmp.path() / "data").string()),
          xdgData_("XDG_DATA_HOME", (tmp.path() / "home" / ".local" / "share").string()),
          xdgConfig_("XDG_CONFIG_HOME", (tmp.path() / "home" / ".config").string()),
          xdgCache_("XDG_CACHE_HOME", (tmp.path() / "home" / ".cache").string())
    {
        fs::create_directories(tmp.path() / "home");
        inbox = fs::canonical(tmp.path()) / "inbox";
        done = fs::canonical(tmp.path()) / "done";
        fs::create_directories(inbox);
        fs::create_directories(done);
        store = std::make_shared<Store>(Store::defaultDir());
    }

    ~EngineTest() override
    {
        // A pass that is running holds the engine until it ends: wait for
        // it, so no callback reaches the inboxes after they are gone.
        std::weak_ptr<Engine> weak = engine;
        engine.reset();
        while (!weak.expired()) std::this_thread::sleep_for(1ms);
    }

    Folder folder(std::vector<Rule> rules, const fs::path& path = {}, std::int64_t depth = 0)
    {
        Folder result;
        result.path = (path.empty() ? inbox : path).string();
        result.depth = depth;
        result.rules = std::move(rules);
        return result;
    }

    void saveRules(std::vector<Folder> folders, bool paused = false)
    {
        Config config;
        config.paused = paused;
        config.folders = std::move(folders);
        store->saveConfig(config);
    }

    // An engine on the test's store whose callbacks fill the inboxes.
    std::shared_ptr<Engine> makeEngine(double settle)
    {
        auto made = Engine::create(store, settle);
        made->onEntry([this](const Entry& entry) { entries.push(entry); });
        made->onStatus([this](const std::map<std::string, FolderStatus>& map) { statuses.push(map); });
        made->onStoreProblem([this](const std::optional<std::string>& problem) { problems.push(problem); });
        return made;
    }

    // Runs work on the engine's executor, where its state may be touched.
    template <typename F>
    auto onEngine(F&& work)
    {
        return engine->impl().executor.call([&] { return work(engine->impl()); });
    }

    // Waits until the engine has run every timer of its own that falls due
    // within `ahead` from now: timers run in the order of their times, so
    // one set for then runs after them. Whether it got there.
    bool waitForDueWork(std::chrono::nanoseconds ahead = std::chrono::nanoseconds(0))
    {
        auto reached = std::make_shared<std::promise<void>>();
        auto future = reached->get_future();
        onEngine([&](Engine::Impl& impl) {
            impl.executor.postAfter(ahead, [reached] { reached->set_value(); });
            return 0;
        });
        return future.wait_for(hangGuard) == std::future_status::ready;
    }

    // Waits until the engine has heard every change made so far and the
    // passes those bring are over, with those that the passes' own changes
    // bring in turn. `marks` is a watched folder where nothing else
    // happens: a folder made in it is one event, which the watcher hands
    // over after the events before it, and the engine runs its pass after
    // the passes those brought. Whether it got there.
    bool waitUntilQuiet(const fs::path& marks)
    {
        auto passesOfMarks = [&] {
            return onEngine([&](Engine::Impl& impl) { return impl.scansOf[marks.string()]; });
        };
        for (int round = 0; round < 20; ++round) {
            const std::uint64_t scansBefore = scans(), marksBefore = passesOfMarks();
            fs::create_directory(marks / ("mark " + std::to_string(marksMade_++)));
            if (!eventually([&] { return passesOfMarks() > marksBefore; })) return false;
            if (scans() == scansBefore + 1) return true;
        }
        return false;
    }

    std::vector<Entry> logged() { return store->entries(); }
    std::size_t scans() { return onEngine([](Engine::Impl& impl) { return impl.scans; }); }

    TempDir tmp;

private:
    ScopedEnv home_, olvaHome_, xdgData_, xdgConfig_, xdgCache_;
    int marksMade_ = 0;

protected:
    fs::path inbox;
    fs::path done;
    std::shared_ptr<Store> store;
    Inbox<Entry> entries;
    Inbox<std::map<std::string, FolderStatus>> statuses;
    Inbox<std::optional<std::string>> problems;
    std::shared_ptr<Engine> engine;
};

}  // namespace olva::test
