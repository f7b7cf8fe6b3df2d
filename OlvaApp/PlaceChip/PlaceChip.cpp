#include "OlvaApp/PlaceChip/PlaceChip.h"

#include "OlvaApp/PlaceChip/PlaceCache.h"
#include "OlvaApp/PlaceChip/PlaceMenu.h"
#include "OlvaApp/PlaceChip/ProvisionalLook.h"
#include "OlvaApp/PlaceChip/SentenceLayout.h"
#include "OlvaApp/Sentences/Segment.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>

namespace olva::app {

PlaceChip::PlaceChip(const QString& path, bool provisional, Workspace* workspace, QWidget* parent)
    : QWidget(parent), path_(path), workspace_(workspace), look_(new ProvisionalLook(this))
{
    look_->setProvisional(provisional);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(accessibilityText(Segment::place(path_)));
}

PlaceChip::~PlaceChip() = default;

void PlaceChip::setPath(const QString& path)
{
    if (path == path_) return;
    path_ = path;
    setAccessibleName(accessibilityText(Segment::place(path_)));
    updateGeometry();
    update();
}

bool PlaceChip::isProvisional() const { return look_->provisional(); }

void PlaceChip::setProvisional(bool provisional) { look_->setProvisional(provisional); }

qreal PlaceChip::provisionalAmount() const { return look_->amount(); }

QSize PlaceChip::sizeHint() const { return chipSize(placeName(path_), font()).toSize(); }

QSize PlaceChip::minimumSizeHint() const
{
    const QSize ideal = sizeHint();
    return {std::min(ideal.width(), chipSize(QString(), font()).toSize().width() + fontMetrics().averageCharWidth() * 3),
            ideal.height()};
}

bool PlaceChip::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), placeToolTip(path_), this);
        return true;
    }
    return QWidget::event(event);
}

void PlaceChip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const Place& place = PlaceCache::shared().lookup(expandedPlace(path_));
    const QSizeF size = chipSize(placeName(path_), font());
    QRectF rect(0, std::floor((height() - size.height()) / 2), std::min<qreal>(width(), size.width()), size.height());
    const QColor color = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole());
    paintChip(painter, rect, place.icon, placeName(path_), font(), color, look_->amount());
}

void PlaceChip::contextMenuEvent(QContextMenuEvent* event) { popUpPlaceMenu(path_, workspace_, event->globalPos(), this); }

}  // namespace olva::app
