#include "Core/platform/Volumes.h"

#include "Core/platform/Descriptor.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

namespace olva::platform {

namespace {

// Mount points are written with \040-style octal escapes for blanks,
// newlines and backslashes.
std::string unescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    auto octal = [](char c) { return c >= '0' && c <= '7'; };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()
            && octal(text[i + 1]) && octal(text[i + 2]) && octal(text[i + 3])) {
            out += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
            i += 3;
            continue;
        }
        out += text[i];
    }
    return out;
}

template <typename Number>
bool number(std::string_view text, Number& out)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

struct UuidLink {
    std::string uuid;
    std::optional<std::uint64_t> device;  // the block device it names
    std::string target;                   // resolved
};

std::vector<UuidLink> readUuidLinks(const std::filesystem::path& folder)
{
    std::vector<UuidLink> links;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(folder, error)) {
        UuidLink link;
        link.uuid = item.path().filename().string();
        struct stat st{};
        if (stat(item.path().c_str(), &st) == 0 && S_ISBLK(st.st_mode)) link.device = st.st_rdev;
        std::error_code ignored;
        link.target = std::filesystem::canonical(item.path(), ignored).string();
        links.push_back(std::move(link));
    }
    return links;
}

const MountEntry* mountOf(const std::vector<MountEntry>& mounts, const FileStatus& status)
{
    const MountEntry* mount = nullptr;
    if (status.mountId) {
        for (const auto& entry : mounts)
            if (entry.mountId == *status.mountId) mount = &entry;
    }
    if (!mount) {
        for (const auto& entry : mounts)
            if (entry.device == status.device) {
                mount = &entry;
                break;
            }
    }
    return mount;
}

std::string nameFor(const std::vector<MountEntry>& mounts, const std::vector<UuidLink>& links,
                    const FileStatus& status)
{
    const MountEntry* mount = mountOf(mounts, status);
    for (const auto& link : links)
        if (link.device && *link.device == status.device) return link.uuid;
    // File systems such as btrfs report a device number of their own; their
    // mounted device still leads to the UUID.
    if (mount && !mount->source.empty() && mount->source.front() == '/') {
        std::error_code error;
        std::string source = std::filesystem::canonical(mount->source, error).string();
        if (!error)
            for (const auto& link : links)
                if (!link.target.empty() && link.target == source) return link.uuid;
    }
    if (mount) return mount->mountPoint;
    return std::to_string(status.device);
}

VolumeIdentity identityFor(const std::vector<MountEntry>& mounts, const std::vector<UuidLink>& links,
                           const FileStatus& status)
{
    const MountEntry* mount = mountOf(mounts, status);
    return VolumeIdentity{nameFor(mounts, links, status), !(mount && mount->type == "overlay")};
}

class VolumeCache {
public:
    VolumeIdentity identity(const FileStatus& status)
    {
        std::lock_guard lock(mutex_);
        auto key = std::make_pair(status.device, status.mountId.value_or(0));
        // A mount keeps its device and its number while it lasts, so a name
        // found for one stays right: the mount table is looked at again for
        // it only now and then, not for every key. A mount not met before
        // always gets a fresh look.
        auto now = std::chrono::steady_clock::now();
        auto found = names_.find(key);
        if (found == names_.end() || !status.mountId || now - lastLook_ > kLookInterval) {
            lastLook_ = now;
            if (changed()) {
                reload();
                found = names_.end();
            }
        }
        if (found != names_.end()) return found->second;
        VolumeIdentity identity = identityFor(mounts_, links_, status);
        names_.emplace(key, identity);
        return identity;
    }

private:
    bool changed()
    {
        if (fd_ < 0) {
            fd_ = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
            return true;
        }
        pollfd request{fd_, POLLPRI, 0};
        return poll(&request, 1, 0) > 0 && (request.revents & (POLLPRI | POLLERR));
    }

    void reload()
    {
        std::string text;
        if (fd_ >= 0 && ::lseek(fd_, 0, SEEK_SET) == 0) text = readToEnd(fd_).value_or(std::string());
        mounts_ = parseMountInfo(text);
        links_ = readUuidLinks("/dev/disk/by-uuid");
        names_.clear();
    }

    static constexpr auto kLookInterval = std::chrono::milliseconds(500);

    std::mutex mutex_;
    std::chrono::steady_clock::time_point lastLook_;
    int fd_ = -1;
    std::vector<MountEntry> mounts_;
    std::vector<UuidLink> links_;
    std::map<std::pair<std::uint64_t, std::uint64_t>, VolumeIdentity> names_;
};

}  // namespace

std::vector<MountEntry> parseMountInfo(std::string_view text)
{
    std::vector<MountEntry> mounts;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

        std::vector<std::string_view> fields;
        std::size_t at = 0;
        while (at < line.size()) {
            std::size_t next = line.find(' ', at);
            if (next == std::string_view::npos) next = line.size();
            if (next > at) fields.push_back(line.substr(at, next - at));
            at = next + 1;
        }
        // id parent major:minor root mount-point options [optional...] - type source super-options
        std::size_t separator = 6;
        while (separator < fields.size() && fields[separator] != "-") ++separator;
        if (fields.size() < 5 || separator + 2 >= fields.size()) continue;
        MountEntry entry;
        std::string_view device = fields[2];
        std::size_t colon = device.find(':');
        unsigned major = 0, minor = 0;
        if (!number(fields[0], entry.mountId) || colon == std::string_view::npos
            || !number(device.substr(0, colon), major) || !number(device.substr(colon + 1), minor))
            continue;
        entry.device = makedev(major, minor);
        entry.mountPoint = unescape(fields[4]);
        entry.type = unescape(fields[separator + 1]);
        entry.source = unescape(fields[separator + 2]);
        mounts.push_back(std::move(entry));
    }
    return mounts;
}

std::string volumeNameIn(const std::vector<MountEntry>& mounts, const std::filesystem::path& byUuid,
                         const FileStatus& status)
{
    return nameFor(mounts, readUuidLinks(byUuid), status);
}

namespace {

VolumeCache& volumeCache()
{
    static VolumeCache cache;
    return cache;
}

}  // namespace

std::string volumeName(const FileStatus& status) { return volumeCache().identity(status).name; }

VolumeIdentity volumeIdentity(const FileStatus& status) { return volumeCache().identity(status); }

}  // namespace olva::platform
