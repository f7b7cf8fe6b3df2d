#include "OlvaApp/ActivityView/ActivityDelegate.h"

#include "OlvaApp/ActivityView/ActivityStyle.h"
#include "OlvaApp/ActivityView/ActivityTableModel.h"
#include "OlvaApp/PlaceChip/PlaceMenu.h"
#include "OlvaApp/PlaceChip/SentenceLayout.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/PlaceChip/Metrics.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace olva::app {

namespace {

constexpr int badgeSize = 9;

}  // namespace

ActivityDelegate::ActivityDelegate(const ActivityTableModel& table, QObject* parent)
    : QStyledItemDelegate(parent), table_(table)
{
}

QSize ActivityDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), rowHeight(option.font)));
    return size;
}

int ActivityDelegate::rowHeight(const QFont& font)
{
    const SentenceLayout line(Sentence{Segment::place(QStringLiteral("/"))}, font);
    return qCeil(line.height()) + 8;
}

void ActivityDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    // The background and selection as the style draws them; the content is
    // ours.
    opt.text.clear();
    opt.icon = QIcon();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    const QColor primary = foreground(palette, selected);
    const QColor secondary = secondaryTextColor(palette, selected);
    const bool reverted = index.data(ActivityTableModel::fullyRevertedRole).toBool();
    const bool failed = index.data(ActivityTableModel::failedRole).toBool();

    QRect rect = contentRect(option, index);

    painter->save();
    painter->setFont(option.font);
    // Nothing of a cell runs into the next one.
    painter->setClipRect(option.rect);
    auto drawText = [&](const QString& text, const QColor& color) {
        painter->setPen(color);
        painter->drawText(rect, Qt::AlignVCenter | Qt::AlignLeft,
                          option.fontMetrics.elidedText(text, Qt::ElideMiddle, rect.width()));
    };

    switch (index.column()) {
    case ActivityTableModel::nameColumn: {
        const QRect iconRect(rect.left() - sizes::smallIcon - sizes::spacing,
                             rect.center().y() - sizes::smallIcon / 2 + 1, sizes::smallIcon, sizes::smallIcon);
        const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
        icon.paint(painter, iconRect, Qt::AlignCenter, reverted ? QIcon::Disabled : QIcon::Normal);
        if (failed) {
            const QRectF badge(iconRect.right() - badgeSize + 3, iconRect.bottom() - badgeSize + 3, badgeSize,
                               badgeSize);
            paintErrorBadge(*painter, badge);
        }
        drawText(index.data().toString(), reverted ? secondary : primary);
        break;
    }
    case ActivityTableModel::resultColumn: {
        QModelIndex source = index;
        if (auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model())) source = proxy->mapToSource(index);
        if (reverted) drawText(index.data().toString(), secondary);
        else if (failed) drawText(index.data().toString(), errorTextColor(palette, selected));
        else {
            const SentenceLayout line = SentenceLayout::cutAtEnd(table_.resultAt(source.row()), option.font, rect.width());
            line.paint(*painter, QPointF(rect.left(), rect.top() + (rect.height() - line.height()) / 2),
                       SentenceColors{.words = primary, .chip = primary},
                       index.data(ActivityTableModel::dryRunRole).toBool() ? 1.0 : 0.0);
        }
        break;
    }
    default: drawText(index.data().toString(), secondary); break;
    }
    painter->restore();
}

QRect ActivityDelegate::contentRect(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, widget) + 2;
    QRect rect = option.rect.adjusted(margin, 0, -margin, 0);
    // The name's words start after the file's icon.
    if (index.column() == ActivityTableModel::nameColumn) rect.setLeft(rect.left() + sizes::smallIcon + sizes::spacing);
    return rect;
}

int ActivityDelegate::contentMargin(const QWidget* widget)
{
    QStyle* style = widget ? widget->style() : QApplication::style();
    return 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 2);
}

int ActivityDelegate::nameIndent() { return sizes::smallIcon + sizes::spacing; }

bool ActivityDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                 const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid()) return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QRect rect = contentRect(option, index);
    QString tip;
    const bool reverted = index.data(ActivityTableModel::fullyRevertedRole).toBool();
    const bool failed = index.data(ActivityTableModel::failedRole).toBool();
    if (index.column() == ActivityTableModel::resultColumn && !reverted && !failed) {
        QModelIndex source = index;
        if (auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model())) source = proxy->mapToSource(index);
        const SentenceLayout line = SentenceLayout::cutAtEnd(table_.resultAt(source.row()), option.font, rect.width());
        const QPointF at(event->pos().x() - rect.left(),
                         event->pos().y() - (rect.top() + (rect.height() - line.height()) / 2));
        // A chip tells where its folder is; a cut sentence tells itself whole.
        if (const auto* place = line.placeAt(at)) tip = placeToolTip(place->path);
        else if (line.isCut()) tip = plainToolTip(index.data().toString());
    } else {
        const QString text = index.data().toString();
        if (option.fontMetrics.horizontalAdvance(text) > rect.width()) tip = plainToolTip(text);
    }
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(event->globalPos(), tip, view->viewport(), option.rect);
    return true;
}

}  // namespace olva::app
