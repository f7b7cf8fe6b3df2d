#include "OlvaApp/ActivityView/ActivityStyle.h"

#include "OlvaApp/PlaceChip/TextStyles.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace olva::app {

QColor secondaryTextColor(const QPalette& palette, bool selected)
{
    const QColor text = foreground(palette, selected);
    return selected ? text : secondaryTone(text);
}

QColor errorTextColor(const QPalette& palette, bool highlighted)
{
    return highlighted ? palette.color(QPalette::HighlightedText) : errorRed(palette);
}

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

void paintCheckMark(QPainter& painter, const QRectF& rect, const QColor& color)
{
    const qreal side = std::min(rect.width(), rect.height());
    const QRectF box(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    QPainterPath path;
    path.moveTo(box.left() + side * 0.15, box.top() + side * 0.55);
    path.lineTo(box.left() + side * 0.40, box.top() + side * 0.80);
    path.lineTo(box.left() + side * 0.85, box.top() + side * 0.22);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, std::max<qreal>(1.5, side / 8), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
}

void paintCross(QPainter& painter, const QRectF& rect, const QColor& color)
{
    const qreal side = std::min(rect.width(), rect.height()) * 0.6;
    const QRectF box(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, std::max<qreal>(1.5, side / 6), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(box.topLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomLeft());
    painter.restore();
}

void paintErrorBadge(QPainter& painter, const QRectF& rect)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(QColor(0xe0, 0x1b, 0x24));
    painter.drawEllipse(rect.adjusted(0.5, 0.5, -0.5, -0.5));
    const qreal w = rect.width();
    painter.setPen(QPen(Qt::white, std::max<qreal>(1.2, w / 7), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(rect.center().x(), rect.top() + w * 0.25), QPointF(rect.center().x(), rect.top() + w * 0.56));
    painter.drawPoint(QPointF(rect.center().x(), rect.top() + w * 0.75));
    painter.restore();
}

}  // namespace olva::app
