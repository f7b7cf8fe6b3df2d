#include "tests/tool/ToolTestSupport.h"

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

Rule extRule(const std::string& name, const std::string& ext, Action action)
{
    Rule rule;
    rule.name = name;
    rule.match = Group{Group::Mode::all, {Condition{Attr::ext, Op::is, ext}}};
    rule.actions = {std::move(action)};
    return rule;
}

Console Captured::console()
{
    Console console;
    console.out = [this](const std::string& text) { out += text; };
    console.err = [this](const std::string& text) { err += text; };
    return console;
}

}  // namespace olva::test
