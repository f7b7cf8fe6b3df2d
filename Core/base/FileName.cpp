#include "Core/base/FileName.h"

namespace olva {

NameParts splitName(std::string_view name)
{
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return {std::string(name), {}};
    return {std::string(name.substr(0, dot)), std::string(name.substr(dot + 1))};
}

std::string numberedName(std::string_view name, unsigned long number)
{
    NameParts parts = splitName(name);
    std::string result = parts.stem + " " + std::to_string(number);
    if (!parts.ext.empty()) result += "." + parts.ext;
    return result;
}

}  // namespace olva
