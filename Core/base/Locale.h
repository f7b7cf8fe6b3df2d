// The user's locale for dates, as the environment names it.
#pragma once

#include <string>

namespace olva {

// LC_ALL, else LC_TIME, else LANG, as an ICU locale id ("de_DE": codeset and
// modifier dropped, C and POSIX read as "en_US_POSIX"); ICU's default locale
// when none of them is set.
std::string currentLocale();

}  // namespace olva
