#include "Core/base/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace olva {

const std::string& userHome()
{
    static const std::string home = [] {
        if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir && *entry->pw_dir)
            return std::string(entry->pw_dir);
        if (const char* env = std::getenv("HOME"); env && *env) return std::string(env);
        return std::string("/");
    }();
    return home;
}

std::string expand(const std::string& path)
{
    if (path == "~") return userHome();
    if (path.starts_with("~/")) return userHome() + path.substr(1);
    return path;
}

std::string realPath(const std::string& path)
{
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

std::string abbreviate(const std::string& path)
{
    const std::string& home = userHome();
    if (path == home) return "~";
    if (path.size() > home.size() && path.starts_with(home) && path[home.size()] == '/')
        return "~" + path.substr(home.size());
    return path;
}

bool isInside(std::string_view path, std::string_view folder)
{
    while (!folder.empty() && folder.back() == '/') folder.remove_suffix(1);
    return path.size() > folder.size() + 1 && path.starts_with(folder) && path[folder.size()] == '/';
}

std::filesystem::path dataHome()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return data;
    const char* home = std::getenv("HOME");
    std::filesystem::path base = home && home[0] == '/' ? home : userHome();
    return base / ".local" / "share";
}

}  // namespace olva
