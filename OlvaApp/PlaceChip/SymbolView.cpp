#include "OlvaApp/PlaceChip/SymbolView.h"

#include <QPainter>

namespace olva::app {

SymbolView::SymbolView(const QIcon& icon, int size, QWidget* parent) : QWidget(parent), icon_(icon), size_(size)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect square((width() - size_) / 2, (height() - size_) / 2, size_, size_);
    icon_.paint(&painter, square, Qt::AlignCenter, isEnabled() && !muted_ ? QIcon::Normal : QIcon::Disabled);
}

void SymbolView::setMuted(bool muted)
{
    if (muted == muted_) return;
    muted_ = muted;
    update();
}

}  // namespace olva::app
