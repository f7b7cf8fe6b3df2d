#include "OlvaApp/MainView/FooterButton.h"

#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/PlaceChip/Metrics.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace olva::app {

namespace {

constexpr int kPadX = 16;
constexpr int kPadY = 12;

}  // namespace

FooterButton::FooterButton(const QIcon& icon, const QString& text, QWidget* parent) : QAbstractButton(parent)
{
    setIcon(icon);
    setText(text);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::ArrowCursor);
}

QSize FooterButton::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    return {2 * kPadX + sizes::smallIcon + sizes::spacing + metrics.horizontalAdvance(text()),
            2 * kPadY + std::max(sizes::smallIcon, metrics.height())};
}

void FooterButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor text = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    if (isDown() || hovered_) painter.fillRect(rect(), quaternaryTone(text));
    const QRect iconRect(kPadX, (height() - sizes::smallIcon) / 2, sizes::smallIcon, sizes::smallIcon);
    icon().paint(&painter, iconRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    painter.setPen(secondaryTone(text));
    const QRect textRect(iconRect.right() + 1 + sizes::spacing, 0, width() - iconRect.right() - sizes::spacing - kPadX,
                         height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     fontMetrics().elidedText(this->text(), Qt::ElideRight, textRect.width()));
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void FooterButton::enterEvent(QEnterEvent* event)
{
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void FooterButton::leaveEvent(QEvent* event)
{
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace olva::app
