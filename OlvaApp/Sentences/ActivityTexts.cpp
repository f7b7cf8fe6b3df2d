#include "OlvaApp/Sentences/ActivityTexts.h"

#include "OlvaApp/Sentences/Inflection.h"
#include "OlvaApp/Sentences/SentenceTemplate.h"
#include "OlvaApp/Sentences/SymbolIcons.h"

#include <QCoreApplication>
#include <QTimeZone>

#include <chrono>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::ActivityTexts)
};

qint64 millisSinceEpoch(olva::Date at)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
}

QString watchingFolders(qsizetype folderCount)
{
    return inflected(Words::tr("Watching {count, plural, one {# folder} other {# folders}}"), folderCount);
}

}  // namespace

QString activityStatusLine(bool paused, std::span<const olva::Entry> entries, qsizetype folderCount,
                           const QDateTime& now)
{
    if (paused) return Words::tr("Paused");

    // Today's run is the tail of the log dated today; an older entry after
    // it (the clock was set back) ends the run there. The day's bounds are
    // found once: a busy day holds thousands of entries, and looking up the
    // zone for each of them cost more than the rest of the line.
    const QDate today = now.date();
    const QTimeZone zone = now.timeZone();
    const qint64 dayStart = today.startOfDay(zone).toMSecsSinceEpoch();
    const qint64 dayEnd = today.addDays(1).startOfDay(zone).toMSecsSinceEpoch();
    const auto isToday = [&](const olva::Entry& entry) {
        const qint64 at = millisSinceEpoch(entry.at);
        return at >= dayStart && at < dayEnd;
    };
    qsizetype organized = 0;
    qsizetype problems = 0;
    for (auto it = entries.rbegin(); it != entries.rend() && isToday(*it); ++it) {
        if (it->error) ++problems;
        else if (!it->undoOf && !it->dryRun && !it->steps.empty()) ++organized;
    }

    QString line = organized > 0
        ? inflected(Words::tr("{count, plural, one {# file} other {# files}} organized today"), organized)
        : watchingFolders(folderCount);
    if (problems > 0)
        line += QStringLiteral(" · ") + inflected(Words::tr("{count, plural, one {# problem} other {# problems}}"), problems);
    return line;
}

QString revertLabel(qsizetype count)
{
    if (count < 2) return Words::tr("Revert");
    return inflected(Words::tr("Revert {count, plural, one {# File} other {# Files}}"), count);
}

Placeholder failedStartPlaceholder(const QString& loadError)
{
    return {Words::tr("Olva Can’t Start"), iconName("exclamationmark.triangle"), loadError};
}

QString showDataFolderLabel() { return Words::tr("Show in File Manager"); }

Placeholder firstRunPlaceholder()
{
    return {Words::tr("Choose a Folder to Watch"), iconName("folder.badge.plus"),
            Words::tr("New rules start as dry runs, so nothing moves until you say so.")};
}

QString watchDownloadsLabel() { return Words::tr("Watch Downloads"); }
QString chooseAnotherFolderLabel() { return Words::tr("Choose Another Folder…"); }
QString importHazelRulesLabel() { return Words::tr("Import Hazel Rules…"); }

Placeholder emptyLogPlaceholder(qsizetype folderCount)
{
    return {Words::tr("No Activity Yet"), iconName("clock"),
            inflected(Words::tr("Watching {count, plural, one {# folder} other {# folders}}. "
                                "Files that match a rule show up here."),
                      folderCount)};
}

Placeholder noProblemsPlaceholder() { return {Words::tr("No Problems"), iconName("checkmark.circle"), {}}; }

Placeholder noDryRunsPlaceholder() { return {Words::tr("No Dry Runs"), iconName("checkmark.circle"), {}}; }

Placeholder noSearchResultsPlaceholder(const QString& searchText)
{
    return {filled(Words::tr("No Results for “\uE000”"), {searchText}), iconName("magnifyingglass"),
            Words::tr("Check the spelling or try a new search.")};
}

std::optional<ActivityPlaceholder> activityPlaceholder(const ActivityShown& shown)
{
    using Buttons = ActivityPlaceholder::Buttons;
    if (shown.loadError) return ActivityPlaceholder{failedStartPlaceholder(*shown.loadError), Buttons::showDataFolder};
    if (shown.folderCount == 0 && shown.logEmpty) return ActivityPlaceholder{firstRunPlaceholder(), Buttons::firstRun};
    if (shown.logEmpty) return ActivityPlaceholder{emptyLogPlaceholder(shown.folderCount)};
    if (shown.rowsShown) return std::nullopt;
    if (!shown.search.isEmpty()) return ActivityPlaceholder{noSearchResultsPlaceholder(shown.search)};
    if (shown.scope == ActivityScope::problems) return ActivityPlaceholder{noProblemsPlaceholder()};
    if (shown.scope == ActivityScope::dryRuns) return ActivityPlaceholder{noDryRunsPlaceholder()};
    // Every entry in the window is an undo that went through: as good as an
    // empty log.
    return ActivityPlaceholder{emptyLogPlaceholder(shown.folderCount)};
}

}  // namespace olva::app
