// Whether a folder lives on this computer's own disks.
#pragma once

#include <optional>
#include <string>

namespace olva::platform {

// False for network and user-space file systems (NFS, SMB/CIFS, FUSE, 9P,
// AFS, Ceph), whose changes arrive late or in bursts; true for the rest;
// nothing when the file system cannot be asked.
std::optional<bool> isLocalVolume(const std::string& path);

}  // namespace olva::platform
