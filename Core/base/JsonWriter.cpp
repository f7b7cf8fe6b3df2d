#include "Core/base/JsonWriter.h"

#include "Core/base/DecodingError.h"
#include "Core/base/UTF8.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace olva {
namespace {

bool needsEscape(unsigned char c, bool escapeSlashes)
{
    return c < 0x20 || c == '"' || c == '\\' || (c == '/' && escapeSlashes);
}

// The bytes of the eight at `bytes` that need an escape (one below 0x20, a
// quote, a backslash, or when asked a slash), as the high bit of each. Only
// the lowest one set is exact: a borrow may mark bytes above it as well.
std::uint64_t escapesInWord(const char* bytes, bool escapeSlashes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    constexpr std::uint64_t ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
    auto hasZero = [&](std::uint64_t v) { return (v - ones) & ~v & highs; };
    // A byte below 0x20: subtracting 0x20 borrows into its high bit (bytes
    // of 0x80 and above are left out, they never need one).
    std::uint64_t below = (word - ones * 0x20) & ~word & highs;
    std::uint64_t found = below | hasZero(word ^ (ones * '"')) | hasZero(word ^ (ones * '\\'));
    if (escapeSlashes) found |= hasZero(word ^ (ones * '/'));
    return found;
}

// Escapes `text` at the end of `out`, into room for its longest form (six
// bytes a character) that is then cut to what it took: an escape is two or
// six stores, not an append of its own.
// Where the first byte of `text` that needs an escape is; its size when none
// does.
std::size_t firstEscape(std::string_view text, bool escapeSlashes)
{
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8)
        if (std::uint64_t found = escapesInWord(text.data() + i, escapeSlashes); found != 0) {
            // Little-endian: the lowest bit set is the first byte in the text.
            if constexpr (std::endian::native == std::endian::little) i += std::size_t(std::countr_zero(found)) / 8;
            break;
        }
    for (; i < text.size(); ++i)
        if (needsEscape(static_cast<unsigned char>(text[i]), escapeSlashes)) return i;
    return text.size();
}

void appendEscaped(std::string& out, std::string_view text, bool escapeSlashes)
{
    // Most texts need no escape at all, or none in a first stretch: that
    // goes in as it is, without room made for six times its size.
    const std::size_t plain = firstEscape(text, escapeSlashes);
    out.append(text.data(), plain);
    text.remove_prefix(plain);
    if (text.empty()) return;
    const std::size_t start = out.size();
    out.resize(start + 6 * text.size());
    char* at = out.data() + start;
    // Runs of characters that stand as they are go in whole; eight bytes at
    // a time are looked at for the next one that needs an escape.
    std::size_t run = 0;
    auto flush = [&](std::size_t to) {
        std::memcpy(at, text.data() + run, to - run);
        at += to - run;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        while (i + 8 <= text.size()) {
            std::uint64_t found = escapesInWord(text.data() + i, escapeSlashes);
            if (found == 0) {
                i += 8;
                continue;
            }
            // Little-endian: the lowest bit set is the first byte in the text.
            if constexpr (std::endian::native == std::endian::little) i += std::size_t(std::countr_zero(found)) / 8;
            break;
        }
        if (i >= text.size()) break;
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (!needsEscape(c, escapeSlashes)) continue;
        flush(i);
        run = i + 1;
        auto pair = [&](char second) {
            at[0] = '\\';
            at[1] = second;
            at += 2;
        };
        switch (c) {
        case '"': pair('"'); break;
        case '\\': pair('\\'); break;
        case '/': pair('/'); break;
        case '\b': pair('b'); break;
        case '\f': pair('f'); break;
        case '\n': pair('n'); break;
        case '\r': pair('r'); break;
        case '\t': pair('t'); break;
        default: {
            static constexpr char digits[] = "0123456789abcdef";
            const char escaped[6] = {'\\', 'u', '0', '0', digits[c >> 4], digits[c & 15]};
            std::memcpy(at, escaped, sizeof escaped);
            at += sizeof escaped;
        }
        }
    }
    flush(text.size());
    out.resize(std::size_t(at - out.data()));
}

void writeValidString(std::string& out, std::string_view text, const JsonStyle& style)
{
    out += '"';
    // A long text goes in pieces, so that the room asked for stays small.
    // Escapes concern single bytes, and the bytes of a character beyond
    // ASCII never need one: any place is a place to cut.
    constexpr std::size_t kPiece = 4096;
    for (std::size_t at = 0; at < text.size(); at += kPiece)
        appendEscaped(out, text.substr(at, kPiece), style.escapeSlashes);
    out += '"';
}

void writeString(std::string& out, std::string_view text, const JsonStyle& style)
{
    if (!isValidUTF8(text)) throw EncodingError("a text that is not valid UTF-8 can’t be written as JSON");
    writeValidString(out, text, style);
}

template <typename Json>
void write(std::string& out, const Json& value, const JsonStyle& style, int depth)
{
    auto newline = [&](int level) {
        if (!style.pretty) return;
        out += '\n';
        out.append(static_cast<std::size_t>(level) * 2, ' ');
    };
    if (value.is_object()) {
        if (value.empty()) { out += "{}"; return; }
        out += '{';
        bool first = true;
        auto member = [&](auto it) {
            if (!first) out += ',';
            first = false;
            newline(depth + 1);
            writeString(out, it.key(), style);
            out += style.pretty ? " : " : ":";
            write(out, it.value(), style, depth + 1);
        };
        if (style.sortKeys) {
            std::vector<typename Json::const_iterator> members;
            for (auto it = value.begin(); it != value.end(); ++it) members.push_back(it);
            std::stable_sort(members.begin(), members.end(), [](auto a, auto b) { return a.key() < b.key(); });
            for (auto it : members) member(it);
        } else {
            for (auto it = value.begin(); it != value.end(); ++it) member(it);
        }
        newline(depth);
        out += '}';
    } else if (value.is_array()) {
        if (value.empty()) { out += "[]"; return; }
        out += '[';
        bool first = true;
        for (const auto& item : value) {
            if (!first) out += ',';
            first = false;
            newline(depth + 1);
            write(out, item, style, depth + 1);
        }
        newline(depth);
        out += ']';
    } else if (value.is_string()) {
        writeString(out, value.template get_ref<const std::string&>(), style);
    } else {
        out += value.dump();
    }
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text, JsonStyle style) { writeString(out, text, style); }

void appendValidJsonString(std::string& out, std::string_view text, JsonStyle style)
{
    writeValidString(out, text, style);
}

std::string writeJson(const nlohmann::json& value, JsonStyle style)
{
    std::string out;
    write(out, value, style, 0);
    return out;
}

std::string writeJson(const nlohmann::ordered_json& value, JsonStyle style)
{
    std::string out;
    write(out, value, style, 0);
    return out;
}

}  // namespace olva
