#include "tests/tool/FullDisk.h"

#include "Core/platform/Descriptor.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace olva::test {

namespace {

constexpr std::size_t kDiskSize = 1024 * 1024;
constexpr std::size_t kPage = 4096;

std::filesystem::path fillerOf(const std::filesystem::path& dir) { return dir / "filler"; }

}  // namespace

FullDisk::FullDisk(std::filesystem::path dir) : dir_(std::move(dir))
{
    // A namespace of this process's own: the mount goes with the process,
    // whatever way the test ends, and the programs it starts inherit it.
    if (::unshare(CLONE_NEWNS) != 0) return;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return;
    std::string size = "size=" + std::to_string(kDiskSize);
    mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, size.c_str()) == 0;
}

FullDisk::~FullDisk()
{
    // Before the test's temporary folder, which holds the mount point, goes.
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
}

std::string FullDisk::reason() const { return std::strerror(mounted_ ? ENOSPC : EFBIG); }

void FullDisk::leaveRoom(std::size_t bytes)
{
    if (!mounted_) {
        limit_ = bytes;
        return;
    }
    // Everything the file system has, then back by the room wanted.
    platform::Descriptor fd(::open(fillerOf(dir_).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    std::string block(kPage * 16, 'x');
    for (;;) {
        ssize_t written = ::write(fd.get(), block.data(), block.size());
        if (written <= 0) break;
    }
    std::string page(kPage, 'x');
    while (::write(fd.get(), page.data(), page.size()) > 0) {}
    off_t full = ::lseek(fd.get(), 0, SEEK_END);
    off_t room = static_cast<off_t>((bytes + kPage - 1) / kPage * kPage);
    [[maybe_unused]] int cut = ::ftruncate(fd.get(), full > room ? full - room : 0);
}

SpawnOptions FullDisk::limited(SpawnOptions options) const
{
    if (!mounted_ && limit_) options.fileSizeLimit = limit_;
    return options;
}

void FullDisk::makeRoom(Child* running)
{
    if (mounted_) std::filesystem::remove(fillerOf(dir_));
    else if (running) running->liftFileSizeLimit();
    limit_ = 0;
}

}  // namespace olva::test
