#include "Core/platform/Xattr.h"

#include "Core/platform/Descriptor.h"

#include <sys/xattr.h>

#include <cerrno>
#include <system_error>

namespace olva::xattr {

namespace {

// The kernel refuses values above this size anyway.
constexpr std::size_t maximumSize = 64 * 1024;

[[noreturn]] void fail(const char* what, const std::filesystem::path& path, int error)
{
    throw std::filesystem::filesystem_error(what, path, std::error_code(error, std::generic_category()));
}

// size(nullptr) asks for the size, get(buffer, size) reads. A value that
// grows between the two calls is read again, a few times at most.
template <typename Size, typename Get>
std::optional<std::string> readWith(Size size, Get get)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        ssize_t length = size();
        if (length < 0 || static_cast<std::size_t>(length) > maximumSize) return std::nullopt;
        if (length == 0) return std::string();
        std::string value(static_cast<std::size_t>(length), '\0');
        ssize_t got = get(value.data(), value.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got != length) return std::nullopt;
        return value;
    }
    return std::nullopt;
}

template <typename List>
std::vector<std::string> listWith(List call, const std::filesystem::path& path)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        ssize_t length = call(nullptr, 0);
        if (length < 0) fail("cannot list extended attributes", path, errno);
        std::string buffer(static_cast<std::size_t>(length), '\0');
        ssize_t got = length == 0 ? 0 : call(buffer.data(), buffer.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) fail("cannot list extended attributes", path, errno);
        std::vector<std::string> names;
        std::size_t start = 0;
        for (std::size_t i = 0; i < static_cast<std::size_t>(got); ++i) {
            if (buffer[i] != '\0') continue;
            if (i > start) names.emplace_back(buffer, start, i - start);
            start = i + 1;
        }
        return names;
    }
    fail("cannot list extended attributes", path, ERANGE);
}

}  // namespace

namespace {

// Most values are short: one call into a buffer on the stack answers both
// whether the attribute exists and what it holds.
template <typename Get>
std::optional<std::string> readShortFirst(Get get)
{
    char buffer[512];
    ssize_t got = get(buffer, sizeof buffer);
    if (got >= 0) return std::string(buffer, static_cast<std::size_t>(got));
    if (errno != ERANGE) return std::nullopt;
    return readWith([&] { return get(nullptr, 0); }, get);
}

}  // namespace

std::optional<std::string> read(const std::filesystem::path& path, const std::string& name)
{
    const char* p = path.c_str();
    return readShortFirst([&](char* buffer, std::size_t size) { return getxattr(p, name.c_str(), buffer, size); });
}

std::optional<std::string> read(int fd, const std::string& name)
{
    return readShortFirst([&](char* buffer, std::size_t size) { return fgetxattr(fd, name.c_str(), buffer, size); });
}

void write(const std::filesystem::path& path, const std::string& name, std::string_view value)
{
    if (setxattr(path.c_str(), name.c_str(), value.data(), value.size(), 0) != 0)
        fail("cannot write extended attribute", path, errno);
}

void write(int fd, const std::string& name, std::string_view value)
{
    if (fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0)
        fail("cannot write extended attribute", platform::descriptorPath(fd), errno);
}

bool remove(const std::filesystem::path& path, const std::string& name)
{
    if (removexattr(path.c_str(), name.c_str()) == 0) return true;
    if (errno == ENODATA) return false;
    fail("cannot remove extended attribute", path, errno);
}

bool remove(int fd, const std::string& name)
{
    if (fremovexattr(fd, name.c_str()) == 0) return true;
    if (errno == ENODATA) return false;
    fail("cannot remove extended attribute", platform::descriptorPath(fd), errno);
}

std::vector<std::string> list(const std::filesystem::path& path)
{
    return listWith([&](char* buffer, std::size_t size) { return listxattr(path.c_str(), buffer, size); }, path);
}

std::vector<std::string> list(int fd)
{
    return listWith([&](char* buffer, std::size_t size) { return flistxattr(fd, buffer, size); }, platform::descriptorPath(fd));
}

}  // namespace olva::xattr
