// Carrying out a rule's actions on one file, or describing them in a dry
// run. Apart from an undo, the only place that changes the user's files.
#pragma once

#include "Core/base/Date.h"
#include "Core/model/Model.h"
#include "Core/model/Step.h"

#include <cstddef>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace olva {

class FileInfo;

// What a live run tells its caller as it goes. `announce` comes before each
// change, with the step it is about to make (the file's key, where it is, and
// the destination the change will use), so that a crash in the middle leaves
// a record of what may have happened; `done` comes right after the change.
// What `announce` throws stops the run before that change: the run is then
// held, not failed, and can go on later from where it stopped.
struct StepHooks {
    std::function<void(const Step& intended)> announce;
    std::function<void(const Step& step)> done;
};

// Where a run stands: the next action to carry out, and where the file is
// by then with its identity key.
struct RunPoint {
    std::size_t action = 0;
    std::filesystem::path at;
    std::optional<std::string> key;
};

struct Performed {
    Applied applied;
    // Set when `announce` threw: the run goes on from here, once it can be
    // recorded again. `reason` is what it threw.
    std::optional<RunPoint> held;
    std::exception_ptr reason;
};

// Runs the actions in order on the file; each change (or, in a dry run,
// each change it would make) is one step. Never throws: the first failure
// ends the run and becomes `error`, the steps before it stay done.
Applied perform(const std::vector<Action>& actions, FileInfo& file, bool dryRun, Date now);

// A live run from `from` on (the start: action 0 at the file itself), with
// its hooks. The steps returned are those made by this call.
Performed performLive(const std::vector<Action>& actions, FileInfo& file, Date now, const StepHooks& hooks,
                      std::optional<RunPoint> from = std::nullopt);

// Where in `folder` a file called `name` can go without replacing anything:
// `name`, else "stem 2.ext", "stem 3.ext"... Unless `dryRun`, creates the
// folder (and the folders above it) first.
std::filesystem::path uniqueDestination(const std::filesystem::path& folder, const std::string& name, bool dryRun);

// Moves or copies (`transfer`) the item at `from` into `folder` under the
// first free name of uniqueDestination; a name taken by someone else before
// the transfer is passed over for the next one. In a dry run only finds the
// name.
// `before` is told each name just before it is tried.
using Transfer = std::function<void(const std::filesystem::path&, const std::filesystem::path&)>;
std::filesystem::path placeItem(const std::filesystem::path& from, const std::filesystem::path& folder,
                                const std::string& name, bool dryRun, const Transfer& transfer,
                                const std::function<void(const std::filesystem::path&)>& before = {});

}  // namespace olva
