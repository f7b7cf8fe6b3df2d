// The inspector of one log entry and the condition rows it shares with the
// explanation sheet.
#include "OlvaApp/ActivityView/ActivityStyle.h"
#include "OlvaApp/ActivityView/CheckRow.h"
#include "OlvaApp/ActivityView/EntryInspector.h"
#include "OlvaApp/ActivityView/FileIcon.h"
#include "OlvaApp/PlaceChip/PathBar.h"
#include "OlvaApp/ActivityView/ClampedLabel.h"
#include "OlvaApp/PlaceChip/SentenceView.h"
#include "OlvaApp/PlaceChip/TextStyles.h"

#include <QLabel>

#include <gtest/gtest.h>

using namespace olva;
using namespace olva::app;

namespace {

Step move(const char* from, const char* to) { return Step{Step::Kind::move, from, std::string(to), {}, {}, {}}; }

Entry entryWith(std::vector<Step> steps, std::vector<Check> checks = {})
{
    Entry entry;
    entry.file = "/home/alex/Downloads/invoice.pdf";
    entry.rule = "Invoices";
    entry.steps = std::move(steps);
    entry.checks = std::move(checks);
    return entry;
}

QStringList texts(const QWidget& widget, const char* name)
{
    QStringList found;
    for (QLabel* label : widget.findChildren<QLabel*>(QString::fromUtf8(name))) found.push_back(label->text());
    return found;
}

QStringList stepSentences(const QWidget& widget)
{
    QStringList found;
    for (SentenceView* step : widget.findChildren<SentenceView*>()) found.push_back(plainText(step->sentence()));
    return found;
}

QStringList paths(const QWidget& widget)
{
    QStringList found;
    for (PathBar* path : widget.findChildren<PathBar*>()) found.push_back(path->path());
    return found;
}

}  // namespace

