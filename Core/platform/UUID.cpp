#include "Core/platform/UUID.h"

#include <uuid/uuid.h>

namespace olva::platform {

std::string newUUID()
{
    uuid_t id;
    uuid_generate_random(id);
    char text[37];
    uuid_unparse_upper(id, text);
    return text;
}

std::optional<std::string> canonicalUUID(std::string_view text)
{
    if (text.size() != 36) return std::nullopt;
    std::string copy(text);
    uuid_t id;
    if (uuid_parse(copy.c_str(), id) != 0) return std::nullopt;
    char upper[37];
    uuid_unparse_upper(id, upper);
    return std::string(upper);
}

}  // namespace olva::platform
