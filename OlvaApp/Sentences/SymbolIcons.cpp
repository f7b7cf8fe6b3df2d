#include "OlvaApp/Sentences/SymbolIcons.h"

#include <algorithm>
#include <array>

namespace olva::app {

namespace {

// Names from the freedesktop icon naming list where it has one; the
// rest are names the Adwaita and Breeze themes share, or the app's own.
constexpr std::array<SymbolIcon, 22> kSymbolIcons = {{
    {"arrow.counterclockwise", "edit-undo"},
    {"checkmark", "object-select"},
    {"checkmark.circle", "emblem-ok"},
    {"clock", "document-open-recent"},
    {"doc.on.doc", "edit-copy"},
    {"doc.text.magnifyingglass", "edit-find"},
    {"ellipsis", "view-more"},
    {"exclamationmark.circle.fill", "dialog-error"},
    {"exclamationmark.triangle", "dialog-warning"},
    {"exclamationmark.triangle.fill", "dialog-warning"},
    {"folder", "folder"},
    // A folder whose rules are still to be made; the freedesktop list has
    // nothing for it (its saved-search folder reads as "no results").
    {"folder.badge.gearshape", "olva-folder-rules"},
    {"folder.badge.plus", "folder-new"},
    {"magnifyingglass", "system-search"},
    {"minus", "list-remove"},
    {"pause.circle", "media-playback-pause"},
    {"play.circle", "media-playback-start"},
    {"plus", "list-add"},
    {"plus.circle", "list-add"},
    {"sidebar.trailing", "sidebar-show-right"},
    {"terminal", "utilities-terminal"},
    {"xmark", "window-close"},
}};

}  // namespace

std::span<const SymbolIcon> symbolIcons() { return kSymbolIcons; }

QString iconName(std::string_view symbol)
{
    auto found = std::find_if(kSymbolIcons.begin(), kSymbolIcons.end(),
                              [&](const SymbolIcon& icon) { return icon.symbol == symbol; });
    if (found == kSymbolIcons.end()) return {};
    return QString::fromLatin1(found->iconName.data(), static_cast<qsizetype>(found->iconName.size()));
}

}  // namespace olva::app
