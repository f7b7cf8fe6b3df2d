#include "tests/app-activity/ActivityFixture.h"

#include "Core/FileInfo.h"
#include "Core/Log.h"
#include "Core/Store.h"
#include "OlvaApp/ActivityView/ActivityView.h"
#include "OlvaApp/Model/Model.h"
#include "tests/support/app/AppTestSupport.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace olva::test {

using namespace std::chrono_literals;

namespace {

// A fixed moment long before any test runs, so no generated entry is today.
const Date generatedStart = Date(std::chrono::seconds(1'700'000'000));

std::string idFor(std::size_t index)
{
    std::string digits = std::to_string(index);
    return "00000000-0000-4000-8000-" + std::string(12 - std::min<std::size_t>(12, digits.size()), '0') + digits;
}

const char* const ruleNames[] = {"Invoices", "Downloads cleanup", "Screenshots"};

}  // namespace

void FixedClock::callAfter(std::chrono::milliseconds delay, QObject* context, std::function<void()> callback)
{
    QTimer::singleShot(delay, context, std::move(callback));
}

Generated generatedKind(std::size_t index)
{
    if (index % 100 == 99) return Generated::failedUndo;
    switch (index % 10) {
    case 3: return Generated::failed;
    case 5: return Generated::dryRun;
    case 7: return Generated::undo;
    default: return Generated::moved;
    }
}

ActivityFixture::ActivityFixture() : home_(root_.path() / "home")
{
    for (const char* dir : {"Inbox", "Archive", "Downloads", "Documents/Invoices", ".local/share", ".config", ".cache"})
        std::filesystem::create_directories(home_ / dir);
    const auto set = [this](const char* name, const std::filesystem::path& value) {
        env_.push_back(std::make_unique<ScopedEnv>(name, value.string()));
    };
    set("HOME", home_);
    set("XDG_DATA_HOME", home_ / ".local/share");
    set("XDG_CONFIG_HOME", home_ / ".config");
    set("XDG_CACHE_HOME", home_ / ".cache");
    set("OLVA_HOME", home_ / ".local/share/Olva");
    settings = std::make_unique<QSettings>(QString::fromStdString((home_ / ".config/Olva.ini").string()),
                                           QSettings::IniFormat);
}

ActivityFixture::~ActivityFixture()
{
    view_.reset();
    model_.reset();
}

Config ActivityFixture::watchedInbox(bool paused) const
{
    Rule rule;
    rule.name = "Tidy";
    rule.dryRun = true;
    rule.match = Group{Group::Mode::all, {Condition{Attr::ext, Op::is, "never-made-by-a-test"}}};
    rule.actions = {Action::move((home_ / "Archive").string())};
    Folder folder;
    folder.path = inbox().string();
    folder.rules = {rule};
    Config config;
    config.paused = paused;
    config.folders = {folder};
    return config;
}

std::vector<Entry> ActivityFixture::generatedLog(std::size_t count) const
{
    std::vector<Entry> log;
    log.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        Entry entry;
        entry.id = idFor(i);
        entry.at = generatedStart + std::chrono::minutes(i / 2);
        std::string name = "file" + std::to_string(i) + ".pdf";
        entry.rule = ruleNames[i % 3];
        if (i + 10 == count) {
            name = "<b>x</b>.pdf";
            entry.rule = "<b>x</b>";
        } else if (i + 9 == count) {
            name = "tab\tand\abell.pdf";
        }
        entry.file = (home_ / "Downloads" / name).string();
        entry.version = "0123456789abcdef";
        entry.checks = {Check{Attr::ext, Op::is, "pdf", "pdf", true}};
        const Step move{Step::Kind::move, entry.file, (home_ / "Documents/Invoices" / name).string(), {}, {}, {}};
        switch (generatedKind(i)) {
        case Generated::moved: entry.steps = {move}; break;
        case Generated::failed: entry.error = "no room for " + name; break;
        case Generated::dryRun:
            entry.dryRun = true;
            entry.steps = {move};
            break;
        case Generated::undo:
        case Generated::failedUndo: {
            const Entry& undone = log.back();
            entry.file = undone.file;
            entry.rule = undone.rule;
            entry.checks.clear();
            entry.undoOf = undone.id;
            if (generatedKind(i) == Generated::undo) entry.steps = undone.steps;
            else entry.error = "the file changed since it was moved";
            break;
        }
        }
        log.push_back(std::move(entry));
    }
    return log;
}

Entry ActivityFixture::movedForReal(const std::string& name) const
{
    const auto from = inbox() / name;
    const auto to = home_ / "Archive" / name;
    writeFile(from, "contents of " + name + "\n");
    std::filesystem::rename(from, to);
    Entry entry;
    entry.at = currentDate();
    entry.file = from.string();
    entry.rule = "Archive";
    entry.version = "fedcba9876543210";
    entry.steps = {Step{Step::Kind::move, from.string(), to.string(), {}, {}, FileInfo::keyFor(to)}};
    return entry;
}

void ActivityFixture::writeLog(const std::vector<Entry>& entries) const
{
    const auto dir = home_ / ".local/share/Olva";
    std::filesystem::create_directories(dir);
    std::ofstream out(dir / "log.json", std::ios::binary | std::ios::app);
    for (const Entry& entry : entries) out << logLine(entry);
}

app::Model& ActivityFixture::start(ActivitySetup setup)
{
    auto store = std::make_shared<Store>(Store::defaultDir());
    store->saveConfig(setup.config);
    writeLog(setup.entries);
    if (setup.engineLockHeld) {
        lockHolder_ = std::make_unique<Store>(Store::defaultDir());
        lockHolder_->lockEngine();
    }
    if (setup.now) clock = std::make_unique<FixedClock>(*setup.now);
    app::ModelServices services;
    services.panels = &panels;
    services.workspace = &workspace;
    services.clock = clock.get();
    services.settings = settings.get();
    model_ = std::make_unique<app::Model>(store, services);
    auto started = model_->ensureStarted();
    EXPECT_TRUE(processUntil([&] { return started.isFinished(); }, 20s));
    return *model_;
}

app::ActivityView& ActivityFixture::view()
{
    if (!view_) {
        view_ = std::make_unique<app::ActivityView>(*model_);
        view_->resize(1100, 600);
        view_->show();
    }
    return *view_;
}

}  // namespace olva::test
