// Failures of system calls as exceptions that carry one sentence.
#pragma once

#include <filesystem>
#include <string>

namespace olva::platform {

// Throws std::system_error with the error number; `what` says what could not
// be done, and the exception's text ends with the system's reason.
[[noreturn]] void throwErrno(int error, const std::string& what);

// A path as these sentences name it: “/home/me/report.pdf”.
std::string quoted(const std::filesystem::path& path);

}  // namespace olva::platform
