#include "tests/app-rulesheet/SheetFixture.h"

#include "OlvaApp/RuleSheet/PreviewList.h"
#include "OlvaApp/RuleSheet/PreviewListModel.h"
#include "OlvaApp/RuleSheet/SheetSection.h"
#include "OlvaApp/Sentences/PreviewTexts.h"
#include "tests/facts/Fixtures.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include <condition_variable>
#include <mutex>

using namespace olva;
using namespace olva::app;
using namespace olva::test;
using namespace std::chrono_literals;

namespace {

// Holds a run at the first file it looks at until the test lets it go.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    std::atomic<int> entered{0};

    void letGo()
    {
        std::lock_guard lock(mutex);
        open = true;
        opened.notify_all();
    }
};

class PreviewTest : public SheetFixture {
protected:
    void files(int count, const std::string& prefix, const std::string& ext, const std::string& text = "note")
    {
        char name[64];
        for (int i = 0; i < count; ++i) {
            std::snprintf(name, sizeof name, "%s-%03d.%s", prefix.c_str(), i, ext.c_str());
            writeFile(inbox / name, text);
        }
    }
    // Types `text` as the first condition's value: the preview that follows
    // finds files, none of which match, so it says so and shows no
    // placeholder.
    void expectNoneMatchAfterTyping(RuleSheet& s, const QString& text)
    {
        typeValue(0, text);
        ASSERT_TRUE(previewed());
        EXPECT_EQ(s.previewDetail(), "No files match");
        EXPECT_FALSE(s.previewList()->placeholder()->isVisible());
    }
    QLineEdit* value(int row) { return sheet->conditionsEditor()->conditionRow({row})->valueField(); }
    void typeValue(int row, const QString& text)
    {
        value(row)->setFocus();
        value(row)->end(false);
        QTest::keyClicks(value(row), text);
    }
    PreviewRunner& runner() { return *sheet->previewRunner(); }
    // Holds the preview at the first file it reads, until the gate lets go.
    std::shared_ptr<Gate> holdAtFirstFile()
    {
        auto gate = std::make_shared<Gate>();
        runner().setExamining([gate](const std::string&) {
            if (gate->entered++ > 0) return;
            std::unique_lock lock(gate->mutex);
            gate->opened.wait_for(lock, hangGuard, [&] { return gate->open; });
        });
        return gate;
    }
    std::vector<std::string> shownNames()
    {
        std::vector<std::string> names;
        auto* rows = sheet->previewList()->rows();
        for (int i = 0; i < rows->rowCount(); ++i) names.push_back(rows->index(i).data().toString().toStdString());
        return names;
    }
    Rule nameRule(const std::string& contains)
    {
        Rule rule = Model::defaultNewRule();
        rule.match = all({cond(Attr::name, Op::contains, contains)});
        rule.actions = {Action::addTags({"Seen"})};
        return rule;
    }
};

}  // namespace

TEST_F(PreviewTest, TypingRunsOnePreviewAfterTheLastChangeOnly)
{
    watch({});
    files(20, "note", "txt");
    model().newRule(nameRule(""));
    RuleSheet& s = open();
    EXPECT_EQ(s.previewDetail(), "Checking files…");
    EXPECT_FALSE(s.previewList()->placeholder()->isVisible());

    // Letters 0.3 s apart: never 0.4 s of quiet until the last.
    for (QString letter : {"n", "o", "t", "e", "-"}) {
        clock.advance(300ms);
        typeValue(0, letter);
    }
    EXPECT_EQ(runner().runsStarted(), 0);
    clock.advance(399ms);
    EXPECT_EQ(runner().runsStarted(), 0);
    ASSERT_TRUE(previewed());
    EXPECT_EQ(runner().runsStarted(), 1);
    EXPECT_EQ(s.previewDetail(), "20 of 20 files match");

    // A new name is not a new behaviour: no run.
    s.nameField()->setFocus();
    QTest::keyClicks(s.nameField(), "!");
    clock.advance(1s);
    EXPECT_EQ(runner().runsStarted(), 1);
    EXPECT_FALSE(runner().isLoading());
}

