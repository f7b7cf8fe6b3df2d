#include "tests/app-sentences/SentenceText.h"

#include "OlvaApp/Sentences/SentenceTemplate.h"
#include "OlvaApp/Sentences/StepSentence.h"

#include <gtest/gtest.h>

#include <functional>

using namespace olva::app;
using olva::test::described;
using Kind = olva::Step::Kind;

namespace {

olva::Step step(Kind kind, std::string from, std::optional<std::string> to = {})
{
    olva::Step step;
    step.kind = kind;
    step.from = std::move(from);
    step.to = std::move(to);
    return step;
}

olva::Step tags(std::optional<std::vector<std::string>> before, std::optional<std::string> note)
{
    olva::Step step;
    step.kind = Kind::tags;
    step.from = "/in/a.pdf";
    step.tagsBefore = std::move(before);
    step.note = std::move(note);
    return step;
}

olva::Step shell(std::string note)
{
    olva::Step step;
    step.kind = Kind::shell;
    step.from = "/in/a.pdf";
    step.note = std::move(note);
    return step;
}

const std::string kMarker = sentenceMarker(0).toStdString();

// What `said` reads in each tense, against what it should.
void expectTenses(const std::function<Sentence(SummaryMode)>& said, const std::string& done,
                  const std::string& dryRun, const std::string& planned, const char* name)
{
    EXPECT_EQ(described(said(SummaryMode::done)), done) << name;
    EXPECT_EQ(described(said(SummaryMode::dryRun)), dryRun) << name;
    EXPECT_EQ(described(said(SummaryMode::planned)), planned) << name;
}

}  // namespace

