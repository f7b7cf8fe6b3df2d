#include "Core/platform/FileStatus.h"

#include "Core/platform/Descriptor.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace olva::platform {

namespace {

Timestamp timestamp(const struct statx_timestamp& t)
{
    return {t.tv_sec, t.tv_nsec};
}

std::optional<FileStatus> statusOf(int directory, const char* path, int flags, bool identityOnly)
{
    struct statx sx{};
    // Asking for the change time makes the kernel keep finer times for the
    // file from then on; a key alone does not need it.
    unsigned mask = identityOnly ? STATX_TYPE | STATX_MODE | STATX_INO | STATX_BTIME : STATX_BASIC_STATS | STATX_BTIME;
#ifdef STATX_MNT_ID
    mask |= STATX_MNT_ID;
#endif
    if (statx(directory, path, flags | AT_STATX_SYNC_AS_STAT, mask, &sx) != 0) return std::nullopt;
    FileStatus status;
    status.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    status.inode = sx.stx_ino;
#ifdef STATX_MNT_ID
    if (sx.stx_mask & STATX_MNT_ID) status.mountId = sx.stx_mnt_id;
#endif
    if ((sx.stx_mask & STATX_SIZE) && !identityOnly) status.size = sx.stx_size;
    status.mode = sx.stx_mode;
    if (sx.stx_mask & STATX_BTIME) status.birth = timestamp(sx.stx_btime);
    if (!identityOnly) {
        status.change = timestamp(sx.stx_ctime);
        status.modification = timestamp(sx.stx_mtime);
    }
    return status;
}

}  // namespace

bool FileStatus::isRegular() const
{
    return S_ISREG(mode);
}

bool FileStatus::isDirectory() const
{
    return S_ISDIR(mode);
}

std::optional<FileStatus> fileStatus(const std::filesystem::path& path, bool identityOnly)
{
    return statusOf(AT_FDCWD, path.c_str(), 0, identityOnly);
}

std::optional<FileStatus> entryStatus(int directory, const char* name)
{
    return statusOf(directory, name, AT_SYMLINK_NOFOLLOW, false);
}

std::optional<OpenFileExtent> openFileExtent(int fd)
{
    struct statx sx{};
    if (statx(fd, "", AT_EMPTY_PATH, STATX_INO | STATX_SIZE | STATX_NLINK, &sx) != 0) return std::nullopt;
    return OpenFileExtent{sx.stx_ino, sx.stx_size, sx.stx_nlink};
}

std::optional<std::string> fileHandle(const std::filesystem::path& path)
{
    auto handle = fileHandleOf(path);
    if (!handle) return std::nullopt;
    return std::move(handle->hex);
}

namespace {

// The handle forms of the kernel's export code that begin with the inode
// number and its generation, each of a fixed length: 32-bit numbers (ext2
// to ext4 and many others) and 64-bit ones (xfs). Other file systems use the
// same type numbers with other contents, but not with these lengths.
constexpr int kInode32Generation = 1;
constexpr int kInode64Generation = 0x81;

std::optional<std::uint64_t> inodeOfHandle(const struct file_handle& handle, const unsigned char* bytes)
{
    if (handle.handle_type == kInode32Generation && handle.handle_bytes == 8) {
        std::uint32_t inode = 0;
        std::memcpy(&inode, bytes, sizeof inode);
        return inode;
    }
    if (handle.handle_type == kInode64Generation && handle.handle_bytes == 12) {
        std::uint64_t inode = 0;
        std::memcpy(&inode, bytes, sizeof inode);
        return inode;
    }
    return std::nullopt;
}

}  // namespace

std::optional<FileHandle> fileHandleOf(const std::filesystem::path& path)
{
    alignas(struct file_handle) unsigned char storage[sizeof(struct file_handle) + MAX_HANDLE_SZ]{};
    auto* handle = reinterpret_cast<struct file_handle*>(storage);
    handle->handle_bytes = MAX_HANDLE_SZ;
    int mountId = 0;
    if (name_to_handle_at(AT_FDCWD, path.c_str(), handle, &mountId, AT_SYMLINK_FOLLOW) != 0) return std::nullopt;
    const unsigned char* bytes = storage + offsetof(struct file_handle, f_handle);
    static constexpr char digits[] = "0123456789abcdef";
    const unsigned length = std::min<unsigned>(handle->handle_bytes, MAX_HANDLE_SZ);
    FileHandle result;
    result.hex.assign(2 * length, '0');
    for (unsigned i = 0; i < length; ++i) {
        result.hex[2 * i] = digits[bytes[i] >> 4];
        result.hex[2 * i + 1] = digits[bytes[i] & 15];
    }
    result.inode = inodeOfHandle(*handle, bytes);
    return result;
}

std::optional<std::uint32_t> inodeGeneration(const std::filesystem::path& path, const FileStatus& status)
{
    if (!status.isRegular() && !status.isDirectory()) return std::nullopt;
    // Non-blocking, and checked after opening, so that a path swapped for a
    // FIFO or a device in between is never waited on.
    Descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) return std::nullopt;
    struct stat st{};
    int value = 0;
    if (fstat(fd.get(), &st) == 0 && st.st_ino == status.inode && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))
        && ioctl(fd.get(), FS_IOC_GETVERSION, &value) == 0)
        return static_cast<std::uint32_t>(value);
    return std::nullopt;
}

}  // namespace olva::platform
