// Keeps other writers of rules.json out while one process reads, changes and
// saves it, so that no saved rule is lost between a load and a save.
#pragma once

#include "Core/base/ActionError.h"
#include "Core/platform/Descriptor.h"

#include <chrono>
#include <filesystem>

namespace olva {

// Another process held the rules lock for longer than the caller would wait.
class RulesBusy : public ActionError {
public:
    RulesBusy() : ActionError("another program is holding the rules, try again once it has finished") {}
};

class RulesLock {
public:
    // Waits for the exclusive lock on the data directory `dir`; throws
    // std::system_error when it cannot be taken.
    explicit RulesLock(const std::filesystem::path& dir);
    // Waits at most `patience`, for a caller that must not hang on a holder
    // that never lets go; throws RulesBusy when the lock is still held then.
    RulesLock(const std::filesystem::path& dir, std::chrono::milliseconds patience);

private:
    platform::Descriptor fd_;
};

}  // namespace olva
