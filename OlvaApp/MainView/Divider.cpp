#include "OlvaApp/MainView/Divider.h"

#include <QPainter>

namespace olva::app {

Divider::Divider(QWidget* parent) : QWidget(parent) { setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed); }

void Divider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QColor line = palette().color(QPalette::WindowText);
    line.setAlphaF(0.15);
    painter.fillRect(rect(), line);
}

}  // namespace olva::app
