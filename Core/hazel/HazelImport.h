// Import of rule exports from Hazel (".hazelrules" files): the rules of one
// folder, turned into a Folder whose rules all start as dry runs.
#pragma once

#include "Core/model/Model.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace olva {

struct Imported {
    Folder folder;
    // Plain sentences on what changed on the way or was not carried over,
    // in the order they arose.
    std::vector<std::string> notes;
};

// Reads an export (a keyed archive, optionally behind a 40-byte "HZLR"
// header) for the folder given in the user's form, unchanged. Writes
// nothing. A rule holding anything that cannot be carried over is disabled
// and named in a note. Throws ArchiveError when the data is no keyed
// archive, ActionError when it is not a Hazel rules export.
Imported importHazel(std::span<const std::uint8_t> data, const std::string& folder);
Imported importHazel(std::string_view data, const std::string& folder);

}  // namespace olva
