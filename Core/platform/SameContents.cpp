#include "Core/platform/SameContents.h"

#include "Core/platform/Descriptor.h"
#include "Core/platform/FolderNames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

namespace olva::platform {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBuffer = std::size_t(1) << 20;

bool sameBytes(const fs::path& a, const fs::path& b)
{
    Descriptor first(::open(a.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    Descriptor second(::open(b.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!first || !second) return false;
    std::vector<char> one(kBuffer), two(kBuffer);
    for (;;) {
        ssize_t got = ::read(first.get(), one.data(), one.size());
        if (got < 0) return false;
        std::size_t have = 0;
        while (have < static_cast<std::size_t>(got)) {
            ssize_t more = ::read(second.get(), two.data() + have, static_cast<std::size_t>(got) - have);
            if (more <= 0) return false;
            have += static_cast<std::size_t>(more);
        }
        if (std::memcmp(one.data(), two.data(), have) != 0) return false;
        if (got == 0) {
            char extra;
            return ::read(second.get(), &extra, 1) == 0;
        }
    }
}

}  // namespace

bool sameContents(const fs::path& a, const fs::path& b)
{
    struct stat first {}, second {};
    if (::lstat(a.c_str(), &first) != 0 || ::lstat(b.c_str(), &second) != 0) return false;
    if ((first.st_mode & S_IFMT) != (second.st_mode & S_IFMT)) return false;
    if (S_ISREG(first.st_mode)) return first.st_size == second.st_size && sameBytes(a, b);
    if (S_ISLNK(first.st_mode)) {
        std::error_code one, two;
        return fs::read_symlink(a, one) == fs::read_symlink(b, two) && !one && !two;
    }
    if (!S_ISDIR(first.st_mode)) return false;
    Descriptor left(::open(a.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
    Descriptor right(::open(b.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
    if (!left || !right) return false;
    try {
        std::vector<std::string> names = listNames(left.get(), a), others = listNames(right.get(), b);
        std::sort(names.begin(), names.end());
        std::sort(others.begin(), others.end());
        if (names != others) return false;
        return std::all_of(names.begin(), names.end(),
                           [&](const std::string& name) { return sameContents(a / name, b / name); });
    } catch (const std::system_error&) {
        return false;
    }
}

}  // namespace olva::platform
