#include "OlvaApp/PlaceChip/DryRunBadge.h"

#include "OlvaApp/PlaceChip/TextStyles.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace olva::app {

namespace {

constexpr qreal kPadX = 6;
constexpr qreal kPadY = 1;

}  // namespace

DryRunBadge::DryRunBadge(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text());
}

QString DryRunBadge::text() { return tr("Dry Run"); }

QSizeF DryRunBadge::badgeSize(const QFont& base)
{
    const QFontMetricsF metrics(captionFont(base));
    return {std::ceil(metrics.horizontalAdvance(text()) + 2 * kPadX), std::ceil(metrics.height() + 2 * kPadY)};
}

void DryRunBadge::paint(QPainter& painter, const QRectF& rect, const QFont& base, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = dryRunOrange();
    fill.setAlphaF(0.2);
    QPainterPath capsule;
    capsule.addRoundedRect(rect, rect.height() / 2, rect.height() / 2);
    painter.fillPath(capsule, fill);
    painter.setFont(captionFont(base));
    painter.setPen(color);
    painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text());
    painter.restore();
}

QSize DryRunBadge::sizeHint() const { return badgeSize(font()).toSize(); }

void DryRunBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QSizeF size = badgeSize(font());
    const QRectF rect(0, std::floor((height() - size.height()) / 2), size.width(), size.height());
    paint(painter, rect, font(), palette().color(foregroundRole()));
}

}  // namespace olva::app
