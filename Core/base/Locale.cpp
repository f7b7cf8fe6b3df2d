#include "Core/base/Locale.h"

#include <unicode/locid.h>

#include <cstdlib>

namespace olva {

std::string currentLocale()
{
    for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        std::string id(value);
        id = id.substr(0, id.find_first_of(".@"));  // codeset and modifier
        if (id == "C" || id == "POSIX") return "en_US_POSIX";
        return id;
    }
    return icu::Locale::getDefault().getName();
}

}  // namespace olva
