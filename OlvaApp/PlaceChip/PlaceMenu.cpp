#include "OlvaApp/PlaceChip/PlaceMenu.h"

#include "OlvaApp/PlaceChip/PlaceCache.h"
#include "OlvaApp/PlaceChip/RevealPlace.h"
#include "OlvaApp/PlaceChip/TextStyles.h"

#include "Core/base/Paths.h"

#include <QCoreApplication>
#include <QMenu>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::PlaceChip)
};

}  // namespace

QString placeToolTip(const QString& path)
{
    return plainToolTip(QString::fromStdString(olva::abbreviate(expandedPlace(path).toStdString())));
}

QAction* addRevealPlaceItem(QMenu& menu, const QString& path, Workspace* workspace)
{
    QAction* reveal = menu.addAction(Words::tr("Show in File Manager"));
    reveal->setEnabled(PlaceCache::shared().lookup(expandedPlace(path)).exists);
    QObject::connect(reveal, &QAction::triggered, &menu, [workspace, path] { revealPlace(workspace, path); });
    return reveal;
}

QMenu* popUpPlaceMenu(const QString& path, Workspace* workspace, const QPoint& globalPos, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    addRevealPlaceItem(*menu, path, workspace);
    menu->popup(globalPos);
    return menu;
}

}  // namespace olva::app
