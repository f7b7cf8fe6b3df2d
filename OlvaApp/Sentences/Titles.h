// The names of file attributes and condition operators, as menus, check rows
// and rule sentences show them.
#pragma once

#include "Core/model/Model.h"

#include <QString>

namespace olva::app {

// "Date Added": the attribute menu, check rows and preview rows.
QString title(olva::Attr attr);
// "does not contain": operator menus, check rows and rule sentences.
QString title(olva::Op op);
// "date added": the attribute inside a rule sentence. A string of its own,
// so a translation may word it differently from the title.
QString sentenceName(olva::Attr attr);

}  // namespace olva::app
