// A model on a scratch world of its own: HOME, the XDG folders and OLVA_HOME
// in a fresh temporary folder, a private session bus, its own settings file,
// and fake desktop services. Views' tests build on it.
#pragma once

#include "Core/model/Model.h"
#include "Core/store/Store.h"
#include "OlvaApp/Model/Model.h"
#include "tests/support/TestSupport.h"
#include "tests/support/app/AppTestSupport.h"
#include "tests/support/app/FakeServices.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace olva::test {

class ModelFixture : public ::testing::Test {
public:
    ModelFixture();
    ~ModelFixture() override;

    std::filesystem::path home() const { return temp.path() / "home"; }
    std::filesystem::path dataDir() const { return temp.path() / "data"; }
    // A folder in the home folder, made when missing.
    std::filesystem::path folder(const std::string& name) const;

    // Whether the data directory's engine lock is free, which it is until a
    // model starts an engine on it.
    bool engineLockFree() const;

    // Writes rules.json as another program would.
    void writeRules(const Config& config);
    Config rulesOnDisk();

    // The model, made on first use with the fixture's services.
    app::Model& model();
    // ensureStarted, waited for (hangGuard at most); whether it finished.
    bool start();
    // The model made afresh, as after a restart of the app.
    app::Model& restart();

    // Waits (hangGuard at most) while running the event loop.
    bool until(const std::function<bool()>& condition) { return processUntil(condition); }

    TempDir temp;
    PrivateBus bus;
    FakePanels panels;
    FakeWorkspace workspace;
    FakeAutostart autostart;
    FakeMainWindow window;
    FakeClock clock;
    std::unique_ptr<QSettings> settings;
    // Services the model is made with; a test may change them before the
    // first call of model().
    app::ModelServices services;
    std::shared_ptr<Store> store;

private:
    std::vector<std::unique_ptr<ScopedEnv>> env_;
    std::unique_ptr<app::Model> model_;
};

// Rules and entries in one line.
Rule extRule(const std::string& name, const std::string& ext, std::vector<Action> actions, bool dryRun = false);
Folder watched(const std::filesystem::path& path, std::vector<Rule> rules = {}, std::int64_t depth = 0);

}  // namespace olva::test
