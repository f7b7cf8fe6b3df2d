// JSON text in the exact forms the data files need: compact or indented,
// sorted keys or the record's own order, slashes escaped or not.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace olva {

struct JsonStyle {
    bool pretty = false;
    bool sortKeys = false;
    bool escapeSlashes = false;
};

// Throws EncodingError when a string is not valid UTF-8.
std::string writeJson(const nlohmann::json& value, JsonStyle style = {});
std::string writeJson(const nlohmann::ordered_json& value, JsonStyle style = {});
// One string value, quoted and escaped, added to `out`; for documents too
// large to be built as a whole first. Throws EncodingError.
void appendJsonString(std::string& out, std::string_view text, JsonStyle style = {});
// The same for a text already known to be valid UTF-8.
void appendValidJsonString(std::string& out, std::string_view text, JsonStyle style = {});

}  // namespace olva
