// A one-colour SVG icon painted in the colour of the text around it, so it
// reads in light and dark palettes alike (desktops do this for their
// "symbolic" icons; Qt does not).
#pragma once

#include <QColor>
#include <QIconEngine>

#include <optional>

namespace olva::app {

class TintedIconEngine final : public QIconEngine {
public:
    // `tint`: a fixed colour; none: the palette's text colour for the mode.
    explicit TintedIconEngine(QString svgPath, std::optional<QColor> tint = std::nullopt);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QIconEngine* clone() const override;
    QString key() const override;
    bool isNull() override;

    // The colour the icon takes in `mode` under the current palette.
    QColor colour(QIcon::Mode mode) const;

private:
    QString path_;
    std::optional<QColor> tint_;
};

}  // namespace olva::app
