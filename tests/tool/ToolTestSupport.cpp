#include "tests/tool/ToolTestSupport.h"

#include <csignal>
#include <cstdio>

namespace olva::test {

ToolFixture::ToolFixture() : env_("OLVA_HOME", (temp / "data").string())
{
    std::filesystem::create_directories(inbox());
    store_ = std::make_shared<Store>(home());
}

void ToolFixture::watch(const std::filesystem::path& folder, std::vector<Rule> rules, std::int64_t depth)
{
    Config config;
    config.folders.push_back(Folder{folder.string(), depth, false, std::move(rules)});
    store_->saveConfig(config);
}

void ToolFixture::appendEntries(int count)
{
    for (int i = 0; i < count; ++i) {
        char id[37];
        std::snprintf(id, sizeof id, "E0000000-0000-0000-0000-%012d", i);
        store_->append(logEntry(id, "/in/f" + std::to_string(i)));
    }
}

void ToolFixture::appendEntriesToUndo()
{
    Step move{Step::Kind::move, "/in/a", "/out/a", std::nullopt, std::nullopt, std::nullopt};
    store_->append(logEntry("C1000000-0000-0000-0000-000000000001", "/in/a", {move}));
    store_->append(logEntry("C1000000-0000-0000-0000-000000000002", "/in/b", {move}));
    store_->append(logEntry("C2000000-0000-0000-0000-000000000003", "/in/c"));
    Entry undo = logEntry("C3000000-0000-0000-0000-000000000004", "/in/a", {move});
    undo.undoOf = "C1000000-0000-0000-0000-000000000001";
    store_->append(undo);
}

SpawnOptions ToolFixture::inHome(std::string input) const
{
    SpawnOptions options;
    options.env["OLVA_HOME"] = home().string();
    options.cwd = temp.path().string();
    options.input = std::move(input);
    return options;
}

bool ToolFixture::killWhenHeld(const std::string& command, const std::string& hold)
{
    SpawnOptions options = inHome();
    options.env["OLVA_TEST_HOLD"] = hold;
    Child child({command}, options);
    const bool held = eventually([&] { return std::filesystem::exists(home() / "test-held"); });
    child.signal(SIGKILL);
    const int status = child.finish().status;
    std::filesystem::remove(home() / "test-held");
    return held && status == 128 + SIGKILL;
}

Rule extRule(const std::string& name, const std::string& ext, Action action)
{
    Rule rule;
    rule.name = name;
    rule.match = Group{Group::Mode::all, {Condition{Attr::ext, Op::is, ext}}};
    rule.actions = {std::move(action)};
    return rule;
}

std::string largePayload(char seed)
{
    std::string bytes(12 << 20, '\0');
    std::uint32_t state = std::uint32_t(seed);
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

std::set<std::string> namesIn(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(folder, error)) names.insert(item.path().filename());
    return names;
}

Entry logEntry(const std::string& id, const std::string& file, std::vector<Step> steps)
{
    Entry entry;
    entry.id = id;
    entry.at = currentDate();
    entry.file = file;
    entry.rule = "Tidy";
    entry.version = "0123456789abcdef";
    entry.steps = std::move(steps);
    return entry;
}

Console Captured::console()
{
    Console console;
    console.out = [this](const std::string& text) { out += text; };
    console.err = [this](const std::string& text) { err += text; };
    return console;
}

int Captured::run(std::vector<std::string> args)
{
    out.clear();
    err.clear();
    args.insert(args.begin(), "olva");
    return runTool(args, console());
}

}  // namespace olva::test
