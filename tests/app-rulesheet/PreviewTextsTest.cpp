#include "OlvaApp/Sentences/PreviewTexts.h"
#include "OlvaApp/Sentences/Segment.h"

#include <gtest/gtest.h>

using namespace olva;
using namespace olva::app;

namespace {

PreviewRow row(bool pass, std::vector<Check> checks = {}, std::vector<Step> steps = {},
               std::optional<std::string> error = {})
{
    PreviewRow r;
    r.path = "/f";
    r.outcome.pass = pass;
    r.outcome.checks = std::move(checks);
    r.steps = std::move(steps);
    r.error = std::move(error);
    return r;
}

FolderPreview preview(int matches, int misses, std::int64_t examined, std::int64_t total)
{
    FolderPreview p;
    for (int i = 0; i < matches; ++i) p.rows.push_back(row(true));
    for (int i = 0; i < misses; ++i) p.rows.push_back(row(false));
    p.examined = examined;
    p.total = total;
    return p;
}

Step move(std::string from, std::string to)
{
    Step step;
    step.kind = Step::Kind::move;
    step.from = std::move(from);
    step.to = std::move(to);
    return step;
}

}  // namespace

TEST(PreviewTexts, CountLineSaysHowManyOfHowManyFilesMatch)
{
    struct Case {
        const char* what;
        FolderPreview preview;
        const char* line;
    };
    const Case cases[] = {
        {"empty folder", preview(0, 0, 0, 0), ""},
        {"first of many", preview(7, 293, 300, 1000), "7 matches in the first 300 of 1000 files"},
        {"one in the first", preview(1, 299, 300, 301), "1 match in the first 300 of 301 files"},
        {"none in the first", preview(0, 300, 300, 900), "0 matches in the first 300 of 900 files"},
        {"all looked at, none match", preview(0, 20, 20, 20), "No files match"},
        {"all looked at, three match", preview(3, 17, 20, 20), "3 of 20 files match"},
        // Files passed over (partly downloaded) were looked at too: not "in
        // the first 18 of 20".
        {"passed over", preview(3, 15, 20, 20), "3 of 20 files match"},
        {"all passed over", preview(0, 0, 4, 4), "No files match"},
        // A stopped or uncounted preview: the rows say what was looked at.
        {"uncounted", preview(2, 3, 0, 5), "2 of 5 files match"},
    };
    for (const Case& c : cases) EXPECT_EQ(previewCountLine(c.preview), c.line) << c.what;
}

TEST(PreviewTexts, ARowTellsTheErrorTheMissOrWhatWouldHappen)
{
    const Check ext{Attr::ext, Op::is, "pdf", "txt", false};
    const Check size{Attr::size, Op::gt, "1 MB", "", false};
    const Check name{Attr::name, Op::contains, "a", "report", true};
    struct Case {
        const char* what;
        PreviewRow row;
        bool dryRun;
        QString text;
        bool provisional, failed, dimmed;
    };
    const Case cases[] = {
        {"miss: the last check", row(false, {name, ext}), true, "Extension: txt", false, false, true},
        {"miss: an empty value", row(false, {size}), false, "Size: empty", false, false, true},
        {"miss without checks", row(false), false, "", false, false, true},
        {"dry-run draft", row(true, {}, {move("/in/a.pdf", "/out/a.pdf")}), true, "Would move to out", true, false,
         false},
        {"live draft", row(true, {}, {move("/in/a.pdf", "/out/a.pdf")}), false, "Will move to out", false, false,
         false},
        {"error, even on a match", row(true, {}, {}, "no value for {date} in a.pdf"), true,
         "no value for {date} in a.pdf", false, true, false},
        {"error on a miss", row(false, {ext}, {}, "<b>x</b>"), false, "<b>x</b>", false, true, false},
    };
    for (const Case& c : cases) {
        const PreviewDetail detail = previewDetail(c.row, c.dryRun);
        EXPECT_EQ(plainText(detail.sentence), c.text) << c.what;
        EXPECT_EQ(detail.provisional, c.provisional) << c.what;
        EXPECT_EQ(detail.failed, c.failed) << c.what;
        EXPECT_EQ(detail.dimmed, c.dimmed) << c.what;
    }
    // The place is a chip, not words.
    const PreviewDetail moved = previewDetail(row(true, {}, {move("/in/a.pdf", "/out/a.pdf")}), false);
    EXPECT_TRUE(std::any_of(moved.sentence.begin(), moved.sentence.end(),
                            [](const Segment& s) { return s.kind == Segment::Kind::place && s.value == "/out"; }));
}
