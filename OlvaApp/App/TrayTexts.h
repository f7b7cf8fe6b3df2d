// The words of the tray: its state, the status line at the top of its menu,
// a problem folder's line and a recent entry's title.
#pragma once

#include "Core/engine/Engine.h"
#include "Core/model/Entry.h"
#include "Core/model/Model.h"

#include <QString>

#include <span>
#include <string_view>
#include <vector>

namespace olva::app {

// What the tray icon says at a glance.
enum class TrayState { watching, paused, needsAttention };

struct TrayStateLook {
    std::string_view symbol;  // the symbol of the state, as the icon table names it
    QString iconName;         // the app's own tray icon for the state
    QString word;             // "Watching", "Paused", "Needs attention": the tooltip
};

TrayStateLook trayStateLook(TrayState state);

// Paused wins over everything; then a store problem, a failure of the last
// hour or a folder with a problem needs attention.
TrayState trayState(bool paused, bool storeProblem, bool recentError, bool problemFolders);

// `text` with at most `limit` user-perceived characters: longer texts keep
// `limit - 1` of them and end in "…".
QString cutToCharacters(const QString& text, qsizetype limit);

// "Invoices: Folder not found".
QString problemFolderLine(const Folder& folder, FolderStatus status);

// The entries the tray lists, newest first: at most five, undo records
// only when they failed.
std::vector<Entry> recentTrayEntries(std::span<const Entry> entries);
// "invoice-2026-11.pdf · Moved to Invoices", the name cut at 30 characters
// and the summary at 40.
QString recentEntryTitle(const Entry& entry);

// Text for a menu item: "&" stays an ampersand, a tab stays a space.
QString menuItemText(QString text);

}  // namespace olva::app
