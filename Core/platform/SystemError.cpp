#include "Core/platform/SystemError.h"

#include <system_error>

namespace olva::platform {

void throwErrno(int error, const std::string& what)
{
    throw std::system_error(error, std::generic_category(), what);
}

std::string quoted(const std::filesystem::path& path) { return "“" + path.string() + "”"; }

}  // namespace olva::platform
