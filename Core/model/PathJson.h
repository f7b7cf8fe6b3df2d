// Paths and texts in the JSON the system writes. Linux names are bytes and
// need not be UTF-8, while JSON text must be: a path that is not UTF-8 is
// written readably, each invalid byte as U+FFFD, and beside it, under the
// key followed by "Bytes", its exact bytes in Base64, from which it is read
// back. Readers that know nothing of that member still read the text.
#pragma once

#include "Core/base/JsonReader.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace olva {

void putPath(nlohmann::ordered_json& json, const std::string& key, const std::string& path);

// The path under `key`, exact when its bytes are there. Throws
// DecodingError when the key is missing.
std::string readPath(const JsonReader& object, const std::string& key);
std::optional<std::string> findPath(const JsonReader& object, const std::string& key);

// The same written straight into JSON text, for records encoded often:
// `"key":"path"` (and its bytes member when it needs one), and a text value.
void appendPathMember(std::string& out, std::string_view key, const std::string& path, bool escapeSlashes);
void appendTextValue(std::string& out, std::string_view text, bool escapeSlashes);
// `,"key":"text"` after the members before it; nothing without a text.
void appendTextMember(std::string& out, std::string_view key, const std::optional<std::string>& text,
                      bool escapeSlashes);

// Text for the user that JSON can carry: UTF-8 as it stands, anything else
// with each invalid byte shown as U+FFFD.
std::string jsonText(std::string_view text);

}  // namespace olva
