// The icons the app names by their symbol ("pause.circle", "folder.badge.plus")
// and the freedesktop icon names that stand for them on Linux. The app ships
// an SVG under each name, for desktops whose theme lacks it.
#pragma once

#include <QString>

#include <span>
#include <string_view>

namespace olva::app {

struct SymbolIcon {
    std::string_view symbol;
    std::string_view iconName;
};

// Every symbol the app uses, once each.
std::span<const SymbolIcon> symbolIcons();

// The freedesktop name for a symbol; empty for a symbol the table lacks.
QString iconName(std::string_view symbol);

}  // namespace olva::app
