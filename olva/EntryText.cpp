#include "olva/EntryText.h"

#include "Core/Entry.h"
#include "Core/Locale.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <chrono>
#include <memory>

namespace olva {

std::string shortDateTime(Date date)
{
    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createDateTimeInstance(icu::DateFormat::kShort, icu::DateFormat::kShort,
                                              icu::Locale(currentLocale().c_str())));
    if (!format) return iso8601(date);
    auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    icu::UnicodeString text;
    format->format(static_cast<UDate>(millis), text);
    std::string out;
    text.toUTF8String(out);
    return out;
}

std::string formatEntry(const Entry& entry)
{
    std::string text = entry.id.substr(0, 8);
    text += "  " + shortDateTime(entry.at);
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
