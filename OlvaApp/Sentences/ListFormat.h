// Lists in the current locale's list format: "A, B, and C" in English.
#pragma once

#include "OlvaApp/Sentences/Segment.h"

#include <QStringList>

namespace olva::app {

// The pieces in one sentence, with the locale's separators and conjunction
// between them and every place and pattern kept inside its piece. Any number
// of pieces; none gives an empty sentence and one gives that piece.
Sentence joinedList(const QList<Sentence>& pieces);

// The texts joined the same way; each stays one item whatever it holds.
QString joinedStrings(const QStringList& items);

}  // namespace olva::app
