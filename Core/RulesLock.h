// Keeps other writers of rules.json out while one process reads, changes and
// saves it, so that no saved rule is lost between a load and a save.
#pragma once

#include "Core/platform/Descriptor.h"

#include <filesystem>

namespace olva {

class RulesLock {
public:
    // Waits for the exclusive lock on the data directory `dir`; throws
    // std::system_error when it cannot be taken.
    explicit RulesLock(const std::filesystem::path& dir);

private:
    platform::Descriptor fd_;
};

}  // namespace olva
