#include "OlvaApp/Sentences/PreviewTexts.h"

#include "OlvaApp/Sentences/Inflection.h"
#include "OlvaApp/Sentences/StepSentence.h"
#include "OlvaApp/Sentences/Titles.h"

#include <QCoreApplication>

#include <algorithm>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::RulePreview)
};

}  // namespace

QString previewCountLine(const FolderPreview& preview)
{
    const auto matches = std::count_if(preview.rows.begin(), preview.rows.end(),
                                       [](const PreviewRow& row) { return row.outcome.pass; });
    // Looked at, rows or not; a preview made without counting them has
    // looked at the files it has rows for.
    const qint64 checked = std::max<qint64>(preview.examined, static_cast<qint64>(preview.rows.size()));
    if (checked == 0) return {};
    if (checked < preview.total)
        return inflected(Words::tr("{count, plural, one {# match} other {# matches}} in the first %1 of %2 files")
                             .arg(checked)
                             .arg(preview.total),
                         matches);
    if (matches == 0) return Words::tr("No files match");
    return Words::tr("%1 of %2 files match").arg(matches).arg(checked);
}

QString mismatchDetail(const PreviewRow& row)
{
    if (row.outcome.checks.empty()) return {};
    const Check& last = row.outcome.checks.back();
    const QString actual = last.actual.empty() ? Words::tr("empty") : QString::fromStdString(last.actual);
    return Words::tr("%1: %2").arg(title(last.attr), actual);
}

PreviewDetail previewDetail(const PreviewRow& row, bool dryRun)
{
    if (row.error) return {{Segment::text(QString::fromStdString(*row.error))}, false, true, false};
    if (!row.outcome.pass) return {{Segment::text(mismatchDetail(row))}, false, false, true};
    return {outcomeSummary(row.steps, dryRun ? SummaryMode::dryRun : SummaryMode::planned), dryRun, false, false};
}

}  // namespace olva::app
