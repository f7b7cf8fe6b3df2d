#include "Core/store/RulesLock.h"

#include "Core/platform/FileLock.h"

namespace olva {

// The lock is taken on the directory itself: rules.json is replaced by a
// rename on every save, so a lock on the file would not outlive the save, and
// the directory needs no extra file for it.
RulesLock::RulesLock(const std::filesystem::path& dir) : fd_(platform::lockDirectory(dir)) {}

RulesLock::RulesLock(const std::filesystem::path& dir, std::chrono::milliseconds patience)
    : fd_(platform::lockDirectoryWithin(dir, patience))
{
    if (!fd_) throw RulesBusy();
}

}  // namespace olva
