// One evaluated condition: what the rule asked, what the file had, and
// whether it held.
#pragma once

#include "Core/Model.h"

#include <nlohmann/json.hpp>

#include <string>

namespace olva {

struct Check {
    Attr attr = Attr::name;
    Op op = Op::is;
    std::string value;   // as the rule holds it
    std::string actual;  // the file's value as text
    bool pass = false;
};

nlohmann::ordered_json toJson(const Check& check);
// Throws DecodingError; every key is required.
Check checkFromJson(const nlohmann::json& json);

}  // namespace olva