TEST_F(PreviewTest, MatchingFilesComeFirstWithWhatWouldHappenAndTheCountLineFollows)
{
    watch({});
    files(17, "b-note", "txt");
    files(3, "z-invoice", "pdf");
    model().newRule(nameRule("invoice"));
    RuleSheet& s = open();
    ASSERT_TRUE(previewed());
    EXPECT_EQ(s.previewDetail(), "3 of 20 files match");
    const auto names = shownNames();
    ASSERT_EQ(names.size(), 20u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 4),
              (std::vector<std::string>{"z-invoice-000.pdf", "z-invoice-001.pdf", "z-invoice-002.pdf",
                                        "b-note-000.txt"}));
    EXPECT_TRUE(std::is_sorted(names.begin() + 3, names.end()));

    auto detail = [&](int row) {
        return s.previewList()->rows()->index(row).data(PreviewListModel::DetailRole).value<PreviewDetail>();
    };
    // A dry-run draft "would", with dashed chips; a live one "will", at once.
    EXPECT_EQ(plainText(detail(0).sentence), "Would tag Seen");
    EXPECT_TRUE(detail(0).provisional);
    EXPECT_EQ(plainText(detail(3).sentence), "Name: b-note-000");
    EXPECT_TRUE(detail(3).dimmed);
    QTest::mouseClick(s.dryRunSwitch(), Qt::LeftButton);
    EXPECT_EQ(plainText(detail(0).sentence), "Will tag Seen");
    EXPECT_FALSE(detail(0).provisional);
    // The old rows stay while the new run checks the files.
    EXPECT_EQ(shownNames(), names);
    clock.advance(PreviewRunner::delay);
    EXPECT_EQ(s.previewDetail(), "Checking files…");
    EXPECT_EQ(shownNames(), names);
    ASSERT_TRUE(until([&] { return !runner().isLoading(); }));

    // None match now.
    expectNoneMatchAfterTyping(s, "-none");
}

TEST_F(PreviewTest, AnEmptyFolderShowsNoFilesAndNoCount)
{
    watch({});
    model().newRule(nameRule("x"));
    RuleSheet& s = open();
    EXPECT_FALSE(s.previewList()->placeholder()->isVisible());  // not while loading
    ASSERT_TRUE(previewed());
    EXPECT_EQ(s.previewDetail(), "");
    EXPECT_TRUE(s.previewList()->placeholder()->isVisible());

    // Files that are all passed over (partly downloaded) do not make an
    // empty folder: no placeholder, and the count says none match.
    writeFile(inbox / "movie.mp4.part", "x");
    expectNoneMatchAfterTyping(s, "y");
}

TEST_F(PreviewTest, AReplacedPreviewIsStoppedNotOnlyIgnored)
{
    watch({});
    files(330, "note", "txt", "nothing to see");
    writeTextPdf(inbox / "invoice-a.pdf", {{{"Invoice 4711", "Total due"}}});
    writeTextPdf(inbox / "invoice-b.pdf", {{{"Invoice 4712"}}});
    writeTextImage(inbox / "receipt-a.png", {"Invoice paid"});
    writeTextImage(inbox / "receipt-b.png", {"Thank you"});
    Rule rule = nameRule("");
    rule.match = all({cond(Attr::contents, Op::contains, "invoice")});
    model().newRule(rule);
    RuleSheet& s = open();
    auto gate = holdAtFirstFile();

    clock.advance(PreviewRunner::delay);
    ASSERT_TRUE(until([&] { return gate->entered.load() == 1; }));
    // The user goes on typing while the first run reads its first file.
    typeValue(0, " 4711");
    gate->letGo();
    clock.advance(PreviewRunner::delay);
    // Recognising text in images is slow on a busy machine.
    ASSERT_TRUE(processUntil([&] { return !runner().isLoading(); }, 60s));
    EXPECT_EQ(runner().runsStarted(), 2);

    // The first run stopped after the file it was on; the second looked at
    // the first 300 of the 334 files.
    const FolderPreview& result = runner().result();
    EXPECT_EQ(result.total, 334);
    EXPECT_EQ(result.examined, 300);
    EXPECT_EQ(runner().filesExamined(), 301);
    const auto matches = std::count_if(result.rows.begin(), result.rows.end(),
                                       [](const PreviewRow& row) { return row.outcome.pass; });
    EXPECT_LE(matches, 1);
    EXPECT_EQ(s.previewDetail(), matches == 1 ? "1 match in the first 300 of 334 files"
                                              : "0 matches in the first 300 of 334 files");
}

TEST_F(PreviewTest, ClosingTheSheetStopsItsPreview)
{
    watch({});
    files(50, "note", "txt");
    model().newRule(nameRule("note"));
    open();
    auto gate = holdAtFirstFile();
    clock.advance(PreviewRunner::delay);
    ASSERT_TRUE(until([&] { return gate->entered.load() == 1; }));
    sheet.reset();
    gate->letGo();
    ASSERT_TRUE(PreviewRunner::waitForIdle(hangGuard));
    EXPECT_EQ(gate->entered.load(), 1);  // no file after the one it was on
    QCoreApplication::processEvents();   // a result, were one delivered, would find no sheet
}
