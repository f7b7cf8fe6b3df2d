#include "OlvaApp/Sentences/ExplanationSentence.h"

#include <QCoreApplication>

namespace olva::app {

QString explanationSentence(const Explained& explained)
{
    auto winner = explained.winner();
    if (!winner) return QCoreApplication::translate("Explained", "No rule matches, so Olva leaves it where it is.");
    return {};
}

}  // namespace olva::app
