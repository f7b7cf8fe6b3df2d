#include "Core/platform/Volume.h"

#include <sys/vfs.h>

#include <array>
#include <cstdint>

namespace olva::platform {

namespace {

constexpr std::array<std::uint32_t, 9> remoteTypes = {
    0x6969,      // NFS
    0x517B,      // SMB
    0xFF534D42,  // CIFS
    0xFE534D42,  // SMB2
    0x65735546,  // FUSE
    0x01021997,  // 9P
    0x5346414F,  // AFS
    0x6B414653,  // kAFS
    0x00C36400,  // Ceph
};

}  // namespace

std::optional<bool> isLocalVolume(const std::string& path)
{
    struct statfs info {};
    if (::statfs(path.c_str(), &info) != 0) return std::nullopt;
    auto type = static_cast<std::uint32_t>(info.f_type);
    for (auto remote : remoteTypes)
        if (type == remote) return false;
    return true;
}

}  // namespace olva::platform