TEST(EntryInspector, SectionsFollowWhatTheEntryHolds)
{
    Entry failed = entryWith({move("/home/alex/Downloads/invoice.pdf", "/home/alex/Invoices/invoice.pdf")});
    failed.error = "no room on the disk";
    Entry dryRun = entryWith({move("/home/alex/Downloads/invoice.pdf", "/home/alex/Invoices/invoice.pdf")},
                             {Check{Attr::ext, Op::is, "pdf", "pdf", true}});
    dryRun.dryRun = true;
    Step script{Step::Kind::shell, "/home/alex/Downloads/invoice.pdf", {}, {}, std::string("1\n2\n3\n4\n5\n6"), {}};
    Step tags{Step::Kind::tags, "/home/alex/Downloads/invoice.pdf", {}, std::vector<std::string>{}, std::string("Paid"), {}};

    struct Case {
        const char* what;
        Entry entry;
        bool reverted;
        QStringList sections;
        QStringList infoLabels;
        QStringList infoValues;
        QStringList steps;
        QStringList paths;
    };
    const Case cases[] = {
        {"no checks, no steps, no error", entryWith({}), false, {"Information"}, {"Rule", "Date"},
         {"Invoices", "?"}, {}, {}},
        {"a move", entryWith({move("/home/alex/Downloads/invoice.pdf", "/home/alex/Invoices/invoice.pdf")}), false,
         {"Information", "What Happened"}, {"Rule", "Date"}, {"Invoices", "?"}, {"Moved to Invoices"},
         {"/home/alex/Invoices/invoice.pdf"}},
        {"reverted", entryWith({move("/home/alex/Downloads/invoice.pdf", "/home/alex/Invoices/invoice.pdf")}), true,
         {"Information", "What Happened"}, {"Rule", "Date", "Status"}, {"Invoices", "?", "Reverted"},
         {"Moved to Invoices"}, {"/home/alex/Invoices/invoice.pdf"}},
        {"a dry run with checks", dryRun, false, {"Information", "Conditions", "Would Happen"},
         {"Rule", "Date", "Status"}, {"Invoices", "?", "Dry run, nothing changed"}, {"Would move to Invoices"},
         {"/home/alex/Invoices/invoice.pdf"}},
        {"a reverted dry run", dryRun, true, {"Information", "Conditions", "Would Happen"},
         {"Rule", "Date", "Status", "Status"}, {"Invoices", "?", "Reverted", "Dry run, nothing changed"},
         {"Would move to Invoices"}, {"/home/alex/Invoices/invoice.pdf"}},
        {"a failure after a step", failed, false, {"Information", "What Happened", "Problem"}, {"Rule", "Date"},
         {"Invoices", "?"}, {"Moved to Invoices"}, {"/home/alex/Invoices/invoice.pdf"}},
        {"a script and tags", entryWith({script, tags}), false, {"Information", "What Happened"}, {"Rule", "Date"},
         {"Invoices", "?"}, {"Ran a script", "Tagged Paid"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EntryInspector inspector(c.entry, c.reverted, nullptr);
        EXPECT_EQ(texts(inspector, "section"), c.sections);
        EXPECT_EQ(texts(inspector, "infoLabel"), c.infoLabels);
        QStringList values = texts(inspector, "infoValue");
        if (values.size() > 1) values[1] = QStringLiteral("?");  // the date, as the formatter writes it
        EXPECT_EQ(values, c.infoValues);
        EXPECT_EQ(stepSentences(inspector), c.steps);
        EXPECT_EQ(paths(inspector), c.paths);
        EXPECT_EQ(texts(inspector, "fileName"), QStringList{QStringLiteral("invoice.pdf")});
        for (SentenceView* step : inspector.findChildren<SentenceView*>())
            EXPECT_EQ(step->isProvisional(), c.entry.dryRun);
    }
}

TEST(EntryInspector, FailureReadsRedTwice)
{
    Entry failed = entryWith({});
    failed.error = "no room on the disk";
    EntryInspector inspector(failed, false, nullptr);
    const QStringList result = texts(inspector, "result");
    ASSERT_EQ(result.size(), 1);
    EXPECT_EQ(result.front(), QStringLiteral("Couldn’t finish: no room on the disk"));
    EXPECT_EQ(texts(inspector, "error"), QStringList{QStringLiteral("no room on the disk")});
    const QColor red = errorRed(inspector.palette());
    for (QLabel* label : inspector.findChildren<QLabel*>())
        if (label->objectName() == QStringLiteral("result") || label->objectName() == QStringLiteral("error")) {
            EXPECT_EQ(label->palette().color(QPalette::WindowText), red) << label->objectName().toStdString();
        }
}

TEST(EntryInspector, ScriptOutputShowsFourLinesAtMost)
{
    Step script{Step::Kind::shell, "/a/b.pdf", {}, {}, std::string("1\n2\n3\n4\n5\n6"), {}};
    EntryInspector inspector(entryWith({script}), false, nullptr);
    const auto notes = inspector.findChildren<ClampedLabel*>(QStringLiteral("scriptNote"));
    ASSERT_EQ(notes.size(), 1);
    ClampedLabel* note = notes.front();
    note->resize(300, note->heightForWidth(300));
    EXPECT_EQ(note->fullText(), QStringLiteral("1\n2\n3\n4\n5\n6"));
    // Four lines, the last one saying there is more; the whole in the tooltip.
    EXPECT_EQ(note->text(), QStringLiteral("1\n2\n3\n4…"));
    EXPECT_TRUE(note->isClamped());
    EXPECT_LE(note->heightForWidth(300), note->fontMetrics().lineSpacing() * 4 + 2);
}

TEST(EntryInspector, NamesWithMarkupStayText)
{
    Entry entry = entryWith({move("/a/<b>x<b>.pdf", "/b/<i>y<i>/<b>x<b>.pdf")});
    entry.file = "/a/<b>x<b>.pdf";
    entry.rule = "<b>x</b>";
    entry.error = "<img src=/etc/passwd>";
    EntryInspector inspector(entry, false, nullptr);
    EXPECT_EQ(texts(inspector, "fileName"), QStringList{QStringLiteral("<b>x<b>.pdf")});
    EXPECT_TRUE(texts(inspector, "infoValue").contains(QStringLiteral("<b>x</b>")));
    EXPECT_EQ(texts(inspector, "error"), QStringList{QStringLiteral("<img src=/etc/passwd>")});
    for (QLabel* label : inspector.findChildren<QLabel*>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
}

TEST(CheckRows, SecondLineOnlyWhenTheFileDiffers)
{
    struct Case {
        Check check;
        const char* condition;
        const char* actual;  // "" for no second line
    };
    const Case cases[] = {
        {{Attr::ext, Op::is, "pdf", "pdf", true}, "Extension is “pdf”", ""},
        {{Attr::ext, Op::is, "pdf", "PDF", true}, "Extension is “pdf”", ""},
        {{Attr::name, Op::contains, "invoice", "Receipt 4", false}, "Name contains “invoice”", "Receipt 4"},
        {{Attr::tags, Op::contains, "Paid", "", false}, "Tags contains “Paid”", "Empty"},
        {{Attr::name, Op::is, "RÉSUMÉ", "résumé", true}, "Name is “RÉSUMÉ”", ""},
        {{Attr::name, Op::is, "resume", "résumé", false}, "Name is “resume”", "résumé"},
        {{Attr::name, Op::contains, "%1 <b>", "x", false}, "Name contains “%1 <b>”", "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.condition);
        CheckRow row(c.check);
        EXPECT_EQ(row.conditionText(), QString::fromUtf8(c.condition));
        EXPECT_EQ(row.actualText(), QString::fromUtf8(c.actual));
        EXPECT_EQ(row.passed(), c.check.pass);
    }
}

TEST(FileIcons, ComeFromTheNameAlone)
{
    struct Case {
        const char* path;
        const char* type;
    };
    const Case cases[] = {
        {"/gone/report.pdf", "application/pdf"},
        {"/gone/photo.JPG", "image/jpeg"},
        {"/gone/no-extension", "application/octet-stream"},
        {"/gone/odd.zzqq", "application/octet-stream"},
        {"/gone/folder/", "application/octet-stream"},
    };
    for (const Case& c : cases) EXPECT_EQ(fileIconType(QString::fromUtf8(c.path)), QString::fromUtf8(c.type)) << c.path;
}
