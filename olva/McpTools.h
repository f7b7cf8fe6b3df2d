// The eight tools of the MCP server: their definitions, the readers of their
// arguments, and the call of each into the rule tools.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>

namespace olva {

struct Rule;
class Store;

// A bad tool argument; its text is shown to the client as it stands.
class ToolInputError : public std::runtime_error {
public:
    explicit ToolInputError(const std::string& description) : std::runtime_error(description) {}
};

// The definitions "tools/list" returns, in their order; built once, on first
// use, since every call checks its tool's name against them.
const nlohmann::json& toolDefinitions();

// Runs one tool. Failures come back as a result with "isError" true; only a
// result that cannot be written as JSON at all (a file name that is not
// UTF-8) escapes, as EncodingError, for a JSON-RPC error reply.
nlohmann::json callTool(const std::string& name, const nlohmann::json& arguments, const std::shared_ptr<Store>& store);

// Argument readers; each throws ToolInputError (ruleArgument also the rule
// model's DecodingError).
std::string stringArgument(const nlohmann::json& arguments, const std::string& key);
std::int64_t intArgument(const nlohmann::json& arguments, const std::string& key);
Rule ruleArgument(const nlohmann::json& arguments);

// The text of an error result.
std::string describeToolError(const std::exception& error);
// ".match.items[0]" for the decoder's "match.items[0]".
std::string codingPathText(const std::string& path);

}  // namespace olva
