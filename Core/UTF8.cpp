#include "Core/UTF8.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>

namespace olva {

bool isValidUTF8(std::string_view bytes)
{
    const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
    int32_t length = static_cast<int32_t>(bytes.size());
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) return false;
    int32_t i = 0;
    while (i < length) {
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0) return false;
    }
    return true;
}

std::string decodeUTF8Repairing(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::size_t at = 0;
    while (at < bytes.size()) {
        // A sequence is at most four bytes long, so a short window suffices.
        int32_t window = static_cast<int32_t>(std::min<std::size_t>(bytes.size() - at, 4));
        int32_t i = 0;
        UChar32 c;
        U8_NEXT(s + at, i, window, c);
        if (c < 0) out += "\xEF\xBF\xBD";
        else out.append(bytes.data() + at, static_cast<std::size_t>(i));
        at += static_cast<std::size_t>(i);
    }
    return out;
}

std::string lowercased(std::string_view text)
{
    std::string out;
    icu::UnicodeString::fromUTF8(text).toLower(icu::Locale::getRoot()).toUTF8String(out);
    return out;
}

std::string uppercased(std::string_view text)
{
    std::string out;
    icu::UnicodeString::fromUTF8(text).toUpper(icu::Locale::getRoot()).toUTF8String(out);
    return out;
}

std::size_t characterStart(std::string_view text, std::size_t at)
{
    while (at > 0 && at < text.size() && U8_IS_TRAIL(text[at])) --at;
    return at;
}

}  // namespace olva
