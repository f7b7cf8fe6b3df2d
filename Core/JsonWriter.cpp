#include "Core/JsonWriter.h"

#include "Core/DecodingError.h"
#include "Core/UTF8.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace olva {
namespace {

void writeString(std::string& out, std::string_view text, const JsonStyle& style)
{
    if (!isValidUTF8(text)) throw EncodingError("a text that is not valid UTF-8 can’t be written as JSON");
    out += '"';
    for (unsigned char c : text) {
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

void appendJsonString(std::string& out, std::string_view text, JsonStyle style) { writeString(out, text, style); }

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
