#include "OlvaApp/MainView/RuleRowDelegate.h"

#include "OlvaApp/MainView/RulesModel.h"
#include "OlvaApp/PlaceChip/DryRunBadge.h"
#include "OlvaApp/PlaceChip/PlaceMenu.h"
#include "OlvaApp/PlaceChip/RowBackground.h"
#include "OlvaApp/PlaceChip/SentenceLayout.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/PlaceChip/Metrics.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <QToolTip>

namespace olva::app {

namespace {

constexpr int kPadX = 10;
constexpr int kPadY = 6;
constexpr int kLineSpacing = 2;
constexpr int kToggleSpacing = 12;

const RulesModel* rulesOf(const QModelIndex& index) { return qobject_cast<const RulesModel*>(index.model()); }

bool isOn(const QModelIndex& index) { return index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked; }

bool isDryRun(const QModelIndex& index)
{
    const RulesModel* rules = rulesOf(index);
    const Rule* rule = rules ? rules->rule(index.row()) : nullptr;
    return rule && rule->dryRun;
}

Sentence sentenceOf(const QModelIndex& index)
{
    const RulesModel* rules = rulesOf(index);
    const Sentence* sentence = rules ? rules->sentence(index.row()) : nullptr;
    return sentence ? *sentence : Sentence{};
}

}  // namespace

RuleRowDelegate::RuleRowDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QSize RuleRowDelegate::toggleSize() { return {30, 18}; }

RuleRowDelegate::Geometry RuleRowDelegate::geometry(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    Geometry g;
    const QRect r = option.rect.adjusted(kPadX, kPadY, -kPadX, -kPadY);
    const QSize toggle = toggleSize();
    g.toggle = QRect(r.right() + 1 - toggle.width(), r.center().y() - toggle.height() / 2 + 1, toggle.width(),
                     toggle.height());
    const int textRight = g.toggle.left() - kToggleSpacing;

    const QFontMetricsF nameMetrics(semiboldFont(option.font));
    const QString name = singleLine(index.data().toString());
    int nameWidth = static_cast<int>(std::ceil(nameMetrics.horizontalAdvance(name))) + 1;
    QSize badge;
    if (isDryRun(index)) badge = DryRunBadge::badgeSize(option.font).toSize();
    const int roomForName = std::max(0, textRight - r.left() - (badge.isEmpty() ? 0 : badge.width() + sizes::spacing));
    nameWidth = std::min(nameWidth, roomForName);
    const int nameHeight = std::max(static_cast<int>(std::ceil(nameMetrics.height())), badge.height());
    g.name = QRect(r.left(), r.top(), nameWidth, nameHeight);
    if (!badge.isEmpty())
        g.badge = QRect(g.name.right() + 1 + sizes::spacing, r.top() + (nameHeight - badge.height()) / 2, badge.width(),
                        badge.height());
    const SentenceLayout sentence(sentenceOf(index), calloutFont(option.font));
    g.sentence = QRect(r.left(), g.name.bottom() + 1 + kLineSpacing, std::max(0, textRight - r.left()),
                       static_cast<int>(sentence.height()));
    return g;
}

QString RuleRowDelegate::placeAt(const QStyleOptionViewItem& option, const QModelIndex& index,
                                 const QPoint& point) const
{
    const Geometry g = geometry(option, index);
    if (!g.sentence.contains(point)) return {};
    const SentenceLayout layout(sentenceOf(index), calloutFont(option.font), g.sentence.width());
    const auto* item = layout.placeAt(QPointF(point - g.sentence.topLeft()));
    return item ? item->path : QString();
}

void RuleRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    paintRowBackground(painter, opt);

    const bool selected = option.state & QStyle::State_Selected;
    const bool on = isOn(index);
    const QColor primary = foreground(option.palette, selected);
    const QColor words = on ? primary : secondaryTone(primary);
    const Geometry g = geometry(option, index);

    painter->save();
    const QFont nameFont = semiboldFont(option.font);
    painter->setFont(nameFont);
    painter->setPen(words);
    const QString name = singleLine(index.data().toString());
    painter->drawText(g.name, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      QFontMetricsF(nameFont).elidedText(name, Qt::ElideRight, g.name.width()));
    if (!g.badge.isEmpty()) DryRunBadge::paint(*painter, g.badge, option.font, words);

    const SentenceLayout sentence(sentenceOf(index), calloutFont(option.font), g.sentence.width());
    const SentenceColors colors{secondaryTone(primary), words};
    sentence.paint(*painter, g.sentence.topLeft(), colors, isDryRun(index) ? 1.0 : 0.0);

    paintToggle(*painter, g.toggle, on, option.palette, option.state & QStyle::State_Enabled, selected);
    painter->restore();
}

void RuleRowDelegate::paintToggle(QPainter& painter, const QRect& rect, bool on, const QPalette& palette, bool enabled,
                                  bool selected)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
    // On a selected row the track takes the selection's words colour, so
    // that it stands out from the highlight behind it.
    const QColor ink = palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text);
    QColor fill = on ? (selected ? ink : highlight) : ink;
    if (!on) fill.setAlphaF(selected ? 0.35 : 0.25);
    if (!enabled) fill.setAlphaF(fill.alphaF() * 0.5);
    QPainterPath shape;
    shape.addRoundedRect(track, track.height() / 2, track.height() / 2);
    painter.fillPath(shape, fill);
    const qreal knob = track.height() - 4;
    const QRectF knobRect(on ? track.right() - 2 - knob : track.left() + 2, track.top() + 2, knob, knob);
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.setBrush(on && selected ? highlight : QColor(Qt::white));
    painter.drawEllipse(knobRect);
    painter.restore();
}

QSize RuleRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QFontMetrics nameMetrics(semiboldFont(option.font));
    int nameHeight = nameMetrics.height();
    if (isDryRun(index)) nameHeight = std::max(nameHeight, DryRunBadge::badgeSize(option.font).toSize().height());
    const SentenceLayout sentence(sentenceOf(index), calloutFont(option.font));
    const int height = kPadY + nameHeight + kLineSpacing + static_cast<int>(sentence.height()) + kPadY;
    // Rows take the list's width; their sentences give way when it is short.
    const int width = kPadX + nameMetrics.averageCharWidth() * 12 + kToggleSpacing + toggleSize().width() + kPadX;
    return {width, std::max(height, toggleSize().height() + 2 * kPadY)};
}

bool RuleRowDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                  const QModelIndex& index)
{
    auto toggle = [&] { return model->setData(index, isOn(index) ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole); };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const bool onToggle = mouse->button() == Qt::LeftButton
                              && geometry(option, index).toggle.adjusted(-4, -4, 4, 4).contains(mouse->position().toPoint());
        if (event->type() == QEvent::MouseButtonPress) {
            pressedOnToggle_ = onToggle;
            return onToggle;
        }
        if (event->type() == QEvent::MouseButtonDblClick) return onToggle;
        const bool wasPressed = pressedOnToggle_;
        pressedOnToggle_ = false;
        if (onToggle && wasPressed) return toggle();
        return onToggle;
    }
    default:
        return false;
    }
}

bool RuleRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip) return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString path = placeAt(option, index, event->pos());
    if (path.isEmpty()) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), placeToolTip(path), view->viewport());
    return true;
}

}  // namespace olva::app
