#include "OlvaApp/PlaceChip/Motion.h"

#include <QApplication>
#include <QStyle>
#include <QWidget>

namespace olva::app {

bool motionAllowed(const QWidget* widget)
{
    if (!QApplication::isEffectEnabled(Qt::UI_General)) return false;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    return style->styleHint(QStyle::SH_Widget_Animation_Duration, nullptr, widget) > 0;
}

}  // namespace olva::app
