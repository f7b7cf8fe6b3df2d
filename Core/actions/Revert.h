// Undoing the file changes that performed actions recorded as steps,
// newest first, never touching a file that something else has put in a
// recorded place since.
#pragma once

#include "Core/model/Step.h"

#include <optional>
#include <string>
#include <vector>

namespace olva {

struct RevertResult {
    // The last steps of the input, in input order, that were undone (or
    // needed nothing) before the first failure.
    std::vector<Step> reverted;
    std::optional<std::string> error;
};

// Reverts the steps from the last to the first, stopping at the first
// failure. Never throws.
RevertResult revert(const std::vector<Step>& steps);

// Throws ActionError unless the item at `path` is still the one the step
// left there (a step without a key passes).
void verifyRecordedKey(const Step& step, const std::string& path);

// The tag list to write back for a tags step: the tags the file has now,
// without those the step added and with those it removed.
std::vector<std::string> tagsAfterRevert(const Step& step);

// The tag list a tags step left behind, recovered exactly from its note
// (the list joined with ", ") with the help of `tagsBefore`, also for tags
// that contain ", ".
std::vector<std::string> tagsRecordedAfter(const Step& step);

}  // namespace olva
