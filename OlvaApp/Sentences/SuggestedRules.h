// Ready-made rules a folder without rules offers to start from. Every one is
// a dry run, so adding it only logs what it would do.
#pragma once

#include "Core/model/Model.h"

#include <QString>

#include <vector>

namespace olva::app {

// Screenshots, Installers, PDFs, in that order; made once.
const std::vector<olva::Rule>& suggestedRules();

// The accessible name of a suggestion's add button: "Add PDFs…".
QString addSuggestionLabel(const olva::Rule& rule);

}  // namespace olva::app
