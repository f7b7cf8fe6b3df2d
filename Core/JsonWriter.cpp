#include "Core/JsonWriter.h"

#include "Core/DecodingError.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace olva {
namespace {

// Length of the UTF-8 sequence at text[i], or 0 when it is malformed.
std::size_t utf8Length(const std::string& text, std::size_t i)
{
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    std::size_t length;
    std::uint32_t cp;
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) { length = 2; cp = lead & 0x1F; }
    else if ((lead & 0xF0) == 0xE0) { length = 3; cp = lead & 0x0F; }
    else if ((lead & 0xF8) == 0xF0) { length = 4; cp = lead & 0x07; }
    else return 0;
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr std::uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

void writeString(std::string& out, const std::string& text, const JsonStyle& style)
{
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            std::size_t length = utf8Length(text, i);
            if (length == 0) throw EncodingError("a text that is not valid UTF-8 can’t be written as JSON");
            out.append(text, i, length);
            i += length;
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '/': out += style.escapeSlashes ? "\\/" : "/"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
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
        std::vector<typename Json::const_iterator> members;
        for (auto it = value.begin(); it != value.end(); ++it) members.push_back(it);
        if (style.sortKeys)
            std::stable_sort(members.begin(), members.end(), [](auto a, auto b) { return a.key() < b.key(); });
        out += '{';
        bool first = true;
        for (auto it : members) {
            if (!first) out += ',';
            first = false;
            newline(depth + 1);
            writeString(out, it.key(), style);
            out += style.pretty ? " : " : ":";
            write(out, it.value(), style, depth + 1);
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
