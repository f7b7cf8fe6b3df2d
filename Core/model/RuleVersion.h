// What identifies a rule's behaviour, and whether a rule can be saved.
#pragma once

#include "Core/model/Model.h"

#include <string>

namespace olva {

// 16 lower-case hexadecimal digits, independent of the rule's name and
// enabled switch. Never fails.
std::string ruleVersion(const Rule& rule);

// Throws ActionError with the rule's first problem.
void validate(const Rule& rule);

}  // namespace olva
