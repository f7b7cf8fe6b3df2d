#include "OlvaApp/PlaceChip/PlaceCache.h"

#include "OlvaApp/PlaceChip/SymbolIcon.h"

#include "Core/base/Paths.h"

#include <QFileInfo>

namespace olva::app {

PlaceCache& PlaceCache::shared()
{
    static PlaceCache cache;
    return cache;
}

const Place& PlaceCache::lookup(const QString& expandedPath)
{
    const auto now = now_ ? now_() : std::chrono::steady_clock::now();
    auto found = places_.find(expandedPath);
    if (found != places_.end() && now - found->checked < kFresh) return *found;
    ++reads_;
    Place place;
    place.exists = QFileInfo::exists(expandedPath);
    place.icon = place.exists ? placeIcon(expandedPath) : genericFolderIcon();
    place.checked = now;
    return *places_.insert(expandedPath, std::move(place));
}

void PlaceCache::setClock(Now now)
{
    now_ = std::move(now);
    places_.clear();
}

QString expandedPlace(const QString& path)
{
    QString expanded = QString::fromStdString(olva::expand(path.toStdString()));
    while (expanded.size() > 1 && expanded.endsWith(u'/')) expanded.chop(1);
    return expanded;
}

}  // namespace olva::app
