#include "tests/screenshots/Shots.h"

#include "OlvaApp/App/AppCommands.h"
#include "OlvaApp/App/SettingsWindow.h"
#include "OlvaApp/App/Tray.h"
#include "OlvaApp/ConnectView/ConnectWindow.h"
#include "OlvaApp/MainView/MainWindow.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/PrivacyView/PrivacyWindow.h"
#include "tests/support/app/AppTestSupport.h"

#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <fstream>

using namespace olva;

namespace {

void saveTrayMenu(shots::ShotContext& context, const QString& name)
{
    app::AppCommands commands(context.model(), {});
    app::Tray tray(context.model(), commands);
    context.save(tray.menu(), name);
}

}  // namespace

OLVA_SHOT(settings_window)
{
    app::SettingsWindow window(context.model(), true);
    context.save(&window, QStringLiteral("settings-window"));
}

OLVA_SHOT(connect_window)
{
    const auto tool = context.home() / ".local" / "lib" / "olva" / "olva";
    std::filesystem::create_directories(tool.parent_path());
    std::ofstream(tool) << "#!/bin/sh\n";
    app::ConnectWindow window(app::ToolLink(tool, app::ToolLink::defaultLink, "/usr/bin:/bin"), nullptr, nullptr);
    context.save(&window, QStringLiteral("connect-window"));
}

OLVA_SHOT(connect_window_without_tool)
{
    app::ConnectWindow window(std::nullopt, nullptr, nullptr);
    context.save(&window, QStringLiteral("connect-window-without-tool"));
}

OLVA_SHOT(privacy_window)
{
    app::PrivacyWindow window(context.model());
    window.resize(window.sizeHint());
    context.save(&window, QStringLiteral("privacy-window"));
}

OLVA_SHOT(tray_menu_attention)
{
    // The fixture watches a folder that is gone.
    saveTrayMenu(context, QStringLiteral("tray-menu-attention"));
}

OLVA_SHOT(tray_menu_watching)
{
    context.model().removeFolder(2);
    saveTrayMenu(context, QStringLiteral("tray-menu-watching"));
}

OLVA_SHOT(tray_menu_paused)
{
    context.model().setPaused(true);
    saveTrayMenu(context, QStringLiteral("tray-menu-paused"));
}

OLVA_SHOT(menu_bar)
{
    context.model().setSelection(app::Selection::folder(0));
    context.model().setSelectedRule(1);
    app::AppCommands commands(context.model(), {});
    app::MainWindow window(context.model());
    window.setMenuBar(commands.createMenuBar(window));
    for (QAction* item : window.menuBar()->actions()) {
        QMenu* menu = item->menu();
        if (!menu) continue;
        emit menu->aboutToShow();
        context.save(menu, QStringLiteral("menu-") + item->text().remove(u'&').toLower());
    }
}
