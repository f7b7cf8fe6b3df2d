// A step a live run announced before it acted, whose record never came
// because the process stopped in between: whether it was done is read from
// the file system, by the identity key the announcement gave.
#pragma once

#include "Core/model/Step.h"

#include <optional>
#include <string_view>

namespace olva {

// The note of a script that was started and whose end was never recorded.
inline constexpr std::string_view kScriptMayHaveRun = "the script may have run before Olva stopped";

// The step as it was done, with the key of the file where it left it, or
// nothing when it was not done (or nothing can be told). A move is done
// when its file is at the destination and not at its source; a copy when
// its destination holds what the source holds; a tag change when the file
// at its path has other tags than before; a script, which leaves no trace,
// always counts as possibly run. A move or copy that was stopped while it
// copied is tidied up on the way: the temporary it left goes, and a move to
// another file system whose whole copy had taken its name is finished by
// removing the source.
std::optional<Step> stepIfDone(const Step& intended);

}  // namespace olva
