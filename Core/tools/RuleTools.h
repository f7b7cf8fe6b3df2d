// The narrow interface to the rules for clients other than the app (the MCP
// server): list, preview, add and replace rules, explain a file, read and
// revert activity. Every call reads the data directory afresh; every rule it
// saves is a dry run, and it never adds or changes rules that run scripts.
#pragma once

#include "Core/model/Check.h"
#include "Core/model/Entry.h"
#include "Core/model/Model.h"
#include "Core/model/Step.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace olva {

class Store;

class RuleTools {
public:
    struct FolderSummary {
        std::string path;  // as stored in the rules file
        std::int64_t depth = 0;
        bool paused = false;
        std::int64_t rules = 0;
    };

    struct IndexedRule {
        std::int64_t index = 0;
        Rule rule;
    };

    struct PreviewResult {
        std::string file;
        bool matches = false;
        std::vector<Step> wouldDo;
        std::optional<Check> decidedBy;  // the last check evaluated
        std::optional<std::string> error;
    };

    struct RuleExplanation {
        std::string rule;
        bool matches = false;
        bool alreadyApplied = false;
        std::vector<Check> checks;
        bool dryRun = false;
    };

    struct Reverted {
        std::string file;
        std::string rule;
        bool scriptsNotReverted = false;
    };

    explicit RuleTools(std::shared_ptr<Store> store) : store_(std::move(store)) {}

    std::vector<FolderSummary> listFolders() const;
    std::vector<IndexedRule> listRules(const std::string& folder) const;
    std::vector<PreviewResult> preview(const Rule& rule, const std::string& folder) const;
    // The new rule's index.
    std::int64_t create(const Rule& rule, const std::string& folder) const;
    void update(const Rule& rule, const std::string& folder, std::int64_t index, const std::string& expectedName) const;
    std::vector<RuleExplanation> explain(const std::string& file) const;
    std::vector<Entry> activity(std::int64_t limit, const std::optional<std::string>& folder) const;
    Reverted revert(const std::string& id) const;

    // Which watched folder `path` names, compared after "~" expansion and
    // resolution of links; throws ActionError when none does.
    static std::size_t folderIndex(const std::string& path, const std::vector<Folder>& folders);
    // The rule as these tools save it: valid, without scripts, a dry run.
    static Rule checkedRule(Rule rule);

private:
    std::shared_ptr<Store> store_;
};

// JSON forms, members in the order of the fields; absent optionals leave no key.
nlohmann::ordered_json toJson(const RuleTools::FolderSummary& summary);
nlohmann::ordered_json toJson(const RuleTools::IndexedRule& indexed);
nlohmann::ordered_json toJson(const RuleTools::PreviewResult& result);
nlohmann::ordered_json toJson(const RuleTools::RuleExplanation& explanation);
nlohmann::ordered_json toJson(const RuleTools::Reverted& reverted);

// A list of any of these records, or of steps, checks or entries: each item's
// form, in order.
template <typename T>
nlohmann::ordered_json toJson(const std::vector<T>& items)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const T& item : items) list.push_back(toJson(item));
    return list;
}

}  // namespace olva
