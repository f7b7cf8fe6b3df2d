// Mounts that only the test process (and what it starts afterwards) sees:
// the process moves into a mount namespace of its own, whose mounts do not
// propagate to the rest of the machine. Needs the right to mount (root).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace olva::test {

class PrivateMounts {
public:
    PrivateMounts();
    // Unmounts what is still mounted.
    ~PrivateMounts();
    PrivateMounts(const PrivateMounts&) = delete;
    PrivateMounts& operator=(const PrivateMounts&) = delete;

    // Empty when mounting works; else why not, for the test to skip with.
    const std::string& unavailable() const { return unavailable_; }

    // A small, empty tmpfs over `point`; true when it was mounted.
    bool mountTmpfs(const std::filesystem::path& point);
    bool unmount(const std::filesystem::path& point);

private:
    std::string unavailable_;
    std::vector<std::filesystem::path> mounted_;
};

}  // namespace olva::test
