#include "Core/platform/TagWriter.h"

#include "Core/ActionError.h"
#include "Core/FileInfo.h"
#include "Core/platform/SystemError.h"

#include <sys/xattr.h>

#include <cerrno>

namespace olva::platform {

void writeTags(const std::filesystem::path& file, const std::vector<std::string>& tags)
{
    std::string value;
    for (const std::string& tag : tags) {
        if (tag.find(',') != std::string::npos)
            throw ActionError("the tag “" + tag + "” can't be stored because tags can't contain a comma");
        if (!value.empty() || &tag != &tags.front()) value += ',';
        value += tag;
    }
    const char* name = tagsAttribute;
    if (tags.empty()) {
        if (::removexattr(file.c_str(), name) != 0 && errno != ENODATA)
            throwErrno(errno, "couldn't change the tags of " + quoted(file));
        return;
    }
    if (::setxattr(file.c_str(), name, value.data(), value.size(), 0) != 0)
        throwErrno(errno, "couldn't change the tags of " + quoted(file));
}

}  // namespace olva::platform
