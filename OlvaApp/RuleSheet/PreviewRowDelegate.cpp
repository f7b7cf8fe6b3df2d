#include "OlvaApp/RuleSheet/PreviewRowDelegate.h"

#include "OlvaApp/PlaceChip/PlaceMenu.h"
#include "OlvaApp/PlaceChip/RowBackground.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/RuleSheet/PreviewListModel.h"
#include "OlvaApp/PlaceChip/Metrics.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace olva::app {

namespace {

constexpr int kPadding = 6;
// The least room between the name and what follows it.
constexpr int kSpacer = 16;

}  // namespace

PreviewRowDelegate::PreviewRowDelegate(Workspace* workspace, QObject* parent)
    : QStyledItemDelegate(parent), workspace_(workspace)
{
}

PreviewRowDelegate::Geometry PreviewRowDelegate::layout(const QStyleOptionViewItem& option,
                                                        const QModelIndex& index) const
{
    Geometry g;
    const QRect r = option.rect.adjusted(kPadding, 0, -kPadding, 0);
    g.icon = QRect(r.left(), r.center().y() - sizes::smallIcon / 2 + 1, sizes::smallIcon, sizes::smallIcon);
    const int textLeft = g.icon.right() + 1 + sizes::spacing;
    const int room = std::max(0, r.right() + 1 - textLeft);

    const auto detail = index.data(PreviewListModel::DetailRole).value<PreviewDetail>();
    const QString name = singleLine(index.data(Qt::DisplayRole).toString());
    const qreal nameWidth = QFontMetricsF(option.font).horizontalAdvance(name);
    const SentenceLayout ideal(detail.sentence, option.font);
    // The name keeps what it needs while both fit; otherwise the detail
    // gives way down to a little over half the row, then the name.
    qreal detailWidth = ideal.idealWidth();
    if (nameWidth + kSpacer + detailWidth > room)
        detailWidth = std::min(detailWidth, std::max(room * 0.55, room - nameWidth - kSpacer));
    g.detail = SentenceLayout(detail.sentence, option.font, std::max<qreal>(0, detailWidth));
    const int nameRoom = std::max(0, room - kSpacer - static_cast<int>(std::ceil(g.detail.width())));
    g.name = QRect(textLeft, r.top(), std::min(nameRoom, static_cast<int>(std::ceil(nameWidth))), r.height());
    g.detailOrigin = QPointF(r.right() + 1 - g.detail.width(), r.top() + (r.height() - g.detail.height()) / 2);
    return g;
}

void PreviewRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    paintRowBackground(painter, opt);

    const auto detail = index.data(PreviewListModel::DetailRole).value<PreviewDetail>();
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QColor text = foreground(option.palette, selected);
    const Geometry g = layout(option, index);

    painter->save();
    placeIcon(index.data(PreviewListModel::PathRole).toString()).paint(painter, g.icon);
    painter->setFont(option.font);
    painter->setPen(detail.dimmed && !selected ? secondaryTone(text) : text);
    const QString name = singleLine(index.data(Qt::DisplayRole).toString());
    painter->drawText(g.name, Qt::AlignVCenter | Qt::AlignLeft,
                      QFontMetrics(option.font).elidedText(name, Qt::ElideMiddle, g.name.width()));
    SentenceColors colors;
    colors.words = detail.failed && !selected ? errorRed(option.palette) : selected ? text : secondaryTone(text);
    colors.chip = text;
    g.detail.paint(*painter, g.detailOrigin, colors, detail.provisional ? 1.0 : 0.0);
    painter->restore();
}

QSize PreviewRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const int line = QFontMetrics(option.font).height();
    return {200, std::max(sizes::smallIcon, line) + 10};
}

QString PreviewRowDelegate::placeAt(const QStyleOptionViewItem& option, const QModelIndex& index,
                                    const QPoint& pos) const
{
    const Geometry g = layout(option, index);
    if (const auto* item = g.detail.placeAt(QPointF(pos) - g.detailOrigin)) return item->path;
    return {};
}

bool PreviewRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                   const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid()) return false;
    const QString place = placeAt(option, index, event->pos());
    // Plain, whatever the file's name looks like.
    const QString tip = place.isEmpty() ? plainToolTip(index.data(PreviewListModel::PathRole).toString())
                                        : placeToolTip(place);
    QToolTip::showText(event->globalPos(), tip, view->viewport(), option.rect);
    return true;
}

}  // namespace olva::app
