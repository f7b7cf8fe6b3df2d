// The words of the activity view: its status line, the placeholders over an
// empty table, and the revert button.
#pragma once

#include "Core/model/Entry.h"
#include "OlvaApp/Model/ActivityScope.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <span>

namespace olva::app {

// "3 files organized today · 1 problem", "Watching 2 folders", "Paused".
// Today is the day of `now` in local time; `entries` are in log order.
QString activityStatusLine(bool paused, std::span<const olva::Entry> entries, qsizetype folderCount,
                           const QDateTime& now = QDateTime::currentDateTime());

// The title of the revert button for `count` revertable entries: "Revert",
// "Revert 3 Files".
QString revertLabel(qsizetype count);

// A content-unavailable view's words and its freedesktop icon name.
struct Placeholder {
    QString title;
    QString iconName;
    QString description;  // may be empty
};

// The start failed: the failure's text as it is.
Placeholder failedStartPlaceholder(const QString& loadError);
// Its button, which shows the data directory.
QString showDataFolderLabel();

// No folders and no activity yet, with its three buttons.
Placeholder firstRunPlaceholder();
QString watchDownloadsLabel();
QString chooseAnotherFolderLabel();
QString importHazelRulesLabel();

// Folders are watched but the log is empty.
Placeholder emptyLogPlaceholder(qsizetype folderCount);

// The log has entries, but the scope or the search shows none.
Placeholder noProblemsPlaceholder();
Placeholder noDryRunsPlaceholder();
Placeholder noSearchResultsPlaceholder(const QString& searchText);

// What the activity table shows, as far as its placeholder goes.
struct ActivityShown {
    std::optional<QString> loadError;
    qsizetype folderCount = 0;
    bool logEmpty = true;
    bool rowsShown = false;
    QString search;
    ActivityScope scope = ActivityScope::all;
};

// The placeholder over the table and the buttons under it: the first that
// applies of a failed start, a first run, an empty log, and (while no row
// shows) a search, a scope or a log of undos only. None while rows show.
struct ActivityPlaceholder {
    enum class Buttons { none, showDataFolder, firstRun };
    Placeholder words;
    Buttons buttons = Buttons::none;
};
std::optional<ActivityPlaceholder> activityPlaceholder(const ActivityShown& shown);

}  // namespace olva::app
