#include "Core/platform/RenameNoReplace.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace olva::platform {

void renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
    int error = errno;
    // Some file systems lack the flag; a hard link refuses a taken name just
    // as well, and the old name is dropped only once the new one exists.
    if (error == EINVAL || error == ENOSYS) {
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return;
        }
        if (errno == EEXIST) error = EEXIST;
    }
    throw std::system_error(error, std::generic_category(),
                            "couldn’t move “" + from.string() + "” to “" + to.string() + "”");
}

}  // namespace olva::platform
