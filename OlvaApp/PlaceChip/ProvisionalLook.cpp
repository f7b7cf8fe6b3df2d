#include "OlvaApp/PlaceChip/ProvisionalLook.h"

#include "OlvaApp/PlaceChip/Motion.h"

#include <QVariantAnimation>
#include <QWidget>

namespace olva::app {

ProvisionalLook::ProvisionalLook(QWidget* widget)
    : QObject(widget), widget_(widget), animation_(new QVariantAnimation(this))
{
    animation_->setDuration(200);
    animation_->setEasingCurve(QEasingCurve::InOutQuad);
    connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        amount_ = value.toReal();
        widget_->update();
    });
}

void ProvisionalLook::setProvisional(bool provisional)
{
    if (provisional == provisional_) return;
    provisional_ = provisional;
    const qreal target = provisional ? 1.0 : 0.0;
    animation_->stop();
    if (!motionAllowed(widget_) || !widget_->isVisible()) {
        amount_ = target;
        widget_->update();
        return;
    }
    animation_->setStartValue(amount_);
    animation_->setEndValue(target);
    animation_->start();
}

}  // namespace olva::app
