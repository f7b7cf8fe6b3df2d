// The model fixture with what the activity views' tests add: a watched
// folder, generated logs, files really moved and logged, and the view.
#pragma once

#include "Core/model/Entry.h"
#include "tests/support/app/ModelFixture.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace olva::app {
class ActivityView;
}

namespace olva::test {

// What kind of run a generated entry is, by its index.
enum class Generated { moved, failed, dryRun, undo, failedUndo };
Generated generatedKind(std::size_t index);

class ActivityTest : public ModelFixture {
public:
    ActivityTest();
    ~ActivityTest() override;

    // The watched folder every setup has: <home>/Inbox, with a rule that
    // matches nothing the tests make.
    std::filesystem::path inbox() const { return home() / "Inbox"; }
    Config watchedInbox(bool paused = false);

    // `count` entries of every kind, one minute apart with pairs sharing a
    // time, hostile names among the last ones; undo records refer to the
    // entry before them.
    std::vector<Entry> generatedLog(std::size_t count) const;
    // A file really moved from the inbox to <home>/Archive, and the entry
    // that logs it, dated now.
    Entry movedForReal(const std::string& name);
    void writeLog(const std::vector<Entry>& entries) const;

    // Writes the rules and the log, and starts the model on them. With
    // `engineLockHeld`, another process seems to run the engine.
    void startWith(const Config& config, const std::vector<Entry>& entries, bool engineLockHeld = false);
    // Reads what was added to the log since.
    void refresh();

    // The view on the model, made and shown on first use.
    app::ActivityView& view();

private:
    std::unique_ptr<Store> lockHolder_;
    std::unique_ptr<app::ActivityView> view_;
};

}  // namespace olva::test
