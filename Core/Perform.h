// Carrying out a rule's actions on one file, or describing them in a dry
// run. Apart from an undo, the only place that changes the user's files.
#pragma once

#include "Core/Date.h"
#include "Core/Model.h"
#include "Core/Step.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace olva {

class FileInfo;

// Called with each step right after it was done (never in a dry run), so
// that the caller can record it before the next action starts. What it
// throws ends the run as a failed action would, the step staying done.
using StepDone = std::function<void(const Step& step)>;

// Runs the actions in order on the file; each change (or, in a dry run,
// each change it would make) is one step. Never throws: the first failure
// ends the run and becomes `error`, the steps before it stay done.
Applied perform(const std::vector<Action>& actions, FileInfo& file, bool dryRun, Date now,
                const StepDone& stepDone = {});

// Where in `folder` a file called `name` can go without replacing anything:
// `name`, else "stem 2.ext", "stem 3.ext"... Unless `dryRun`, creates the
// folder (and the folders above it) first.
std::filesystem::path uniqueDestination(const std::filesystem::path& folder, const std::string& name, bool dryRun);

// Moves or copies (`transfer`) the item at `from` into `folder` under the
// first free name of uniqueDestination; a name taken by someone else before
// the transfer is passed over for the next one. In a dry run only finds the
// name.
using Transfer = std::function<void(const std::filesystem::path&, const std::filesystem::path&)>;
std::filesystem::path placeItem(const std::filesystem::path& from, const std::filesystem::path& folder,
                                const std::string& name, bool dryRun, const Transfer& transfer);

}  // namespace olva
