// What the tool's tests share: a data directory with watched folders, rules
// made in one line, and a console that keeps what the tool prints.
#pragma once

#include "Core/Model.h"
#include "Core/Store.h"
#include "olva/Tool.h"
#include "tests/support/TestSupport.h"

#include <memory>
#include <string>

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

    TempDir temp;

private:
    ScopedEnv env_;
    std::shared_ptr<Store> store_;
};

Rule extRule(const std::string& name, const std::string& ext, Action action);

struct Captured {
    std::string out, err;
    Console console();
};

}  // namespace olva::test
