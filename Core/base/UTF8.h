// UTF-8 text: checks, repairs, case and character boundaries.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace olva {

bool isValidUTF8(std::string_view bytes);

// Each invalid sequence becomes U+FFFD.
std::string decodeUTF8Repairing(std::string_view bytes);

// Lower and upper case by the rules of no particular language.
std::string lowercased(std::string_view text);
std::string uppercased(std::string_view text);

// The text for one line of a terminal or a log: a backslash, control
// characters (line breaks, escape sequences), the characters that reorder
// text or separate lines (U+202A to U+202E, U+2066 to U+2069, U+2028,
// U+2029) and bytes that are not UTF-8 written as escapes (\\, \n, \t, \r,
// \x1b, \u0085, \u202e, \xff); every other character as it is.
std::string printableText(std::string_view text);

// Where the character that holds byte `at` begins: `at` moved back over
// continuation bytes.
std::size_t characterStart(std::string_view text, std::size_t at);

}  // namespace olva
