#include "olva/EntryText.h"

#include "Core/model/Entry.h"
#include "Core/base/Formatting.h"
#include "Core/base/UTF8.h"

namespace olva {

// Names, paths, notes and errors may hold anything a file name can: each
// shows on its own line, with control characters and bytes that are not
// UTF-8 escaped rather than acting on the terminal.
std::string formatEntry(const Entry& entry)
{
    // Put together in place: a pass prints one for every file it handles.
    std::string text;
    text.reserve(128 + entry.file.size() * (1 + entry.steps.size()));
    text.append(entry.id, 0, 8);
    text += "  ";
    text += numericDateTimeText(entry.at);
    text += "  ";
    text += entry.undoOf ? "undo" : entry.error ? "ERROR" : entry.dryRun ? "would" : "did";
    text += "  '";
    text += printableText(entry.rule);
    text += "' ";
    text += printableText(entry.file);
    for (const Step& step : entry.steps) {
        text += "\n    ";
        text += rawValue(step.kind);
        text += ' ';
        text += printableText(step.from);
        if (step.to) {
            text += " -> ";
            text += printableText(*step.to);
        }
        if (step.note) {
            text += "  (";
            text += printableText(*step.note);
            text += ')';
        }
    }
    if (entry.error) {
        text += "\n    ";
        text += printableText(*entry.error);
    }
    return text;
}

std::string explanationText(const RuleTools::RuleExplanation& explanation)
{
    // A dry run changed nothing: it only logged what it would do.
    const char* status = !explanation.alreadyApplied ? (explanation.matches ? "MATCH" : "no match")
                         : explanation.dryRun      ? "dry run, already logged what it would do"
                                                   : "already applied";
    std::string text = "'" + printableText(explanation.rule) + "': " + status + "\n";
    for (const Check& check : explanation.checks) {
        text += std::string("    ") + (check.pass ? "\u2713" : "\u2717") + " " + std::string(rawValue(check.attr)) + " "
                + std::string(rawValue(check.op)) + " \"" + printableText(check.value) + "\"   actual: "
                + printableText(check.actual);
        if (check.note) text += "   (" + printableText(*check.note) + ")";
        text += "\n";
    }
    return text;
}

}  // namespace olva
