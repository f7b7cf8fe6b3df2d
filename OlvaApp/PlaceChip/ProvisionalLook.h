// The switch between a chip's settled look (filled) and its provisional one
// (dashed), eased over 0.2 seconds, or at once when motion is reduced.
#pragma once

#include <QObject>

class QVariantAnimation;
class QWidget;

namespace olva::app {

class ProvisionalLook : public QObject {
    Q_OBJECT

public:
    // Repaints `widget` as the look changes.
    explicit ProvisionalLook(QWidget* widget);

    bool provisional() const { return provisional_; }
    // 0 settled, 1 provisional; between them while changing.
    qreal amount() const { return amount_; }
    void setProvisional(bool provisional);

private:
    QWidget* widget_;
    QVariantAnimation* animation_;
    bool provisional_ = false;
    qreal amount_ = 0;
};

}  // namespace olva::app
