#include "tests/screenshots/Shots.h"

#include "OlvaApp/App/AppCommands.h"
#include "OlvaApp/App/SettingsWindow.h"
#include "OlvaApp/App/Tray.h"
#include "OlvaApp/ConnectView/ConnectWindow.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/PrivacyView/PrivacyWindow.h"
#include "tests/support/app/AppTestSupport.h"

#include <QMenu>

#include <algorithm>
#include <fstream>

using namespace olva;

namespace {

// The fixture's folders in its own home ("~" is the real user's home), all
// but the one that is gone; then waits (at most 5 s) until the engine has
// told the model how each folder is.
void watchFixtureFolders(shots::ShotContext& context)
{
    app::Model& model = context.model();
    model.edit(QStringLiteral("Watch"), [&](Config& config) {
        for (Folder& folder : config.folders)
            if (folder.path.starts_with("~/") && folder.path != "~/Old Projects")
                folder.path = (context.home() / folder.path.substr(2)).string();
    });
    test::processUntil([&] {
        const auto& statuses = model.folderStatus();
        return statuses.size() == model.config().folders.size()
            && std::all_of(model.config().folders.begin(), model.config().folders.end(),
                           [&](const Folder& folder) { return statuses.count(folder.path); });
    });
}

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
    watchFixtureFolders(context);
    saveTrayMenu(context, QStringLiteral("tray-menu-attention"));
}

OLVA_SHOT(tray_menu_watching)
{
    context.model().removeFolder(2);
    watchFixtureFolders(context);
    saveTrayMenu(context, QStringLiteral("tray-menu-watching"));
}

OLVA_SHOT(tray_menu_paused)
{
    context.model().setPaused(true);
    watchFixtureFolders(context);
    saveTrayMenu(context, QStringLiteral("tray-menu-paused"));
}
