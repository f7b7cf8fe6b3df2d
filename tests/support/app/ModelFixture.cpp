#include "tests/support/app/ModelFixture.h"

#include "Core/base/JsonWriter.h"

namespace olva::test {

ModelFixture::ModelFixture()
{
    auto set = [&](const char* name, const std::filesystem::path& path) {
        std::filesystem::create_directories(path);
        env_.push_back(std::make_unique<ScopedEnv>(name, path.string()));
    };
    set("HOME", home());
    set("XDG_CONFIG_HOME", temp.path() / "config");
    set("XDG_DATA_HOME", temp.path() / "share");
    set("XDG_CACHE_HOME", temp.path() / "cache");
    set("OLVA_HOME", dataDir());
    set("XDG_RUNTIME_DIR", temp.path() / "runtime");
    std::filesystem::permissions(temp.path() / "runtime", std::filesystem::perms::owner_all);
    env_.push_back(std::make_unique<ScopedEnv>("DBUS_SESSION_BUS_ADDRESS", bus.address()));
    settings = std::make_unique<QSettings>(QString::fromStdString((temp.path() / "settings.ini").string()),
                                           QSettings::IniFormat);
    store = std::make_shared<Store>(dataDir());
    services = app::ModelServices{.panels = &panels,
                                  .workspace = &workspace,
                                  .autostart = &autostart,
                                  .clock = &clock,
                                  .settings = settings.get(),
                                  .settle = 0};
}

ModelFixture::~ModelFixture() { model_.reset(); }

std::filesystem::path ModelFixture::folder(const std::string& name) const
{
    std::filesystem::path path = home() / name;
    std::filesystem::create_directories(path);
    return path;
}

bool ModelFixture::engineLockFree() const
{
    try {
        Store(dataDir()).lockEngine();
        return true;
    } catch (...) {
        return false;
    }
}

void ModelFixture::writeRules(const Config& config)
{
    writeFile(dataDir() / "rules.json",
              writeJson(toJson(config), {.pretty = true, .sortKeys = true, .escapeSlashes = false}));
}

Config ModelFixture::rulesOnDisk() { return Store(dataDir()).loadConfig(); }

app::Model& ModelFixture::model()
{
    if (!model_) {
        model_ = std::make_unique<app::Model>(store, services);
        model_->setMainWindowPresenter(&window);
    }
    return *model_;
}

bool ModelFixture::start()
{
    QFuture<void> started = model().ensureStarted();
    return until([&] { return started.isFinished(); });
}

app::Model& ModelFixture::restart()
{
    // The same store: the engine lock is the process's for its whole life.
    model_.reset();
    return model();
}

Rule extRule(const std::string& name, const std::string& ext, std::vector<Action> actions, bool dryRun)
{
    return Rule{.name = name,
                .enabled = true,
                .dryRun = dryRun,
                .match = Group{Group::Mode::all, {Node(Condition{Attr::ext, Op::is, ext})}},
                .actions = std::move(actions)};
}

Folder watched(const std::filesystem::path& path, std::vector<Rule> rules, std::int64_t depth)
{
    return Folder{.path = path.string(), .depth = depth, .paused = false, .rules = std::move(rules)};
}

}  // namespace olva::test
