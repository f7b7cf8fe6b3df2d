// What a rule (usually one being edited) would do in a folder right now,
// without touching anything.
#pragma once

#include "Core/evaluate/Evaluator.h"
#include "Core/model/Model.h"
#include "Core/model/Step.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
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
    // Files of the listing looked at: the first `limit`, fewer when the
    // preview was stopped. Files passed over (unreadable, partly
    // downloaded) count here but have no row.
    std::int64_t examined = 0;
};

// How a caller stops a preview it no longer wants and follows its work.
struct PreviewControl {
    // Checked before each file and before text is extracted or recognised.
    // A stopped preview returns the rows it has, which are incomplete.
    std::stop_token stop;
    // Called with each file's path just before it is looked at.
    std::function<void(const std::string& path)> examining;
};

// Evaluates the rule, as if enabled and whatever its own dry-run switch, on
// the first `limit` files of the folder's listing and describes its actions
// as a dry run on those that match. Never fails; may run on any thread.
FolderPreview preview(const Rule& rule, const Folder& folder, std::int64_t limit,
                      const PreviewControl& control = {});

}  // namespace olva
