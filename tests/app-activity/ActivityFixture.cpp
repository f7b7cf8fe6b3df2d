#include "tests/app-activity/ActivityFixture.h"

#include "Core/facts/FileInfo.h"
#include "Core/store/Log.h"
#include "OlvaApp/ActivityView/ActivityView.h"

#include <algorithm>
#include <fstream>

namespace olva::test {

namespace {

// A fixed moment long before any test runs, so no generated entry is today.
const Date generatedStart = Date(std::chrono::seconds(1'700'000'000));

std::string idFor(std::size_t index)
{
    const std::string digits = std::to_string(index);
    return "00000000-0000-4000-8000-" + std::string(12 - std::min<std::size_t>(12, digits.size()), '0') + digits;
}

const char* const ruleNames[] = {"Invoices", "Downloads cleanup", "Screenshots"};

}  // namespace

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

ActivityTest::ActivityTest() = default;
ActivityTest::~ActivityTest() { view_.reset(); }

Config ActivityTest::watchedInbox(bool paused)
{
    folder("Inbox");
    folder("Archive");
    Rule rule = extRule("Tidy", "never-made-by-a-test", {Action::move(folder("Archive").string())}, true);
    Config config;
    config.paused = paused;
    config.folders = {watched(inbox(), {rule})};
    return config;
}

std::vector<Entry> ActivityTest::generatedLog(std::size_t count) const
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
            name = "<b>x<b>.pdf";
            entry.rule = "<b>x</b>";
        } else if (i + 9 == count) {
            name = "tab\tand\abell.pdf";
        }
        entry.file = (home() / "Downloads" / name).string();
        entry.version = "0123456789abcdef";
        entry.checks = {Check{Attr::ext, Op::is, "pdf", "pdf", true}};
        const Step move{Step::Kind::move, entry.file, (home() / "Documents/Invoices" / name).string(), {}, {}, {}};
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

Entry ActivityTest::movedForReal(const std::string& name)
{
    const auto from = folder("Inbox") / name;
    const auto to = folder("Archive") / name;
    writeFile(from, "contents of " + name + "\n");
    std::filesystem::rename(from, to);
    Entry entry;
    entry.at = clock.now();
    entry.file = from.string();
    entry.rule = "Archive";
    entry.version = "fedcba9876543210";
    entry.steps = {Step{Step::Kind::move, from.string(), to.string(), {}, {}, FileInfo::keyFor(to)}};
    return entry;
}

void ActivityTest::writeLog(const std::vector<Entry>& entries) const
{
    std::filesystem::create_directories(dataDir());
    std::ofstream out(dataDir() / "log.json", std::ios::binary | std::ios::app);
    for (const Entry& entry : entries) out << logLine(entry);
}

void ActivityTest::startWith(const Config& config, const std::vector<Entry>& entries, bool engineLockHeld)
{
    writeRules(config);
    writeLog(entries);
    if (engineLockHeld) {
        lockHolder_ = std::make_unique<Store>(dataDir());
        lockHolder_->lockEngine();
    }
    ASSERT_TRUE(start());
}

void ActivityTest::refresh()
{
    auto read = model().refresh();
    ASSERT_TRUE(until([&] { return read.isFinished(); }));
}

app::ActivityView& ActivityTest::view()
{
    if (!view_) {
        view_ = std::make_unique<app::ActivityView>(model());
        view_->resize(1100, 600);
        view_->show();
    }
    return *view_;
}

}  // namespace olva::test
