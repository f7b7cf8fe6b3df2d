// One record of the activity log: a rule's run on a file, or an undo.
#pragma once

#include "Core/model/Check.h"
#include "Core/base/Date.h"
#include "Core/model/Step.h"
#include "Core/platform/UUID.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace olva {

struct Entry {
    std::string id = platform::newUUID();  // upper-case UUID text
    Date at = currentDate();
    std::string file;     // for an undo: the file of the reverted entry
    std::string rule;     // the rule's name at the time
    std::string version;  // the rule's version
    bool dryRun = false;  // the steps describe what would have happened
    std::vector<Check> checks;
    std::vector<Step> steps;  // for an undo: the steps it reverted
    std::optional<std::string> error;
    std::optional<std::string> undoOf;  // the id of the entry an undo reverted
};

// Members in the record's order; absent optionals leave no key; the date in
// whole seconds.
nlohmann::ordered_json toJson(const Entry& entry);
// Every member but error and undoOf is required; identifiers are accepted in
// either case and kept upper-case. Throws DecodingError.
Entry entryFromJson(const nlohmann::json& json);

}  // namespace olva
