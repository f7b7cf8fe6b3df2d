// The "Dry Run" badge beside a rule's name: a small orange capsule.
#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

class QPainter;

namespace olva::app {

class DryRunBadge : public QWidget {
    Q_OBJECT

public:
    explicit DryRunBadge(QWidget* parent = nullptr);

    static QString text();
    // For delegates: the badge's size beside text in `base`, and its
    // drawing in `rect` with words in `color`.
    static QSizeF badgeSize(const QFont& base);
    static void paint(QPainter& painter, const QRectF& rect, const QFont& base, const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace olva::app
