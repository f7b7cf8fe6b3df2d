#include "Core/platform/AtomicFile.h"

#include "Core/platform/SystemError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>

namespace olva::platform {
namespace {

[[noreturn]] void fail(int error, const char* verb, const std::filesystem::path& path)
{
    throwErrno(error, std::string("couldn’t ") + verb + " " + quoted(path));
}

// Writes everything, resuming after interruptions and short writes.
bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string randomSuffix()
{
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(generator()));
    return buffer;
}

}  // namespace

void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes)
{
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary = folder / ("." + path.filename().string() + "." + randomSuffix() + ".tmp");
        // 0666 lets the umask decide, as for any file the user's programs create.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt == 100)) fail(errno, "write", path);
    }

    auto abandon = [&](int error) {
        ::close(fd);
        ::unlink(temporary.c_str());
        fail(error, "write", path);
    };
    struct stat old{};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
    if (!writeAll(fd, bytes)) abandon(errno);
    if (::fsync(fd) != 0) abandon(errno);
    if (::close(fd) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        fail(error, "write", path);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        fail(error, "write", path);
    }
    // The rename itself reaches the disk with the folder's next flush; ask for
    // it now so a crash right after a save does not bring the old file back.
    int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
}

std::string readFileBytes(const std::filesystem::path& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail(errno, "read", path);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) continue;
            int error = errno;
            ::close(fd);
            fail(error, "read", path);
        }
        if (count == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(fd);
    return bytes;
}

}  // namespace olva::platform
