// Which log entries the activity list shows, and the texts it sorts them by.
#pragma once

#include "OlvaApp/Model/ActivityScope.h"

#include "Core/model/Entry.h"

#include <QCollator>
#include <QString>

#include <cstddef>
#include <span>

namespace olva::app {

// The list shows only this many of the newest entries, however long the log
// grows; older ones stay in the model.
inline constexpr std::size_t activityRowWindow = 1000;

// The newest `activityRowWindow` entries of a log in log order.
std::span<const olva::Entry> activityRowWindowOf(std::span<const olva::Entry> entries);

// Whether the list shows `entry` under `scope` and the search text `search`.
// A successful undo is never shown; a failed one is. The search text is used
// as typed (not trimmed) and found in the logged path or the rule's name,
// ignoring case.
bool isShown(const olva::Entry& entry, ActivityScope scope, const QString& search);

// The Name column: the last component of the logged path.
QString entryFileName(const olva::Entry& entry);
// The Result column as plain text: a place by its folder's name.
QString entryResultString(const olva::Entry& entry);

// Names, results and rules sort in the user's locale, ignoring case, with
// numbers by value ("file2" before "file10").
QCollator activityCollator();

}  // namespace olva::app
