// A home folder of its own with a data directory, a log and a started model
// on it, for the tests of the activity views; and fakes of the desktop
// services those views use.
#pragma once

#include "Core/Entry.h"
#include "Core/Model.h"
#include "Core/Store.h"
#include "OlvaApp/Model/Clock.h"
#include "OlvaApp/Model/OpenPanels.h"
#include "OlvaApp/Model/Workspace.h"
#include "tests/support/TestSupport.h"

#include <QSettings>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace olva::app {
class ActivityView;
class Model;
}  // namespace olva::app

namespace olva::test {

class FakeWorkspace final : public app::Workspace {
public:
    void open(const std::filesystem::path& file) override { opened.push_back(file); }
    void reveal(const std::filesystem::path& item) override { revealed.push_back(item); }

    std::vector<std::filesystem::path> opened;
    std::vector<std::filesystem::path> revealed;
};

class FakePanels final : public app::OpenPanels {
public:
    std::optional<std::filesystem::path> choose(const app::OpenPanelRequest& request) override
    {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<app::OpenPanelRequest> requests;
    std::deque<std::optional<std::filesystem::path>> answers;
};

// The time of day the test says; delays are real timers.
class FixedClock final : public app::Clock {
public:
    explicit FixedClock(Date now) : now_(now) {}
    Date now() const override { return now_; }
    void callAfter(std::chrono::milliseconds delay, QObject* context, std::function<void()> callback) override;

    Date now_;
};

// What kind of run a generated entry is, by its index.
enum class Generated { moved, failed, dryRun, undo, failedUndo };
Generated generatedKind(std::size_t index);

struct ActivitySetup {
    Config config;
    std::vector<Entry> entries;
    // Another process runs the engine: the model cannot start.
    bool engineLockHeld = false;
    std::optional<Date> now;  // the clock; none: the system's
};

class ActivityFixture {
public:
    ActivityFixture();
    ~ActivityFixture();

    const std::filesystem::path& home() const { return home_; }
    // The watched folder every setup has: <home>/Inbox, rules that match
    // nothing the tests make.
    std::filesystem::path inbox() const { return home_ / "Inbox"; }
    Config watchedInbox(bool paused = false) const;

    // `count` entries of every kind, one minute apart with pairs sharing a
    // time, hostile names among the last ones; entries made with undo
    // records refer to the entry before them.
    std::vector<Entry> generatedLog(std::size_t count) const;
    // A file really moved from the inbox to <home>/Archive, and the entry
    // that logs it, newer than every generated one.
    Entry movedForReal(const std::string& name) const;
    void writeLog(const std::vector<Entry>& entries) const;

    // Writes the rules and the log, and starts a model on them.
    app::Model& start(ActivitySetup setup);
    app::Model& model() { return *model_; }
    app::ActivityView& view();

    FakeWorkspace workspace;
    FakePanels panels;
    std::unique_ptr<FixedClock> clock;
    std::unique_ptr<QSettings> settings;

private:
    TempDir root_;
    std::filesystem::path home_;
    std::vector<std::unique_ptr<ScopedEnv>> env_;
    std::unique_ptr<Store> lockHolder_;
    std::unique_ptr<app::Model> model_;
    std::unique_ptr<app::ActivityView> view_;
};

}  // namespace olva::test
