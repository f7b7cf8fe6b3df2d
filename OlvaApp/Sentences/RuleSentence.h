// A rule told as one sentence: "If name contains invoice, move to [Documents]".
#pragma once

#include "OlvaApp/Sentences/Segment.h"

#include "Core/model/Model.h"

#include <vector>

namespace olva::app {

// The conditions as plain text: "name contains a and (extension is pdf or
// extension is png)". Empty when there are no items. Values as stored.
QString conditionPhrase(olva::Group::Mode mode, const std::vector<olva::Node>& items);

// One action: "move to " and a place, "rename to " and a pattern, "tag Work
// and Red", "move to Trash", "run a shell script".
Sentence actionSentence(const olva::Action& action);

// The rule's sentence; without conditions the first action is capitalized.
Sentence ruleSentence(const olva::Rule& rule);

}  // namespace olva::app
