// The JSON Schema that describes a rule to MCP clients. It is advice to the
// client only: the server decodes rules with the rule model and checks them
// itself.
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace olva {

// The whole rule: name, enabled, match and actions, with the group and
// condition definitions under "$defs". Built anew on every call.
nlohmann::json ruleSchema();

// One action variant: an object with exactly the one key `kind`, whose inner
// object holds `field` (when given) and nothing else.
nlohmann::json actionSchema(const std::string& kind, const std::optional<std::string>& field = std::nullopt,
                            const nlohmann::json& fieldSchema = nullptr);

}  // namespace olva
