// Draws the sidebar's rows: the "Folders" heading in small secondary
// letters, the others as the style draws list items, a little taller.
#pragma once

#include <QStyledItemDelegate>

namespace olva::app {

class SidebarDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace olva::app
