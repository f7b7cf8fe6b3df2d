#include "Core/platform/LinksOnTheWay.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <deque>

namespace olva::platform {

namespace {

std::deque<std::string> components(const std::string& path)
{
    std::deque<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = std::min(path.find('/', start), path.size());
        if (slash > start) parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

}  // namespace

std::vector<std::string> linksOnTheWay(const std::string& path)
{
    std::vector<std::string> links;
    std::deque<std::string> rest = components(path);
    std::string current;  // real, without links; empty for "/"
    for (int hops = 0; !rest.empty();) {
        std::string name = std::move(rest.front());
        rest.pop_front();
        if (name == ".") continue;
        if (name == "..") {
            current.erase(std::min(current.size(), current.rfind('/')));
            continue;
        }
        std::string next = current + "/" + name;
        struct stat info {};
        if (::lstat(next.c_str(), &info) != 0) break;
        if (!S_ISLNK(info.st_mode)) {
            current = std::move(next);
            continue;
        }
        links.push_back(next);
        if (++hops > 40) break;  // a loop, as the kernel counts one
        std::string target(std::size_t(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        ssize_t length = ::readlink(next.c_str(), target.data(), target.size());
        if (length < 0 || std::size_t(length) >= target.size()) break;
        target.resize(std::size_t(length));
        if (target.starts_with('/')) current.clear();
        std::deque<std::string> inside = components(target);
        rest.insert(rest.begin(), inside.begin(), inside.end());
    }
    return links;
}

}  // namespace olva::platform
