#include "tests/support/PrivateMounts.h"

#include <sched.h>
#include <sys/mount.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace olva::test {

PrivateMounts::PrivateMounts()
{
    if (::unshare(CLONE_NEWNS) != 0) {
        unavailable_ = std::string("cannot make a mount namespace of the test's own (unshare: ") +
                       std::strerror(errno) + ")";
        return;
    }
    // Without this the new namespace would still share mount events with
    // the one it came from.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        unavailable_ = std::string("cannot keep the test's mounts to itself (mount: ") + std::strerror(errno) + ")";
}

PrivateMounts::~PrivateMounts()
{
    for (auto it = mounted_.rbegin(); it != mounted_.rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
}

bool PrivateMounts::mountTmpfs(const std::filesystem::path& point)
{
    if (!unavailable_.empty() || ::mount("tmpfs", point.c_str(), "tmpfs", 0, "size=4m") != 0) return false;
    mounted_.push_back(point);
    return true;
}

bool PrivateMounts::unmount(const std::filesystem::path& point)
{
    auto it = std::find(mounted_.begin(), mounted_.end(), point);
    if (it == mounted_.end() || ::umount2(point.c_str(), 0) != 0) return false;
    mounted_.erase(it);
    return true;
}

}  // namespace olva::test
