#include "Core/hazel/HazelExportFile.h"

#include "Core/base/ActionError.h"
#include "Core/platform/RegularFile.h"
#include "Core/platform/SystemError.h"

#include <sys/stat.h>

#include <cerrno>

namespace olva {

std::string readHazelExport(const std::filesystem::path& file)
{
    struct stat info{};
    if (::stat(file.c_str(), &info) != 0) platform::throwErrno(errno, "couldn’t read " + platform::quoted(file));
    if (!S_ISREG(info.st_mode))
        throw ActionError(platform::quoted(file) + " isn’t a file, so it can’t be a Hazel rules export");
    auto opened = platform::RegularFile::open(file);
    if (!opened) platform::throwErrno(errno ? errno : EIO, "couldn’t read " + platform::quoted(file));
    if (opened->size() > maxHazelExportSize)
        throw ActionError(platform::quoted(file) + " is too large to be a Hazel rules export");
    // One byte more than allowed tells a file that grew since it was opened.
    auto bytes = opened->read(maxHazelExportSize + 1);
    if (!bytes) platform::throwErrno(EIO, "couldn’t read " + platform::quoted(file));
    if (static_cast<std::int64_t>(bytes->size()) > maxHazelExportSize)
        throw ActionError(platform::quoted(file) + " is too large to be a Hazel rules export");
    return std::move(*bytes);
}

Imported importHazelFile(const std::filesystem::path& file, const std::string& folder)
{
    return importHazel(readHazelExport(file), folder);
}

}  // namespace olva
