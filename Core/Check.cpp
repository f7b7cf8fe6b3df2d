#include "Core/Check.h"

#include "Core/JsonReader.h"

namespace olva {

nlohmann::ordered_json toJson(const Check& check)
{
    nlohmann::ordered_json json;
    json["attr"] = rawValue(check.attr);
    json["op"] = rawValue(check.op);
    json["value"] = check.value;
    json["actual"] = check.actual;
    json["pass"] = check.pass;
    return json;
}

Check checkFromJson(const nlohmann::json& value)
{
    JsonReader reader(value);
    reader.object();
    Check check;
    auto attrReader = reader["attr"];
    auto attr = attrFromRaw(attrReader.string());
    if (!attr) attrReader.fail(DecodingError::Kind::dataCorrupted, "“" + attrReader.string() + "” is not an attribute");
    auto opReader = reader["op"];
    auto op = opFromRaw(opReader.string());
    if (!op) opReader.fail(DecodingError::Kind::dataCorrupted, "“" + opReader.string() + "” is not an operator");
    check.attr = *attr;
    check.op = *op;
    check.value = reader["value"].string();
    check.actual = reader["actual"].string();
    check.pass = reader["pass"].boolean();
    return check;
}

}  // namespace olva
