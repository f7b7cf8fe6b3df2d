// Makes writes to a data directory fail as they do on a full disk, for
// programs the test starts: the directory becomes a small file system of its
// own (tmpfs, in a mount namespace of this test process, so nothing outside
// sees it) that is then filled up. Mounting needs privileges; where the test
// may not mount, a file size limit on the started programs stands in for the
// full disk, and a write past it fails the same way.
#pragma once

#include "tests/tool/Spawn.h"

#include <cstddef>
#include <filesystem>
#include <string>

namespace olva::test {

class FullDisk {
public:
    // Mounts over `dir` (empty then) when it may.
    explicit FullDisk(std::filesystem::path dir);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool mounted() const { return mounted_; }
    // The system's words for the failure the programs meet.
    std::string reason() const;

    // From now on files in the directory may grow by about `bytes` more in
    // all (a file system) or each (a size limit), then writing fails.
    void leaveRoom(std::size_t bytes);
    // How a program is started to meet the limit.
    SpawnOptions limited(SpawnOptions options) const;
    // Writing works again, for the running program too.
    void makeRoom(Child* running = nullptr);

private:
    std::filesystem::path dir_;
    bool mounted_ = false;
    std::size_t limit_ = 0;
};

}  // namespace olva::test
