// The sentence that sums up how a folder's rules treat one file.
#pragma once

#include "OlvaApp/Model/Explained.h"

#include <QString>

namespace olva::app {

QString explanationSentence(const Explained& explained);

}  // namespace olva::app
