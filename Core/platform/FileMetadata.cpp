#include "Core/platform/FileMetadata.h"

#include "Core/base/ActionError.h"
#include "Core/base/UTF8.h"
#include "Core/platform/SystemError.h"
#include "Core/platform/Xattr.h"

#include <sys/xattr.h>

#include <cerrno>

namespace olva::platform {

namespace {

constexpr const char* tagsAttribute = "user.xdg.tags";

}  // namespace

std::vector<std::string> readTags(const std::filesystem::path& file)
{
    auto value = xattr::read(file, tagsAttribute);
    if (!value || value->empty() || !isValidUTF8(*value)) return {};
    std::vector<std::string> tags;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = value->find(',', start);
        tags.push_back(value->substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return tags;
}

void writeTags(const std::filesystem::path& file, const std::vector<std::string>& tags)
{
    std::string value;
    for (const std::string& tag : tags) {
        if (tag.find(',') != std::string::npos)
            throw ActionError("the tag “" + tag + "” can't be stored because tags can't contain a comma");
        if (&tag != &tags.front()) value += ',';
        value += tag;
    }
    if (tags.empty()) {
        if (::removexattr(file.c_str(), tagsAttribute) != 0 && errno != ENODATA)
            throwErrno(errno, "couldn't change the tags of " + quoted(file));
        return;
    }
    if (::setxattr(file.c_str(), tagsAttribute, value.data(), value.size(), 0) != 0)
        throwErrno(errno, "couldn't change the tags of " + quoted(file));
}

std::vector<std::string> readSource(const std::filesystem::path& file)
{
    std::vector<std::string> addresses;
    for (const char* name : {"user.xdg.origin.url", "user.xdg.referrer.url"}) {
        auto value = xattr::read(file, name);
        if (value && !value->empty() && isValidUTF8(*value)) addresses.push_back(*value);
    }
    return addresses;
}

}  // namespace olva::platform
