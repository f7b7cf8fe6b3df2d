// `olva import`, `explain`, `undo` and `mcp`.
#include "olva/Tool.h"

#include "Core/engine/Engine.h"
#include "Core/hazel/HazelExportFile.h"
#include "Core/tools/RuleTools.h"
#include "Core/store/RulesLock.h"
#include "Core/store/Store.h"
#include "Core/base/UTF8.h"
#include "olva/EntryText.h"
#include "olva/McpServer.h"

#include <algorithm>

namespace olva {

namespace {

// The folder as it is stored: "~" forms stay as typed, anything else that is
// not absolute is taken against the working directory, since the engine
// would otherwise resolve it against its own.
std::string absoluteFolder(const std::string& folder)
{
    if (folder.empty() || folder.front() == '/' || folder == "~" || folder.starts_with("~/")) return folder;
    std::string path = (std::filesystem::current_path() / folder).lexically_normal().string();
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

int importCommand(const std::shared_ptr<Store>& store, const std::string& file, const std::string& folderArgument, const Console& console)
{
    Imported imported;
    try {
        std::string folder = absoluteFolder(folderArgument);
        imported = importHazelFile(file, folder);
        RulesLock lock(store->dir());
        Config config = store->loadConfig();
        auto existing = std::find_if(config.folders.begin(), config.folders.end(),
                                     [&](const Folder& candidate) { return candidate.path == folder; });
        if (existing != config.folders.end()) {
            existing->rules.insert(existing->rules.end(), imported.folder.rules.begin(), imported.folder.rules.end());
            existing->depth = std::max(existing->depth, imported.folder.depth);
        } else {
            config.folders.push_back(imported.folder);
        }
        store->saveConfig(config);
    } catch (const std::exception& error) {
        fail("import failed: " + failureText(error));
    }
    Store::announce(Store::rulesChanged);
    std::size_t enabled = std::count_if(imported.folder.rules.begin(), imported.folder.rules.end(),
                                        [](const Rule& rule) { return rule.enabled; });
    console.out("imported " + std::to_string(imported.folder.rules.size()) + " rule(s), " + std::to_string(enabled)
                + " enabled, all in dry-run\n");
    for (const std::string& note : imported.notes) console.out("  - " + printableText(note) + "\n");
    return 0;
}

int explainCommand(const std::shared_ptr<Store>& store, const std::string& file, const Console& console)
{
    std::vector<RuleTools::RuleExplanation> explanations;
    try {
        explanations = RuleTools(store).explain(file);
    } catch (const std::exception& error) {
        fail(failureText(error));
    }
    std::string text;
    for (const auto& explanation : explanations) text += explanationText(explanation);
    if (!text.empty()) console.out(text);
    return 0;
}

int undoCommand(const std::shared_ptr<Store>& store, const std::string& id, const Console& console)
{
    // An empty prefix would pick whatever single entry the log holds.
    if (id.empty()) fail(usageText());
    std::string prefix = uppercased(id);
    std::vector<Entry> matching = store->entriesWithIdPrefix(prefix);
    if (matching.size() != 1) fail(std::to_string(matching.size()) + " entries match " + printableText(prefix));
    try {
        Engine::create(store, 2.0)->undo(matching.front().id);
    } catch (const std::exception& error) {
        fail("undo failed: " + failureText(error));
    }
    Store::announce(Store::activityChanged);
    console.out("undone: " + formatEntry(matching.front()) + "\n");
    return 0;
}

int mcpCommand(const std::shared_ptr<Store>& store)
{
    serveMCP(store);
    return 0;
}

}  // namespace olva
