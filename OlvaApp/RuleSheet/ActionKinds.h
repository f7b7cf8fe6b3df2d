// What the actions editor offers: the kinds of action in menu order with
// their titles and the action a row gets when the user picks one, the name
// pattern tokens of the "Insert" menu, and the reading of a tags text.
#pragma once

#include "Core/model/Model.h"

#include <QString>

#include <span>
#include <string>
#include <vector>

namespace olva::app {

// Every kind, in the order of the kind menu.
std::span<const Action::Kind> actionKinds();
// "Move to Folder", "Sort into Subfolder", …
QString title(Action::Kind kind);
// A move or copy with no folder, "{name}" for a rename, "{added:yyyy}" for
// sorting into a subfolder, no tags, no script.
Action defaultAction(Action::Kind kind);

struct PatternToken {
    QString title;
    QString token;
};
// The "Insert" menu, titles translated when called.
std::vector<PatternToken> patternTokens();

// The tags a tags field's text names: split at each ",", blanks (spaces and
// tabs, not line breaks) trimmed from both ends, empty pieces dropped, in
// order, duplicates kept.
std::vector<std::string> tagsFromText(const QString& text);
// The tags as the field shows them: joined with ", ".
QString tagsText(const std::vector<std::string>& tags);

}  // namespace olva::app
