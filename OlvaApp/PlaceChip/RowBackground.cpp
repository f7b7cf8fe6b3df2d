#include "OlvaApp/PlaceChip/RowBackground.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <QWidget>

namespace olva::app {

void paintRowBackground(QPainter* painter, QStyleOptionViewItem option)
{
    option.text.clear();
    option.icon = QIcon();
    option.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &option, painter, widget);
}

}  // namespace olva::app
