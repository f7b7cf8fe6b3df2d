#include "OlvaApp/App/TintedIconEngine.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPalette>

namespace olva::app {

TintedIconEngine::TintedIconEngine(QString svgPath, std::optional<QColor> tint)
    : path_(std::move(svgPath)), tint_(tint)
{
}

QColor TintedIconEngine::colour(QIcon::Mode mode) const
{
    const QPalette palette = QGuiApplication::palette();
    if (mode == QIcon::Disabled) return palette.color(QPalette::Disabled, QPalette::WindowText);
    if (tint_) return *tint_;
    if (mode == QIcon::Selected) return palette.color(QPalette::HighlightedText);
    return palette.color(QPalette::WindowText);
}

QPixmap TintedIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale)
{
    const QSize pixels = size * scale;
    QImageReader reader(path_, "svg");
    reader.setScaledSize(pixels);
    QImage image = reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    // The drawing keeps its shape (alpha) and takes the colour.
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), colour(mode));
    painter.end();
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

QPixmap TintedIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

void TintedIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, scale));
}

QIconEngine* TintedIconEngine::clone() const { return new TintedIconEngine(path_, tint_); }

QString TintedIconEngine::key() const { return QStringLiteral("olva-tinted-svg"); }

bool TintedIconEngine::isNull() { return !QFile::exists(path_); }

}  // namespace olva::app
