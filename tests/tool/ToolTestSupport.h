// What the tool's tests share: a data directory with watched folders and a
// log, rules and entries made in one line, and a console that keeps what the
// tool prints.
#pragma once

#include "Core/model/Entry.h"
#include "Core/model/Model.h"
#include "Core/store/Store.h"
#include "olva/Tool.h"
#include "tests/support/TestSupport.h"
#include "tests/tool/Spawn.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace olva::test {

// A scratch folder with a data directory (OLVA_HOME points at it for the
// fixture's life) and an empty watched folder "Inbox" beside it.
class ToolFixture {
public:
    ToolFixture();

    std::filesystem::path home() const { return temp / "data"; }
    std::filesystem::path inbox() const { return temp / "Inbox"; }
    const std::shared_ptr<Store>& store() { return store_; }

    // Writes rules.json with one folder holding these rules.
    void watch(const std::filesystem::path& folder, std::vector<Rule> rules = {}, std::int64_t depth = 0);
    Config config() { return store_->loadConfig(); }

    // Logs `count` runs on /in/f0, /in/f1... with the identifiers
    // E0000000-0000-0000-0000-000000000000, ...0001 and so on.
    void appendEntries(int count);
    // Logs two moves whose identifiers begin with C1, a run without steps
    // (C2) and an undo of the first move (C3).
    void appendEntriesToUndo();

    // How the built program runs on this data directory: from the scratch
    // folder, with `input` on standard input.
    SpawnOptions inHome(std::string input = {}) const;
    // Runs `olva <command>` with the engine's test hold set to `hold`, kills
    // it once it holds, and clears the mark; false when it never held.
    bool killWhenHeld(const std::string& command, const std::string& hold);

    TempDir temp;

private:
    ScopedEnv env_;
    std::shared_ptr<Store> store_;
};

Rule extRule(const std::string& name, const std::string& ext, Action action);

// Bytes made from `seed`, larger than a chunk of any copy, so that a copy
// of them can be stepped into midway.
std::string largePayload(char seed);
// The names in `folder`, none when it is not there.
std::set<std::string> namesIn(const std::filesystem::path& folder);

// A run of the rule "Tidy", logged now.
Entry logEntry(const std::string& id, const std::string& file, std::vector<Step> steps = {});

struct Captured {
    std::string out, err;
    Console console();
    // Runs the tool in-process (the program path is added first) and keeps
    // only what this run printed.
    int run(std::vector<std::string> args);
};

}  // namespace olva::test
