// Carrying out a rule's actions on one file, or describing them in a dry
// run. Apart from an undo, the only place that changes the user's files.
#pragma once

#include "Core/Date.h"
#include "Core/Model.h"
#include "Core/Step.h"

#include <filesystem>
#include <string>
#include <vector>

namespace olva {

class FileInfo;

// Runs the actions in order on the file; each change (or, in a dry run,
// each change it would make) is one step. Never throws: the first failure
// ends the run and becomes `error`, the steps before it stay done.
Applied perform(const std::vector<Action>& actions, FileInfo& file, bool dryRun, Date now);

// Where in `folder` a file called `name` can go without replacing anything:
// `name`, else "stem 2.ext", "stem 3.ext"... Unless `dryRun`, creates the
// folder (and the folders above it) first.
std::filesystem::path uniqueDestination(const std::filesystem::path& folder, const std::string& name, bool dryRun);

}  // namespace olva
