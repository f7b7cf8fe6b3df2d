// The sheet that explains how each rule of a folder treats one file.
#include "tests/app-activity/ActivityFixture.h"

#include "OlvaApp/ActivityView/CheckRow.h"
#include "OlvaApp/ExplainSheet/ExplainSheet.h"
#include "OlvaApp/ExplainSheet/RuleResult.h"
#include "OlvaApp/Model/Model.h"
#include "tests/support/app/AppTestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

#include <gtest/gtest.h>

using namespace olva;
using namespace olva::test;
using app::Explained;

namespace {

Explanation explanation(const char* name, bool pass, bool alreadyApplied = false, bool dryRun = false)
{
    Explanation e;
    e.rule.name = name;
    e.rule.dryRun = dryRun;
    e.outcome.pass = pass;
    e.outcome.checks = {Check{Attr::ext, Op::is, "pdf", pass ? "pdf" : "txt", pass}};
    e.alreadyApplied = alreadyApplied;
    return e;
}

Rule rule(const char* name, std::vector<Node> conditions, bool enabled = true)
{
    Rule r;
    r.name = name;
    r.enabled = enabled;
    r.dryRun = true;
    r.match = Group{Group::Mode::all, std::move(conditions)};
    r.actions = {Action::trash()};
    return r;
}

QStringList verdicts(const app::ExplainSheet& sheet)
{
    QStringList found;
    for (app::RuleResult* result : sheet.ruleResults()) found.push_back(result->verdict());
    return found;
}

}  // namespace

