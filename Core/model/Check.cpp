#include "Core/model/Check.h"

#include "Core/base/JsonReader.h"
#include "Core/model/PathJson.h"

namespace olva {

nlohmann::ordered_json toJson(const Check& check)
{
    nlohmann::ordered_json json;
    json["attr"] = rawValue(check.attr);
    json["op"] = rawValue(check.op);
    json["value"] = jsonText(check.value);
    json["actual"] = jsonText(check.actual);
    json["pass"] = check.pass;
    if (check.note) json["note"] = jsonText(*check.note);
    return json;
}

void appendCheckJson(std::string& out, const Check& check, bool escapeSlashes)
{
    out += "{\"attr\":\"";
    out += rawValue(check.attr);
    out += "\",\"op\":\"";
    out += rawValue(check.op);
    out += "\",\"value\":";
    appendTextValue(out, check.value, escapeSlashes);
    out += ",\"actual\":";
    appendTextValue(out, check.actual, escapeSlashes);
    out += check.pass ? ",\"pass\":true" : ",\"pass\":false";
    appendTextMember(out, "note", check.note, escapeSlashes);
    out += '}';
}

Check checkFromJson(const nlohmann::json& value)
{
    JsonReader reader(value);
    reader.object();
    Check check;
    check.attr = reader["attr"].parsed(attrFromRaw, "an attribute");
    check.op = reader["op"].parsed(opFromRaw, "an operator");
    check.value = reader["value"].string();
    check.actual = reader["actual"].string();
    check.pass = reader["pass"].boolean();
    if (auto note = reader.find("note")) check.note = note->string();
    return check;
}

}  // namespace olva
