// The words of the activity view: its status line, the placeholders over an
// empty table, and the revert button.
#pragma once

#include "Core/model/Entry.h"

#include <QDateTime>
#include <QString>

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

}  // namespace olva::app
