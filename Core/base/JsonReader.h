// Walks a JSON document while decoding a record, so that every failure says
// where it happened.
#pragma once

#include "Core/base/DecodingError.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace olva {

class JsonReader {
public:
    explicit JsonReader(const nlohmann::json& value, std::string path = {});

    const nlohmann::json& value() const { return *value_; }
    const std::string& path() const { return path_; }

    // A member that must be present (and not null).
    JsonReader operator[](const std::string& key) const;
    // A member that may be absent; null counts as absent.
    std::optional<JsonReader> find(const std::string& key) const;

    // The value as the named type, or a typeMismatch error.
    std::string string() const;
    bool boolean() const;
    std::int64_t integer() const;
    std::vector<JsonReader> array() const;
    const nlohmann::json& object() const;

    // The string as `parse` reads it (attrFromRaw, parseIso8601...), or a
    // dataCorrupted error saying that the text is not `what` ("an
    // attribute", "a UUID").
    template <typename Parse>
    auto parsed(Parse parse, const std::string& what) const
    {
        std::string text = string();
        auto value = parse(text);
        if (!value) fail(DecodingError::Kind::dataCorrupted, "“" + text + "” is not " + what);
        return *std::move(value);
    }

    [[noreturn]] void fail(DecodingError::Kind kind, const std::string& detail) const;

private:
    const nlohmann::json* value_;
    std::string path_;
};

}  // namespace olva
