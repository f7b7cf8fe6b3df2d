#include "Core/platform/AtomicFile.h"

#include "Core/platform/Descriptor.h"
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
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) fail(errno, "read", path);
    auto bytes = readToEnd(fd.get());
    if (!bytes) fail(errno, "read", path);
    return std::move(*bytes);
}

std::optional<std::string> readFileIfPossible(const std::filesystem::path& path)
{
    try {
        return readFileBytes(path);
    } catch (const std::system_error&) {
        return std::nullopt;
    }
}

}  // namespace olva::platform
