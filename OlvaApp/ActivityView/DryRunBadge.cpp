#include "OlvaApp/ActivityView/DryRunBadge.h"

#include <QPainter>

namespace olva::app {

DryRunBadge::DryRunBadge(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(text());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QString DryRunBadge::text() const { return tr("Dry Run"); }

QFont DryRunBadge::captionFont() const
{
    QFont caption = font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    return caption;
}

QSize DryRunBadge::sizeHint() const
{
    const QFontMetrics metrics(captionFont());
    return {metrics.horizontalAdvance(text()) + 12, metrics.height() + 2};
}

void DryRunBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor orange(0xff, 0x95, 0x00);
    orange.setAlphaF(0.2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(orange);
    const QSize size = sizeHint();
    const QRectF capsule(0, (height() - size.height()) / 2.0, size.width(), size.height());
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(captionFont());
    painter.drawText(capsule, Qt::AlignCenter, text());
}

}  // namespace olva::app
