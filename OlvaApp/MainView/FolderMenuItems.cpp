#include "OlvaApp/MainView/FolderMenuItems.h"

#include "OlvaApp/Model/Model.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>

#include <array>
#include <functional>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::FolderMenuItems)
};

struct DepthChoice {
    const char* title;
    std::int64_t depth;
};

// "All Levels" stores 99, which the engine reads as every level.
constexpr std::array<DepthChoice, 4> kDepthChoices = {{
    {QT_TRANSLATE_NOOP("olva::app::FolderMenuItems", "None"), 0},
    {QT_TRANSLATE_NOOP("olva::app::FolderMenuItems", "1 Level Deep"), 1},
    {QT_TRANSLATE_NOOP("olva::app::FolderMenuItems", "2 Levels Deep"), 2},
    {QT_TRANSLATE_NOOP("olva::app::FolderMenuItems", "All Levels"), 99},
}};

}  // namespace

void addFolderMenuItems(QMenu& menu, Model& model)
{
    addFolderMenuItems(menu, model, model.selectedFolder().value_or(-1));
}

void addFolderMenuItems(QMenu& menu, Model& model, int folder)
{
    const auto& folders = model.config().folders;
    const bool exists = folder >= 0 && folder < static_cast<int>(folders.size());
    const Folder shown = exists ? folders[folder] : Folder{};

    // The change acts on the folder the menu was built for, and only while
    // the rules still hold it at that place.
    auto onFolder = [&model, folder, path = shown.path, exists](std::function<void()> change) {
        return [&model, folder, path, exists, change = std::move(change)] {
            const auto& now = model.config().folders;
            if (!exists || folder >= static_cast<int>(now.size()) || now[folder].path != path) return;
            change();
        };
    };

    // Menus rebuild these items at each opening, after clear(), which takes
    // the items but leaves a submenu (and its choices) behind: the one made
    // last time goes now.
    const QString subfoldersName = QStringLiteral("includeSubfolders");
    for (QMenu* old : menu.findChildren<QMenu*>(subfoldersName, Qt::FindDirectChildrenOnly))
        if (!menu.actions().contains(old->menuAction())) delete old;

    QMenu* subfolders = menu.addMenu(Words::tr("Include Subfolders"));
    subfolders->setObjectName(subfoldersName);
    subfolders->setEnabled(exists);
    auto* choices = new QActionGroup(subfolders);
    choices->setExclusive(true);
    for (const DepthChoice& choice : kDepthChoices) {
        QAction* item = subfolders->addAction(Words::tr(choice.title));
        item->setCheckable(true);
        item->setChecked(shown.depth == choice.depth);
        item->setEnabled(exists);
        choices->addAction(item);
        QObject::connect(item, &QAction::triggered, &model,
                         onFolder([&model, folder, depth = choice.depth] { model.setFolderDepth(folder, depth); }));
    }

    QAction* pause = menu.addAction(Words::tr("Pause Folder"));
    pause->setCheckable(true);
    pause->setChecked(exists && shown.paused);
    pause->setEnabled(exists);
    QObject::connect(pause, &QAction::triggered, &model, [&model, folder, pause, onFolder] {
        const bool paused = pause->isChecked();
        onFolder([&model, folder, paused] { model.setFolderPaused(folder, paused); })();
    });

    menu.addSeparator();

    QAction* reveal = menu.addAction(Words::tr("Show in File Manager"));
    reveal->setEnabled(exists);
    QObject::connect(reveal, &QAction::triggered, &model, onFolder([&model, folder] { model.revealFolder(folder); }));
}

}  // namespace olva::app
