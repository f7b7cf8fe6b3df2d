// Which volume a file lives on, named the way identity keys need it: the
// file system's UUID, else the mount point, else the device number.
#pragma once

#include "Core/platform/FileStatus.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace olva::platform {

// The mount table and /dev/disk/by-uuid are read once and read again only
// after the kernel reports that the mount table changed.
std::string volumeName(const FileStatus& status);

// What tells a file from others on its volume, and stays with it across a
// rename.
struct VolumeIdentity {
    std::string name;  // as volumeName gives it
    // Whether a file keeps its birth time and its handle across a rename.
    // Overlayfs copies a file of a lower layer up into the upper one when
    // it is first changed (renamed, say), which gives it a new birth time
    // and handle; only its inode number stays.
    bool birthAndHandleStay = true;
};
VolumeIdentity volumeIdentity(const FileStatus& status);

struct MountEntry {
    std::uint64_t mountId = 0;
    std::uint64_t device = 0;
    std::string mountPoint;
    std::string source;  // the mounted device or the file system's own word
    std::string type;    // the file system's type: "ext4", "overlay", "fuse.bindfs"...
};

// The lines of /proc/self/mountinfo; malformed lines are left out.
std::vector<MountEntry> parseMountInfo(std::string_view text);

// volumeName over a given mount table and UUID folder.
std::string volumeNameIn(const std::vector<MountEntry>& mounts, const std::filesystem::path& byUuid,
                         const FileStatus& status);

}  // namespace olva::platform
