// A hairline between rows, in a faint tone of the palette's words read at
// each repaint, so that it suits light and dark palettes alike.
#pragma once

#include <QWidget>

namespace olva::app {

class Divider : public QWidget {
    Q_OBJECT

public:
    explicit Divider(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {1, 1}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace olva::app
