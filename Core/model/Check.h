// One evaluated condition: what the rule asked, what the file had, and
// whether it held.
#pragma once

#include "Core/model/Model.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace olva {

struct Check {
    Attr attr = Attr::name;
    Op op = Op::is;
    std::string value;   // as the rule holds it
    std::string actual;  // the file's value as text
    bool pass = false;
    // Why the test could not be made, when it could not: a regular
    // expression that does not compile or ran out of time.
    std::optional<std::string> note = std::nullopt;
};

nlohmann::ordered_json toJson(const Check& check);
// The same written out as compact JSON text, straight.
void appendCheckJson(std::string& out, const Check& check, bool escapeSlashes);
// Throws DecodingError; every key but note is required.
Check checkFromJson(const nlohmann::json& json);

}  // namespace olva
