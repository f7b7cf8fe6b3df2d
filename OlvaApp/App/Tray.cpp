#include "OlvaApp/App/Tray.h"

#include "OlvaApp/App/AppCommands.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/Sentences/ActivityTexts.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

namespace olva::app {

Tray::Tray(Model& model, AppCommands& commands, QObject* parent)
    : QObject(parent), model_(model), commands_(commands), menu_(new QMenu), openMain_(new QAction(tr("Open Olva"), this)),
      settings_(new QAction(commands.settings()->text(), this)), quit_(new QAction(commands.quit()->text(), this))
{
    menu_->setObjectName(QStringLiteral("trayMenu"));
    connect(openMain_, &QAction::triggered, &model_, &Model::openMainWindow);
    // The app's own commands, without the keys they have in its windows:
    // the tray menu has no window for them to work in.
    connect(settings_, &QAction::triggered, commands.settings(), &QAction::trigger);
    connect(quit_, &QAction::triggered, commands.quit(), &QAction::trigger);
    for (auto changed : {&Model::configChanged, &Model::entriesChanged, &Model::storeProblemChanged,
                         &Model::folderStatusChanged, &Model::hasRecentErrorChanged})
        connect(&model_, changed, this, [this] {
            rebuild();
            updateIcon();
        });
    rebuild();
}

Tray::~Tray()
{
    delete icon_;
    delete menu_;
}

TrayState Tray::state() const
{
    return trayState(model_.config().paused, model_.storeProblem().has_value(), model_.hasRecentError(),
                     !model_.problemFolders().empty());
}

void Tray::setShown(bool shown)
{
    if (shown == isShown()) return;
    if (!shown) {
        delete icon_;
        icon_ = nullptr;
        return;
    }
    icon_ = new QSystemTrayIcon(this);
    icon_->setContextMenu(menu_);
    // A left click opens the window, as the desktop's other tray items do;
    // the menu is on the right click.
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) model_.openMainWindow();
    });
    updateIcon();
    icon_->show();
}

void Tray::updateIcon()
{
    if (!icon_) return;
    const TrayStateLook look = trayStateLook(state());
    icon_->setIcon(namedIcon(look.iconName));
    icon_->setToolTip(look.word);
}

void Tray::rebuild()
{
    menu_->clear();
    const Config& config = model_.config();
    auto addText = [this](const QString& text) { menu_->addAction(menuItemText(text))->setEnabled(false); };

    addText(activityStatusLine(config.paused, {}, static_cast<qsizetype>(config.folders.size())));
    if (const auto& problem = model_.storeProblem()) addText(*problem);
    for (const Folder& folder : model_.problemFolders())
        addText(problemFolderLine(folder, model_.folderStatus().at(folder.path)));
    menu_->addAction(commands_.pauseAll());
    menu_->addSeparator();
    for (const Entry& entry : recentTrayEntries(model_.entries())) {
        QAction* item = menu_->addAction(menuItemText(recentEntryTitle(entry)));
        connect(item, &QAction::triggered, &model_, [this, id = entry.id] { model_.showActivity(id); });
    }
    menu_->addSeparator();
    menu_->addAction(openMain_);
    menu_->addAction(settings_);
    menu_->addSeparator();
    menu_->addAction(quit_);
}

}  // namespace olva::app
