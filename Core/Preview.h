// What a rule (usually one being edited) would do in a folder right now,
// without touching anything.
#pragma once

#include "Core/Evaluator.h"
#include "Core/Model.h"
#include "Core/Step.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace olva {

struct PreviewRow {
    std::string path;  // the file's absolute path
    Outcome outcome;
    std::vector<Step> steps;  // what the actions would do; empty when the rule does not match
    std::optional<std::string> error;
};

struct FolderPreview {
    std::vector<PreviewRow> rows;  // sorted by path
    std::int64_t total = 0;        // files in the whole listing
};

// Evaluates the rule, as if enabled and whatever its own dry-run switch, on
// the first `limit` files of the folder's listing and describes its actions
// as a dry run on those that match. Never fails; may run on any thread.
FolderPreview preview(const Rule& rule, const Folder& folder, std::int64_t limit);

}  // namespace olva
