// How the tool prints log entries and explanations.
#pragma once

#include "Core/Date.h"
#include "Core/RuleTools.h"

#include <string>

namespace olva {

struct Entry;

// The entry's date in the user's locale, numeric date and short time.
std::string shortDateTime(Date date);

// One line for the entry, then an indented line per step and one for its
// error; no final line feed.
std::string formatEntry(const Entry& entry);

// What `olva explain` prints for one rule: a line with its name and status,
// then one line per check. Each line ends in a line feed.
std::string explanationText(const RuleTools::RuleExplanation& explanation);

}  // namespace olva
