#include "Core/platform/FolderNames.h"

#include "Core/platform/SystemError.h"

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace olva::platform {

std::vector<std::string> listNames(int fd, const std::filesystem::path& path)
{
    std::vector<std::string> names;
    DIR* dir = ::fdopendir(::dup(fd));
    if (!dir) throwErrno(errno, "couldn't list " + quoted(path));
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    int error = errno;
    ::closedir(dir);
    if (error != 0) throwErrno(error, "couldn't list " + quoted(path));
    return names;
}

}  // namespace olva::platform
