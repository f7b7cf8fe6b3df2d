// The hidden temporaries copies are made under, and the sweep of those that
// a process left behind when it was killed midway (SIGKILL, a power cut).
// A temporary is named ".olva-<UUID>.partial", a name no user file is given,
// and is locked (flock) by the process that writes it for as long as it
// does: one that nobody holds locked is left over.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace olva::platform {

// A new temporary name, unlike any other.
std::string newTemporaryCopyName();
// Whether the name is exactly one that copies give their temporaries.
bool isTemporaryCopyName(std::string_view name);

// Removes the item at `path`, whose name is a temporary's, unless a living
// process holds it locked (a copy still being made). Whether it went.
bool removeLeftoverCopy(const std::filesystem::path& path);
// Removes every temporary in `folder` (not in its subfolders) that was left
// over. Returns how many it removed.
int removeLeftoverCopies(const std::filesystem::path& folder);

}  // namespace olva::platform
