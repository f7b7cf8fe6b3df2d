// Running a rule's shell script on a file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace olva {

// The most output a script's note or error keeps; more is cut and the text
// says so.
inline constexpr std::size_t kScriptOutputLimit = 16384;

// Runs `/bin/zsh -c script olva path` with standard output and error
// collected in a temporary file (removed on every way out). Returns the
// trimmed output when the script exits with 0. Throws ActionError when it
// exits otherwise or runs longer than `timeout` seconds (its whole process
// group is then stopped), and std::system_error when it cannot be started.
std::string runScript(const std::string& script, const std::filesystem::path& url, double timeout);

}  // namespace olva
