#include "OlvaApp/PlaceChip/SymbolIcon.h"

#include "OlvaApp/Sentences/SymbolIcons.h"

#include <QFile>
#include <QFileInfo>
#include <QIconEngine>
#include <QMimeDatabase>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>

namespace olva::app {

// Without a theme from the desktop (no platform theme, as offscreen), Qt
// finds no icon by name at all: it then looks in the desktop's icon folders,
// in the theme every Debian desktop installs.
void ensureThemeFallback()
{
    static const bool done = [] {
        QStringList paths = QIcon::themeSearchPaths();
        for (const QString& icons :
             QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                       QStandardPaths::LocateDirectory))
            if (!paths.contains(icons)) paths << icons;
        QIcon::setThemeSearchPaths(paths);
        if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
            QIcon::setThemeName(QStringLiteral("Adwaita"));
        return true;
    }();
    (void)done;
}

namespace {

QIcon themedOrBundled(const QString& name)
{
    ensureThemeFallback();
    if (name.isEmpty()) return {};
    QIcon icon = QIcon::fromTheme(name);
    if (!icon.isNull()) return icon;
    const QString bundled = QStringLiteral(":/symbols/%1.svg").arg(name);
    if (QFile::exists(bundled)) return QIcon(bundled);
    return {};
}

// Paints another icon's pixmaps in one colour, keeping their shape.
class TintEngine : public QIconEngine {
public:
    TintEngine(QIcon icon, QColor color) : icon_(std::move(icon)), color_(color) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap tinted = scaledPixmap(rect.size(), mode, state, ratio);
        painter->drawPixmap(rect, tinted);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QPixmap source = icon_.pixmap(size, scale, mode, state);
        if (source.isNull()) return source;
        QPixmap tinted(source.size());
        tinted.setDevicePixelRatio(source.devicePixelRatio());
        tinted.fill(Qt::transparent);
        QPainter painter(&tinted);
        painter.drawPixmap(0, 0, source);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        QColor color = color_;
        if (mode == QIcon::Disabled) color.setAlphaF(color.alphaF() * 0.45);
        painter.fillRect(tinted.rect(), color);
        return tinted;
    }

    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon_.actualSize(size, mode, state);
    }

    QIconEngine* clone() const override { return new TintEngine(icon_, color_); }
    QString key() const override { return QStringLiteral("olva-tint"); }
    bool isNull() override { return icon_.isNull(); }

private:
    QIcon icon_;
    QColor color_;
};

}  // namespace

QIcon symbolIcon(std::string_view symbol) { return themedOrBundled(iconName(symbol)); }

QIcon tintedSymbol(std::string_view symbol, const QColor& color)
{
    QIcon icon = symbolIcon(symbol);
    if (icon.isNull()) return icon;
    return QIcon(new TintEngine(std::move(icon), color));
}

QIcon genericFolderIcon() { return themedOrBundled(QStringLiteral("folder")); }

QIcon fileIcon(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists()) return genericFolderIcon();
    static const QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(info);
    ensureThemeFallback();
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull()) icon = info.isDir() ? genericFolderIcon() : themedOrBundled(QStringLiteral("text-x-generic"));
    return icon;
}

}  // namespace olva::app
