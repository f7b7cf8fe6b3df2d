// Converters from the parts of an archived Hazel rule (its criteria, actions
// and rename patterns) to the rule model. What cannot be carried over is
// recorded, never dropped silently: a rule with fewer conditions would match
// more files.
#pragma once

#include "Core/hazel/KeyedArchive.h"
#include "Core/model/Model.h"

#include <optional>
#include <string>
#include <vector>

namespace olva {

// What converting one rule found worth telling the user.
struct HazelFindings {
    // Changes of meaning that still convert.
    std::vector<std::string> notes;
    // What could not be carried over; any of them disables the rule.
    std::vector<std::string> unsupported;
};

// A criterion: a comparison becomes a condition, a compound a group, the
// true predicate an empty `all` group. Nothing, with a label, for anything
// else.
std::optional<Node> convertHazelPredicate(const Archived& criterion, HazelFindings& findings);

// The value text of a comparison's constant: a text as it is, a number as
// its digits, a measurement as amount and lower-cased unit ("3 days").
std::optional<std::string> convertNoodleMeasurement(const Archived* constant);

// A move, copy or rename action; nothing, with a label, for other kinds.
std::optional<Action> convertHazelAction(const Archived::Object& action, HazelFindings& findings);

// A rename action's list of texts and tokens as a name pattern.
std::optional<std::string> convertHazelRename(const Archived::Array& tokens, HazelFindings& findings);

// A date token's sub-tokens as a date-format pattern ("yyyy-MM-dd").
std::optional<std::string> convertHazelDateFormat(const Archived::Array& subTokens);

}  // namespace olva
