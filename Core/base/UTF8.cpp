#include "Core/base/UTF8.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace olva {

bool isValidUTF8(std::string_view bytes)
{
    const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
    int32_t length = static_cast<int32_t>(bytes.size());
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) return false;
    int32_t i = 0;
    while (i < length) {
        // Names, paths and keys are mostly ASCII: eight bytes below 0x80
        // are looked at in one go.
        while (i + 8 <= length) {
            std::uint64_t word;
            std::memcpy(&word, s + i, sizeof word);
            if (word & 0x8080808080808080ULL) break;
            i += 8;
        }
        if (i >= length) break;
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
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

namespace {

// The bidirectional embeddings, overrides and isolates, which make a
// terminal show the text after them in another order than it has (a name
// that reads "exe.txt" may end in ".exe"), and the line and paragraph
// separators, which break a line as a line feed does.
bool reordersOrBreaksLines(UChar32 c)
{
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029;
}

}  // namespace

std::string printableText(std::string_view text)
{
    // Plain printable ASCII, as most names and paths are, stands as it is.
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F && c != '\\'; }))
        return std::string(text);
    static const char* const hex = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
    std::size_t at = 0;
    while (at < text.size()) {
        int32_t window = static_cast<int32_t>(std::min<std::size_t>(text.size() - at, 4));
        int32_t i = 0;
        UChar32 c;
        U8_NEXT(s + at, i, window, c);
        auto escape = [&](const char* prefix, unsigned value, int digits) {
            out += prefix;
            for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += hex[(value >> shift) & 0xF];
        };
        if (c < 0) {
            // Each byte of an invalid sequence on its own.
            for (int32_t b = 0; b < i; ++b) escape("\\x", s[at + b], 2);
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            escape("\\x", static_cast<unsigned>(c), 2);
        } else if ((c >= 0x80 && c < 0xA0) || reordersOrBreaksLines(c)) {
            escape("\\u", static_cast<unsigned>(c), 4);
        } else {
            out.append(text.data() + at, static_cast<std::size_t>(i));
        }
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
