#include "OlvaApp/MainView/SidebarDelegate.h"

#include "OlvaApp/MainView/SidebarModel.h"
#include "OlvaApp/PlaceChip/TextStyles.h"

#include <QPainter>

namespace olva::app {

namespace {

bool isHeading(const QModelIndex& index)
{
    return index.data(SidebarModel::KindRole).toInt() == static_cast<int>(SidebarModel::RowKind::heading);
}

}  // namespace

void SidebarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!isHeading(index)) {
        QStyleOptionViewItem row = option;
        row.decorationSize = QSize(16, 16);
        QStyledItemDelegate::paint(painter, row, index);
        return;
    }
    painter->save();
    const QFont font = semiboldFont(captionFont(option.font));
    painter->setFont(font);
    painter->setPen(secondaryTone(option.palette.color(QPalette::Active, QPalette::Text)));
    const QRect text = option.rect.adjusted(8, 0, -8, -2);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine, index.data().toString());
    painter->restore();
}

QSize SidebarDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    const int line = option.fontMetrics.height();
    if (isHeading(index)) return {size.width(), line + 12};
    return {size.width(), std::max(size.height(), line + 10)};
}

}  // namespace olva::app
