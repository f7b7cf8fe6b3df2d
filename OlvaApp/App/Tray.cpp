#include "OlvaApp/App/Tray.h"

#include "OlvaApp/App/AppCommands.h"
#include "OlvaApp/App/AppIcons.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/Sentences/ActivityTexts.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

namespace olva::app {

Tray::Tray(Model& model, AppCommands& commands, QObject* parent)
    : QObject(parent), model_(model), commands_(commands), menu_(new QMenu), openMain_(new QAction(tr("Open Olva"), this))
{
    menu_->setObjectName(QStringLiteral("trayMenu"));
    connect(openMain_, &QAction::triggered, &model_, &Model::openMainWindow);
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
    // A click on the icon opens its menu where the tray host leaves that to
    // the app.
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) menu_->popup(QCursor::pos());
    });
    updateIcon();
    icon_->show();
}

void Tray::updateIcon()
{
    if (!icon_) return;
    const TrayStateLook look = trayStateLook(state());
    icon_->setIcon(themedIcon(look.iconName));
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
    menu_->addAction(commands_.settings());
    menu_->addSeparator();
    menu_->addAction(commands_.quit());
}

}  // namespace olva::app
