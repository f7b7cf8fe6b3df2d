#include "Core/platform/RenameNoReplace.h"

#include "Core/platform/SystemError.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace olva::platform {

void renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
    int error = errno;
    // Some file systems lack the flag; a hard link refuses a taken name just
    // as well, and the old name is dropped only once the new one exists.
    // Folders cannot take this way.
    struct stat info {};
    if ((error == EINVAL || error == ENOSYS) && ::lstat(from.c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) {
        if (::link(from.c_str(), to.c_str()) == 0) {
            if (::unlink(from.c_str()) == 0) return;
            error = errno;
            ::unlink(to.c_str());  // the item stays where it was
        } else {
            error = errno;
        }
    }
    throwErrno(error, "couldn’t move " + quoted(from) + " to " + quoted(to));
}

}  // namespace olva::platform
