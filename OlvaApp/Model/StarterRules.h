// The rules a newly watched Downloads folder starts with, all dry runs.
#pragma once

#include "Core/model/Model.h"

#include <string>
#include <vector>

namespace olva::app {

// "Screenshots" (into `pictures`/Screenshots), "Installers" (to the Trash)
// and "PDFs" (into `documents`); the places in the user's form.
std::vector<Rule> downloadsStarterRules(const std::string& pictures, const std::string& documents);
// The same for the desktop's Pictures and Documents folders.
std::vector<Rule> downloadsStarterRules();

}  // namespace olva::app
