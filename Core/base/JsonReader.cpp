#include "Core/base/JsonReader.h"

#include <cmath>
#include <limits>

namespace olva {
namespace {

std::string typeName(const nlohmann::json& value)
{
    switch (value.type()) {
    case nlohmann::json::value_t::object: return "an object";
    case nlohmann::json::value_t::array: return "an array";
    case nlohmann::json::value_t::string: return "a string";
    case nlohmann::json::value_t::boolean: return "a Boolean";
    case nlohmann::json::value_t::null: return "null";
    case nlohmann::json::value_t::binary: return "binary data";
    default: return "a number";
    }
}

}  // namespace

JsonReader::JsonReader(const nlohmann::json& value, std::string path)
    : value_(&value), path_(std::move(path))
{
}

void JsonReader::fail(DecodingError::Kind kind, const std::string& detail) const
{
    throw DecodingError(kind, path_, detail);
}

const nlohmann::json& JsonReader::object() const
{
    if (!value_->is_object()) fail(DecodingError::Kind::typeMismatch, "expected an object but found " + typeName(*value_));
    return *value_;
}

JsonReader JsonReader::operator[](const std::string& key) const
{
    const auto& members = object();
    auto it = members.find(key);
    if (it == members.end()) fail(DecodingError::Kind::keyNotFound, "no value for the key “" + key + "”");
    std::string childPath = path_.empty() ? key : path_ + "." + key;
    if (it->is_null()) throw DecodingError(DecodingError::Kind::keyNotFound, childPath, "the value is null");
    return JsonReader(*it, std::move(childPath));
}

std::optional<JsonReader> JsonReader::find(const std::string& key) const
{
    const auto& members = object();
    auto it = members.find(key);
    if (it == members.end() || it->is_null()) return std::nullopt;
    return JsonReader(*it, path_.empty() ? key : path_ + "." + key);
}

std::string JsonReader::string() const
{
    if (!value_->is_string()) fail(DecodingError::Kind::typeMismatch, "expected a string but found " + typeName(*value_));
    return value_->get<std::string>();
}

bool JsonReader::boolean() const
{
    if (!value_->is_boolean()) fail(DecodingError::Kind::typeMismatch, "expected a Boolean but found " + typeName(*value_));
    return value_->get<bool>();
}

std::int64_t JsonReader::integer() const
{
    if (value_->is_number_integer()) {
        if (value_->is_number_unsigned()
            && value_->get<std::uint64_t>() > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            fail(DecodingError::Kind::dataCorrupted, "the number does not fit in a 64-bit integer");
        return value_->get<std::int64_t>();
    }
    if (value_->is_number_float()) {
        double d = value_->get<double>();
        // -2^63 fits, 2^63 does not, and every whole double between them does.
        if (std::trunc(d) == d && d >= -9223372036854775808.0 && d < 9223372036854775808.0)
            return static_cast<std::int64_t>(d);
        fail(DecodingError::Kind::dataCorrupted, "the number does not fit in a 64-bit integer");
    }
    fail(DecodingError::Kind::typeMismatch, "expected a number but found " + typeName(*value_));
}

std::vector<JsonReader> JsonReader::array() const
{
    if (!value_->is_array()) fail(DecodingError::Kind::typeMismatch, "expected an array but found " + typeName(*value_));
    std::vector<JsonReader> items;
    items.reserve(value_->size());
    for (std::size_t i = 0; i < value_->size(); ++i)
        items.emplace_back((*value_)[i], path_ + "[" + std::to_string(i) + "]");
    return items;
}

}  // namespace olva
