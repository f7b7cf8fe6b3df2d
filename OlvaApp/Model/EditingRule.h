// The rule open in the rule sheet: a draft of a new rule, or a copy of one
// the folder holds. It remembers where it came from, so that a commit after
// the rules changed underneath cannot replace another rule.
#pragma once

#include "Core/model/Model.h"

#include <QMetaType>
#include <QUuid>

#include <optional>
#include <string>

namespace olva::app {

struct EditingRule {
    QUuid id = QUuid::createUuid();  // fresh for every opening of the sheet
    std::optional<int> index;        // the rule's position in its folder; none for a new rule
    Rule rule;                       // what the sheet starts from
    // The stored path of the folder the rule belongs to when editing began;
    // none for a new rule started while no folder was selected.
    std::optional<std::string> folder;
    // The rule as the folder held it when editing began; none for a new rule.
    std::optional<Rule> original;
};

}  // namespace olva::app

Q_DECLARE_METATYPE(olva::app::EditingRule)
