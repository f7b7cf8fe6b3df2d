#include "OlvaApp/Sentences/ExplanationSentence.h"

#include <QCoreApplication>

namespace olva::app {

namespace {

QString tr(const char* source) { return QCoreApplication::translate("ExplanationSentence", source); }

// Why the engine leaves the file alone, in place of a claim that a rule
// handles it.
QString unwatchedSentence(Unwatched reason)
{
    switch (reason) {
    case Unwatched::allPaused: return tr("All rules are paused, so Olva leaves it where it is for now.");
    case Unwatched::folderPaused: return tr("This folder is paused, so Olva leaves it where it is for now.");
    case Unwatched::tooDeep:
        return tr("It’s in a subfolder deeper than this folder includes, so Olva leaves it where it is.");
    case Unwatched::hidden: return tr("It’s hidden, so Olva leaves it where it is.");
    case Unwatched::inPackage: return tr("It’s inside a package, so Olva leaves it where it is.");
    }
    return {};
}

}  // namespace

QString explanationSentence(const Explained& explained)
{
    const auto winner = explained.winner();
    if (!winner) return tr("No rule matches, so Olva leaves it where it is.");
    const Explanation& explanation = explained.rules[*winner];
    const QString name = QString::fromStdString(explanation.rule.name);
    // A dry run changed nothing; "handled" would read as moved.
    if (explanation.alreadyApplied && explanation.rule.dryRun)
        return tr("“%1” is a dry run and already logged what it would do with this file.").arg(name);
    if (explanation.alreadyApplied) return tr("“%1” already handled this file.").arg(name);
    if (explained.unwatched) return unwatchedSentence(*explained.unwatched);
    if (explanation.rule.dryRun)
        return tr("“%1” matches. It’s a dry run, so Olva only logs what it would do.").arg(name);
    return tr("“%1” matches and handles this file.").arg(name);
}

}  // namespace olva::app