TEST(RuleVerdicts, TheFirstMatchOrHandlerWins)
{
    struct Case {
        const char* what;
        std::vector<Explanation> rules;
        QStringList verdicts;
    };
    const Case cases[] = {
        {"one match after a miss", {explanation("A", false), explanation("B", true)}, {"Doesn’t match", "Matches"}},
        {"two matches", {explanation("A", true), explanation("B", true)}, {"Matches", "Matches, an earlier rule wins"}},
        {"handled, then a match", {explanation("A", true, true), explanation("B", true)},
         {"Already handled", "Matches, an earlier rule wins"}},
        {"handled though it no longer matches", {explanation("A", false, true), explanation("B", true)},
         {"Already handled", "Matches, an earlier rule wins"}},
        {"a miss after the winner", {explanation("A", true), explanation("B", false)}, {"Matches", "Doesn’t match"}},
        {"handled after a match", {explanation("A", true), explanation("B", true, true)},
         {"Matches", "Already handled"}},
        {"nothing matches", {explanation("A", false), explanation("B", false)}, {"Doesn’t match", "Doesn’t match"}},
        {"logged by a dry run", {explanation("A", true, true, true), explanation("B", true, false, true)},
         {"Already logged as a dry run", "Matches, an earlier rule wins"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Explained explained;
        explained.rules = c.rules;
        QStringList found;
        for (std::size_t i = 0; i < c.rules.size(); ++i) found.push_back(app::ruleVerdict(explained, i));
        EXPECT_EQ(found, c.verdicts);
    }
}

class ExplainSheetTest : public ActivityTest {
protected:
    void startWithRules(std::vector<Rule> rules)
    {
        // All rules paused: the engine leaves the file alone while the test
        // asks about it.
        Config config = watchedInbox(true);
        config.folders.front().rules = std::move(rules);
        startWith(config, {});
        file = inbox() / "invoice 2025.pdf";
        writeFile(file, "%PDF-1.4\n");
    }

    void explainDropped()
    {
        auto done = model().explainChosenFile(file);
        ASSERT_TRUE(processUntil([&] { return done.isFinished(); }));
        ASSERT_TRUE(model().explained().has_value()) << model().problem().value_or(app::Problem{}).message.toStdString();
    }

    std::filesystem::path file;
};

TEST_F(ExplainSheetTest, ShowsEveryEnabledRuleWithItsChecks)
{
    startWithRules({rule("PDFs", {Condition{Attr::ext, Op::is, "pdf"}}),
               rule("Off", {Condition{Attr::ext, Op::is, "pdf"}}, false),
               rule("Invoices", {Condition{Attr::name, Op::contains, "INVOICE"}, Condition{Attr::size, Op::gt, "1 MB"}}),
               rule("Everything", {}), rule("<b>Text</b>", {Condition{Attr::ext, Op::is, "txt"}})});
    explainDropped();
    app::ExplainSheet sheet(model());
    EXPECT_EQ(sheet.fileName(), QStringLiteral("invoice 2025.pdf"));
    EXPECT_EQ(sheet.sentence(), app::Model::explanationSentence(*model().explained()));
    EXPECT_EQ(sheet.windowModality(), Qt::WindowModal);

    const auto results = sheet.ruleResults();
    ASSERT_EQ(results.size(), 4);
    QStringList names;
    for (app::RuleResult* result : results) names.push_back(result->ruleName());
    EXPECT_EQ(names, (QStringList{"PDFs", "Invoices", "Everything", "<b>Text</b>"}));
    EXPECT_EQ(verdicts(sheet),
              (QStringList{"Matches", "Doesn’t match", "Matches, an earlier rule wins", "Doesn’t match"}));
    EXPECT_TRUE(results[0]->showsDryRunBadge());

    struct Row {
        QString condition;
        QString actual;
        bool passed;
    };
    const auto rowsOf = [](app::RuleResult* result) {
        std::vector<Row> rows;
        for (app::CheckRow* row : result->findChildren<app::CheckRow*>())
            rows.push_back({row->conditionText(), row->actualText(), row->passed()});
        return rows;
    };
    const auto pdfs = rowsOf(results[0]);
    ASSERT_EQ(pdfs.size(), 1u);
    EXPECT_EQ(pdfs[0].condition, QStringLiteral("Extension is “pdf”"));
    EXPECT_TRUE(pdfs[0].passed);
    EXPECT_EQ(pdfs[0].actual, QString());
    const auto invoices = rowsOf(results[1]);
    ASSERT_FALSE(invoices.empty());
    EXPECT_EQ(invoices[0].condition, QStringLiteral("Name contains “INVOICE”"));
    EXPECT_TRUE(invoices[0].passed);
    EXPECT_EQ(invoices[0].actual, QStringLiteral("invoice 2025"));
    EXPECT_FALSE(invoices.back().passed);
    EXPECT_TRUE(rowsOf(results[2]).empty());
    const auto everything = results[2]->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(everything.begin(), everything.end(), [](QLabel* label) {
        return label->text() == QStringLiteral("No conditions, so it matches every file.");
    }));
    for (QLabel* label : sheet.findChildren<QLabel*>()) EXPECT_EQ(label->textFormat(), Qt::PlainText);
}

TEST_F(ExplainSheetTest, AChosenFileIsExplainedToo)
{
    startWithRules({rule("PDFs", {Condition{Attr::ext, Op::is, "pdf"}})});
    panels.answer(file);
    auto done = model().explainChosenFile();
    ASSERT_TRUE(processUntil([&] { return done.isFinished(); }));
    ASSERT_EQ(panels.requests.size(), 1u);
    EXPECT_EQ(panels.requests[0].message, QStringLiteral("Choose a file in a watched folder"));
    ASSERT_TRUE(model().explained().has_value());
    app::ExplainSheet sheet(model());
    EXPECT_EQ(verdicts(sheet), QStringList{"Matches"});
}

TEST_F(ExplainSheetTest, AFolderWithoutEnabledRulesSaysSo)
{
    startWithRules({rule("Off", {}, false)});
    explainDropped();
    app::ExplainSheet sheet(model());
    ASSERT_NE(sheet.noRules(), nullptr);
    EXPECT_EQ(sheet.noRules()->text(), QStringLiteral("This folder has no enabled rules."));
    EXPECT_EQ(sheet.body(), nullptr);
    EXPECT_TRUE(sheet.ruleResults().empty());
    EXPECT_EQ(sheet.sentence(), app::Model::explanationSentence(*model().explained()));
}

TEST_F(ExplainSheetTest, ALongListScrollsWithinItsLimit)
{
    std::vector<Rule> many;
    for (int i = 0; i < 30; ++i)
        many.push_back(rule(("Rule " + std::to_string(i)).c_str(), {Condition{Attr::ext, Op::is, "txt"}}));
    startWithRules(many);
    explainDropped();
    app::ExplainSheet tall(model());
    tall.show();
    ASSERT_NE(tall.body(), nullptr);
    EXPECT_EQ(tall.body()->height(), 420);
    EXPECT_GT(tall.body()->widget()->height(), 420);
    EXPECT_EQ(tall.width(), 480);
    tall.close();

    model().setExplained(Explained{QUuid::createUuid(), file, {explanation("Only", true)}, std::nullopt});
    app::ExplainSheet short_(model());
    short_.show();
    ASSERT_NE(short_.body(), nullptr);
    EXPECT_LT(short_.body()->height(), 200);
    EXPECT_GE(short_.body()->height(), short_.body()->widget()->sizeHint().height());
    EXPECT_EQ(short_.width(), 480);
}

TEST_F(ExplainSheetTest, DoneClearsTheExplanation)
{
    startWithRules({rule("PDFs", {Condition{Attr::ext, Op::is, "pdf"}})});
    explainDropped();
    app::ExplainSheet sheet(model());
    sheet.open();
    EXPECT_TRUE(sheet.doneButton()->isDefault());
    sheet.doneButton()->click();
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_FALSE(model().explained().has_value());
}
