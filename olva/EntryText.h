// How the tool prints log entries and explanations.
#pragma once

#include "Core/tools/RuleTools.h"

#include <string>

namespace olva {

struct Entry;

// One line for the entry (its date numeric, in the user's locale), then an
// indented line per step and one for its error; no final line feed.
std::string formatEntry(const Entry& entry);

// What `olva explain` prints for one rule: a line with its name and status,
// then one line per check. Each line ends in a line feed.
std::string explanationText(const RuleTools::RuleExplanation& explanation);

}  // namespace olva
