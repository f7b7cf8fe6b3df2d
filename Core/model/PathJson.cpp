#include "Core/model/PathJson.h"

#include "Core/base/Base64.h"
#include "Core/base/JsonWriter.h"
#include "Core/base/UTF8.h"

namespace olva {

namespace {

std::string bytesKey(const std::string& key) { return key + "Bytes"; }

}  // namespace

std::string jsonText(std::string_view text)
{
    return isValidUTF8(text) ? std::string(text) : decodeUTF8Repairing(text);
}

void putPath(nlohmann::ordered_json& json, const std::string& key, const std::string& path)
{
    if (isValidUTF8(path)) {
        json[key] = path;
        return;
    }
    json[key] = decodeUTF8Repairing(path);
    json[bytesKey(key)] = base64Encode(std::vector<std::uint8_t>(path.begin(), path.end()));
}

void appendPathMember(std::string& out, std::string_view key, const std::string& path, bool escapeSlashes)
{
    JsonStyle style{.escapeSlashes = escapeSlashes};
    appendJsonString(out, key, style);
    out += ':';
    if (isValidUTF8(path)) {
        appendValidJsonString(out, path, style);
        return;
    }
    appendJsonString(out, decodeUTF8Repairing(path), style);
    out += ',';
    appendJsonString(out, bytesKey(std::string(key)), style);
    out += ':';
    appendJsonString(out, base64Encode(std::vector<std::uint8_t>(path.begin(), path.end())), style);
}

void appendTextValue(std::string& out, std::string_view text, bool escapeSlashes)
{
    JsonStyle style{.escapeSlashes = escapeSlashes};
    if (isValidUTF8(text)) appendValidJsonString(out, text, style);
    else appendJsonString(out, decodeUTF8Repairing(text), style);
}

void appendTextMember(std::string& out, std::string_view key, const std::optional<std::string>& text,
                      bool escapeSlashes)
{
    if (!text) return;
    out += ",\"";
    out += key;
    out += "\":";
    appendTextValue(out, *text, escapeSlashes);
}

std::optional<std::string> findPath(const JsonReader& object, const std::string& key)
{
    auto text = object.find(key);
    if (!text) return std::nullopt;
    std::string path = text->string();
    if (auto bytes = object.find(bytesKey(key)); bytes && bytes->value().is_string()) {
        // Bytes that are no Base64 (an edited line) leave the readable text.
        if (auto decoded = base64Decode(bytes->string())) return std::string(decoded->begin(), decoded->end());
    }
    return path;
}

std::string readPath(const JsonReader& object, const std::string& key)
{
    if (auto path = findPath(object, key)) return *std::move(path);
    object[key];  // throws: the key is missing
    return {};
}

}  // namespace olva
