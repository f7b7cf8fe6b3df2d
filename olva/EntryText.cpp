#include "olva/EntryText.h"

#include "Core/Entry.h"
#include "Core/Formatting.h"

namespace olva {

std::string formatEntry(const Entry& entry)
{
    std::string text = entry.id.substr(0, 8);
    text += "  " + numericDateTimeText(entry.at);
    const char* status = entry.undoOf ? "undo" : entry.error ? "ERROR" : entry.dryRun ? "would" : "did";
    text += std::string("  ") + status;
    text += "  '" + entry.rule + "' " + entry.file;
    for (const Step& step : entry.steps) {
        text += "\n    " + std::string(rawValue(step.kind)) + " " + step.from;
        if (step.to) text += " -> " + *step.to;
        if (step.note) text += "  (" + *step.note + ")";
    }
    if (entry.error) text += "\n    " + *entry.error;
    return text;
}

std::string explanationText(const RuleTools::RuleExplanation& explanation)
{
    std::string text = "'" + explanation.rule + "': "
                       + (explanation.alreadyApplied ? "already applied" : explanation.matches ? "MATCH" : "no match")
                       + "\n";
    for (const Check& check : explanation.checks) {
        text += std::string("    ") + (check.pass ? "\u2713" : "\u2717") + " " + std::string(rawValue(check.attr)) + " "
                + std::string(rawValue(check.op)) + " \"" + check.value + "\"   actual: " + check.actual + "\n";
    }
    return text;
}

}  // namespace olva