// Every kind of step in the three tenses. A rename and a sort into a
// subfolder are recorded as moves.
TEST(StepDescriptions, TellEveryStepInEveryTense)
{
    struct Case {
        const char* name;
        olva::Step step;
        std::string done;
        std::string planned;  // dry runs read the same
    };
    const Case cases[] = {
        {"move without a target", step(Kind::move, "/in/a.pdf"), "moved", "move"},
        {"move within the folder is a rename", step(Kind::move, "/in/a.pdf", "/in/b.pdf"), "renamed to b.pdf",
         "rename to b.pdf"},
        {"move to another folder under the same name", step(Kind::move, "/in/a.pdf", "/home/ann/Invoices/a.pdf"),
         "moved to |[place:/home/ann/Invoices]", "move to |[place:/home/ann/Invoices]"},
        {"move to another folder under another name", step(Kind::move, "/in/a.pdf", "/out/b.pdf"),
         "moved to |[place:/out]| as b.pdf", "move to |[place:/out]| as b.pdf"},
        {"sort into a subfolder", step(Kind::move, "/in/a.pdf", "/in/2025/a.pdf"), "moved to |[place:/in/2025]",
         "move to |[place:/in/2025]"},
        {"move of a folder", step(Kind::move, "/in/Album/", "/out/Album/"), "moved to |[place:/out]",
         "move to |[place:/out]"},
        {"move to the root", step(Kind::move, "/in/a", "/a"), "moved to |[place:/]", "move to |[place:/]"},
        {"copy without a target", step(Kind::copy, "/in/a.pdf"), "copied", "copy"},
        {"copy never names the new name", step(Kind::copy, "/in/a.pdf", "/out/a 2.pdf"), "copied to |[place:/out]",
         "copy to |[place:/out]"},
        {"copy within the folder", step(Kind::copy, "/in/a.pdf", "/in/a 2.pdf"), "copied to |[place:/in]",
         "copy to |[place:/in]"},
        {"trash has no chip", step(Kind::trash, "/in/a.pdf", "/home/ann/.local/share/Trash/files/a.pdf"),
         "moved to Trash", "move to Trash"},
        {"trash without a target", step(Kind::trash, "/in/a.pdf"), "moved to Trash", "move to Trash"},
        {"shell, whatever it printed", shell("done %1 " + kMarker), "ran a script", "run a script"},
        {"tags added", tags(std::vector<std::string>{}, "Paid, Work, Urgent"), "tagged Paid, Work, and Urgent",
         "tag Paid, Work, and Urgent"},
        {"tags added and removed", tags(std::vector<std::string>{"Inbox", "Keep"}, "Keep, Paid"),
         "tagged Paid| and |removed tag Inbox", "tag Paid| and |remove tag Inbox"},
        {"tags unchanged", tags(std::vector<std::string>{"A", "B"}, "B, A"), "", ""},
        {"no note removes every tag", tags(std::vector<std::string>{"A", "B"}, std::nullopt), "removed tag A and B",
         "remove tag A and B"},
        {"no tags before", tags(std::nullopt, "New"), "tagged New", "tag New"},
        {"a tag twice in the note is listed twice", tags(std::vector<std::string>{}, "X, X"), "tagged X and X",
         "tag X and X"},
        {"empty parts of the note are dropped", tags(std::vector<std::string>{}, ", A, , "), "tagged A", "tag A"},
        {"a kept tag that holds the separator stays whole", tags(std::vector<std::string>{"Smith, J"}, "Smith, J, New"),
         "tagged New", "tag New"},
        {"a removed tag that holds the separator stays whole", tags(std::vector<std::string>{"Smith, J", "K"}, "K"),
         "removed tag Smith, J", "remove tag Smith, J"},
        {"tag names that look like templates", tags(std::vector<std::string>{}, "%1, {x}, " + kMarker),
         "tagged %1, {x}, and " + kMarker, "tag %1, {x}, and " + kMarker},
        {"a new name that looks like a template", step(Kind::move, "/in/a.pdf", "/in/" + kMarker + "%1{n}.pdf"),
         "renamed to " + kMarker + "%1{n}.pdf", "rename to " + kMarker + "%1{n}.pdf"},
        {"a new name and a folder with markers", step(Kind::move, "/in/a", "/o" + kMarker + "/%2"),
         "moved to |[place:/o" + kMarker + "]| as %2", "move to |[place:/o" + kMarker + "]| as %2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(described(stepDescription(c.step, SummaryMode::done)), c.done) << c.name;
        EXPECT_EQ(described(stepDescription(c.step, SummaryMode::dryRun)), c.planned) << c.name;
        EXPECT_EQ(described(stepDescription(c.step, SummaryMode::planned)), c.planned) << c.name;
    }
}

TEST(OutcomeSummaries, OpenEachTenseAndJoinTheSteps)
{
    const olva::Step toInvoices = step(Kind::move, "/in/a.pdf", "/Invoices/a.pdf");
    const olva::Step paid = tags(std::vector<std::string>{}, "Paid");
    const olva::Step unchanged = tags(std::vector<std::string>{"A"}, "A");
    struct Case {
        const char* name;
        std::vector<olva::Step> steps;
        std::string done;
        std::string dryRun;
        std::string planned;
    };
    const Case cases[] = {
        {"no steps", {}, "Matched, nothing to change", "Matched, nothing to change", "Matched, nothing to change"},
        {"one move", {toInvoices}, "Moved to |[place:/Invoices]", "Would |move to |[place:/Invoices]",
         "Will |move to |[place:/Invoices]"},
        {"two steps, one capital", {toInvoices, paid}, "Moved to |[place:/Invoices]| and |tagged Paid",
         "Would |move to |[place:/Invoices]| and |tag Paid", "Will |move to |[place:/Invoices]| and |tag Paid"},
        {"three steps", {paid, step(Kind::copy, "/in/a", "/c/a"), step(Kind::trash, "/in/a", "/t/a")},
         "Tagged Paid|, |copied to |[place:/c]|, and |moved to Trash",
         "Would |tag Paid|, |copy to |[place:/c]|, and |move to Trash",
         "Will |tag Paid|, |copy to |[place:/c]|, and |move to Trash"},
        {"a shell step", {shell("output")}, "Ran a script", "Would |run a script", "Will |run a script"},
        {"a step that says nothing is left out", {unchanged, toInvoices}, "Moved to |[place:/Invoices]",
         "Would |move to |[place:/Invoices]", "Will |move to |[place:/Invoices]"},
        {"only steps that say nothing", {unchanged}, "Matched, nothing to change", "Matched, nothing to change",
         "Matched, nothing to change"},
    };
    for (const Case& c : cases)
        expectTenses([&](SummaryMode mode) { return outcomeSummary(c.steps, mode); }, c.done, c.dryRun, c.planned,
                     c.name);
}

TEST(ResultTexts, TellFailuresRunsAndUndos)
{
    const olva::Step move = step(Kind::move, "/in/a.pdf", "/out/a.pdf");
    auto entry = [](std::vector<olva::Step> steps, bool dryRun, std::optional<std::string> error,
                    std::optional<std::string> undoOf) {
        olva::Entry entry;
        entry.file = "/in/a.pdf";
        entry.rule = "Tidy %1 " + kMarker;
        entry.steps = std::move(steps);
        entry.dryRun = dryRun;
        entry.error = std::move(error);
        entry.undoOf = std::move(undoOf);
        return entry;
    };
    const std::string undone = "AAAAAAAA-0000-0000-0000-000000000001";
    struct Case {
        const char* name;
        olva::Entry entry;
        std::string expected;
    };
    const Case cases[] = {
        {"a finished run", entry({move}, false, {}, {}), "Moved to |[place:/out]"},
        {"a dry run", entry({move}, true, {}, {}), "Would |move to |[place:/out]"},
        {"a run with no steps", entry({}, false, {}, {}), "Matched, nothing to change"},
        {"a dry run with no steps", entry({}, true, {}, {}), "Matched, nothing to change"},
        {"a failure", entry({move}, false, "no room", {}), "Couldn’t finish: no room"},
        {"a failed dry run", entry({}, true, "denied", {}), "Couldn’t finish: denied"},
        {"a failed undo", entry({move}, false, "gone", undone), "Couldn’t finish: gone"},
        {"a run cut short in its script",
         entry({move, olva::Step{olva::Step::Kind::shell, "/in/a", {}, {}, "the script may have run before Olva stopped",
                                 {}}},
               false, "interrupted", {}),
         "Couldn’t finish: interrupted; the script may have run before Olva stopped"},
        {"a script that ran in full", entry({olva::Step{olva::Step::Kind::shell, "/in/a", {}, {}, "done", {}}}, false,
                                              "interrupted", {}),
         "Couldn’t finish: interrupted"},
        {"an undo", entry({move}, false, {}, undone), "Reverted Tidy %1 " + kMarker},
        {"an error that looks like a template", entry({}, false, kMarker + "%1 {0}", {}),
         "Couldn’t finish: " + kMarker + "%1 {0}"},
    };
    for (const Case& c : cases) EXPECT_EQ(described(resultText(c.entry)), c.expected) << c.name;
}
