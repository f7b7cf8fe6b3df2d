// Mounts that only the test process (and what it starts afterwards) sees:
// the process moves into a mount namespace of its own, whose mounts do not
// propagate to the rest of the machine. Needs the right to mount (root), and
// must be made before the process starts a thread.
//
// Whatever way the test ends, nothing stays mounted: the namespace goes with
// the process, and a FUSE file system's program runs in the foreground as a
// child that is told to stop when the test process ends (and unmounts as it
// stops); the loop device under an exFAT image frees itself once closed.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace olva::test {

class PrivateMounts {
public:
    PrivateMounts();
    // Unmounts what is still mounted, and waits for FUSE programs to end.
    ~PrivateMounts();
    PrivateMounts(const PrivateMounts&) = delete;
    PrivateMounts& operator=(const PrivateMounts&) = delete;

    // Empty when mounting works; else why not, for the test to skip with.
    const std::string& unavailable() const { return unavailable_; }
    // Why the last mount failed.
    const std::string& failure() const { return failure_; }

    // A small, empty tmpfs over `point`; true when it was mounted.
    bool mountTmpfs(const std::filesystem::path& point, const std::string& size = "4m");
    // `lower` seen through an overlay over `point`, changes going to
    // `upper` (`work` is the overlay's own, on the file system of `upper`).
    bool mountOverlay(const std::filesystem::path& lower, const std::filesystem::path& upper,
                      const std::filesystem::path& work, const std::filesystem::path& point);
    // A new FAT file system (fusefat) or exFAT one (exfat-fuse, which wants
    // a loop device), of `megabytes`, kept in the file `image`, over `point`.
    bool mountFat(const std::filesystem::path& image, const std::filesystem::path& point, int megabytes = 64);
    bool mountExfat(const std::filesystem::path& image, const std::filesystem::path& point, int megabytes = 64);
    bool unmount(const std::filesystem::path& point);

private:
    struct Mounted {
        std::filesystem::path point;
        pid_t daemon = -1;  // the FUSE program, when there is one
    };

    bool fail(std::string why);
    bool runFuse(const std::vector<std::string>& command, const std::filesystem::path& point);
    static void release(const Mounted& mount);

    std::string unavailable_;
    std::string failure_;
    std::vector<Mounted> mounted_;
};

// The path of a program found in PATH, /usr/sbin or /sbin; empty when none.
std::filesystem::path findProgram(const std::string& name);

}  // namespace olva::test
