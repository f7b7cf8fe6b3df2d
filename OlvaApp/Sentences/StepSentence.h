// What a rule did to a file, would do in a dry run, or will do: "Moved to
// [Invoices] and tagged Paid", "Would move to Trash", "Will rename to a.pdf".
#pragma once

#include "OlvaApp/Sentences/Segment.h"

#include "Core/model/Entry.h"
#include "Core/model/Step.h"

#include <vector>

namespace olva::app {

enum class SummaryMode {
    done,    // a finished run, in the past tense
    dryRun,  // what a dry run would do: "Would …"
    planned  // what a live rule will do: "Will …"
};

// One step, lower-case and without "Would"/"Will": "moved to [Invoices]",
// "renamed to b.pdf", "tagged Paid and removed tag Inbox". A tags step that
// changed nothing gives an empty sentence.
Sentence stepDescription(const olva::Step& step, SummaryMode mode);

// All steps of a run as one sentence; "Matched, nothing to change" when no
// step says anything.
Sentence outcomeSummary(const std::vector<olva::Step>& steps, SummaryMode mode);

// The one-line result of a log entry: its failure, its steps, or the rule
// an undo reverted.
Sentence resultText(const olva::Entry& entry);

}  // namespace olva::app
