#include "OlvaApp/PlaceChip/SentenceView.h"

#include "OlvaApp/PlaceChip/AccessibleFactory.h"
#include "OlvaApp/PlaceChip/PlaceMenu.h"
#include "OlvaApp/PlaceChip/ProvisionalLook.h"
#include "OlvaApp/PlaceChip/RevealPlace.h"
#include "OlvaApp/PlaceChip/SentenceLayout.h"
#include "OlvaApp/PlaceChip/TextStyles.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>

namespace olva::app {

namespace {

// The sentence as one element with one action per place, as screen readers
// expect of a line of text whose parts can be acted on.
class SentenceAccessible : public QAccessibleWidget {
public:
    explicit SentenceAccessible(SentenceView* view) : QAccessibleWidget(view, QAccessible::StaticText) {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name) return accessibilityText(view()->sentence());
        return QAccessibleWidget::text(kind);
    }

    QStringList actionNames() const override
    {
        QStringList names;
        for (const Segment& segment : view()->sentence())
            if (segment.kind == Segment::Kind::place) names << revealActionName(segment.value);
        return names;
    }

    void doAction(const QString& name) override
    {
        for (const Segment& segment : view()->sentence())
            if (segment.kind == Segment::Kind::place && revealActionName(segment.value) == name) {
                view()->reveal(segment.value);
                return;
            }
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    SentenceView* view() const { return static_cast<SentenceView*>(widget()); }
};

}  // namespace

SentenceView::SentenceView(Workspace* workspace, QWidget* parent)
    : QWidget(parent), workspace_(workspace), look_(new ProvisionalLook(this))
{
    installAccessible<SentenceView, SentenceAccessible>();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

SentenceView::SentenceView(const Sentence& sentence, bool provisional, Workspace* workspace, QWidget* parent)
    : SentenceView(workspace, parent)
{
    sentence_ = sentence;
    look_->setProvisional(provisional);
}

SentenceView::~SentenceView() = default;

void SentenceView::setSentence(const Sentence& sentence)
{
    if (sentence == sentence_) return;
    sentence_ = sentence;
    updateGeometry();
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
}

bool SentenceView::isProvisional() const { return look_->provisional(); }

void SentenceView::setProvisional(bool provisional) { look_->setProvisional(provisional); }

void SentenceView::setSecondary(bool secondary)
{
    if (secondary == secondary_) return;
    secondary_ = secondary;
    update();
}

void SentenceView::setWrapping(bool wrapping)
{
    if (wrapping == wrapping_) return;
    wrapping_ = wrapping;
    QSizePolicy policy(QSizePolicy::Preferred, wrapping ? QSizePolicy::Preferred : QSizePolicy::Fixed);
    policy.setHeightForWidth(wrapping);
    setSizePolicy(policy);
    updateGeometry();
    update();
}

SentenceLayout SentenceView::layout(int width) const
{
    return wrapping_ ? SentenceLayout::wrapped(sentence_, font(), width) : SentenceLayout(sentence_, font(), width);
}

int SentenceView::heightForWidth(int width) const
{
    if (!wrapping_) return QWidget::heightForWidth(width);
    return static_cast<int>(std::ceil(SentenceLayout::wrapped(sentence_, font(), width).height()));
}

QString SentenceView::placeAt(const QPoint& point) const
{
    const SentenceLayout shown = layout(width());
    const qreal top = wrapping_ ? 0 : std::floor((height() - shown.height()) / 2);
    const auto* item = shown.placeAt(QPointF(point) - QPointF(0, top));
    return item ? item->path : QString();
}

void SentenceView::reveal(const QString& path) const { revealPlace(workspace_, path); }

QSize SentenceView::sizeHint() const
{
    const SentenceLayout line(sentence_, font());
    return QSize(static_cast<int>(std::ceil(line.idealWidth())), static_cast<int>(line.height()));
}

QSize SentenceView::minimumSizeHint() const
{
    const SentenceLayout line(sentence_, font());
    return QSize(std::min(static_cast<int>(std::ceil(line.idealWidth())), fontMetrics().averageCharWidth() * 8),
                 static_cast<int>(line.height()));
}

bool SentenceView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString path = placeAt(help->pos());
        if (path.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), placeToolTip(path), this);
        }
        return true;
    }
    return QWidget::event(event);
}

void SentenceView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const SentenceLayout shown = layout(width());
    const QColor primary = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole());
    const SentenceColors colors{secondary_ ? secondaryTone(primary) : primary, primary};
    const qreal top = wrapping_ ? 0 : std::floor((height() - shown.height()) / 2);
    shown.paint(painter, QPointF(0, top), colors, look_->amount());
}

void SentenceView::contextMenuEvent(QContextMenuEvent* event)
{
    const QString path = placeAt(event->pos());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    popUpPlaceMenu(path, workspace_, event->globalPos(), this);
}

void SentenceView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) updateGeometry();
    if (event->type() == QEvent::FontChange && wrapping_) update();
    QWidget::changeEvent(event);
}

}  // namespace olva::app
